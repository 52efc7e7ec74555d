#include "FolderWriteLock.h"

#include <mbstring.h>
#include <string.h>

#include "TextCopy.h"
#include "WriteCalls.h"

namespace {

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

// Everyone may wait on the mutex and release it, and nothing more: the
// writers of every user of a machine take turns, and none of them can take
// the others' turns away by changing who may. Written out as data, since a
// descriptor that needs no call needs no binding on the systems whose
// ADVAPI32 has no security functions (Windows 95/98 ignore it).
struct EveryoneMayWaitAcl {
    ACL header;
    ACCESS_ALLOWED_ACE ace;   // the SID starts at ace.SidStart
    BYTE sidTail[8];
};

const BYTE kEveryoneSid[12] = {SID_REVISION, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};   // S-1-1-0

class EveryoneMayWait
{
public:
    EveryoneMayWait()
    {
        memset(&acl_, 0, sizeof(acl_));
        acl_.header.AclRevision = ACL_REVISION;
        acl_.header.AclSize = sizeof(acl_);
        acl_.header.AceCount = 1;
        acl_.ace.Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
        acl_.ace.Header.AceSize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + sizeof(kEveryoneSid);
        acl_.ace.Mask = SYNCHRONIZE | MUTEX_MODIFY_STATE;
        memcpy(&acl_.ace.SidStart, kEveryoneSid, sizeof(kEveryoneSid));
        memset(&descriptor_, 0, sizeof(descriptor_));
        descriptor_.Revision = SECURITY_DESCRIPTOR_REVISION;
        descriptor_.Control = SE_DACL_PRESENT;
        descriptor_.Dacl = &acl_.header;
        attributes_.nLength = sizeof(attributes_);
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
    }
    LPSECURITY_ATTRIBUTES get() { return &attributes_; }

private:
    EveryoneMayWaitAcl acl_;
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
};
static_assert(sizeof(EveryoneMayWaitAcl) == sizeof(ACL) + 20, "one ACE with a SID of one sub-authority");

// The answers of a system that has no "Global\" namespace: the name is
// refused as a path. Any other failure (another user's mutex that this one
// may not open, no memory) is no reason to take a mutex that other writers
// do not take.
bool MeansNoNamespace(DWORD error)
{
    return error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_PATHNAME || error == ERROR_INVALID_NAME;
}

// Made, or opened with the rights the descriptor gives everyone: opening an
// existing mutex asks for all rights, which its descriptor refuses even to
// the user that made it.
HANDLE MakeOrOpenMutex(const FileSystemCalls& calls, const char* name)
{
    EveryoneMayWait security;
    HANDLE mutex = calls.createMutex(security.get(), FALSE, name);
    if (mutex == NULL && GetLastError() == ERROR_ACCESS_DENIED)
        mutex = calls.openMutex(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
    return mutex;
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
    const FileSystemCalls& calls = FileCalls();
    KernelHandle mutex(MakeOrOpenMutex(calls, name));
    if (!mutex && MeansNoNamespace(GetLastError()))
        mutex.reset(MakeOrOpenMutex(calls, name + 7));
    return mutex;
}

// The folders this process has swept, by key: its first write in a folder
// sweeps it, later ones do not. Names only, no handles: a folder that falls
// out of the table is swept once more, which costs only time. Plain static
// data behind a critical section made at the first use, so that nothing runs
// at load and no guard of a static object brings the C++ runtime's thread
// support in.
const int kSweptFolders = 16;
char g_sweptKeys[kSweptFolders][MAX_PATH];
int g_nextSwept = 0;
CRITICAL_SECTION g_sweptSection;
volatile LONG g_sweptSectionState = 0;   // 0: not made, 1: being made, 2: made

class SweptFoldersLock
{
public:
    SweptFoldersLock()
    {
        if (InterlockedCompareExchange(&g_sweptSectionState, 1, 0) == 0) {
            InitializeCriticalSection(&g_sweptSection);
            InterlockedExchange(&g_sweptSectionState, 2);
        } else {
            // Another thread is making it: a wait that yields to threads of
            // any priority, which Sleep(0) would not.
            while (g_sweptSectionState != 2)
                Sleep(1);
        }
        EnterCriticalSection(&g_sweptSection);
    }
    ~SweptFoldersLock() { LeaveCriticalSection(&g_sweptSection); }
    SweptFoldersLock(const SweptFoldersLock&) = delete;
    SweptFoldersLock& operator=(const SweptFoldersLock&) = delete;
};

bool WasSwept(const char* key)
{
    SweptFoldersLock lock;
    for (const char* swept : g_sweptKeys) {
        if (strcmp(swept, key) == 0)
            return true;
    }
    return false;
}

void RememberSwept(const char* key)
{
    SweptFoldersLock lock;
    for (const char* swept : g_sweptKeys) {
        if (strcmp(swept, key) == 0)
            return;
    }
    CopyWhole(g_sweptKeys[g_nextSwept], MAX_PATH, key);
    g_nextSwept = (g_nextSwept + 1) % kSweptFolders;
}

bool IsSeparator(unsigned char c) { return c == '\\' || c == '/'; }

}  // namespace

void FolderKey(const char* directory, char* key)
{
    DWORD length = GetFullPathNameA(directory, MAX_PATH, key, NULL);
    if (length == 0 || length >= MAX_PATH)
        CopyTerminated(key, directory, MAX_PATH);
    // Trailing separators go one character at a time, from the last whole
    // character back: never the second byte of a double-byte character.
    unsigned char* start = reinterpret_cast<unsigned char*>(key);
    unsigned char* end = start + strlen(key);
    while (end - start > 3) {
        unsigned char* last = _mbsdec(start, end);
        if (last == NULL || last + 1 != end || !IsSeparator(*last))
            break;
        *last = '\0';
        end = last;
    }
    CharUpperBuffA(key, static_cast<DWORD>(end - start));
}

FolderWriteLock::FolderWriteLock(const char* directory) : held_(false), alone_(false), sweepDue_(true)
{
    FolderKey(directory, key_);
    mutex_ = CreateFolderMutex(key_);
    // No mutex to be had (another user's, made by a version of the library
    // that let only its own user open it): the write goes on without a
    // turn, and sweeps nothing.
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

FolderWriteLock::~FolderWriteLock()
{
    if (held_)
        ReleaseMutex(mutex_.get());
}

void FolderWriteLock::swept()
{
    sweepDue_ = false;
    RememberSwept(key_);
}
