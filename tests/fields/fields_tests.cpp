// History lists, telephony and device fields on the General page's controls.
#include <gtest/gtest.h>
#include <algorithm>
#include <string.h>
#include <string>
#include <vector>

#include "DeviceFields.h"
#include "DeviceLibrary.h"
#include "EntryFiles.h"
#include "HistoryLists.h"
#include "PhoneBookAccess.h"
#include "RasApiTable.h"
#include "Settings.h"
#include "SystemApiSeam.h"
#include "Telephony.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

class ShellEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        shell_ = new ShellWindow();
        ModuleInstance = GetModuleHandleA(NULL);
    }
    void TearDown() override { delete shell_; }

private:
    ShellWindow* shell_ = nullptr;
};
::testing::Environment* const shellEnvironment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

INT_PTR CALLBACK PassiveDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

std::string Setting(const char* key)
{
    char value[600];
    DWORD length = ReadSettingString(kSettingsSection, key, "<absent>", value, sizeof(value));
    return std::string(value, length);
}

std::vector<std::string> Items(HWND combo)
{
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[600];
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::string Selected(HWND combo)
{
    int index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index < 0)
        return "<none>";
    char text[600];
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

// The General page's template as a modeless child of a hidden frame, with a
// phone book open, the device library pointed at a folder of the test's own,
// and a settings file of its own.
class FieldsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char settings[MAX_PATH];
        ASSERT_TRUE(LocateSettingsFile(settings));
        settingsPath_ = settings;
        DeleteFileA(settingsPath_.c_str());
        SetEnvironmentVariableA("LINKDEVS_DIR", devices.path().c_str());
        CurrentPhoneBook = &book;
        frame_ = CreateWindowA("STATIC", "frame", WS_OVERLAPPED, 0, 0, 400, 400, NULL, NULL, NULL, NULL);
        page = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_GENERAL), frame_, PassiveDialog, 0);
        ASSERT_NE(nullptr, page);
    }

    void TearDown() override
    {
        FreeDeviceItems(Control(IDC_CONNECT_USING));
        DestroyWindow(page);
        DestroyWindow(frame_);
        SetEnvironmentVariableA("LINKDEVS_DIR", NULL);
        DeleteFileA(settingsPath_.c_str());
    }

    HWND Control(int id) { return GetDlgItem(page, id); }
    void Set(const char* key, const char* value) { WriteSettingString(kSettingsSection, key, value); }
    VmrEntryRecord& Entry() { return VmrPhoneBookAccess::Record(book); }
    void WriteDevices(const std::string& lines)
    {
        std::string ini = "[Devices]\r\n" + lines;
        ASSERT_TRUE(WriteFileBytes(devices.file("LINKDEVS.INI"), ini.data(), ini.size()));
    }
    std::vector<std::string> IlsList()
    {
        std::vector<std::string> names;
        LocalMem list = ReadIlsServerList();
        for (const char* p = static_cast<const char*>(list.get()); p && *p; p += strlen(p) + 1)
            names.push_back(p);
        return names;
    }

    TempDir devices{"devices"};
    VmrPhoneBook book;
    HWND page = NULL;

private:
    std::string settingsPath_;
    HWND frame_ = NULL;
};

TEST_F(FieldsTest, StoredListsSkipEmptyFieldsAndStopAtSix)
{
    Set("WorkstationList", "beta,,alpha,");
    LoadWorkstationList(Control(IDC_WORKSTATION), NULL);
    EXPECT_EQ((std::vector<std::string>{"alpha", "beta"}), Items(Control(IDC_WORKSTATION)));
    EXPECT_EQ("alpha", Selected(Control(IDC_WORKSTATION)));

    Set("AreaCodeList", ",,g,f,e,d,c,b,a");
    Set("LastAreaCode", "c");
    LoadAreaCodeList(Control(IDC_AREA_CODE), NULL);
    std::vector<std::string> codes = Items(Control(IDC_AREA_CODE));
    // Unsorted, six from the file, and the current location's code on top.
    ASSERT_EQ(7u, codes.size());
    EXPECT_EQ((std::vector<std::string>{"g", "f", "e", "d", "c", "b"}),
              std::vector<std::string>(codes.begin() + 1, codes.end()));
    EXPECT_EQ("c", Selected(Control(IDC_AREA_CODE)));
}

TEST_F(FieldsTest, AGivenValueTakesTheTopOrItsTwin)
{
    Set("WorkstationList", "a,b,c,d,e");
    Set("LastWorkstation", "c");
    HWND combo = Control(IDC_WORKSTATION);
    LoadWorkstationList(combo, "zeta");
    EXPECT_EQ((std::vector<std::string>{"zeta", "a", "b", "c", "d"}), Items(combo));
    EXPECT_EQ("zeta", Selected(combo));

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    LoadWorkstationList(combo, "B");
    EXPECT_EQ(5u, Items(combo).size());
    EXPECT_EQ("b", Selected(combo));

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    LoadWorkstationList(combo, NULL);
    EXPECT_EQ("c", Selected(combo)) << "the last one stored";
}

TEST_F(FieldsTest, AnEmptyValueIsShownAndSkippedOnTheNextLoad)
{
    Set("WorkstationList", "a,b,c,d,e");
    HWND combo = Control(IDC_WORKSTATION);
    LoadWorkstationList(combo, "");
    EXPECT_EQ((std::vector<std::string>{"", "a", "b", "c", "d"}), Items(combo));
    EXPECT_EQ("", Selected(combo));
    SaveWorkstationList(combo, "");
    EXPECT_EQ(",a,b,c,d", Setting("WorkstationList"));
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    LoadWorkstationList(combo, NULL);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), Items(combo));
}

TEST_F(FieldsTest, EmptyHistoriesStayEmpty)
{
    HWND combo = Control(IDC_WORKSTATION);
    LoadWorkstationList(combo, NULL);
    EXPECT_TRUE(Items(combo).empty());
    EXPECT_EQ("<none>", Selected(combo));
    SaveWorkstationList(combo, "x");
    EXPECT_EQ("", Setting("WorkstationList"));
    EXPECT_EQ("x", Setting("LastWorkstation"));
}

TEST_F(FieldsTest, AddHistoryItemKeepsFiveAndNoTwins)
{
    HWND combo = Control(IDC_AREA_CODE);
    EXPECT_EQ(0, AddHistoryItem(combo, "", 5));
    for (const char* code : {"1", "2", "3", "4", "5"})
        EXPECT_EQ(1, AddHistoryItem(combo, code, 5));
    EXPECT_EQ(0, AddHistoryItem(combo, "3", 5));
    EXPECT_EQ(1, AddHistoryItem(combo, "6", 5));
    EXPECT_EQ((std::vector<std::string>{"6", "5", "4", "3", "2"}), Items(combo));
    EXPECT_EQ(0, AddHistoryItem(Control(IDC_WORKSTATION), NULL, 5));
    EXPECT_EQ(1, AddHistoryItem(Control(IDC_WORKSTATION), "Zed", 5));
    EXPECT_EQ(0, AddHistoryItem(Control(IDC_WORKSTATION), "zED", 5));
}

TEST_F(FieldsTest, HandEditedValuesNeverOverrun)
{
    // An item longer than the field is left out rather than cut into a
    // different name; so is a last item the read may have cut.
    std::string list = std::string(40, 'x') + ",ok," + std::string(150, 'y');
    Set("WorkstationList", list.c_str());
    Set("LastWorkstation", std::string(300, 'z').c_str());
    HWND combo = Control(IDC_WORKSTATION);
    LoadWorkstationList(combo, NULL);
    EXPECT_EQ((std::vector<std::string>{"ok"}), Items(combo));

    // Five names of the longest size fill the 159 characters read: all load.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    std::string full;
    for (char c = 'a'; c <= 'e'; ++c)
        full += (full.empty() ? "" : ",") + std::string(31, c);
    Set("WorkstationList", full.c_str());
    LoadWorkstationList(combo, NULL);
    EXPECT_EQ(5u, Items(combo).size());
    // One more is cut by the read: the cut name is left out, not loaded.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    Set("WorkstationList", (std::string(31, 'a') + "," + std::string(31, 'b') + "," + std::string(31, 'c') + "," +
                            std::string(31, 'd') + ",eeee," + std::string(30, 'f')).c_str());
    LoadWorkstationList(combo, NULL);
    EXPECT_EQ(5u, Items(combo).size());
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("fff")));

    // A saved list keeps within 167 characters.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 7; ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(31, 'a' + i).c_str()));
    SaveWorkstationList(combo, "");
    EXPECT_LE(Setting("WorkstationList").size(), 167u);
    EXPECT_EQ(std::string(31, 'a') + "," + std::string(31, 'b'), Setting("WorkstationList").substr(0, 63));
    // A first item past the room is left out with its comma.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : {std::string(200, 'x'), std::string("b"), std::string("c")})
        SendMessageA(combo, CB_INSERTSTRING, -1, reinterpret_cast<LPARAM>(item.c_str()));
    SaveWorkstationList(combo, "");
    EXPECT_EQ("b,c", Setting("WorkstationList"));
    // The comma counts in the room: an item that fits only without it is
    // left out (167 characters in all).
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : {std::string(100, 'a'), std::string(67, 'b'), std::string("c")})
        SendMessageA(combo, CB_INSERTSTRING, -1, reinterpret_cast<LPARAM>(item.c_str()));
    SaveWorkstationList(combo, "");
    EXPECT_EQ(std::string(100, 'a') + ",c", Setting("WorkstationList"));
}

TEST_F(FieldsTest, PagesWithoutTheComboBoxLeaveTheSettingsAlone)
{
    Set("WorkstationList", "keep");
    LoadWorkstationList(NULL, "x");
    SaveWorkstationList(NULL, "x");
    SaveAreaCodeList(NULL, "x");
    SaveIlsList(NULL, "x");
    EXPECT_EQ("keep", Setting("WorkstationList"));
    EXPECT_EQ("<absent>", Setting("LastWorkstation"));
    EXPECT_EQ("<absent>", Setting("AreaCodeList"));
    EXPECT_EQ("<absent>", Setting("LastILS"));
}

TEST_F(FieldsTest, IlsHistoryLivesInTheDeviceLibrary)
{
    HWND combo = Control(IDC_ILS);
    for (int i = 0; i < 40; ++i) {
        char name[32];
        wsprintfA(name, "ils%02d.example", i);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(combo, CB_INSERTSTRING, 3, reinterpret_cast<LPARAM>(""));
    SaveIlsList(combo, "ils07.example");
    std::vector<std::string> stored = IlsList();
    EXPECT_EQ(31u, stored.size()) << "the first 32 items, the empty one left out";
    EXPECT_EQ("ils00.example", stored.front());
    EXPECT_EQ("ils07.example", Setting("LastILS"));

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    LoadIlsList(combo, NULL);
    EXPECT_EQ(5u, Items(combo).size()) << "five servers from the list";
    EXPECT_EQ("ils00.example", Selected(combo)) << "LastILS is not among the five";

    // The longest last server the setting is read at, 510 characters, is
    // still found among them.
    const std::string longest(510, 'z');
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const char* item : {"a.example", longest.c_str()})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SaveIlsList(combo, longest.c_str());
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    LoadIlsList(combo, NULL);
    EXPECT_EQ(longest, Selected(combo));
}

TEST_F(FieldsTest, StoreIlsTextTakesTheTypedServer)
{
    HWND combo = Control(IDC_ILS);
    SetWindowTextA(combo, "new.ils");
    StoreIlsText(combo);
    EXPECT_EQ((std::vector<std::string>{"new.ils"}), Items(combo));
    EXPECT_STREQ("new.ils", Entry().InternetLocatorServer);
}

TEST_F(FieldsTest, CurrentLocationAndCountries)
{
    DWORD country = 0;
    char area[12];
    ASSERT_EQ(1, GetCurrentLocation(&country, area, sizeof(area)));
    HWND countries = Control(IDC_COUNTRY);
    FillCountryList(countries, NULL);
    EXPECT_GT(Items(countries).size(), 100u) << "the whole list, after one reallocation";
    std::string located = Selected(countries);
    ASSERT_NE("<none>", located) << "the location's country is selected";

    // A stored text that is no longer listed keeps the location's country.
    SendMessageA(countries, CB_RESETCONTENT, 0, 0);
    FillCountryList(countries, "Atlantis (999)");
    EXPECT_EQ(located, Selected(countries));
    std::string other = Items(countries)[5];
    SendMessageA(countries, CB_RESETCONTENT, 0, 0);
    FillCountryList(countries, other.c_str());
    EXPECT_EQ(other, Selected(countries));
}

// Telephony's country list, faked: a name longer than a line of the list
// holds, and a short one; the names first, then the entries. With
// CutLastCountry the used size ends inside the last entry.
bool CutLastCountry = false;

LONG WINAPI FakeLineGetCountry(DWORD, DWORD, LPLINECOUNTRYLIST list)
{
    const std::string names[] = {std::string(300, 'L'), "Short"};
    const DWORD count = 2, entries = sizeof(LINECOUNTRYLIST) + static_cast<DWORD>(names[0].size() + names[1].size() + 2);
    list->dwNeededSize = entries + count * sizeof(LINECOUNTRYENTRY);
    if (list->dwTotalSize < list->dwNeededSize) {
        list->dwUsedSize = sizeof(LINECOUNTRYLIST);
        return 0;
    }
    list->dwUsedSize = list->dwNeededSize - (CutLastCountry ? sizeof(LINECOUNTRYENTRY) / 2 : 0);
    list->dwNumCountries = count;
    list->dwCountryListSize = count * sizeof(LINECOUNTRYENTRY);
    list->dwCountryListOffset = entries;
    LINECOUNTRYENTRY* entry = reinterpret_cast<LINECOUNTRYENTRY*>(reinterpret_cast<char*>(list) + entries);
    DWORD at = sizeof(LINECOUNTRYLIST);
    for (DWORD i = 0; i < count; ++i, ++entry) {
        ZeroMemory(entry, sizeof(*entry));
        entry->dwCountryID = entry->dwCountryCode = 90 + i;
        entry->dwCountryNameSize = static_cast<DWORD>(names[i].size() + 1);
        entry->dwCountryNameOffset = at;
        memcpy(reinterpret_cast<char*>(list) + at, names[i].c_str(), names[i].size() + 1);
        at += entry->dwCountryNameSize;
    }
    return 0;
}

// A line of the country list holds 259 bytes: a longer one is cut there.
// An entry that the list's used size cuts is not listed.
TEST_F(FieldsTest, ALongCountryNameIsCutToTheLineAndACutEntryIsLeftOut)
{
    SystemApiSeam seam;
    seam.table().pfnLineGetCountry = FakeLineGetCountry;
    HWND countries = Control(IDC_COUNTRY);
    for (bool cut : {false, true}) {
        CutLastCountry = cut;
        SendMessageA(countries, CB_RESETCONTENT, 0, 0);
        FillCountryList(countries, NULL);
        std::vector<std::string> items = Items(countries);
        std::sort(items.begin(), items.end());
        std::vector<std::string> expected{std::string(259, 'L')};
        if (!cut)
            expected.push_back("Short (91)");
        EXPECT_EQ(expected, items) << (cut ? "cut" : "whole");
    }
    CutLastCountry = false;
}

// The location's area code comes from the prefix's registry; a long one is
// cut to the 11 characters of the field.
TEST_F(FieldsTest, ALongAreaCodeIsCut)
{
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations\\Location1";
    HKEY location;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WRITE, &location));
    char previous[64];
    DWORD size = sizeof(previous);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(location, "AreaCode", NULL, NULL, reinterpret_cast<BYTE*>(previous), &size));
    const char longCode[] = "12345678901234567890";
    RegSetValueExA(location, "AreaCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(longCode), sizeof(longCode));

    char area[12];
    memset(area, 'x', sizeof(area));
    int found = GetCurrentLocation(NULL, area, sizeof(area));
    HWND combo = Control(IDC_AREA_CODE);
    LoadAreaCodeList(combo, NULL);

    RegSetValueExA(location, "AreaCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous), size);
    RegCloseKey(location);
    ASSERT_EQ(1, found);
    EXPECT_STREQ("12345678901", area);
    EXPECT_EQ((std::vector<std::string>{"12345678901"}), Items(combo));
}

TEST_F(FieldsTest, TheLocationsCodeJoinsTheAreaCodes)
{
    char area[12];
    ASSERT_EQ(1, GetCurrentLocation(NULL, area, sizeof(area)));
    HWND combo = Control(IDC_AREA_CODE);
    std::string listed = std::string("1,") + area + ",3";
    Set("AreaCodeList", listed.c_str());
    LoadAreaCodeList(combo, NULL);
    EXPECT_EQ(3u, Items(combo).size()) << "already listed: nothing added";

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    Set("AreaCodeList", "1,2,3,4,5");
    LoadAreaCodeList(combo, NULL);
    EXPECT_EQ((std::vector<std::string>{area, "1", "2", "3", "4"}), Items(combo));
}

TEST_CHILD(TelephonyOff)
{
    (void)arg;
    LONG started = StartTelephony();
    printf("%lx %lu %ld", static_cast<unsigned long>(started), static_cast<unsigned long>(LineApp), StopTelephony());
    return 0;
}

TEST_F(FieldsTest, TelephonyCanBeSwitchedOff)
{
    for (const char* word : {"Off", "no", "FALSE"}) {
        Set("AllowTAPI", word);
        std::string output;
        ASSERT_EQ(0u, RunChildUnderVersion("win7", "TelephonyOff", "", &output));
        EXPECT_EQ("8000004b 0 0", output) << word;
    }
}

// Windows NT 3.51 has no TAPI32.DLL: telephony is "not allowed", as when it
// is switched off, and the fields have no countries and no location.
TEST_F(FieldsTest, WithoutTelephonyNoCountriesAndNoLocation)
{
    SystemApiSeam seam;
    ASSERT_TRUE(seam.system().HasTelephony()) << "Wine has TAPI32.DLL";
    seam.removeTelephony();

    EXPECT_EQ(kTelephonyNotAllowed, StartTelephony());
    EXPECT_EQ(0u, LineApp);
    EXPECT_EQ(0, StopTelephony());
    char area[12] = "x";
    EXPECT_EQ(0, GetCurrentLocation(NULL, area, sizeof(area)));
    HWND countries = Control(IDC_COUNTRY);
    FillCountryList(countries, "Atlantis (999)");
    EXPECT_TRUE(Items(countries).empty());
    EXPECT_EQ("<none>", Selected(countries));
}

TEST_F(FieldsTest, DevicesAreListedInTheLibrarysOrder)
{
    WriteDevices("a=Zulu Modem|1|100|\r\nb=Alpha ISDN|2|200|isdn0\r\nc=Office LAN|3|300|Ethernet 1\r\n");
    HWND combo = Control(IDC_CONNECT_USING);
    FillDeviceList(combo, NULL);
    EXPECT_EQ((std::vector<std::string>{"Zulu Modem", "Alpha ISDN", "Office LAN"}), Items(combo));
    EXPECT_EQ("Zulu Modem", Selected(combo));

    strcpy(Entry().TapiLineName, "Office LAN");
    FillDeviceList(combo, NULL);
    EXPECT_EQ(3u, Items(combo).size()) << "refilled, not added to";
    EXPECT_EQ("Office LAN", Selected(combo));
    FillDeviceList(combo, "Alpha ISDN");
    EXPECT_EQ("Alpha ISDN", Selected(combo));
    strcpy(Entry().TapiLineName, "Gone");
    FillDeviceList(combo, "Also gone");
    EXPECT_EQ("Zulu Modem", Selected(combo));

    FreeDeviceItems(combo);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(0, SendMessageA(combo, CB_GETITEMDATA, i, 0));
}

TEST_F(FieldsTest, LongDeviceNamesAreCut)
{
    WriteDevices("a=" + std::string(300, 'n') + "|3|1|" + std::string(300, 'a') + "\r\n");
    HWND combo = Control(IDC_CONNECT_USING);
    FillDeviceList(combo, NULL);
    ASSERT_EQ(1u, Items(combo).size());
    EXPECT_EQ(std::string(255, 'n'), Items(combo)[0]);
    StoreDeviceSelection(page);
    EXPECT_EQ(std::string(255, 'a'), std::string(Entry().AdapterName));
    EXPECT_EQ(3, Entry().DeviceType);
}

TEST_F(FieldsTest, StoreDeviceSelectionTakesTheLibrarysType)
{
    WriteDevices("a=Modem|1|100|\r\nb=ISDN|2|200|isdn0\r\n");
    HWND combo = Control(IDC_CONNECT_USING);
    FillDeviceList(combo, "ISDN");
    CheckDlgButton(page, IDC_USE_DIALUP, BST_CHECKED);
    StoreDeviceSelection(page);
    EXPECT_EQ(2, Entry().DeviceType) << "stored without the host setter's filter";
    EXPECT_STREQ("ISDN", Entry().TapiLineName);
    EXPECT_STREQ("isdn0", Entry().AdapterName);
    EXPECT_EQ(1u, Entry().UseDialUpNetworking);
}

TEST_F(FieldsTest, DialUpNetworkingIsForNetworkDevices)
{
    WriteDevices("a=Modem|1|100|\r\nb=ISDN|2|200|\r\nc=LAN|3|300|\r\nd=WAN|4|400|\r\ne=Net|5|500|\r\n");
    HWND combo = Control(IDC_CONNECT_USING);
    FillDeviceList(combo, NULL);
    const bool expected[] = {false, false, true, true, true};
    for (int i = 0; i < 5; ++i) {
        SendMessageA(combo, CB_SETCURSEL, i, 0);
        UpdateDialUpCheck(page);
        EXPECT_EQ(expected[i], IsWindowEnabled(Control(IDC_USE_DIALUP)) != FALSE) << i;
    }
}

TEST_F(FieldsTest, EachDeviceTypeShowsItsFields)
{
    auto visible = [&](int id) { return (GetWindowLongA(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; };
    Entry().DeviceType = 2;
    ShowFieldsForDeviceType(page);
    EXPECT_TRUE(visible(IDC_PHONE_NUMBER));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_PHONE_NUMBER)));
    EXPECT_FALSE(visible(IDC_WORKSTATION));
    EXPECT_FALSE(visible(IDC_ILS));

    Entry().DeviceType = 1;
    ShowFieldsForDeviceType(page);
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_AREA_CODE)));

    Entry().DeviceType = 5;
    ShowFieldsForDeviceType(page);
    EXPECT_TRUE(visible(IDC_ILS));
    EXPECT_TRUE(visible(IDC_ILS_LABEL));
    EXPECT_TRUE(visible(IDC_WORKSTATION));
    EXPECT_FALSE(visible(IDC_PHONE_NUMBER));

    Entry().DeviceType = 3;
    ShowFieldsForDeviceType(page);
    EXPECT_FALSE(visible(IDC_ILS));
    EXPECT_TRUE(visible(IDC_NETWORK_GROUP));

    Entry().DeviceType = 0;   // only the locator fields go
    ShowWindow(Control(IDC_ILS), SW_SHOW);
    ShowFieldsForDeviceType(page);
    EXPECT_FALSE(visible(IDC_ILS));
    EXPECT_TRUE(visible(IDC_NETWORK_GROUP));
}

VOID CALLBACK FailOnAnyDialog(HWND, UINT, UINT_PTR, DWORD)
{
    ADD_FAILURE() << "a dialog was shown";
    PostQuitMessage(0);
}

TEST_F(FieldsTest, ConfigureWithoutDevicesDoesNothing)
{
    WriteDevices("");
    FillDeviceList(Control(IDC_CONNECT_USING), NULL);
    // A device dialog would be modal: a timer would fire inside it.
    UINT_PTR timer = SetTimer(NULL, 0, 10, FailOnAnyDialog);
    ConfigureDevice(page);
    KillTimer(NULL, timer);
    MSG message;
    while (PeekMessageA(&message, NULL, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
}

TEST_F(FieldsTest, StoreConnectFieldsCopiesCutsAndRemembers)
{
    SetWindowTextA(Control(IDC_AREA_CODE), "0123456789ABCDEF");
    SetWindowTextA(Control(IDC_PHONE_NUMBER), "5550123");
    SetWindowTextA(Control(IDC_WORKSTATION), "lab-42");
    CheckDlgButton(page, IDC_USE_COUNTRY_AREA, BST_UNCHECKED);
    SendMessageA(Control(IDC_DIALUP_ENTRY), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Dial Home"));
    SendMessageA(Control(IDC_DIALUP_ENTRY), CB_SETCURSEL, 0, 0);
    strcpy(Entry().RasLinkName, "stale");
    strcpy(Entry().InternetLocatorServer, "entry.ils");
    SetWindowTextA(Control(IDC_ILS), "typed.ils");
    Entry().UseDialUpNetworking = 0;

    EXPECT_EQ(1, StoreConnectFields(page));
    EXPECT_STREQ("0123456789A", Entry().ConnectAreaCode);
    EXPECT_STREQ("5550123", Entry().ConnectPhoneNumber);
    EXPECT_STREQ("lab-42", Entry().ConnectWorkstationName);
    EXPECT_STREQ("", Entry().RasLinkName) << "no Dial-Up Networking: the name goes";
    EXPECT_EQ(0u, Entry().UseCountryCodeAndAreaCode);
    EXPECT_EQ(1u, Entry().UseInternet);
    EXPECT_EQ("0123456789A", Setting("AreaCodeList"));
    EXPECT_EQ("lab-42", Setting("WorkstationList"));
    EXPECT_EQ("lab-42", Setting("LastWorkstation"));
    EXPECT_EQ((std::vector<std::string>{"entry.ils"}), IlsList()) << "the entry's locator, not the text";

    Entry().UseDialUpNetworking = 1;
    StoreConnectFields(page);
    EXPECT_STREQ("Dial Home", Entry().RasLinkName);
}

}  // namespace
