// No GATEUI.DLL at all: the library loads, Dial-Up Networking works, and
// every login is refused.
#include <gtest/gtest.h>

#include "DoubleAccess.h"
#include "RasPhoneBook.h"
#include "TestSupport.h"
#include "VmrPhoneBook.h"

namespace {

int PHONEBK_CALLBACK CountEntry(char*, long value)
{
    ++*reinterpret_cast<int*>(value);
    return 1;
}

TEST(SecurityComponentAbsent, TheLibraryLoadsAndRefusesEveryLogin)
{
    EXPECT_EQ(nullptr, GetModuleHandleA("GATEUI.DLL"));
    HMODULE anyGate = LoadLibraryA("GATEUI.DLL");
    EXPECT_EQ(nullptr, anyGate) << "this program must see no GATEUI.DLL anywhere";
    if (anyGate != NULL)
        FreeLibrary(anyGate);

    RasDoubleState* ras = RasDouble();
    ASSERT_NE(nullptr, ras) << "PhoneBk.dll did not load the RASAPI32.DLL double";
    ASSERT_TRUE(RasDoubleAdd("Office"));
    RasPhoneBook rasBook;
    int reported = 0;
    EXPECT_EQ(1, rasBook.EnumEntryNames(CountEntry, reinterpret_cast<long>(&reported)));
    EXPECT_EQ(1, reported);

    MessageJournal journal;
    ShellWindow shell;
    VmrPhoneBook phoneBook;
    EXPECT_EQ(0, phoneBook.SecurityLogin(NULL, 3));
    EXPECT_EQ(0, rasBook.QueryProperties(NULL, const_cast<char*>("Office")));
    EXPECT_EQ(0u, ras->editCalls) << "no properties dialog without a login";
    phoneBook.SecurityLogout();
    EXPECT_EQ(0, phoneBook.SecurityLogin(NULL, 3));
    EXPECT_TRUE(journal.lines().empty());
}

}  // namespace
