// How an entry file is written so that it is never torn and never lost: the
// bytes go to a temporary file beside the entry, are flushed, and only then
// take the entry's place. Also the clean-up of what ended writers left.
//
// This unit knows files only, not the entry record; it stands on kernel32,
// Handles.h and TextCopy.cpp, so that pbtool can compile it in.
#ifndef PHONEBK_ENTRYWRITER_H
#define PHONEBK_ENTRYWRITER_H

#include <windows.h>

enum EntryWrite { kEntryWriteDone, kEntryWriteExists, kEntryWriteFailed };

// Writes size bytes to the file at path (an entry file: its name ends in
// ".vmr") through a temporary file beside it. With replace false, a file of
// that name that exists by the time the new one would take its place stays as
// it is: kEntryWriteExists. The library's writers of one folder on one
// machine take turns (a named mutex named from the folder); the first write
// of a process in a folder, and a write that finds the previous writer ended
// abruptly, first clears the leftovers of ended writes there.
EntryWrite WriteEntryBytes(const char* path, const unsigned char* bytes, DWORD size, bool replace);

// True for the names of what a write leaves when its process ends in the
// middle: its temporary file ("~vmrXXXX.tmp", four hexadecimal digits), and,
// on the Windows 95/98 path, the entry it set aside while the new one took its
// place ("NAME.vm~" beside "NAME.vmr"). Never true for an entry file.
bool IsWriteLeftoverName(const char* fileName);

// Clears the leftovers of ended writes in the directory, taking its turn with
// the writers of this machine: temporary files that no write holds open go,
// and an entry set aside goes back to its name when no entry took it (it goes
// when one did). Files of other names, folders and links are never touched.
void RemoveWriteLeftovers(const char* directory);

// The few calls whose behaviour differs between Windows NT and Windows 95/98.
// On Windows 95/98 MoveFileExA exists but answers ERROR_CALL_NOT_IMPLEMENTED,
// and no file can be shared for deletion; links there are none. createFile
// makes the temporary file: Windows answers ERROR_ACCESS_DENIED for a name
// still held for deletion, where Wine answers ERROR_FILE_EXISTS. createMutex
// makes the writers' mutex: a system without sessions (Windows 95/98, and NT
// 4.0 without Terminal Services) refuses a name with a backslash, such as
// "Global\...", which Wine takes.
struct FileSystemCalls {
    HANDLE(WINAPI* createFile)(LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES security,
                               DWORD creation, DWORD flags, HANDLE model);
    BOOL(WINAPI* moveFileEx)(LPCSTR from, LPCSTR to, DWORD flags);
    BOOL(WINAPI* moveFile)(LPCSTR from, LPCSTR to);
    DWORD temporarySharing;   // how a write shares its temporary file while it writes
    DWORD leftoverOpenFlags;  // added to the clean-up's open of a leftover
    HANDLE(WINAPI* createMutex)(LPSECURITY_ATTRIBUTES security, BOOL owned, LPCSTR name);
};
const FileSystemCalls& WindowsNTCalls();
const FileSystemCalls& Windows9xCalls();

// The calls the writes of this process use from now on; null gives back the
// system's own (chosen by the platform the process runs on). For tests, which
// run the Windows 95/98 path for real through Windows9xCalls().
void UseFileSystemCalls(const FileSystemCalls* calls);

#endif
