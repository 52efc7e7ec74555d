// Entry names and entry files: how a name becomes a path, and the helpers the
// wizard's name page shares with the file verbs.
#ifndef PHONEBK_ENTRYFILES_H
#define PHONEBK_ENTRYFILES_H

#include <stddef.h>

#include "EntryWriter.h"
#include "Handles.h"

class VmrPhoneBook;

// The phone book whose wizard or property sheet is open. Set before any dialog
// shows and never cleared.
extern VmrPhoneBook* CurrentPhoneBook;

// True when the name has a drive or a directory (the C runtime's _splitpath
// rules). A name of 260 bytes or more is no name at all: false.
bool HasDirectoryPart(const char* name);

// The name itself when it has a directory part, else the phone book directory
// followed by the name, into path (260 bytes). False when the result does not
// fit, when the phone book has no usable directory, or when the name or the
// path reaches a device (DeviceNames.h); a path is never cut.
bool ResolveEntryPath(VmrPhoneBook& book, const char* name, char* path);

// Appends ".vmr" to the path (260 bytes) unless its extension already is
// ".vmr" in any ASCII case. False, and the path unchanged, when it does not fit.
bool AppendEntryExtension(char* path);

// The file of the book's own entry: its PhoneBookPath, its EntryName and
// ".vmr" unless the name already ends in it, into path (260 bytes). False
// when that does not fit: the wizard and the Properties sheet write there.
bool ComposeEntryFilePath(VmrPhoneBook& book, char* path);

// Writes the book's record, enciphered, to the entry file at path (no
// extension is added) as WriteEntryBytes (EntryWriter.h) writes: never torn,
// and with replace false a file of that name that exists by then stays as it
// is (kEntryWriteExists).
EntryWrite WriteEntryFile(VmrPhoneBook& book, const char* path, bool replace);

// Removes leading and trailing blanks (0x20 only) in place; 1 when any went.
int TrimSpaces(char* text);

// 1 when the file can be opened for reading as IsValidEntry opens it. A name
// without a directory part lies in CurrentPhoneBook's directory; no extension
// is added. A device's name is 0 without any open.
int EntryFileExists(const char* path);

// Opens an entry file for reading as every verb does (no sharing); an
// invalid handle when that fails or when what opened is not a file on a disk
// (a pipe, a console, a port reached by some other path), which is closed at
// once: nothing the library does waits on a device.
FileHandle OpenEntryForReading(const char* path);

#endif
