// The wizard's pages 5008 (telephone number), 5004 (Dial-Up Networking
// connection), 5003 (login), 5009 (start-up utilities) and 5006 (finish).
#include "Wizard.h"

#include <raserror.h>

#include "ContextHelp.h"
#include "DeviceFields.h"
#include "DialUpEntry.h"
#include "EntryFiles.h"
#include "Handles.h"
#include "HistoryLists.h"
#include "LoginFields.h"
#include "Messages.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "RasApiTable.h"
#include "Telephony.h"
#include "TextCopy.h"
#include "resource.h"

namespace {

const size_t kDialUpNameRoom = 260;
// What a call that Dial-Up Networking cannot take counts as: "not installed".
const DWORD kRasNotBound = ERROR_PROC_NOT_FOUND;


void ShowMessage(HWND owner, UINT textId)
{
    ShowResourceMessage(owner, IDS_PHONE_BOOK, textId, kMessageStyle);
}

// ---- Page 5008: telephone number

void InitPhoneNumberPage(HWND page)
{
    LoadAreaCodeList(GetDlgItem(page, IDC_AREA_CODE), NULL);
    FillCountryList(GetDlgItem(page, IDC_COUNTRY), NULL);
    SendDlgItemMessageA(page, IDC_AREA_CODE, CB_LIMITTEXT, 11, 0);
    SendDlgItemMessageA(page, IDC_PHONE_NUMBER, EM_LIMITTEXT, 37, 0);
    RemoveContextHelpButton(page);
}

// An empty number passes: the connection asks for one when it is made.
INT_PTR PhoneNumberNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE: ShowWizardPage(page, PSWIZB_BACK | PSWIZB_NEXT); return AnswerPage(page, 0);
    case PSN_WIZNEXT: StoreConnectFields(page); return GoToPage(page, IDD_WIZ_LOGIN);
    case PSN_WIZBACK: return GoToPage(page, IDD_WIZ_NAME_DEVICE);
    case PSN_HELP: ShowHelpTopic(kHelpPhoneNumber); return TRUE;
    case PSN_RESET: return AnswerPage(page, 0);
    case PSN_KILLACTIVE: return AnswerPage(page, 0);
    default: return FALSE;
    }
}

// ---- Page 5004: the Dial-Up Networking connection to run over

void FillDialUpLinks(HWND page)
{
    int listed = FillDialUpListBox(GetDlgItem(page, IDC_DIALUP_ENTRY));
    EnableWindow(GetDlgItem(page, IDC_DIALUP_PROPERTIES), listed > 0);
}

void InitDialUpLinkPage(HWND page)
{
    FillDialUpLinks(page);
    EnableWindow(GetDlgItem(page, IDC_DIALUP_CREATE), RasApiTable.RasApiModule != NULL);
    RemoveContextHelpButton(page);
}

// The selected connection's name, or an empty owner when nothing (or an
// empty name) is selected.
LocalMem SelectedDialUpLink(HWND page)
{
    HWND list = GetDlgItem(page, IDC_DIALUP_ENTRY);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR)
        return LocalMem();
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (length <= 0)
        return LocalMem();
    LocalMem text(LocalAlloc(LPTR, static_cast<size_t>(length) + 1));
    if (!text)
        return LocalMem();
    LRESULT copied =
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.get()));
    if (copied <= 0 || copied > length)
        return LocalMem();
    return text;
}

void CreateDialUpLink(HWND page)
{
    RasCreatePhonebookEntryFn createEntry = RasApiTable.pfnRasCreatePhonebookEntry;
    DWORD result = createEntry != NULL ? createEntry(page, NULL) : kRasNotBound;
    if (result == 0)
        FillDialUpLinks(page);
    else
        ShowMessage(GetFocus(), result == ERROR_CANNOT_OPEN_PHONEBOOK ? IDS_DIALUP_PHONEBOOK_ERROR
                                                                      : IDS_DIALUP_NOT_INSTALLED);
}

void EditDialUpLink(HWND page)
{
    char name[kDialUpNameRoom] = "";
    LocalMem selected = SelectedDialUpLink(page);
    if (selected)
        StoreFieldText(name, sizeof(name), static_cast<const char*>(selected.get()));
    RasEditPhonebookEntryFn editEntry = RasApiTable.pfnRasEditPhonebookEntry;
    DWORD result = editEntry != NULL ? editEntry(page, NULL, name) : kRasNotBound;
    if (result == ERROR_BUFFER_INVALID || result == ERROR_CANNOT_OPEN_PHONEBOOK ||
        result == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY)
        ShowMessage(GetFocus(), IDS_DIALUP_PHONEBOOK_ERROR);
    else if (result != 0)
        ShowMessage(GetFocus(), IDS_DIALUP_NOT_INSTALLED);
}

INT_PTR DialUpLinkCommand(HWND page, WORD controlId)
{
    switch (controlId) {
    case IDC_DIALUP_CREATE: CreateDialUpLink(page); return FALSE;
    case IDC_DIALUP_PROPERTIES: EditDialUpLink(page); return FALSE;
    default: return TRUE;
    }
}

// A name of 256 bytes, which RAS allows, is cut to the 255 that RasLinkName
// holds, never inside a double-byte character.
INT_PTR DialUpLinkNext(HWND page)
{
    LocalMem selected = SelectedDialUpLink(page);
    if (!selected) {
        ShowMessage(page, IDS_SELECT_DIALUP_ENTRY);
        SetFocus(GetDlgItem(page, IDC_DIALUP_ENTRY));
        return StayOnPage(page);
    }
    VmrEntryRecord& entry = CurrentEntry();
    StoreFieldText(entry.RasLinkName, sizeof(entry.RasLinkName), static_cast<const char*>(selected.get()));
    return FALSE;
}

// The page has no help topic.
INT_PTR DialUpLinkNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE: ShowWizardPage(page, PSWIZB_BACK | PSWIZB_NEXT); return AnswerPage(page, 0);
    case PSN_WIZNEXT: return DialUpLinkNext(page);
    case PSN_WIZBACK: return GoToPage(page, IDD_WIZ_NAME_DEVICE);
    case PSN_RESET: return AnswerPage(page, 0);
    case PSN_KILLACTIVE: return AnswerPage(page, 0);
    default: return FALSE;
    }
}

// ---- Page 5003: login

void InitLoginPage(HWND page)
{
    SendDlgItemMessageA(page, IDC_LOGIN_NAME, EM_LIMITTEXT, 95, 0);
    SendDlgItemMessageA(page, IDC_PASSWORD, EM_LIMITTEXT, 17, 0);
    SendDlgItemMessageA(page, IDC_CONFIRM_PASSWORD, EM_LIMITTEXT, 17, 0);
    RemoveContextHelpButton(page);
}

INT_PTR LoginBack(HWND page)
{
    switch (CurrentEntry().DeviceType) {
    case 1: return GoToPage(page, IDD_WIZ_PHONE_NUMBER);
    case 2: return GoToPage(page, IDD_WIZ_NAME_DEVICE);
    default: return GoToPage(page, IDD_WIZ_WORKSTATION);
    }
}

INT_PTR LoginNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE: ShowWizardPage(page, PSWIZB_BACK | PSWIZB_NEXT); return AnswerPage(page, 0);
    case PSN_WIZNEXT: return StoreLoginFields(page) ? FALSE : StayOnPage(page);
    case PSN_WIZBACK: return LoginBack(page);
    case PSN_HELP: ShowHelpTopic(kHelpLogin); return TRUE;
    case PSN_RESET: return AnswerPage(page, 0);
    case PSN_KILLACTIVE: return AnswerPage(page, 0);
    default: return FALSE;
    }
}

// ---- Page 5009: start-up utilities

void InitUtilitiesPage(HWND page)
{
    ShowUtilityTicks(page);
    RemoveContextHelpButton(page);
}

// Stored whenever the page is left, by Back as well as by Next.
INT_PTR LeaveUtilitiesPage(HWND page)
{
    StoreUtilityTicks(page);
    return AnswerPage(page, 0);
}

INT_PTR UtilitiesNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE: ShowWizardPage(page, PSWIZB_BACK | PSWIZB_NEXT); return AnswerPage(page, 0);
    case PSN_KILLACTIVE: return LeaveUtilitiesPage(page);
    case PSN_WIZNEXT: return FALSE;
    case PSN_WIZBACK: return GoToPage(page, IDD_WIZ_LOGIN);
    case PSN_HELP: ShowHelpTopic(kHelpUtilities); return TRUE;
    case PSN_RESET: return AnswerPage(page, 0);
    default: return FALSE;
    }
}

// ---- Page 5006: finish

void InitFinishPage(HWND page)
{
    CheckDlgButton(page, IDC_ESTABLISH_SESSION, BST_UNCHECKED);
    RemoveContextHelpButton(page);
}

void ActivateFinishPage(HWND page)
{
    ShowWizardPage(page, PSWIZB_BACK | PSWIZB_FINISH);
    SetDlgItemTextA(page, IDC_ENTRY_NAME, VmrPhoneBookAccess::EntryName(*CurrentPhoneBook));
}

// The wizard closes only once the entry is written: a failed write says so
// and keeps the page, from which the user can try again, go Back or cancel.
// The name page checked that the name was free, but minutes may have passed:
// an entry of that name made meanwhile (by another console of the same user)
// is never replaced. The user hears so and is back on the name page, with
// everything typed still there. The session is asked for only with an entry
// to open it on. The name page has refused every name whose path would not
// fit.
INT_PTR FinishWizard(HWND page)
{
    VmrPhoneBook& book = *CurrentPhoneBook;
    char path[kPathSize];
    EntryWrite written = ComposeEntryFilePath(book, path) ? WriteEntryFile(book, path, false) : kEntryWriteFailed;
    if (written == kEntryWriteExists) {
        ShowResourceMessage(page, IDS_PHONE_BOOK, IDS_NAME_EXISTS, kMessageStyle);
        GoToPage(page, IDD_WIZ_NAME_DEVICE);
        return AnswerPage(page, TRUE);
    }
    if (written != kEntryWriteDone) {
        ShowResourceMessage(page, IDS_PHONE_BOOK, IDS_ENTRY_NOT_SAVED, kMessageStyle);
        return AnswerPage(page, TRUE);
    }
    VmrPhoneBookAccess::EstablishSessionNow(book) =
        static_cast<unsigned int>(IsDlgButtonChecked(page, IDC_ESTABLISH_SESSION));
    return AnswerPage(page, 0);
}

INT_PTR FinishBack(HWND page)
{
    return GoToPage(page, SuppressStartupUtilities != 0 ? IDD_WIZ_LOGIN : IDD_WIZ_UTILITIES);
}

INT_PTR FinishNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE: ActivateFinishPage(page); return AnswerPage(page, 0);
    case PSN_WIZFINISH: return FinishWizard(page);
    case PSN_WIZBACK: return FinishBack(page);
    case PSN_HELP: ShowHelpTopic(kHelpFinish); return TRUE;
    case PSN_RESET: return AnswerPage(page, 0);
    case PSN_KILLACTIVE: return AnswerPage(page, 0);
    default: return FALSE;
    }
}

}  // namespace

static INT_PTR CALLBACK PhoneNumberPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitPhoneNumberPage(page); return TRUE;
    case WM_NOTIFY: return PhoneNumberNotify(page, lParam);
    default: return FALSE;
    }
}

static INT_PTR CALLBACK DialUpLinkPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitDialUpLinkPage(page); return TRUE;
    case WM_COMMAND: return DialUpLinkCommand(page, LOWORD(wParam));
    case WM_NOTIFY: return DialUpLinkNotify(page, lParam);
    default: return FALSE;
    }
}

static INT_PTR CALLBACK LoginPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitLoginPage(page); return TRUE;
    case WM_NOTIFY: return LoginNotify(page, lParam);
    default: return FALSE;
    }
}

static INT_PTR CALLBACK UtilitiesPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitUtilitiesPage(page); return TRUE;
    case WM_NOTIFY: return UtilitiesNotify(page, lParam);
    default: return FALSE;
    }
}

static INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitFinishPage(page); return TRUE;
    case WM_NOTIFY: return FinishNotify(page, lParam);
    default: return FALSE;
    }
}

WizardPage PhoneNumberPage()
{
    return {IDD_WIZ_PHONE_NUMBER, PhoneNumberPageProc};
}

WizardPage DialUpLinkPage()
{
    return {IDD_WIZ_DIALUP_LINK, DialUpLinkPageProc};
}

WizardPage LoginPage()
{
    return {IDD_WIZ_LOGIN, LoginPageProc};
}

WizardPage UtilitiesPage()
{
    return {IDD_WIZ_UTILITIES, UtilitiesPageProc};
}

WizardPage FinishPage()
{
    return {IDD_WIZ_FINISH, FinishPageProc};
}
