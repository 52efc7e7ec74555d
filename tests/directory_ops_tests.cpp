// Listing, deleting, renaming and copying entry files, through PhoneBk.dll.
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "VmrPhoneBook.h"

namespace {

class ShellEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { shell_ = new ShellWindow(); }
    void TearDown() override { delete shell_; }

private:
    ShellWindow* shell_ = nullptr;
};
::testing::Environment* const shellEnvironment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

struct Listing {
    std::vector<std::string> paths;
    std::vector<long> values;
};
Listing* currentListing = nullptr;

int CALLBACK Collect(char* path, long value)
{
    currentListing->paths.push_back(path);
    currentListing->values.push_back(value);
    return 0;   // asking to stop must not stop the listing
}

class DirectoryOpsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string path = dir.path();
        book.SetPath(&path[0]);
        currentListing = &listing;
    }

    std::string Entry(const char* name) { return dir.file(name); }
    static char* Text(std::string& text) { return &text[0]; }

    TempDir dir{"dirops"};
    VmrPhoneBook book;
    Listing listing;
};

TEST_F(DirectoryOpsTest, ListsEveryEntryFileWithTheCallersValue)
{
    ASSERT_TRUE(WriteFileBytes(Entry("a.vmr"), "a", 1));
    ASSERT_TRUE(WriteFileBytes(Entry("b.vmr"), "b", 1));
    ASSERT_TRUE(WriteFileBytes(Entry("c.txt"), "c", 1));
    EXPECT_EQ(1, book.EnumEntryNames(Collect, 1234));
    std::sort(listing.paths.begin(), listing.paths.end());
    ASSERT_EQ(2u, listing.paths.size());
    EXPECT_EQ(dir.path() + "\\a.vmr", listing.paths[0]);
    EXPECT_EQ(dir.path() + "\\b.vmr", listing.paths[1]);
    EXPECT_EQ(std::vector<long>(2, 1234), listing.values);
}

// A callback that moves the phone book elsewhere does not change the paths
// of the listing under way: they still name the files found.
VmrPhoneBook* movingBook = nullptr;
std::string movedTo;

int CALLBACK CollectAndMove(char* path, long value)
{
    Collect(path, value);
    movingBook->SetPath(&movedTo[0]);
    return 1;
}

TEST_F(DirectoryOpsTest, ACallbackThatMovesThePhoneBookKeepsTheListingWhole)
{
    ASSERT_TRUE(WriteFileBytes(Entry("a.vmr"), "a", 1));
    ASSERT_TRUE(WriteFileBytes(Entry("b.vmr"), "b", 1));
    TempDir elsewhere{"dirops-moved"};
    movingBook = &book;
    movedTo = elsewhere.path();
    EXPECT_EQ(1, book.EnumEntryNames(CollectAndMove, 7));
    std::sort(listing.paths.begin(), listing.paths.end());
    EXPECT_EQ((std::vector<std::string>{Entry("a.vmr"), Entry("b.vmr")}), listing.paths);
}

TEST_F(DirectoryOpsTest, AnEmptyOrMissingDirectoryListsNothing)
{
    EXPECT_EQ(0, book.EnumEntryNames(Collect, 1));
    std::string missing = dir.file("missing");
    book.SetPath(Text(missing));
    EXPECT_EQ(0, book.EnumEntryNames(Collect, 1));
    EXPECT_TRUE(listing.paths.empty());
    EXPECT_EQ(0, book.EnumEntryNames(NULL, 1));
}

TEST_F(DirectoryOpsTest, VerbsLeaveTheRecordAlone)
{
    ASSERT_TRUE(WriteFileBytes(Entry("a.vmr"), "a", 1));
    book.SetLoginName(const_cast<char*>("alice"));
    std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(&book),
                                      reinterpret_cast<unsigned char*>(&book) + sizeof(book));
    std::string a = Entry("a.vmr"), b = Entry("b.vmr"), c = Entry("c.vmr");
    book.EnumEntryNames(Collect, 0);
    EXPECT_NE(0, book.CopyEntry(Text(a), Text(b)));
    EXPECT_NE(0, book.RenameEntry(Text(b), Text(c)));
    EXPECT_NE(0, book.DeleteEntry(Text(c)));
    std::vector<unsigned char> after(reinterpret_cast<unsigned char*>(&book),
                                     reinterpret_cast<unsigned char*>(&book) + sizeof(book));
    EXPECT_EQ(before, after);
}

TEST_F(DirectoryOpsTest, DeleteAddsNoExtension)
{
    ASSERT_TRUE(WriteFileBytes(Entry("office"), "x", 1));
    ASSERT_TRUE(WriteFileBytes(Entry("office.vmr"), "y", 1));
    EXPECT_NE(0, book.DeleteEntry(const_cast<char*>("office")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Entry("office").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Entry("office.vmr").c_str()));
    EXPECT_NE(0, book.DeleteEntry(const_cast<char*>("office.vmr")));
    EXPECT_EQ(0, book.DeleteEntry(const_cast<char*>("office.vmr")));
}

TEST_F(DirectoryOpsTest, CopyAndRenameNeverOverwrite)
{
    ASSERT_TRUE(WriteFileBytes(Entry("a.vmr"), "source", 6));
    ASSERT_TRUE(WriteFileBytes(Entry("b.vmr"), "target", 6));
    std::string b = Entry("b.vmr");
    EXPECT_EQ(0, book.CopyEntry(const_cast<char*>("a.vmr"), Text(b)));
    EXPECT_EQ(0, book.RenameEntry(const_cast<char*>("a.vmr"), Text(b)));
    std::vector<unsigned char> target = ReadFileBytes(b);
    EXPECT_EQ("target", std::string(target.begin(), target.end()));
    EXPECT_EQ(0, book.CopyEntry(const_cast<char*>("missing.vmr"), Text(b)));
}

TEST_F(DirectoryOpsTest, TheTargetNameIsTakenAsGiven)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof(previous), previous);
    TempDir work("cwd");
    ASSERT_TRUE(SetCurrentDirectoryA(work.path().c_str()));
    ASSERT_TRUE(WriteFileBytes(Entry("a.vmr"), "a", 1));
    EXPECT_NE(0, book.CopyEntry(const_cast<char*>("a.vmr"), const_cast<char*>("copy")));
    EXPECT_NE(0, book.RenameEntry(const_cast<char*>("a.vmr"), const_cast<char*>("moved")));
    SetCurrentDirectoryA(previous);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(work.file("copy").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(work.file("moved").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Entry("a.vmr").c_str()));
}

TEST_F(DirectoryOpsTest, OverlongNamesFailAtOnce)
{
    std::string longName(300, 'x');
    std::string target = Entry("t.vmr");
    EXPECT_EQ(0, book.DeleteEntry(Text(longName)));
    EXPECT_EQ(0, book.RenameEntry(Text(longName), Text(target)));
    ASSERT_TRUE(WriteFileBytes(Entry("a.vmr"), "a", 1));
    EXPECT_EQ(0, book.CopyEntry(const_cast<char*>("a.vmr"), Text(longName)));
    EXPECT_EQ(0, book.RenameEntry(const_cast<char*>("a.vmr"), Text(longName)));
    // 260 characters leave no room for the terminator (Wine would take such
    // a target from the ANSI calls).
    std::string exact = dir.path() + "\\";
    exact += std::string(MAX_PATH - exact.size() - 4, 'e') + ".vmr";
    ASSERT_EQ(static_cast<size_t>(MAX_PATH), exact.size());
    EXPECT_EQ(0, book.CopyEntry(const_cast<char*>("a.vmr"), Text(exact)));
    EXPECT_EQ(0, book.RenameEntry(const_cast<char*>("a.vmr"), Text(exact)));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Entry("a.vmr").c_str()));
}

// The confirmation dialogs the host loads from the library's resources.
INT_PTR CALLBACK KeepDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TEST(DeleteConfirmations, TemplatesHoldTheirControls)
{
    HMODULE library = GetModuleHandleA("PhoneBk.dll");
    ASSERT_NE(nullptr, library);
    const struct {
        int id;
        const char* caption;
        const char* text;
    } dialogs[] = {
        {1500, "Confirm Connection Delete", "Are you sure you want to remove '%1!s!'?"},
        {1510, "Confirm Multiple Connection Delete", "Are you sure you want to remove these %1!d! connections?"},
    };
    for (const auto& expected : dialogs) {
        HWND dialog = CreateDialogParamA(library, MAKEINTRESOURCEA(expected.id), NULL, KeepDialog, 0);
        ASSERT_NE(nullptr, dialog) << expected.id;
        char text[256];
        GetWindowTextA(dialog, text, sizeof(text));
        EXPECT_STREQ(expected.caption, text);
        GetDlgItemTextA(dialog, 1501, text, sizeof(text));
        EXPECT_STREQ(expected.text, text);
        EXPECT_NE(nullptr, GetDlgItem(dialog, IDYES));
        EXPECT_NE(nullptr, GetDlgItem(dialog, IDNO));
        EXPECT_EQ(IDYES, LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)));
        DestroyWindow(dialog);
    }
    for (int icon : {107, 108})
        EXPECT_NE(nullptr, LoadIconA(library, MAKEINTRESOURCEA(icon))) << icon;
}

}  // namespace
