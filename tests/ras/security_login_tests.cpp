// The security login through the exported members: one question to GATEUI.DLL
// per login, shared by every object of both classes, until a logout.
#include <gtest/gtest.h>

#include "DoubleAccess.h"
#include "RasPhoneBook.h"
#include "TestSupport.h"
#include "VmrPhoneBook.h"

namespace {

const DWORD kConnectionRight = 3;

class SecurityLogin : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { shell = new ShellWindow(); }
    static void TearDownTestSuite()
    {
        delete shell;
        shell = nullptr;
    }

    void SetUp() override
    {
        ras = RasDouble();
        ASSERT_NE(nullptr, ras) << "PhoneBk.dll did not load the RASAPI32.DLL double";
        gate = GateDouble();
        ASSERT_NE(nullptr, gate) << "PhoneBk.dll did not load the GATEUI.DLL double";
        RasDoubleEmpty();
        ASSERT_TRUE(RasDoubleAdd("Office"));
        phoneBook.SecurityLogout();
        *gate = GateDoubleState();
        owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
        ASSERT_NE(nullptr, owner);
    }

    void TearDown() override
    {
        phoneBook.SecurityLogout();
        if (owner != NULL)
            DestroyWindow(owner);
        EXPECT_TRUE(journal.lines().empty()) << "the library shows no message of its own";
    }

    int Properties(RasPhoneBook& book) { return book.QueryProperties(owner, const_cast<char*>("Office")); }

    static ShellWindow* shell;
    RasDoubleState* ras = nullptr;
    GateDoubleState* gate = nullptr;
    HWND owner = NULL;
    MessageJournal journal;
    VmrPhoneBook phoneBook;
    RasPhoneBook first;
    RasPhoneBook second;
};

ShellWindow* SecurityLogin::shell = nullptr;

TEST_F(SecurityLogin, TheFirstPropertiesAsksAndLaterOnesOnEitherClassDoNot)
{
    EXPECT_EQ(1, Properties(first));
    EXPECT_EQ(1u, gate->calls);
    EXPECT_EQ(owner, gate->lastOwner);
    EXPECT_EQ(kConnectionRight, gate->lastRight);
    ASSERT_EQ(1u, ras->editCalls);
    EXPECT_EQ(owner, ras->editOwner);
    EXPECT_STREQ("Office", ras->editEntry);
    EXPECT_FALSE(ras->sawPhonebookPath);

    EXPECT_EQ(1, Properties(second));
    VmrPhoneBook other;
    EXPECT_EQ(1, other.SecurityLogin(owner, 3));
    EXPECT_EQ(1u, gate->calls);
    EXPECT_EQ(2u, ras->editCalls);
}

TEST_F(SecurityLogin, ALogoutMakesTheNextGuardedOperationAskAgain)
{
    EXPECT_EQ(1, Properties(first));
    phoneBook.SecurityLogout();
    EXPECT_EQ(1u, gate->calls) << "logging out asks nothing";
    EXPECT_EQ(1, Properties(first));
    EXPECT_EQ(2u, gate->calls);

    VmrPhoneBook other;
    other.OnExitPhoneBookTab();
    EXPECT_EQ(2u, gate->calls);
    EXPECT_EQ(1, Properties(second));
    EXPECT_EQ(3u, gate->calls);
}

TEST_F(SecurityLogin, AGrantForOneRightSatisfiesAnyOther)
{
    EXPECT_EQ(1, phoneBook.SecurityLogin(owner, 7));
    EXPECT_EQ(7u, gate->lastRight);
    gate->answer = 1;   // a question now would be refused
    EXPECT_EQ(1, phoneBook.SecurityLogin(owner, 2));
    EXPECT_EQ(1, Properties(first));
    EXPECT_EQ(1u, gate->calls);
}

TEST_F(SecurityLogin, TheRightIsWidenedWithoutItsSign)
{
    EXPECT_EQ(1, phoneBook.SecurityLogin(NULL, 0xFFFF));
    EXPECT_EQ(0x0000FFFFu, gate->lastRight);
    EXPECT_EQ(NULL, gate->lastOwner);
}

TEST_F(SecurityLogin, ARefusalShowsNothingAndIsAskedAgain)
{
    for (DWORD refusal : {DWORD(1), DWORD(5), DWORD(0xFFFFFFFF)}) {
        SCOPED_TRACE(refusal);
        gate->answer = refusal;
        DWORD asked = gate->calls;
        EXPECT_EQ(0, Properties(first));
        EXPECT_EQ(0u, ras->editCalls) << "no properties dialog after a refusal";
        EXPECT_EQ(0, phoneBook.SecurityLogin(owner, 3));
        EXPECT_EQ(asked + 2, gate->calls) << "a refusal is not remembered";
    }
    gate->answer = 0;
    EXPECT_EQ(1, phoneBook.SecurityLogin(owner, 3));
    EXPECT_EQ(1, Properties(first));
}

TEST_F(SecurityLogin, CreatingARasEntryAsksNothing)
{
    ras->createAddCount = 1;
    lstrcpynA(ras->createAdds[0], "New", RAS_DOUBLE_NAME_SIZE);
    char name[32] = "";
    EXPECT_EQ(1, first.QueryCreateEntry(owner, name, sizeof(name)));
    EXPECT_STREQ("New", name);
    EXPECT_EQ(0u, gate->calls);
}

}  // namespace
