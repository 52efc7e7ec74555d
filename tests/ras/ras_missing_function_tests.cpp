// A RASAPI32.DLL that lacks RasEditPhonebookEntryA: the library loads it,
// finds it incomplete, binds nothing and frees it again. Every RAS verb then
// answers 0, although the DLL's phone book has entries.
#include <gtest/gtest.h>

#include "DoubleAccess.h"
#include "RasPhoneBook.h"

namespace {

int PHONEBK_CALLBACK CountEntry(char*, long value)
{
    ++*reinterpret_cast<int*>(value);
    return 1;
}

TEST(IncompleteRasApi, WasLoadedOnceAndFreed)
{
    RasPhoneBook book;   // keeps PhoneBk.dll among this program's imports
    EXPECT_EQ(0, book.RenameEntry(nullptr, nullptr));
    EXPECT_EQ(1u, ReadCounter(RAS_DOUBLE_ATTACHES));
    EXPECT_EQ(1u, ReadCounter(RAS_DOUBLE_DETACHES));
    EXPECT_EQ(nullptr, GetModuleHandleA("RASAPI32.DLL"));
}

class IncompleteRasApiVerbs : public ::testing::Test
{
protected:
    // The test loads the DLL itself, only to fill its phone book: the
    // library's decision, taken at its load, stays.
    void SetUp() override
    {
        module = LoadLibraryA("RASAPI32.DLL");
        ASSERT_NE(nullptr, module);
        ras = RasDouble();
        ASSERT_NE(nullptr, ras) << "the RASAPI32.DLL double is not the one loaded";
        RasDoubleEmpty();
        ASSERT_TRUE(RasDoubleAdd("Office"));
        ras->createAddCount = 1;
        lstrcpynA(ras->createAdds[0], "New", RAS_DOUBLE_NAME_SIZE);
        gate = GateDouble();
        ASSERT_NE(nullptr, gate);
    }

    void TearDown() override
    {
        if (module != NULL)
            FreeLibrary(module);
    }

    HMODULE module = NULL;
    RasDoubleState* ras = nullptr;
    GateDoubleState* gate = nullptr;
    RasPhoneBook book;
};

TEST_F(IncompleteRasApiVerbs, ListAndCreateAnswerZeroWithoutACall)
{
    int reported = 0;
    EXPECT_EQ(0, book.EnumEntryNames(CountEntry, reinterpret_cast<long>(&reported)));
    EXPECT_EQ(0, reported);
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("Office")));
    char name[16] = "unchanged";
    EXPECT_EQ(0, book.QueryCreateEntry(NULL, name, sizeof(name)));
    EXPECT_STREQ("unchanged", name);
    EXPECT_EQ(0u, ras->enumCalls);
    EXPECT_EQ(0u, ras->createCalls);
}

TEST_F(IncompleteRasApiVerbs, PropertiesLogsInThenAnswersZero)
{
    EXPECT_EQ(0, book.QueryProperties(NULL, const_cast<char*>("Office")));
    EXPECT_EQ(1u, gate->calls) << "the login comes first";
    EXPECT_EQ(0u, ras->editCalls);
}

}  // namespace
