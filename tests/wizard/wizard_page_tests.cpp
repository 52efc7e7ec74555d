// The wizard's pages one by one: the name checks and their order, the login
// checks, the path handed back in the caller's buffer, the Dial-Up Networking
// connection page against the RASAPI32.DLL double, and each page's help topic.
#include <string.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "WizardTestSupport.h"

namespace {

// ---- Page 5001's name checks

class NameChecks : public WizardPaths
{
};

TEST_F(NameChecks, EachCheckInItsOrderWithTheNameSelected)
{
    ASSERT_TRUE(WriteFileBytes(books.file("Taken.vmr"), "x", 1));
    ASSERT_TRUE(CreateDirectoryA(books.file("sub").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(books.file("sub\\inner.vmr"), "x", 1));
    const std::string longName(240, 'n');
    FocusSeen taken, blank, tooLong, slashExisting, longColon, blankExisting, device, deviceColon;
    std::vector<FocusSeen> forbidden(9);
    const char characters[] = "\"\\/:*?<>|";

    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "  Taken  ", kModem);
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &taken).ExpectText(IDC_NEW_ENTRY_NAME, "  Taken  ");
    driver.Type(IDC_NEW_ENTRY_NAME, "    ");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &blank);
    for (size_t i = 0; i < 9; ++i) {
        driver.Type(IDC_NEW_ENTRY_NAME, std::string("a") + characters[i] + "b");
        RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &forbidden[i]);
    }
    driver.Type(IDC_NEW_ENTRY_NAME, longName);
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &tooLong);
    // A slash names a folder, so an existing file comes before the character.
    driver.Type(IDC_NEW_ENTRY_NAME, "sub/inner");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &slashExisting);
    driver.Type(IDC_NEW_ENTRY_NAME, longName + ":");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &longColon);
    // A blank name is the file ".vmr": when that exists, it is taken.
    driver.Do("make the file .vmr", [this](HWND) { return WriteFileBytes(books.file(".vmr"), "x", 1); })
        .Type(IDC_NEW_ENTRY_NAME, " ");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &blankExisting);
    // A device's name comes after the characters (the mended fault: COM1
    // was opened as the name was checked, and blocked for good).
    driver.Type(IDC_NEW_ENTRY_NAME, " com1.txt ");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &device);
    driver.Type(IDC_NEW_ENTRY_NAME, "NUL:");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &deviceColon);
    driver.Type(IDC_NEW_ENTRY_NAME, "a.b");
    Next(driver, IDD_WIZ_PHONE_NUMBER);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_UTILITIES);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "a.b", false);

    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    Strings expected = {kNameExists, kNameBlank};
    expected.insert(expected.end(), 9, kNameInvalid);
    expected.insert(expected.end(),
                    {kNameTooLong, kNameExists, kNameInvalid, kNameExists, kNameReserved, kNameInvalid});
    EXPECT_EQ(expected, Messages());

    std::vector<FocusSeen> all = {taken, blank, tooLong, slashExisting, longColon, blankExisting, device, deviceColon};
    all.insert(all.end(), forbidden.begin(), forbidden.end());
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(all[i].focused) << "refusal " << i;
        EXPECT_EQ(0u, all[i].start) << "refusal " << i;
        EXPECT_EQ(static_cast<DWORD>(all[i].length), all[i].end) << "refusal " << i << ": the whole name selected";
    }
    EXPECT_EQ(9, taken.length) << "the edit keeps the blanks";
    EXPECT_EQ(PhoneBookDirectory() + "\\a.b.vmr", Buffer()) << "only .vmr counts as the extension";
    VmrPhoneBook entry;
    EXPECT_TRUE(ReadBack(entry, "a.b.vmr"));
}

// With a phone book directory so long that not even ".vmr" fits after it,
// every name is too long; the other checks still come first.
TEST_F(NameChecks, TooLongComesLast)
{
    std::string directory = "C:\\" + std::string(252, 'd');
    book.SetPath(&directory[0]);
    DialogDriver driver;
    FocusSeen seen[3];
    ChooseVelmora(driver);
    NameAndDevice(driver, "", kModem);
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &seen[0]);
    driver.Type(IDC_NEW_ENTRY_NAME, "x?");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &seen[1]);
    driver.Type(IDC_NEW_ENTRY_NAME, "x");
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &seen[2]);
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();

    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(Strings({kNameBlank, kNameInvalid, kNameTooLong}), Messages());
}

// The longest name that fits passes, and one more character does not.
TEST_F(NameChecks, TheLongestNameThatFits)
{
    // The path, the name and ".vmr" in 259 characters.
    const size_t room = 259 - (PhoneBookDirectory().size() + 1) - 4;
    const std::string longest(room, 'k');
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, longest + "k", kCable);
    driver.PressSheetButton(PSBTN_NEXT).WaitPage(IDD_WIZ_NAME_DEVICE).Type(IDC_NEW_ENTRY_NAME, longest);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, longest, false);

    EXPECT_EQ(2, Create(driver, 1));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(Strings{kNameTooLong}, Messages());
    EXPECT_EQ(Strings{longest + ".vmr"}, EntryFiles());
}

// ---- Page 5003's login checks

TEST_F(WizardPaths, LoginChecksAndTheStoredCase)
{
    const std::string typedLogin(100, 'L');
    FocusSeen noLogin, differ;
    std::string passwordAfterPass = "<not seen>";
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Login", kCable);
    Next(driver, IDD_WIZ_LOGIN).Type(IDC_PASSWORD, "Secret");
    RefusedNext(driver, IDD_WIZ_LOGIN, IDC_LOGIN_NAME, &noLogin);
    driver.Type(IDC_LOGIN_NAME, typedLogin)
        .ExpectText(IDC_LOGIN_NAME, std::string(95, 'L'))
        .Type(IDC_CONFIRM_PASSWORD, "Other");
    RefusedNext(driver, IDD_WIZ_LOGIN, IDC_PASSWORD, &differ);
    // An empty password passes whatever the confirmation holds.
    driver.Type(IDC_PASSWORD, "").Type(IDC_CONFIRM_PASSWORD, "junk");
    Next(driver, IDD_WIZ_UTILITIES).Do("see the stored password", [&](HWND) {
        passwordAfterPass = Field(book, &VmrPhoneBook::GetPassword);
        return true;
    });
    Back(driver, IDD_WIZ_LOGIN)
        .ExpectText(IDC_CONFIRM_PASSWORD, "junk")
        .Type(IDC_PASSWORD, "MiXeD-Case-Pass-123")
        .ExpectText(IDC_PASSWORD, "mixed-case-pass-1")
        .Type(IDC_CONFIRM_PASSWORD, "MIXED-case-PASS-1");
    Next(driver, IDD_WIZ_UTILITIES);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Login", false);

    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(Strings({kPasswordNoLogin, kPasswordsDiffer}), Messages());
    EXPECT_TRUE(noLogin.focused);
    EXPECT_TRUE(differ.focused);
    EXPECT_EQ(0u, differ.start);
    EXPECT_EQ(6u, differ.end) << "the password selected whole";
    EXPECT_EQ("", passwordAfterPass);

    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Login"));
    EXPECT_EQ(std::string(95, 'L'), Field(entry, &VmrPhoneBook::GetLoginName));
    EXPECT_EQ("mixed-case-pass-1", Field(entry, &VmrPhoneBook::GetPassword));
}

// ---- The path in the caller's buffer

class PathBuffer : public WizardPaths
{
protected:
    // The shortest path: a direct cable, no utilities page.
    unsigned short CreateNamed(const std::string& name, unsigned short pathBufferSize)
    {
        DialogDriver driver;
        ChooseVelmora(driver);
        NameAndDevice(driver, name, kCable);
        Next(driver, IDD_WIZ_LOGIN);
        Next(driver, IDD_WIZ_FINISH);
        Finish(driver, name, false);
        unsigned short result = Create(driver, 1, pathBufferSize);
        EXPECT_TRUE(driver.Finished());
        return result;
    }
    Strings SortedEntryFiles() const
    {
        Strings names = EntryFiles();
        std::sort(names.begin(), names.end());
        return names;
    }
};

// The second name differs from the first (which then exists) by one letter,
// so both paths have the same length.
TEST_F(PathBuffer, ExactlyFittingAndOneByteShort)
{
    const std::string path = PhoneBookDirectory() + "\\Fit.vmr";
    const unsigned short fits = static_cast<unsigned short>(path.size() + 1);
    EXPECT_EQ(2, CreateNamed("Fit", fits));
    EXPECT_EQ(path, Buffer());
    EXPECT_EQ('Z', buffer[fits]) << "nothing beyond the size given";

    EXPECT_EQ(2, CreateNamed("Fix", fits - 1));
    EXPECT_TRUE(BufferUntouched()) << "a path that does not fit is not cut";
    EXPECT_EQ(Strings({"Fit.vmr", "Fix.vmr"}), SortedEntryFiles());
}

TEST_F(PathBuffer, ANameWithTheExtensionKeepsItAndStillNeedsFourMore)
{
    const std::string path = PhoneBookDirectory() + "\\abc.VMR";
    EXPECT_EQ(2, CreateNamed("abc.VMR", static_cast<unsigned short>(path.size() + 4)));
    EXPECT_TRUE(BufferUntouched());
    EXPECT_EQ(2, CreateNamed("abd.VMR", static_cast<unsigned short>(path.size() + 5)));
    EXPECT_EQ(PhoneBookDirectory() + "\\abd.VMR", Buffer()) << "no second extension";
    EXPECT_EQ(Strings({"abc.VMR", "abd.VMR"}), SortedEntryFiles());
}

// ---- Page 5004

class DialUpLinkPage : public WizardPaths
{
protected:
    DialogDriver& ToLinkPage(DialogDriver& driver, const std::string& name)
    {
        ChooseVelmora(driver);
        NameAndDevice(driver, name, NetworkDevice(4)).Tick(IDC_USE_DIALUP);
        return Next(driver, IDD_WIZ_DIALUP_LINK);
    }
    DialogDriver& SetRas(DialogDriver& driver, DWORD createResult, DWORD editResult)
    {
        return driver.Do("set the double's answers", [=](HWND) {
            ras->createResult = createResult;
            ras->editResult = editResult;
            return true;
        });
    }
    DialogDriver& FinishFromWorkstation(DialogDriver& driver, const std::string& name)
    {
        Next(driver, IDD_WIZ_LOGIN);
        Next(driver, IDD_WIZ_UTILITIES);
        Next(driver, IDD_WIZ_FINISH);
        return Finish(driver, name, false);
    }
};

TEST_F(DialUpLinkPage, AnEmptyBookRefusesNextUntilCreateAddsEntries)
{
    ras->createAddCount = 2;
    lstrcpynA(ras->createAdds[0], "Mid Link", RAS_DOUBLE_NAME_SIZE);
    lstrcpynA(ras->createAdds[1], "Able Link", RAS_DOUBLE_NAME_SIZE);
    FocusSeen seen;
    HWND linkPage = NULL;
    DialogDriver driver;
    ToLinkPage(driver, "Linked")
        .Do("note the page", [&linkPage](HWND sheet) { return (linkPage = CurrentPage(sheet)) != NULL; })
        .ExpectEnabled(IDC_DIALUP_CREATE, true)
        .ExpectEnabled(IDC_DIALUP_PROPERTIES, false);
    RefusedNext(driver, IDD_WIZ_DIALUP_LINK, IDC_DIALUP_ENTRY, &seen);
    driver.Press(IDC_DIALUP_CREATE)
        .ExpectEnabled(IDC_DIALUP_PROPERTIES, true)
        .ReadText(IDC_DIALUP_ENTRY, "selected")
        .Do("count the links", [](HWND sheet) {
            return SendDlgItemMessageA(CurrentPage(sheet), IDC_DIALUP_ENTRY, LB_GETCOUNT, 0, 0) == 2;
        });
    Next(driver, IDD_WIZ_WORKSTATION);
    FinishFromWorkstation(driver, "Linked");

    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(Strings{kSelectDialUp}, Messages());
    EXPECT_TRUE(seen.focused);
    EXPECT_EQ("Able Link", driver.Text("selected"));
    EXPECT_EQ(1u, ras->createCalls);
    EXPECT_EQ(linkPage, ras->createOwner) << "the page owns the system's dialog";
    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Linked"));
    EXPECT_EQ("Able Link", Field(entry, &VmrPhoneBook::GetRasLinkName));
}

TEST_F(DialUpLinkPage, FailuresOfTheSystemDialogs)
{
    ASSERT_TRUE(RasDoubleAdd("Beta Link"));
    ASSERT_TRUE(RasDoubleAdd("Gamma Link"));
    HWND linkPage = NULL;
    DialogDriver driver;
    ToLinkPage(driver, "Failing")
        .Do("note the page", [&linkPage](HWND sheet) { return (linkPage = CurrentPage(sheet)) != NULL; })
        .Pick(IDC_DIALUP_ENTRY, "Gamma Link");
    // A successful edit first: a message there would come first.
    SetRas(driver, 0, 0).Press(IDC_DIALUP_PROPERTIES);
    SetRas(driver, 621, 623).Press(IDC_DIALUP_CREATE).Press(IDC_DIALUP_PROPERTIES);
    SetRas(driver, 5, 610).Press(IDC_DIALUP_CREATE).Press(IDC_DIALUP_PROPERTIES);
    SetRas(driver, 0, 1).Press(IDC_DIALUP_PROPERTIES);
    driver.WaitPage(IDD_WIZ_DIALUP_LINK).ReadText(IDC_DIALUP_ENTRY, "selected");
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();

    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(Strings({kDialUpBookError, kDialUpBookError, kDialUpMissing, kDialUpBookError, kDialUpMissing}),
              Messages());
    EXPECT_EQ(2u, ras->createCalls);
    EXPECT_EQ(4u, ras->editCalls);
    EXPECT_STREQ("Gamma Link", ras->editEntry);
    EXPECT_EQ(linkPage, ras->editOwner);
    EXPECT_EQ(linkPage, ras->createOwner);
    EXPECT_FALSE(ras->sawPhonebookPath);
    EXPECT_EQ("Gamma Link", driver.Text("selected")) << "a failed create leaves the list alone";
}

TEST_F(DialUpLinkPage, ALongerNameThanTheFieldHoldsIsCut)
{
    const std::string longest(256, 'r');
    ASSERT_TRUE(RasDoubleAdd(longest.c_str()));
    DialogDriver driver;
    ToLinkPage(driver, "Cut");
    Next(driver, IDD_WIZ_WORKSTATION);
    FinishFromWorkstation(driver, "Cut");

    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    VmrPhoneBook entry;
    ASSERT_TRUE(ReadBack(entry, "Cut"));
    EXPECT_EQ(std::string(255, 'r'), Field(entry, &VmrPhoneBook::GetRasLinkName));
}

// ---- Help: each page's topic, through the viewer's double

class HelpTopics : public WizardPaths
{
protected:
    void SetUp() override
    {
        WizardPaths::SetUp();
        viewer = InstallHelpViewerDouble();
        ASSERT_FALSE(viewer.empty());
    }

    // The double writes its record to the file named in its environment;
    // each press gets a file of its own.
    std::string RecordFile(const std::string& label) const { return records.file(label + ".txt"); }

    DialogDriver& AimRecord(DialogDriver& driver, const std::string& label)
    {
        std::string file = RecordFile(label);
        return driver.Do("aim the viewer's record at " + label, [file](HWND) {
            return SetEnvironmentVariableA("PHONEBK_HH_RECORD", file.c_str()) != FALSE;
        });
    }
    // The sheet has no Help button (no page asks for one); the sheet's own
    // press still brings PSN_HELP to the page.
    DialogDriver& PageHelp(DialogDriver& driver, const std::string& label, bool expectViewer = true)
    {
        AimRecord(driver, label).ExpectVisible(IDHELP, false).Do("ask the page for help", [](HWND sheet) {
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_HELP, 0);
            return true;
        });
        return expectViewer ? WaitForViewer(driver, label) : driver;
    }
    DialogDriver& WaitForViewer(DialogDriver& driver, const std::string& label)
    {
        std::string file = RecordFile(label);
        return driver.Do("wait for the viewer of " + label, [file](HWND) {
            return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
        });
    }
    // The record's command line.
    std::string Command(const std::string& label) const
    {
        std::vector<unsigned char> bytes = ReadFileBytes(RecordFile(label));
        std::string text(bytes.begin(), bytes.end());
        size_t at = text.find("command=");
        if (at == std::string::npos)
            return "<no record>";
        at += 8;
        return text.substr(at, text.find('\n', at) - at);
    }
    std::string Topic(int topic) const { return "\"" + viewer + "\" -mapid " + std::to_string(topic) + " "; }

    TempDir records{"wizhelp"};
    std::string viewer;
};

TEST_F(HelpTopics, EveryPageOpensItsTopicButTheDialUpLinkPage)
{
    ASSERT_TRUE(RasDoubleAdd("Help Link"));
    DialogDriver driver;
    driver.WaitDialog(IDD_CONNECTION_TYPE);
    AimRecord(driver, "5000").Press(IDHELP);
    WaitForViewer(driver, "5000").Press(IDC_TYPE_NEXT);
    NameAndDevice(driver, "Helped", NetworkDevice(5)).Tick(IDC_USE_DIALUP);
    PageHelp(driver, "5001");
    Next(driver, IDD_WIZ_DIALUP_LINK);
    PageHelp(driver, "5004", false);
    Next(driver, IDD_WIZ_WORKSTATION);
    PageHelp(driver, "5002");
    Next(driver, IDD_WIZ_LOGIN);
    PageHelp(driver, "5003");
    Next(driver, IDD_WIZ_UTILITIES);
    PageHelp(driver, "5009");
    Next(driver, IDD_WIZ_FINISH);
    PageHelp(driver, "5006");
    Back(driver, IDD_WIZ_UTILITIES);
    Back(driver, IDD_WIZ_LOGIN);
    Back(driver, IDD_WIZ_WORKSTATION);
    Back(driver, IDD_WIZ_DIALUP_LINK);
    Back(driver, IDD_WIZ_NAME_DEVICE).Pick(IDC_CONNECT_USING, kModem);
    Next(driver, IDD_WIZ_PHONE_NUMBER);
    PageHelp(driver, "5008");
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();

    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    SetEnvironmentVariableA("PHONEBK_HH_RECORD", NULL);
    const std::pair<const char*, int> topics[] = {{"5000", 4070}, {"5001", 4071}, {"5008", 4072}, {"5002", 4073},
                                                  {"5003", 4074}, {"5009", 4075}, {"5006", 4076}};
    for (const auto& topic : topics)
        EXPECT_EQ(Topic(topic.second), Command(topic.first).substr(0, Topic(topic.second).size())) << topic.first;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(RecordFile("5004").c_str()))
        << "page 5004 has no help topic";
}

}  // namespace
