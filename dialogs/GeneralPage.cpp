// The Properties sheet's General page (template 1200): how the connection is
// made. It is the page that writes the entry file when the sheet is applied.
#include "PropertiesSheet.h"

#include <commctrl.h>
#include <string.h>

#include "ContextHelp.h"
#include "DeviceFields.h"
#include "DeviceLibrary.h"
#include "DialUpEntry.h"
#include "EntryFiles.h"
#include "HistoryLists.h"
#include "Messages.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "Telephony.h"
#include "TextCopy.h"
#include "resource.h"

namespace {

const int kCountryAndAreaFields[] = {IDC_AREA_CODE_LABEL, IDC_COUNTRY_LABEL, IDC_AREA_CODE, IDC_COUNTRY};
const int kDialUpFields[] = {IDC_DIALUP_ENTRY_LABEL, IDC_DIALUP_ENTRY};

// Set while the page fills its own controls: the edits' change notifications
// are then no change of the user's, and must not enable Apply. One sheet is
// open at a time.
bool filling = false;


template <size_t N>
void EnableControls(HWND page, const int (&ids)[N], bool enable)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(page, id), enable ? TRUE : FALSE);
}

// A terminated copy of an entry field, for the controls and lists that show it.
template <size_t N>
void FieldText(const char (&field)[N], char (&text)[N])
{
    FetchFieldText(field, N, text, N);
}

bool IsTicked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

// The text limits are the entry's field widths less the terminator.
void LimitFieldLengths(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    SendDlgItemMessageA(page, IDC_AREA_CODE, CB_LIMITTEXT, sizeof(entry.ConnectAreaCode) - 1, 0);
    SendDlgItemMessageA(page, IDC_PHONE_NUMBER, EM_LIMITTEXT, sizeof(entry.ConnectPhoneNumber) - 1, 0);
    SendDlgItemMessageA(page, IDC_WORKSTATION, CB_LIMITTEXT, sizeof(entry.ConnectWorkstationName) - 1, 0);
    SendDlgItemMessageA(page, IDC_ILS, CB_LIMITTEXT, sizeof(entry.InternetLocatorServer) - 1, 0);
}

// The Use Dial-Up Networking tick follows the entry: an entry names a
// Dial-Up Networking connection or it does not use one.
void ShowDialUpChoice(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    bool use = entry.RasLinkName[0] != '\0';
    entry.UseDialUpNetworking = use ? 1 : 0;
    CheckDlgButton(page, IDC_USE_DIALUP, use ? BST_CHECKED : BST_UNCHECKED);
    EnableControls(page, kDialUpFields, use);
    char rasLink[sizeof(entry.RasLinkName)];
    FieldText(entry.RasLinkName, rasLink);
    FillDialUpCombo(GetDlgItem(page, IDC_DIALUP_ENTRY), rasLink);
}

void FillGeneralPage(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    // The sheet's frame gets no "?" button: the pages answer no
    // what's-this questions.
    HWND sheet = GetParent(page);
    SetWindowLongPtrA(sheet, GWL_EXSTYLE, GetWindowLongPtrA(sheet, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
    ShowPageCaptionsOnTabs(sheet);

    ShowFieldsForDeviceType(page);
    char name[256];
    GetEntryDisplayName(name, sizeof(name));
    SetDlgItemTextA(page, IDC_ENTRY_NAME, name);

    char areaCode[sizeof(entry.ConnectAreaCode)];
    char workstation[sizeof(entry.ConnectWorkstationName)];
    char ils[sizeof(entry.InternetLocatorServer)];
    FieldText(entry.ConnectAreaCode, areaCode);
    FieldText(entry.ConnectWorkstationName, workstation);
    FieldText(entry.InternetLocatorServer, ils);
    LoadAreaCodeList(GetDlgItem(page, IDC_AREA_CODE), areaCode);
    LoadWorkstationList(GetDlgItem(page, IDC_WORKSTATION), workstation);
    LoadIlsList(GetDlgItem(page, IDC_ILS), ils);
    EnableWindow(GetDlgItem(page, IDC_ILS), TRUE);
    EnableWindow(GetDlgItem(page, IDC_ILS_LABEL), TRUE);

    char phoneNumber[sizeof(entry.ConnectPhoneNumber)];
    FieldText(entry.ConnectPhoneNumber, phoneNumber);
    SetDlgItemTextA(page, IDC_PHONE_NUMBER, phoneNumber);
    SetDlgItemTextA(page, IDC_WORKSTATION, workstation);

    char country[sizeof(entry.ConnectCountryCode)];
    char tapiLine[sizeof(entry.TapiLineName)];
    FieldText(entry.ConnectCountryCode, country);
    FieldText(entry.TapiLineName, tapiLine);
    FillCountryList(GetDlgItem(page, IDC_COUNTRY), country);
    HWND devices = GetDlgItem(page, IDC_CONNECT_USING);
    FillDeviceList(devices, tapiLine);

    CheckDlgButton(page, IDC_USE_COUNTRY_AREA, entry.UseCountryCodeAndAreaCode ? BST_CHECKED : BST_UNCHECKED);
    bool anyDevice = SendMessageA(devices, CB_GETCOUNT, 0, 0) > 0;
    EnableWindow(GetDlgItem(page, IDC_CONFIGURE), anyDevice ? TRUE : FALSE);
    EnableWindow(devices, anyDevice ? TRUE : FALSE);
    ShowDialUpChoice(page);
    EnableControls(page, kCountryAndAreaFields, IsTicked(page, IDC_USE_COUNTRY_AREA));
    LimitFieldLengths(page);
}

INT_PTR InitGeneralPage(HWND page)
{
    filling = true;
    FillGeneralPage(page);
    filling = false;
    return TRUE;
}

// The device type decides at once which fields the page shows; the device
// itself is taken when the page is left.
void ChooseDevice(HWND page)
{
    HWND combo = GetDlgItem(page, IDC_CONNECT_USING);
    if (SendMessageA(combo, CB_GETCOUNT, 0, 0) <= 0)
        return;
    DWORD id = 0;
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    LRESULT data = index == CB_ERR ? 0 : SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (data != 0 && data != CB_ERR)
        id = reinterpret_cast<const DeviceItem*>(data)->id;
    CurrentEntry().DeviceType = GetDeviceTypeFromID(id);
    ShowFieldsForDeviceType(page);
    NotifySheetChanged(page);
}

// Unticking forgets the connection at once, so a later store keeps it empty.
void ChooseDialUp(HWND page)
{
    bool use = IsTicked(page, IDC_USE_DIALUP);
    EnableControls(page, kDialUpFields, use);
    VmrEntryRecord& entry = CurrentEntry();
    entry.UseDialUpNetworking = use ? 1 : 0;
    if (!use)
        memset(entry.RasLinkName, 0, sizeof(entry.RasLinkName));
}

void ChooseCountryAndArea(HWND page)
{
    EnableControls(page, kCountryAndAreaFields, IsTicked(page, IDC_USE_COUNTRY_AREA));
    NotifySheetChanged(page);
}

INT_PTR OnGeneralCommand(HWND page, WORD id, WORD code)
{
    if ((code == EN_CHANGE || code == CBN_EDITUPDATE) && !filling)
        NotifySheetChanged(page);
    switch (id) {
    case IDC_CONNECT_USING: ChooseDevice(page); return TRUE;
    case IDC_USE_DIALUP: ChooseDialUp(page); return TRUE;
    case IDC_COUNTRY: NotifySheetChanged(page); return TRUE;
    case IDC_USE_COUNTRY_AREA: ChooseCountryAndArea(page); return TRUE;
    case IDC_CONFIGURE: ConfigureDevice(page); return TRUE;
    default: return FALSE;
    }
}

// Also before OK and Apply. The histories are saved here, so they stay saved
// whatever button closes the sheet.
INT_PTR LeaveGeneralPage(HWND page)
{
    StoreDeviceSelection(page);
    StoreConnectFields(page);
    return AnswerPage(page, FALSE);
}

// Sent to the page even when another page is showing: the whole record goes
// to the entry file. A path that does not fit would name another file, so
// nothing is written then, and the user is told so as for a failed write.
INT_PTR ApplyGeneralPage(HWND page)
{
    StoreDeviceSelection(page);
    VmrEntryRecord& entry = CurrentEntry();
    HWND ils = GetDlgItem(page, IDC_ILS);
    StoreIlsText(ils);
    char server[sizeof(entry.InternetLocatorServer)];
    FieldText(entry.InternetLocatorServer, server);
    SaveIlsList(ils, server);

    // A failed write keeps the sheet open on this page, after saying so:
    // closing it would lose the changes without a word.
    char path[kPathSize];
    if (!ComposeEntryFilePath(*CurrentPhoneBook, path) || !CurrentPhoneBook->WriteEntry(path)) {
        ShowResourceMessage(page, IDS_PHONE_BOOK, IDS_ENTRY_NOT_SAVED, kMessageStyle);
        return AnswerPage(page, PSNRET_INVALID_NOCHANGEPAGE);
    }
    return AnswerPage(page, PSNRET_NOERROR);
}

INT_PTR OnGeneralNotify(HWND page, LPARAM lParam)
{
    switch (NotifyCode(lParam)) {
    case PSN_KILLACTIVE: return LeaveGeneralPage(page);
    case PSN_APPLY: return ApplyGeneralPage(page);
    case PSN_HELP: return AnswerHelp(page, kHelpGeneralPage);
    default: return FALSE;
    }
}

// The list is emptied too: a notification the closing combo box still sends
// must not reach a freed record.
INT_PTR ReleaseGeneralPage(HWND page)
{
    HWND devices = GetDlgItem(page, IDC_CONNECT_USING);
    FreeDeviceItems(devices);
    SendMessageA(devices, CB_RESETCONTENT, 0, 0);
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return InitGeneralPage(page);
    case WM_COMMAND: return OnGeneralCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: return OnGeneralNotify(page, lParam);
    case WM_DESTROY: return ReleaseGeneralPage(page);
    default: return FALSE;
    }
}
