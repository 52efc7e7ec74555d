#include "DeviceFields.h"

#include <string.h>

#include "DeviceLibrary.h"
#include "EntryFiles.h"
#include "Handles.h"
#include "HistoryLists.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"
#include "resource.h"

namespace {

const int kPhoneFields[] = {IDC_PHONE_NUMBER, IDC_AREA_CODE, IDC_COUNTRY, IDC_USE_COUNTRY_AREA,
                            IDC_PHONE_GROUP, IDC_AREA_CODE_LABEL, IDC_PHONE_NUMBER_LABEL, IDC_COUNTRY_LABEL};
const int kNetworkFields[] = {IDC_WORKSTATION, IDC_WORKSTATION_LABEL, IDC_NETWORK_GROUP,
                              IDC_USE_DIALUP, IDC_DIALUP_ENTRY, IDC_DIALUP_ENTRY_LABEL};
const int kIlsFields[] = {IDC_ILS_LABEL, IDC_ILS};
const int kEditablePhoneFields[] = {IDC_PHONE_NUMBER, IDC_AREA_CODE, IDC_COUNTRY, IDC_USE_COUNTRY_AREA};


template <size_t N>
void ShowGroup(HWND page, const int (&ids)[N], bool show)
{
    for (int id : ids)
        ShowWindow(GetDlgItem(page, id), show ? SW_SHOW : SW_HIDE);
}

template <size_t N>
void EnableGroup(HWND page, const int (&ids)[N], bool enable)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(page, id), enable);
}

// The record of an item, or NULL for no item, no record or an error.
const DeviceItem* ItemRecord(HWND combo, LRESULT index)
{
    if (index == CB_ERR)
        return NULL;
    LRESULT data = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (data == 0 || data == CB_ERR)
        return NULL;
    return reinterpret_cast<const DeviceItem*>(data);
}

DWORD SelectedDeviceId(HWND combo)
{
    const DeviceItem* item = ItemRecord(combo, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    return item != NULL ? item->id : 0;
}

void SelectExact(HWND combo, const char* name)
{
    LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    if (index != CB_ERR)
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// A control's text into an entry field, cut to the field with the
// multibyte-aware copy. A page without the control leaves the field alone.
template <size_t N>
void StoreControlText(HWND page, int id, char (&field)[N])
{
    HWND control = GetDlgItem(page, id);
    if (control == NULL)
        return;
    char text[1024];
    GetWindowTextA(control, text, sizeof(text));
    StoreFieldText(field, N, text);
}

}  // namespace

int CALLBACK AddDeviceItem(const char* name, unsigned short, DWORD id, const char* adapter, DWORD context)
{
    // The type is asked of the device library again whenever it matters.
    HWND combo = reinterpret_cast<HWND>(static_cast<UINT_PTR>(context));
    LocalMem record(LocalAlloc(LPTR, sizeof(DeviceItem)));
    if (!record)
        return 0;
    DeviceItem* item = static_cast<DeviceItem*>(record.get());
    item->id = id;
    CopyBounded(item->name, name != NULL ? name : "", sizeof(item->name) - 1);
    CopyBounded(item->adapter, adapter != NULL ? adapter : "", 255);
    LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->name));
    if (index < 0)
        return 0;
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(record.release()));
    return 1;
}

void FreeDeviceItems(HWND combo)
{
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        const DeviceItem* item = ItemRecord(combo, index);
        if (item != NULL) {
            LocalFree(const_cast<DeviceItem*>(item));
            SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), 0);
        }
    }
}

void FillDeviceList(HWND combo, const char* value)
{
    if (SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0) {
        FreeDeviceItems(combo);
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    }
    EnumDeviceNames(AddDeviceItem, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(combo)));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    if (CurrentPhoneBook != NULL && CurrentEntry().TapiLineName[0] != '\0') {
        char line[sizeof(CurrentEntry().TapiLineName)];
        FetchFieldText(CurrentEntry().TapiLineName, sizeof(CurrentEntry().TapiLineName), line, sizeof(line));
        SelectExact(combo, line);
    }
    if (value != NULL)
        SelectExact(combo, value);
}

void StoreDeviceSelection(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    entry.DeviceType = 0;
    entry.UseDialUpNetworking = 0;
    memset(entry.TapiLineName, 0, sizeof(entry.TapiLineName));
    memset(entry.AdapterName, 0, sizeof(entry.AdapterName));

    HWND combo = GetDlgItem(page, IDC_CONNECT_USING);
    if (combo != NULL) {
        StoreControlText(page, IDC_CONNECT_USING, entry.TapiLineName);
        LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(entry.TapiLineName));
        const DeviceItem* item = ItemRecord(combo, index);
        if (item != NULL) {
            // The device library's code, whatever it is: only hosts are
            // held to the types SetDeviceType takes.
            entry.DeviceType = GetDeviceTypeFromID(item->id);
            CopyBounded(entry.AdapterName, item->adapter, sizeof(entry.AdapterName) - 1);
        }
    }
    entry.UseDialUpNetworking = IsDlgButtonChecked(page, IDC_USE_DIALUP);
    // A Dial-Up Networking connection goes with the tick: an entry that names
    // one is opened by the Properties sheet as running over it.
    if (!entry.UseDialUpNetworking)
        memset(entry.RasLinkName, 0, sizeof(entry.RasLinkName));
}

void UpdateDialUpCheck(HWND page)
{
    unsigned short type = GetDeviceTypeFromID(SelectedDeviceId(GetDlgItem(page, IDC_CONNECT_USING)));
    EnableWindow(GetDlgItem(page, IDC_USE_DIALUP), type >= 3 && type <= 5);
}

void ShowFieldsForDeviceType(HWND page)
{
    unsigned short type = CurrentEntry().DeviceType;
    ShowGroup(page, kIlsFields, false);
    if (type == 1 || type == 2) {
        ShowGroup(page, kNetworkFields, false);
        ShowGroup(page, kPhoneFields, true);
        EnableGroup(page, kEditablePhoneFields, type == 1);
    } else if (type >= 3 && type <= 5) {
        if (type == 5)
            ShowGroup(page, kIlsFields, true);
        ShowGroup(page, kPhoneFields, false);
        ShowGroup(page, kNetworkFields, true);
    }
}

void ConfigureDevice(HWND page)
{
    HWND combo = GetDlgItem(page, IDC_CONNECT_USING);
    if (combo == NULL || SendMessageA(combo, CB_GETCOUNT, 0, 0) <= 0)
        return;
    DWORD id = SelectedDeviceId(combo);
    char name[256];
    GetWindowTextA(combo, name, sizeof(name));
    QueryDeviceProperties(page, name, GetDeviceTypeFromID(id), id);
}

int StoreConnectFields(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    StoreControlText(page, IDC_AREA_CODE, entry.ConnectAreaCode);
    StoreControlText(page, IDC_PHONE_NUMBER, entry.ConnectPhoneNumber);
    StoreControlText(page, IDC_COUNTRY, entry.ConnectCountryCode);
    StoreControlText(page, IDC_WORKSTATION, entry.ConnectWorkstationName);
    if (entry.UseDialUpNetworking)
        StoreControlText(page, IDC_DIALUP_ENTRY, entry.RasLinkName);
    else
        memset(entry.RasLinkName, 0, sizeof(entry.RasLinkName));
    if (GetDlgItem(page, IDC_USE_COUNTRY_AREA) != NULL)
        entry.UseCountryCodeAndAreaCode = IsDlgButtonChecked(page, IDC_USE_COUNTRY_AREA);

    // Terminated copies: a field the page has no control for is as the
    // entry file left it.
    char areaCode[sizeof(entry.ConnectAreaCode)];
    FetchFieldText(entry.ConnectAreaCode, sizeof(entry.ConnectAreaCode), areaCode, sizeof(areaCode));
    HWND areaCombo = GetDlgItem(page, IDC_AREA_CODE);
    AddHistoryItem(areaCombo, areaCode, kHistoryItemsKept);
    SaveAreaCodeList(areaCombo, areaCode);

    char workstation[sizeof(entry.ConnectWorkstationName)];
    FetchFieldText(entry.ConnectWorkstationName, sizeof(entry.ConnectWorkstationName), workstation,
                   sizeof(workstation));
    HWND workstationCombo = GetDlgItem(page, IDC_WORKSTATION);
    AddHistoryItem(workstationCombo, workstation, kHistoryItemsKept);
    SaveWorkstationList(workstationCombo, workstation);

    // The entry's locator, not the combo box's text: the text is taken only
    // when the sheet is applied.
    char ils[sizeof(entry.InternetLocatorServer)];
    FetchFieldText(entry.InternetLocatorServer, sizeof(entry.InternetLocatorServer), ils, sizeof(ils));
    HWND ilsCombo = GetDlgItem(page, IDC_ILS);
    AddHistoryItem(ilsCombo, ils, kIlsItemsKept);
    SaveIlsList(ilsCombo, ils);

    entry.UseInternet = 1;
    return 1;
}
