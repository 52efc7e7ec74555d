// The wizard's pages 5001 (connection name and device) and 5002 (workstation
// and Internet Locator Server).
#include "Wizard.h"

#include "ContextHelp.h"
#include "DeviceFields.h"
#include "DeviceLibrary.h"
#include "EntryFiles.h"
#include "EntryNames.h"
#include "HistoryLists.h"
#include "Messages.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"
#include "resource.h"

namespace {

// ---- Page 5001: name and device

void InitNameDevicePage(HWND page)
{
    // No device-install button is offered on this page, so there is nothing
    // to hide when telephony devices cannot be installed.
    if (IsWindowsNT35() || IsCdTapiInstalled() == 0)
        RemoveContextHelpButton(page);
    UpdateDialUpCheck(page);
}

INT_PTR NameDeviceCommand(HWND page, WORD controlId)
{
    switch (controlId) {
    case IDC_CONNECT_USING: UpdateDialUpCheck(page); return TRUE;
    case IDC_CONFIGURE: ConfigureDevice(page); return FALSE;
    default: return TRUE;
    }
}

// The device list is built each time the page shows and released each time
// it is left: the entry's TapiLineName brings the same device back.
void ActivateNameDevicePage(HWND page)
{
    HWND devices = GetDlgItem(page, IDC_CONNECT_USING);
    FillDeviceList(devices, NULL);
    BOOL any = SendMessageA(devices, CB_GETCOUNT, 0, 0) > 0;
    EnableWindow(GetDlgItem(page, IDC_CONFIGURE), any);
    EnableWindow(devices, any);
    ShowWizardPage(page, PSWIZB_NEXT);
}

INT_PTR LeaveNameDevicePage(HWND page)
{
    FreeDeviceItems(GetDlgItem(page, IDC_CONNECT_USING));
    return AnswerPage(page, 0);
}

// The message that refuses the name, or 0 when it may be used. The checks
// run in this order, so that a name is refused for the first reason only.
UINT NameProblem()
{
    char* name = VmrPhoneBookAccess::EntryName(*CurrentPhoneBook);
    char path[kPathSize];
    bool fits = ComposeEntryFilePath(*CurrentPhoneBook, path);
    // A path that does not fit names no file, so none can exist yet.
    if (fits && EntryFileExists(path))
        return IDS_NAME_EXISTS;
    // The rule pbtool shares: blank, a forbidden character, a device's name
    // (CON, COM², \\.\pipe\...: no entry can be written under it), too long.
    switch (FindEntryNameProblem(VmrPhoneBookAccess::Path(*CurrentPhoneBook), name)) {
    case kNameBlank: return IDS_NAME_BLANK;
    case kNameForbiddenCharacter: return IDS_NAME_INVALID_CHARACTERS;
    case kNameDevice: return IDS_NAME_RESERVED;
    case kNameTooLong: return IDS_NAME_TOO_LONG;
    case kNameUsable: break;
    }
    // Refused here, not cut later: the finish page and the host compose the
    // same path in 260 bytes, and a cut path would name another file.
    return fits ? 0 : IDS_NAME_TOO_LONG;
}

int NextPageForDevice()
{
    const VmrEntryRecord& entry = CurrentEntry();
    switch (entry.DeviceType) {
    case 1: return IDD_WIZ_PHONE_NUMBER;
    case 2: return IDD_WIZ_LOGIN;
    case 3:
    case 4:
    case 5: return entry.UseDialUpNetworking ? IDD_WIZ_DIALUP_LINK : IDD_WIZ_WORKSTATION;
    default: return 0;
    }
}

INT_PTR NameDeviceNext(HWND page)
{
    // EntryName is taken even when the checks refuse it; the edit keeps the
    // text as typed, blanks and all.
    char typed[2 * kEntryNameSize];
    GetDlgItemTextA(page, IDC_NEW_ENTRY_NAME, typed, sizeof(typed));
    char* name = VmrPhoneBookAccess::EntryName(*CurrentPhoneBook);
    StoreFieldText(name, kEntryNameSize, typed);
    TrimSpaces(name);

    UINT problem = NameProblem();
    if (problem != 0) {
        ShowResourceMessage(page, IDS_PHONE_BOOK, problem, kMessageStyle);
        HWND edit = GetDlgItem(page, IDC_NEW_ENTRY_NAME);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return StayOnPage(page);
    }

    StoreDeviceSelection(page);
    int next = NextPageForDevice();
    return next != 0 ? GoToPage(page, next) : FALSE;
}

INT_PTR NameDeviceNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE: ActivateNameDevicePage(page); return AnswerPage(page, 0);
    case PSN_KILLACTIVE: return LeaveNameDevicePage(page);
    case PSN_RESET: return LeaveNameDevicePage(page);
    case PSN_HELP: ShowHelpTopic(kHelpNameAndDevice); return TRUE;
    case PSN_WIZNEXT: return NameDeviceNext(page);
    default: return FALSE;
    }
}

// ---- Page 5002: workstation and ILS server

void InitWorkstationPage(HWND page)
{
    LoadWorkstationList(GetDlgItem(page, IDC_WORKSTATION), NULL);
    LoadIlsList(GetDlgItem(page, IDC_ILS), NULL);
    SendDlgItemMessageA(page, IDC_WORKSTATION, CB_LIMITTEXT, 31, 0);
    SendDlgItemMessageA(page, IDC_ILS, CB_LIMITTEXT, 511, 0);
    RemoveContextHelpButton(page);
}

void ActivateWorkstationPage(HWND page)
{
    ShowIlsFieldsForDeviceType(page);
    ShowWizardPage(page, PSWIZB_BACK | PSWIZB_NEXT);
}

INT_PTR WorkstationBack(HWND page)
{
    return GoToPage(page, CurrentEntry().UseDialUpNetworking ? IDD_WIZ_DIALUP_LINK : IDD_WIZ_NAME_DEVICE);
}

INT_PTR WorkstationNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE: ActivateWorkstationPage(page); return AnswerPage(page, 0);
    case PSN_WIZNEXT: StoreWorkstationFields(page); return GoToPage(page, IDD_WIZ_LOGIN);
    case PSN_WIZBACK: return WorkstationBack(page);
    case PSN_HELP: ShowHelpTopic(kHelpWorkstation); return TRUE;
    case PSN_RESET: return AnswerPage(page, 0);
    case PSN_KILLACTIVE: return AnswerPage(page, 0);
    default: return FALSE;
    }
}

}  // namespace

static INT_PTR CALLBACK NameDevicePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitNameDevicePage(page); return TRUE;
    case WM_COMMAND: return NameDeviceCommand(page, LOWORD(wParam));
    case WM_NOTIFY: return NameDeviceNotify(page, lParam);
    // A sheet torn down without Cancel or a page change still frees the list.
    case WM_DESTROY: FreeDeviceItems(GetDlgItem(page, IDC_CONNECT_USING)); return FALSE;
    default: return FALSE;
    }
}

static INT_PTR CALLBACK WorkstationPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitWorkstationPage(page); return TRUE;
    case WM_NOTIFY: return WorkstationNotify(page, lParam);
    default: return FALSE;
    }
}

WizardPage NameDevicePage()
{
    return {IDD_WIZ_NAME_DEVICE, NameDevicePageProc};
}

WizardPage WorkstationPage()
{
    return {IDD_WIZ_WORKSTATION, WorkstationPageProc};
}

void ShowIlsFieldsForDeviceType(HWND page)
{
    unsigned short type = CurrentEntry().DeviceType;
    bool show = type != 3 && type != 4;
    const int ilsFields[] = {IDC_WIZ_ILS_LABEL, IDC_ILS};
    for (int id : ilsFields) {
        HWND control = GetDlgItem(page, id);
        ShowWindow(control, show ? SW_SHOW : SW_HIDE);
        if (show)
            EnableWindow(control, TRUE);
    }
}

int StoreWorkstationFields(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    entry.UseInternet = 1;

    HWND workstations = GetDlgItem(page, IDC_WORKSTATION);
    char workstation[sizeof(entry.ConnectWorkstationName)];
    GetWindowTextA(workstations, workstation, sizeof(workstation));
    StoreFieldText(entry.ConnectWorkstationName, sizeof(entry.ConnectWorkstationName), workstation);
    AddHistoryItem(workstations, workstation, kHistoryItemsKept);
    SaveWorkstationList(workstations, workstation);

    // Taken also while the box is hidden (device types 3 and 4): the entry
    // then gets the server the history selected.
    HWND servers = GetDlgItem(page, IDC_ILS);
    char server[sizeof(entry.InternetLocatorServer)];
    GetWindowTextA(servers, server, sizeof(server));
    StoreFieldText(entry.InternetLocatorServer, sizeof(entry.InternetLocatorServer), server);
    AddHistoryItem(servers, server, kIlsItemsKept);
    SaveIlsList(servers, server);
    return 1;
}
