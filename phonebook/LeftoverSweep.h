// The clean-up of what ended writes left in a folder.
//
// How a write in progress keeps its temporary file, and how the clean-up
// tells it from a leftover: a write makes its temporary file with CREATE_NEW
// (the name is its own from the start) and, on Windows NT, holds it open
// until after the rename that puts it in the entry's place, sharing it for
// deletion only, which the rename needs. The clean-up opens a leftover with
// share mode 0, which fails while any handle is open, so that it never takes
// the file of a write in progress; a leftover is a file nobody holds: its
// writer ended first, and the system closed its handles when it did.
//
// On Windows 95/98 there is no delete sharing: a write closes its file before
// it renames it. What keeps a clean-up from taking such a file between the
// close and the rename is the folder's write lock, which the clean-up takes
// too.
#ifndef PHONEBK_LEFTOVERSWEEP_H
#define PHONEBK_LEFTOVERSWEEP_H

// Clears the folder, which the caller holds the write lock of: temporary
// files that no write holds open go, in the folder and in the folders of
// batches ("~vmrXXXX.new", which go once empty), and an entry set aside goes
// back to its name when no entry took it (it goes when one did). Journals of
// batches, files of other names, other folders and links are never touched.
void SweepFolder(const char* directory);

// The same, taking the folder's write lock first (never without it: a Windows
// 95/98 write may be between its renames).
void RemoveWriteLeftovers(const char* directory);

#endif
