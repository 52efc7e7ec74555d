// Reading, writing and testing entry files.
#include "EntryFiles.h"

#include <mbstring.h>
#include <stdlib.h>
#include <string.h>

#include "DeviceNames.h"
#include "EntryCipher.h"
#include "Handles.h"
#include "Messages.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"
#include "WindowsVersion.h"
#include "resource.h"

VmrPhoneBook* CurrentPhoneBook = NULL;

namespace {

const char kEntryExtension[] = ".vmr";

// Entry files are opened without sharing: a file another handle holds open is
// not read or written behind its back.
HANDLE OpenEntryForReading(const char* path)
{
    return CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

bool IsEntryExtension(const char* extension)
{
    if (strlen(extension) != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        char c = extension[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kEntryExtension[i])
            return false;
    }
    return true;
}

// The entry's path with its extension, or false when it does not fit.
bool EntryPath(VmrPhoneBook& book, const char* name, char* path)
{
    return ResolveEntryPath(book, name, path) && AppendEntryExtension(path);
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

// The directory part of a path ("." for a bare name), for a temporary file
// beside the entry.
void DirectoryOf(const char* path, char* directory)
{
    CopyWhole(directory, MAX_PATH, path);
    unsigned char* separator = LastSeparator(directory);
    if (separator != NULL) {
        separator[1] = '\0';
    } else if (directory[0] != '\0' && directory[1] == ':') {
        CopyWhole(directory + 2, MAX_PATH - 2, ".");   // "C:name": the drive's current directory
    } else {
        CopyWhole(directory, MAX_PATH, ".");
    }
}

// _splitpath of a name shorter than MAX_PATH. It gives up on a part longer
// than its _MAX_ limit (a directory part of 256 bytes or more) and leaves
// every part empty: false then.
bool SplitPath(const char* name, char* drive, char* directory, char* file, char* extension)
{
    _splitpath(name, drive, directory, file, extension);
    return name[0] == '\0' || drive[0] != '\0' || directory[0] != '\0' || file[0] != '\0' ||
           extension[0] != '\0';
}

// How a write in progress keeps its temporary file, and how a later write
// tells that file from a leftover.
//
// A write holds its temporary file open from the moment it makes it
// (CREATE_NEW: the name is its own from the start) until after the rename
// that puts the file in the entry's place, and shares it for deletion only,
// which the rename needs and nothing else may use. So every temporary file of
// a write in progress is open, also between its last byte and its rename,
// and a leftover is one that nobody holds: its writer ended first, and the
// system closed its handles when it did.
//
// The clean-up opens each file of the temporary form exclusively, with
// FILE_FLAG_DELETE_ON_CLOSE. The open succeeds only when no handle is open
// (its share mode 0 cannot stand beside the writer's handle), and then the
// file goes as the handle closes. A file still in use fails the
// open with a sharing violation and stays. A plain DeleteFile would not do:
// the writer's delete sharing lets it through, and the write's file would go
// from under its rename.
//
// Windows 9x knows no delete sharing: a write there closes its file before
// the rename, and its leftovers are not cleaned up, rather than risk taking a
// file in the moment between the two.

const char kTemporaryPrefix[] = "vmr";

// GetTempFileNameA's form: the prefix, the unique number in one to four
// hexadecimal digits, unpadded (upper case on Windows, lower case under
// Wine), and ".tmp".
bool IsTemporaryName(const char* name)
{
    size_t length = strlen(name);
    if (length < 8 || length > 11 || _strnicmp(name, kTemporaryPrefix, 3) != 0 ||
        _stricmp(name + length - 4, ".tmp") != 0)
        return false;
    for (size_t i = 3; i < length - 4; ++i) {
        char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// directory (as DirectoryOf gives it) and a file name in it, into path
// (MAX_PATH bytes); false when that does not fit. Wine's GetTempFileNameA
// does not check this itself.
bool PathBeside(const char* directory, const char* name, char* path)
{
    size_t length = strlen(directory);
    bool separated = length > 0 && (directory[length - 1] == '\\' || directory[length - 1] == '/');
    return CopyWhole(path, MAX_PATH, directory) && (separated || AppendWhole(path, MAX_PATH, "\\")) &&
           AppendWhole(path, MAX_PATH, name);
}

bool TemporaryNameFits(const char* directory)
{
    char path[MAX_PATH];
    return PathBeside(directory, "vmrXXXX.tmp", path);
}

void RemoveLeftovers(const char* directory)
{
    if (!IsWindowsNT())
        return;
    char pattern[MAX_PATH];
    if (!PathBeside(directory, "vmr*.tmp", pattern))
        return;
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(pattern, &found));
    if (!find)
        return;
    do {
        // The pattern also matches by short names: the long name decides.
        char leftover[MAX_PATH];
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsTemporaryName(found.cFileName) ||
            !PathBeside(directory, found.cFileName, leftover))
            continue;
        FileHandle unused(CreateFileA(leftover, DELETE, 0, NULL, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, NULL));
    } while (FindNextFileA(find.get(), &found));
}

// Creates a new file beside the entry under a name of GetTempFileNameA's
// form; the name is formatted only, and CREATE_NEW makes it ours, which saves
// the extra create and close of a name GetTempFileNameA picks itself.
FileHandle CreateTemporary(const char* directory, char* temporary)
{
    if (!TemporaryNameFits(directory))
        return FileHandle();
    const DWORD sharing = IsWindowsNT() ? FILE_SHARE_DELETE : 0;
    const UINT attempts = 64;
    UINT seed = GetTickCount() ^ (GetCurrentProcessId() << 7);
    for (UINT attempt = 0; attempt < attempts; ++attempt) {
        UINT unique = (seed + attempt) & 0xFFFF;
        if (unique == 0)
            unique = 1;
        if (GetTempFileNameA(directory, kTemporaryPrefix, unique, temporary) == 0)
            return FileHandle();
        FileHandle file(CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, sharing, NULL, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, NULL));
        if (file)
            return file;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
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
    return WriteFile(file.get(), bytes, size, &written, NULL) && written == size &&
           FlushFileBuffers(file.get());
}

bool IsExistingFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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

// Windows 9x, whose MoveFileEx is not implemented: the file is closed first.
// To replace, the old file steps aside under a name of its own and comes back
// if the new one cannot take its place: at no moment is neither on disk.
EntryWrite PutInPlaceWithoutMoveFileEx(FileHandle& file, const char* temporary, const char* path, bool replace)
{
    if (CloseHandle(file.release()) == FALSE)
        return kEntryWriteFailed;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return kEntryWriteFailed;
        return MoveFileA(temporary, path) ? kEntryWriteDone : RenameFailure(path, replace);
    }
    if (!replace)
        return IsExistingFile(path) ? kEntryWriteExists : kEntryWriteFailed;

    char directory[MAX_PATH];
    DirectoryOf(path, directory);
    char aside[MAX_PATH];
    if (!TemporaryNameFits(directory) || GetTempFileNameA(directory, kTemporaryPrefix, 0, aside) == 0)
        return kEntryWriteFailed;
    // GetTempFileNameA made the file to reserve the name; MoveFile wants it free.
    if (!DeleteFileA(aside) || !MoveFileA(path, aside))
        return kEntryWriteFailed;
    if (!MoveFileA(temporary, path)) {
        MoveFileA(aside, path);
        return kEntryWriteFailed;
    }
    DeleteFileA(aside);
    return kEntryWriteDone;
}

// Puts the written file at temporary in the entry's place, its handle still
// open, and closes it after. Its bytes are on the disk before the rename, so
// the close has nothing left to lose.
EntryWrite PutInPlace(FileHandle& file, const char* temporary, const char* path, bool replace)
{
    DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExA(temporary, path, flags)) {
        file.reset();
        return kEntryWriteDone;
    }
    if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
        return PutInPlaceWithoutMoveFileEx(file, temporary, path, replace);
    return RenameFailure(path, replace);
}

}  // namespace

bool HasDirectoryPart(const char* name)
{
    // _splitpath does not bound its outputs: only names that fit the path
    // limit are split, into buffers that hold any part of such a name.
    if (name == NULL || strlen(name) >= MAX_PATH)
        return false;
    char drive[MAX_PATH], directory[MAX_PATH], file[MAX_PATH], extension[MAX_PATH];
    if (!SplitPath(name, drive, directory, file, extension))
        return _mbspbrk(reinterpret_cast<const unsigned char*>(name),
                        reinterpret_cast<const unsigned char*>("\\/:")) != NULL;
    return drive[0] != '\0' || directory[0] != '\0';
}

bool ResolveEntryPath(VmrPhoneBook& book, const char* name, char* path)
{
    if (name == NULL || strlen(name) >= MAX_PATH || NamesDevice(name))
        return false;
    if (HasDirectoryPart(name))
        return CopyWhole(path, MAX_PATH, name);
    const char* directory = VmrPhoneBookAccess::Path(book);
    if (directory[0] == '\0')
        return false;
    return CopyWhole(path, MAX_PATH, directory) && AppendWhole(path, MAX_PATH, name);
}

bool AppendEntryExtension(char* path)
{
    // A part _splitpath gives up on (256 bytes or more) leaves no room for
    // the extension anyway: the append below then fails.
    if (strlen(path) >= MAX_PATH)
        return false;
    char drive[MAX_PATH], directory[MAX_PATH], file[MAX_PATH], extension[MAX_PATH];
    _splitpath(path, drive, directory, file, extension);
    return IsEntryExtension(extension) || AppendWhole(path, MAX_PATH, kEntryExtension);
}

bool ComposeEntryFilePath(VmrPhoneBook& book, char* path)
{
    char directory[MAX_PATH];
    char entryName[kEntryNameSize];
    FetchFieldText(VmrPhoneBookAccess::Path(book), sizeof(directory), directory, sizeof(directory));
    FetchFieldText(VmrPhoneBookAccess::EntryName(book), sizeof(entryName), entryName, sizeof(entryName));
    return CopyWhole(path, MAX_PATH, directory) && AppendWhole(path, MAX_PATH, entryName) &&
           AppendEntryExtension(path);
}

int TrimSpaces(char* text)
{
    size_t length = strlen(text);
    size_t first = 0;
    while (first < length && text[first] == ' ')
        ++first;
    size_t end = length;
    while (end > first && text[end - 1] == ' ')
        --end;
    if (first == 0 && end == length)
        return 0;
    memmove(text, text + first, end - first);
    text[end - first] = '\0';
    return 1;
}

int EntryFileExists(const char* path)
{
    char full[MAX_PATH];
    if (NamesDevice(path))
        return 0;
    if (HasDirectoryPart(path)) {
        if (!CopyWhole(full, sizeof(full), path))
            return 0;
    } else if (CurrentPhoneBook == NULL || !ResolveEntryPath(*CurrentPhoneBook, path, full)) {
        return 0;
    }
    FileHandle file(OpenEntryForReading(full));
    return file ? 1 : 0;
}

int VmrPhoneBook::ReadEntry(char* name)
{
    char path[MAX_PATH];
    if (!EntryPath(*this, name, path))
        return 0;
    FileHandle file(OpenEntryForReading(path));
    if (!file)
        return 0;

    memset(&Record, 0, sizeof(Record));
    DWORD read = 0;
    ReadFile(file.get(), &Record, sizeof(Record), &read, NULL);   // a failed read delivers what it read
    DecryptRecord(reinterpret_cast<unsigned char*>(&Record), static_cast<unsigned short>(read));

    // A foreign file, or one written under another key. Its deciphered bytes
    // stay in the record.
    if (memcmp(Record.Magic, "vmr", sizeof(Record.Magic)) != 0)
        return 0;
    if (Record.Version == 40)
        Record.Version = 41;
    if (Record.Version != 41) {
        memset(&Record, 0, sizeof(Record));
        file.reset();
        ShowResourceMessage(GetFocus(), IDS_PHONE_BOOK, IDS_ENTRY_INCOMPATIBLE, kMessageStyle);
        return 0;
    }

    // The name as the directory stores it, with its extension and case.
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(path, &found));
    // A stored name too long for EntryName is treated as no name found: a cut
    // one would name another file when the entry is written back.
    if (find && strlen(found.cFileName) < sizeof(EntryName))
        StoreFieldText(EntryName, sizeof(EntryName), found.cFileName);
    return 1;
}

EntryWrite WriteEntryFile(VmrPhoneBook& book, const char* path, bool replace)
{
    char directory[MAX_PATH];
    DirectoryOf(path, directory);
    RemoveLeftovers(directory);
    char temporary[MAX_PATH];
    FileHandle file = CreateTemporary(directory, temporary);
    if (!file)
        return kEntryWriteFailed;

    unsigned char enciphered[kRecordSize];
    memcpy(enciphered, &VmrPhoneBookAccess::Record(book), sizeof(enciphered));
    EncryptRecord(enciphered, static_cast<unsigned short>(sizeof(enciphered)));

    EntryWrite result = kEntryWriteFailed;
    if (WriteAndFlush(file, enciphered, sizeof(enciphered)))
        result = PutInPlace(file, temporary, path, replace);
    if (result != kEntryWriteDone) {
        file.reset();
        DeleteFileA(temporary);
    }
    return result;
}

// The entry it replaces is never lost: the record goes to a temporary file
// beside it, and only a complete file takes the entry's place.
int VmrPhoneBook::WriteEntry(char* name)
{
    char path[MAX_PATH];
    if (!EntryPath(*this, name, path))
        return 0;
    return WriteEntryFile(*this, path, true) == kEntryWriteDone ? 1 : 0;
}

int VmrPhoneBook::IsValidEntry(char* name)
{
    char path[MAX_PATH];
    if (!EntryPath(*this, name, path))
        return 0;
    FileHandle file(OpenEntryForReading(path));
    return file ? 1 : 0;
}

int VmrPhoneBook::IsRasLinkEntry(char* name)
{
    if (!ReadEntry(name))
        return 0;
    return static_cast<int>(Record.UseDialUpNetworking);
}
