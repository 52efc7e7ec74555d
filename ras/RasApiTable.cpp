#include "RasApiTable.h"

#include <mbstring.h>

#include "Handles.h"
#include "SystemApiTable.h"
#include "WindowsVersion.h"

RasApiBindings RasApiTable;
HINSTANCE ModuleInstance;
LONG ProcessAttachCount;

namespace {

const DWORD kServiceBatchBytes = 1152;

bool SameServiceName(const char* name, const char* wanted)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(name),
                    reinterpret_cast<const unsigned char*>(wanted)) == 0;
}

void BindDialUpNetworking()
{
    RasApiTable.RasApiModule = LoadLibraryA("RASAPI32.DLL");
    if (RasApiTable.RasApiModule == NULL)
        return;
    // All three are looked up, whatever the first answers.
    RasApiTable.pfnRasEnumEntries = BindProc<RasEnumEntriesFn>(RasApiTable.RasApiModule, "RasEnumEntriesA");
    RasApiTable.pfnRasCreatePhonebookEntry =
        BindProc<RasCreatePhonebookEntryFn>(RasApiTable.RasApiModule, "RasCreatePhonebookEntryA");
    RasApiTable.pfnRasEditPhonebookEntry =
        BindProc<RasEditPhonebookEntryFn>(RasApiTable.RasApiModule, "RasEditPhonebookEntryA");
    if (RasApiTable.pfnRasEnumEntries == NULL || RasApiTable.pfnRasCreatePhonebookEntry == NULL ||
        RasApiTable.pfnRasEditPhonebookEntry == NULL) {
        RasApiTable.pfnRasEnumEntries = NULL;
        RasApiTable.pfnRasCreatePhonebookEntry = NULL;
        RasApiTable.pfnRasEditPhonebookEntry = NULL;
        FreeLibrary(RasApiTable.RasApiModule);
        RasApiTable.RasApiModule = NULL;
    }
}

void BindSecurityLogin()
{
    RasApiTable.SecurityUiModule = LoadLibraryA("GATEUI.DLL");
    if (RasApiTable.SecurityUiModule != NULL)
        RasApiTable.pfnQuerySecurityLogin =
            BindProc<QuerySecurityLoginFn>(RasApiTable.SecurityUiModule, "QuerySecurityLogin");
}

}  // namespace

void BindLibraries()
{
    // For the whole host process, and never restored: a missing floppy or a
    // dead network drive must not stop the host with a system box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Here, under the loader's lock, so that no two threads bind at once
    // later; it only looks into modules already loaded.
    BindSystemApi();

    // On Windows 2000 and later RAS is bound whatever the driver test says,
    // but the test still runs first.
    if (!IsWindowsNT() || IsRasInstalled() || IsWindows2000OrLater())
        BindDialUpNetworking();
    BindSecurityLogin();
}

void ReleaseLibraries()
{
    if (RasApiTable.RasApiModule != NULL) {
        RasApiTable.pfnRasEnumEntries = NULL;
        RasApiTable.pfnRasCreatePhonebookEntry = NULL;
        RasApiTable.pfnRasEditPhonebookEntry = NULL;
        FreeLibrary(RasApiTable.RasApiModule);
        RasApiTable.RasApiModule = NULL;
    }
    if (RasApiTable.SecurityUiModule != NULL) {
        RasApiTable.pfnQuerySecurityLogin = NULL;
        FreeLibrary(RasApiTable.SecurityUiModule);
        RasApiTable.SecurityUiModule = NULL;
    }
    ReleaseTelephonyApi();
}

bool IsRasInstalled()
{
    // Without the service control manager (not Windows NT) there is no
    // driver to test.
    const SystemApiBindings& api = SystemApi();
    if (!IsWindowsNT() || !api.HasServices())
        return false;
    ServiceHandle manager(api.pfnOpenSCManager(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        return false;

    bool rasArpFound = false;
    bool ndisWanFound = false;
    DWORD resume = 0;
    for (;;) {
        union {
            ENUM_SERVICE_STATUSA first;
            BYTE bytes[kServiceBatchBytes];
        } batch;
        DWORD bytesNeeded = 0;
        DWORD returned = 0;
        BOOL ok = api.pfnEnumServicesStatus(manager.get(), SERVICE_DRIVER, SERVICE_ACTIVE, &batch.first,
                                      sizeof(batch), &bytesNeeded, &returned, &resume);
        DWORD error = ok ? ERROR_SUCCESS : GetLastError();

        const ENUM_SERVICE_STATUSA* services = &batch.first;
        for (DWORD i = 0; i < returned && !(rasArpFound && ndisWanFound); ++i) {
            if (SameServiceName(services[i].lpServiceName, "RasArp"))
                rasArpFound = true;
            else if (SameServiceName(services[i].lpServiceName, "NdisWan"))
                ndisWanFound = true;
        }
        if (rasArpFound && ndisWanFound)
            break;
        // Only a full buffer is worth another call; any other failure, or a
        // batch that made no progress, would loop for ever.
        if (!ok && (error != ERROR_MORE_DATA || returned == 0))
            break;
        if (bytesNeeded == 0)
            break;
    }
    return rasArpFound && ndisWanFound;
}
