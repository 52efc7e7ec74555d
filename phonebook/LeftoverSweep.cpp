#include "LeftoverSweep.h"

#include <windows.h>
#include <mbstring.h>
#include <string.h>

#include "FolderWriteLock.h"
#include "Handles.h"
#include "LeftoverNames.h"
#include "SystemApiTable.h"
#include "TextCopy.h"
#include "WriteCalls.h"

namespace {

// The swept directory as the handle of one of its files names it. Wine shows
// a Unix symbolic link as a plain file and follows it on every open,
// FILE_FLAG_OPEN_REPARSE_POINT or not, and on every delete; the path behind
// the handle (Windows Vista and later, and Wine) is what gives such a link
// away. Where the system cannot tell, the attributes alone decide.
class SweptDirectory
{
public:
    explicit SweptDirectory(const char* directory) : usable_(true)
    {
        final_[0] = '\0';
        GetFinalPathNameByHandleFn finalPath = SystemApi().pfnGetFinalPathNameByHandle;
        if (finalPath == NULL)
            return;
        FileHandle handle(CreateFileA(directory, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
        DWORD length = handle ? finalPath(handle.get(), final_, sizeof(final_), 0) : 0;
        usable_ = length != 0 && length < sizeof(final_) &&
                  (EndsWithBackslash(final_) || AppendWhole(final_, sizeof(final_), "\\"));
    }

    // True when the open file is the directory's own plain file of that
    // name, not what a link of that name leads to.
    bool IsOwnPlainFile(HANDLE file, const char* name) const
    {
        BY_HANDLE_FILE_INFORMATION information;
        if (!usable_ || !GetFileInformationByHandle(file, &information) ||
            (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
            return false;
        GetFinalPathNameByHandleFn finalPath = SystemApi().pfnGetFinalPathNameByHandle;
        if (finalPath == NULL)
            return true;
        char expected[2 * MAX_PATH], found[2 * MAX_PATH];
        DWORD length = finalPath(file, found, sizeof(found), 0);
        return length != 0 && length < sizeof(found) && CopyWhole(expected, sizeof(expected), final_) &&
               AppendWhole(expected, sizeof(expected), name) &&
               _mbsicmp(reinterpret_cast<unsigned char*>(expected), reinterpret_cast<unsigned char*>(found)) == 0;
    }

    // True when the directory opened as inner is this directory's own folder
    // of that name, not a link to a folder elsewhere.
    bool IsOwnFolder(const SweptDirectory& inner, const char* name) const
    {
        if (!usable_ || !inner.usable_)
            return false;
        char expected[2 * MAX_PATH];
        return final_[0] == '\0' ||
               (CopyWhole(expected, sizeof(expected), final_) && AppendWhole(expected, sizeof(expected), name) &&
                AppendWhole(expected, sizeof(expected), "\\") &&
                _mbsicmp(reinterpret_cast<const unsigned char*>(expected),
                         reinterpret_cast<const unsigned char*>(inner.final_)) == 0);
    }

private:
    char final_[2 * MAX_PATH];
    bool usable_;
};

// Opens a leftover as nobody else may hold it (share mode 0) and without
// following a link; an invalid handle when a write holds it, it is gone, or
// it is not the plain file of that name in the directory. Not patient: a
// held file is a write in progress, not a reader.
FileHandle OpenUnheld(const SweptDirectory& swept, const char* path, const char* name)
{
    const FileSystemCalls& calls = FileCalls();
    FileHandle file(calls.createFile(path, GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | calls.leftoverOpenFlags | calls.entryOpenFlags, NULL));
    if (file && !swept.IsOwnPlainFile(file.get(), name))
        file.reset();
    return file;
}

// The delete comes after the exclusive open closed: no writer opens an
// existing temporary file (each makes its own with CREATE_NEW), and this
// machine's writers wait for the clean-up's turn to end. A scanner that
// looks at the file in between is waited out.
void RemoveIfUnheld(const SweptDirectory& swept, const char* path, const char* name)
{
    if (OpenUnheld(swept, path, name))
        DeleteFilePatiently(path);
}

// An entry set aside goes back to its name when no entry took it; when one
// did, it is the entry that was replaced, and goes.
void RestoreSetAsideEntry(const SweptDirectory& swept, const char* aside, const char* name)
{
    char path[MAX_PATH];
    if (!EntryPathOfAside(aside, path) || !OpenUnheld(swept, aside, name))
        return;
    // Only an answer either way acts: an entry that cannot be looked at
    // leaves the set-aside one as it is.
    if (IsExistingFile(path))
        DeleteFilePatiently(aside);
    else if (GetLastError() == ERROR_FILE_NOT_FOUND)
        MoveFilePatiently(aside, path);
}

void SweepMatches(const char* directory, const char* pattern, LeftoverKind kind, const SweptDirectory& swept);

// The folder of a batch that ended: the files nobody holds go, and the
// folder with them once it is empty. A batch still at work holds its files,
// which keep the folder.
void ClearPreparedFolder(const SweptDirectory& swept, const char* path, const char* name)
{
    char folder[MAX_PATH];
    if (!CopyWhole(folder, sizeof(folder), path) || !AppendWhole(folder, sizeof(folder), "\\"))
        return;
    SweptDirectory inner(folder);
    if (!swept.IsOwnFolder(inner, name))
        return;
    SweepMatches(folder, "~vmr*.tmp", kTemporaryLeftover, inner);
    RemoveDirectoryA(folder);
}

void SweepMatches(const char* directory, const char* pattern, LeftoverKind kind, const SweptDirectory& swept)
{
    char search[MAX_PATH];
    if (!PathBeside(directory, pattern, search))
        return;
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(search, &found));
    if (!find)
        return;
    do {
        // The pattern also matches by short names: the long name decides.
        char path[MAX_PATH];
        bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || folder != (kind == kPreparedLeftover) ||
            LeftoverKindOf(found.cFileName) != kind || !PathBeside(directory, found.cFileName, path))
            continue;
        if (kind == kTemporaryLeftover)
            RemoveIfUnheld(swept, path, found.cFileName);
        else if (kind == kAsideLeftover)
            RestoreSetAsideEntry(swept, path, found.cFileName);
        else
            ClearPreparedFolder(swept, path, found.cFileName);
    } while (FindNextFileA(find.get(), &found));
}

}  // namespace

void SweepFolder(const char* directory)
{
    SweptDirectory swept(directory);
    SweepMatches(directory, "~vmr*.tmp", kTemporaryLeftover, swept);
    SweepMatches(directory, "*.vm~", kAsideLeftover, swept);
    SweepMatches(directory, "~vmr*.new", kPreparedLeftover, swept);
}

void RemoveWriteLeftovers(const char* directory)
{
    if (directory == NULL || strlen(directory) >= MAX_PATH)
        return;
    FolderWriteLock lock(directory);
    if (!lock.held())
        return;
    SweepFolder(directory);
    lock.swept();
}
