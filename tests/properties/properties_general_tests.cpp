// The General page: the fields each device type shows, the Dial-Up
// Networking choice, the country and area code tick, the text limits, the
// histories and the devices.
#include "PropertiesTestSupport.h"

#include <prsht.h>

namespace {

const int kPhoneFields[] = {IDC_PHONE_GROUP, IDC_PHONE_NUMBER_LABEL, IDC_PHONE_NUMBER, IDC_COUNTRY_LABEL,
                            IDC_COUNTRY, IDC_USE_COUNTRY_AREA, IDC_AREA_CODE_LABEL, IDC_AREA_CODE};
const int kEditablePhoneFields[] = {IDC_PHONE_NUMBER, IDC_AREA_CODE, IDC_COUNTRY, IDC_USE_COUNTRY_AREA};
const int kNetworkFields[] = {IDC_NETWORK_GROUP, IDC_WORKSTATION_LABEL, IDC_WORKSTATION,
                              IDC_DIALUP_ENTRY_LABEL, IDC_USE_DIALUP, IDC_DIALUP_ENTRY};
const int kIlsFields[] = {IDC_ILS_LABEL, IDC_ILS};
const int kCountryAndAreaFields[] = {IDC_AREA_CODE_LABEL, IDC_COUNTRY_LABEL, IDC_AREA_CODE, IDC_COUNTRY};

template <size_t N>
void ExpectShown(DialogDriver& driver, const int (&ids)[N], bool visible)
{
    for (int id : ids)
        driver.ExpectVisible(id, visible);
}

template <size_t N>
void ExpectUsable(DialogDriver& driver, const int (&ids)[N], bool enabled)
{
    for (int id : ids)
        driver.ExpectEnabled(id, enabled);
}

// What the page shows for each kind of device, as the device list names it.
struct DeviceView {
    const char* device;
    bool phone;
    bool phoneEditable;
    bool network;
    bool ils;
    const char* label;
};

const DeviceView kViews[] = {
    {kFaxLine, true, false, false, false, "type2"},
    {kSiteLink, false, false, true, false, "type3"},
    {kLocatorNet, false, false, true, true, "type5"},
    {kPhoneModem, true, true, false, false, "type1"},
};

void ExpectView(DialogDriver& driver, const DeviceView& view)
{
    ExpectShown(driver, kPhoneFields, view.phone);
    if (view.phone)
        ExpectUsable(driver, kEditablePhoneFields, view.phoneEditable);
    ExpectShown(driver, kNetworkFields, view.network);
    ExpectShown(driver, kIlsFields, view.ils);
}

class GeneralPage : public PropertiesTest
{
protected:
    void SetUp() override
    {
        PropertiesTest::SetUp();
        WriteStandardDevices();
    }

    // An entry on the device, with the Dial-Up Networking connection given.
    // The flag stored beside the connection agrees with it unless given.
    void WriteEntry(const char* device, unsigned short type, const char* rasLink = "", int storedFlag = -1)
    {
        VmrEntryRecord record = NewRecord();
        SetField(record.TapiLineName, device);
        record.DeviceType = type;
        SetField(record.RasLinkName, rasLink);
        record.UseDialUpNetworking = storedFlag >= 0 ? storedFlag : rasLink[0] != '\0';
        SetField(record.ConnectWorkstationName, "ws-old");
        SetField(record.InternetLocatorServer, "ils.old.example");
        SetField(record.ConnectPhoneNumber, "555 0100");
        SetField(record.ConnectAreaCode, "030");
        WriteEntryFile("Office.vmr", record);
    }
};

TEST_F(GeneralPage, EachDeviceTypeShowsItsOwnFields)
{
    WriteEntry(kPhoneModem, 1);
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL);
    ExpectView(driver, kViews[3]);
    driver.ExpectEnabled(kSheetApply, false);
    for (const DeviceView& view : kViews) {
        driver.Pick(IDC_CONNECT_USING, view.device);
        ExpectView(driver, view);
        driver.Screenshot(view.label);
    }
    driver.ExpectEnabled(kSheetApply, true).Pick(IDC_CONNECT_USING, kSiteLink).PressSheetButton(PSBTN_OK).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    EXPECT_EQ(kSiteLink, Field(stored, &VmrPhoneBook::GetTapiLineName));
    EXPECT_EQ(3, stored.GetDeviceType());
    EXPECT_EQ("Network Adapter", Field(stored, &VmrPhoneBook::GetAdapterName));
}

TEST_F(GeneralPage, AnEntryOpensWithTheFieldsOfItsType)
{
    WriteEntry(kLocatorNet, 5);
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .ExpectText(IDC_CONNECT_USING, kLocatorNet)
        .ExpectText(IDC_WORKSTATION, "ws-old")
        .ExpectText(IDC_ILS, "ils.old.example")
        .ExpectEnabled(IDC_ILS, true)
        .ExpectEnabled(IDC_ILS_LABEL, true);
    ExpectView(driver, kViews[2]);
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));
}

TEST_F(GeneralPage, UntickingDialUpNetworkingForgetsTheConnectionAtOnce)
{
    ASSERT_TRUE(RasDoubleAdd("Office DUN"));
    ASSERT_TRUE(RasDoubleAdd("Home DUN"));
    WriteEntry(kSiteLink, 3, "Office DUN");
    std::string whileOpen = "<unread>";
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .ExpectChecked(IDC_USE_DIALUP, BST_CHECKED)
        .ExpectEnabled(IDC_DIALUP_ENTRY, true)
        .ExpectEnabled(IDC_DIALUP_ENTRY_LABEL, true)
        .ExpectText(IDC_DIALUP_ENTRY, "Office DUN")
        .Screenshot("network")
        .Tick(IDC_USE_DIALUP, false)
        .ExpectEnabled(IDC_DIALUP_ENTRY, false)
        .ExpectEnabled(IDC_DIALUP_ENTRY_LABEL, false)
        .Do("read the object's Dial-Up Networking connection", [&](HWND) {
            whileOpen = Field(book, &VmrPhoneBook::GetRasLinkName);
            return true;
        })
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    EXPECT_EQ("", whileOpen);
    EXPECT_EQ("", Stored(&VmrPhoneBook::GetRasLinkName));
    VmrPhoneBook stored;
    EXPECT_EQ(0, stored.IsRasLinkEntry(const_cast<char*>(phoneBook.file("Office.vmr").c_str())));
}

// The tick follows the stored connection's name, not the stored flag: a name
// opens ticked, no name unticked, whatever the flag says.
TEST_F(GeneralPage, TheDialUpTickFollowsTheStoredConnection)
{
    ASSERT_TRUE(RasDoubleAdd("Office DUN"));
    for (int named = 0; named <= 1; ++named) {
        SCOPED_TRACE(named ? "a name and the flag clear" : "no name and the flag set");
        WriteEntry(kSiteLink, 3, named ? "Office DUN" : "", named ? 0 : 1);
        DialogDriver driver;
        driver.WaitPage(IDD_GENERAL)
            .ExpectChecked(IDC_USE_DIALUP, named ? BST_CHECKED : BST_UNCHECKED)
            .ExpectEnabled(IDC_DIALUP_ENTRY, named != 0)
            .PressSheetButton(PSBTN_CANCEL)
            .WaitClosed();
        EXPECT_EQ(1, OpenSheet(driver));
    }
}

TEST_F(GeneralPage, TickingDialUpNetworkingTakesTheConnectionChosen)
{
    ASSERT_TRUE(RasDoubleAdd("Office DUN"));
    ASSERT_TRUE(RasDoubleAdd("Home DUN"));
    WriteEntry(kSiteLink, 3);
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .ExpectChecked(IDC_USE_DIALUP, BST_UNCHECKED)
        .ExpectEnabled(IDC_DIALUP_ENTRY, false)
        .ExpectEnabled(IDC_DIALUP_ENTRY_LABEL, false)
        .Tick(IDC_USE_DIALUP)
        .ExpectEnabled(IDC_DIALUP_ENTRY, true)
        .Pick(IDC_DIALUP_ENTRY, "Office DUN")
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    EXPECT_EQ("Office DUN", Stored(&VmrPhoneBook::GetRasLinkName));
    VmrPhoneBook stored;
    EXPECT_EQ(1, stored.IsRasLinkEntry(const_cast<char*>(phoneBook.file("Office.vmr").c_str())));
}

TEST_F(GeneralPage, TheCountryAndAreaCodeTickGovernsItsFields)
{
    WriteEntry(kPhoneModem, 1);
    std::string country;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).ExpectChecked(IDC_USE_COUNTRY_AREA, BST_CHECKED).ExpectEnabled(kSheetApply, false);
    ExpectUsable(driver, kCountryAndAreaFields, true);
    // Germany's dialling code is 49 in every telephony list. The pick is a
    // user's: the selection, then the combo box's notification.
    Steps::OnPage(driver, "pick the country with code 49", [&](HWND page) {
        HWND combo = GetDlgItem(page, IDC_COUNTRY);
        int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int index = 0; index < count && country.empty(); ++index) {
            char text[300];
            if (SendMessageA(combo, CB_GETLBTEXTLEN, index, 0) >= static_cast<LRESULT>(sizeof(text)))
                continue;
            SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
            if (strstr(text, "(49)") != NULL) {
                country = text;
                SendMessageA(combo, CB_SETCURSEL, index, 0);
                SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_COUNTRY, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(combo));
            }
        }
    });
    driver.ExpectEnabled(kSheetApply, true).PressSheetButton(PSBTN_APPLYNOW).WaitPage(IDD_GENERAL)
        .Tick(IDC_USE_COUNTRY_AREA, false)
        .ExpectEnabled(kSheetApply, true);
    ExpectUsable(driver, kCountryAndAreaFields, false);
    driver.Tick(IDC_USE_COUNTRY_AREA);
    ExpectUsable(driver, kCountryAndAreaFields, true);
    driver.Tick(IDC_USE_COUNTRY_AREA, false).PressSheetButton(PSBTN_OK).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    ASSERT_FALSE(country.empty());
    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    EXPECT_EQ(0, stored.UseCountryCodeAndAreaCode());
    EXPECT_EQ(country, Field(stored, &VmrPhoneBook::GetConnectCountryCode));

    // Opened again, the page shows the stored country, not the location's.
    DialogDriver again;
    again.WaitPage(IDD_GENERAL).ExpectText(IDC_COUNTRY, country).PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(again));
}

// Every edit of the sheet typed past its field: the General page's boxes stop
// at the field's width less the terminator; the Login page sets no limits and
// cuts what it stores. The entry stores what the rows say, and the histories
// their last values.
TEST_F(GeneralPage, TypedTextStopsAtTheFieldWidths)
{
    WriteEntry(kPhoneModem, 1);
    const struct {
        int page;
        const char* device;   // picked first; null: the one shown
        int control;
        size_t typed;
        size_t shown;
        char letter;
        Getter getter;   // null: the confirmation
        size_t stored;
    } edits[] = {
        {IDD_GENERAL, nullptr, IDC_PHONE_NUMBER, 40, 37, '7', &VmrPhoneBook::GetConnectPhoneNumber, 37},
        {IDD_GENERAL, nullptr, IDC_AREA_CODE, 14, 11, '3', &VmrPhoneBook::GetConnectAreaCode, 11},
        {IDD_GENERAL, kLocatorNet, IDC_WORKSTATION, 34, 31, 'w', &VmrPhoneBook::GetConnectWorkstationName, 31},
        {IDD_GENERAL, nullptr, IDC_ILS, 514, 511, 'i', &VmrPhoneBook::GetInternetLocatorServer, 511},
        {IDD_LOGIN, nullptr, IDC_LOGIN_NAME, 99, 99, 'l', &VmrPhoneBook::GetLoginName, 95},
        {IDD_LOGIN, nullptr, IDC_PASSWORD, 20, 20, 'p', &VmrPhoneBook::GetPassword, 17},
        {IDD_LOGIN, nullptr, IDC_CONFIRM_PASSWORD, 20, 20, 'p', nullptr, 17},
    };
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL);
    int page = IDD_GENERAL;
    for (const auto& edit : edits) {
        if (edit.page != page)
            Steps::GoToPage(driver, page = edit.page, edit.page);
        if (edit.device != nullptr)
            driver.Pick(IDC_CONNECT_USING, edit.device);
        driver.Type(edit.control, std::string(edit.typed, edit.letter))
            .ExpectText(edit.control, std::string(edit.shown, edit.letter));
    }
    driver.PressSheetButton(PSBTN_OK).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    for (const auto& edit : edits) {
        if (edit.getter != nullptr) {
            EXPECT_EQ(std::string(edit.stored, edit.letter), Field(stored, edit.getter)) << edit.control;
        }
    }
    EXPECT_EQ(std::string(31, 'w'), Setting("LastWorkstation"));
    EXPECT_EQ(std::string(11, '3'), Setting("LastAreaCode"));
    EXPECT_EQ(std::string(511, 'i'), Setting("LastILS"));
}

// The stored connection is selected wherever it sorts in the list, the first
// and the last, and OK keeps it.
TEST_F(GeneralPage, TheStoredConnectionIsSelectedFirstOrLast)
{
    for (const char* name : {"Home DUN", "Middle DUN", "Office DUN"})
        ASSERT_TRUE(RasDoubleAdd(name));
    for (const char* link : {"Home DUN", "Office DUN"}) {
        SCOPED_TRACE(link);
        WriteEntry(kSiteLink, 3, link);
        DialogDriver driver;
        driver.WaitPage(IDD_GENERAL)
            .ExpectText(IDC_DIALUP_ENTRY, link)
            .Type(IDC_WORKSTATION, "ws-new")
            .PressSheetButton(PSBTN_OK)
            .WaitClosed();
        EXPECT_EQ(1, OpenSheet(driver));
        EXPECT_EQ(link, Stored(&VmrPhoneBook::GetRasLinkName));
    }
}

TEST_F(GeneralPage, OkTakesTheLocatorServerIntoEntryAndHistory)
{
    WriteEntry(kLocatorNet, 5);
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .Type(IDC_ILS, "ils.new.example")
        .ExpectEnabled(kSheetApply, true)
        .Type(IDC_WORKSTATION, "ws-new")
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    EXPECT_EQ("ils.new.example", Field(stored, &VmrPhoneBook::GetInternetLocatorServer));
    EXPECT_EQ("ws-new", Field(stored, &VmrPhoneBook::GetConnectWorkstationName));
    std::vector<std::string> servers = IlsList();
    ASSERT_FALSE(servers.empty());
    EXPECT_EQ("ils.new.example", servers.front());
    EXPECT_EQ("ils.new.example", Setting("LastILS"));
    EXPECT_EQ("ws-new", Setting("LastWorkstation"));
}

TEST_F(GeneralPage, WithoutDevicesConnectUsingAndConfigureAreDisabled)
{
    WriteEntry(kPhoneModem, 1);
    WriteDevices("");
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .ExpectEnabled(IDC_CONNECT_USING, false)
        .ExpectEnabled(IDC_CONFIGURE, false)
        .Screenshot("no-devices")
        .Type(IDC_PHONE_NUMBER, "555 0161")
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    EXPECT_EQ("555 0161", Field(stored, &VmrPhoneBook::GetConnectPhoneNumber));
    EXPECT_EQ("", Field(stored, &VmrPhoneBook::GetTapiLineName));
}

TEST_F(GeneralPage, ConfigureShowsTheChosenDevicesSettings)
{
    WriteEntry(kPhoneModem, 1);
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .ExpectEnabled(IDC_CONNECT_USING, true)
        .Pick(IDC_CONNECT_USING, kSiteLink)
        .Press(IDC_CONFIGURE)
        .WaitDialogCaption("Device Properties")
        .ReadText(101, "device")
        .Screenshot("configure")
        .Press(IDOK)
        .WaitPage(IDD_GENERAL)
        .PressSheetButton(PSBTN_CANCEL)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));
    EXPECT_EQ(kSiteLink, driver.Text("device"));
}

}  // namespace
