// The Properties sheet's Login page (template 5007) and Startup page
// (template 5010, or 106 when the host asks for no utilities).
#include "PropertiesSheet.h"

#include <commctrl.h>

#include "ContextHelp.h"
#include "EntryFiles.h"
#include "LoginFields.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"
#include "resource.h"

namespace {

// Set while the Login page fills its edits: their change notifications are
// then no change of the user's, and a visit alone must not enable Apply. One
// sheet is open at a time.
bool fillingLogin = false;


// No text limits here: the fields are cut to size when they are stored.
INT_PTR InitLoginPage(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    char login[sizeof(entry.LoginName)];
    char password[sizeof(entry.Password)];
    FetchFieldText(entry.LoginName, sizeof(entry.LoginName), login, sizeof(login));
    FetchFieldText(entry.Password, sizeof(entry.Password), password, sizeof(password));
    fillingLogin = true;
    SetDlgItemTextA(page, IDC_LOGIN_NAME, login);
    SetDlgItemTextA(page, IDC_PASSWORD, password);
    SetDlgItemTextA(page, IDC_CONFIRM_PASSWORD, password);
    fillingLogin = false;
    SecureZeroMemory(password, sizeof(password));
    return TRUE;
}

INT_PTR OnLoginCommand(HWND page, WORD code)
{
    if (code != EN_CHANGE || fillingLogin)
        return FALSE;
    NotifySheetChanged(page);
    return TRUE;
}

// Refused while the fields disagree, also when OK or Apply asks: the sheet
// then stays open on this page.
INT_PTR LeaveLoginPage(HWND page)
{
    if (!StoreLoginFields(page))
        return StayOnPage(page);
    return AnswerPage(page, FALSE);
}

INT_PTR OnLoginNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_KILLACTIVE: return LeaveLoginPage(page);
    case PSN_HELP: return AnswerHelp(page, kHelpLoginPage);
    default: return FALSE;
    }
}

INT_PTR InitStartupPage(HWND page)
{
    ShowUtilityTicks(page);
    CheckDlgButton(page, IDC_DISPLAY_CONNECT_DIALOG,
                   CurrentEntry().DisplayConnectDialog != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

INT_PTR OnStartupCommand(HWND page, WORD id)
{
    if (id < IDC_REMOTE_CONTROL || id > IDC_DISPLAY_CONNECT_DIALOG)
        return FALSE;
    NotifySheetChanged(page);
    return TRUE;
}

// On template 106 the host wants no utilities started: every slot is
// stored unticked.
INT_PTR LeaveStartupPage(HWND page)
{
    StoreUtilityTicks(page);
    CurrentEntry().DisplayConnectDialog = IsDlgButtonChecked(page, IDC_DISPLAY_CONNECT_DIALOG) == BST_CHECKED;
    return AnswerPage(page, FALSE);
}

INT_PTR OnStartupNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_KILLACTIVE: return LeaveStartupPage(page);
    case PSN_HELP: return AnswerHelp(page, kHelpStartupPage);
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK LoginPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return InitLoginPage(page);
    case WM_COMMAND: return OnLoginCommand(page, HIWORD(wParam));
    case WM_NOTIFY: return OnLoginNotify(page, lParam);
    default: return FALSE;
    }
}

INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return InitStartupPage(page);
    case WM_COMMAND: return OnStartupCommand(page, LOWORD(wParam));
    case WM_NOTIFY: return OnStartupNotify(page, lParam);
    default: return FALSE;
    }
}
