// The write of an entry file.
#include "EntryWriter.h"

#include <mbstring.h>
#include <string.h>

#include "FolderWriteLock.h"
#include "LeftoverNames.h"
#include "TextCopy.h"

namespace {

// The last separator of a path ('\\' or '/', whichever comes later; a
// multibyte-aware search), or null.
unsigned char* LastSeparator(char* path)
{
    unsigned char* start = reinterpret_cast<unsigned char*>(path);
    unsigned char* backslash = _mbsrchr(start, '\\');
    unsigned char* slash = _mbsrchr(start, '/');
    return backslash == NULL || (slash != NULL && slash > backslash) ? slash : backslash;
}

// The number of a temporary name: the attempts of one write, and the writes
// of one process, scatter over all 65,536 names. Consecutive numbers would
// pile up behind the files a batch holds open (thousands of them), and the
// attempts of later files would all fall on taken names.
unsigned TemporaryNumber(UINT seed, UINT attempt)
{
    UINT x = seed + attempt * 0x9E3779B9u;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    return x & 0xFFFF;
}

LONG g_numberedNames = 0;

enum NameTry { kNameOurs, kNameTaken, kNameFailed };

// Tries the numbered names of the extension in the directory, each in path,
// until tryName answers kNameOurs (true) or kNameFailed (false); a name
// tryName finds taken passes to the next, 64 at most.
template <typename Try>
bool TryNumberedNames(const char* directory, const char* extension, char* path, Try tryName)
{
    const UINT attempts = 64;
    UINT seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^
                (static_cast<UINT>(InterlockedIncrement(&g_numberedNames)) * 0x85EBCA6Bu);
    for (UINT attempt = 0; attempt < attempts; ++attempt) {
        char name[kNumberedNameLength + 1];
        FormatNumberedName(TemporaryNumber(seed, attempt), extension, name);
        if (!PathBeside(directory, name, path))
            return false;
        NameTry tried = tryName(path);
        if (tried != kNameTaken)
            return tried == kNameOurs;
    }
    return false;
}

// A name that exists, or that is held for deletion (Windows answers
// ERROR_ACCESS_DENIED while a deleted file still has handles), is taken.
NameTry TakenOr(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED ? kNameTaken
                                                                                                        : kNameFailed;
}

}  // namespace

// CREATE_NEW makes the name ours.
FileHandle CreateNumberedFile(const char* directory, const char* extension, DWORD access, DWORD sharing, char* path)
{
    const FileSystemCalls& calls = FileCalls();
    FileHandle file;
    TryNumberedNames(directory, extension, path, [&](const char* candidate) {
        file.reset(calls.createFile(candidate, access, sharing, NULL, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | calls.entryOpenFlags, NULL));
        if (!file)
            return TakenOr(GetLastError());
        if (GetFileType(file.get()) != FILE_TYPE_DISK)
            file.reset();   // no disk behind the folder: nothing to write to
        return file ? kNameOurs : kNameFailed;
    });
    return file;
}

// The room for the name and both separators is judged first: nothing is made
// that could not be named in full.
bool CreateNumberedFolder(const char* directory, const char* extension, char* path)
{
    if (strlen(directory) + kNumberedNameLength + 2 >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return TryNumberedNames(directory, extension, path, [](const char* candidate) {
               return CreateDirectoryA(candidate, NULL) ? kNameOurs : TakenOr(GetLastError());
           }) &&
           AppendWhole(path, MAX_PATH, "\\");
}

namespace {

// What a rename that failed says about the entry: an existing file of its
// name that was not to be replaced, or a failure. A folder of that name is
// no entry, only an obstacle.
EntryWrite RenameFailure(const char* path, bool replace)
{
    DWORD error = GetLastError();
    bool exists = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    EntryWrite result = !replace && exists && IsExistingFile(path) ? kEntryWriteExists : kEntryWriteFailed;
    SetLastError(error);
    return result;
}

// Windows 95/98, whose MoveFileEx is not implemented: the file is closed
// first, and MoveFile never replaces. A new entry takes its name only while
// the name is free, so an entry that appeared meanwhile stays. To replace, the
// old entry steps aside under a name no clean-up removes while its own name
// is free, and comes back if the new one cannot take its place; an abrupt end
// between the two renames leaves it there for the next clean-up to put back.
EntryWrite PutInPlaceWithoutMoveFileEx(FileHandle& file, const char* temporary, const char* path, bool replace)
{
    if (CloseHandle(file.release()) == FALSE)
        return kEntryWriteFailed;
    if (MoveFilePatiently(temporary, path))
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
    if (!MoveFilePatiently(path, aside))
        return kEntryWriteFailed;
    if (!MoveFilePatiently(temporary, path)) {
        MoveFilePatiently(aside, path);
        return kEntryWriteFailed;
    }
    DeleteFilePatiently(aside);
    return kEntryWriteDone;
}

// Puts the written file at temporary in the entry's place, its handle still
// open, and closes it after. Its bytes are on the disk before the rename, so
// the close has nothing left to lose. A reader that holds the entry for a
// moment is waited out.
EntryWrite PutInPlace(FileHandle& file, const char* temporary, const char* path, bool replace)
{
    DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExPatiently(temporary, path, flags)) {
        file.reset();
        return kEntryWriteDone;
    }
    if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
        return PutInPlaceWithoutMoveFileEx(file, temporary, path, replace);
    return RenameFailure(path, replace);
}

}  // namespace

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

// The flush comes before the rename that puts the file in the entry's place:
// otherwise a power failure could leave the rename on disk and the bytes not,
// and the old entry gone.
FileHandle PrepareTemporary(const char* directory, const unsigned char* bytes, DWORD size, char* temporary)
{
    const FileSystemCalls& calls = FileCalls();
    FileHandle file = CreateNumberedFile(directory, kTemporaryExtension, GENERIC_READ | GENERIC_WRITE,
                                         calls.temporarySharing, temporary);
    if (!file)
        return file;
    DWORD written = 0;
    if (WriteFile(file.get(), bytes, size, &written, NULL) && written == size && FlushFileBuffers(file.get()))
        return file;
    DWORD error = GetLastError();
    file.reset();
    calls.deleteFile(temporary);
    SetLastError(error);
    return FileHandle();
}

void SweepIfDue(FolderWriteLock& lock, const char* directory, const char* path)
{
    char aside[MAX_PATH];
    bool asideLeft = (FileCalls().temporarySharing & FILE_SHARE_DELETE) == 0 && lock.held() &&
                     AsidePath(path, aside) && GetFileAttributesA(aside) != INVALID_FILE_ATTRIBUTES;
    if (lock.sweepDue() || asideLeft) {
        SweepFolder(directory);
        lock.swept();
    }
}

EntryWrite WriteEntryBytes(const char* path, const unsigned char* bytes, DWORD size, bool replace)
{
    char directory[MAX_PATH];
    if (path == NULL || !DirectoryOf(path, directory))
        return kEntryWriteFailed;
    FolderWriteLock lock(directory);
    if (!lock.mayWrite())
        return kEntryWriteFailed;
    // The entry set aside by an ended writer is still the entry: it goes back
    // to its name before this write judges whether the name is taken.
    SweepIfDue(lock, directory, path);

    char temporary[MAX_PATH];
    FileHandle file = PrepareTemporary(directory, bytes, size, temporary);
    if (!file)
        return kEntryWriteFailed;
    EntryWrite result = PutInPlace(file, temporary, path, replace);
    if (result != kEntryWriteDone) {
        DWORD error = GetLastError();
        file.reset();
        FileCalls().deleteFile(temporary);
        SetLastError(error);
    }
    return result;
}
