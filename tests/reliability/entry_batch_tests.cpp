// Many entries written all or nothing (VmrEntryBatch.h): each case states
// the folder before, the rows, what happens meanwhile, and the folder after,
// file by file and byte by byte.
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "EntryFiles.h"
#include "Holdings.h"
#include "LeftoverNames.h"
#include "TestSupport.h"
#include "VmrEntryBatch.h"

namespace {

char* Text(std::string& text) { return &text[0]; }

typedef std::map<std::string, std::vector<unsigned char>> Folder;

Folder Snapshot(const std::string& directory)
{
    Folder folder;
    for (const std::string& name : FilesIn(directory))
        folder[name] = ReadFileBytes(directory + "\\" + name);
    return folder;
}

struct Row {
    const char* name;
    const char* login;
    bool replace;
};

// The placement of a prepared file that fails, as a full disk would fail
// it, on either path; the entry set aside still goes back.
std::string g_refusedTarget;
bool Refused(LPCSTR from, LPCSTR to) { return g_refusedTarget == to && strstr(from, "~vmr") != NULL; }
BOOL WINAPI RenameExUnlessRefused(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (Refused(from, to)) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return MoveFileExA(from, to, flags);
}
BOOL WINAPI RenameUnlessRefused(LPCSTR from, LPCSTR to)
{
    if (Refused(from, to)) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return MoveFileA(from, to);
}

class EntryBatches : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { shell = new ShellWindow(); }
    static void TearDownTestSuite() { delete shell; }
    void TearDown() override { UseFileSystemCalls(NULL); }

    void Write(const std::string& name, const char* login)
    {
        std::string text = login, path = dir.file(name);
        book.SetLoginName(Text(text));
        ASSERT_EQ(1, book.WriteEntry(Text(path)));
    }
    std::string LoginOf(const std::string& name)
    {
        std::string path = dir.file(name);
        char login[64] = "";
        if (book.ReadEntry(Text(path)))
            book.GetLoginName(login, sizeof(login));
        return login;
    }
    // Prepares the rows, runs meanwhile, commits; the result and the index
    // of the row that failed.
    std::pair<int, unsigned long> Run(const std::vector<Row>& rows, const std::function<void()>& meanwhile)
    {
        VmrEntryBatch* batch = VmrBeginEntryBatch((dir.path() + "\\").c_str());
        EXPECT_NE(nullptr, batch);
        for (const Row& row : rows) {
            std::string login = row.login;
            book.SetLoginName(Text(login));
            EXPECT_EQ(1, VmrAddToEntryBatch(batch, &book, dir.file(row.name).c_str(), row.replace)) << row.name;
        }
        if (meanwhile)
            meanwhile();
        unsigned long failed = 99;
        int result = VmrCommitEntryBatch(batch, &failed);
        // Placed, an entry is the readers' again before the batch ends.
        for (size_t i = 0; result == VMR_BATCH_DONE && i < rows.size(); ++i) {
            HANDLE file = CreateFileA(dir.file(rows[i].name).c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
            EXPECT_NE(INVALID_HANDLE_VALUE, file) << rows[i].name << " is still held";
            CloseHandle(file);
        }
        VmrEndEntryBatch(batch);
        return std::make_pair(result, failed);
    }

    static ShellWindow* shell;
    TempDir dir{"entry-batch"};
    VmrPhoneBook book;
};
ShellWindow* EntryBatches::shell = nullptr;

TEST_F(EntryBatches, AllTakeTheirPlaceOrTheFolderStaysAsItWas)
{
    struct Case {
        const char* what;
        bool windows9x;
        std::vector<Row> rows;
        const char* takenMeanwhile;   // a name another writer takes between prepare and commit
        const char* refused;          // the placement that fails
        int result;
        unsigned long failed;
    };
    const std::vector<Row> mixed = {{"a.vmr", "new a", true}, {"b.vmr", "new b", true}, {"c.vmr", "new c", false}};
    const Case cases[] = {
        {"new and replaced", false, mixed, nullptr, nullptr, VMR_BATCH_DONE, 0},
        {"new and replaced, 95/98", true, mixed, nullptr, nullptr, VMR_BATCH_DONE, 0},
        {"taken meanwhile", false, mixed, "c.vmr", nullptr, VMR_BATCH_NAME_TAKEN, 2},
        {"taken meanwhile, 95/98", true, mixed, "c.vmr", nullptr, VMR_BATCH_NAME_TAKEN, 2},
        {"the last placement fails", false, mixed, nullptr, "c.vmr", VMR_BATCH_FAILED, 2},
        {"a replacement fails, 95/98", true, mixed, nullptr, "b.vmr", VMR_BATCH_FAILED, 1},
        {"not to be replaced", false, {{"x.vmr", "x", false}, {"a.vmr", "a", false}}, nullptr, nullptr,
         VMR_BATCH_NAME_TAKEN, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseFileSystemCalls(NULL);
        g_refusedTarget.clear();
        for (const std::string& name : FilesIn(dir.path()))
            DeleteFileA(dir.file(name).c_str());
        Write("a.vmr", "old a");
        Write("b.vmr", "old b");
        static FileSystemCalls calls;
        calls = c.windows9x ? Windows9xCalls() : WindowsNTCalls();
        if (c.windows9x)
            calls.moveFile = RenameUnlessRefused;
        else
            calls.moveFileEx = RenameExUnlessRefused;
        UseFileSystemCalls(&calls);
        g_refusedTarget = c.refused != nullptr ? dir.file(c.refused) : "";
        Folder before = Snapshot(dir.path());
        std::pair<int, unsigned long> outcome = Run(c.rows, [&] {
            if (c.takenMeanwhile != nullptr)
                Write(c.takenMeanwhile, "theirs");
        });
        EXPECT_EQ(c.result, outcome.first);
        EXPECT_EQ(c.failed, outcome.second);
        Folder after = Snapshot(dir.path());
        if (c.takenMeanwhile != nullptr) {
            EXPECT_EQ("theirs", LoginOf(c.takenMeanwhile));
            after.erase(c.takenMeanwhile);
        }
        if (c.result != VMR_BATCH_DONE) {
            EXPECT_TRUE(before == after) << "the folder changed: " << ::testing::PrintToString(FilesIn(dir.path()));
            continue;
        }
        EXPECT_EQ((std::vector<std::string>{"a.vmr", "b.vmr", "c.vmr"}), FilesIn(dir.path()));
        for (const Row& row : c.rows)
            EXPECT_EQ(row.login, LoginOf(row.name));
    }
}

// The file system answers to other spellings of a name: its case, and its
// short name. Neither is taken over by a row not meant to replace.
TEST_F(EntryBatches, ANameTakenByAnotherSpellingIsTaken)
{
    Write("Branch Office London.vmr", "theirs");
    char shortPath[MAX_PATH] = "";
    std::vector<std::string> spellings = {"BRANCH OFFICE LONDON.vmr"};
    if (GetShortPathNameA(dir.file("Branch Office London.vmr").c_str(), shortPath, MAX_PATH) != 0 &&
        strchr(shortPath, '~') != NULL)
        spellings.push_back(strrchr(shortPath, '\\') + 1);
    Folder before = Snapshot(dir.path());
    for (const std::string& spelling : spellings) {
        SCOPED_TRACE(spelling);
        std::pair<int, unsigned long> outcome = Run({{spelling.c_str(), "mine", false}}, nullptr);
        EXPECT_EQ(VMR_BATCH_NAME_TAKEN, outcome.first);
        EXPECT_TRUE(before == Snapshot(dir.path()));
    }
}

TEST_F(EntryBatches, RowsOutsideTheFolderOrNamingADeviceOrALeftoverAreRefused)
{
    TempDir elsewhere("entry-batch-elsewhere");
    VmrEntryBatch* batch = VmrBeginEntryBatch(dir.path().c_str());
    ASSERT_NE(nullptr, batch);
    for (const std::string& path : {elsewhere.file("x.vmr"), dir.file("nul.vmr"), dir.file("~vmr0001.tmp"),
                                    dir.file("x.vm~"), dir.path() + "\\" + std::string(260, 'x') + ".vmr"})
        EXPECT_EQ(0, VmrAddToEntryBatch(batch, &book, path.c_str(), 0)) << path;
    EXPECT_EQ(VMR_BATCH_DONE, VmrCommitEntryBatch(batch, NULL));
    EXPECT_EQ(VMR_BATCH_FAILED, VmrCommitEntryBatch(batch, NULL)) << "committed twice";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    VmrEndEntryBatch(batch);
    EXPECT_EQ(nullptr, VmrBeginEntryBatch("\\\\server\\pipe\\pb"));
    EXPECT_TRUE(FilesIn(dir.path()).empty());
    EXPECT_TRUE(FilesIn(elsewhere.path()).empty());
}

// The prepared files wait in a folder of the batch's own: a clean-up takes
// it while it is empty (the next row makes it again) and leaves it while the
// batch holds its files; the end leaves nothing. Where that folder's paths
// would not fit, the files are prepared beside the entries.
TEST_F(EntryBatches, PreparedFilesWaitInAFolderOfTheBatchsOwn)
{
    std::string deep = dir.path();
    while (deep.size() < MAX_PATH - 20) {
        deep += "\\" + std::string(std::min<size_t>(40, MAX_PATH - 20 - deep.size()), 'd');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), NULL));
    }
    for (const std::string& folder : {dir.path(), deep}) {
        SCOPED_TRACE(folder);
        VmrEntryBatch* batch = VmrBeginEntryBatch((folder + "\\").c_str());
        ASSERT_NE(nullptr, batch);
        std::vector<std::string> files = FilesIn(folder);
        bool own = folder == dir.path();
        EXPECT_EQ(own ? 2u : 0u, files.size());   // the batch's folder beside "d..."
        RemoveWriteLeftovers(folder.c_str());
        EXPECT_EQ(own ? 1u : 0u, FilesIn(folder).size()) << "the empty folder is taken";
        ASSERT_EQ(1, VmrAddToEntryBatch(batch, &book, (folder + "\\a.vmr").c_str(), 0));
        RemoveWriteLeftovers(folder.c_str());
        files = FilesIn(folder);
        if (own) {
            ASSERT_EQ(2u, files.size());
            EXPECT_EQ(VMR_LEFTOVER_PREPARED, VmrLeftoverKind(files[1].c_str()));
            EXPECT_EQ(1u, FilesIn(folder + "\\" + files[1]).size()) << "the prepared file, held";
        } else {
            ASSERT_EQ(1u, files.size());
            EXPECT_EQ(kTemporaryLeftover, LeftoverKindOf(files[0].c_str()));
        }
        EXPECT_EQ(VMR_BATCH_DONE, VmrCommitEntryBatch(batch, NULL));
        VmrEndEntryBatch(batch);
        files = FilesIn(folder);
        EXPECT_EQ(own ? 2u : 1u, files.size());
        EXPECT_EQ("a.vmr", files[0]);
    }
}

// A batch gives back all it took: memory, the prepared files' handles, its
// folder.
TEST_F(EntryBatches, BatchesLeaveNothingBehind)
{
    Soak soak;
    soak.folder = dir.path();
    EXPECT_TRUE(SoakGivesEverythingBack(soak, [&](int) {
        return Run({{"a.vmr", "a", true}, {"b.vmr", "b", true}}, nullptr).first == VMR_BATCH_DONE;
    }));
}

// A journal that cannot be written whole (a full disk) stops the commit
// before any entry moves: without it an end in the middle would leave
// nothing that names the batch.
HANDLE WINAPI JournalReadOnly(LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security,
                              DWORD creation, DWORD flags, HANDLE model)
{
    if (strstr(path, ".job") != NULL)
        access = GENERIC_READ;   // every write of it fails
    return CreateFileA(path, access, sharing, security, creation, flags, model);
}

TEST_F(EntryBatches, AJournalThatCannotBeWrittenStopsTheCommit)
{
    Write("a.vmr", "old a");
    Folder before = Snapshot(dir.path());
    static FileSystemCalls calls = WindowsNTCalls();
    calls.createFile = JournalReadOnly;
    UseFileSystemCalls(&calls);
    std::pair<int, unsigned long> outcome = Run({{"a.vmr", "new a", true}, {"b.vmr", "b", false}}, nullptr);
    EXPECT_EQ(VMR_BATCH_FAILED, outcome.first);
    EXPECT_TRUE(before == Snapshot(dir.path())) << ::testing::PrintToString(FilesIn(dir.path()));
}

// "--child CommitAndEnd <directory>": commits three new entries and ends
// abruptly as the second takes its place.
int g_placements;
BOOL WINAPI RenameThenEnd(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (++g_placements == 2)
        TerminateProcess(GetCurrentProcess(), 9);
    return MoveFileExA(from, to, flags);
}
TEST_CHILD(CommitAndEnd)
{
    static FileSystemCalls calls = WindowsNTCalls();
    calls.moveFileEx = RenameThenEnd;
    UseFileSystemCalls(&calls);
    VmrPhoneBook book;
    std::string directory = std::string(arg) + "\\";
    VmrEntryBatch* batch = VmrBeginEntryBatch(directory.c_str());
    for (const char* name : {"a.vmr", "b.vmr", "c.vmr"})
        VmrAddToEntryBatch(batch, &book, (directory + name).c_str(), 0);
    VmrCommitEntryBatch(batch, NULL);
    return 0;
}

// What an end in the middle of the commit leaves: the entries placed so far,
// and a journal naming all three, which the clean-up leaves alone.
TEST_F(EntryBatches, AnEndDuringTheCommitLeavesAJournalOfItsEntries)
{
    ASSERT_EQ(9u, RunChild("CommitAndEnd", dir.path(), NULL));
    RemoveWriteLeftovers(dir.path().c_str());
    std::vector<std::string> files = FilesIn(dir.path());
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ("a.vmr", files[0]);
    EXPECT_EQ(kJournalLeftover, LeftoverKindOf(files[1].c_str()));
    EXPECT_EQ(VMR_LEFTOVER_JOURNAL, VmrLeftoverKind(files[1].c_str()));
    std::vector<unsigned char> journal = ReadFileBytes(dir.file(files[1]));
    EXPECT_EQ("a.vmr\r\nb.vmr\r\nc.vmr\r\n", std::string(journal.begin(), journal.end()));
}

}  // namespace
