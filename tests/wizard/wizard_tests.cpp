// VmrPhoneBook::QueryCreateEntry driven as a user drives it: the connection
// type dialog, the Dial-Up Networking choice, every path through the wizard's
// pages by device type, and what the finished or cancelled wizard leaves in
// the entry file, the caller's buffer and the histories. Dial-Up Networking
// is the RASAPI32.DLL double, bound.
#include <string>
#include <vector>

#include "Holdings.h"
#include "WizardTestSupport.h"

namespace {

// The number of pages the sheet holds, as its tab control counts them.
DialogDriver& CountPages(DialogDriver& driver, LRESULT* pages)
{
    return driver.Do("count the pages", [pages](HWND sheet) {
        *pages = SendMessageA(GetDlgItem(sheet, kSheetTabs), TCM_GETITEMCOUNT, 0, 0);
        return true;
    });
}

// Waits until the sheet's title bar reads the wizard's caption: each page
// asks for an empty title, and the wizard must not be left without one.
DialogDriver& ExpectWizardCaption(DialogDriver& driver)
{
    return driver.Do("the title bar reads \"Create New Connection\"", [](HWND sheet) {
        char title[64] = "";
        GetWindowTextA(sheet, title, sizeof(title));
        return strcmp(title, "Create New Connection") == 0;
    });
}

// ---- Dialog 5000 and what comes before it

class ConnectionType : public WizardTest
{
};

TEST_F(ConnectionType, CancelCreatesNothing)
{
    WriteDevices(kDeviceLines);
    DialogDriver driver;
    driver.WaitDialog(IDD_CONNECTION_TYPE)
        .Screenshot("5000")
        .ExpectChecked(IDC_TYPE_VELMORA, BST_CHECKED)
        .ExpectChecked(IDC_TYPE_DIALUP, BST_UNCHECKED)
        .ExpectEnabled(IDC_TYPE_BACK, false)
        .ExpectEnabled(IDC_TYPE_NEXT, true)
        .ExpectVisible(IDHELP, true)
        .Press(IDCANCEL)
        .WaitClosed();
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(1u, gate->calls);
    EXPECT_EQ(3u, gate->lastRight);
    EXPECT_EQ(owner, gate->lastOwner);
    EXPECT_TRUE(EntryFiles().empty());
    EXPECT_TRUE(BufferUntouched());
    EXPECT_EQ(0u, ras->createCalls);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ConnectionType, ARefusedLoginShowsNothingAndLeavesTheObject)
{
    gate->answer = 1;
    char login[] = "Kept";
    book.SetLoginName(login);
    DialogDriver driver;   // no step: any dialog left open is a failure
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_FALSE(driver.Failed());
    EXPECT_EQ(1u, gate->calls);
    EXPECT_EQ("Kept", Field(book, &VmrPhoneBook::GetLoginName));
    EXPECT_TRUE(BufferUntouched());
}

TEST_F(ConnectionType, AParentThatIsNoWindowAnswersZeroAfterTheReset)
{
    char login[] = "Gone";
    book.SetLoginName(login);
    DialogDriver driver;
    unsigned short result = driver.Run([&] {
        return book.QueryCreateEntry(reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFFFFF0)), buffer, 300, 0);
    });
    EXPECT_EQ(0, result);
    EXPECT_EQ("", Field(book, &VmrPhoneBook::GetLoginName)) << "the reset comes before the dialog";
    EXPECT_TRUE(BufferUntouched());
}

class DialUpChoice : public WizardTest
{
protected:
    // Picks Dial-Up Networking on dialog 5000; the double's new-entry dialog
    // adds the names given.
    unsigned short ChooseDialUp(const Strings& added)
    {
        ras->createAddCount = static_cast<DWORD>(added.size());
        for (size_t i = 0; i < added.size(); ++i)
            lstrcpynA(ras->createAdds[i], added[i].c_str(), RAS_DOUBLE_NAME_SIZE);
        DialogDriver driver;
        driver.WaitDialog(IDD_CONNECTION_TYPE).Tick(IDC_TYPE_DIALUP).Press(IDC_TYPE_NEXT).WaitClosed();
        unsigned short result = Create(driver, 0, 64);
        EXPECT_TRUE(driver.Finished());
        return result;
    }

    static bool ThreadImpersonates()
    {
        HANDLE token = NULL;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
            return GetLastError() != ERROR_NO_TOKEN;
        CloseHandle(token);
        return true;
    }
};

TEST_F(DialUpChoice, ANewEntryAnswersFourWithItsName)
{
    ASSERT_TRUE(RasDoubleAdd("Existing"));
    EXPECT_EQ(4, ChooseDialUp({"New Link"}));
    EXPECT_EQ("New Link", Buffer());
    EXPECT_EQ(1u, ras->createCalls);
    EXPECT_EQ(owner, ras->createOwner);
    EXPECT_FALSE(ras->createImpersonating) << "regstore did not ask for the desktop's user";
    EXPECT_FALSE(ras->sawPhonebookPath);
    EXPECT_TRUE(EntryFiles().empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(DialUpChoice, AsTheInteractiveUserTheThreadComesBackAsItself)
{
    WriteRegStore(1);
    EXPECT_EQ(4, ChooseDialUp({"Shell Link"}));
    EXPECT_EQ("Shell Link", Buffer());
    EXPECT_TRUE(ras->createImpersonating) << "the entry is made as the desktop's user";
    EXPECT_FALSE(ThreadImpersonates());
}

TEST_F(DialUpChoice, NoNewEntryAnswersOne)
{
    WriteRegStore(1);
    EXPECT_EQ(1, ChooseDialUp({}));
    EXPECT_EQ(1u, ras->createCalls);
    EXPECT_TRUE(BufferUntouched());
    EXPECT_FALSE(ThreadImpersonates());
}

// ---- Whole paths through the wizard

TEST_F(WizardPaths, TelephoneLineWithEveryPageAndBackFromEach)
{
    LRESULT pages = 0;
    DialogDriver driver;
    ChooseVelmora(driver, "5000");
    driver.WaitPage(IDD_WIZ_NAME_DEVICE)
        .ExpectEnabled(kSheetBack, false)
        .ExpectEnabled(IDC_CONNECT_USING, true)
        .ExpectEnabled(IDC_CONFIGURE, true)
        .ExpectText(IDC_CONNECT_USING, kModem);
    NameAndDevice(driver, "  Office  ", kModem).ExpectEnabled(IDC_USE_DIALUP, false).Screenshot("5001");
    CountPages(driver, &pages);
    ExpectWizardCaption(driver);
    Next(driver, IDD_WIZ_PHONE_NUMBER).Type(IDC_AREA_CODE, "030").Type(IDC_PHONE_NUMBER, "555 0100");
    Back(driver, IDD_WIZ_NAME_DEVICE).ExpectText(IDC_CONNECT_USING, kModem).ExpectText(IDC_NEW_ENTRY_NAME, "  Office  ");
    Next(driver, IDD_WIZ_PHONE_NUMBER).ReadText(IDC_COUNTRY, "country").Screenshot("5008");
    Next(driver, IDD_WIZ_LOGIN).Type(IDC_LOGIN_NAME, "operator").Type(IDC_PASSWORD, "Secret").Type(IDC_CONFIRM_PASSWORD, "SECRET");
    Back(driver, IDD_WIZ_PHONE_NUMBER).ExpectText(IDC_PHONE_NUMBER, "555 0100");
    Next(driver, IDD_WIZ_LOGIN).ExpectText(IDC_PASSWORD, "secret").Screenshot("5003");
    Next(driver, IDD_WIZ_UTILITIES)
        .ExpectChecked(IDC_REMOTE_CONTROL, BST_CHECKED)
        .ExpectChecked(IDC_FILE_TRANSFER, BST_UNCHECKED)
        .ExpectChecked(IDC_VOICE_CHAT, BST_UNCHECKED)
        .ExpectChecked(IDC_REMOTE_CLIPBOARD, BST_UNCHECKED)
        .ExpectChecked(IDC_REMOTE_PRINTING, BST_UNCHECKED)
        .Screenshot("5009")
        .Tick(IDC_REMOTE_CONTROL, false)
        .Tick(IDC_VOICE_CHAT)
        .Tick(IDC_REMOTE_PRINTING);
    Back(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_UTILITIES)
        .ExpectChecked(IDC_REMOTE_CONTROL, BST_UNCHECKED)
        .ExpectChecked(IDC_VOICE_CHAT, BST_CHECKED);
    Next(driver, IDD_WIZ_FINISH).ExpectEnabled(kSheetNext, false);
    ExpectWizardCaption(driver).Screenshot("5006");
    Back(driver, IDD_WIZ_UTILITIES);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Office", false);

    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(7, pages);
    EXPECT_EQ(PhoneBookDirectory() + "\\Office.vmr", Buffer());
    EXPECT_EQ(Strings{"Office.vmr"}, EntryFiles());
    EXPECT_TRUE(Messages().empty());

    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Office"));
    EXPECT_EQ(1, entry.GetDeviceType());
    EXPECT_EQ(kModem, Field(entry, &VmrPhoneBook::GetTapiLineName));
    EXPECT_EQ("Standard 56K Modem", Field(entry, &VmrPhoneBook::GetAdapterName));
    EXPECT_EQ("030", Field(entry, &VmrPhoneBook::GetConnectAreaCode));
    EXPECT_EQ("555 0100", Field(entry, &VmrPhoneBook::GetConnectPhoneNumber));
    EXPECT_EQ(driver.Text("country").substr(0, 43), Field(entry, &VmrPhoneBook::GetConnectCountryCode));
    EXPECT_EQ("operator", Field(entry, &VmrPhoneBook::GetLoginName));
    EXPECT_EQ("secret", Field(entry, &VmrPhoneBook::GetPassword)) << "the wizard's password boxes lower the case";
    EXPECT_EQ("", Field(entry, &VmrPhoneBook::GetRasLinkName));
    EXPECT_EQ("", Field(entry, &VmrPhoneBook::GetConnectWorkstationName));
    EXPECT_EQ(1, entry.UseInternet());
    EXPECT_EQ(1, entry.UseCountryCodeAndAreaCode());
    EXPECT_EQ(1, entry.GetDisplayConnectDialog());
    const int ticked[] = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0};
    for (unsigned short slot = 0; slot < 10; ++slot)
        EXPECT_EQ(ticked[slot], entry.IsStartupUtility(slot)) << "slot " << slot;
    std::string name = "Office";
    EXPECT_EQ(0, entry.IsRasLinkEntry(&name[0]));

    // The area code went to the top of its history; the workstation and ILS
    // histories belong to other pages.
    EXPECT_EQ("030", Setting("LastAreaCode"));
    EXPECT_EQ("030", Setting("AreaCodeList").substr(0, 3));
    EXPECT_EQ("<absent>", Setting("WorkstationList"));
    EXPECT_EQ("<absent>", Setting("LastILS"));
}

TEST_F(WizardPaths, DirectCableWithoutUtilitiesAndASession)
{
    LRESULT pages = 0;
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Cable", kCable).ExpectEnabled(IDC_USE_DIALUP, false);
    CountPages(driver, &pages);
    Next(driver, IDD_WIZ_LOGIN);
    Back(driver, IDD_WIZ_NAME_DEVICE);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_FINISH);
    Back(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Cable", true);

    EXPECT_EQ(10, Create(driver, 1));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(6, pages);
    EXPECT_EQ(PhoneBookDirectory() + "\\Cable.vmr", Buffer());

    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Cable"));
    EXPECT_EQ(2, entry.GetDeviceType());
    EXPECT_EQ(kCable, Field(entry, &VmrPhoneBook::GetTapiLineName));
    EXPECT_EQ("Parallel Port", Field(entry, &VmrPhoneBook::GetAdapterName));
    EXPECT_EQ(0, entry.IsStartupUtility(0)) << "without the utilities page slot 0 starts and stays 0";
    EXPECT_EQ("", Field(entry, &VmrPhoneBook::GetConnectAreaCode));
    EXPECT_EQ("<absent>", Setting("AreaCodeList"));
}

TEST_F(WizardPaths, NoDeviceLeadsToTheTelephonePageAndBackToTheWorkstation)
{
    WriteDevices("");
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Nowhere", "")
        .ExpectEnabled(IDC_CONNECT_USING, false)
        .ExpectEnabled(IDC_CONFIGURE, false)
        .ExpectEnabled(IDC_USE_DIALUP, false)
        .Screenshot("5001-no-device");
    Next(driver, IDD_WIZ_PHONE_NUMBER);
    Next(driver, IDD_WIZ_LOGIN);
    Back(driver, IDD_WIZ_WORKSTATION);
    Back(driver, IDD_WIZ_NAME_DEVICE);
    Next(driver, IDD_WIZ_PHONE_NUMBER);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_UTILITIES);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Nowhere", false);

    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Nowhere"));
    EXPECT_EQ(0, entry.GetDeviceType());
    EXPECT_EQ("", Field(entry, &VmrPhoneBook::GetTapiLineName));
    EXPECT_EQ("", Field(entry, &VmrPhoneBook::GetAdapterName));
    EXPECT_EQ(1, entry.IsStartupUtility(0));
}

// The tick is stored from the box even while a telephone device keeps the
// box disabled; the telephone page still follows.
TEST_F(WizardPaths, ADisabledDialUpTickIsStoredAsItStands)
{
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Ticked", NetworkDevice(3))
        .ExpectEnabled(IDC_USE_DIALUP, true)
        .Tick(IDC_USE_DIALUP)
        .Pick(IDC_CONNECT_USING, kModem)
        .ExpectEnabled(IDC_USE_DIALUP, false)
        .ExpectChecked(IDC_USE_DIALUP, BST_CHECKED);
    Next(driver, IDD_WIZ_PHONE_NUMBER);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Ticked", false);

    EXPECT_EQ(2, Create(driver, 1));
    EXPECT_TRUE(driver.Finished());
    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Ticked"));
    EXPECT_EQ(1, entry.GetDeviceType());
    std::string name = "Ticked";
    EXPECT_EQ(1, entry.IsRasLinkEntry(&name[0]));
}

// A connection chosen on page 5004 and given up by going back and unticking
// the box leaves nothing behind: the entry neither runs over it nor names it.
TEST_F(WizardPaths, AGivenUpDialUpConnectionIsForgotten)
{
    ASSERT_TRUE(RasDoubleAdd("alpha link"));
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Direct", NetworkDevice(3)).Tick(IDC_USE_DIALUP);
    Next(driver, IDD_WIZ_DIALUP_LINK).Pick(IDC_DIALUP_ENTRY, "alpha link");
    Next(driver, IDD_WIZ_WORKSTATION).Type(IDC_WORKSTATION, "host.example");
    Back(driver, IDD_WIZ_DIALUP_LINK);
    Back(driver, IDD_WIZ_NAME_DEVICE).Tick(IDC_USE_DIALUP, false);
    Next(driver, IDD_WIZ_WORKSTATION);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Direct", false);

    EXPECT_EQ(2, Create(driver, 1));
    EXPECT_TRUE(driver.Finished());
    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Direct"));
    EXPECT_EQ("", Field(entry, &VmrPhoneBook::GetRasLinkName));
    std::string name = "Direct";
    EXPECT_EQ(0, entry.IsRasLinkEntry(&name[0]));
    EXPECT_EQ("host.example", Field(entry, &VmrPhoneBook::GetConnectWorkstationName));
}

// A folder that bears the entry's file name: the name check finds no entry
// file there, and no file can replace it. Finish then says the entry could
// not be saved and keeps the page; the session asked for goes with it.
TEST_F(WizardPaths, AFailedWriteKeepsTheFinishPage)
{
    const std::string blocked = PhoneBookDirectory() + "\\Blocked.vmr";
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), NULL));
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Blocked", kCable);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_FINISH).Tick(IDC_ESTABLISH_SESSION).PressSheetButton(PSBTN_FINISH);
    driver.Do("the finish page is still there after the message", [this](HWND sheet) {
        return !Messages().empty() && CurrentPage(sheet) != NULL &&
               GetDlgItem(CurrentPage(sheet), IDC_ESTABLISH_SESSION) != NULL;
    });
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();

    EXPECT_EQ(1, Create(driver, 1)) << "nothing was created, and no session is asked for";
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(BufferUntouched());
    EXPECT_EQ(Strings{kEntryNotSaved}, Messages());
    DWORD attributes = GetFileAttributesA(blocked.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

// The phone book directory deleted while the wizard is open: Finish says so,
// and once the directory is back the same page writes what was typed.
TEST_F(WizardPaths, AVanishedDirectoryKeepsTheFinishPageAndItsData)
{
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Kept", kCable);
    Next(driver, IDD_WIZ_LOGIN).Type(IDC_LOGIN_NAME, "typed");
    Next(driver, IDD_WIZ_FINISH).Do("delete the directory", [this](HWND) {
        return RemoveDirectoryA(PhoneBookDirectory().c_str()) != FALSE;
    });
    driver.PressSheetButton(PSBTN_FINISH).WaitPage(IDD_WIZ_FINISH).Do("make it again", [this](HWND) {
        return !Messages().empty() && CreateDirectoryA(PhoneBookDirectory().c_str(), NULL) != FALSE;
    });
    Finish(driver, "Kept", false);
    EXPECT_EQ(2, Create(driver, 1));
    EXPECT_EQ(Strings{kEntryNotSaved}, Messages());
    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Kept"));
    EXPECT_EQ("typed", Field(entry, &VmrPhoneBook::GetLoginName));
}

// The mended fault: an entry of the same name made between the name page and
// Finish (by a second console of the same user) was replaced without a word.
// Finish now says the name exists and goes back to the name page with what
// was typed; the other entry stays as it was, and another name then finishes.
TEST_F(WizardPaths, FinishNeverReplacesAnEntryMadeMeanwhile)
{
    const std::string twin = PhoneBookDirectory() + "\\Twin.vmr";
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Twin", kCable);
    Next(driver, IDD_WIZ_LOGIN).Type(IDC_LOGIN_NAME, "mine");
    Next(driver, IDD_WIZ_FINISH).Do("another console makes Twin", [&twin](HWND) {
        return WriteFileBytes(twin, "theirs", 6);
    });
    driver.PressSheetButton(PSBTN_FINISH).WaitPage(IDD_WIZ_NAME_DEVICE).ExpectText(IDC_NEW_ENTRY_NAME, "Twin");
    driver.Type(IDC_NEW_ENTRY_NAME, "Twin 2");
    Next(driver, IDD_WIZ_LOGIN).ExpectText(IDC_LOGIN_NAME, "mine");
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Twin 2", false);

    EXPECT_EQ(2, Create(driver, 1));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(Strings{kNameExists}, Messages());
    std::vector<unsigned char> theirs = ReadFileBytes(twin);
    EXPECT_EQ("theirs", std::string(theirs.begin(), theirs.end()));
    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Twin 2"));
    EXPECT_EQ("mine", Field(entry, &VmrPhoneBook::GetLoginName));
    EXPECT_EQ(Strings({"Twin 2.vmr", "Twin.vmr"}), FilesIn(PhoneBookDirectory()));
}

// The GDI objects a static control showing the wizard's bitmap keeps after it
// is destroyed. Windows' control deletes the bitmap it loaded; Wine 8's never
// does (one bitmap each time).
DWORD BitmapsAStaticControlKeeps()
{
    GuiObjects before = CountGuiObjects();
    HWND control = CreateWindowA("Static", "#150", WS_POPUP | SS_BITMAP, 0, 0, 10, 10, NULL, NULL,
                                 GetModuleHandleA("PhoneBk.dll"), NULL);
    DestroyWindow(control);
    return CountGuiObjects().gdiCounted - before.gdiCounted;
}

// Opened and closed, the wizard gives back every handle, window, GDI object,
// heap block and file it took; the first openings may make what is made once
// a process. Each round shows the bitmap twice (dialog 5000 and page 5001):
// what the static controls themselves keep of it is not the library's.
TEST_F(WizardPaths, OpenedAndClosedItGivesBackWhatItTook)
{
    Soak soak;
    soak.folder = PhoneBookDirectory();
    soak.gdiPerCycle = 2 * BitmapsAStaticControlKeeps();
    EXPECT_TRUE(SoakGivesEverythingBack(soak, [this](int round) {
        DialogDriver driver;
        ChooseVelmora(driver);
        NameAndDevice(driver, "Round", kModem).PressSheetButton(PSBTN_CANCEL).WaitClosed();
        int answer = Create(driver, 0);
        EXPECT_EQ(1, answer) << "round " << round;
        return answer == 1 && !driver.Failed();
    }));
}

// Network devices, with and without Dial-Up Networking.
struct NetworkCase {
    int type;
    bool dialUp;
};

std::string CaseName(const ::testing::TestParamInfo<NetworkCase>& info)
{
    return "Type" + std::to_string(info.param.type) + (info.param.dialUp ? "OverDialUp" : "Direct");
}

class NetworkPaths : public WizardPaths, public ::testing::WithParamInterface<NetworkCase>
{
};

TEST_P(NetworkPaths, WorkstationPageAndTheHistories)
{
    const NetworkCase c = GetParam();
    const bool ilsShown = c.type == 5;
    const std::string shot = std::to_string(c.type) + (c.dialUp ? "-dialup" : "");
    ASSERT_TRUE(RasDoubleAdd("Beta Link"));
    ASSERT_TRUE(RasDoubleAdd("alpha link"));
    WriteIlsServers({"seed.ils.example"});
    const int afterName = c.dialUp ? IDD_WIZ_DIALUP_LINK : IDD_WIZ_WORKSTATION;

    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Net", NetworkDevice(c.type)).ExpectEnabled(IDC_USE_DIALUP, true);
    if (c.dialUp)
        driver.Tick(IDC_USE_DIALUP);
    Next(driver, afterName);
    if (c.dialUp) {
        driver.ReadText(IDC_DIALUP_ENTRY, "first link")
            .ExpectEnabled(IDC_DIALUP_CREATE, true)
            .ExpectEnabled(IDC_DIALUP_PROPERTIES, true)
            .Screenshot("5004-type" + shot)
            .Pick(IDC_DIALUP_ENTRY, "Beta Link");
        Back(driver, IDD_WIZ_NAME_DEVICE).ExpectChecked(IDC_USE_DIALUP, BST_CHECKED);
        Next(driver, IDD_WIZ_DIALUP_LINK).ReadText(IDC_DIALUP_ENTRY, "kept link");
        Next(driver, IDD_WIZ_WORKSTATION);
        Back(driver, IDD_WIZ_DIALUP_LINK);
        Next(driver, IDD_WIZ_WORKSTATION);
    } else {
        Back(driver, IDD_WIZ_NAME_DEVICE);
        Next(driver, IDD_WIZ_WORKSTATION);
    }
    driver.ExpectVisible(IDC_ILS, ilsShown).ExpectVisible(IDC_WIZ_ILS_LABEL, ilsShown);
    if (ilsShown)
        driver.ExpectEnabled(IDC_ILS, true).Type(IDC_ILS, "typed.ils.example");
    driver.ExpectText(IDC_ILS, ilsShown ? "typed.ils.example" : "seed.ils.example")
        .Type(IDC_WORKSTATION, "host-" + std::to_string(c.type))
        .Screenshot("5002-type" + shot);
    Next(driver, IDD_WIZ_LOGIN);
    Back(driver, IDD_WIZ_WORKSTATION);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_UTILITIES);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Net", false);

    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(Messages().empty());
    if (c.dialUp) {
        EXPECT_EQ("alpha link", driver.Text("first link")) << "the first of the sorted list is selected";
        EXPECT_EQ("Beta Link", driver.Text("kept link")) << "the list is filled once, when the page is made";
    }

    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Net"));
    const std::string host = "host-" + std::to_string(c.type);
    EXPECT_EQ(c.type, entry.GetDeviceType());
    EXPECT_EQ(NetworkDevice(c.type), Field(entry, &VmrPhoneBook::GetTapiLineName));
    EXPECT_EQ(host, Field(entry, &VmrPhoneBook::GetConnectWorkstationName));
    EXPECT_EQ(ilsShown ? "typed.ils.example" : "seed.ils.example",
              Field(entry, &VmrPhoneBook::GetInternetLocatorServer))
        << "a hidden ILS box still gives its text";
    EXPECT_EQ(c.dialUp ? "Beta Link" : "", Field(entry, &VmrPhoneBook::GetRasLinkName));
    std::string name = "Net";
    EXPECT_EQ(c.dialUp ? 1 : 0, entry.IsRasLinkEntry(&name[0]));
    EXPECT_EQ(1, entry.UseInternet());

    EXPECT_EQ(host, Setting("WorkstationList"));
    EXPECT_EQ(host, Setting("LastWorkstation"));
    EXPECT_EQ(ilsShown ? Strings({"typed.ils.example", "seed.ils.example"}) : Strings({"seed.ils.example"}),
              IlsServers());
    EXPECT_EQ(ilsShown ? "typed.ils.example" : "seed.ils.example", Setting("LastILS"));
    EXPECT_EQ("<absent>", Setting("AreaCodeList")) << "the telephone page was not shown";
}

INSTANTIATE_TEST_SUITE_P(Types, NetworkPaths,
                         ::testing::Values(NetworkCase{3, false}, NetworkCase{3, true}, NetworkCase{4, false},
                                           NetworkCase{4, true}, NetworkCase{5, false}, NetworkCase{5, true}),
                         CaseName);

// Every edit of the wizard, typed past its limit: the box keeps the field's
// width less the terminator, and the entry stores all of what it shows.
struct EditLimit {
    int page;
    int control;
    size_t width;
    char letter;
    void (VmrPhoneBook::*getter)(char*, unsigned short);   // null: the confirmation
};

TEST_F(WizardPaths, EveryEditStopsAtItsFieldAndStoresAllItShows)
{
    const std::vector<EditLimit> phone = {
        {IDD_WIZ_PHONE_NUMBER, IDC_AREA_CODE, 11, '3', &VmrPhoneBook::GetConnectAreaCode},
        {IDD_WIZ_PHONE_NUMBER, IDC_PHONE_NUMBER, 37, '5', &VmrPhoneBook::GetConnectPhoneNumber},
        {IDD_WIZ_LOGIN, IDC_LOGIN_NAME, 95, 'l', &VmrPhoneBook::GetLoginName},
        {IDD_WIZ_LOGIN, IDC_PASSWORD, 17, 'p', &VmrPhoneBook::GetPassword},
        {IDD_WIZ_LOGIN, IDC_CONFIRM_PASSWORD, 17, 'p', nullptr}};
    const std::vector<EditLimit> network = {
        {IDD_WIZ_WORKSTATION, IDC_WORKSTATION, 31, 'w', &VmrPhoneBook::GetConnectWorkstationName},
        {IDD_WIZ_WORKSTATION, IDC_ILS, 511, 'i', &VmrPhoneBook::GetInternetLocatorServer}};
    const struct {
        const char* name;
        const char* device;
        const std::vector<EditLimit>& edits;
    } paths[] = {{"Phone", kModem, phone}, {"Net", NetworkDevice(5), network}};
    for (const auto& path : paths) {
        SCOPED_TRACE(path.name);
        DialogDriver driver;
        ChooseVelmora(driver);
        NameAndDevice(driver, path.name, path.device);
        int page = IDD_WIZ_NAME_DEVICE;
        for (const EditLimit& edit : path.edits) {
            if (edit.page != page)
                Next(driver, page = edit.page);
            driver.Type(edit.control, std::string(edit.width + 3, edit.letter))
                .ExpectText(edit.control, std::string(edit.width, edit.letter));
        }
        for (int next : {IDD_WIZ_LOGIN, IDD_WIZ_UTILITIES, IDD_WIZ_FINISH}) {
            if (next != page)
                Next(driver, next);
        }
        Finish(driver, path.name, false);
        ASSERT_EQ(2, Create(driver, 0));

        VmrPhoneBook entry;
        ASSERT_TRUE(ReadBack(entry, path.name));
        for (const EditLimit& edit : path.edits) {
            if (edit.getter != nullptr) {
                EXPECT_EQ(std::string(edit.width, edit.letter), Field(entry, edit.getter)) << edit.control;
            }
        }
    }
}

// ---- Cancel

TEST_F(WizardPaths, CancelOnAPageWritesNoFileButKeepsTheHistories)
{
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Abandoned", NetworkDevice(5));
    Next(driver, IDD_WIZ_WORKSTATION).Type(IDC_WORKSTATION, "kept-host").Type(IDC_ILS, "kept.ils.example");
    Next(driver, IDD_WIZ_LOGIN).PressSheetButton(PSBTN_CANCEL).WaitClosed();

    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(EntryFiles().empty());
    EXPECT_TRUE(BufferUntouched());
    EXPECT_EQ("kept-host", Setting("WorkstationList"));
    EXPECT_EQ(Strings{"kept.ils.example"}, IlsServers());
    // The pages stored what they took before the cancel.
    EXPECT_EQ("kept-host", Field(book, &VmrPhoneBook::GetConnectWorkstationName));
}

TEST_F(WizardPaths, CancelOnTheFirstPage)
{
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Never", kModem).PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(EntryFiles().empty());
}

}  // namespace
