// The dialog driver's steps, each tried on a tick until it is done, fails or
// must wait for the next one.
#include "DialogDriver.h"

#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <string.h>

#include "DriverInternals.h"

using namespace driver_internal;


DialogDriver::Outcome DialogDriver::Perform(Step& step)
{
    if (!step.problem.empty()) {
        Fail(&step, step.problem);
        return Outcome::Stop;
    }
    HWND control = NULL;
    Outcome ready;
    switch (step.kind) {
    case Kind::WaitDialog:
    case Kind::WaitCaption:
        return WaitForDialog(step);
    case Kind::WaitPage:
        return WaitForPage(step);
    case Kind::WaitClosed:
        if (window_ == NULL) {
            Fail(&step, "no dialog or page was waited for before this step");
            return Outcome::Stop;
        }
        if (!IsWindow(window_) || !IsWindowVisible(window_))
            return Outcome::Done;
        waitingFor_ = Describe(window_) + " is still open";
        return Outcome::Wait;
    case Kind::PressSheetButton:
        return PressSheet(step);
    case Kind::AnswerMessageBox:
        return Answer(step);
    case Kind::Screenshot:
        return TakeScreenshot(step);
    case Kind::Do:
        if (step.action && step.action(window_))
            return Outcome::Done;
        waitingFor_ = "the step's own condition";
        return Outcome::Wait;
    case Kind::Type:
        return TypeText(step);
    case Kind::Pick:
        return PickItem(step);
    default:
        break;
    }

    ready = NeedControl(step.id, &control);
    if (ready != Outcome::Done)
        return ready;
    switch (step.kind) {
    case Kind::WaitEnabled:
        if (IsWindowEnabled(control) && IsWindowVisible(control))
            return Outcome::Done;
        waitingFor_ = "control " + std::to_string(step.id) + " is " +
                      (IsWindowVisible(control) ? "disabled" : "hidden");
        return Outcome::Wait;
    case Kind::ReadText:
        if (ClassOf(control) == "ListBox") {
            LRESULT selected = SendMessageA(control, LB_GETCURSEL, 0, 0);
            LRESULT length = selected == LB_ERR ? LB_ERR : SendMessageA(control, LB_GETTEXTLEN, selected, 0);
            std::string text;
            if (length != LB_ERR) {
                std::vector<char> buffer(static_cast<size_t>(length) + 1);
                LRESULT copied = SendMessageA(control, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(buffer.data()));
                if (copied != LB_ERR && copied <= length)
                    text.assign(buffer.data(), static_cast<size_t>(copied));
            }
            texts_[step.text] = text;
        } else {
            texts_[step.text] = WindowText(control);
        }
        return Outcome::Done;
    case Kind::ExpectText: {
        std::string actual = WindowText(control);
        if (actual != step.text)
            Fail(&step, "the control reads " + Quoted(actual));
        return Outcome::Done;
    }
    case Kind::ExpectChecked: {
        LRESULT state = SendMessageA(control, BM_GETCHECK, 0, 0);
        if (state != step.value)
            Fail(&step, "its check state is " + std::to_string(state));
        return Outcome::Done;
    }
    case Kind::ExpectEnabled:
        if ((IsWindowEnabled(control) != FALSE) != (step.value != 0))
            Fail(&step, std::string("the control is ") + (step.value ? "disabled" : "enabled"));
        return Outcome::Done;
    case Kind::ExpectVisible:
        if ((IsWindowVisible(control) != FALSE) != (step.value != 0))
            Fail(&step, std::string("the control is ") + (step.value ? "hidden" : "visible"));
        return Outcome::Done;
    case Kind::Tick: {
        if (ClassOf(control) != "Button") {
            Fail(&step, "control is a " + ClassOf(control) + ", not a check box");
            return Outcome::Stop;
        }
        LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        if (!radio && type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_3STATE &&
            type != BS_AUTO3STATE) {
            Fail(&step, "the button is neither a check box nor a radio button");
            return Outcome::Stop;
        }
        LRESULT wanted = step.value ? BST_CHECKED : BST_UNCHECKED;
        if (SendMessageA(control, BM_GETCHECK, 0, 0) == wanted)
            return Outcome::Done;
        if (radio && !step.value) {
            Fail(&step, "a click cannot untick a radio button");
            return Outcome::Stop;
        }
        if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
            Fail(&step, std::string("the box is ") + (IsWindowVisible(control) ? "disabled" : "hidden") +
                        "; not clicked");
            return Outcome::Stop;
        }
        next_ = next_ + 1;
        stepStarted_ = GetTickCount();
        // A three-state box passes through "indeterminate": up to three clicks.
        for (int click = 0; click < 3 && IsWindow(control); ++click) {
            SendMessageA(control, BM_CLICK, 0, 0);
            if (!IsWindow(control) || SendMessageA(control, BM_GETCHECK, 0, 0) == wanted ||
                (type != BS_3STATE && type != BS_AUTO3STATE))
                break;
        }
        return Outcome::Done;
    }
    case Kind::Press:
        if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
            Fail(&step, std::string("the button is ") + (IsWindowVisible(control) ? "disabled" : "hidden") +
                        "; not pressed");
            return Outcome::Stop;
        }
        next_ = next_ + 1;
        stepStarted_ = GetTickCount();
        SendMessageA(control, BM_CLICK, 0, 0);
        return Outcome::Done;
    default:
        Fail(&step, "unknown step");
        return Outcome::Stop;
    }
}

DialogDriver::Outcome DialogDriver::WaitForDialog(const Step& step)
{
    HWND found = NULL;
    for (HWND dialog : ThreadDialogs()) {
        // A template of a few buttons could otherwise match a sheet or a message box.
        bool match = step.kind == Kind::WaitCaption
            ? WindowText(dialog) == step.text
            : !IsSheet(dialog) && !IsMessageBox(dialog) && HasControls(dialog, step.templateControls);
        // The innermost match, if several: the one accepting input.
        if (match && (found == NULL || IsWindowEnabled(dialog)))
            found = dialog;
    }
    if (found == NULL) {
        waitingFor_ = step.kind == Kind::WaitCaption
            ? "no dialog captioned " + Quoted(step.text) + "; " + DescribeOpenWindows()
            : "no dialog with the controls of template " + std::to_string(step.id) + "; " +
              DescribeOpenWindows();
        return Outcome::Wait;
    }
    window_ = found;
    windowIsSheet_ = IsSheet(found);
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::WaitForPage(const Step& step)
{
    for (HWND dialog : ThreadDialogs()) {
        if (!IsSheet(dialog))
            continue;
        HWND page = reinterpret_cast<HWND>(SendMessageA(dialog, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (page == NULL)
            continue;
        LRESULT wanted = SendMessageA(dialog, PSM_IDTOINDEX, 0, step.id);
        bool match = wanted >= 0
            ? SendMessageA(dialog, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0) == wanted
            : HasControls(page, step.templateControls);
        if (match) {
            // A page leaves what it does not handle to the dialog manager,
            // which answers WM_GETFONT with the page's font.
            if (SendMessageA(page, WM_GETFONT, 0, 0) == 0) {
                Fail(&step, "page " + std::to_string(step.id) + " does not answer WM_GETFONT with its font");
                return Outcome::Stop;
            }
            window_ = dialog;
            windowIsSheet_ = true;
            return Outcome::Done;
        }
    }
    waitingFor_ = "no sheet shows page " + std::to_string(step.id) + "; " + DescribeOpenWindows();
    return Outcome::Wait;
}

DialogDriver::Outcome DialogDriver::PressSheet(const Step& step)
{
    int buttonId = SheetButtonControl(step.id);
    if (buttonId == 0) {
        Fail(&step, "no such sheet button " + std::to_string(step.id));
        return Outcome::Stop;
    }
    if (window_ == NULL || !windowIsSheet_) {
        Fail(&step, "no property sheet was waited for before this step");
        return Outcome::Stop;
    }
    if (!IsWindow(window_) || !IsWindowVisible(window_)) {
        Fail(&step, "the sheet has closed; " + DescribeOpenWindows());
        return Outcome::Stop;
    }
    if (!IsWindowEnabled(window_)) {
        waitingFor_ = "the sheet does not accept input; " + DescribeOpenWindows();
        return Outcome::Wait;
    }
    // PSM_PRESSBUTTON presses a hidden or disabled button as readily as any.
    HWND button = GetDlgItem(window_, buttonId);
    if (button == NULL || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        Fail(&step, std::string("the button is ") +
                    (button == NULL ? "missing" : !IsWindowVisible(button) ? "hidden" : "disabled") +
                    " on " + Describe(window_) + "; not pressed");
        return Outcome::Stop;
    }
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    SendMessageA(window_, PSM_PRESSBUTTON, static_cast<WPARAM>(step.id), 0);
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::Answer(const Step& step)
{
    HWND box = NULL;
    for (HWND dialog : ThreadDialogs()) {
        if (IsWindowEnabled(dialog) && IsMessageBox(dialog))
            box = dialog;
    }
    if (box == NULL) {
        waitingFor_ = "no message box; " + DescribeOpenWindows();
        return Outcome::Wait;
    }
    MessageBoxSeen seen{WindowText(box), WindowText(GetDlgItem(box, kMessageBoxText)), step.id};
    HWND button = GetDlgItem(box, step.id);
    if (button == NULL || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        seen.button = 0;
        messageBoxes_.push_back(seen);
        Fail(&step, "the message box " + Describe(box) + " has no usable button " +
                    std::to_string(step.id) + "; not answered");
        return Outcome::Stop;
    }
    messageBoxes_.push_back(seen);
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    SendMessageA(button, BM_CLICK, 0, 0);
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::TypeText(const Step& step)
{
    HWND control = NULL;
    Outcome ready = NeedControl(step.id, &control);
    if (ready != Outcome::Done)
        return ready;
    HWND edit = control;
    if (ClassOf(control) == "ComboBox") {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof(info);
        edit = GetComboBoxInfo(control, &info) ? info.hwndItem : NULL;
    }
    if (edit == NULL || ClassOf(edit) != "Edit") {
        Fail(&step, "control is a " + ClassOf(control) + ", neither an edit nor an editable combo box");
        return Outcome::Stop;
    }
    if (!IsWindowVisible(control) || !IsWindowEnabled(control) ||
        (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY)) {
        Fail(&step, std::string("the control is ") +
                    (!IsWindowVisible(control) ? "hidden" : !IsWindowEnabled(control) ? "disabled" : "read-only") +
                    "; nothing typed");
        return Outcome::Stop;
    }
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    // Select everything and rub it out, then type key by key: the control
    // notifies its parent of each change and keeps to its text limit.
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    // As characters, not bytes: an ANSI WM_CHAR is read in the keyboard's
    // code page, which need not be the one the text is written in (a
    // double-byte character sent byte by byte arrives as two others).
    int length = MultiByteToWideChar(CP_ACP, 0, step.text.data(), static_cast<int>(step.text.size()), NULL, 0);
    std::wstring characters(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, step.text.data(), static_cast<int>(step.text.size()), &characters[0], length);
    for (wchar_t c : characters) {
        if (!IsWindow(edit))
            break;
        SendMessageW(edit, WM_CHAR, c, 1);
    }
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::PickItem(const Step& step)
{
    HWND control = NULL;
    Outcome ready = NeedControl(step.id, &control);
    if (ready != Outcome::Done)
        return ready;
    std::string kind = ClassOf(control);
    bool list = kind == "ListBox";
    if (!list && kind != "ComboBox") {
        Fail(&step, "control is a " + kind + ", neither a list box nor a combo box");
        return Outcome::Stop;
    }
    if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
        Fail(&step, std::string("the control is ") + (IsWindowVisible(control) ? "disabled" : "hidden") +
                    "; nothing picked");
        return Outcome::Stop;
    }
    UINT getCount = list ? LB_GETCOUNT : CB_GETCOUNT;
    UINT getLength = list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
    UINT getText = list ? LB_GETTEXT : CB_GETLBTEXT;
    LRESULT count = SendMessageA(control, getCount, 0, 0);
    LRESULT found = -1;
    for (LRESULT i = 0; i < count && found < 0; ++i) {
        LRESULT length = SendMessageA(control, getLength, i, 0);
        if (length < 0 || static_cast<size_t>(length) != step.text.size())
            continue;
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        LRESULT copied = SendMessageA(control, getText, i, reinterpret_cast<LPARAM>(buffer.data()));
        if (copied == length && step.text.compare(0, std::string::npos, buffer.data(), copied) == 0)
            found = i;
    }
    if (found < 0) {
        Fail(&step, "no item reads exactly " + Quoted(step.text) + " among its " +
                    std::to_string(count < 0 ? 0 : count) + " items");
        return Outcome::Stop;
    }
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    HWND parent = GetParent(control);
    WPARAM id = static_cast<WPARAM>(GetDlgCtrlID(control)) & 0xFFFF;
    if (list) {
        LONG style = GetWindowLongA(control, GWL_STYLE);
        if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
            SendMessageA(control, LB_SETSEL, FALSE, -1);
            SendMessageA(control, LB_SETSEL, TRUE, found);
            SendMessageA(control, LB_SETCARETINDEX, found, FALSE);
        } else {
            SendMessageA(control, LB_SETCURSEL, found, 0);
        }
        // A list box tells its parent of a pick only when asked to.
        if (style & LBS_NOTIFY)
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    } else {
        SendMessageA(control, CB_SETCURSEL, found, 0);
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    }
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::TakeScreenshot(const Step& step)
{
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    std::string directory = ScreenshotDirectory();
    CreateDirectoryA(directory.c_str(), NULL);
    if (!screenshotFolder_.empty()) {
        directory += "\\" + screenshotFolder_;
        CreateDirectoryA(directory.c_str(), NULL);
    }
    std::string path = directory + "\\" + FileNamePart(name_) + "-" + FileNamePart(step.text) + ".png";
    std::string error;
    if (CaptureWindows(path, &error))
        screenshots_.push_back(path);
    else
        Fail(&step, error);
    return Outcome::Done;
}
