#include "WriteCalls.h"

namespace {

BOOL WINAPI MoveFileExNotImplemented(LPCSTR, LPCSTR, DWORD)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

const DWORD kIdentifyOnly = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

const FileSystemCalls kWindowsNT = {CreateFileA,  MoveFileExA, MoveFileA, FILE_SHARE_DELETE,
                                    FILE_FLAG_OPEN_REPARSE_POINT, CreateMutexA, OpenMutexA,
                                    DeleteFileA,  Sleep,       kIdentifyOnly};
// Windows 95/98 would refuse the "Global\" name, and the writers take the
// bare one; here the same call serves both paths, so that a test's writers of
// the two paths take turns on one mutex.
const FileSystemCalls kWindows9x = {CreateFileA, MoveFileExNotImplemented, MoveFileA, 0, 0, CreateMutexA,
                                    OpenMutexA,  DeleteFileA,              Sleep,     0};

const FileSystemCalls* volatile g_chosenCalls = NULL;

bool IsSharingError(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

// A rename over a held file, and a delete of one, answer access denied on
// Windows NT; so does a file whose delete is pending while a holder lets go.
bool IsSharingOrAccessError(DWORD error) { return IsSharingError(error) || error == ERROR_ACCESS_DENIED; }

template <typename Attempt>
BOOL Patiently(bool (*retried)(DWORD), Attempt attempt)
{
    const FileSystemCalls& calls = FileCalls();
    for (int i = 0;; ++i) {
        if (attempt())
            return TRUE;
        DWORD error = GetLastError();
        if (i == kSharingRetries || !retried(error))
            return FALSE;
        calls.sleep(kSharingRetryWaits[i]);
        SetLastError(error);
    }
}

}  // namespace

// Each wait doubles the one before, as a holder that is not done after a
// few milliseconds is usually a scan of the whole file; 1,030 ms in all.
const DWORD kSharingRetryWaits[] = {10, 20, 40, 80, 160, 320, 400};
const int kSharingRetries = sizeof(kSharingRetryWaits) / sizeof(kSharingRetryWaits[0]);

const FileSystemCalls& WindowsNTCalls() { return kWindowsNT; }
const FileSystemCalls& Windows9xCalls() { return kWindows9x; }

void UseFileSystemCalls(const FileSystemCalls* calls) { g_chosenCalls = calls; }

const FileSystemCalls& FileCalls()
{
    const FileSystemCalls* chosen = g_chosenCalls;
    if (chosen != NULL)
        return *chosen;
    return (GetVersion() & 0x80000000) == 0 ? kWindowsNT : kWindows9x;
}

HANDLE OpenSharedFile(LPCSTR path, DWORD access, DWORD sharing, DWORD creation, DWORD flags)
{
    const FileSystemCalls& calls = FileCalls();
    HANDLE file = INVALID_HANDLE_VALUE;
    Patiently(IsSharingError, [&] {
        file = calls.createFile(path, access, sharing, NULL, creation, flags | calls.entryOpenFlags, NULL);
        return file != INVALID_HANDLE_VALUE;
    });
    return file;
}

BOOL MoveFileExPatiently(LPCSTR from, LPCSTR to, DWORD flags)
{
    const FileSystemCalls& calls = FileCalls();
    return Patiently(IsSharingOrAccessError, [&] { return calls.moveFileEx(from, to, flags) != FALSE; });
}

BOOL MoveFilePatiently(LPCSTR from, LPCSTR to)
{
    const FileSystemCalls& calls = FileCalls();
    return Patiently(IsSharingOrAccessError, [&] { return calls.moveFile(from, to) != FALSE; });
}

BOOL DeleteFilePatiently(LPCSTR path)
{
    const FileSystemCalls& calls = FileCalls();
    return Patiently(IsSharingOrAccessError, [&] { return calls.deleteFile(path) != FALSE; });
}
