// The driver's own test dialogs (see DriverTestDialogs.h).
#include "DriverTestDialogs.h"

#include <commctrl.h>
#include <prsht.h>

#include "DriverTestIds.h"

// ---- The controls dialog: records every WM_COMMAND and, on OK, the values.

static std::string ItemText(HWND dialog, int id)
{
    char text[256];
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

static void FillControls(HWND dialog)
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

static void StoreControls(HWND dialog, ControlsLog* log)
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

static INT_PTR CALLBACK ControlsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
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

static INT_PTR CALLBACK OtherProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
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


static const char* NotificationName(UINT code, LPARAM lParam)
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

static void UpdateConfirmButtons(HWND page)
{
    bool agreed = IsDlgButtonChecked(page, IDC_PAGE_AGREE) == BST_CHECKED;
    PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | (agreed ? PSWIZB_FINISH : PSWIZB_DISABLEDFINISH));
}

// One procedure for the three pages; the template id says which it is.
static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
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
