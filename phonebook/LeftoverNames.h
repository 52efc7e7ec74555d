// The names of the files the library's writes make beside the entries, and
// what a file of the folder is to them.
#ifndef PHONEBK_LEFTOVERNAMES_H
#define PHONEBK_LEFTOVERNAMES_H

#include <stddef.h>

enum LeftoverKind {
    kNotLeftover,        // an entry file, or anything else: none of the writes' business
    kTemporaryLeftover,  // "~vmrXXXX.tmp": a write's own file until it takes the entry's name
    kAsideLeftover,      // "NAME.vm~": an entry set aside while another takes its place
    kJournalLeftover,    // "~vmrXXXX.job": the list of a batch being put in place
    kPreparedLeftover,   // "~vmrXXXX.new": a folder of a batch's prepared files
};

// By the long name alone; a null name is none.
LeftoverKind LeftoverKindOf(const char* fileName);

const size_t kNumberedNameLength = 12;   // "~vmr" + four digits + ".tmp"

// "~vmrXXXX" and the extension (".tmp", ".job" or ".new"), the number in four
// upper-case hexadecimal digits, into name (kNumberedNameLength + 1 bytes).
void FormatNumberedName(unsigned number, const char* extension, char* name);
extern const char kTemporaryExtension[];
extern const char kJournalExtension[];
extern const char kPreparedExtension[];

// The name an entry steps aside to: "NAME.vm~" for "NAME.vmr", as long as the
// entry's own, and matched neither by "*.vmr" (the listing's pattern, also
// through short names) nor by any clean-up's removal while no entry has its
// name. False when the path is not an entry's.
bool AsidePath(const char* path, char* aside);
bool EntryPathOfAside(const char* aside, char* path);

// A directory and a file name in it, into path (MAX_PATH bytes): a separator
// between them unless the directory ends in one ('\\' judged by characters,
// or '/'). False when that does not fit.
bool PathBeside(const char* directory, const char* name, char* path);

// True when a file (not a folder) of that name exists.
bool IsExistingFile(const char* path);

#endif
