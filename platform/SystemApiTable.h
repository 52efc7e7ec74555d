// The system functions that not every Windows the library runs on exports,
// bound by name at run time. A load-time import of any of them would make the
// loader refuse the whole library on the system that lacks it, and the host
// would not start at all:
// - tokens, impersonation, the service control manager and desktops exist on
//   Windows NT only (Windows 95/98 export none of them, or not all);
// - DuplicateTokenEx exists from Windows NT 4 on, GetSystemWindowsDirectoryA
//   from Windows 2000 on;
// - TAPI32.DLL is missing on Windows NT 3.51, and the TAPI 1.4 of Windows 95
//   has only the plain names (lineGetCountry, not lineGetCountryA).
// The groups below are bound whole or not at all; a null pointer means the
// system lacks the group, and each user then takes the path the library
// takes when the call fails.
//
// The table is also the tests' seam: a test may put a function of its own in
// a field for a while (it must put the system's back).
#ifndef PHONEBK_SYSTEMAPITABLE_H
#define PHONEBK_SYSTEMAPITABLE_H

#include <windows.h>
#include <tapi.h>

// GetProcAddress answers a generic pointer; going through void (*)() keeps
// the compiler's function-cast check quiet without hiding a real mismatch
// (the target type itself comes from the declaration).
template <typename Fn>
Fn BindProc(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The pointer types are taken from the declarations, so a wrong signature
// fails to compile rather than to run. (The headers turn lineGetCountry and
// lineGetTranslateCaps into the A names; the signatures are the same, and the
// names bound are the plain ones.)
typedef decltype(&::OpenProcessToken) OpenProcessTokenFn;
typedef decltype(&::OpenThreadToken) OpenThreadTokenFn;
typedef decltype(&::GetTokenInformation) GetTokenInformationFn;
typedef decltype(&::LookupAccountSidA) LookupAccountSidFn;
typedef decltype(&::ImpersonateLoggedOnUser) ImpersonateLoggedOnUserFn;
typedef decltype(&::RevertToSelf) RevertToSelfFn;
typedef decltype(&::SetThreadToken) SetThreadTokenFn;
typedef decltype(&::CreateProcessAsUserA) CreateProcessAsUserFn;
typedef decltype(&::DuplicateTokenEx) DuplicateTokenExFn;
typedef decltype(&::OpenSCManagerA) OpenSCManagerFn;
typedef decltype(&::EnumServicesStatusA) EnumServicesStatusFn;
typedef decltype(&::CloseServiceHandle) CloseServiceHandleFn;
typedef decltype(&::OpenInputDesktop) OpenInputDesktopFn;
typedef decltype(&::GetUserObjectInformationA) GetUserObjectInformationFn;
typedef decltype(&::CloseDesktop) CloseDesktopFn;
typedef decltype(&::GetWindowsDirectoryA) GetWindowsDirectoryFn;
typedef decltype(&::GetSystemWindowsDirectoryA) GetSystemWindowsDirectoryFn;
typedef DWORD(WINAPI* GetFinalPathNameByHandleFn)(HANDLE file, LPSTR path, DWORD size, DWORD flags);
typedef decltype(&::lineInitialize) LineInitializeFn;
typedef decltype(&::lineShutdown) LineShutdownFn;
typedef decltype(&::lineGetCountry) LineGetCountryFn;
typedef decltype(&::lineGetTranslateCaps) LineGetTranslateCapsFn;

struct SystemApiBindings
{
    // ADVAPI32.DLL, Windows NT 3.51 and later: the tokens and impersonation.
    OpenProcessTokenFn pfnOpenProcessToken;
    OpenThreadTokenFn pfnOpenThreadToken;
    GetTokenInformationFn pfnGetTokenInformation;
    LookupAccountSidFn pfnLookupAccountSid;
    ImpersonateLoggedOnUserFn pfnImpersonateLoggedOnUser;
    RevertToSelfFn pfnRevertToSelf;
    SetThreadTokenFn pfnSetThreadToken;
    CreateProcessAsUserFn pfnCreateProcessAsUser;
    // ADVAPI32.DLL, Windows NT 4 and later; alone.
    DuplicateTokenExFn pfnDuplicateTokenEx;
    // ADVAPI32.DLL, Windows NT: the service control manager.
    OpenSCManagerFn pfnOpenSCManager;
    EnumServicesStatusFn pfnEnumServicesStatus;
    CloseServiceHandleFn pfnCloseServiceHandle;
    // USER32.DLL, Windows NT: the desktops.
    OpenInputDesktopFn pfnOpenInputDesktop;
    GetUserObjectInformationFn pfnGetUserObjectInformation;
    CloseDesktopFn pfnCloseDesktop;
    // KERNEL32.DLL. The Windows directory is a load-time import on every
    // system and sits here only as a seam: on a terminal server it is the
    // user's own folder. The system's is Windows 2000's and later's alone.
    GetWindowsDirectoryFn pfnGetWindowsDirectory;
    GetSystemWindowsDirectoryFn pfnGetSystemWindowsDirectory;
    // KERNEL32.DLL, Windows Vista and later (and Wine): where a handle
    // really leads, which gives a link away; alone.
    GetFinalPathNameByHandleFn pfnGetFinalPathNameByHandle;
    // TAPI32.DLL, loaded at the first telephony call and freed at the last
    // detach.
    HMODULE TapiModule;
    bool TapiTried;
    LineInitializeFn pfnLineInitialize;
    LineShutdownFn pfnLineShutdown;
    LineGetCountryFn pfnLineGetCountry;
    LineGetTranslateCapsFn pfnLineGetTranslateCaps;

    // Empty a group, as on a system that lacks it: the binder when a group
    // is not whole, the tests' seam to stand in for such a system.
    void ForgetTokens();
    void ForgetServices();
    void ForgetDesktops();
    void ForgetTelephony();   // the functions only; the module stays

    bool HasTokens() const { return pfnOpenProcessToken != NULL; }
    bool HasServices() const { return pfnOpenSCManager != NULL; }
    bool HasDesktops() const { return pfnOpenInputDesktop != NULL; }
    bool HasTelephony() const { return pfnLineInitialize != NULL; }
};

// The table, its system functions bound at the first call (the entry point
// makes that call, so that in the library nothing races to bind). Only
// modules the library imports at load time are looked at here: no library
// is loaded.
SystemApiBindings& SystemApi();
void BindSystemApi();

// Binds the token, service and desktop groups from these modules (NULL: none
// of its group), a group only when the module exports all of it. The older
// systems lack some of these functions; a test gives a module that does.
void BindSystemApiFrom(HMODULE advapi, HMODULE user, HMODULE kernel);

// The table with the telephony group bound: TAPI32.DLL is loaded at the first
// call of the process (later calls do not try again when it is missing).
SystemApiBindings& TelephonyApi();

// At the last detach: frees TAPI32.DLL and empties the telephony group; the
// next telephony call would bind it again.
void ReleaseTelephonyApi();

#endif
