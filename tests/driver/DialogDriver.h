// Drives the modal dialogs, property sheets and message boxes that code under
// test opens, from inside the test, on the test's own thread.
//
// A test writes a script of steps, then makes the blocking call through
// Run(). Run arms a thread timer; the modal loop of whatever window is open
// dispatches it, and each tick performs at most one step once that step can
// act (its window is there and accepts input). Steps that check something
// record a failure and go on; steps that cannot act (a disabled or hidden
// button, a missing list item) record a failure naming the step and stop the
// script. Either way the driver then closes what is still open, so the
// blocking call returns and the test goes on. Checks of results belong after
// Run returns. A driver runs its script once; one driver at a time per thread.
// A test program links dialog_driver (phonebk_test(... X11 ... LIBS
// dialog_driver)): the dialogs need the real display.
//
//     DialogDriver driver;                      // named after the running test
//     driver.WaitPage(IDD_WIZ_NAME)
//           .Type(IDC_NAME, "Office")
//           .PressSheetButton(PSBTN_NEXT)
//           .WaitPage(IDD_WIZ_NUMBER)
//           .ReadText(IDC_NUMBER, "number")
//           .Screenshot("number-page")
//           .PressSheetButton(PSBTN_FINISH)     // fails, unpressed, if Finish is disabled
//           .WaitClosed();
//     INT_PTR result = driver.Run([&] { return PropertySheetA(&header); });
//     EXPECT_EQ(1, result);
//     EXPECT_EQ("555 0100", driver.Text("number"));
//
// How windows are found: only this thread's visible top-level "#32770"
// windows count (EnumThreadWindows), never the active window, so programs
// running side by side on one display do not disturb each other.
//  - WaitDialog(id) recognises a dialog by its template: every control of
//    template `id` (in the template module, the program by default) that has
//    an id of its own must exist in the window. Two templates with the same
//    control ids cannot be told apart; use WaitDialogCaption for those.
//  - WaitPage(id) finds a property sheet (it has the tab control 0x3020, also
//    in wizards) whose current page is the page of template `id`, as the sheet
//    itself says (PSM_IDTOINDEX against PSM_HWNDTOINDEX of the current page).
//    For pages the sheet does not know by id (built from a template in
//    memory) it falls back to the template's controls.
//  - Control steps after a WaitPage address the sheet's current page, then
//    the sheet itself; after a WaitDialog, that dialog.
// A step that addresses a window waits while the window is disabled, that is
// while a message box or another modal window is open over it.
//
// Input is delivered through the controls themselves, as a user's would be:
// typing sends WM_CHAR per character to the edit (or to a combo box's edit),
// so the control sends EN_UPDATE/EN_CHANGE or CBN_EDITUPDATE/CBN_EDITCHANGE
// itself and its text limit applies; ticking and pressing use BM_CLICK;
// picking selects the item and sends the parent the LBN_SELCHANGE (list boxes
// with LBS_NOTIFY) or CBN_SELCHANGE a user's pick would.
//
// Time limits: every step has a deadline (StepDeadline, 3 s by default)
// counted from when the step before it finished; after the last step the
// blocking call must return within one more deadline. Past a deadline the
// driver records a failure naming the step and what it was waiting for, then
// closes what is open: Cancel on a sheet, EndDialog on a dialog or message
// box, and a second later WM_QUIT (drained after the call returns). A
// watchdog thread ends the whole process, with a message on stderr, when the
// blocking call has not returned within HardLimit (30 s by default), so no
// test can hang CTest even if the code under test stops dispatching messages.
//
// Screenshots: this thread's visible windows, each copied from its own window
// DC and laid out at its screen position, written as a PNG to
// ScreenshotDirectory()/<test>-<label>.png (a label used again overwrites
// its file); with no window of the thread visible, the whole screen. Copying
// from the windows rather than from the screen keeps the windows of other
// test programs sharing the display out of the picture.
#ifndef PHONEBK_DIALOGDRIVER_H
#define PHONEBK_DIALOGDRIVER_H

#include <windows.h>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

class DialogDriver
{
public:
    // The name prefixes failure messages and screenshot files; by default the
    // running test's "Suite.Test".
    DialogDriver();
    explicit DialogDriver(const std::string& name);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    void SetStepDeadline(DWORD milliseconds) { stepDeadline_ = milliseconds; }
    void SetHardLimit(DWORD milliseconds) { hardLimit_ = milliseconds; }
    // Where WaitDialog and the WaitPage fallback read dialog templates (when
    // Run starts), the program by default; for the library's own dialogs,
    // the module of PhoneBk.dll.
    void SetTemplateModule(HMODULE module) { templateModule_ = module; }
    // Screenshots go to a folder of that name below ScreenshotDirectory().
    void SetScreenshotFolder(const std::string& folder) { screenshotFolder_ = folder; }

    // The script, in order.
    DialogDriver& WaitDialog(int templateId);
    DialogDriver& WaitDialogCaption(const std::string& caption);
    DialogDriver& WaitPage(int templateId);
    DialogDriver& WaitEnabled(int controlId);
    // Until the dialog or sheet last waited for is gone.
    DialogDriver& WaitClosed();
    // Stores the control's text under key (a list box: its selected item).
    DialogDriver& ReadText(int controlId, const std::string& key);
    DialogDriver& ExpectText(int controlId, const std::string& text);
    DialogDriver& ExpectChecked(int controlId, UINT state);   // BST_CHECKED, ...
    DialogDriver& ExpectEnabled(int controlId, bool enabled);
    DialogDriver& ExpectVisible(int controlId, bool visible);
    // Replaces the text of an edit or of an editable combo box.
    DialogDriver& Type(int controlId, const std::string& text);
    // Clicks a check box or radio button unless it already is as wanted.
    DialogDriver& Tick(int controlId, bool checked = true);
    // Selects the item whose text is exactly itemText.
    DialogDriver& Pick(int controlId, const std::string& itemText);
    DialogDriver& Press(int controlId);
    // PSBTN_BACK, _NEXT, _FINISH, _OK, _APPLYNOW, _CANCEL or _HELP, pressed
    // only if the sheet shows that button enabled.
    DialogDriver& PressSheetButton(int psbtn);
    // Waits for a message box, records its caption and text, and presses
    // the button (IDOK, IDYES, ...).
    DialogDriver& AnswerMessageBox(int buttonId);
    DialogDriver& Screenshot(const std::string& label);
    // Anything else, run in the modal loop: called on each tick with the
    // window last waited for until it answers true.
    DialogDriver& Do(const std::string& description, std::function<bool(HWND)> action);

    // Arms the driver, makes the blocking call, disarms, drains a stray
    // WM_QUIT, and reports steps the call returned before. Returns what the
    // call returned.
    template <class Call>
    auto Run(Call&& blockingCall) -> decltype(blockingCall())
    {
        struct Disarmer {
            DialogDriver* driver;
            ~Disarmer() { driver->Disarm(); }
        } disarmer{this};
        Arm();
        return blockingCall();
    }

    // What the steps saw.
    struct MessageBoxSeen {
        std::string caption;
        std::string text;
        int button;
    };
    std::string Text(const std::string& key) const;
    const std::vector<MessageBoxSeen>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<std::string>& ScreenshotFiles() const { return screenshots_; }
    size_t StepsDone() const { return next_; }
    bool Finished() const { return next_ == steps_.size(); }
    bool Failed() const { return failed_; }

    // The folder screenshots go to, in the build tree (a Windows path).
    static std::string ScreenshotDirectory();

private:
    enum class Kind {
        WaitDialog, WaitCaption, WaitPage, WaitEnabled, WaitClosed, ReadText, ExpectText,
        ExpectChecked, ExpectEnabled, ExpectVisible, Type, Tick, Pick, Press, PressSheetButton,
        AnswerMessageBox, Screenshot, Do
    };
    struct Step {
        Kind kind;
        std::string description;
        int id;
        std::string text;
        int value;
        std::vector<int> templateControls;
        std::string problem;   // why the step cannot run, found before it runs
        std::function<bool(HWND)> action;
    };
    enum class Outcome { Wait, Done, Stop };

    DialogDriver& Add(Kind kind, std::string description, int id, std::string text = "",
                      int value = 0);
    void Arm();
    void Disarm();
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    static DWORD WINAPI WatchdogThread(LPVOID self);
    void OnTick();
    Outcome Perform(Step& step);
    void Fail(const Step* step, const std::string& message);
    void StartClosing();
    void CloseSome();

    HWND ControlOf(int controlId);
    Outcome NeedControl(int controlId, HWND* control);
    Outcome WaitForDialog(const Step& step);
    Outcome WaitForPage(const Step& step);
    Outcome PressSheet(const Step& step);
    Outcome Answer(const Step& step);
    Outcome TypeText(const Step& step);
    Outcome PickItem(const Step& step);
    Outcome TakeScreenshot(const Step& step);

    std::string name_;
    std::string screenshotFolder_;
    DWORD stepDeadline_ = 3000;
    DWORD hardLimit_ = 30000;
    HMODULE templateModule_;
    std::vector<Step> steps_;
    std::atomic<size_t> next_{0};
    bool armed_ = false;
    bool failed_ = false;
    bool closing_ = false;
    bool quitPosted_ = false;
    DWORD stepStarted_ = 0;
    DWORD closingStarted_ = 0;
    std::string waitingFor_;
    UINT_PTR timer_ = 0;
    HANDLE watchdog_ = NULL;
    HANDLE returned_ = NULL;
    HWND window_ = NULL;      // the dialog or sheet last waited for
    bool windowIsSheet_ = false;
    std::map<std::string, std::string> texts_;
    std::vector<MessageBoxSeen> messageBoxes_;
    std::vector<std::string> screenshots_;
};

#endif
