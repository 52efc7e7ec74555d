// The functions the library binds at run time: Dial-Up Networking from
// RASAPI32.DLL and the security login from GATEUI.DLL. Neither is a load-time
// dependency, so the library loads on systems that lack them; every user tests
// the binding before a call.
#ifndef PHONEBK_RASAPITABLE_H
#define PHONEBK_RASAPITABLE_H

#include <windows.h>
#include <ras.h>

// GATEUI.DLL's export: 0 grants the right to the user at the owner window.
extern "C" DWORD WINAPI QuerySecurityLogin(HWND owner, DWORD right);

// The pointer types are taken from the declarations, so a wrong signature
// fails to compile rather than to run.
typedef decltype(&::RasEnumEntriesA) RasEnumEntriesFn;
typedef decltype(&::RasCreatePhonebookEntryA) RasCreatePhonebookEntryFn;
typedef decltype(&::RasEditPhonebookEntryA) RasEditPhonebookEntryFn;
typedef decltype(&::QuerySecurityLogin) QuerySecurityLoginFn;

// Written only by the entry point at the first attach and the last detach;
// read-only in between, so readers take no lock.
// The three RAS pointers are all set or all null, and set only while
// RasApiModule is. pfnQuerySecurityLogin is null whenever SecurityUiModule is.
struct RasApiBindings
{
    HMODULE RasApiModule;
    RasEnumEntriesFn pfnRasEnumEntries;
    RasCreatePhonebookEntryFn pfnRasCreatePhonebookEntry;
    RasEditPhonebookEntryFn pfnRasEditPhonebookEntry;
    HMODULE SecurityUiModule;
    QuerySecurityLoginFn pfnQuerySecurityLogin;
};

extern RasApiBindings RasApiTable;
extern HINSTANCE ModuleInstance;      // all resources come from here
extern LONG ProcessAttachCount;

// The start-up binding of the first attach, and the release of the last
// detach. The start-up binding also sets the process's error mode.
void BindLibraries();
void ReleaseLibraries();

// True on Windows NT when the RasArp and NdisWan drivers are both running.
bool IsRasInstalled();

#endif
