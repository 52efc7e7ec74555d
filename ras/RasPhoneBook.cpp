// RasPhoneBook: the host's verbs over the Dial-Up Networking phone book.
// Every RAS call goes through the functions bound at start-up and names the
// default phone book.
#include "RasPhoneBook.h"

#include <mbstring.h>
#include <new>
#include <string.h>

#include "DialUpEntry.h"
#include "Handles.h"
#include "RasApiTable.h"
#include "SecurityLogin.h"

static_assert(sizeof(RasPhoneBook) == 256, "RasPhoneBook is allocated by hosts");

RasPhoneBook::RasPhoneBook()
{
    InitializeClassData();
}

RasPhoneBook::~RasPhoneBook()
{
}

RasPhoneBook& RasPhoneBook::operator=(const RasPhoneBook& other)
{
    if (this != &other)
        memcpy(Buffer, other.Buffer, sizeof(Buffer));
    return *this;
}

void RasPhoneBook::InitializeClassData()
{
    Buffer[0] = '\0';
}

// An empty phone book counts as a failure, as the host has always seen it.
int RasPhoneBook::EnumEntryNames(RasEnumEntryProc callback, long value)
{
    if (callback == NULL)
        return 0;
    EntrySnapshot snapshot;
    if (!snapshot.Take() || snapshot.Count() == 0)
        return 0;
    // The callback's answer cannot stop the walk. It may keep the name only
    // for the call, so it gets a pointer into the snapshot.
    for (DWORD i = 0; i < snapshot.Count(); ++i)
        callback(const_cast<char*>(snapshot.Name(i)), value);
    return 1;
}

int RasPhoneBook::IsValidEntry(char* name)
{
    if (name == NULL)
        return 0;
    EntrySnapshot snapshot;
    if (!snapshot.Take())
        return 0;
    for (DWORD i = 0; i < snapshot.Count(); ++i) {
        if (_mbsicmp(reinterpret_cast<const unsigned char*>(snapshot.Name(i)),
                     reinterpret_cast<const unsigned char*>(name)) == 0)
            return 1;
    }
    return 0;
}

// No login here: the system's own dialog guards the phone book.
int RasPhoneBook::QueryCreateEntry(HWND owner, char* name, unsigned short size)
{
    return CreateDialUpEntry(owner, name, size);
}

int RasPhoneBook::QueryProperties(HWND owner, char* name)
{
    if (!EnsureSecurityLogin(owner, kConnectionRight))
        return 0;
    RasEditPhonebookEntryFn editEntry = RasApiTable.pfnRasEditPhonebookEntry;
    if (RasApiTable.RasApiModule == NULL || editEntry == NULL)
        return 0;
    // The dialog reports its own errors; the host only learns it was shown.
    editEntry(owner, NULL, name);
    return 1;
}

namespace {

// Removes the value named after the entry; its absence is no failure.
bool DeleteAddressValue(HKEY root, const char* keyName, const char* entryName)
{
    RegKey key;
    if (RegOpenKeyA(root, keyName, key.receive()) != ERROR_SUCCESS)
        return false;
    RegDeleteValueA(key.get(), entryName);
    return true;
}

}  // namespace

// The registry alone: no RAS call, no login. A null or empty name would
// reach the keys' default values, which belong to no entry.
int RasPhoneBook::DeleteEntry(char* name)
{
    if (name == NULL || name[0] == '\0')
        return 0;
    if (!DeleteAddressValue(HKEY_CURRENT_USER, "RemoteAccess\\Addresses", name))
        return 0;
    if (!DeleteAddressValue(HKEY_USERS, ".Default\\RemoteAccess\\Addresses", name))
        return 0;
    return 1;
}

int RasPhoneBook::RenameEntry(char*, char*)
{
    return 0;
}

int RasPhoneBook::CopyEntry(char*, char*)
{
    return 0;
}

// Hosts built with Microsoft's compiler expect a constructor to hand back
// `this`; MinGW's do not. The DLL exports this under the Microsoft name.
extern "C" __attribute__((thiscall)) RasPhoneBook* MsvcConstructRasPhoneBook(RasPhoneBook* self)
{
    return new (self) RasPhoneBook();
}
