// The sheet as a whole: when it opens, what it is called, and what OK, Apply
// and Cancel leave in the entry file, the phone book object and the settings.
#include "PropertiesTestSupport.h"

#include <prsht.h>

#include <memory>

#include "EntryCipher.h"
#include "Holdings.h"

namespace {

// Wine's sheet frame has no "?" button of its own; the frames of other
// platforms have, and the General page takes it off. The hook gives the frame
// one just before the sheet sets itself up and creates its first page, so
// that the page has something to take off.
LRESULT CALLBACK GiveSheetContextHelp(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && GetDlgItem(call->hwnd, kSheetTabs) != NULL)
        SetWindowLongA(call->hwnd, GWL_EXSTYLE, GetWindowLongA(call->hwnd, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

class PropertiesSheet : public PropertiesTest
{
protected:
    void SetUp() override
    {
        PropertiesTest::SetUp();
        WriteOfficeEntry();
    }
};

TEST_F(PropertiesSheet, OpensOnGeneralNamedAfterTheFileAsStored)
{
    std::string caption;
    std::vector<std::string> tabs;
    bool contextHelp = true;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).ExpectText(IDC_ENTRY_NAME, "Office").ExpectText(IDC_PHONE_NUMBER, "555 0100");
    Steps::ReadCaption(driver, &caption);
    Steps::ReadTabs(driver, &tabs);
    driver.Do("read the frame's extended style", [&contextHelp](HWND sheet) {
        contextHelp = (GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
        return true;
    });
    driver.ExpectVisible(IDOK, true).ExpectVisible(IDCANCEL, true).ExpectVisible(kSheetApply, true)
        .ExpectVisible(IDHELP, false)
        .ExpectEnabled(kSheetApply, false)
        .Screenshot("general")
        .PressSheetButton(PSBTN_CANCEL)
        .WaitClosed();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, GiveSheetContextHelp, NULL, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    // Asked in another case than the file has: the sheet says what the
    // directory stores.
    EXPECT_EQ(1, OpenSheet(driver, "office"));
    UnhookWindowsHookEx(hook);
    EXPECT_EQ("Office Properties", caption);
    EXPECT_EQ((std::vector<std::string>{"General", "Login", "Startup"}), tabs);
    EXPECT_FALSE(contextHelp) << "the frame keeps its \"?\" button";
    EXPECT_EQ(1u, gate->calls);
    EXPECT_EQ(owner, gate->lastOwner);
    EXPECT_EQ(3u, gate->lastRight);
}

TEST_F(PropertiesSheet, OnlyTheLastExtensionLeavesTheName)
{
    WriteEntryFile("Site.North.vmr", NewRecord());
    std::string caption;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).ExpectText(IDC_ENTRY_NAME, "Site.North");
    Steps::ReadCaption(driver, &caption);
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver, "Site.North"));
    EXPECT_EQ("Site.North Properties", caption);
}

// A name of 246 characters fits a path in a folder of a few letters, but not
// the caption's 255 with " Properties".
TEST_F(PropertiesSheet, ALongNameIsCutToFitTheCaption)
{
    const char* folder = "C:\\pbcap";
    CreateDirectoryA(folder, NULL);
    std::string name(246, 'n');
    name[0] = 'L';
    std::string path = std::string(folder) + "\\" + name + ".vmr";
    VmrEntryRecord record = NewRecord();
    unsigned char bytes[sizeof(record)];
    memcpy(bytes, &record, sizeof(bytes));
    EncryptRecord(bytes, static_cast<unsigned short>(sizeof(bytes)));
    ASSERT_TRUE(WriteFileBytes(path, bytes, sizeof(bytes)));
    book.SetPath(const_cast<char*>(folder));

    std::string caption;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).ExpectText(IDC_ENTRY_NAME, name);
    Steps::ReadCaption(driver, &caption);
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver, name.c_str()));
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder);

    EXPECT_EQ(255u, caption.size());
    EXPECT_EQ(name.substr(0, 244) + " Properties", caption);
}

TEST_F(PropertiesSheet, ARefusedLoginShowsNothingAndReadsNothing)
{
    gate->answer = 1;
    book.SetLoginName(const_cast<char*>("before"));
    int result = -1;
    int dialogs = DialogsCreatedDuring(
        [&] { result = book.QueryProperties(owner, const_cast<char*>("Office"), 0); });
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, dialogs);
    EXPECT_EQ(1u, gate->calls);
    EXPECT_EQ(3u, gate->lastRight);
    EXPECT_EQ("before", Field(book, &VmrPhoneBook::GetLoginName)) << "the entry was read";
}

TEST_F(PropertiesSheet, AnEntryThatCannotBeReadGivesNoSheet)
{
    MessageJournal journal;
    std::string foreign(sizeof(VmrEntryRecord), 'x');
    ASSERT_TRUE(WriteFileBytes(phoneBook.file("Foreign.vmr"), foreign.data(), foreign.size()));
    VmrEntryRecord newer = NewRecord();
    newer.Version = 42;
    WriteEntryFile("Newer.vmr", newer);
    FileHeldByAnotherProcess held(phoneBook.file("Office.vmr"));
    ASSERT_TRUE(held.holding());

    for (const char* name : {"Missing", "Foreign", "Newer", "Office"}) {
        int result = -1;
        int dialogs = DialogsCreatedDuring(
            [&] { result = book.QueryProperties(owner, const_cast<char*>(name), 0); });
        EXPECT_EQ(0, result) << name;
        EXPECT_EQ(0, dialogs) << name;
    }
    // Only the incompatible version is worth a word to the user.
    std::vector<std::string> lines = journal.lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("not compatible with the current version"));
}

TEST_F(PropertiesSheet, OkWritesWhatEveryVisitedPageStored)
{
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).Type(IDC_PHONE_NUMBER, "555 0199").ExpectEnabled(kSheetApply, true);
    Steps::GoToPage(driver, IDD_LOGIN, IDD_LOGIN);
    driver.Type(IDC_LOGIN_NAME, "jonas").Type(IDC_PASSWORD, "NewPass").Type(IDC_CONFIRM_PASSWORD, "NewPass")
        .Screenshot("login");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_STARTUP);
    driver.ExpectChecked(IDC_REMOTE_CONTROL, BST_CHECKED).ExpectChecked(IDC_VOICE_CHAT, BST_UNCHECKED)
        .ExpectChecked(IDC_DISPLAY_CONNECT_DIALOG, BST_CHECKED)
        .Tick(IDC_REMOTE_CONTROL, false).Tick(IDC_VOICE_CHAT).Tick(IDC_REMOTE_PRINTING)
        .Tick(IDC_DISPLAY_CONNECT_DIALOG, false)
        .Screenshot("startup")
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    EXPECT_EQ("555 0199", Field(stored, &VmrPhoneBook::GetConnectPhoneNumber));
    EXPECT_EQ("jonas", Field(stored, &VmrPhoneBook::GetLoginName));
    EXPECT_EQ("NewPass", Field(stored, &VmrPhoneBook::GetPassword));
    EXPECT_EQ(kPhoneModem, Field(stored, &VmrPhoneBook::GetTapiLineName));
    EXPECT_EQ("Standard Modem", Field(stored, &VmrPhoneBook::GetAdapterName));
    EXPECT_EQ(1, stored.GetDeviceType());
    const int expected[] = {0, 0, 1, 0, 1};
    for (unsigned short slot = 0; slot < 5; ++slot)
        EXPECT_EQ(expected[slot], stored.IsStartupUtility(slot)) << "slot " << slot;
    EXPECT_EQ(0, stored.GetDisplayConnectDialog());
    EXPECT_EQ(1, stored.UseInternet());
}

TEST_F(PropertiesSheet, ApplyWritesAndTheSheetStaysOpen)
{
    std::string afterApply;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).ExpectEnabled(kSheetApply, false)
        .Type(IDC_PHONE_NUMBER, "555 0142")
        .PressSheetButton(PSBTN_APPLYNOW)
        .WaitPage(IDD_GENERAL)
        .Do("read the file", [&](HWND) {
            afterApply = Stored(&VmrPhoneBook::GetConnectPhoneNumber);
            return true;
        })
        .ExpectEnabled(kSheetApply, false)
        .Type(IDC_PHONE_NUMBER, "555 0143")
        .PressSheetButton(PSBTN_CANCEL)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));
    EXPECT_EQ("555 0142", afterApply);
    EXPECT_EQ("555 0142", Stored(&VmrPhoneBook::GetConnectPhoneNumber)) << "Cancel wrote the file";
}

// Apply and OK also write when another page is showing, since the General
// page is always there.
TEST_F(PropertiesSheet, ApplyFromAnotherPageWritesTheWholeRecord)
{
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).Type(IDC_PHONE_NUMBER, "555 0177");
    Steps::GoToPage(driver, IDD_LOGIN, IDD_LOGIN);
    driver.Type(IDC_LOGIN_NAME, "ilse").PressSheetButton(PSBTN_APPLYNOW).WaitPage(IDD_LOGIN)
        .PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));
    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    EXPECT_EQ("555 0177", Field(stored, &VmrPhoneBook::GetConnectPhoneNumber));
    EXPECT_EQ("ilse", Field(stored, &VmrPhoneBook::GetLoginName));
}

// While another process holds the entry file, OK cannot replace it: the sheet
// says so and stays open with the changes, and OK once the file is free
// writes them.
TEST_F(PropertiesSheet, AWriteThatFailsKeepsTheSheetAndTheChanges)
{
    std::vector<unsigned char> before = FileBytes();
    std::vector<unsigned char> whileHeld;
    std::unique_ptr<FileHeldByAnotherProcess> held;
    bool holding = false;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .Type(IDC_PHONE_NUMBER, "555 0199")
        .Do("hold the entry file in another process", [&](HWND) {
            held.reset(new FileHeldByAnotherProcess(phoneBook.file("Office.vmr")));
            holding = held->holding();
            return true;
        })
        .PressSheetButton(PSBTN_OK)
        .AnswerMessageBox(IDOK)
        .WaitPage(IDD_GENERAL)
        .ExpectText(IDC_PHONE_NUMBER, "555 0199")
        .Do("let the file go", [&](HWND) {
            held.reset();
            whileHeld = FileBytes();
            return true;
        })
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    ASSERT_TRUE(holding);
    EXPECT_EQ(before, whileHeld) << "the held file changed";
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Phone Book", driver.MessageBoxes()[0].caption);
    EXPECT_EQ("The connection could not be saved.\nMake sure that the phone book folder can be written to, and "
              "then try again.",
              driver.MessageBoxes()[0].text);
    EXPECT_EQ("555 0199", Stored(&VmrPhoneBook::GetConnectPhoneNumber));
}

// The phone book directory deleted while the sheet is open: OK says the entry
// could not be saved and keeps the sheet with what was typed, which goes to
// the file once the directory is back.
TEST_F(PropertiesSheet, AVanishedDirectoryKeepsTheSheetAndItsData)
{
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL)
        .Type(IDC_PHONE_NUMBER, "555 0177")
        .Do("delete the phone book directory", [this](HWND) {
            return DeleteFileA(phoneBook.file("Office.vmr").c_str()) && RemoveDirectoryA(phoneBook.path().c_str());
        })
        .PressSheetButton(PSBTN_OK)
        .AnswerMessageBox(IDOK)
        .WaitPage(IDD_GENERAL)
        .ExpectText(IDC_PHONE_NUMBER, "555 0177")
        .Do("make the directory again",
            [this](HWND) { return CreateDirectoryA(phoneBook.path().c_str(), NULL) != FALSE; })
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ(0u, driver.MessageBoxes()[0].text.find("The connection could not be saved."));
    EXPECT_EQ("555 0177", Stored(&VmrPhoneBook::GetConnectPhoneNumber));
}

// Opened and closed, the sheet gives back every handle, window, GDI object,
// heap block and file it took; the first openings may make what is made once
// a process. Wine's lineGetTranslateCaps keeps the telephony card's key open
// at every call: that handle is not the library's.
TEST_F(PropertiesSheet, OpenedAndClosedItGivesBackWhatItTook)
{
    Soak soak;
    soak.folder = phoneBook.path();
    soak.systemHandleNames = {L"\\Telephony\\Cards\\"};
    EXPECT_TRUE(SoakGivesEverythingBack(soak, [this](int round) {
        DialogDriver driver;
        driver.WaitPage(IDD_GENERAL).PressSheetButton(PSBTN_CANCEL).WaitClosed();
        int answer = OpenSheet(driver);
        EXPECT_EQ(1, answer) << "round " << round;
        return answer == 1 && !driver.Failed();
    }));
}

TEST_F(PropertiesSheet, CancelWritesNothingButKeepsWhatLeavingGeneralSaved)
{
    std::vector<unsigned char> before = FileBytes();
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).Type(IDC_AREA_CODE, "089").Type(IDC_PHONE_NUMBER, "555 0111");
    Steps::GoToPage(driver, IDD_LOGIN, IDD_LOGIN);
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    EXPECT_EQ(before, FileBytes()) << "Cancel changed the entry file";
    EXPECT_EQ("089", Setting("LastAreaCode"));
    EXPECT_NE(std::string::npos, Setting("AreaCodeList").find("089"));
    // The object's own record keeps what the page stored.
    EXPECT_EQ("555 0111", Field(book, &VmrPhoneBook::GetConnectPhoneNumber));
    EXPECT_EQ("089", Field(book, &VmrPhoneBook::GetConnectAreaCode));
}

TEST_F(PropertiesSheet, CancelOnGeneralSavesNoHistory)
{
    std::vector<unsigned char> before = FileBytes();
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).Type(IDC_AREA_CODE, "089").PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));
    EXPECT_EQ(before, FileBytes());
    EXPECT_EQ("<absent>", Setting("LastAreaCode"));
    EXPECT_EQ("030", Field(book, &VmrPhoneBook::GetConnectAreaCode));
}

TEST_F(PropertiesSheet, WithoutUtilitiesTheStartupPageOffersOnlyTheConnectDialog)
{
    VmrEntryRecord record = NewRecord();
    for (int slot = 0; slot < 5; ++slot)
        record.StartupUtility[slot] = 1;
    record.DisplayConnectDialog = 0;
    WriteEntryFile("Office.vmr", record);

    bool utilityBoxes = true;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL);
    Steps::GoToPage(driver, IDD_STARTUP_CONNECT_DIALOG, IDD_STARTUP_CONNECT_DIALOG);
    Steps::OnPage(driver, "look for the utility boxes", [&](HWND page) {
        utilityBoxes = false;
        for (int id = IDC_REMOTE_CONTROL; id <= IDC_REMOTE_PRINTING; ++id)
            utilityBoxes = utilityBoxes || GetDlgItem(page, id) != NULL;
    });
    driver.ExpectChecked(IDC_DISPLAY_CONNECT_DIALOG, BST_UNCHECKED)
        .ExpectEnabled(kSheetApply, false)
        .Tick(IDC_DISPLAY_CONNECT_DIALOG)
        .ExpectEnabled(kSheetApply, true)
        .Screenshot("startup-without-utilities")
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver, "Office", 1));

    EXPECT_FALSE(utilityBoxes);
    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    for (unsigned short slot = 0; slot < 5; ++slot)
        EXPECT_EQ(0, stored.IsStartupUtility(slot)) << "slot " << slot;
    EXPECT_EQ(1, stored.GetDisplayConnectDialog());
}

// A page never shown neither reads nor stores its fields.
TEST_F(PropertiesSheet, AStartupPageNeverVisitedKeepsTheUtilities)
{
    VmrEntryRecord record = NewRecord();
    for (int slot = 0; slot < 5; ++slot)
        record.StartupUtility[slot] = 1;
    WriteEntryFile("Office.vmr", record);

    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).Type(IDC_PHONE_NUMBER, "555 0123").PressSheetButton(PSBTN_OK).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver, "Office", 1));
    VmrPhoneBook stored;
    ASSERT_TRUE(ReadStored(stored));
    EXPECT_EQ("555 0123", Field(stored, &VmrPhoneBook::GetConnectPhoneNumber));
    for (unsigned short slot = 0; slot < 5; ++slot)
        EXPECT_EQ(1, stored.IsStartupUtility(slot)) << "slot " << slot;
}

// ---- Help: each page's topic, through the viewer's double

class PropertiesHelp : public PropertiesSheet
{
protected:
    void SetUp() override
    {
        PropertiesSheet::SetUp();
        viewer = InstallHelpViewerDouble();
        ASSERT_FALSE(viewer.empty());
    }

    std::string RecordFile(const std::string& label) const { return records.file(label + ".txt"); }

    // The sheet shows no Help button; its own press still brings PSN_HELP to
    // the page showing. The double writes its record to the file named in
    // its environment, one file per press.
    void PageHelp(DialogDriver& driver, const std::string& label)
    {
        std::string file = RecordFile(label);
        driver.Do("ask for help as " + label, [file](HWND sheet) {
            SetEnvironmentVariableA("PHONEBK_HH_RECORD", file.c_str());
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_HELP, 0);
            return true;
        });
        driver.Do("wait for the viewer of " + label,
                  [file](HWND) { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; });
    }

    // The start of the viewer's command line.
    std::string Command(const std::string& label, size_t length) const
    {
        std::vector<unsigned char> bytes = ReadFileBytes(RecordFile(label));
        std::string text(bytes.begin(), bytes.end());
        size_t at = text.find("command=");
        if (at == std::string::npos)
            return "<no record>";
        return text.substr(at + 8, length);
    }

    std::string Topic(int topic) const { return "\"" + viewer + "\" -mapid " + std::to_string(topic) + " "; }

    TempDir records{"properties-help"};
    std::string viewer;
};

TEST_F(PropertiesHelp, EachPageOpensItsTopic)
{
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL);
    PageHelp(driver, "general");
    Steps::GoToPage(driver, IDD_LOGIN, IDD_LOGIN);
    PageHelp(driver, "login");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_STARTUP);
    PageHelp(driver, "startup");
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    DialogDriver withoutUtilities("PropertiesHelp.WithoutUtilities");
    withoutUtilities.WaitPage(IDD_GENERAL);
    Steps::GoToPage(withoutUtilities, IDD_STARTUP_CONNECT_DIALOG, IDD_STARTUP_CONNECT_DIALOG);
    PageHelp(withoutUtilities, "connect-dialog");
    withoutUtilities.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, OpenSheet(withoutUtilities, "Office", 1));
    SetEnvironmentVariableA("PHONEBK_HH_RECORD", NULL);

    const std::pair<const char*, int> topics[] = {
        {"general", 4050}, {"login", 4051}, {"startup", 4052}, {"connect-dialog", 4052}};
    for (const auto& topic : topics)
        EXPECT_EQ(Topic(topic.second), Command(topic.first, Topic(topic.second).size())) << topic.first;
}

}  // namespace
