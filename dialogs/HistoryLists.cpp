#include "HistoryLists.h"

#include <string.h>

#include "DeviceLibrary.h"
#include "EntryFiles.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "Settings.h"
#include "Telephony.h"
#include "TextCopy.h"

namespace {

// One history kept in the settings file.
struct SettingsHistory {
    const char* listKey;
    const char* lastKey;
    DWORD listRoom;      // characters read of the list
    DWORD lastRoom;      // characters read of the last value
    size_t longestItem;  // the entry field's width less its terminator
    size_t savedRoom;    // characters a saved list may take
};

const SettingsHistory kWorkstations = {"WorkstationList", "LastWorkstation", 159, 31, 31, 167};
const SettingsHistory kAreaCodes = {"AreaCodeList", "LastAreaCode", 59, 10, 11, 63};
const char kLastIlsKey[] = "LastILS";
const DWORD kLastIlsRoom = 510;
const size_t kLongestIls = 511;
const int kItemsLoaded = 6;
const int kIlsItemsLoaded = 5;

int FindExact(HWND combo, const char* text)
{
    return static_cast<int>(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(text)));
}

int ItemCount(HWND combo)
{
    return static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
}

void Select(HWND combo, int index)
{
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// Puts value at the top, making room when five items are held.
void InsertAtTop(HWND combo, const char* value)
{
    if (ItemCount(combo) == kHistoryItemsKept)
        SendMessageA(combo, CB_DELETESTRING, kHistoryItemsKept - 1, 0);
    SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(value));
}

// The item's text into buffer (size bytes); false when it does not fit, so
// that no item is ever cut into another value.
bool ItemText(HWND combo, int index, char* buffer, size_t size)
{
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || static_cast<size_t>(length) >= size)
        return false;
    return SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)) != CB_ERR;
}

// Adds the stored items with the combo box's own add. Empty fields are
// skipped; so is an item longer than the history's field (a hand-edited file)
// and a last item the read may have cut.
void AddStoredItems(HWND combo, const SettingsHistory& history)
{
    // One character more than the room tells a list that fills the room
    // from one that was cut by it.
    char list[256];
    DWORD length = ReadSettingString(kSettingsSection, history.listKey, "", list, history.listRoom + 2);
    list[length] = '\0';
    bool mayBeCut = false;
    if (length > history.listRoom) {
        mayBeCut = list[history.listRoom] != ',';
        list[history.listRoom] = '\0';
    }
    int added = 0;
    char* item = list;
    while (added < kItemsLoaded && *item != '\0') {
        char* comma = strchr(item, ',');
        bool last = comma == NULL;
        if (!last)
            *comma = '\0';
        size_t itemLength = strlen(item);
        if (itemLength > 0 && itemLength <= history.longestItem && !(last && mayBeCut)) {
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            ++added;
        }
        if (last)
            break;
        item = comma + 1;
    }
}

// Selects the item equal to the stored last value; true when there was one.
bool SelectStoredLast(HWND combo, const char* key, DWORD room)
{
    char last[kLongestIls + 1];
    DWORD length = ReadSettingString(kSettingsSection, key, "", last, room + 1);
    last[length] = '\0';
    int index = FindExact(combo, last);
    if (index == CB_ERR)
        return false;
    Select(combo, index);
    return true;
}

// The steps every loader ends with: the given value, else the first item.
void ApplyValue(HWND combo, const char* value, bool selected)
{
    if (value != NULL) {
        int index = FindExact(combo, value);
        if (index == CB_ERR) {
            InsertAtTop(combo, value);
            index = 0;
        }
        Select(combo, index);
        selected = true;
    }
    if (!selected)
        Select(combo, 0);
}

void LoadSettingsHistory(HWND combo, const char* value, const SettingsHistory& history, bool withLocation)
{
    AddStoredItems(combo, history);
    if (withLocation) {
        char areaCode[12];
        if (GetCurrentLocation(NULL, areaCode, sizeof(areaCode)) && FindExact(combo, areaCode) == CB_ERR)
            InsertAtTop(combo, areaCode);
    }
    bool selected = SelectStoredLast(combo, history.lastKey, history.lastRoom);
    ApplyValue(combo, value, selected);
}

// Items from index 0, separated by ",". An item that does not fit the saved
// list's room is left out.
void SaveSettingsHistory(HWND combo, const char* last, const SettingsHistory& history)
{
    char list[256] = "";
    size_t used = 0;
    int saved = 0;
    int count = ItemCount(combo);
    for (int index = 0; index < count; ++index) {
        char item[256];
        if (!ItemText(combo, index, item, sizeof(item)))
            continue;
        // The comma goes between the items saved: an item left out (too
        // long, or its text not to be had) leaves none behind.
        size_t length = strlen(item);
        size_t needed = length + (saved > 0 ? 1 : 0);
        if (used + needed > history.savedRoom)
            continue;
        if (saved++ > 0)
            list[used++] = ',';
        memcpy(list + used, item, length);
        used += length;
        list[used] = '\0';
    }
    WriteSettingString(kSettingsSection, history.listKey, list);
    WriteSettingString(kSettingsSection, history.lastKey, last != NULL ? last : "");
}

}  // namespace

void LoadWorkstationList(HWND combo, const char* value)
{
    if (combo != NULL)
        LoadSettingsHistory(combo, value, kWorkstations, false);
}

void LoadAreaCodeList(HWND combo, const char* value)
{
    if (combo != NULL)
        LoadSettingsHistory(combo, value, kAreaCodes, true);
}

void SaveWorkstationList(HWND combo, const char* last)
{
    if (combo != NULL)
        SaveSettingsHistory(combo, last, kWorkstations);
}

void SaveAreaCodeList(HWND combo, const char* last)
{
    if (combo != NULL)
        SaveSettingsHistory(combo, last, kAreaCodes);
}

LocalMem ReadIlsServerList()
{
    DWORD size = 0;
    if (!ILSGetList(NULL, &size) || size == 0)
        return LocalMem();
    LocalMem block(LocalAlloc(LPTR, size));
    if (!block || !ILSGetList(static_cast<char*>(block.get()), &size))
        return LocalMem();
    return block;
}

void LoadIlsList(HWND combo, const char* value)
{
    if (combo == NULL)
        return;
    LocalMem list = ReadIlsServerList();
    if (list) {
        // Walk the strings inside the block only: its end is its size, not
        // whatever terminators the library left.
        const char* next = static_cast<const char*>(list.get());
        const char* end = next + LocalSize(list.get());
        for (int added = 0; added < kIlsItemsLoaded && next < end && *next != '\0';) {
            size_t length = strnlen(next, static_cast<size_t>(end - next));
            if (next + length == end)
                break;
            if (length <= kLongestIls) {
                SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(next));
                ++added;
            }
            next += length + 1;
        }
    }
    bool selected = SelectStoredLast(combo, kLastIlsKey, kLastIlsRoom);
    ApplyValue(combo, value, selected);
}

void SaveIlsList(HWND combo, const char* last)
{
    if (combo == NULL)
        return;
    ILSPutList("\0");   // an empty multi-string: its terminator and the list's
    int count = ItemCount(combo);
    for (int index = 0; index < count && index < kIlsItemsKept; ++index) {
        char item[kLongestIls + 1];
        if (ItemText(combo, index, item, sizeof(item)) && item[0] != '\0')
            ILSAddEntry(item);
    }
    WriteSettingString(kSettingsSection, kLastIlsKey, last != NULL ? last : "");
}

int AddHistoryItem(HWND combo, const char* text, int max)
{
    if (combo == NULL || text == NULL || text[0] == '\0' || FindExact(combo, text) != CB_ERR)
        return 0;
    if (ItemCount(combo) == max)
        SendMessageA(combo, CB_DELETESTRING, static_cast<WPARAM>(max - 1), 0);
    SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
    return 1;
}

void StoreIlsText(HWND combo)
{
    if (combo == NULL)
        return;
    char text[kLongestIls + 1];
    GetWindowTextA(combo, text, sizeof(text));
    if (text[0] != '\0') {
        AddHistoryItem(combo, text, kIlsItemsKept);
        Select(combo, FindExact(combo, text));
        GetWindowTextA(combo, text, sizeof(text));
    }
    if (CurrentPhoneBook != NULL) {
        VmrEntryRecord& record = CurrentEntry();
        StoreFieldText(record.InternetLocatorServer, sizeof(record.InternetLocatorServer), text);
    }
}
