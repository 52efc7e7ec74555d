// How an entry file is written so that it is never torn and never lost: the
// bytes go to a temporary file beside the entry, are flushed, and only then
// take the entry's place, in the folder's write lock (FolderWriteLock.h).
// The first write of a process in a folder, and a write that finds the
// previous writer ended abruptly, first clears the leftovers of ended writes
// there (LeftoverSweep.h).
#ifndef PHONEBK_ENTRYWRITER_H
#define PHONEBK_ENTRYWRITER_H

#include <windows.h>

#include "FolderWriteLock.h"
#include "Handles.h"
#include "LeftoverSweep.h"
#include "WriteCalls.h"

enum EntryWrite { kEntryWriteDone, kEntryWriteExists, kEntryWriteFailed };

// Writes size bytes to the file at path (an entry file: its name ends in
// ".vmr") through a temporary file beside it. With replace false, a file of
// that name that exists by the time the new one would take its place stays as
// it is: kEntryWriteExists.
EntryWrite WriteEntryBytes(const char* path, const unsigned char* bytes, DWORD size, bool replace);

// What a batch of writes (EntryBatch.cpp) shares with the single write.

// The directory part of a path, with its separator ("." for a bare name),
// into directory (MAX_PATH bytes).
bool DirectoryOf(const char* path, char* directory);

// A new file in the directory under a name "~vmrXXXX" and the extension,
// its number scattered over all 65,536, opened with the access and sharing
// given (and the calls' entry-open flags), its path in path (MAX_PATH bytes).
// Invalid when 64 names were taken, or the file is on no disk.
FileHandle CreateNumberedFile(const char* directory, const char* extension, DWORD access, DWORD sharing, char* path);

// A new folder in the directory under a name of the same form, its path with
// a separator in path (MAX_PATH bytes). False when 64 names were taken, or it
// could not be made or named in full.
bool CreateNumberedFolder(const char* directory, const char* extension, char* path);

// A new file beside the entry, under a name of the temporary form, written
// in full and flushed, its name in temporary (MAX_PATH bytes); shared for
// deletion only where the system can (the rename needs it). Invalid when any
// of it failed: then nothing of it is left.
FileHandle PrepareTemporary(const char* directory, const unsigned char* bytes, DWORD size, char* temporary);

// Clears the folder first when the lock says it is due, or when an entry of
// this path was left set aside by a Windows 95/98 writer that ended between
// its renames (its end need not have left the mutex abandoned).
void SweepIfDue(FolderWriteLock& lock, const char* directory, const char* path);

#endif
