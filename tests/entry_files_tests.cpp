// Entry files: names and paths, reading, writing and testing them.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "EntryCipher.h"
#include "EntryFiles.h"
#include "PhoneBookAccess.h"
#include "RasApiTable.h"
#include "TestSupport.h"

namespace {

class ShellEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        shell_ = new ShellWindow();
        ModuleInstance = GetModuleHandleA(NULL);   // this program carries the string table
    }
    void TearDown() override { delete shell_; }

private:
    ShellWindow* shell_ = nullptr;
};
::testing::Environment* const shellEnvironment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

char* Text(std::string& text) { return &text[0]; }

std::vector<unsigned char> RecordBytes(VmrPhoneBook& book)
{
    const unsigned char* record = reinterpret_cast<const unsigned char*>(&VmrPhoneBookAccess::Record(book));
    return std::vector<unsigned char>(record, record + kRecordSize);
}

// An entry file holding the given plaintext record, enciphered.
void WriteEntryFile(const std::string& path, VmrEntryRecord record, size_t length = kRecordSize)
{
    unsigned char bytes[kRecordSize];
    memcpy(bytes, &record, sizeof(bytes));
    EncryptRecord(bytes, kRecordSize);
    ASSERT_TRUE(WriteFileBytes(path, bytes, length));
}

class EntryFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string path = dir.path();
        book.SetPath(Text(path));
    }

    VmrEntryRecord SampleRecord()
    {
        VmrPhoneBook sample;
        sample.SetConnectPhoneNumber(const_cast<char*>("5550123"));
        sample.SetLoginName(const_cast<char*>("alice"));
        sample.SetDeviceType(3);
        return VmrPhoneBookAccess::Record(sample);
    }

    TempDir dir{"entries"};
    VmrPhoneBook book;
};

TEST_F(EntryFilesTest, WriteThenReadRestoresTheRecordByteForByte)
{
    book.SetConnectWorkstationName(const_cast<char*>("lab-42"));
    book.SetPassword(const_cast<char*>("s3cret"));
    VmrPhoneBookAccess::Record(book).Reserved3[7] = 0x5A;   // reserved bytes travel too
    std::vector<unsigned char> written = RecordBytes(book);
    ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("office")));

    std::vector<unsigned char> file = ReadFileBytes(dir.file("office.vmr"));
    ASSERT_EQ(kRecordSize, file.size());
    EXPECT_NE(0, memcmp(file.data(), "vmr", 3)) << "the file is enciphered, magic included";

    VmrPhoneBook reader;
    std::string path = dir.path();
    reader.SetPath(Text(path));
    ASSERT_EQ(1, reader.ReadEntry(const_cast<char*>("office")));
    EXPECT_EQ(written, RecordBytes(reader));
    EXPECT_STREQ("office.vmr", VmrPhoneBookAccess::EntryName(reader));
    EXPECT_STREQ("", VmrPhoneBookAccess::EntryName(book)) << "writing leaves EntryName alone";
}

TEST_F(EntryFilesTest, NamesBecomePathsInThePhoneBook)
{
    VmrEntryRecord record = SampleRecord();
    WriteEntryFile(dir.file("office.VMR"), record);
    WriteEntryFile(dir.file("office.txt.vmr"), record);

    EXPECT_EQ(1, book.ReadEntry(const_cast<char*>("office.VMR")));
    EXPECT_STREQ("office.VMR", VmrPhoneBookAccess::EntryName(book));
    EXPECT_EQ(1, book.ReadEntry(const_cast<char*>("office.txt")));
    EXPECT_STREQ("office.txt.vmr", VmrPhoneBookAccess::EntryName(book));

    // A name with a directory is a path as it stands.
    TempDir other("other");
    WriteEntryFile(other.file("remote.vmr"), record);
    std::string full = other.file("remote");
    EXPECT_EQ(1, book.ReadEntry(Text(full)));
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("remote")));
}

TEST_F(EntryFilesTest, EntryNameTakesTheStoredCase)
{
    WriteEntryFile(dir.file("Office.vmr"), SampleRecord());
    ASSERT_EQ(1, book.ReadEntry(const_cast<char*>("office")));
    EXPECT_STREQ("Office.vmr", VmrPhoneBookAccess::EntryName(book));
}

TEST_F(EntryFilesTest, RelativeDirectoryIsTheCurrentDirectory)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof(previous), previous);
    TempDir work("cwd");
    CreateDirectoryA(work.file("sub").c_str(), NULL);
    WriteEntryFile(work.file("sub\\office.vmr"), SampleRecord());
    ASSERT_TRUE(SetCurrentDirectoryA(work.path().c_str()));
    EXPECT_EQ(1, book.ReadEntry(const_cast<char*>("sub\\office")));
    SetCurrentDirectoryA(previous);
}

TEST_F(EntryFilesTest, VersionFortyIsReadAsFortyOne)
{
    VmrEntryRecord record = SampleRecord();
    record.Version = 40;
    WriteEntryFile(dir.file("old.vmr"), record);
    MessageJournal journal;
    ASSERT_EQ(1, book.ReadEntry(const_cast<char*>("old")));
    EXPECT_EQ(41, VmrPhoneBookAccess::Record(book).Version);
    EXPECT_TRUE(journal.lines().empty());
    record.Version = 41;
    EXPECT_EQ(0, memcmp(&record, &VmrPhoneBookAccess::Record(book), kRecordSize));
    // The file itself is not rewritten.
    VmrPhoneBook again;
    std::vector<unsigned char> file = ReadFileBytes(dir.file("old.vmr"));
    DecryptRecord(file.data(), static_cast<unsigned short>(file.size()));
    EXPECT_EQ(40, file[3] | file[4] << 8);
}

TEST_F(EntryFilesTest, OtherVersionsAreRefusedWithAMessage)
{
    for (unsigned short version : {39, 42}) {
        VmrEntryRecord record = SampleRecord();
        record.Version = version;
        WriteEntryFile(dir.file("future.vmr"), record);
        MessageJournal journal;
        book.SetLoginName(const_cast<char*>("kept?"));
        EXPECT_EQ(0, book.ReadEntry(const_cast<char*>("future")));
        std::vector<unsigned char> zero(kRecordSize, 0);
        EXPECT_EQ(zero, RecordBytes(book)) << "version " << version;
        ASSERT_EQ(1u, journal.lines().size());
        EXPECT_EQ(PhoneBookMessage("This phone book entry is not compatible with the current version."),
                  journal.lines()[0]);
    }
}

TEST_F(EntryFilesTest, AForeignFileKeepsItsDecipheredBytes)
{
    std::vector<unsigned char> bytes(kRecordSize);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    ASSERT_TRUE(WriteFileBytes(dir.file("foreign.vmr"), bytes.data(), bytes.size()));
    MessageJournal journal;
    EXPECT_EQ(0, book.ReadEntry(const_cast<char*>("foreign")));
    DecryptRecord(bytes.data(), kRecordSize);
    EXPECT_EQ(bytes, RecordBytes(book));
    EXPECT_TRUE(journal.lines().empty());
}

TEST_F(EntryFilesTest, AShortFileKeepsItsUndecipheredTail)
{
    VmrEntryRecord record = SampleRecord();
    WriteEntryFile(dir.file("short.vmr"), record, kRecordSize - 1);
    std::vector<unsigned char> file = ReadFileBytes(dir.file("short.vmr"));
    ASSERT_EQ(kRecordSize - 1, file.size());

    ASSERT_EQ(1, book.ReadEntry(const_cast<char*>("short")));
    std::vector<unsigned char> read = RecordBytes(book);
    EXPECT_EQ(0, memcmp(&record, read.data(), 66 * 32));
    EXPECT_EQ(0, memcmp(file.data() + 66 * 32, read.data() + 66 * 32, 31)) << "the tail stays as read";
    EXPECT_EQ(0, read[kRecordSize - 1]);
}

TEST_F(EntryFilesTest, EveryLengthOfGarbageOrTruncationIsSafe)
{
    VmrEntryRecord record = SampleRecord();
    unsigned char valid[kRecordSize];
    memcpy(valid, &record, sizeof(valid));
    EncryptRecord(valid, kRecordSize);
    std::vector<unsigned char> garbage(2200);
    unsigned seed = 12345;
    for (auto& byte : garbage) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(seed >> 16);
    }
    MessageJournal journal;   // a garbage version shows a message: keep it off the screen
    for (size_t length = 0; length <= 2200; ++length) {
        ASSERT_TRUE(WriteFileBytes(dir.file("g.vmr"), garbage.data(), length));
        int result = book.ReadEntry(const_cast<char*>("g"));
        ASSERT_TRUE(result == 0 || result == 1) << length;
        if (length <= kRecordSize) {
            ASSERT_TRUE(WriteFileBytes(dir.file("t.vmr"), valid, length));
            EXPECT_EQ(length >= 32 ? 1 : 0, book.ReadEntry(const_cast<char*>("t"))) << length;
        }
    }
}

TEST_F(EntryFilesTest, MissingOrHeldFilesAreNotEntries)
{
    EXPECT_EQ(0, book.ReadEntry(const_cast<char*>("missing")));
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("missing")));
    EXPECT_EQ(0, book.IsRasLinkEntry(const_cast<char*>("missing")));

    ASSERT_TRUE(WriteFileBytes(dir.file("empty.vmr"), "", 0));
    EXPECT_EQ(1, book.IsValidEntry(const_cast<char*>("empty")));   // contents are not checked

    WriteEntryFile(dir.file("held.vmr"), SampleRecord());
    std::vector<unsigned char> before = ReadFileBytes(dir.file("held.vmr"));
    book.SetLoginName(const_cast<char*>("unchanged"));
    std::vector<unsigned char> record = RecordBytes(book);
    {
        FileHeldByAnotherProcess held(dir.file("held.vmr"));
        ASSERT_TRUE(held.holding());
        EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("held")));
        EXPECT_EQ(0, book.ReadEntry(const_cast<char*>("held")));
        EXPECT_EQ(record, RecordBytes(book));
        EXPECT_EQ(0, book.WriteEntry(const_cast<char*>("held")));
    }
    EXPECT_EQ(before, ReadFileBytes(dir.file("held.vmr")));
    EXPECT_EQ(1, book.IsValidEntry(const_cast<char*>("held")));
}

size_t CountFiles(const std::string& directory)
{
    return FilesIn(directory).size();
}

TEST_F(EntryFilesTest, AFailedWriteLeavesTheOldEntryAndNoTemporaryFile)
{
    WriteEntryFile(dir.file("keep.vmr"), SampleRecord());
    std::vector<unsigned char> before = ReadFileBytes(dir.file("keep.vmr"));
    {
        FileHeldByAnotherProcess held(dir.file("keep.vmr"));
        ASSERT_TRUE(held.holding());
        EXPECT_EQ(0, book.WriteEntry(const_cast<char*>("keep")));
    }
    EXPECT_EQ(before, ReadFileBytes(dir.file("keep.vmr")));
    EXPECT_EQ(1u, CountFiles(dir.path()));

    // An entry path that is a directory cannot be replaced either.
    ASSERT_TRUE(CreateDirectoryA(dir.file("folder.vmr").c_str(), NULL));
    EXPECT_EQ(0, book.WriteEntry(const_cast<char*>("folder")));
    EXPECT_EQ(2u, CountFiles(dir.path()));

    // Into a directory that does not exist: nothing is created.
    std::string missing = dir.file("nowhere\\x");
    EXPECT_EQ(0, book.WriteEntry(Text(missing)));
}

TEST_F(EntryFilesTest, WriteReplacesAnExistingEntry)
{
    WriteEntryFile(dir.file("office.vmr"), SampleRecord());
    book.SetConnectPhoneNumber(const_cast<char*>("999"));
    ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("office")));
    VmrPhoneBook reader;
    std::string path = dir.path();
    reader.SetPath(Text(path));
    ASSERT_EQ(1, reader.ReadEntry(const_cast<char*>("office")));
    char phone[16];
    reader.GetConnectPhoneNumber(phone, sizeof(phone));
    EXPECT_STREQ("999", phone);
    EXPECT_EQ(1u, CountFiles(dir.path()));
}

TEST_F(EntryFilesTest, RasLinkEntryReportsTheStoredValue)
{
    VmrEntryRecord record = SampleRecord();
    record.UseDialUpNetworking = 7;
    WriteEntryFile(dir.file("dun.vmr"), record);
    EXPECT_EQ(7, book.IsRasLinkEntry(const_cast<char*>("dun")));
    EXPECT_STREQ("dun.vmr", VmrPhoneBookAccess::EntryName(book));
    record.UseDialUpNetworking = 0;
    WriteEntryFile(dir.file("plain.vmr"), record);
    EXPECT_EQ(0, book.IsRasLinkEntry(const_cast<char*>("plain")));
}

// Paths are composed in 260 bytes: 259 characters and the terminator fit,
// anything longer fails at once and is never cut into another file's name.
TEST_F(EntryFilesTest, PathsOf259BytesWorkAndLongerOnesFail)
{
    std::string base = dir.path();
    while (base.size() < 200) {
        base += "\\" + std::string(std::min<size_t>(60, 220 - base.size()), 'd');
        ASSERT_TRUE(CreateDirectoryA(base.c_str(), NULL)) << base;
    }
    std::string directory = base + "\\";
    VmrPhoneBook deep;
    deep.SetPath(Text(directory));
    for (size_t total : {259u, 260u, 261u}) {
        std::string name(total - directory.size() - 4, 'n');
        std::string cut = directory + std::string(259 - directory.size(), 'n');
        SCOPED_TRACE(total);
        int written = deep.WriteEntry(Text(name));
        EXPECT_EQ(total == 259 ? 1 : 0, written);
        EXPECT_EQ(written, deep.IsValidEntry(Text(name)));
        EXPECT_EQ(written, deep.ReadEntry(Text(name)));
        std::string file = name + ".vmr";
        EXPECT_EQ(total == 259 ? 1 : 0, deep.DeleteEntry(Text(file)));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cut.c_str())) << "no cut name was written";
    }
}

// The longest name a directory holds (255 characters) is the entry's name
// once read; it is reached through a relative path, which leaves room for it.
TEST_F(EntryFilesTest, TheLongestFileNameIsKeptAsTheEntrysName)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof(previous), previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    std::string name = std::string(251, 'n') + ".vmr";
    std::string relative = ".\\" + name;
    EXPECT_EQ(1, book.WriteEntry(Text(relative)));
    EXPECT_EQ(1, book.ReadEntry(Text(relative)));
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(name, std::string(VmrPhoneBookAccess::EntryName(book)));
}

// A directory that does not fit leaves the book without one: its verbs then
// fail, and nothing goes to the current directory in its place.
TEST_F(EntryFilesTest, ADirectoryThatDoesNotFitLeavesNoneToWriteIn)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof(previous), previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    std::string tooLong(300, 'd'), name("stray");
    book.SetPath(Text(tooLong));
    EXPECT_EQ(0, book.WriteEntry(Text(name)));
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("stray.vmr").c_str()));
}

// The temporary file goes beside the entry whichever separator the path
// uses, and a directory that leaves no room for the temporary file's name
// fails the write before anything is created.
TEST_F(EntryFilesTest, TheTemporaryFileGoesBesideTheEntry)
{
    std::string forward = dir.path();
    for (char& c : forward)
        if (c == '\\')
            c = '/';
    std::string name = forward + "/slashes";
    EXPECT_EQ(1, book.WriteEntry(Text(name)));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("slashes.vmr").c_str()));

    std::string base = dir.path();
    while (base.size() < 245) {
        base += "\\" + std::string(std::min<size_t>(60, 245 - base.size() - 1), 'd');
        ASSERT_TRUE(CreateDirectoryA(base.c_str(), NULL)) << base;
    }
    ASSERT_EQ(245u, base.size());
    std::string roomy = base + "\\a";
    EXPECT_EQ(1, book.WriteEntry(Text(roomy))) << "245 bytes leave room for the temporary name";
    std::string deeper = base + "\\xyz";   // 249: "\\vmrXXXX.tmp" would end past 259
    ASSERT_TRUE(CreateDirectoryA(deeper.c_str(), NULL));
    std::string cramped = deeper + "\\a";
    EXPECT_EQ(0, book.WriteEntry(Text(cramped)));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((cramped + ".vmr").c_str()));
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((deeper + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find) << "a temporary file was left behind";
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

TEST(EntryNames, TrimSpaces)
{
    char text[] = "  a b  ";
    EXPECT_EQ(1, TrimSpaces(text));
    EXPECT_STREQ("a b", text);
    char plain[] = "ab";
    EXPECT_EQ(0, TrimSpaces(plain));
    EXPECT_STREQ("ab", plain);
    char blanks[] = "   ";
    EXPECT_EQ(1, TrimSpaces(blanks));
    EXPECT_STREQ("", blanks);
    char tabs[] = "\tab\t";
    EXPECT_EQ(0, TrimSpaces(tabs));
    std::string longText = " " + std::string(400, 'x') + " ";
    EXPECT_EQ(1, TrimSpaces(&longText[0]));
    EXPECT_EQ(std::string(400, 'x'), longText.c_str()) << "a long text is trimmed, not cut";
}

TEST(EntryNames, DirectoryPartsAndTheExtension)
{
    EXPECT_FALSE(HasDirectoryPart("office"));
    EXPECT_FALSE(HasDirectoryPart("office.vmr"));
    EXPECT_TRUE(HasDirectoryPart("sub\\office"));
    EXPECT_TRUE(HasDirectoryPart("C:office"));
    EXPECT_TRUE(HasDirectoryPart("/office"));
    EXPECT_FALSE(HasDirectoryPart(std::string(300, 'a').append("\\x").c_str()));
    // A directory part of 256 bytes is more than _splitpath splits.
    EXPECT_TRUE(HasDirectoryPart(std::string(255, 'd').append("\\x").c_str()));

    char path[MAX_PATH] = "C:\\pb\\office.Vmr";
    EXPECT_TRUE(AppendEntryExtension(path));
    EXPECT_STREQ("C:\\pb\\office.Vmr", path);
    strcpy(path, "C:\\pb.vmr\\office");
    EXPECT_TRUE(AppendEntryExtension(path));
    EXPECT_STREQ("C:\\pb.vmr\\office.vmr", path);
    strcpy(path, "C:\\pb\\office.vmrx");
    EXPECT_TRUE(AppendEntryExtension(path));
    EXPECT_STREQ("C:\\pb\\office.vmrx.vmr", path);
    std::string full = "C:\\" + std::string(252, 'p');   // 255 bytes: ".vmr" makes 259
    strcpy(path, full.c_str());
    EXPECT_TRUE(AppendEntryExtension(path));
    full += "x";
    strcpy(path, full.c_str());
    EXPECT_FALSE(AppendEntryExtension(path));
    EXPECT_EQ(full, path);
}

TEST_F(EntryFilesTest, EntryFileExistsLooksInTheOpenPhoneBook)
{
    WriteEntryFile(dir.file("office.vmr"), SampleRecord());
    CurrentPhoneBook = &book;
    EXPECT_EQ(1, EntryFileExists("office.vmr"));
    EXPECT_EQ(0, EntryFileExists("office")) << "no extension is added";
    EXPECT_EQ(1, EntryFileExists(dir.file("office.vmr").c_str()));
    CurrentPhoneBook = NULL;
    EXPECT_EQ(0, EntryFileExists("office.vmr"));
    EXPECT_EQ(1, EntryFileExists(dir.file("office.vmr").c_str()));
}

}  // namespace
