// Many entry files written all or nothing (VmrEntryBatch.h): each is
// prepared in full in a folder of the batch's own beside the entries, and the
// commit puts them all in place in one turn of the folder's write lock, or
// takes back the ones it placed.
//
// The prepared files have a folder of their own so that the entries' folder
// never holds both thousands of them and the entries: where a look-up of a
// name reads the whole folder (Wine does), a batch would otherwise pay for
// every prepared file at every rename.
#include "VmrEntryBatch.h"

#include <windows.h>
#include <string.h>

#include "DeviceNames.h"
#include "EntryCipher.h"
#include "EntryWriter.h"
#include "FolderWriteLock.h"
#include "LeftoverNames.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"

namespace {

struct PreparedEntry {
    char path[MAX_PATH];
    char temporary[MAX_PATH];
    HANDLE file;        // held open until the entry is in place, so that no clean-up takes it
    bool replace;
    bool placed;        // the prepared file has the entry's name
    bool setAside;      // the entry it replaces waits under its aside name
};

const char* FileNameOf(const char* path)
{
    const char* name = path;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(path); *c != '\0';
         c = reinterpret_cast<const unsigned char*>(CharNextA(reinterpret_cast<const char*>(c)))) {
        if (*c == '\\' || *c == '/' || *c == ':')
            name = reinterpret_cast<const char*>(c) + 1;
    }
    return name;
}

void CloseEntryFile(PreparedEntry& entry)
{
    if (entry.file != INVALID_HANDLE_VALUE) {
        CloseHandle(entry.file);
        entry.file = INVALID_HANDLE_VALUE;
    }
}

}  // namespace

struct VmrEntryBatch {
    char directory[MAX_PATH];
    char key[MAX_PATH];
    char prepared[MAX_PATH];   // where the entries are prepared: the batch's own folder, or the directory
    bool ownFolder;
    PreparedEntry* entries;
    DWORD count;
    DWORD capacity;
    bool committed;
};

namespace {

bool Grow(VmrEntryBatch& batch)
{
    if (batch.count < batch.capacity)
        return true;
    DWORD capacity = batch.capacity == 0 ? 16 : batch.capacity * 2;
    if (capacity > 0x7FFFFFFF / sizeof(PreparedEntry)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    HLOCAL grown = batch.entries == NULL
                       ? LocalAlloc(LMEM_FIXED, capacity * sizeof(PreparedEntry))
                       : LocalReAlloc(batch.entries, capacity * sizeof(PreparedEntry), LMEM_MOVEABLE);
    if (grown == NULL)
        return false;
    batch.entries = static_cast<PreparedEntry*>(grown);
    batch.capacity = capacity;
    return true;
}

// The journal: the names the commit is about to put in place, one a line,
// with "replaces" where an entry of that name waits aside. Written and
// flushed before the first rename, removed once the folder is whole again;
// what a process that ended in between leaves for the administrator.
bool WriteJournal(const VmrEntryBatch& batch, char* journal)
{
    FileHandle file = CreateNumberedFile(batch.directory, kJournalExtension, GENERIC_WRITE, FILE_SHARE_READ, journal);
    if (!file)
        return false;
    bool whole = true;
    for (DWORD i = 0; i < batch.count && whole; ++i) {
        const PreparedEntry& entry = batch.entries[i];
        char line[MAX_PATH + 16];
        CopyWhole(line, sizeof(line), FileNameOf(entry.path));
        AppendWhole(line, sizeof(line), entry.replace && IsExistingFile(entry.path) ? "\treplaces\r\n" : "\r\n");
        DWORD written = 0;
        DWORD length = static_cast<DWORD>(strlen(line));
        whole = WriteFile(file.get(), line, length, &written, NULL) && written == length;
    }
    if (whole && FlushFileBuffers(file.get()))
        return true;
    DWORD error = GetLastError();
    file.reset();
    FileCalls().deleteFile(journal);
    SetLastError(error);
    return false;
}

// The entry of a replacing write steps aside, then the prepared file takes
// its name without replacing anything: so an entry that another writer made
// meanwhile (one that does not take the lock) is never lost.
int PlaceEntry(PreparedEntry& entry)
{
    char aside[MAX_PATH];
    if (entry.replace && IsExistingFile(entry.path)) {
        if (!AsidePath(entry.path, aside) || !MoveFilePatiently(entry.path, aside))
            return VMR_BATCH_FAILED;
        entry.setAside = true;
    }
    BOOL moved = MoveFileExPatiently(entry.temporary, entry.path, MOVEFILE_WRITE_THROUGH);
    if (!moved && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        // Windows 95/98: the file is closed before its rename.
        CloseEntryFile(entry);
        moved = MoveFilePatiently(entry.temporary, entry.path);
    }
    if (moved) {
        entry.placed = true;
        CloseEntryFile(entry);
        return VMR_BATCH_DONE;
    }
    DWORD error = GetLastError();
    bool taken = (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) && IsExistingFile(entry.path);
    if (entry.setAside && MoveFilePatiently(aside, entry.path))
        entry.setAside = false;
    SetLastError(taken ? ERROR_FILE_EXISTS : error);
    return taken ? VMR_BATCH_NAME_TAKEN : VMR_BATCH_FAILED;
}

// Takes back what the commit did, last first; true when the folder is as it
// was.
bool TakeBack(VmrEntryBatch& batch, DWORD upTo)
{
    bool whole = true;
    for (DWORD i = upTo + 1; i-- > 0;) {
        PreparedEntry& entry = batch.entries[i];
        char aside[MAX_PATH];
        if (entry.placed) {
            CloseEntryFile(entry);
            if (DeleteFilePatiently(entry.path))
                entry.placed = false;
            else
                whole = false;
        }
        if (entry.setAside && !entry.placed && AsidePath(entry.path, aside) && MoveFilePatiently(aside, entry.path))
            entry.setAside = false;
        whole = whole && !entry.setAside;
    }
    return whole;
}

}  // namespace

extern "C" {

VmrEntryBatch* __stdcall VmrBeginEntryBatch(const char* directory)
{
    if (directory == NULL || directory[0] == '\0' || NamesDevice(directory)) {
        SetLastError(ERROR_INVALID_NAME);
        return NULL;
    }
    VmrEntryBatch* batch = static_cast<VmrEntryBatch*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(VmrEntryBatch)));
    if (batch == NULL)
        return NULL;
    if (!CopyWhole(batch->directory, MAX_PATH, directory) ||
        (!EndsWithBackslash(batch->directory) && !AppendWhole(batch->directory, MAX_PATH, "\\"))) {
        LocalFree(batch);
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return NULL;
    }
    FolderKey(batch->directory, batch->key);
    // A folder of its own where one can be made and every prepared file's
    // path fits in it; else the files are prepared beside the entries.
    batch->ownFolder = strlen(batch->directory) + 2 * (kNumberedNameLength + 1) < MAX_PATH &&
                       CreateNumberedFolder(batch->directory, kPreparedExtension, batch->prepared);
    if (!batch->ownFolder)
        CopyWhole(batch->prepared, MAX_PATH, batch->directory);
    return batch;
}

int __stdcall VmrAddToEntryBatch(VmrEntryBatch* batch, const VmrPhoneBook* book, const char* path, int replace)
{
    if (batch == NULL || book == NULL || path == NULL || batch->committed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char directory[MAX_PATH], key[MAX_PATH];
    if (strlen(path) >= MAX_PATH || !DirectoryOf(path, directory)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    FolderKey(directory, key);
    if (NamesDevice(path) || strcmp(key, batch->key) != 0 || LeftoverKindOf(FileNameOf(path)) != kNotLeftover) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (!Grow(*batch))
        return 0;

    unsigned char enciphered[kRecordSize];
    memcpy(enciphered, &VmrPhoneBookAccess::Record(*const_cast<VmrPhoneBook*>(book)), sizeof(enciphered));
    EncryptRecord(enciphered, static_cast<unsigned short>(sizeof(enciphered)));
    PreparedEntry& entry = batch->entries[batch->count];
    memset(&entry, 0, sizeof(entry));
    CopyWhole(entry.path, MAX_PATH, path);
    FileHandle file = PrepareTemporary(batch->prepared, enciphered, sizeof(enciphered), entry.temporary);
    // A clean-up takes the batch's folder while it holds no file yet.
    if (!file && GetLastError() == ERROR_PATH_NOT_FOUND && batch->ownFolder && CreateDirectoryA(batch->prepared, NULL))
        file = PrepareTemporary(batch->prepared, enciphered, sizeof(enciphered), entry.temporary);
    SecureZeroMemory(enciphered, sizeof(enciphered));
    if (!file)
        return 0;
    entry.file = file.release();
    entry.replace = replace != 0;
    ++batch->count;
    return 1;
}

int __stdcall VmrCommitEntryBatch(VmrEntryBatch* batch, unsigned long* failedIndex)
{
    if (failedIndex != NULL)
        *failedIndex = 0;
    if (batch == NULL || batch->committed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return VMR_BATCH_FAILED;
    }
    batch->committed = true;
    if (batch->count == 0)
        return VMR_BATCH_DONE;
    FolderWriteLock lock(batch->directory);
    if (!lock.mayWrite()) {
        SetLastError(ERROR_TIMEOUT);
        return VMR_BATCH_FAILED;
    }
    // The prepared files are held open: the clean-up passes them over.
    for (DWORD i = 0; i < batch->count; ++i)
        SweepIfDue(lock, batch->directory, batch->entries[i].path);

    char journal[MAX_PATH];
    if (!WriteJournal(*batch, journal))
        return VMR_BATCH_FAILED;
    for (DWORD i = 0; i < batch->count; ++i) {
        int placed = PlaceEntry(batch->entries[i]);
        if (placed == VMR_BATCH_DONE)
            continue;
        DWORD error = GetLastError();
        if (failedIndex != NULL)
            *failedIndex = i;
        // A folder that could not be put back keeps its journal, which
        // names what is in it.
        if (TakeBack(*batch, i))
            DeleteFilePatiently(journal);
        SetLastError(error);
        return placed;
    }
    for (DWORD i = 0; i < batch->count; ++i) {
        char aside[MAX_PATH];
        PreparedEntry& entry = batch->entries[i];
        if (entry.setAside && AsidePath(entry.path, aside))
            DeleteFilePatiently(aside);
        entry.setAside = false;
    }
    DeleteFilePatiently(journal);
    return VMR_BATCH_DONE;
}

void __stdcall VmrEndEntryBatch(VmrEntryBatch* batch)
{
    if (batch == NULL)
        return;
    for (DWORD i = 0; i < batch->count; ++i) {
        PreparedEntry& entry = batch->entries[i];
        CloseEntryFile(entry);
        if (!entry.placed)
            FileCalls().deleteFile(entry.temporary);
    }
    if (batch->ownFolder)
        RemoveDirectoryA(batch->prepared);
    if (batch->entries != NULL)
        LocalFree(batch->entries);
    LocalFree(batch);
}

int __stdcall VmrLeftoverKind(const char* fileName)
{
    switch (LeftoverKindOf(fileName)) {
    case kTemporaryLeftover:
        return VMR_LEFTOVER_TEMPORARY;
    case kAsideLeftover:
        return VMR_LEFTOVER_ASIDE;
    case kJournalLeftover:
        return VMR_LEFTOVER_JOURNAL;
    case kPreparedLeftover:
        return VMR_LEFTOVER_PREPARED;
    default:
        return VMR_LEFTOVER_NONE;
    }
}

void __stdcall VmrRemoveWriteLeftovers(const char* directory) { RemoveWriteLeftovers(directory); }

}  // extern "C"
