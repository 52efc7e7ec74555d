// The entry store under what a console in daily use meets: names of devices,
// leftovers of writers that ended, two processes at one entry, long runs,
// writers ended abruptly, and a disk that fills, turns read-only or goes.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "EntryFiles.h"
#include "Holdings.h"
#include "PhoneBookAccess.h"
#include "TestSupport.h"

namespace {

char* Text(std::string& text) { return &text[0]; }

// A record with every text field filled with one letter: two such records
// differ in every block of the file, so a torn entry matches neither.
VmrEntryRecord LetterRecord(char letter)
{
    VmrPhoneBook book;
    VmrEntryRecord record = VmrPhoneBookAccess::Record(book);
    memset(record.LoginName, letter, sizeof(record.LoginName) - 1);
    memset(record.TapiLineName, letter, sizeof(record.TapiLineName) - 1);
    memset(record.RasLinkName, letter, sizeof(record.RasLinkName) - 1);
    memset(record.AdapterName, letter, sizeof(record.AdapterName) - 1);
    memset(record.InternetLocatorServer, letter, sizeof(record.InternetLocatorServer) - 1);
    return record;
}

bool SameRecord(VmrPhoneBook& book, const VmrEntryRecord& record)
{
    return memcmp(&VmrPhoneBookAccess::Record(book), &record, sizeof(record)) == 0;
}

// A phone book on the directory named by the child's argument after its first
// character.
void UseDirectory(VmrPhoneBook& book, const char* arg)
{
    std::string directory = std::string(arg + 1) + "\\";
    book.SetPath(Text(directory));
}

// Runs call on a thread of its own; false when it has not come back within
// limitMs. An open of a serial port blocks for good under Wine: the thread
// is then ended, and the test fails instead of hanging.
DWORD WINAPI RunCall(LPVOID call)
{
    (*static_cast<const std::function<void()>*>(call))();
    return 0;
}

bool ReturnsWithin(DWORD limitMs, const std::function<void()>& call)
{
    HANDLE thread = CreateThread(NULL, 0, RunCall, const_cast<std::function<void()>*>(&call), 0, NULL);
    if (thread == NULL)
        return false;
    bool back = WaitForSingleObject(thread, limitMs) == WAIT_OBJECT_0;
    if (!back)
        TerminateThread(thread, 1);
    CloseHandle(thread);
    return back;
}

class Reliability : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { shell = new ShellWindow(); }
    static void TearDownTestSuite() { delete shell; }
    void SetUp() override
    {
        std::string path = dir.path();
        book.SetPath(Text(path));
        CurrentPhoneBook = &book;
    }

    std::string Arg(char letter) const { return letter + dir.path(); }

    static ShellWindow* shell;
    TempDir dir{"reliability"};
    VmrPhoneBook book;
    MessageJournal journal;   // a message box would wait for a user
};
ShellWindow* Reliability::shell = nullptr;

// ---- Device names

// The mended fault: "COM1" opened the serial port (blocking for good under
// Wine) and "NUL" the null device, which IsValidEntry took for an entry.
TEST_F(Reliability, NoVerbOpensADeviceAndEachAnswersAtOnce)
{
    ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("office")));
    std::string office = dir.file("office.vmr"), spare = dir.file("spare.vmr");
    for (const char* device : {"CON", "prn", "Aux", "NUL", "nul.vmr", "CON.txt", "COM1", "com9", "LPT1",
                               "lpt9.vmr", "COM1 ", "CON..", "con .txt", "AUX:"}) {
        SCOPED_TRACE(device);
        std::string name = device, path = dir.file(device);
        std::vector<int> answers;
        ASSERT_TRUE(ReturnsWithin(1000, [&] {
            answers = {book.ReadEntry(Text(name)),       book.WriteEntry(Text(name)),
                       book.IsValidEntry(Text(name)),    book.IsRasLinkEntry(Text(name)),
                       book.ReadEntry(Text(path)),       book.WriteEntry(Text(path)),
                       book.IsValidEntry(Text(path)),    book.IsRasLinkEntry(Text(path)),
                       book.CopyEntry(Text(office), Text(path)),  book.CopyEntry(Text(path), Text(spare)),
                       book.RenameEntry(Text(office), Text(path)), book.RenameEntry(Text(path), Text(spare)),
                       book.DeleteEntry(Text(path)),     EntryFileExists(device),
                       EntryFileExists(path.c_str())};
        })) << "a verb did not answer within a second";
        EXPECT_EQ(std::vector<int>(answers.size(), 0), answers);
    }
    EXPECT_EQ(std::vector<std::string>{"office.vmr"}, FilesIn(dir.path()));
    // Names that only resemble a device are names like any other.
    for (const char* name : {"CONSOLE", "COM10", "nul-modem", "LPT", "x.CON"}) {
        std::string entry = name;
        EXPECT_EQ(1, book.WriteEntry(Text(entry))) << name;
    }
}

// ---- Leftovers

// The child side of a write in progress in another process: it holds its
// temporary file open as a write does until its rename, sharing it for
// deletion only.
TEST_CHILD(HoldTemporaryFile)
{
    return HoldFileOpen(arg, FILE_SHARE_DELETE, CREATE_NEW);
}

TEST_F(Reliability, AWriteRemovesTheLeftoversOfEndedWritesOnly)
{
    // The writer names its temporary files itself ("~vmr" and four digits);
    // GetTempFileNameA's "vmrXXXX.tmp" may be another program's. An entry set
    // aside ("lab.vm~") goes back to its name.
    const char* leftovers[] = {"~vmr0001.tmp", "~vmrBEEF.tmp", "~vmrc0de.tmp", "~VMR12AB.TMP"};
    const char* others[] = {"~vmrnote.tmp", "other.tmp", "~vmrABCD.txt", "~vmr12345.tmp", "~vmr.tmp",
                            "vmr0001.tmp", "vmrBEEF.tmp", "vmr1.tmp"};
    for (const char* name : leftovers)
        ASSERT_TRUE(WriteFileBytes(dir.file(name), "x", 1));
    for (const char* name : others)
        ASSERT_TRUE(WriteFileBytes(dir.file(name), "x", 1));
    ASSERT_TRUE(WriteFileBytes(dir.file("lab.vm~"), "x", 1));
    {
        HeldChild writer("HoldTemporaryFile", dir.file("~vmr00FF.tmp"));
        ASSERT_TRUE(writer.ready());
        ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("office")));
    }
    std::vector<std::string> expected = {"lab.vmr", "office.vmr", "~vmr00FF.tmp"};
    expected.insert(expected.end(), std::begin(others), std::end(others));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, FilesIn(dir.path()));
}

DWORD WINAPI EndAbruptly(LPVOID delay)
{
    Sleep(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(delay)));
    TerminateProcess(GetCurrentProcess(), 9);
    return 0;
}

// "--child WriteUntilEnded <delay><directory>": writes its entry over and
// over until a thread of its own ends the process abruptly, after the delay
// (in tens of milliseconds: 'a' is none, 'b' ten).
TEST_CHILD(WriteUntilEnded)
{
    VmrPhoneBook book;
    UseDirectory(book, arg);
    VmrPhoneBookAccess::Record(book) = LetterRecord('C');
    UINT_PTR delay = static_cast<UINT_PTR>(arg[0] - 'a') * 10;
    CloseHandle(CreateThread(NULL, 0, EndAbruptly, reinterpret_cast<LPVOID>(delay), 0, NULL));
    for (;;)
        book.WriteEntry(const_cast<char*>("crash"));
}

// "--child WriteOnce -<directory>": writes its entry once, as a new process.
TEST_CHILD(WriteOnce)
{
    VmrPhoneBook book;
    UseDirectory(book, arg);
    VmrPhoneBookAccess::Record(book) = LetterRecord('C');
    return book.WriteEntry(const_cast<char*>("crash")) ? 0 : 1;
}

TEST_F(Reliability, WritersEndedAbruptlyLeaveAWholeEntryAndTheNextProcessNoLitter)
{
    VmrEntryRecord crash = LetterRecord('C');
    VmrPhoneBookAccess::Record(book) = crash;
    ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("crash")));
    srand(12);
    for (int run = 0; run < 12; ++run) {
        char delay = static_cast<char>('a' + rand() % 20);
        ASSERT_EQ(9u, RunChild("WriteUntilEnded", Arg(delay), NULL)) << "run " << run;
        ASSERT_EQ(1, book.ReadEntry(const_cast<char*>("crash"))) << "run " << run;
        EXPECT_TRUE(SameRecord(book, crash)) << "run " << run;
    }
    // This process swept the folder at its first write; the leftovers of the
    // writers that ended since go with the next process's first write there.
    ASSERT_EQ(0u, RunChild("WriteOnce", Arg('-'), NULL));
    EXPECT_EQ(std::vector<std::string>{"crash.vmr"}, FilesIn(dir.path()));
}

// ---- Two processes at one entry

// "--child WriteAndReadShared <letter><directory>": 1,000 rounds of writing
// its own record and reading the entry back. A read answers 1 with one of
// the two records, or 0 while the other process holds the file.
TEST_CHILD(WriteAndReadShared)
{
    VmrPhoneBook book;
    UseDirectory(book, arg);
    VmrEntryRecord own = LetterRecord(arg[0]), other = LetterRecord(arg[0] == 'A' ? 'B' : 'A');
    int torn = 0, held = 0, written = 0;
    for (int round = 0; round < 1000; ++round) {
        VmrPhoneBookAccess::Record(book) = own;
        written += book.WriteEntry(const_cast<char*>("shared"));
        SetLastError(0);
        if (book.ReadEntry(const_cast<char*>("shared")) == 1) {
            torn += SameRecord(book, own) || SameRecord(book, other) ? 0 : 1;
        } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
            ++held;
        } else {
            ++torn;
        }
    }
    printf("%c: torn or failed reads %d, reads while held %d, writes %d\n", arg[0], torn, held, written);
    return torn;
}

TEST_F(Reliability, TwoProcessesWritingAndReadingOneEntryNeverSeeItTorn)
{
    VmrPhoneBookAccess::Record(book) = LetterRecord('A');
    ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("shared")));
    DWORD results[2] = {255, 255};
    std::string outputs[2];
    std::thread first([&] { results[0] = RunChild("WriteAndReadShared", Arg('A'), &outputs[0]); });
    std::thread second([&] { results[1] = RunChild("WriteAndReadShared", Arg('B'), &outputs[1]); });
    first.join();
    second.join();
    EXPECT_EQ(0u, results[0]) << outputs[0];
    EXPECT_EQ(0u, results[1]) << outputs[1];
    printf("%s%s", outputs[0].c_str(), outputs[1].c_str());
    EXPECT_EQ(std::vector<std::string>{"shared.vmr"}, FilesIn(dir.path()));
    EXPECT_TRUE(journal.lines().empty());
}

// ---- Long runs

int CALLBACK CountEntry(char*, long count)
{
    ++*reinterpret_cast<int*>(count);
    return 1;
}

// Write, read, list, copy, rename and delete, over and over: every handle,
// heap block and file a cycle takes is given back.
TEST_F(Reliability, CyclesOfEveryVerbLeaveNothingBehind)
{
    std::string entry = dir.file("cycle.vmr"), copy = dir.file("copy.vmr"), renamed = dir.file("renamed.vmr");
    Soak soak;
    soak.cycles = 20;
    soak.folder = dir.path();
    EXPECT_TRUE(SoakGivesEverythingBack(soak, [&](int cycle) {
        int listed = 0;
        bool done = book.WriteEntry(const_cast<char*>("cycle")) && book.ReadEntry(const_cast<char*>("cycle")) &&
                    book.EnumEntryNames(CountEntry, reinterpret_cast<long>(&listed)) && listed == 1 &&
                    book.CopyEntry(Text(entry), Text(copy)) && book.RenameEntry(Text(copy), Text(renamed)) &&
                    book.DeleteEntry(Text(renamed)) && book.DeleteEntry(Text(entry));
        EXPECT_TRUE(done) << "cycle " << cycle;
        return done;
    }));
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

// The soak's check itself: keeping one object of a kind per cycle fails it,
// and names what grew; keeping nothing passes.
TEST_F(Reliability, TheSoakSeesOneObjectKeptPerCycle)
{
    const struct {
        const char* keep;
        const char* grown;
    } cases[] = {{"handle", "handles +3"},     {"gdi", "GDI objects +3"},
                 {"user", "windows +3"},       {"heap", "heap blocks +3"},
                 {"memory", "private bytes +12288"}, {"file", "files +3"}};
    for (const auto& c : cases) {
        Soak soak;
        soak.folder = dir.path();
        soak.keep = c.keep;
        ::testing::AssertionResult result = SoakGivesEverythingBack(soak, [](int) { return true; });
        EXPECT_FALSE(result) << c.keep;
        EXPECT_NE(std::string::npos, std::string(result.message()).find(c.grown)) << result.message();
    }
    Soak clean;
    clean.folder = dir.path();
    EXPECT_TRUE(SoakGivesEverythingBack(clean, [](int) { return true; }));
}

// ---- A disk that fills, turns read-only or goes

// A tmpfs of 64 KiB mounted on a folder of the test's own, from the Unix
// side (it takes root), and unmounted again.
class SmallDisk
{
public:
    explicit SmallDisk(const std::string& folder) : unixFolder_(UnixPathOf(folder))
    {
        mounted_ = CreateDirectoryA(folder.c_str(), NULL) && !unixFolder_.empty() &&
                   RunUnixCommand("mount -t tmpfs -o size=64k pb-small-disk '" + unixFolder_ + "'");
    }
    ~SmallDisk()
    {
        if (mounted_)
            RunUnixCommand("umount '" + unixFolder_ + "'");
    }
    bool mounted() const { return mounted_; }
    bool remount(const char* mode) { return RunUnixCommand("mount -o remount," + std::string(mode) + " '" + unixFolder_ + "'"); }

private:
    std::string unixFolder_;
    bool mounted_;
};

// Fills the disk with one file, as far as it goes.
void FillDisk(const std::string& file)
{
    HANDLE filler = CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, filler);
    std::vector<char> chunk(1024, 'f');
    DWORD written = 0;
    while (WriteFile(filler, chunk.data(), static_cast<DWORD>(chunk.size()), &written, NULL) && written > 0) {
    }
    CloseHandle(filler);
}

TEST_F(Reliability, AFullReadOnlyOrVanishedDirectoryRefusesTheWriteAndKeepsTheEntry)
{
    SmallDisk disk(dir.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk: mounting a tmpfs needs root";
    std::string directory = dir.file("disk") + "\\";
    book.SetPath(Text(directory));
    VmrPhoneBookAccess::Record(book) = LetterRecord('K');
    ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("kept")));
    const std::string kept = directory + "kept.vmr";
    const std::vector<unsigned char> before = ReadFileBytes(kept);
    VmrPhoneBookAccess::Record(book) = LetterRecord('N');

    FillDisk(directory + "filler");
    EXPECT_EQ(0, book.WriteEntry(const_cast<char*>("kept"))) << "full disk";
    EXPECT_EQ(before, ReadFileBytes(kept));
    EXPECT_EQ(std::vector<std::string>({"filler", "kept.vmr"}), FilesIn(dir.file("disk")));

    ASSERT_TRUE(DeleteFileA((directory + "filler").c_str()));
    ASSERT_TRUE(disk.remount("ro"));
    EXPECT_EQ(0, book.WriteEntry(const_cast<char*>("kept"))) << "read-only disk";
    EXPECT_EQ(before, ReadFileBytes(kept));
    ASSERT_TRUE(disk.remount("rw"));
    EXPECT_EQ(1, book.WriteEntry(const_cast<char*>("kept"))) << "the disk recovered";

    // A phone book directory deleted while in use: nothing is made again.
    TempDir gone("gone");
    std::string goneDirectory = gone.path() + "\\";
    book.SetPath(Text(goneDirectory));
    ASSERT_TRUE(RemoveDirectoryA(gone.path().c_str()));
    EXPECT_EQ(0, book.WriteEntry(const_cast<char*>("kept")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(gone.path().c_str()));
}

}  // namespace
