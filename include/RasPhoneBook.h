/*
 * RasPhoneBook.h - the Windows Dial-Up Networking phone book, as exported by
 * PhoneBk.dll.
 *
 * A RasPhoneBook offers the verbs of VmrPhoneBook over the entries of the
 * system's default Dial-Up Networking phone book. It is a plain, byte-packed
 * object of 256 bytes that the host allocates itself and copies by value;
 * never add a member, a base class or a virtual function. No operation reads
 * Buffer: it only gives the object its size.
 *
 * Every member is a non-virtual __thiscall member, exported under the name
 * MinGW gives it and under the name Microsoft's compiler gives it.
 * Results are 1 for success and 0 for failure. When Dial-Up Networking is not
 * installed every RAS verb answers 0.
 *
 * The header needs nothing from <windows.h>; it may be included before or
 * after it, and beside VmrPhoneBook.h.
 */
#ifndef RASPHONEBOOK_H
#define RASPHONEBOOK_H

/* The same definitions as VmrPhoneBook.h, token for token. */
#if defined(PHONEBK_BUILD)
#define PHONEBK_CLASS
#else
#define PHONEBK_CLASS __declspec(dllimport)
#endif

struct HWND__;
typedef struct HWND__* HWND;

#define PHONEBK_CALLBACK __stdcall

/* The enumeration callback: the entry's name and the caller's value. The
   name is valid only during the call; the result is ignored. */
typedef int (PHONEBK_CALLBACK* RasEnumEntryProc)(char* entry, long value);

#pragma pack(push, 1)

class PHONEBK_CLASS RasPhoneBook
{
public:
    RasPhoneBook();
    ~RasPhoneBook();
    RasPhoneBook& operator=(const RasPhoneBook& other);

    /* Calls back once per entry, in the phone book's order. 0 when the
       phone book is empty or cannot be read. */
    int  EnumEntryNames(RasEnumEntryProc callback, long value);
    /* Whether an entry of that name exists, without regard to case. */
    int  IsValidEntry(char* name);
    /* Shows the system's new-entry dialog; 1 with the new entry's name in
       name (cut to size - 1 bytes, terminated) when one entry was added. */
    int  QueryCreateEntry(HWND owner, char* name, unsigned short size);
    /* Asks for the security login, then shows the entry's system properties
       dialog; 0 when the login is refused or Dial-Up Networking is missing. */
    int  QueryProperties(HWND owner, char* name);
    /* Removes the entry's value from the current user's and the default
       user's RemoteAccess\Addresses keys; 1 when both keys could be opened. */
    int  DeleteEntry(char* name);
    /* Not supported: always 0, and nothing changes. */
    int  RenameEntry(char* oldName, char* newName);
    int  CopyEntry(char* sourceName, char* targetName);

    char Buffer[256];

private:
    void InitializeClassData();
};

#pragma pack(pop)

#endif /* RASPHONEBOOK_H */
