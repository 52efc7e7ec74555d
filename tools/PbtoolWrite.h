// Where pbtool's writes and clean-up meet the library: every entry pbtool
// puts in place, and every leftover it judges or clears, goes through here,
// so the protocol of the writes lives in PhoneBk.dll alone.
#ifndef PBTOOL_WRITE_H
#define PBTOOL_WRITE_H

#include <stddef.h>

#include <string>

#include "VmrPhoneBook.h"

struct VmrEntryBatch;

// Entries written all or nothing, through the library's batch: each added
// entry is prepared in full beside its name, and the commit puts all of them
// in place or none. An entry added without replace never takes a name that
// exists by then, by any spelling the file system accepts. Whatever was not
// committed is removed when the object goes.
class EntryBatch
{
public:
    explicit EntryBatch(const std::string& directory);
    ~EntryBatch();
    EntryBatch(const EntryBatch&) = delete;
    EntryBatch& operator=(const EntryBatch&) = delete;

    // False when the batch could not be begun (memory, a directory too long).
    bool begun() const { return batch_ != NULL; }
    // Prepares the book's record as the entry file at path; false, with
    // GetLastError() set, when it could not be.
    bool Add(VmrPhoneBook& book, const std::string& path, bool replace);

    enum Outcome { kDone, kNameTaken, kFailed };
    // failed: the index (in the order of adding) of the entry that could not
    // take its place; GetLastError() tells why for kFailed.
    Outcome Commit(size_t* failed);

private:
    VmrEntryBatch* batch_;
};

// What a file of a phone book folder is to the library's writes, by its
// long name.
enum LeftoverKindOfFile { kLeftoverNone, kLeftoverTemporary, kLeftoverAside, kLeftoverJournal, kLeftoverPrepared };
LeftoverKindOfFile LeftoverKind(const std::string& fileName);

// Clears what ended writes left in the directory, in turn with the library's
// writers: temporary files nobody holds, entries set aside, the folders of
// ended batches. Journals stay.
void RemoveLeftovers(const std::string& directory);

#endif
