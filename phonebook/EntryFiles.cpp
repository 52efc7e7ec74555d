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

// _splitpath of a name shorter than MAX_PATH. It gives up on a part longer
// than its _MAX_ limit (a directory part of 256 bytes or more) and leaves
// every part empty: false then.
bool SplitPath(const char* name, char* drive, char* directory, char* file, char* extension)
{
    _splitpath(name, drive, directory, file, extension);
    return name[0] == '\0' || drive[0] != '\0' || directory[0] != '\0' || file[0] != '\0' ||
           extension[0] != '\0';
}

}  // namespace

// Entry files are opened without sharing: a file another handle holds open is
// not read or written behind its back. A reader, a virus scanner or an
// indexer that holds it for a moment is waited out (WriteCalls.h).
FileHandle OpenEntryForReading(const char* path)
{
    FileHandle file(OpenSharedFile(path, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (file && GetFileType(file.get()) != FILE_TYPE_DISK)
        file.reset();
    return file;
}

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
    // The directory too: a phone book set to "\\.\pipe\" names no file either.
    return CopyWhole(path, MAX_PATH, directory) && AppendWhole(path, MAX_PATH, name) && !NamesDevice(path);
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
    return OpenEntryForReading(full) ? 1 : 0;
}

int VmrPhoneBook::ReadEntry(char* name)
{
    char path[MAX_PATH];
    if (!EntryPath(*this, name, path))
        return 0;
    FileHandle file = OpenEntryForReading(path);
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
    unsigned char enciphered[kRecordSize];
    memcpy(enciphered, &VmrPhoneBookAccess::Record(book), sizeof(enciphered));
    EncryptRecord(enciphered, static_cast<unsigned short>(sizeof(enciphered)));
    return WriteEntryBytes(path, enciphered, sizeof(enciphered), replace);
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
    return OpenEntryForReading(path) ? 1 : 0;
}

int VmrPhoneBook::IsRasLinkEntry(char* name)
{
    if (!ReadEntry(name))
        return 0;
    return static_cast<int>(Record.UseDialUpNetworking);
}
