// Listing, deleting, renaming and copying entry files. These work on files
// only: the object's record and entry name are left alone.
#include <windows.h>

#include "DeviceNames.h"
#include "EntryFiles.h"
#include "Handles.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"

int VmrPhoneBook::EnumEntryNames(VmrEnumEntryProc callback, long value)
{
    // The directory as the listing starts: a callback that calls SetPath
    // must not pair these names with another directory.
    char directory[MAX_PATH];
    char pattern[MAX_PATH];
    if (callback == NULL || PhoneBookPath[0] == '\0' ||
        !CopyWhole(directory, sizeof(directory), PhoneBookPath) ||
        !CopyWhole(pattern, sizeof(pattern), directory) ||
        !AppendWhole(pattern, sizeof(pattern), "*.vmr") || NamesDevice(pattern))
        return 0;

    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(pattern, &found));
    if (!find)
        return 0;
    do {
        // Every match is passed, in the file system's order; the callback
        // cannot stop the listing. A path past the limit names no usable file.
        char path[MAX_PATH];
        if (CopyWhole(path, sizeof(path), directory) && AppendWhole(path, sizeof(path), found.cFileName))
            callback(path, value);
    } while (FindNextFileA(find.get(), &found));
    return 1;
}

int VmrPhoneBook::DeleteEntry(char* name)
{
    char path[MAX_PATH];
    if (!ResolveEntryPath(*this, name, path))
        return 0;
    return DeleteFileA(path);
}

// The new name is taken exactly as given: hosts pass full paths, as the
// listing delivers them. Neither name may be a device's (ResolveEntryPath
// refuses the old one).
int VmrPhoneBook::RenameEntry(char* oldName, char* newName)
{
    char path[MAX_PATH];
    if (newName == NULL || strlen(newName) >= MAX_PATH || NamesDevice(newName) ||
        !ResolveEntryPath(*this, oldName, path))
        return 0;
    return MoveFileA(path, newName);
}

int VmrPhoneBook::CopyEntry(char* sourceName, char* targetName)
{
    char path[MAX_PATH];
    if (targetName == NULL || strlen(targetName) >= MAX_PATH || NamesDevice(targetName) ||
        !ResolveEntryPath(*this, sourceName, path))
        return 0;
    // CopyFileA reads whatever the source opens as: only a file on a disk is
    // copied, never a pipe or a port that could keep it waiting.
    if (!OpenEntryForReading(path))
        return 0;
    return CopyFileA(path, targetName, TRUE);
}
