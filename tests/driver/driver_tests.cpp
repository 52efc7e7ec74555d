// The dialog test driver on small dialogs of its own: input delivered as a
// user's, the refusals (a disabled or hidden button is never pressed), message
// boxes, the watchdog and screenshots.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "DialogDriver.h"
#include "DriverTestIds.h"
#include "TestSupport.h"

namespace {

// ---- The controls dialog: records every WM_COMMAND and, on OK, the values.

struct ControlsLog {
    std::vector<std::pair<int, int>> commands;   // control id, notification
    std::string name, city, kind, listItem;
    UINT box = 0, tri = 0;
    bool radioB = false;
    int answer = 0;

    int Count(int id, int code) const
    {
        return static_cast<int>(std::count(commands.begin(), commands.end(), std::make_pair(id, code)));
    }
};

std::string ItemText(HWND dialog, int id)
{
    char text[256];
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

void FillControls(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_NAME, "Home");
    SendDlgItemMessageA(dialog, IDC_NAME, EM_LIMITTEXT, 8, 0);
    for (const char* city : {"Berlin", "Paris"})
        SendDlgItemMessageA(dialog, IDC_CITY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(city));
    SendDlgItemMessageA(dialog, IDC_CITY, CB_SETCURSEL, 0, 0);
    for (const char* kind : {"Modem", "ISDN"})
        SendDlgItemMessageA(dialog, IDC_KIND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kind));
    for (const char* item : {"one", "two", "three"})
        SendDlgItemMessageA(dialog, IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    CheckDlgButton(dialog, IDC_TRI, BST_INDETERMINATE);
    CheckRadioButton(dialog, IDC_RADIO_A, IDC_RADIO_B, IDC_RADIO_A);
    SetDlgItemTextA(dialog, IDC_READONLY, "fixed");
}

void StoreControls(HWND dialog, ControlsLog* log)
{
    log->name = ItemText(dialog, IDC_NAME);
    log->city = ItemText(dialog, IDC_CITY);
    log->kind = ItemText(dialog, IDC_KIND);
    HWND list = GetDlgItem(dialog, IDC_LIST);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    char item[64] = "";
    if (selected != LB_ERR && SendMessageA(list, LB_GETTEXTLEN, selected, 0) < static_cast<LRESULT>(sizeof(item)))
        SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(item));
    log->listItem = item;
    log->box = IsDlgButtonChecked(dialog, IDC_BOX);
    log->tri = IsDlgButtonChecked(dialog, IDC_TRI);
    log->radioB = IsDlgButtonChecked(dialog, IDC_RADIO_B) == BST_CHECKED;
}

INT_PTR CALLBACK ControlsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ControlsLog* log = reinterpret_cast<ControlsLog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        // Filling sends notifications of its own: they are not the script's.
        FillControls(dialog);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    case WM_COMMAND:
        if (log == nullptr)
            return FALSE;
        log->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        if (LOWORD(wParam) == IDC_ASK && HIWORD(wParam) == BN_CLICKED) {
            log->answer = MessageBoxA(dialog, "Save the changes?", "Driver controls",
                                      MB_YESNOCANCEL | MB_ICONQUESTION);
        } else if (LOWORD(wParam) == IDOK) {
            StoreControls(dialog, log);
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR ShowControls(ControlsLog* log)
{
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_CONTROLS), NULL, ControlsProc,
                           reinterpret_cast<LPARAM>(log));
}

INT_PTR CALLBACK OtherProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        *reinterpret_cast<std::string*>(GetWindowLongPtrA(dialog, DWLP_USER)) = ItemText(dialog, IDC_OTHER);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR ShowOther(std::string* text)
{
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_OTHER), NULL, OtherProc,
                           reinterpret_cast<LPARAM>(text));
}

// A bare message loop that shows nothing, as code waiting for a window that
// never comes would run.
int PumpUntilQuit()
{
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

bool QuitPending()
{
    MSG message;
    return PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

// ---- A wizard of two pages and a Properties sheet of one.

// comctl32 steps through the page array by each page's dwSize, so the array
// is of a page structure exactly as large as the dwSize it states.
struct Page48 {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    LPCSTR pszTemplate;
    HICON hIcon;
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
    LPCSTR pszHeaderTitle;
    LPCSTR pszHeaderSubTitle;
};
static_assert(sizeof(Page48) == 48, "the page structure must match its dwSize");

struct SheetLog {
    bool refuseCancel = false;
    std::vector<std::string> notifications;   // "page:NAME"
    std::string nameAtNext;

    bool Saw(const std::string& entry) const
    {
        return std::find(notifications.begin(), notifications.end(), entry) != notifications.end();
    }
};

const char* NotificationName(UINT code, LPARAM lParam)
{
    switch (code) {
    case PSN_SETACTIVE: return "SETACTIVE";
    case PSN_KILLACTIVE: return "KILLACTIVE";
    case PSN_WIZNEXT: return "WIZNEXT";
    case PSN_WIZBACK: return "WIZBACK";
    case PSN_WIZFINISH: return "WIZFINISH";
    case PSN_QUERYCANCEL: return "QUERYCANCEL";
    case PSN_RESET: return "RESET";
    case PSN_APPLY: return reinterpret_cast<PSHNOTIFY*>(lParam)->lParam ? "APPLY-OK" : "APPLY";
    default: return nullptr;
    }
}

void UpdateConfirmButtons(HWND page)
{
    bool agreed = IsDlgButtonChecked(page, IDC_PAGE_AGREE) == BST_CHECKED;
    PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | (agreed ? PSWIZB_FINISH : PSWIZB_DISABLEDFINISH));
}

// One procedure for the three pages; the template id says which it is.
INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const PROPSHEETPAGEA* descriptor = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        SetWindowLongPtrA(page, DWLP_USER, descriptor->lParam);
        SetPropA(page, "DriverTestPage",
                 reinterpret_cast<HANDLE>(reinterpret_cast<UINT_PTR>(descriptor->pszTemplate)));
        return TRUE;
    }
    SheetLog* log = reinterpret_cast<SheetLog*>(GetWindowLongPtrA(page, DWLP_USER));
    int id = static_cast<int>(reinterpret_cast<UINT_PTR>(GetPropA(page, "DriverTestPage")));
    if (message == WM_DESTROY) {
        RemovePropA(page, "DriverTestPage");
        return FALSE;
    }
    if (log == nullptr)
        return FALSE;
    if (message == WM_COMMAND) {
        if (LOWORD(wParam) == IDC_PAGE_AGREE && HIWORD(wParam) == BN_CLICKED)
            UpdateConfirmButtons(page);
        if (LOWORD(wParam) == IDC_GENERAL_NAME && HIWORD(wParam) == EN_CHANGE)
            PropSheet_Changed(GetParent(page), page);
        return TRUE;
    }
    if (message != WM_NOTIFY)
        return FALSE;
    NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
    if (const char* name = NotificationName(header->code, lParam))
        log->notifications.push_back(std::to_string(id) + ":" + name);
    LONG_PTR result = 0;
    switch (header->code) {
    case PSN_SETACTIVE:
        if (id == IDD_PAGE_NAME)
            PropSheet_SetWizButtons(GetParent(page), PSWIZB_NEXT);
        else if (id == IDD_PAGE_CONFIRM)
            UpdateConfirmButtons(page);
        break;
    case PSN_WIZNEXT:
        log->nameAtNext = ItemText(page, IDC_PAGE_NAME);
        break;
    case PSN_QUERYCANCEL:
        result = log->refuseCancel ? TRUE : FALSE;
        break;
    default:
        break;
    }
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR ShowSheet(SheetLog* log, bool wizard)
{
    const int wizardPages[] = {IDD_PAGE_NAME, IDD_PAGE_CONFIRM};
    const int propertiesPages[] = {IDD_PAGE_GENERAL};
    const int* ids = wizard ? wizardPages : propertiesPages;
    UINT count = wizard ? 2 : 1;
    Page48 pages[2] = {};
    for (UINT i = 0; i < count; ++i) {
        pages[i].dwSize = sizeof(Page48);
        pages[i].hInstance = GetModuleHandleA(NULL);
        pages[i].pszTemplate = MAKEINTRESOURCEA(ids[i]);
        pages[i].pfnDlgProc = PageProc;
        pages[i].lParam = reinterpret_cast<LPARAM>(log);
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | (wizard ? PSH_WIZARD : 0);
    header.hInstance = GetModuleHandleA(NULL);
    header.pszCaption = wizard ? "Driver wizard" : "Driver properties";
    header.nPages = count;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    return PropertySheetA(&header);
}

DWORD Since(DWORD start)
{
    return GetTickCount() - start;
}

}  // namespace

// ---- Input reaches the controls as a user's would.

TEST(DriverInput, TypingReplacesTextKeyByKeyInEditsAndCombos)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Type(IDC_NAME, "Office")
        .Type(IDC_CITY, "Rome")
        .ReadText(IDC_NAME, "name")
        .ReadText(IDC_CITY, "city")
        .ExpectText(IDC_NAME, "Office")
        .Press(IDOK)
        .WaitClosed();
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_TRUE(driver.Finished());
    EXPECT_FALSE(driver.Failed());
    EXPECT_EQ("Office", log.name);
    EXPECT_EQ("Rome", log.city);
    EXPECT_EQ("Office", driver.Text("name"));
    EXPECT_EQ("Rome", driver.Text("city"));
    // One change for rubbing out "Home", one per key.
    EXPECT_EQ(7, log.Count(IDC_NAME, EN_CHANGE));
    // The combo box speaks for its edit: "Berlin" rubbed out, then four keys.
    EXPECT_EQ(5, log.Count(IDC_CITY, CBN_EDITCHANGE));
    EXPECT_EQ(5, log.Count(IDC_CITY, CBN_EDITUPDATE));
}

TEST(DriverInput, TypingKeepsToTheControlsTextLimit)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Type(IDC_NAME, "Dial-up Office").ExpectText(IDC_NAME, "Dial-up ").Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ("Dial-up ", log.name);
}

TEST(DriverInput, TickingClicksOnlyWhenTheStateDiffers)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Tick(IDC_BOX)
        .Tick(IDC_BOX)
        .ExpectChecked(IDC_BOX, BST_CHECKED)
        .Tick(IDC_TRI)                 // indeterminate, through unchecked, to checked
        .Tick(IDC_RADIO_B)
        .ExpectChecked(IDC_RADIO_A, BST_UNCHECKED)
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    EXPECT_EQ(1, log.Count(IDC_BOX, BN_CLICKED));
    EXPECT_EQ(BST_CHECKED, log.box);
    EXPECT_EQ(2, log.Count(IDC_TRI, BN_CLICKED));
    EXPECT_EQ(BST_CHECKED, log.tri);
    EXPECT_TRUE(log.radioB);
}

TEST(DriverInput, UntickingAlsoClicks)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Tick(IDC_BOX).Tick(IDC_BOX, false).Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ(2, log.Count(IDC_BOX, BN_CLICKED));
    EXPECT_EQ(BST_UNCHECKED, log.box);
}

TEST(DriverInput, PickingSelectsTheItemAndNotifiesTheParent)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Pick(IDC_LIST, "two")
        .Pick(IDC_KIND, "ISDN")
        .Pick(IDC_CITY, "Paris")
        .ReadText(IDC_LIST, "list")
        .ReadText(IDC_KIND, "kind")
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    EXPECT_EQ(1, log.Count(IDC_LIST, LBN_SELCHANGE));
    EXPECT_EQ(1, log.Count(IDC_KIND, CBN_SELCHANGE));
    EXPECT_EQ(1, log.Count(IDC_CITY, CBN_SELCHANGE));
    EXPECT_EQ("two", log.listItem);
    EXPECT_EQ("ISDN", log.kind);
    EXPECT_EQ("Paris", log.city);
    EXPECT_EQ("two", driver.Text("list"));
    EXPECT_EQ("ISDN", driver.Text("kind"));
}

TEST(DriverInput, FindsDialogsByTemplateOrCaption)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialogCaption("Driver controls").Type(IDC_NAME, "Work").Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ("Work", log.name);

    std::string other;
    DialogDriver older;
    older.WaitDialog(IDD_OTHER).Type(IDC_OTHER, "DIALOG").Press(IDOK);
    EXPECT_EQ(IDOK, older.Run([&] { return ShowOther(&other); }));
    EXPECT_FALSE(older.Failed());
    EXPECT_EQ("DIALOG", other);

    DialogDriver missing;
    missing.WaitDialog(999).Press(IDOK);
    EXPECT_NONFATAL_FAILURE(missing.Run([&] { return ShowOther(&other); }),
                            "step 1 of 2 (wait for dialog 999): no dialog template 999 in the template module");

    DialogDriver wrong;
    wrong.SetStepDeadline(1000);
    wrong.WaitDialog(IDD_OTHER).Press(IDOK);
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = wrong.Run([&] { return ShowControls(&log); }),
                            "step 1 of 2 (wait for dialog 102): not done within 1000 ms: no dialog "
                            "with the controls of template 102; open: 'Driver controls'");
    EXPECT_EQ(IDCANCEL, result);
}

// ---- Checks record failures and let the script go on.

TEST(DriverChecks, MatchingChecksPass)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .ExpectEnabled(IDC_DISABLED, false)
        .ExpectEnabled(IDC_NAME, true)
        .ExpectVisible(IDC_HIDDEN, false)
        .ExpectVisible(IDC_NAME, true)
        .ExpectChecked(IDC_BOX, BST_UNCHECKED)
        .ExpectChecked(IDC_TRI, BST_INDETERMINATE)
        .ExpectText(IDC_NAME, "Home")
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    EXPECT_TRUE(driver.Finished());
}

TEST(DriverChecks, EachMismatchIsReportedWithItsStep)
{
    struct Case {
        const char* expected;
        void (*script)(DialogDriver&);
    };
    const Case cases[] = {
        {"step 2 of 3 (expect control 1009 enabled): the control is disabled",
         [](DialogDriver& d) { d.ExpectEnabled(IDC_DISABLED, true); }},
        {"step 2 of 3 (expect control 1010 visible): the control is hidden",
         [](DialogDriver& d) { d.ExpectVisible(IDC_HIDDEN, true); }},
        {"step 2 of 3 (expect control 1005 in check state 1): its check state is 0",
         [](DialogDriver& d) { d.ExpectChecked(IDC_BOX, BST_CHECKED); }},
        {"step 2 of 3 (expect control 1001 to read 'Work'): the control reads 'Home'",
         [](DialogDriver& d) { d.ExpectText(IDC_NAME, "Work"); }},
    };
    for (const Case& c : cases) {
        ControlsLog log;
        DialogDriver driver;
        driver.WaitDialog(IDD_CONTROLS);
        c.script(driver);
        driver.Press(IDOK);
        INT_PTR result = 0;
        EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }), c.expected);
        // A failed check does not stop the script.
        EXPECT_EQ(IDOK, result) << c.expected;
        EXPECT_TRUE(driver.Finished()) << c.expected;
    }
}

// ---- What a user could not do, the driver does not do either.

TEST(DriverRefusals, DisabledButtonIsNotPressed)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Press(IDC_DISABLED).Press(IDOK);
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }),
                            "step 2 of 3 (press button 1009): the button is disabled; not pressed");
    EXPECT_EQ(0, log.Count(IDC_DISABLED, BN_CLICKED));
    // The script stopped there, and the driver closed the dialog.
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(1u, driver.StepsDone());
}

TEST(DriverRefusals, ReadOnlyEditHiddenControlAndMissingItemAreRefused)
{
    struct Case {
        const char* expected;
        void (*script)(DialogDriver&);
    };
    const Case cases[] = {
        {"(type 'x' into control 1012): the control is read-only; nothing typed",
         [](DialogDriver& d) { d.Type(IDC_READONLY, "x"); }},
        {"(type 'x' into control 1010): the control is hidden; nothing typed",
         [](DialogDriver& d) { d.Type(IDC_HIDDEN, "x"); }},
        {"(pick 'isdn' in control 1003): no item reads exactly 'isdn' among its 2 items",
         [](DialogDriver& d) { d.Pick(IDC_KIND, "isdn"); }},
        {"(untick control 1008): a click cannot untick a radio button",
         [](DialogDriver& d) { d.Tick(IDC_RADIO_B).Tick(IDC_RADIO_B, false); }},
        {"(type 'x' into control 1005): control is a Button, neither an edit",
         [](DialogDriver& d) { d.Type(IDC_BOX, "x"); }},
    };
    for (const Case& c : cases) {
        ControlsLog log;
        DialogDriver driver;
        driver.WaitDialog(IDD_CONTROLS);
        c.script(driver);
        driver.Press(IDOK);
        INT_PTR result = 0;
        EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }), c.expected);
        EXPECT_EQ(IDCANCEL, result) << c.expected;
        EXPECT_EQ("", log.name) << c.expected;   // OK was never pressed
        EXPECT_EQ(0, log.Count(IDC_KIND, CBN_SELCHANGE)) << c.expected;
        EXPECT_EQ(0, log.Count(IDC_NAME, EN_CHANGE)) << c.expected;
    }
}

// ---- Wizards and property sheets.

TEST(DriverSheets, WizardGoesNextBackAndFinishes)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_NAME)
        .ExpectVisible(0x3025, false)                 // Finish, on the sheet
        .Type(IDC_PAGE_NAME, "Office")
        .PressSheetButton(PSBTN_NEXT)
        .WaitPage(IDD_PAGE_CONFIRM)
        .PressSheetButton(PSBTN_BACK)
        .WaitPage(IDD_PAGE_NAME)
        .ReadText(IDC_PAGE_NAME, "kept")
        .PressSheetButton(PSBTN_NEXT)
        .WaitPage(IDD_PAGE_CONFIRM)
        .ExpectEnabled(0x3025, false)
        .Tick(IDC_PAGE_AGREE)
        .WaitEnabled(0x3025)
        .PressSheetButton(PSBTN_FINISH)
        .WaitClosed();
    INT_PTR result = driver.Run([&] { return ShowSheet(&log, true); });
    EXPECT_FALSE(driver.Failed());
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(1, result);
    EXPECT_EQ("Office", log.nameAtNext);
    EXPECT_EQ("Office", driver.Text("kept"));
    const std::vector<std::string> expected = {
        "201:SETACTIVE", "201:WIZNEXT", "201:KILLACTIVE", "202:SETACTIVE", "202:WIZBACK",
        "202:KILLACTIVE", "201:SETACTIVE", "201:WIZNEXT", "201:KILLACTIVE", "202:SETACTIVE",
        "202:WIZFINISH"};
    std::vector<std::string> seen = log.notifications;
    seen.resize(std::min(seen.size(), expected.size()));
    EXPECT_EQ(expected, seen);
}

TEST(DriverSheets, DisabledFinishIsNotPressed)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_NAME)
        .PressSheetButton(PSBTN_NEXT)
        .WaitPage(IDD_PAGE_CONFIRM)
        .PressSheetButton(PSBTN_FINISH)
        .WaitClosed();
    INT_PTR result = -1;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowSheet(&log, true); }),
                            "step 4 of 5 (press the sheet's Finish button): the button is disabled on "
                            "'Confirm' (property sheet, page 'Confirm'); not pressed");
    EXPECT_FALSE(log.Saw("202:WIZFINISH"));
    EXPECT_TRUE(log.Saw("202:QUERYCANCEL"));   // the driver cancelled the sheet
    EXPECT_EQ(0, result);
}

TEST(DriverSheets, HiddenFinishIsNotPressed)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_NAME).PressSheetButton(PSBTN_FINISH);
    INT_PTR result = -1;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowSheet(&log, true); }),
                            "(press the sheet's Finish button): the button is hidden");
    EXPECT_FALSE(log.Saw("201:WIZFINISH"));
    EXPECT_EQ(0, result);
}

TEST(DriverSheets, PropertiesSheetAppliesThenCloses)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_GENERAL)
        .ExpectEnabled(0x3021, false)                 // Apply, before any change
        .Type(IDC_GENERAL_NAME, "Office")
        .ExpectEnabled(0x3021, true)
        .PressSheetButton(PSBTN_APPLYNOW)
        .Do("note the applies so far",
            [&](HWND) {
                log.notifications.push_back("--");
                return true;
            })
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    driver.Run([&] { return ShowSheet(&log, false); });
    EXPECT_FALSE(driver.Failed());
    // Apply hands the page back its activation; OK ends the sheet.
    const std::vector<std::string> expected = {"203:SETACTIVE", "203:KILLACTIVE", "203:APPLY",
                                               "203:SETACTIVE", "--", "203:KILLACTIVE", "203:APPLY-OK"};
    EXPECT_EQ(expected, log.notifications);
}

TEST(DriverSheets, ApplyIsNotPressedBeforeAChange)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_GENERAL).PressSheetButton(PSBTN_APPLYNOW);
    EXPECT_NONFATAL_FAILURE(driver.Run([&] { return ShowSheet(&log, false); }),
                            "(press the sheet's Apply button): the button is disabled");
    EXPECT_FALSE(log.Saw("203:APPLY"));
}

// ---- Message boxes.

TEST(DriverMessageBoxes, AnswersAndRecordsCaptionAndText)
{
    DialogDriver driver;
    driver.AnswerMessageBox(IDNO);
    int answer = driver.Run([] {
        return MessageBoxA(NULL, "The number is busy.\nTry again?", "Dial", MB_YESNO | MB_ICONQUESTION);
    });
    EXPECT_EQ(IDNO, answer);
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Dial", driver.MessageBoxes()[0].caption);
    EXPECT_EQ("The number is busy.\nTry again?", driver.MessageBoxes()[0].text);
    EXPECT_EQ(IDNO, driver.MessageBoxes()[0].button);
}

TEST(DriverMessageBoxes, AnswersABoxOpenedFromADialog)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Press(IDC_ASK).AnswerMessageBox(IDYES).Type(IDC_NAME, "After").Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ(IDYES, log.answer);
    EXPECT_EQ("After", log.name);
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Save the changes?", driver.MessageBoxes()[0].text);
}

TEST(DriverMessageBoxes, BoxTheScriptDoesNotAnswerFailsTheStepWaitingBehindIt)
{
    ControlsLog log;
    DialogDriver driver;
    driver.SetStepDeadline(1000);
    driver.WaitDialog(IDD_CONTROLS).Press(IDC_ASK).Type(IDC_NAME, "x").Press(IDOK);
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }),
                            "step 3 of 4 (type 'x' into control 1001): not done within 1000 ms: "
                            "'Driver controls' does not accept input; open: 'Driver controls' (message box: "
                            "'Save the changes?'), 'Driver controls' [disabled]");
    // The driver answered the box, then closed the dialog.
    EXPECT_EQ(IDCANCEL, log.answer);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(0, log.Count(IDC_NAME, EN_CHANGE));
}

TEST(DriverMessageBoxes, ButtonTheBoxLacksIsNotPressed)
{
    DialogDriver driver;
    driver.AnswerMessageBox(IDYES);
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(answer = driver.Run([] { return MessageBoxA(NULL, "Done.", "Dial", MB_OK); }),
                            "has no usable button 6; not answered");
    EXPECT_NE(IDYES, answer);
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Done.", driver.MessageBoxes()[0].text);
    EXPECT_EQ(0, driver.MessageBoxes()[0].button);
}

// ---- The watchdog: nothing waits long, and every failure names its step.

TEST(DriverWatchdog, DialogThatNeverClosesFailsWithinTheDefaultDeadline)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS);
    DWORD start = GetTickCount();
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }),
                            "after the last step: the modal call has not returned 3000 ms after the last "
                            "step; open: 'Driver controls'");
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_GE(elapsed, 3000u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_FALSE(QuitPending());
}

TEST(DriverWatchdog, DialogThatNeverAppearsFailsFast)
{
    DialogDriver driver;
    driver.SetStepDeadline(1500);
    driver.WaitDialog(IDD_CONTROLS).Press(IDOK);
    DWORD start = GetTickCount();
    EXPECT_NONFATAL_FAILURE(driver.Run(PumpUntilQuit),
                            "step 1 of 2 (wait for dialog 101): not done within 1500 ms: no dialog with "
                            "the controls of template 101; no dialog of this thread is open");
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_GE(elapsed, 1500u);
    EXPECT_LT(elapsed, 2500u);
    EXPECT_FALSE(QuitPending());
}

TEST(DriverWatchdog, SheetThatRefusesCancelIsEndedByQuit)
{
    SheetLog log;
    log.refuseCancel = true;
    DialogDriver driver;
    driver.SetStepDeadline(1000);
    driver.WaitPage(IDD_PAGE_CONFIRM);                 // never: nobody presses Next
    DWORD start = GetTickCount();
    INT_PTR result = -1;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowSheet(&log, true); }),
                            "step 1 of 1 (wait for page 202): not done within 1000 ms: no sheet shows "
                            "page 202; open: 'Name the connection' (property sheet, page 'Name the "
                            "connection')");
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_TRUE(log.Saw("201:QUERYCANCEL"));           // asked first, and refused
    EXPECT_LT(elapsed, 3500u);
    EXPECT_NE(1, result);
    EXPECT_FALSE(QuitPending());
}

TEST(DriverWatchdog, CallThatReturnsBeforeTheScriptEndsFails)
{
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Press(IDOK);
    EXPECT_NONFATAL_FAILURE(driver.Run([] { return 0; }),
                            "step 1 of 2 (wait for dialog 101): the modal call returned before this step ran");
    EXPECT_EQ(0u, driver.StepsDone());
}

TEST_CHILD(HungModalCall)
{
    DialogDriver driver("HungModalCall");
    driver.SetHardLimit(static_cast<DWORD>(atoi(arg)));
    driver.WaitDialog(IDD_CONTROLS);
    // Blocks without dispatching messages: the driver's timer never runs.
    driver.Run([] { Sleep(60000); });
    return 0;
}

TEST(DriverWatchdog, HardLimitEndsAProcessThatStopsDispatching)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof(self));
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof(self));
    std::string out, err;
    DWORD start = GetTickCount();
    DWORD exitCode = RunProgram("\"" + std::string(self) + "\" --child HungModalCall 1500", &out, &err);
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_EQ(3u, exitCode);
    EXPECT_NE(std::string::npos,
              err.find("DialogDriver HungModalCall: the modal call has not returned within 1500 ms, "
                       "step 1 (wait for dialog 101); ending the process"))
        << err;
    EXPECT_LT(elapsed, 10000u);
}

// ---- Screenshots.

namespace {

uint32_t BigEndian(const std::vector<unsigned char>& bytes, size_t at)
{
    return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) | (uint32_t(bytes[at + 2]) << 8) |
           bytes[at + 3];
}

struct Png {
    uint32_t width = 0, height = 0;
    std::vector<unsigned char> pixels;   // RGB rows, each after its filter byte
    std::string error;
};

// Reads a PNG as the driver writes it: chunks checked against ntdll's CRC,
// image data in stored deflate blocks.
Png ReadPng(const std::vector<unsigned char>& file)
{
    typedef DWORD(WINAPI * Crc32Function)(DWORD, const BYTE*, INT);
    Crc32Function crc32 = reinterpret_cast<Crc32Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlComputeCrc32")));
    Png png;
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || memcmp(file.data(), signature, 8) != 0) {
        png.error = "no PNG signature";
        return png;
    }
    std::vector<unsigned char> zlib;
    bool ended = false;
    for (size_t at = 8; at + 12 <= file.size() && !ended;) {
        uint32_t size = BigEndian(file, at);
        if (size > file.size() - at - 12) {
            png.error = "chunk overruns the file";
            return png;
        }
        std::string type(file.begin() + at + 4, file.begin() + at + 8);
        if (crc32 == nullptr || crc32(0, file.data() + at + 4, static_cast<INT>(size + 4)) !=
                                    BigEndian(file, at + 8 + size)) {
            png.error = "bad CRC in " + type;
            return png;
        }
        const unsigned char* data = file.data() + at + 8;
        if (type == "IHDR" && size == 13) {
            png.width = BigEndian(file, at + 8);
            png.height = BigEndian(file, at + 12);
            if (data[8] != 8 || data[9] != 2) {
                png.error = "not 8-bit RGB";
                return png;
            }
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + size);
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + size;
    }
    if (!ended) {
        png.error = "no IEND";
        return png;
    }
    for (size_t at = 2; at + 5 <= zlib.size();) {
        unsigned char header = zlib[at];
        if ((header & 6) != 0) {
            png.error = "not a stored block";
            return png;
        }
        size_t length = zlib[at + 1] | (zlib[at + 2] << 8);
        if (static_cast<size_t>((zlib[at + 3] | (zlib[at + 4] << 8)) ^ 0xFFFF) != length || at + 5 + length > zlib.size()) {
            png.error = "bad stored block";
            return png;
        }
        png.pixels.insert(png.pixels.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + length);
        at += 5 + length;
        if (header & 1)
            break;
    }
    if (png.pixels.size() != size_t(png.height) * (1 + 3 * size_t(png.width)))
        png.error = "image data of " + std::to_string(png.pixels.size()) + " bytes";
    return png;
}

}  // namespace

TEST(DriverScreenshots, WritesThisThreadsDialogAsPng)
{
    ControlsLog log;
    RECT window = {};
    POINT client = {};
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Type(IDC_NAME, "Seen")
        .Do("note where the dialog is",
            [&](HWND dialog) {
                GetWindowRect(dialog, &window);
                ClientToScreen(dialog, &client);
                return true;
            })
        .Screenshot("controls")
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    ASSERT_EQ(1u, driver.ScreenshotFiles().size());
    const std::string& path = driver.ScreenshotFiles()[0];
    EXPECT_EQ(DialogDriver::ScreenshotDirectory() + "\\DriverScreenshots.WritesThisThreadsDialogAsPng-controls.png",
              path);

    Png png = ReadPng(ReadFileBytes(path));
    ASSERT_EQ("", png.error);
    EXPECT_EQ(uint32_t(window.right - window.left), png.width);
    EXPECT_EQ(uint32_t(window.bottom - window.top), png.height);
    // Just inside the client area, left of every control: the dialog's face.
    size_t x = client.x - window.left + 2, y = client.y - window.top + 2;
    ASSERT_LT(x, png.width);
    ASSERT_LT(y, png.height);
    const unsigned char* pixel = &png.pixels[y * (1 + 3 * png.width) + 1 + 3 * x];
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(GetRValue(face), pixel[0]);
    EXPECT_EQ(GetGValue(face), pixel[1]);
    EXPECT_EQ(GetBValue(face), pixel[2]);
    // The caption bar is not the face colour: the frame was captured too.
    const unsigned char* caption = &png.pixels[(size_t(client.y - window.top) / 2) * (1 + 3 * png.width) + 1 +
                                               3 * (png.width / 2)];
    EXPECT_FALSE(caption[0] == pixel[0] && caption[1] == pixel[1] && caption[2] == pixel[2]);
}
