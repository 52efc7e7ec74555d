// Where pbtool's writes and clean-up meet the library: every entry pbtool
// puts in place, and every leftover it judges or clears, goes through here,
// so the protocol of the writes lives in PhoneBk.dll alone.
#ifndef PBTOOL_WRITE_H
#define PBTOOL_WRITE_H

#include <string>

// What a file of a phone book folder is to the library's writes, by its
// long name.
enum LeftoverKindOfFile { kLeftoverNone, kLeftoverTemporary, kLeftoverAside, kLeftoverJournal };
LeftoverKindOfFile LeftoverKind(const std::string& fileName);

// Clears what ended writes left in the directory, in turn with the library's
// writers: temporary files nobody holds, entries set aside. Journals stay.
void RemoveLeftovers(const std::string& directory);

#endif
