// The system calls behind the library's entry files, chosen once per system,
// and the patience those calls need under Windows' sharing rules.
//
// A few calls behave differently on Windows NT and on Windows 95/98. On
// Windows 95/98 MoveFileExA exists but answers ERROR_CALL_NOT_IMPLEMENTED,
// no file can be shared for deletion, links are none, and object names with
// a backslash are refused. The table is also the tests' seam: a test runs the
// Windows 95/98 path for real, or refuses an operation as a system would.
#ifndef PHONEBK_WRITECALLS_H
#define PHONEBK_WRITECALLS_H

#include <windows.h>

struct FileSystemCalls {
    // Every open of an entry file, a write's temporary file and a leftover.
    // Windows answers ERROR_ACCESS_DENIED for a name still held for deletion,
    // where Wine answers ERROR_FILE_EXISTS.
    HANDLE(WINAPI* createFile)(LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security,
                               DWORD creation, DWORD flags, HANDLE model);
    BOOL(WINAPI* moveFileEx)(LPCSTR from, LPCSTR to, DWORD flags);
    BOOL(WINAPI* moveFile)(LPCSTR from, LPCSTR to);
    DWORD temporarySharing;   // how a write shares its temporary file while it writes
    DWORD leftoverOpenFlags;  // added to the clean-up's open of a leftover
    // The writers' mutex. A system without sessions (Windows 95/98, and NT
    // 4.0 without Terminal Services) refuses a name with a backslash, such
    // as "Global\...", which Wine takes.
    HANDLE(WINAPI* createMutex)(LPSECURITY_ATTRIBUTES security, BOOL owned, LPCSTR name);
    HANDLE(WINAPI* openMutex)(DWORD access, BOOL inherit, LPCSTR name);
    BOOL(WINAPI* deleteFile)(LPCSTR path);
    VOID(WINAPI* sleep)(DWORD milliseconds);
    // Added to every open of a file in a phone book: where a name still leads
    // to a named pipe, its server may only identify the library's user, never
    // act as it. Windows 95/98 know no impersonation.
    DWORD entryOpenFlags;
};
const FileSystemCalls& WindowsNTCalls();
const FileSystemCalls& Windows9xCalls();

// The calls the library uses from now on; null gives back the system's own
// (chosen by the platform the process runs on).
void UseFileSystemCalls(const FileSystemCalls* calls);
const FileSystemCalls& FileCalls();

// Readers, virus scanners and indexers open files without sharing them for
// a moment. While one holds an entry, Windows refuses to open, rename or
// delete it (a sharing or lock violation, or, for a rename over it or a
// delete of it, access denied). These run the call again a few times with
// growing waits, about a second in all, and give up with the call's own
// error after that. A name that is taken is never waited for.
HANDLE OpenSharedFile(LPCSTR path, DWORD access, DWORD sharing, DWORD creation, DWORD flags);
BOOL MoveFileExPatiently(LPCSTR from, LPCSTR to, DWORD flags);
BOOL MoveFilePatiently(LPCSTR from, LPCSTR to);
BOOL DeleteFilePatiently(LPCSTR path);

// The waits between the attempts, in milliseconds; their sum is the most a
// call waits.
extern const DWORD kSharingRetryWaits[];
extern const int kSharingRetries;

#endif
