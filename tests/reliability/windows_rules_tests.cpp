// The Windows rules Wine is kinder about, each shown where Wine cannot show
// it by itself: which names and paths reach a device, what an opened entry
// must be, the Windows 95/98 write path (run for real through the writer's
// seam), and what the clean-up of ended writes may touch. The program also
// runs under the Japanese locale (code page 932) for the name rules.
#include <gtest/gtest.h>
#include <string.h>
#include <functional>
#include <string>
#include <vector>

#include "DeviceNames.h"
#include "EntryFiles.h"
#include "EntryNames.h"
#include "PhoneBookAccess.h"
#include "TestSupport.h"

namespace {

char* Text(std::string& text) { return &text[0]; }

DWORD WINAPI RunCall(LPVOID call)
{
    (*static_cast<const std::function<void()>*>(call))();
    return 0;
}

// False when the call has not come back within limitMs (its thread is then
// ended, so that a call that waits on a device fails the test, not hangs it).
bool ReturnsWithin(DWORD limitMs, const std::function<void()>& call)
{
    HANDLE thread = CreateThread(NULL, 0, RunCall, const_cast<std::function<void()>*>(&call), 0, NULL);
    bool back = thread != NULL && WaitForSingleObject(thread, limitMs) == WAIT_OBJECT_0;
    if (thread != NULL && !back)
        TerminateThread(thread, 1);
    if (thread != NULL)
        CloseHandle(thread);
    return back;
}

std::string Bytes(const std::string& path)
{
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// A file made from the Unix side (a link, a device node), removed from there
// when the object goes: through Wine a delete would follow a link, and a
// device node does not go.
class UnixMade
{
public:
    UnixMade(const std::string& command, const std::string& path) : path_(UnixPathOf(path))
    {
        made_ = !path_.empty() && RunUnixCommand(command + " '" + path_ + "'");
    }
    ~UnixMade() { RunUnixCommand("rm -f '" + path_ + "'"); }
    UnixMade(const UnixMade&) = delete;
    UnixMade& operator=(const UnixMade&) = delete;
    bool made() const { return made_; }

private:
    std::string path_;
    bool made_;
};

class WindowsRules : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { shell = new ShellWindow(); }
    static void TearDownTestSuite() { delete shell; }
    void SetUp() override
    {
        std::string path = dir.path() + "\\";
        book.SetPath(Text(path));
        CurrentPhoneBook = &book;
    }
    void TearDown() override { UseFileSystemCalls(NULL); }

    // Writes the book's record with its login name set to text.
    EntryWrite Write(const std::string& name, const char* login, bool replace = true)
    {
        std::string text = login;
        book.SetLoginName(Text(text));
        return WriteEntryFile(book, dir.file(name).c_str(), replace);
    }
    std::string LoginOf(const std::string& name)
    {
        std::string entry = name;
        char login[64] = "";
        if (book.ReadEntry(Text(entry)))
            book.GetLoginName(login, sizeof(login));
        return login;
    }

    static ShellWindow* shell;
    TempDir dir{"windows-rules"};
    VmrPhoneBook book;
    MessageJournal journal;
};
ShellWindow* WindowsRules::shell = nullptr;

// ---- Which names and paths reach a device

// Rows for one ANSI code page run only where the process has it; the program
// runs under 1252 and under 932.
struct NameRow {
    UINT codePage;   // 0: any
    const char* text;
    bool device;
    EntryNameProblem problem;   // as a connection name, for pbtool and the wizard
};

const NameRow kNames[] = {
    {0, "CON", true, kNameDevice},            {0, "nul.vmr", true, kNameDevice},
    {0, "com9 .txt", true, kNameDevice},      {0, "LPT1:", true, kNameForbiddenCharacter},
    {0, "CONIN$", true, kNameDevice},         {0, "conout$.vmr", true, kNameDevice},
    {0, "Clock$", true, kNameDevice},         {0, "x\\y\\CONOUT$", true, kNameForbiddenCharacter},
    {0, "\\\\.\\pipe\\x", true, kNameForbiddenCharacter},
    {0, "\\\\?\\C:\\pb\\office.vmr", true, kNameForbiddenCharacter},
    {0, "\\??\\C:\\pb\\office.vmr", true, kNameForbiddenCharacter},
    {0, "//./COM1", true, kNameForbiddenCharacter},
    {0, "\\\\server\\share\\office.vmr", false, kNameForbiddenCharacter},
    {0, "\\\\server\\pipe\\office.vmr", true, kNameForbiddenCharacter},
    {0, "//localhost/MailSlot/x", true, kNameForbiddenCharacter},
    {0, "\\\\server\\pipes\\office.vmr", false, kNameForbiddenCharacter},
    {0, "CONSOLE", false, kNameUsable},       {0, "COM10", false, kNameUsable},
    {0, "CLOCK", false, kNameUsable},         {0, "CONIN", false, kNameUsable},
    {0, "x.CON", false, kNameUsable},         {0, "  ", false, kNameBlank},
    {0, "", false, kNameBlank},
    {0, "a\tb", false, kNameForbiddenCharacter}, {0, "\x1F", false, kNameForbiddenCharacter},
    // 1252: the superscripts one, two and three count as the port's digit.
    {1252, "COM\xB9", true, kNameDevice},     {1252, "com\xB2.vmr", true, kNameDevice},
    {1252, "LPT\xB3 ", true, kNameDevice},    {1252, "COM\xBC", false, kNameUsable},
    // 932: the same bytes are katakana; 0x5C as a trail byte (0x95 0x5C) is
    // no separator, and a name of such characters holds no backslash.
    {932, "COM\xB2", false, kNameUsable},     {932, "\x95\x5C" "CON", false, kNameUsable},
    {932, "\x95\x5C\\CON", true, kNameForbiddenCharacter},
    {932, "pc\x95\x5C", false, kNameUsable},  {932, "\x95\x5C|", false, kNameForbiddenCharacter},
};

TEST_F(WindowsRules, OneRuleDecidesWhatReachesADevice)
{
    UINT codePage = GetACP();
    ASSERT_TRUE(codePage == 1252 || codePage == 932) << codePage;
    std::string office = dir.file("office.vmr");
    ASSERT_EQ(1, book.WriteEntry(Text(office)));
    for (const NameRow& row : kNames) {
        if (row.codePage != 0 && row.codePage != codePage)
            continue;
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.device, NamesDevice(row.text));
        EXPECT_EQ(row.problem, FindEntryNameProblem(NULL, row.text));
        if (!row.device)
            continue;
        // Every verb answers 0 at once and writes nothing.
        std::string name = row.text, spare = dir.file("spare.vmr");
        std::vector<int> answers;
        ASSERT_TRUE(ReturnsWithin(1000, [&] {
            answers = {book.ReadEntry(Text(name)),  book.WriteEntry(Text(name)),
                       book.IsValidEntry(Text(name)), book.IsRasLinkEntry(Text(name)),
                       book.CopyEntry(Text(office), Text(name)), book.CopyEntry(Text(name), Text(spare)),
                       book.RenameEntry(Text(office), Text(name)), book.DeleteEntry(Text(name)),
                       EntryFileExists(row.text)};
        }));
        EXPECT_EQ(std::vector<int>(answers.size(), 0), answers);
    }
    EXPECT_EQ(std::vector<std::string>{"office.vmr"}, FilesIn(dir.path()));
}

// pbtool asks the same rule: in 932 a name whose trail byte is 0x5C is
// written; in 1252 the second serial port is refused as a device.
// The name, its ".vmr" (given or to come) and the directory fit in 259
// bytes and a terminator, or the name is too long.
TEST(EntryNameLength, TheWholePathCountsTheExtensionOnce)
{
    const std::string directory = "C:\\" + std::string(200, 'd') + "\\";
    for (bool given : {true, false}) {
        for (size_t total : {259u, 260u}) {
            std::string name(total - directory.size() - 4, 'n');
            if (given)
                name += ".vmr";
            EXPECT_EQ(total == 259 ? kNameUsable : kNameTooLong, FindEntryNameProblem(directory.c_str(), name.c_str()))
                << total << (given ? " with" : " without") << " its extension";
        }
    }
}

TEST_F(WindowsRules, PbtoolJudgesNamesByCharacters)
{
    std::string tool = ProgramDirectory() + "\\..\\bin\\pbtool.exe", out, err;
    std::string name = GetACP() == 932 ? "pc\x95\x5C" : "COM\xB2";
    DWORD status = RunProgram("\"" + tool + "\" --path \"" + dir.path() + "\" new \"" + name + "\"", &out, &err);
    if (GetACP() == 932) {
        EXPECT_EQ(0u, status) << err;
        EXPECT_EQ(std::vector<std::string>{name + ".vmr"}, FilesIn(dir.path()));
    } else {
        EXPECT_EQ(1u, status);
        EXPECT_NE(std::string::npos, err.find("Windows device")) << err;
        EXPECT_TRUE(FilesIn(dir.path()).empty());
    }
}

// ---- What an opened entry must be: a file on a disk

TEST_F(WindowsRules, WhatOpensAsNoDiskFileIsClosedAtOnce)
{
    // A real named pipe whose server never writes: a read of it would wait
    // for good. The open is the library's own, past the name rule.
    std::string pipe = "\\\\.\\pipe\\phonebk-rules-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, server);
    bool opened = true;
    EXPECT_TRUE(ReturnsWithin(1000, [&] { opened = OpenEntryForReading(pipe.c_str()).valid(); }));
    EXPECT_FALSE(opened) << "the pipe was handed on";
    CloseHandle(server);

    // A device reached through a path no name rule knows: a character device
    // node (the null device's numbers) made in the phone book from the Unix
    // side, which needs root. Never a link to /dev/null: a delete through Wine
    // follows links.
    UnixMade node("mknod -m 666", dir.file("null.vmr"));
    if (!node.made())
        GTEST_SKIP() << "no device node could be made (not root?)";
    std::string name = "null", office = dir.file("office.vmr");
    std::vector<int> answers = {book.IsValidEntry(Text(name)), book.ReadEntry(Text(name)),
                                EntryFileExists("null.vmr"), book.CopyEntry(Text(name), Text(office))};
    EXPECT_EQ(std::vector<int>(answers.size(), 0), answers);
}

// ---- The Windows 95/98 write path, through the seam

// The moves the Windows 95/98 path makes, one by one; a test stands between
// them with its own action.
std::function<bool(LPCSTR, LPCSTR)> g_beforeMove;
BOOL WINAPI MoveWatched(LPCSTR from, LPCSTR to)
{
    if (g_beforeMove && !g_beforeMove(from, to)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return MoveFileA(from, to);
}
FileSystemCalls Watched9x()
{
    FileSystemCalls calls = Windows9xCalls();
    calls.moveFile = MoveWatched;
    return calls;
}

// The writers' mutex each request asked for, and whether it was made; a
// system without sessions refuses a name with a backslash.
bool g_withSessions;
std::vector<std::pair<std::string, bool>> g_mutexRequests;
HANDLE WINAPI RecordMutex(LPSECURITY_ATTRIBUTES security, BOOL owned, LPCSTR name)
{
    HANDLE made = NULL;
    if (g_withSessions || strchr(name, '\\') == NULL)
        made = CreateMutexA(security, owned, name);
    else
        SetLastError(ERROR_BAD_PATHNAME);
    g_mutexRequests.emplace_back(name, made != NULL);
    return made;
}

// Writers take turns on the "Global\" mutex, which reaches every session of
// a terminal server; a system without sessions refuses that name, and there
// they take the bare one.
TEST_F(WindowsRules, WritersTakeTurnsOnTheGlobalMutexOrWithoutSessionsTheBareOne)
{
    for (bool sessions : {true, false}) {
        SCOPED_TRACE(sessions ? "with sessions" : "without sessions");
        static FileSystemCalls calls;
        calls = sessions ? WindowsNTCalls() : Windows9xCalls();
        calls.createMutex = RecordMutex;
        g_withSessions = sessions;
        g_mutexRequests.clear();
        UseFileSystemCalls(&calls);
        EXPECT_EQ(kEntryWriteDone, Write("turns.vmr", "x"));
        UseFileSystemCalls(NULL);
        ASSERT_FALSE(g_mutexRequests.empty());
        for (size_t i = 0; i < g_mutexRequests.size(); ++i) {
            const std::string& name = g_mutexRequests[i].first;
            bool global = name.compare(0, 7, "Global\\") == 0;
            EXPECT_EQ(sessions || i % 2 == 0, global) << name;
            EXPECT_EQ(sessions || i % 2 == 1, g_mutexRequests[i].second) << name;
        }
        EXPECT_TRUE(sessions || g_mutexRequests.size() % 2 == 0) << "a refused name was not followed by the bare one";
    }
}

TEST_F(WindowsRules, Windows9xPathReplacesAndNeverTakesAnEntryMadeMeanwhile)
{
    static FileSystemCalls calls = Watched9x();
    UseFileSystemCalls(&calls);
    std::string office = dir.file("office.vmr");
    g_beforeMove = nullptr;
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "first"));
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "second"));
    EXPECT_EQ("second", LoginOf("office"));
    EXPECT_EQ(std::vector<std::string>{"office.vmr"}, FilesIn(dir.path())) << "the replaced entry is gone";

    // The new file cannot take the entry's place: the old one comes back.
    g_beforeMove = [&](LPCSTR from, LPCSTR to) {
        return !(office == to && strstr(from, "~vmr") != NULL && GetFileAttributesA(to) == INVALID_FILE_ATTRIBUTES);
    };
    EXPECT_EQ(kEntryWriteFailed, Write("office.vmr", "third"));
    EXPECT_EQ("second", LoginOf("office"));

    // Another console's Finish makes the entry just before this one's.
    std::string other = dir.file("other.vmr");
    g_beforeMove = [&](LPCSTR, LPCSTR to) { return other != to || WriteFileBytes(other, "theirs", 6); };
    EXPECT_EQ(kEntryWriteExists, Write("other.vmr", "mine", false));
    EXPECT_EQ("theirs", Bytes(other));
    g_beforeMove = nullptr;
    EXPECT_EQ((std::vector<std::string>{"office.vmr", "other.vmr"}), FilesIn(dir.path()));
}

// Windows refuses a new file of a name still held for deletion with
// ERROR_ACCESS_DENIED (Wine with ERROR_FILE_EXISTS): the write takes the next.
int g_heldNames;
HANDLE WINAPI CreateOverHeldNames(LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security,
                                  DWORD creation, DWORD flags, HANDLE model)
{
    if (g_heldNames > 0) {
        --g_heldNames;
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(path, access, sharing, security, creation, flags, model);
}

TEST_F(WindowsRules, ANameHeldForDeletionIsPassedOver)
{
    static FileSystemCalls calls = WindowsNTCalls();
    calls.createFile = CreateOverHeldNames;
    UseFileSystemCalls(&calls);
    g_heldNames = 3;
    EXPECT_EQ(kEntryWriteDone, Write("office.vmr", "a"));
    EXPECT_EQ(0, g_heldNames);
    EXPECT_EQ(std::vector<std::string>{"office.vmr"}, FilesIn(dir.path()));
}

// "--child ReplaceOn9x <how><directory>": replaces office.vmr on the Windows
// 95/98 path with login "new", and between its two renames ends abruptly
// ('e') or waits for the parent's release ('h').
TEST_CHILD(ReplaceOn9x)
{
    static FileSystemCalls calls = Watched9x();
    UseFileSystemCalls(&calls);
    static char how = arg[0];
    static std::string directory = std::string(arg + 1) + "\\", office = directory + "office.vmr";
    static bool setAside = false;
    g_beforeMove = [](LPCSTR from, LPCSTR) {
        if (setAside && how == 'e')
            TerminateProcess(GetCurrentProcess(), 9);
        if (setAside)
            HeldChildReached();
        setAside = setAside || office == from;
        return true;
    };
    VmrPhoneBook book;
    book.SetPath(Text(directory));
    std::string login = "new", name = "office";
    book.SetLoginName(Text(login));
    return book.WriteEntry(Text(name)) ? 0 : 1;
}

TEST_F(WindowsRules, AnAbruptEndBetweenTheRenamesLosesNoEntry)
{
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "old"));
    ASSERT_EQ(9u, RunChild("ReplaceOn9x", "e" + dir.path(), NULL));
    // The old entry waits under a name the clean-up puts back, never removes;
    // a Finish of its name on that system finds it back in place, and never
    // replaces it.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("office.vmr").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("office.vm~").c_str()));
    UseFileSystemCalls(&Windows9xCalls());
    EXPECT_EQ(kEntryWriteExists, Write("office.vmr", "finish", false));
    EXPECT_EQ("old", LoginOf("office"));
    EXPECT_EQ(std::vector<std::string>{"office.vmr"}, FilesIn(dir.path()));
}

std::string g_waitingWrite;
DWORD WINAPI WriteLab(LPVOID)
{
    VmrPhoneBook book;
    book.SetPath(Text(g_waitingWrite));
    std::string name = "lab";
    return book.WriteEntry(Text(name)) ? 0 : 1;
}

TEST_F(WindowsRules, AWriterThatEndsInItsTurnIsClearedUpAfterByTheOneWaiting)
{
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "old"));   // this process has swept the folder
    g_waitingWrite = dir.path() + "\\";
    HeldChild writer("ReplaceOn9x", "h" + dir.path());
    ASSERT_TRUE(writer.ready());
    HANDLE waiting = CreateThread(NULL, 0, WriteLab, NULL, 0, NULL);
    ASSERT_NE(nullptr, waiting);
    Sleep(300);
    HANDLE child = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, writer.processId());
    ASSERT_NE(nullptr, child);
    TerminateProcess(child, 9);
    WaitForSingleObject(child, 10000);
    CloseHandle(child);
    // The write waiting for the folder's turn is handed an abandoned turn,
    // and puts the set-aside entry back before its own write.
    DWORD exitCode = 1;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(waiting, 10000));
    GetExitCodeThread(waiting, &exitCode);
    CloseHandle(waiting);
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ("old", LoginOf("office"));
    EXPECT_EQ((std::vector<std::string>{"lab.vmr", "office.vmr"}), FilesIn(dir.path()));
}

std::string g_cleanedDirectory;
volatile bool g_cleaned;
DWORD WINAPI CleanUp(LPVOID)
{
    RemoveWriteLeftovers(g_cleanedDirectory.c_str());
    g_cleaned = true;
    return 0;
}

TEST_F(WindowsRules, ACleanUpBesideA9xWriteWaitsItsTurn)
{
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "old"));
    g_cleanedDirectory = dir.path();
    g_cleaned = false;
    HANDLE cleanup = NULL;
    {
        HeldChild writer("ReplaceOn9x", "h" + dir.path());
        ASSERT_TRUE(writer.ready());
        cleanup = CreateThread(NULL, 0, CleanUp, NULL, 0, NULL);
        ASSERT_NE(nullptr, cleanup);
        Sleep(500);
        EXPECT_FALSE(g_cleaned) << "the clean-up ran inside the write";
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(cleanup, 10000));
    CloseHandle(cleanup);
    EXPECT_TRUE(g_cleaned);
    EXPECT_EQ("new", LoginOf("office"));
    EXPECT_EQ(std::vector<std::string>{"office.vmr"}, FilesIn(dir.path()));
}

// ---- What the clean-up may touch

TEST_CHILD(WriteOnce)
{
    VmrPhoneBook book;
    std::string directory = std::string(arg) + "\\", name = "lab";
    book.SetPath(Text(directory));
    return book.WriteEntry(Text(name)) ? 0 : 1;
}

TEST_F(WindowsRules, TheCleanUpTakesOnlyItsOwnPlainFilesOncePerProcess)
{
    // A link named as a leftover, to a file elsewhere: Wine shows it as a
    // plain file and follows it on every delete.
    TempDir elsewhere("windows-rules-elsewhere");
    ASSERT_TRUE(WriteFileBytes(elsewhere.file("target.txt"), "keep", 4));
    UnixMade link("ln -s '" + UnixPathOf(elsewhere.file("target.txt")) + "'", dir.file("~vmr0001.tmp"));
    ASSERT_TRUE(link.made());
    // A link named as a batch's folder, to a folder elsewhere that holds a
    // file of the temporary form.
    ASSERT_TRUE(CreateDirectoryA(elsewhere.file("linked").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(elsewhere.file("linked\\~vmr0003.tmp"), "keep", 4));
    UnixMade folderLink("ln -s '" + UnixPathOf(elsewhere.file("linked")) + "'", dir.file("~vmr0002.new"));
    ASSERT_TRUE(folderLink.made());
    ASSERT_TRUE(WriteFileBytes(dir.file("~vmr00AA.tmp"), "x", 1));
    // Another program's temporary files, in a folder the host writes an
    // entry to by its full path.
    for (const char* foreign : {"vmr1234.tmp", "vmrBEEF.tmp"})
        ASSERT_TRUE(WriteFileBytes(elsewhere.file(foreign), "theirs", 6));

    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "a"));
    std::string hosted = elsewhere.file("hosted.vmr");
    ASSERT_EQ(1, book.WriteEntry(Text(hosted)));
    EXPECT_EQ("keep", Bytes(elsewhere.file("target.txt")));
    EXPECT_EQ((std::vector<std::string>{"office.vmr", "~vmr0001.tmp", "~vmr0002.new"}), FilesIn(dir.path()));
    EXPECT_EQ((std::vector<std::string>{"hosted.vmr", "linked", "target.txt", "vmr1234.tmp", "vmrBEEF.tmp"}),
              FilesIn(elsewhere.path()));
    EXPECT_EQ(std::vector<std::string>{"~vmr0003.tmp"}, FilesIn(elsewhere.file("linked")));

    // Swept once per process: a later write here does not look again; the
    // next process's first write does.
    ASSERT_TRUE(WriteFileBytes(dir.file("~vmr0BBB.tmp"), "x", 1));
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "b"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("~vmr0BBB.tmp").c_str()));
    ASSERT_EQ(0u, RunChild("WriteOnce", dir.path(), NULL));
    EXPECT_EQ((std::vector<std::string>{"lab.vmr", "office.vmr", "~vmr0001.tmp", "~vmr0002.new"}),
              FilesIn(dir.path()));
}

}  // namespace

// An entry set aside whose name has an entry again is the one that was
// replaced: the clean-up removes it. One whose name is free goes back.
TEST_F(WindowsRules, TheCleanUpSettlesEntriesSetAside)
{
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "new"));
    ASSERT_TRUE(WriteFileBytes(dir.file("office.vm~"), "replaced", 8));
    ASSERT_TRUE(WriteFileBytes(dir.file("home.vm~"), "home", 4));
    RemoveWriteLeftovers(dir.path().c_str());
    EXPECT_EQ((std::vector<std::string>{"home.vmr", "office.vmr"}), FilesIn(dir.path()));
    EXPECT_EQ("home", Bytes(dir.file("home.vmr")));
    EXPECT_EQ("new", LoginOf("office"));
}

// ---- Sharing: readers, virus scanners and indexers hold files for a moment

// A seam that refuses the chosen operation on entry files a number of times
// as a holder would, and records the waits in between instead of sleeping.
struct Refusals {
    int opens = 0, renames = 0, deletes = 0;
    DWORD waited = 0;
    std::vector<DWORD> openFlags;
} g_refusals;

bool IsOurs(LPCSTR path) { return strstr(path, ".vmr") != NULL || strstr(path, "~vmr") != NULL; }
HANDLE WINAPI RefusedOpen(LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security, DWORD creation,
                          DWORD flags, HANDLE model)
{
    g_refusals.openFlags.push_back(flags);
    if (IsOurs(path) && creation == OPEN_EXISTING && g_refusals.opens > 0 && g_refusals.opens--) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(path, access, sharing, security, creation, flags, model);
}
BOOL WINAPI RefusedRename(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (g_refusals.renames > 0 && g_refusals.renames--) {
        SetLastError(ERROR_ACCESS_DENIED);   // a rename over a file held without delete sharing
        return FALSE;
    }
    return MoveFileExA(from, to, flags);
}
BOOL WINAPI RefusedDelete(LPCSTR path)
{
    if (g_refusals.deletes > 0 && g_refusals.deletes--) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return DeleteFileA(path);
}
VOID WINAPI RecordedSleep(DWORD milliseconds) { g_refusals.waited += milliseconds; }

FileSystemCalls RefusingCalls(bool windowsNT)
{
    FileSystemCalls calls = windowsNT ? WindowsNTCalls() : Windows9xCalls();
    calls.createFile = RefusedOpen;
    if (windowsNT)
        calls.moveFileEx = RefusedRename;
    calls.deleteFile = RefusedDelete;
    calls.sleep = RecordedSleep;
    return calls;
}

// Seven refusals are waited out (about a second in all), the eighth is the
// answer; a read, the rename that replaces an entry and the clean-up's
// delete of a leftover alike.
TEST_F(WindowsRules, AHolderIsWaitedOutForAboutASecondAndNoLonger)
{
    ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "old"));
    static FileSystemCalls calls;
    calls = RefusingCalls(true);
    UseFileSystemCalls(&calls);
    const DWORD allWaits = 10 + 20 + 40 + 80 + 160 + 320 + 400;
    for (int refused : {7, 8}) {
        SCOPED_TRACE(refused);
        bool waitedOut = refused <= 7;
        g_refusals = Refusals();
        g_refusals.opens = refused;
        EXPECT_EQ(waitedOut ? "old" : "", LoginOf("office"));
        EXPECT_EQ(allWaits, g_refusals.waited);

        g_refusals = Refusals();
        g_refusals.renames = refused;
        EXPECT_EQ(waitedOut ? kEntryWriteDone : kEntryWriteFailed, Write("office.vmr", "old"));
        EXPECT_EQ(allWaits, g_refusals.waited);

        ASSERT_TRUE(WriteFileBytes(dir.file("~vmr0ABC.tmp"), "x", 1));
        g_refusals = Refusals();
        g_refusals.deletes = refused;
        RemoveWriteLeftovers(dir.path().c_str());
        EXPECT_EQ(waitedOut, GetFileAttributesA(dir.file("~vmr0ABC.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);
        DeleteFileA(dir.file("~vmr0ABC.tmp").c_str());
    }
    // A name that is taken is an answer, never waited for.
    g_refusals = Refusals();
    EXPECT_EQ(kEntryWriteExists, Write("office.vmr", "other", false));
    EXPECT_EQ(0u, g_refusals.waited);
    EXPECT_EQ("old", LoginOf("office"));
}

// Every open of a file in a phone book lets a pipe's server identify the
// user at most; Windows 95/98 know no impersonation and get no such flags.
TEST_F(WindowsRules, EntryOpensAllowIdentificationOnly)
{
    const DWORD identifyOnly = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    for (bool nt : {true, false}) {
        static FileSystemCalls calls;
        calls = RefusingCalls(nt);
        UseFileSystemCalls(&calls);
        g_refusals = Refusals();
        ASSERT_EQ(kEntryWriteDone, Write("office.vmr", "a"));
        ASSERT_EQ("a", LoginOf("office"));
        ASSERT_GE(g_refusals.openFlags.size(), 2u);
        for (DWORD flags : g_refusals.openFlags)
            EXPECT_EQ(nt ? identifyOnly : 0u, flags & identifyOnly) << std::hex << flags;
    }
}

// The bare name is for systems that have no "Global\" namespace. Another
// user's mutex, which this one may only wait on, is opened with just that
// right; when even that is refused the write goes on alone and clears up
// nothing, for it does not hold the turn the others take.
int g_mutexRefusals;
std::vector<std::string> g_mutexNames;
HANDLE WINAPI DeniedMutex(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name)
{
    g_mutexNames.push_back(name);
    SetLastError(ERROR_ACCESS_DENIED);
    return NULL;
}
HANDLE WINAPI OpenedMutex(DWORD access, BOOL inherit, LPCSTR name)
{
    g_mutexNames.push_back(std::string("open ") + name);
    if (g_mutexRefusals > 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return NULL;
    }
    EXPECT_EQ(static_cast<DWORD>(SYNCHRONIZE | MUTEX_MODIFY_STATE), access);
    return CreateMutexA(NULL, inherit, name);
}

TEST_F(WindowsRules, AMutexThatMayNotBeOpenedIsNoReasonToTakeAnother)
{
    for (int refusals : {0, 1}) {
        SCOPED_TRACE(refusals);
        TempDir folder("windows-rules-mutex");
        ASSERT_TRUE(WriteFileBytes(folder.file("~vmr0ABC.tmp"), "x", 1));
        static FileSystemCalls calls;
        calls = WindowsNTCalls();
        calls.createMutex = DeniedMutex;
        calls.openMutex = OpenedMutex;
        UseFileSystemCalls(&calls);
        g_mutexRefusals = refusals;
        g_mutexNames.clear();
        std::string login = "a";
        book.SetLoginName(Text(login));
        EXPECT_EQ(kEntryWriteDone, WriteEntryFile(book, folder.file("office.vmr").c_str(), true));
        ASSERT_EQ(2u, g_mutexNames.size());
        EXPECT_EQ(0u, g_mutexNames[0].find("Global\\"));
        EXPECT_EQ("open " + g_mutexNames[0], g_mutexNames[1]);
        std::vector<std::string> left = {"office.vmr"};
        if (refusals > 0)
            left.push_back("~vmr0ABC.tmp");
        EXPECT_EQ(left, FilesIn(folder.path()));
    }
}

// The folder's key keeps a double-byte character whose second byte is 0x5C
// (code page 932); only real separators at the end go.
TEST(FolderKeys, TrailingSeparatorsGoByCharacters)
{
    char key[MAX_PATH];
    FolderKey("C:\\pb\\\\//", key);
    EXPECT_STREQ("C:\\PB", key);
    FolderKey("C:\\", key);
    EXPECT_STREQ("C:\\", key);
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932";
    FolderKey("C:\\pb\\\x95\x5C", key);
    EXPECT_STREQ("C:\\PB\\\x95\x5C", key);
    FolderKey("C:\\pb\\\x95\x5C\\", key);
    EXPECT_STREQ("C:\\PB\\\x95\x5C", key);
}

// After SetFileApisToOEM the system converts paths from the OEM code page,
// and so does the device rule: 0xFD is the superscript two there.
TEST(DeviceNamesOem, TheRuleConvertsAsTheFileFunctionsDo)
{
    UINT oem = GetOEMCP();
    if (oem != 437 && oem != 850)
        GTEST_SKIP() << "OEM code page " << oem;
    bool ansiSaysDevice = NamesDevice("COM\xFD");
    SetFileApisToOEM();
    bool oemSaysDevice = NamesDevice("COM\xFD");
    SetFileApisToANSI();
    EXPECT_FALSE(ansiSaysDevice && GetACP() == 1252);
    EXPECT_TRUE(oemSaysDevice);
}
