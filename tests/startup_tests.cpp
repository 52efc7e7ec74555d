// The entry point: attach counting, the run-time binding and its release.
#include <gtest/gtest.h>
#include <stdio.h>

#include "PageConventions.h"
#include "RasApiTable.h"
#include "SystemApiSeam.h"
#include "TestSupport.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

bool TableIsEmpty()
{
    return RasApiTable.RasApiModule == NULL && RasApiTable.pfnRasEnumEntries == NULL &&
           RasApiTable.pfnRasCreatePhonebookEntry == NULL && RasApiTable.pfnRasEditPhonebookEntry == NULL &&
           RasApiTable.SecurityUiModule == NULL && RasApiTable.pfnQuerySecurityLogin == NULL;
}

TEST(EntryPoint, BindsOnTheFirstAttachAndReleasesOnTheLast)
{
    HINSTANCE self = GetModuleHandleA(NULL);
    ASSERT_TRUE(TableIsEmpty());
    ASSERT_EQ(0, ProcessAttachCount);

    EXPECT_TRUE(DllMain(self, DLL_PROCESS_ATTACH, NULL));
    EXPECT_EQ(1, ProcessAttachCount);
    EXPECT_EQ(self, ModuleInstance);
    // Wine reports Windows 7: Dial-Up Networking is bound whatever the
    // driver test says, and all three functions come together.
    ASSERT_NE(nullptr, RasApiTable.RasApiModule);
    EXPECT_NE(nullptr, RasApiTable.pfnRasEnumEntries);
    EXPECT_NE(nullptr, RasApiTable.pfnRasCreatePhonebookEntry);
    EXPECT_NE(nullptr, RasApiTable.pfnRasEditPhonebookEntry);
    HMODULE boundRas = RasApiTable.RasApiModule;
    UINT mode = SetErrorMode(0);
    SetErrorMode(mode);
    EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX), mode);

    // Threads and further attaches change nothing.
    EXPECT_TRUE(DllMain(self, DLL_THREAD_ATTACH, NULL));
    EXPECT_TRUE(DllMain(self, DLL_THREAD_DETACH, NULL));
    EXPECT_TRUE(DllMain(self, DLL_PROCESS_ATTACH, NULL));
    EXPECT_EQ(2, ProcessAttachCount);
    EXPECT_EQ(boundRas, RasApiTable.RasApiModule);
    EXPECT_TRUE(DllMain(self, DLL_PROCESS_DETACH, NULL));
    EXPECT_EQ(1, ProcessAttachCount);
    EXPECT_EQ(boundRas, RasApiTable.RasApiModule);

    EXPECT_TRUE(DllMain(self, 99, NULL));   // an unknown reason is no failure

    EXPECT_TRUE(DllMain(self, DLL_PROCESS_DETACH, NULL));
    EXPECT_EQ(0, ProcessAttachCount);
    EXPECT_TRUE(TableIsEmpty());
}

// Whether GATEUI.DLL is there is tested with doubles (tests/ras); here, the
// real DLL loads and unloads in a host process.
TEST(EntryPoint, LoadsAndUnloadsInAHost)
{
    HMODULE library = LoadLibraryA("PhoneBk.dll");
    ASSERT_NE(nullptr, library);
    EXPECT_NE(nullptr, GetProcAddress(library, "??0VmrPhoneBook@@QAE@XZ"));
    EXPECT_TRUE(FreeLibrary(library));
}

TEST(RasDrivers, WineRunsNeitherDriverAndTheSearchEnds)
{
    EXPECT_FALSE(IsRasInstalled());
}

// The service manager, faked: it hands out the drivers one a call, resuming
// where the caller's handle says, as a full buffer would.
const char* const* FakeDrivers;
DWORD FakeDriverCount;

SC_HANDLE WINAPI FakeOpenSCManager(LPCSTR, LPCSTR, DWORD)
{
    return reinterpret_cast<SC_HANDLE>(1);
}

BOOL WINAPI FakeCloseServiceHandle(SC_HANDLE)
{
    return TRUE;
}

BOOL WINAPI FakeEnumServicesStatus(SC_HANDLE, DWORD, DWORD, LPENUM_SERVICE_STATUSA out, DWORD size,
                                   LPDWORD needed, LPDWORD returned, LPDWORD resume)
{
    *returned = 0;
    *needed = 0;
    if (*resume >= FakeDriverCount || size < sizeof(*out))
        return TRUE;
    ZeroMemory(out, sizeof(*out));
    out->lpServiceName = const_cast<char*>(FakeDrivers[*resume]);
    out->lpDisplayName = out->lpServiceName;
    *returned = 1;
    if (++*resume == FakeDriverCount)
        return TRUE;
    *needed = sizeof(*out);
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
}

TEST(RasDrivers, BothDriversWhereverTheyComeInTheList)
{
    const char* const both[] = {"Beep", "NdisWan", "Null", "RASARP"};
    const char* const reversed[] = {"rasarp", "ndiswan"};
    const char* const arpOnly[] = {"RasArp", "Beep"};
    const char* const wanOnly[] = {"NdisWan"};
    const struct {
        const char* const* drivers;
        DWORD count;
        bool installed;
    } cases[] = {{both, 4, true}, {reversed, 2, true}, {arpOnly, 2, false}, {wanOnly, 1, false}, {both, 0, false}};
    SystemApiSeam seam;
    seam.table().pfnOpenSCManager = FakeOpenSCManager;
    seam.table().pfnEnumServicesStatus = FakeEnumServicesStatus;
    seam.table().pfnCloseServiceHandle = FakeCloseServiceHandle;
    for (const auto& c : cases) {
        FakeDrivers = c.drivers;
        FakeDriverCount = c.count;
        EXPECT_EQ(c.installed, IsRasInstalled()) << c.count << " drivers from " << c.drivers[0];
    }
    seam.table().ForgetServices();   // a system without the service functions
    EXPECT_FALSE(IsRasInstalled());
}

TEST_CHILD(BindAndReport)
{
    (void)arg;
    BindLibraries();
    int bound = RasApiTable.RasApiModule != NULL;
    int complete = RasApiTable.pfnRasEnumEntries && RasApiTable.pfnRasCreatePhonebookEntry &&
                   RasApiTable.pfnRasEditPhonebookEntry;
    ReleaseLibraries();
    printf("%d%d", bound, complete);
    return 0;
}

TEST(RasBinding, DependsOnTheWindowsFamily)
{
    std::string nt4, win98, win2k;
    ASSERT_EQ(0u, RunChildUnderVersion("nt40", "BindAndReport", "", &nt4));
    ASSERT_EQ(0u, RunChildUnderVersion("win98", "BindAndReport", "", &win98));
    ASSERT_EQ(0u, RunChildUnderVersion("win2k", "BindAndReport", "", &win2k));
    EXPECT_EQ("00", nt4) << "NT 4 without the RasArp and NdisWan drivers stays unbound";
    EXPECT_EQ("11", win98) << "Windows 98 binds without a driver test";
    EXPECT_EQ("11", win2k) << "Windows 2000 binds whatever the driver test says";
}

// "1" when the system reports Windows NT 3.5x, then "1" when a page's
// RemoveContextHelpButton took the "?" off its sheet's frame.
TEST_CHILD(ContextHelpButton)
{
    (void)arg;
    HWND sheet = CreateWindowExA(WS_EX_CONTEXTHELP | WS_EX_DLGMODALFRAME, "STATIC", "sheet", WS_POPUP, 0, 0, 100,
                                 100, NULL, NULL, NULL, NULL);
    HWND page = CreateWindowExA(0, "STATIC", "page", WS_CHILD, 0, 0, 50, 50, sheet, NULL, NULL, NULL);
    if (sheet == NULL || page == NULL)
        return 1;
    RemoveContextHelpButton(page);
    bool removed = (GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) == 0;
    bool keptTheRest = (GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME) != 0;
    printf("%d%d%d", IsWindowsNT35() ? 1 : 0, removed ? 1 : 0, keptTheRest ? 1 : 0);
    DestroyWindow(sheet);
    return 0;
}

// The "?" button comes off the sheet's frame on Windows NT 3.5x only, which
// draws no context help; every other flag of the frame stays.
TEST(ContextHelpButton, ComesOffOnWindowsNT35Only)
{
    std::string nt351, nt40, win98;
    ASSERT_EQ(0u, RunChildUnderVersion("nt351", "ContextHelpButton", "", &nt351));
    ASSERT_EQ(0u, RunChildUnderVersion("nt40", "ContextHelpButton", "", &nt40));
    ASSERT_EQ(0u, RunChildUnderVersion("win98", "ContextHelpButton", "", &win98));
    EXPECT_EQ("111", nt351);
    EXPECT_EQ("001", nt40);
    EXPECT_EQ("001", win98);
}

}  // namespace
