// The string table and the message boxes, seen through PXMSGBOX.dll's journal.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

#include "Messages.h"
#include "RasApiTable.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

// This program carries the library's resources itself.
class MessagesTest : public ::testing::Test
{
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleA(NULL); }
    MessageJournal journal;
};

std::string Line(const char* text, const char* caption = "LoadString()")
{
    return std::string("0x00000030\t") + caption + "\t" + text;
}

TEST_F(MessagesTest, LoadsAWholeText)
{
    char buffer[12];
    EXPECT_EQ(1, LoadResourceString(ModuleInstance, IDS_PHONE_BOOK, buffer, sizeof(buffer)));
    EXPECT_STREQ("Phone Book", buffer);
    EXPECT_TRUE(journal.lines().empty());
}

TEST_F(MessagesTest, AMissingStringSaysSo)
{
    char buffer[64] = "old";
    EXPECT_EQ(0, LoadResourceString(ModuleInstance, 9999, buffer, sizeof(buffer)));
    EXPECT_STREQ("", buffer);
    ASSERT_EQ(1u, journal.lines().size());
    EXPECT_EQ(Line("Internal Error: Invalid string ID in call to LoadString()."), journal.lines()[0]);
}

TEST_F(MessagesTest, ATextThatFillsTheBufferMayBeCut)
{
    char buffer[11];   // "Phone Book" is ten characters: it fills the buffer
    EXPECT_EQ(0, LoadResourceString(ModuleInstance, IDS_PHONE_BOOK, buffer, sizeof(buffer)));
    EXPECT_STREQ("Phone Book", buffer);
    ASSERT_EQ(1u, journal.lines().size());
    EXPECT_EQ(Line("Internal Error: Buffer size to small in call to LoadString()."), journal.lines()[0]);
}

TEST_F(MessagesTest, AnUnwritableBufferIsRefused)
{
    if (getenv("PHONEBK_CPU_EMULATED") != NULL)
        GTEST_SKIP() << "the write test's access violation does not reach Windows code under a user-mode CPU emulator";
    void* page = VirtualAlloc(NULL, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(0, LoadResourceString(ModuleInstance, IDS_PHONE_BOOK, static_cast<char*>(page), 64));
    VirtualFree(page, 0, MEM_RELEASE);
    ASSERT_EQ(1u, journal.lines().size());
    EXPECT_EQ(Line("Internal Error: Invalid buffer pointer in call to LoadString()."), journal.lines()[0]);
}

TEST_F(MessagesTest, ShowsTextAndCaptionFromTheTable)
{
    ShowResourceMessage(NULL, IDS_PHONE_BOOK, IDS_ENTRY_INCOMPATIBLE, kMessageStyle);
    ShowResourceMessage(NULL, IDS_PHONE_BOOK, IDS_NAME_EXISTS, MB_OK);
    std::vector<std::string> lines = journal.lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(Line("This phone book entry is not compatible with the current version.", "Phone Book"), lines[0]);
    EXPECT_EQ("0x00000000\tPhone Book\tThe name you entered already exists.\\nType another name.", lines[1]);
}

TEST_F(MessagesTest, AMissingTextShowsOnlyTheInternalError)
{
    ShowResourceMessage(NULL, IDS_PHONE_BOOK, 9998, kMessageStyle);
    ShowResourceMessage(NULL, 9997, IDS_NAME_EXISTS, kMessageStyle);
    std::vector<std::string> lines = journal.lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(Line("Internal Error: Invalid string ID in call to LoadString()."), lines[0]);
    EXPECT_EQ(Line("Internal Error: Invalid string ID in call to LoadString()."), lines[1]);
}

// The English string table of PhoneBk.dll itself, character for character.
TEST(StringTable, EnglishTextsAreExact)
{
    HMODULE library = LoadLibraryExA("PhoneBk.dll", NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, library);
    const struct {
        UINT id;
        const char* text;
    } expected[] = {
        {115, "Phone Book"},
        {116, "Internal Error: Unable to set line configuration.\nPlease try again."},
        {200, "Complete the phone number by\n1 Typing a local phone number with any extension.\n2 Selecting a country code."},
        {201, "A connection name cannot contain any of the following characters:\n\t \\ / :  * ? \" < > | \n\nType another name."},
        {213, "The name you entered already exists.\nType another name."},
        {216, "The new name is reserved.\nType another name."},
        {217, "You cannot configure a modem while it is in use.\nDisconnect the modem, and then try again."},
        {218, "The connection name must not be blank."},
        {219, "Entries with a password must also have a login name."},
        {220, "The login password must be at least 5 characters long."},
        {221, "The login and confirm passwords do not match.  Please type them again."},
        {222, "This phone book entry is not compatible with the current version."},
        {5632, "Create New Connection"},
        {5633, "%s Properties"},
        {5634, "You must select one of the Dial-up Networking connections, or choose Create to make a new one."},
        {5635, "Dial-up networking is not  installed on your system.  To use this feature, you must install the Dial-up networking component shipped with Windows."},
        {5636, "There was an error accessing the Dial-up Networking phone book. "},
    };
    for (const auto& string : expected) {
        char buffer[1024];
        int length = LoadStringA(library, string.id, buffer, sizeof(buffer));
        EXPECT_EQ(std::string(string.text), std::string(buffer, length)) << "string " << string.id;
    }
    FreeLibrary(library);
}

}  // namespace
