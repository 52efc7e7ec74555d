// A GATEUI.DLL without QuerySecurityLogin: the library keeps it loaded but
// every login is refused, while Dial-Up Networking itself works.
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

TEST(SecurityComponentWithoutExport, StaysLoadedAndRefusesEveryLogin)
{
    HMODULE gate = GetModuleHandleA("GATEUI.DLL");
    ASSERT_NE(nullptr, gate);
    ASSERT_NE(nullptr, GateDouble()) << "the GATEUI.DLL double is not the one loaded";
    EXPECT_EQ(nullptr, GetProcAddress(gate, "QuerySecurityLogin"));
    EXPECT_EQ(1u, ReadCounter(GATE_DOUBLE_ATTACHES));
    EXPECT_EQ(0u, ReadCounter(GATE_DOUBLE_DETACHES));

    RasDoubleState* ras = RasDouble();
    ASSERT_NE(nullptr, ras);
    ASSERT_TRUE(RasDoubleAdd("Office"));
    RasPhoneBook rasBook;
    int reported = 0;
    EXPECT_EQ(1, rasBook.EnumEntryNames(CountEntry, reinterpret_cast<long>(&reported)));
    EXPECT_EQ(1, reported);

    MessageJournal journal;
    ShellWindow shell;
    VmrPhoneBook phoneBook;
    EXPECT_EQ(0, phoneBook.SecurityLogin(NULL, 3));
    EXPECT_EQ(0, phoneBook.SecurityLogin(NULL, 1));
    EXPECT_EQ(0, rasBook.QueryProperties(NULL, const_cast<char*>("Office")));
    EXPECT_EQ(0u, ras->editCalls) << "no properties dialog without a login";
    EXPECT_EQ(0u, GateDouble()->calls);
    EXPECT_TRUE(journal.lines().empty());
}

}  // namespace
