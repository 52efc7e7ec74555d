// Whether a text can be a connection's name. The wizard's name page and
// pbtool (which compiles this file in, with DeviceNames.cpp) ask this one
// rule, so that a name one of them takes the other takes too.
#ifndef PHONEBK_ENTRYNAMES_H
#define PHONEBK_ENTRYNAMES_H

// The characters a connection name may not hold, in the order the wizard's
// message lists them: \ / : * ? " < > |
extern const char kForbiddenNameCharacters[];

// Why a name is refused, in the order the checks run: a name is refused for
// the first reason only.
enum EntryNameProblem {
    kNameUsable,
    kNameBlank,                // empty, or nothing but spaces
    kNameForbiddenCharacter,   // holds one of kForbiddenNameCharacters, or a control character
    kNameDevice,               // names a device (DeviceNames.h)
    kNameTooLong               // directory, name and ".vmr" do not fit in 260 bytes
};

// Judges a name (as typed, without its directory) for the phone book
// directory given (with its trailing backslash; null or "" when the length
// is not to be judged). Characters are walked in the ANSI code page, so the
// trail byte of a double-byte character (0x5C in Shift-JIS) is never taken
// for a backslash. ".vmr" is added to the length unless the name already
// ends in it (any ASCII case), as the entry's file is named.
EntryNameProblem FindEntryNameProblem(const char* directory, const char* name);

#endif
