// The Login page: what it shows, and how it keeps the sheet from leaving it
// while the login name, the password and the confirmation disagree.
#include "PropertiesTestSupport.h"

#include <prsht.h>

namespace {

const char kWithoutLogin[] = "Entries with a password must also have a login name.";
const char kPasswordsDiffer[] = "The login and confirm passwords do not match.  Please type them again.";

class LoginPage : public PropertiesTest
{
protected:
    void SetUp() override
    {
        PropertiesTest::SetUp();
        WriteOfficeEntry();
    }

    // Opens the sheet and goes to the Login page; the script goes on from there.
    void StartOnLogin(DialogDriver& driver)
    {
        driver.WaitPage(IDD_GENERAL);
        Steps::GoToPage(driver, IDD_LOGIN, IDD_LOGIN);
    }

    // The focus, and whether the focused edit has all its text selected.
    static void ExpectFocus(DialogDriver& driver, int id, bool wholeTextSelected)
    {
        Steps::OnPage(driver, "check the focus", [id, wholeTextSelected](HWND page) {
            HWND control = GetDlgItem(page, id);
            EXPECT_EQ(control, GetFocus()) << "control " << id << " has no focus";
            if (wholeTextSelected) {
                DWORD start = 0, end = 0;
                SendMessageA(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
                EXPECT_EQ(0u, start);
                EXPECT_EQ(static_cast<DWORD>(GetWindowTextLengthA(control)), end);
            }
        });
    }
};

TEST_F(LoginPage, ShowsTheEntryAndKeepsTheCaseTyped)
{
    LONG passwordStyle = 0;
    DialogDriver driver;
    StartOnLogin(driver);
    driver.ExpectText(IDC_LOGIN_NAME, "mara")
        .ExpectText(IDC_PASSWORD, "Secret")
        .ExpectText(IDC_CONFIRM_PASSWORD, "Secret")
        .ExpectEnabled(kSheetApply, false);
    Steps::OnPage(driver, "read the password box's style",
                  [&](HWND page) { passwordStyle = GetWindowLongA(GetDlgItem(page, IDC_CONFIRM_PASSWORD), GWL_STYLE); });
    driver.Type(IDC_PASSWORD, "MiXeD Case")
        .ExpectText(IDC_PASSWORD, "MiXeD Case")
        .ExpectEnabled(kSheetApply, true)
        .Type(IDC_CONFIRM_PASSWORD, "MiXeD Case")
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    EXPECT_NE(0, passwordStyle & ES_PASSWORD);
    EXPECT_EQ(0, passwordStyle & (ES_UPPERCASE | ES_LOWERCASE));
    EXPECT_EQ("MiXeD Case", Stored(&VmrPhoneBook::GetPassword));
    EXPECT_EQ("mara", Stored(&VmrPhoneBook::GetLoginName));
}

// 219 comes first when both problems are there; then 221 until the two
// passwords agree letter for letter.
TEST_F(LoginPage, ThePageStaysUntilTheFieldsAgree)
{
    MessageJournal journal;
    DialogDriver driver;
    StartOnLogin(driver);
    driver.Type(IDC_LOGIN_NAME, "").Type(IDC_PASSWORD, "letmein").Type(IDC_CONFIRM_PASSWORD, "other");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_LOGIN);
    ExpectFocus(driver, IDC_LOGIN_NAME, false);
    driver.Type(IDC_LOGIN_NAME, "jonas");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_LOGIN);
    ExpectFocus(driver, IDC_PASSWORD, true);
    driver.Type(IDC_CONFIRM_PASSWORD, "LetMeIn");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_LOGIN);
    driver.Type(IDC_CONFIRM_PASSWORD, "letmein");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_STARTUP);
    driver.PressSheetButton(PSBTN_OK).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    EXPECT_EQ((std::vector<std::string>{PhoneBookMessage(kWithoutLogin), PhoneBookMessage(kPasswordsDiffer),
                                        PhoneBookMessage(kPasswordsDiffer)}),
              journal.lines());
    EXPECT_EQ("jonas", Stored(&VmrPhoneBook::GetLoginName));
    EXPECT_EQ("letmein", Stored(&VmrPhoneBook::GetPassword));
}

TEST_F(LoginPage, OkIsRefusedWhileThePasswordsDiffer)
{
    MessageJournal journal;
    std::string afterRefusal;
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).Type(IDC_PHONE_NUMBER, "555 0188");
    Steps::GoToPage(driver, IDD_LOGIN, IDD_LOGIN);
    driver.Type(IDC_CONFIRM_PASSWORD, "Secrets")
        .PressSheetButton(PSBTN_OK)
        .WaitPage(IDD_LOGIN)
        .Do("read the file", [&](HWND) {
            afterRefusal = Stored(&VmrPhoneBook::GetConnectPhoneNumber);
            return true;
        })
        .Type(IDC_CONFIRM_PASSWORD, "Secret")
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    EXPECT_EQ("555 0100", afterRefusal) << "the refused OK wrote the file";
    EXPECT_EQ((std::vector<std::string>{PhoneBookMessage(kPasswordsDiffer)}), journal.lines());
    EXPECT_EQ("555 0188", Stored(&VmrPhoneBook::GetConnectPhoneNumber));
}

// Without a password neither a login name nor a confirmation is needed.
TEST_F(LoginPage, AnEmptyPasswordNeedsNothingElse)
{
    MessageJournal journal;
    DialogDriver driver;
    StartOnLogin(driver);
    driver.Type(IDC_LOGIN_NAME, "").Type(IDC_PASSWORD, "").Type(IDC_CONFIRM_PASSWORD, "left over");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_STARTUP);
    driver.PressSheetButton(PSBTN_OK).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    EXPECT_TRUE(journal.lines().empty());
    EXPECT_EQ("", Stored(&VmrPhoneBook::GetLoginName));
    EXPECT_EQ("", Stored(&VmrPhoneBook::GetPassword));
}

// The message as the user meets it: a box to answer while the sheet waits.
TEST_F(LoginPage, TheRefusalIsAMessageBoxToAnswer)
{
    DialogDriver driver;
    StartOnLogin(driver);
    driver.Type(IDC_LOGIN_NAME, "");
    Steps::GoToPage(driver, IDD_STARTUP, IDD_LOGIN);
    driver.Screenshot("message-219").AnswerMessageBox(IDOK).WaitPage(IDD_LOGIN)
        .PressSheetButton(PSBTN_CANCEL)
        .WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));

    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Phone Book", driver.MessageBoxes()[0].caption);
    EXPECT_EQ(kWithoutLogin, driver.MessageBoxes()[0].text);
}

}  // namespace
