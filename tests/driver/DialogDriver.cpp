// The dialog test driver: see DialogDriver.h for how a test uses it. This
// file holds the script, the timer and the watchdog; DriverSteps.cpp carries
// the steps out.
#include "DialogDriver.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include "DriverInternals.h"

using namespace driver_internal;

namespace {

const UINT kTickMilliseconds = 10;
// After this long in the closing phase the driver stops asking windows to
// close and ends every modal loop of the thread with WM_QUIT.
const DWORD kQuitAfterMilliseconds = 1000;

thread_local DialogDriver* activeDriver = nullptr;

std::string CurrentTestName()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr)
        return "DialogDriver";
    return std::string(test->test_suite_name()) + "." + test->name();
}

}  // namespace


DialogDriver::DialogDriver() : DialogDriver(CurrentTestName()) {}

DialogDriver::DialogDriver(const std::string& name)
    : name_(name), templateModule_(GetModuleHandleA(NULL))
{
}

DialogDriver::~DialogDriver()
{
    // Run disarms before it returns; this only guards against misuse.
    if (armed_)
        Disarm();
}

std::string DialogDriver::ScreenshotDirectory()
{
#ifdef DIALOG_DRIVER_SCREENSHOT_DIR
    // Given by the build with forward slashes.
    std::string directory = DIALOG_DRIVER_SCREENSHOT_DIR;
    for (char& c : directory) {
        if (c == '/')
            c = '\\';
    }
    return directory;
#else
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    std::string program(path, length < sizeof(path) ? length : 0);
    return program.substr(0, program.find_last_of('\\')) + "\\screenshots";
#endif
}

DialogDriver& DialogDriver::Add(Kind kind, std::string description, int id, std::string text,
                                int value)
{
    if (armed_) {
        ADD_FAILURE() << "DialogDriver " << name_ << ": step '" << description
                      << "' added while the script runs; it is ignored";
        return *this;
    }
    steps_.push_back(Step{kind, std::move(description), id, std::move(text), value, {}, {}, {}});
    return *this;
}

DialogDriver& DialogDriver::WaitDialog(int templateId)
{
    return Add(Kind::WaitDialog, "wait for dialog " + std::to_string(templateId), templateId);
}

DialogDriver& DialogDriver::WaitDialogCaption(const std::string& caption)
{
    return Add(Kind::WaitCaption, "wait for dialog " + Quoted(caption), 0, caption);
}

DialogDriver& DialogDriver::WaitPage(int templateId)
{
    return Add(Kind::WaitPage, "wait for page " + std::to_string(templateId), templateId);
}

DialogDriver& DialogDriver::WaitEnabled(int controlId)
{
    return Add(Kind::WaitEnabled, "wait until control " + std::to_string(controlId) + " is enabled",
               controlId);
}

DialogDriver& DialogDriver::WaitClosed()
{
    return Add(Kind::WaitClosed, "wait until the window closes", 0);
}

DialogDriver& DialogDriver::ReadText(int controlId, const std::string& key)
{
    return Add(Kind::ReadText, "read control " + std::to_string(controlId) + " as " + Quoted(key),
               controlId, key);
}

DialogDriver& DialogDriver::ExpectText(int controlId, const std::string& text)
{
    return Add(Kind::ExpectText, "expect control " + std::to_string(controlId) + " to read " + Quoted(text),
               controlId, text);
}

DialogDriver& DialogDriver::ExpectChecked(int controlId, UINT state)
{
    return Add(Kind::ExpectChecked, "expect control " + std::to_string(controlId) + " in check state " +
               std::to_string(state), controlId, "", static_cast<int>(state));
}

DialogDriver& DialogDriver::ExpectEnabled(int controlId, bool enabled)
{
    return Add(Kind::ExpectEnabled, "expect control " + std::to_string(controlId) +
               (enabled ? " enabled" : " disabled"), controlId, "", enabled);
}

DialogDriver& DialogDriver::ExpectVisible(int controlId, bool visible)
{
    return Add(Kind::ExpectVisible, "expect control " + std::to_string(controlId) +
               (visible ? " visible" : " hidden"), controlId, "", visible);
}

DialogDriver& DialogDriver::Type(int controlId, const std::string& text)
{
    return Add(Kind::Type, "type " + Quoted(text) + " into control " + std::to_string(controlId),
               controlId, text);
}

DialogDriver& DialogDriver::Tick(int controlId, bool checked)
{
    return Add(Kind::Tick, std::string(checked ? "tick" : "untick") + " control " + std::to_string(controlId),
               controlId, "", checked);
}

DialogDriver& DialogDriver::Pick(int controlId, const std::string& itemText)
{
    return Add(Kind::Pick, "pick " + Quoted(itemText) + " in control " + std::to_string(controlId),
               controlId, itemText);
}

DialogDriver& DialogDriver::Press(int controlId)
{
    return Add(Kind::Press, "press button " + std::to_string(controlId), controlId);
}

DialogDriver& DialogDriver::PressSheetButton(int psbtn)
{
    const char* name = SheetButtonName(psbtn);
    return Add(Kind::PressSheetButton, std::string("press the sheet's ") + (name ? name : "unknown") +
               " button", psbtn);
}

DialogDriver& DialogDriver::AnswerMessageBox(int buttonId)
{
    return Add(Kind::AnswerMessageBox, "answer a message box with button " + std::to_string(buttonId),
               buttonId);
}

DialogDriver& DialogDriver::Screenshot(const std::string& label)
{
    return Add(Kind::Screenshot, "take screenshot " + Quoted(label), 0, label);
}

DialogDriver& DialogDriver::Do(const std::string& description, std::function<bool(HWND)> action)
{
    Add(Kind::Do, description, 0);
    if (!armed_)
        steps_.back().action = std::move(action);
    return *this;
}

std::string DialogDriver::Text(const std::string& key) const
{
    auto found = texts_.find(key);
    return found == texts_.end() ? std::string() : found->second;
}

void DialogDriver::Arm()
{
    if (armed_ || activeDriver != nullptr) {
        ADD_FAILURE() << "DialogDriver " << name_ << ": a driver already runs on this thread";
        return;
    }
    if (next_ != 0) {
        ADD_FAILURE() << "DialogDriver " << name_ << ": a driver runs its script once";
        return;
    }
    // Templates are read now, so the template module may be set at any time
    // before. A page needs its template only when the sheet cannot name it.
    for (Step& step : steps_) {
        std::string ignored;
        if (step.kind == Kind::WaitDialog)
            TemplateControlIds(templateModule_, step.id, &step.templateControls, &step.problem);
        else if (step.kind == Kind::WaitPage)
            TemplateControlIds(templateModule_, step.id, &step.templateControls, &ignored);
    }
    // Should the watchdog have to end the process, what the test printed so
    // far (its name, above all) is not lost in a buffer.
    fflush(stdout);
    armed_ = true;
    activeDriver = this;
    stepStarted_ = GetTickCount();
    returned_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (returned_ != NULL)
        watchdog_ = CreateThread(NULL, 0, WatchdogThread, this, 0, NULL);
    if (watchdog_ == NULL)
        ADD_FAILURE() << "DialogDriver " << name_ << ": cannot start the watchdog (error "
                      << GetLastError() << ")";
    timer_ = SetTimer(NULL, 0, kTickMilliseconds, OnTimer);
    if (timer_ == 0)
        ADD_FAILURE() << "DialogDriver " << name_ << ": SetTimer failed (error " << GetLastError() << ")";
}

void DialogDriver::Disarm()
{
    if (!armed_)
        return;
    if (timer_ != 0)
        KillTimer(NULL, timer_);
    timer_ = 0;
    if (returned_ != NULL)
        SetEvent(returned_);
    if (watchdog_ != NULL) {
        WaitForSingleObject(watchdog_, INFINITE);
        CloseHandle(watchdog_);
        watchdog_ = NULL;
    }
    if (returned_ != NULL) {
        CloseHandle(returned_);
        returned_ = NULL;
    }
    activeDriver = nullptr;
    armed_ = false;

    // A modal loop that met the driver's WM_QUIT posts it again for the loop
    // outside it; there is none here.
    MSG message;
    while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }

    // A sheet gone with its last button needs no more ticks to be closed.
    while (next_ < steps_.size() && steps_[next_].kind == Kind::WaitClosed && window_ != NULL &&
           (!IsWindow(window_) || !IsWindowVisible(window_)))
        ++next_;
    // Once closing, the failure that started it has been reported.
    if (!closing_ && next_ < steps_.size())
        Fail(&steps_[next_], "the modal call returned before this step ran");
}

void CALLBACK DialogDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeDriver != nullptr)
        activeDriver->OnTick();
}

DWORD WINAPI DialogDriver::WatchdogThread(LPVOID self)
{
    DialogDriver* driver = static_cast<DialogDriver*>(self);
    if (WaitForSingleObject(driver->returned_, driver->hardLimit_) != WAIT_TIMEOUT)
        return 0;
    // The script does not change while the driver is armed: reading it from
    // here is safe.
    size_t next = driver->next_;
    std::string step = next < driver->steps_.size()
        ? "step " + std::to_string(next + 1) + " (" + driver->steps_[next].description + ")"
        : "after the last step";
    std::string message = "DialogDriver " + driver->name_ + ": the modal call has not returned within " +
                          std::to_string(driver->hardLimit_) + " ms, " + step +
                          "; ending the process\n";
    // Straight to the handle: the test's thread may hold the C library's locks.
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message.data(), static_cast<DWORD>(message.size()),
              &written, NULL);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

void DialogDriver::Fail(const Step* step, const std::string& message)
{
    failed_ = true;
    if (step != nullptr) {
        size_t number = static_cast<size_t>(step - steps_.data()) + 1;
        ADD_FAILURE() << "DialogDriver " << name_ << ": step " << number << " of " << steps_.size()
                      << " (" << step->description << "): " << message;
    } else {
        ADD_FAILURE() << "DialogDriver " << name_ << ": after the last step: " << message;
    }
}

void DialogDriver::StartClosing()
{
    if (closing_)
        return;
    closing_ = true;
    closingStarted_ = GetTickCount();
    CloseSome();
}

// Asks the windows that accept input (the innermost modal ones) to close;
// whatever is still open a second later gets WM_QUIT, which ends every modal
// loop on the thread.
void DialogDriver::CloseSome()
{
    if (quitPosted_)
        return;
    std::vector<HWND> dialogs = ThreadDialogs();
    if (dialogs.empty() || GetTickCount() - closingStarted_ >= kQuitAfterMilliseconds) {
        PostQuitMessage(0);
        quitPosted_ = true;
        return;
    }
    for (HWND dialog : dialogs) {
        if (!IsWindow(dialog) || !IsWindowEnabled(dialog))
            continue;
        if (IsSheet(dialog))
            SendMessageA(dialog, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        else
            EndDialog(dialog, IDCANCEL);
    }
}

void DialogDriver::OnTick()
{
    if (closing_) {
        CloseSome();
        return;
    }
    DWORD now = GetTickCount();
    size_t index = next_;
    if (index >= steps_.size()) {
        if (now - stepStarted_ >= stepDeadline_) {
            Fail(nullptr, "the modal call has not returned " + std::to_string(stepDeadline_) +
                          " ms after the last step; " + DescribeOpenWindows());
            StartClosing();
        }
        return;
    }
    Step& step = steps_[index];
    waitingFor_.clear();
    Outcome outcome = Perform(step);
    if (outcome == Outcome::Done) {
        if (next_ == index) {
            next_ = index + 1;
            stepStarted_ = GetTickCount();
        }
    } else if (outcome == Outcome::Stop) {
        StartClosing();
    } else if (now - stepStarted_ >= stepDeadline_ && next_ == index && !closing_) {
        Fail(&step, "not done within " + std::to_string(stepDeadline_) + " ms: " + waitingFor_);
        StartClosing();
    }
}

HWND DialogDriver::ControlOf(int controlId)
{
    if (windowIsSheet_) {
        HWND page = reinterpret_cast<HWND>(SendMessageA(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND control = page != NULL ? GetDlgItem(page, controlId) : NULL;
        if (control != NULL)
            return control;
    }
    return GetDlgItem(window_, controlId);
}

// The window last waited for must still be there and accept input (nothing
// modal over it), and hold the control.
DialogDriver::Outcome DialogDriver::NeedControl(int controlId, HWND* control)
{
    *control = NULL;
    const Step& step = steps_[next_];
    if (window_ == NULL) {
        Fail(&step, "no dialog or page was waited for before this step");
        return Outcome::Stop;
    }
    if (!IsWindow(window_) || !IsWindowVisible(window_)) {
        Fail(&step, "the window waited for has closed; " + DescribeOpenWindows());
        return Outcome::Stop;
    }
    if (!IsWindowEnabled(window_)) {
        waitingFor_ = Quoted(WindowText(window_)) + " does not accept input; " + DescribeOpenWindows();
        return Outcome::Wait;
    }
    *control = ControlOf(controlId);
    if (*control == NULL) {
        waitingFor_ = "no control " + std::to_string(controlId) + " in " + Describe(window_);
        return Outcome::Wait;
    }
    return Outcome::Done;
}
