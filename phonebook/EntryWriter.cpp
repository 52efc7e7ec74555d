// The write of an entry file and the clean-up of what ended writes left.
//
// How a write in progress keeps its temporary file, and how a clean-up tells
// it from a leftover: a write makes its temporary file with CREATE_NEW (the
// name is its own from the start) and, on Windows NT, holds it open until
// after the rename that puts it in the entry's place, sharing it for deletion
// only, which the rename needs. The clean-up opens a leftover with share mode
// 0, which fails while any handle is open, so that it never takes the file of
// a write in progress; a leftover is a file nobody holds: its writer ended
// first, and the system closed its handles when it did.
//
// On Windows 95/98 there is no delete sharing: a write closes its file before
// it renames it. What keeps a clean-up from taking such a file between the
// close and the rename is the turn every writer of the folder on this machine
// takes (a named mutex), which the clean-up takes too.
#include "EntryWriter.h"

#include <mbstring.h>
#include <string.h>

#include "Handles.h"
#include "TextCopy.h"

namespace {

// ---- The system's calls

BOOL WINAPI MoveFileExNotImplemented(LPCSTR, LPCSTR, DWORD)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

const FileSystemCalls kWindowsNT = {CreateFileA, MoveFileExA, MoveFileA, FILE_SHARE_DELETE,
                                    FILE_FLAG_OPEN_REPARSE_POINT, CreateMutexA};
// Windows 95/98 would refuse the "Global\" name, and the writers take the
// bare one; here the same call serves both paths, so that a test's writers of
// the two paths take turns on one mutex.
const FileSystemCalls kWindows9x = {CreateFileA, MoveFileExNotImplemented, MoveFileA, 0, 0, CreateMutexA};

const FileSystemCalls* volatile g_chosenCalls = NULL;

const FileSystemCalls& Calls()
{
    const FileSystemCalls* chosen = g_chosenCalls;
    if (chosen != NULL)
        return *chosen;
    return (GetVersion() & 0x80000000) == 0 ? kWindowsNT : kWindows9x;
}

// Where a handle really leads (Windows Vista and later, and Wine): bound at run
// time. Wine shows a Unix symbolic link as a plain file and follows it on
// every open, FILE_FLAG_OPEN_REPARSE_POINT or not, and on every delete; the
// path behind the handle is what gives such a link away.
typedef DWORD(WINAPI* FinalPathFunction)(HANDLE file, LPSTR path, DWORD size, DWORD flags);

// Bound at the first use. Plain statics, not a function-local static with a
// dynamic initialiser: its guard would bring the C++ runtime's thread support
// and its imports into the library. Two threads binding at once store the
// same address.
FinalPathFunction g_finalPath = NULL;
volatile LONG g_finalPathBound = 0;

FinalPathFunction FinalPathOfHandle()
{
    if (g_finalPathBound == 0) {
        g_finalPath = reinterpret_cast<FinalPathFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
        InterlockedExchange(&g_finalPathBound, 1);
    }
    return g_finalPath;
}

// ---- Names and paths

const char kTemporaryPrefix[] = "~vmr";
const char kTemporaryExtension[] = ".tmp";
const char kAsideExtension[] = ".vm~";
const char kEntryExtension[] = ".vmr";
const size_t kTemporaryNameLength = 12;   // "~vmr" + four digits + ".tmp"

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsTemporaryName(const char* name)
{
    if (strlen(name) != kTemporaryNameLength || _strnicmp(name, kTemporaryPrefix, 4) != 0 ||
        _stricmp(name + 8, kTemporaryExtension) != 0)
        return false;
    for (int i = 4; i < 8; ++i) {
        if (!IsHexDigit(name[i]))
            return false;
    }
    return true;
}

bool EndsWith(const char* text, const char* ending)
{
    size_t length = strlen(text), endingLength = strlen(ending);
    return length > endingLength && _stricmp(text + length - endingLength, ending) == 0;
}

void FormatTemporaryName(unsigned number, char* name)
{
    static const char digits[] = "0123456789ABCDEF";
    CopyWhole(name, kTemporaryNameLength + 1, kTemporaryPrefix);
    for (int i = 0; i < 4; ++i)
        name[4 + i] = digits[(number >> (12 - 4 * i)) & 0xF];
    name[8] = '\0';
    AppendWhole(name, kTemporaryNameLength + 1, kTemporaryExtension);
}

// The last separator of a path ('\\' or '/', whichever comes later; a
// multibyte-aware search), or null.
unsigned char* LastSeparator(char* path)
{
    unsigned char* start = reinterpret_cast<unsigned char*>(path);
    unsigned char* backslash = _mbsrchr(start, '\\');
    unsigned char* slash = _mbsrchr(start, '/');
    return backslash == NULL || (slash != NULL && slash > backslash) ? slash : backslash;
}

// The directory part of a path, with its separator ("." for a bare name).
bool DirectoryOf(const char* path, char* directory)
{
    if (!CopyWhole(directory, MAX_PATH, path))
        return false;
    unsigned char* separator = LastSeparator(directory);
    if (separator != NULL) {
        separator[1] = '\0';
        return true;
    }
    if (directory[0] != '\0' && directory[1] == ':')   // "C:name": the drive's current directory
        return CopyWhole(directory + 2, MAX_PATH - 2, ".");
    return CopyWhole(directory, MAX_PATH, ".");
}

// A directory and a file name in it, into path (MAX_PATH bytes); false when
// that does not fit.
bool PathBeside(const char* directory, const char* name, char* path)
{
    size_t length = strlen(directory);
    bool separated = length > 0 && (directory[length - 1] == '\\' || directory[length - 1] == '/');
    return CopyWhole(path, MAX_PATH, directory) && (separated || AppendWhole(path, MAX_PATH, "\\")) &&
           AppendWhole(path, MAX_PATH, name);
}

// The name an entry steps aside to on the Windows 95/98 path: "NAME.vm~" for
// "NAME.vmr", as long as the entry's own, and matched neither by "*.vmr" (the
// listing's pattern, also through short names) nor by any clean-up's removal
// while no entry has its name.
bool AsidePath(const char* path, char* aside)
{
    if (!EndsWith(path, kEntryExtension) || !CopyWhole(aside, MAX_PATH, path))
        return false;
    aside[strlen(aside) - 1] = '~';
    return true;
}

bool EntryPathOfAside(const char* aside, char* path)
{
    if (!CopyWhole(path, MAX_PATH, aside))
        return false;
    path[strlen(path) - 1] = aside[strlen(aside) - 2] == 'M' ? 'R' : 'r';
    return true;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool IsExistingFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// ---- Turns: the library's writers of one folder on this machine, one at a time

const DWORD kTurnWaitMs = 10000;   // a write takes milliseconds; a writer that hangs fails the others' writes

// 64-bit FNV-1a: the mutex is named from the folder's full path, which does
// not fit in an object name beside the prefix. Two folders of one name only
// take turns with each other.
unsigned long long HashOf(const char* text)
{
    unsigned long long hash = 14695981039346656037ULL;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c)
        hash = (hash ^ *c) * 1099511628211ULL;
    return hash;
}

// The folder as one spelling: its full path without a trailing separator,
// upper case (the file system ignores case).
void FolderKey(const char* directory, char* key)
{
    DWORD length = GetFullPathNameA(directory, MAX_PATH, key, NULL);
    if (length == 0 || length >= MAX_PATH) {
        CopyWhole(key, MAX_PATH, directory);
        length = static_cast<DWORD>(strlen(key));
    }
    while (length > 3 && (key[length - 1] == '\\' || key[length - 1] == '/'))
        key[--length] = '\0';
    CharUpperBuffA(key, length);
}

KernelHandle CreateFolderMutex(const char* key)
{
    static const char digits[] = "0123456789abcdef";
    char name[64] = "Global\\PhoneBk.EntryWriters.";
    size_t length = strlen(name);
    unsigned long long hash = HashOf(key);
    for (int i = 0; i < 16; ++i)
        name[length + i] = digits[(hash >> (60 - 4 * i)) & 0xF];
    name[length + 16] = '\0';
    // "Global\" reaches the writers of every session of a terminal server;
    // systems without sessions refuse the backslash, and take the bare name.
    const FileSystemCalls& calls = Calls();
    KernelHandle mutex(calls.createMutex(NULL, FALSE, name));
    if (!mutex)
        mutex.reset(calls.createMutex(NULL, FALSE, name + 7));
    return mutex;
}

// The folders this process has swept, by key: its first write in a folder
// sweeps it, later ones do not. Names only, no handles: a folder that falls
// out of the table is swept once more, which costs only time. Plain static
// data behind a spin lock of one word, so that nothing runs at load and no
// guard of a static object brings the C++ runtime's thread support in.
const int kSweptFolders = 16;
char g_sweptKeys[kSweptFolders][MAX_PATH];
int g_nextSwept = 0;
volatile LONG g_sweptLock = 0;

class SweptLock
{
public:
    SweptLock()
    {
        while (InterlockedExchange(&g_sweptLock, 1) != 0)
            Sleep(0);
    }
    ~SweptLock() { InterlockedExchange(&g_sweptLock, 0); }
    SweptLock(const SweptLock&) = delete;
    SweptLock& operator=(const SweptLock&) = delete;
};

bool WasSwept(const char* key)
{
    SweptLock lock;
    for (const char* swept : g_sweptKeys) {
        if (strcmp(swept, key) == 0)
            return true;
    }
    return false;
}

void RememberSwept(const char* key)
{
    SweptLock lock;
    for (const char* swept : g_sweptKeys) {
        if (strcmp(swept, key) == 0)
            return;
    }
    CopyWhole(g_sweptKeys[g_nextSwept], MAX_PATH, key);
    g_nextSwept = (g_nextSwept + 1) % kSweptFolders;
}

// This thread's turn at a folder, until the object goes. The mutex is opened
// for the turn and closed with it, like every handle of the library.
class FolderTurn
{
public:
    explicit FolderTurn(const char* directory) : held_(false), alone_(false), sweepDue_(true)
    {
        FolderKey(directory, key_);
        mutex_ = CreateFolderMutex(key_);
        // No mutex to be had (another user's, which this one may not open):
        // the write goes on without a turn, and sweeps nothing.
        if (!mutex_) {
            alone_ = true;
            sweepDue_ = false;
            return;
        }
        DWORD waited = WaitForSingleObject(mutex_.get(), kTurnWaitMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        // Abandoned: a writer ended during its write, and may have left its
        // temporary file or an entry set aside.
        if (held_ && waited == WAIT_OBJECT_0)
            sweepDue_ = !WasSwept(key_);
    }
    ~FolderTurn()
    {
        if (held_)
            ReleaseMutex(mutex_.get());
    }
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

    bool held() const { return held_; }
    // False when a writer of this machine held the folder past the wait.
    bool mayWrite() const { return held_ || alone_; }
    bool sweepDue() const { return sweepDue_; }
    void swept()
    {
        sweepDue_ = false;
        RememberSwept(key_);
    }

private:
    char key_[MAX_PATH];
    KernelHandle mutex_;
    bool held_;
    bool alone_;
    bool sweepDue_;
};

// ---- The clean-up

// The directory as the handle of one of its files would name it, for
// GetFinalPathNameByHandleA's answers to be compared with; "" when the
// system has no such call.
class SweptDirectory
{
public:
    explicit SweptDirectory(const char* directory) : usable_(true)
    {
        final_[0] = '\0';
        FinalPathFunction finalPath = FinalPathOfHandle();
        if (finalPath == NULL)
            return;
        FileHandle handle(CreateFileA(directory, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
        DWORD length = handle ? finalPath(handle.get(), final_, sizeof(final_), 0) : 0;
        usable_ = length != 0 && length < sizeof(final_) && (EndsWithBackslash(final_) ||
                                                             AppendWhole(final_, sizeof(final_), "\\"));
    }

    // True when the open file is the directory's own file of that name, not
    // what a link of that name leads to.
    bool Holds(HANDLE file, const char* name) const
    {
        BY_HANDLE_FILE_INFORMATION information;
        if (!usable_ || !GetFileInformationByHandle(file, &information) ||
            (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
            return false;
        FinalPathFunction finalPath = FinalPathOfHandle();
        if (finalPath == NULL)
            return true;
        char expected[2 * MAX_PATH], found[2 * MAX_PATH];
        DWORD length = finalPath(file, found, sizeof(found), 0);
        return length != 0 && length < sizeof(found) && CopyWhole(expected, sizeof(expected), final_) &&
               AppendWhole(expected, sizeof(expected), name) &&
               _mbsicmp(reinterpret_cast<unsigned char*>(expected), reinterpret_cast<unsigned char*>(found)) == 0;
    }

private:
    char final_[2 * MAX_PATH];
    bool usable_;
};

// Opens a leftover as nobody else may hold it (share mode 0) and without
// following a link; an invalid handle when a write holds it, it is gone, or
// it is not the plain file of that name in the directory.
FileHandle OpenUnheld(const SweptDirectory& swept, const char* path, const char* name, const FileSystemCalls& calls)
{
    FileHandle file(CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | calls.leftoverOpenFlags, NULL));
    if (file && !swept.Holds(file.get(), name))
        file.reset();
    return file;
}

// The delete comes after the exclusive open closed: no writer opens an
// existing temporary file (each makes its own with CREATE_NEW), and this
// machine's writers wait for the clean-up's turn to end.
void RemoveIfUnheld(const SweptDirectory& swept, const char* path, const char* name, const FileSystemCalls& calls)
{
    if (OpenUnheld(swept, path, name, calls))
        DeleteFileA(path);
}

// An entry set aside goes back to its name when no entry took it; when one
// did, it is the entry that was replaced, and goes.
void SettleAside(const SweptDirectory& swept, const char* aside, const char* name, const FileSystemCalls& calls)
{
    char path[MAX_PATH];
    if (!EntryPathOfAside(aside, path) || !OpenUnheld(swept, aside, name, calls))
        return;
    // Only an answer either way acts: an entry that cannot be looked at
    // leaves the set-aside one as it is.
    if (IsExistingFile(path))
        DeleteFileA(aside);
    else if (GetLastError() == ERROR_FILE_NOT_FOUND)
        calls.moveFile(aside, path);
}

void SweepMatches(const char* directory, const char* pattern, bool (*isOurs)(const char*),
                  const SweptDirectory& swept, bool temporary, const FileSystemCalls& calls)
{
    char search[MAX_PATH];
    if (!PathBeside(directory, pattern, search))
        return;
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(search, &found));
    if (!find)
        return;
    do {
        // The pattern also matches by short names: the long name decides.
        char path[MAX_PATH];
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
            !isOurs(found.cFileName) || !PathBeside(directory, found.cFileName, path))
            continue;
        if (temporary)
            RemoveIfUnheld(swept, path, found.cFileName, calls);
        else
            SettleAside(swept, path, found.cFileName, calls);
    } while (FindNextFileA(find.get(), &found));
}

bool IsAsideName(const char* name) { return EndsWith(name, kAsideExtension); }

// Runs in the folder's turn.
void Sweep(const char* directory, const FileSystemCalls& calls)
{
    SweptDirectory swept(directory);
    SweepMatches(directory, "~vmr*.tmp", IsTemporaryName, swept, true, calls);
    SweepMatches(directory, "*.vm~", IsAsideName, swept, false, calls);
}

// ---- The write

// Creates a new file beside the entry under a name of the temporary form;
// CREATE_NEW makes the name ours. A name that exists, or that is held for
// deletion (Windows answers ERROR_ACCESS_DENIED while a deleted file still
// has handles), is passed over for the next.
FileHandle CreateTemporary(const char* directory, const FileSystemCalls& calls, char* temporary)
{
    static LONG counter = 0;
    const UINT attempts = 64;
    UINT seed = GetTickCount() ^ (GetCurrentProcessId() << 7) ^ static_cast<UINT>(InterlockedIncrement(&counter) << 3);
    for (UINT attempt = 0; attempt < attempts; ++attempt) {
        char name[kTemporaryNameLength + 1];
        FormatTemporaryName((seed + attempt) & 0xFFFF, name);
        if (!PathBeside(directory, name, temporary))
            return FileHandle();
        FileHandle file(calls.createFile(temporary, GENERIC_READ | GENERIC_WRITE, calls.temporarySharing, NULL,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL));
        if (file) {
            if (GetFileType(file.get()) == FILE_TYPE_DISK)
                return file;
            return FileHandle();   // no disk behind the folder: nothing to write to
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED)
            return FileHandle();
    }
    return FileHandle();
}

// Writes every byte and flushes them to the disk; false when either fails.
// The flush comes before the rename that puts the file in the entry's place:
// otherwise a power failure could leave the rename on disk and the bytes not,
// and the old entry gone.
bool WriteAndFlush(FileHandle& file, const unsigned char* bytes, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file.get(), bytes, size, &written, NULL) && written == size && FlushFileBuffers(file.get());
}

// What a rename that failed says about the entry: an existing file of its
// name that was not to be replaced, or a failure. A folder of that name is
// no entry, only an obstacle.
EntryWrite RenameFailure(const char* path, bool replace)
{
    DWORD error = GetLastError();
    bool exists = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    return !replace && exists && IsExistingFile(path) ? kEntryWriteExists : kEntryWriteFailed;
}

// Windows 95/98, whose MoveFileEx is not implemented: the file is closed
// first, and MoveFile never replaces. A new entry takes its name only while
// the name is free, so an entry that appeared meanwhile stays. To replace, the
// old entry steps aside under a name no clean-up removes while its own name
// is free, and comes back if the new one cannot take its place; an abrupt end
// between the two renames leaves it there for the next clean-up to put back.
EntryWrite PutInPlaceWithoutMoveFileEx(FileHandle& file, const char* temporary, const char* path, bool replace,
                                       const FileSystemCalls& calls)
{
    if (CloseHandle(file.release()) == FALSE)
        return kEntryWriteFailed;
    if (calls.moveFile(temporary, path))
        return kEntryWriteDone;
    DWORD error = GetLastError();
    if (!replace || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) {
        SetLastError(error);
        return RenameFailure(path, replace);
    }
    if (!IsExistingFile(path))
        return kEntryWriteFailed;
    char aside[MAX_PATH];
    if (!AsidePath(path, aside))
        return kEntryWriteFailed;
    if (!calls.moveFile(path, aside))
        return kEntryWriteFailed;
    if (!calls.moveFile(temporary, path)) {
        calls.moveFile(aside, path);
        return kEntryWriteFailed;
    }
    DeleteFileA(aside);
    return kEntryWriteDone;
}

// Puts the written file at temporary in the entry's place, its handle still
// open, and closes it after. Its bytes are on the disk before the rename, so
// the close has nothing left to lose.
EntryWrite PutInPlace(FileHandle& file, const char* temporary, const char* path, bool replace,
                      const FileSystemCalls& calls)
{
    DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (calls.moveFileEx(temporary, path, flags)) {
        file.reset();
        return kEntryWriteDone;
    }
    if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
        return PutInPlaceWithoutMoveFileEx(file, temporary, path, replace, calls);
    return RenameFailure(path, replace);
}

}  // namespace

const FileSystemCalls& WindowsNTCalls() { return kWindowsNT; }
const FileSystemCalls& Windows9xCalls() { return kWindows9x; }

void UseFileSystemCalls(const FileSystemCalls* calls) { g_chosenCalls = calls; }

bool IsWriteLeftoverName(const char* fileName)
{
    return fileName != NULL && (IsTemporaryName(fileName) || IsAsideName(fileName));
}

void RemoveWriteLeftovers(const char* directory)
{
    if (directory == NULL || strlen(directory) >= MAX_PATH)
        return;
    FolderTurn turn(directory);
    if (!turn.held())   // never without the turn: a Windows 95/98 write may be between its renames
        return;
    Sweep(directory, Calls());
    turn.swept();
}

EntryWrite WriteEntryBytes(const char* path, const unsigned char* bytes, DWORD size, bool replace)
{
    const FileSystemCalls& calls = Calls();
    char directory[MAX_PATH];
    if (path == NULL || !DirectoryOf(path, directory))
        return kEntryWriteFailed;
    FolderTurn turn(directory);
    if (!turn.mayWrite())
        return kEntryWriteFailed;
    // Where a write closes its file before its renames (Windows 95/98), a
    // writer of this machine that ended between them left the entry set
    // aside, and its end need not have left the folder's mutex abandoned
    // (nobody may have held it then). That entry is still the entry: the
    // folder is cleared up, and it goes back to its name, before this write
    // makes its own file and judges whether the name is taken.
    char aside[MAX_PATH];
    bool asideLeft = (calls.temporarySharing & FILE_SHARE_DELETE) == 0 && turn.held() && AsidePath(path, aside) &&
                     Exists(aside);
    if (turn.sweepDue() || asideLeft) {
        Sweep(directory, calls);
        turn.swept();
    }

    char temporary[MAX_PATH];
    FileHandle file = CreateTemporary(directory, calls, temporary);
    if (!file)
        return kEntryWriteFailed;
    EntryWrite result = kEntryWriteFailed;
    if (WriteAndFlush(file, bytes, size))
        result = PutInPlace(file, temporary, path, replace, calls);
    if (result != kEntryWriteDone) {
        file.reset();
        DeleteFileA(temporary);
    }
    return result;
}
