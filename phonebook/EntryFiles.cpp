// Reading, writing and testing entry files.
#include "EntryFiles.h"

#include <mbstring.h>
#include <stdlib.h>
#include <string.h>

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

// The directory part of a path ("." for a bare name), for a temporary file
// beside the entry.
void DirectoryOf(const char* path, char* directory)
{
    CopyWhole(directory, MAX_PATH, path);
    unsigned char* start = reinterpret_cast<unsigned char*>(directory);
    unsigned char* slash = _mbsrchr(start, '\\');
    if (slash != NULL) {
        slash[1] = '\0';
    } else if (directory[0] != '\0' && directory[1] == ':') {
        directory[2] = '\0';   // "C:name": the drive's current directory
    } else {
        CopyWhole(directory, MAX_PATH, ".");
    }
}

// Puts the file at temporary in place of the file at path. On systems whose
// MoveFileEx is not implemented (Windows 9x), the old file goes first.
bool ReplaceFile(const char* temporary, const char* path)
{
    if (MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    if (!DeleteFileA(path) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    return MoveFileA(temporary, path) != FALSE;
}

// Creates a new file beside the entry under a name of GetTempFileNameA's
// form; the name is formatted only, and CREATE_NEW makes it ours, which saves
// the extra create and close of a name GetTempFileNameA picks itself.
FileHandle CreateTemporary(const char* directory, char* temporary)
{
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

// Writes every byte and closes the file; false when either fails.
bool WriteAndClose(FileHandle& file, const unsigned char* bytes, DWORD size)
{
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes, size, &written, NULL) || written != size)
        return false;
    return CloseHandle(file.release()) != FALSE;
}

}  // namespace

bool HasDirectoryPart(const char* name)
{
    // _splitpath does not bound its outputs: only names that fit the path
    // limit are split, and every part of those fits its buffer.
    if (name == NULL || strlen(name) >= MAX_PATH)
        return false;
    char drive[_MAX_DRIVE], directory[_MAX_DIR], file[_MAX_FNAME], extension[_MAX_EXT];
    _splitpath(name, drive, directory, file, extension);
    return drive[0] != '\0' || directory[0] != '\0';
}

bool ResolveEntryPath(VmrPhoneBook& book, const char* name, char* path)
{
    if (name == NULL || strlen(name) >= MAX_PATH)
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
    char drive[_MAX_DRIVE], directory[_MAX_DIR], file[_MAX_FNAME], extension[_MAX_EXT];
    _splitpath(path, drive, directory, file, extension);
    return IsEntryExtension(extension) || AppendWhole(path, MAX_PATH, kEntryExtension);
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
    if (find)
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
