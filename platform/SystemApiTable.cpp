#include "SystemApiTable.h"

#include "Handles.h"

namespace {

SystemApiBindings SystemApiTable;
bool SystemApiBound;

void BindTokens(HMODULE advapi)
{
    SystemApiBindings& t = SystemApiTable;
    t.pfnOpenProcessToken = BindProc<OpenProcessTokenFn>(advapi, "OpenProcessToken");
    t.pfnOpenThreadToken = BindProc<OpenThreadTokenFn>(advapi, "OpenThreadToken");
    t.pfnGetTokenInformation = BindProc<GetTokenInformationFn>(advapi, "GetTokenInformation");
    t.pfnLookupAccountSid = BindProc<LookupAccountSidFn>(advapi, "LookupAccountSidA");
    t.pfnImpersonateLoggedOnUser = BindProc<ImpersonateLoggedOnUserFn>(advapi, "ImpersonateLoggedOnUser");
    t.pfnRevertToSelf = BindProc<RevertToSelfFn>(advapi, "RevertToSelf");
    t.pfnSetThreadToken = BindProc<SetThreadTokenFn>(advapi, "SetThreadToken");
    t.pfnCreateProcessAsUser = BindProc<CreateProcessAsUserFn>(advapi, "CreateProcessAsUserA");
    if (!t.pfnOpenProcessToken || !t.pfnOpenThreadToken || !t.pfnGetTokenInformation || !t.pfnLookupAccountSid ||
        !t.pfnImpersonateLoggedOnUser || !t.pfnRevertToSelf || !t.pfnSetThreadToken || !t.pfnCreateProcessAsUser)
        t.ForgetTokens();
    // Useless without the others, so bound only with them.
    t.pfnDuplicateTokenEx = t.HasTokens() ? BindProc<DuplicateTokenExFn>(advapi, "DuplicateTokenEx") : NULL;
}

void BindServices(HMODULE advapi)
{
    SystemApiBindings& t = SystemApiTable;
    t.pfnOpenSCManager = BindProc<OpenSCManagerFn>(advapi, "OpenSCManagerA");
    t.pfnEnumServicesStatus = BindProc<EnumServicesStatusFn>(advapi, "EnumServicesStatusA");
    t.pfnCloseServiceHandle = BindProc<CloseServiceHandleFn>(advapi, "CloseServiceHandle");
    if (!t.pfnOpenSCManager || !t.pfnEnumServicesStatus || !t.pfnCloseServiceHandle)
        t.ForgetServices();
}

void BindDesktops(HMODULE user)
{
    SystemApiBindings& t = SystemApiTable;
    t.pfnOpenInputDesktop = BindProc<OpenInputDesktopFn>(user, "OpenInputDesktop");
    t.pfnGetUserObjectInformation = BindProc<GetUserObjectInformationFn>(user, "GetUserObjectInformationA");
    t.pfnCloseDesktop = BindProc<CloseDesktopFn>(user, "CloseDesktop");
    if (!t.pfnOpenInputDesktop || !t.pfnGetUserObjectInformation || !t.pfnCloseDesktop)
        t.ForgetDesktops();
}

}  // namespace

void SystemApiBindings::ForgetTokens()
{
    pfnOpenProcessToken = NULL;
    pfnOpenThreadToken = NULL;
    pfnGetTokenInformation = NULL;
    pfnLookupAccountSid = NULL;
    pfnImpersonateLoggedOnUser = NULL;
    pfnRevertToSelf = NULL;
    pfnSetThreadToken = NULL;
    pfnCreateProcessAsUser = NULL;
    pfnDuplicateTokenEx = NULL;   // useless without the others
}

void SystemApiBindings::ForgetServices()
{
    pfnOpenSCManager = NULL;
    pfnEnumServicesStatus = NULL;
    pfnCloseServiceHandle = NULL;
}

void SystemApiBindings::ForgetDesktops()
{
    pfnOpenInputDesktop = NULL;
    pfnGetUserObjectInformation = NULL;
    pfnCloseDesktop = NULL;
}

void SystemApiBindings::ForgetTelephony()
{
    pfnLineInitialize = NULL;
    pfnLineShutdown = NULL;
    pfnLineGetCountry = NULL;
    pfnLineGetTranslateCaps = NULL;
}

void BindSystemApi()
{
    if (SystemApiBound)
        return;
    // All three are load-time imports of the library, so they are loaded
    // whenever this code runs, and stay so for as long as it does.
    BindSystemApiFrom(GetModuleHandleA("ADVAPI32.DLL"), GetModuleHandleA("USER32.DLL"),
                      GetModuleHandleA("KERNEL32.DLL"));
    SystemApiBound = true;
}

void BindSystemApiFrom(HMODULE advapi, HMODULE user, HMODULE kernel)
{
    SystemApiTable.ForgetTokens();
    SystemApiTable.ForgetServices();
    SystemApiTable.ForgetDesktops();
    if (advapi != NULL) {
        BindTokens(advapi);
        BindServices(advapi);
    }
    if (user != NULL)
        BindDesktops(user);
    SystemApiTable.pfnGetWindowsDirectory = &::GetWindowsDirectoryA;
    SystemApiTable.pfnGetSystemWindowsDirectory =
        kernel != NULL ? BindProc<GetSystemWindowsDirectoryFn>(kernel, "GetSystemWindowsDirectoryA") : NULL;
    SystemApiTable.pfnGetFinalPathNameByHandle =
        kernel != NULL ? BindProc<GetFinalPathNameByHandleFn>(kernel, "GetFinalPathNameByHandleA") : NULL;
}

SystemApiBindings& SystemApi()
{
    BindSystemApi();
    return SystemApiTable;
}

SystemApiBindings& TelephonyApi()
{
    SystemApiBindings& t = SystemApi();
    if (t.TapiTried)
        return t;
    t.TapiTried = true;
    t.TapiModule = LoadLibraryA("TAPI32.DLL");
    if (t.TapiModule == NULL)
        return t;
    // The plain names are TAPI 1.4's, which every TAPI32.DLL exports; the A
    // names came with TAPI 2 and are missing on Windows 95.
    t.pfnLineInitialize = BindProc<LineInitializeFn>(t.TapiModule, "lineInitialize");
    t.pfnLineShutdown = BindProc<LineShutdownFn>(t.TapiModule, "lineShutdown");
    t.pfnLineGetCountry = BindProc<LineGetCountryFn>(t.TapiModule, "lineGetCountry");
    t.pfnLineGetTranslateCaps = BindProc<LineGetTranslateCapsFn>(t.TapiModule, "lineGetTranslateCaps");
    if (!t.pfnLineInitialize || !t.pfnLineShutdown || !t.pfnLineGetCountry || !t.pfnLineGetTranslateCaps) {
        ReleaseTelephonyApi();
        t.TapiTried = true;
    }
    return t;
}

void ReleaseTelephonyApi()
{
    SystemApiBindings& t = SystemApiTable;
    t.ForgetTelephony();
    if (t.TapiModule != NULL) {
        FreeLibrary(t.TapiModule);
        t.TapiModule = NULL;
    }
    t.TapiTried = false;
}

void CloseBoundServiceHandle(SC_HANDLE handle) { SystemApiTable.pfnCloseServiceHandle(handle); }
void CloseBoundDesktop(HDESK desktop) { SystemApiTable.pfnCloseDesktop(desktop); }
