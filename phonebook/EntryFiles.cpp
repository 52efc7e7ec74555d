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

// Whether GetTempFileNameA's name in directory fits MAX_PATH: the directory,
// a backslash unless it ends in one, "vmrXXXX.tmp" and the terminator. Wine
// does not check this itself.
bool TemporaryNameFits(const char* directory)
{
    size_t length = strlen(directory);
    bool separated = length > 0 && (directory[length - 1] == '\\' || directory[length - 1] == '/');
    return length + (separated ? 0 : 1) + strlen("vmrXXXX.tmp") < MAX_PATH;
}

// Puts the file at temporary in place of the file at path. On systems whose
// MoveFileEx is not implemented (Windows 9x) the old file steps aside under a
// name of its own first, and comes back if the new one cannot take its
// place: at no moment is neither on disk.
bool ReplaceFile(const char* temporary, const char* path)
{
    if (MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND && MoveFileA(temporary, path) != FALSE;

    char directory[MAX_PATH];
    DirectoryOf(path, directory);
    char aside[MAX_PATH];
    if (!TemporaryNameFits(directory) || GetTempFileNameA(directory, "vmr", 0, aside) == 0)
        return false;
    // GetTempFileNameA made the file to reserve the name; MoveFile wants it free.
    if (!DeleteFileA(aside) || !MoveFileA(path, aside))
        return false;
    if (!MoveFileA(temporary, path)) {
        MoveFileA(aside, path);
        return false;
    }
    DeleteFileA(aside);
    return true;
}

// Creates a new file beside the entry under a name of GetTempFileNameA's
// form; the name is formatted only, and CREATE_NEW makes it ours, which saves
// the extra create and close of a name GetTempFileNameA picks itself.
FileHandle CreateTemporary(const char* directory, char* temporary)
{
    if (!TemporaryNameFits(directory))
        return FileHandle();
    const UINT attempts = 64;
    UINT seed = GetTickCount() ^ (GetCurrentProcessId() << 7);
    for (UINT attempt = 0; attempt < attempts; ++attempt) {
        UINT unique = (seed + attempt) & 0xFFFF;
        if (unique == 0)
            unique = 1;
        if (GetTempFileNameA(directory, "vmr", unique, temporary) == 0)
            return FileHandle();
        FileHandle file(CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, NULL));
        if (file)
            return file;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return FileHandle();
    }
    return FileHandle();
}

// Writes every byte, flushes them to the disk and closes the file; false
// when any step fails. The flush comes before the rename that puts the file
// in the entry's place: otherwise a power failure could leave the rename on
// disk and the bytes not, and the old entry gone.
bool WriteAndClose(FileHandle& file, const unsigned char* bytes, DWORD size)
{
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes, size, &written, NULL) || written != size)
        return false;
    if (!FlushFileBuffers(file.get()))
        return false;
    return CloseHandle(file.release()) != FALSE;
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

// The entry it replaces is never lost: the record goes to a temporary file
// beside it, and only a complete, closed file takes the entry's place.
int VmrPhoneBook::WriteEntry(char* name)
{
    char path[MAX_PATH];
    if (!EntryPath(*this, name, path))
        return 0;

    char directory[MAX_PATH];
    DirectoryOf(path, directory);
    char temporary[MAX_PATH];
    FileHandle file = CreateTemporary(directory, temporary);
    if (!file)
        return 0;

    unsigned char enciphered[kRecordSize];
    memcpy(enciphered, &Record, sizeof(enciphered));
    EncryptRecord(enciphered, static_cast<unsigned short>(sizeof(enciphered)));

    if (WriteAndClose(file, enciphered, sizeof(enciphered)) && ReplaceFile(temporary, path))
        return 1;
    file.reset();
    DeleteFileA(temporary);
    return 0;
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
