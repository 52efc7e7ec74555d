// The run-time binding against the doubles in this program's folder, per
// Windows version, and its release: what the table holds, and which modules
// stay loaded.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

#include "DoubleAccess.h"
#include "RasApiTable.h"
#include "TestSupport.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

template <typename Fn>
bool IsExport(Fn bound, HMODULE module, const char* name)
{
    FARPROC exported = module != NULL ? GetProcAddress(module, name) : NULL;
    return bound != NULL && reinterpret_cast<void*>(bound) == reinterpret_cast<void*>(exported);
}

bool TableIsEmpty()
{
    return RasApiTable.RasApiModule == NULL && RasApiTable.pfnRasEnumEntries == NULL &&
           RasApiTable.pfnRasCreatePhonebookEntry == NULL && RasApiTable.pfnRasEditPhonebookEntry == NULL &&
           RasApiTable.SecurityUiModule == NULL && RasApiTable.pfnQuerySecurityLogin == NULL;
}

// Attaches, describes the table, detaches and describes what is left, as one
// line: "ras=<bound to the double, all three pointers> gate=<bound, export>
// | empty=<table> loaded=<RASAPI32 or GATEUI still in the process>
// attaches/detaches of each double".
std::string AttachAndDetach()
{
    DWORD rasAttaches = ReadCounter(RAS_DOUBLE_ATTACHES);
    DWORD rasDetaches = ReadCounter(RAS_DOUBLE_DETACHES);
    DWORD gateDetaches = ReadCounter(GATE_DOUBLE_DETACHES);

    DllMain(GetModuleHandleA(NULL), DLL_PROCESS_ATTACH, NULL);
    HMODULE ras = GetModuleHandleA("RASAPI32.DLL");
    HMODULE gate = GetModuleHandleA("GATEUI.DLL");
    bool rasBound = RasApiTable.RasApiModule != NULL && RasApiTable.RasApiModule == ras && RasDouble() != NULL &&
                    IsExport(RasApiTable.pfnRasEnumEntries, ras, "RasEnumEntriesA") &&
                    IsExport(RasApiTable.pfnRasCreatePhonebookEntry, ras, "RasCreatePhonebookEntryA") &&
                    IsExport(RasApiTable.pfnRasEditPhonebookEntry, ras, "RasEditPhonebookEntryA");
    bool rasUnbound = RasApiTable.RasApiModule == NULL && RasApiTable.pfnRasEnumEntries == NULL &&
                      RasApiTable.pfnRasCreatePhonebookEntry == NULL && RasApiTable.pfnRasEditPhonebookEntry == NULL;
    bool gateBound = RasApiTable.SecurityUiModule != NULL && RasApiTable.SecurityUiModule == gate &&
                     GateDouble() != NULL && IsExport(RasApiTable.pfnQuerySecurityLogin, gate, "QuerySecurityLogin");

    DllMain(GetModuleHandleA(NULL), DLL_PROCESS_DETACH, NULL);
    char line[200];
    snprintf(line, sizeof(line), "ras=%s gate=%s | empty=%d loaded=%d%d rasAttached=%lu rasDetached=%lu gateDetached=%lu",
             rasBound ? "bound" : rasUnbound ? "unbound" : "partial", gateBound ? "bound" : "unbound",
             TableIsEmpty() ? 1 : 0, GetModuleHandleA("RASAPI32.DLL") != NULL ? 1 : 0,
             GetModuleHandleA("GATEUI.DLL") != NULL ? 1 : 0, ReadCounter(RAS_DOUBLE_ATTACHES) - rasAttaches,
             ReadCounter(RAS_DOUBLE_DETACHES) - rasDetaches, ReadCounter(GATE_DOUBLE_DETACHES) - gateDetaches);
    return line;
}

TEST_CHILD(BindUnderVersion)
{
    (void)arg;
    printf("%s", AttachAndDetach().c_str());
    return 0;
}

const char kBoundAndReleased[] = "ras=bound gate=bound | empty=1 loaded=00 rasAttached=1 rasDetached=1 gateDetached=1";

TEST(RasBinding, Windows98BindsWithoutTheDriverTest)
{
    std::string report;
    ASSERT_EQ(0u, RunChildUnderVersion("win98", "BindUnderVersion", "", &report));
    EXPECT_EQ(kBoundAndReleased, report);
}

// Wine runs neither RasArp nor NdisWan: NT 4 never even loads RASAPI32.DLL,
// and the security login is bound all the same.
TEST(RasBinding, WindowsNT4WithoutTheDriversStaysUnbound)
{
    std::string report;
    ASSERT_EQ(0u, RunChildUnderVersion("nt40", "BindUnderVersion", "", &report));
    EXPECT_EQ("ras=unbound gate=bound | empty=1 loaded=00 rasAttached=0 rasDetached=0 gateDetached=1", report);
}

TEST(RasBinding, Windows2000BindsWhateverTheDriverTestSays)
{
    std::string report;
    ASSERT_EQ(0u, RunChildUnderVersion("win2k", "BindUnderVersion", "", &report));
    EXPECT_EQ(kBoundAndReleased, report);
}

TEST(RasBinding, LaterWindowsBindAsWindows2000)
{
    EXPECT_EQ(kBoundAndReleased, AttachAndDetach());
}

// PhoneBk.dll itself, loaded and freed by a host at run time: the libraries
// it bound go with it.
TEST(RasBinding, FreeingTheLibraryFreesWhatItBound)
{
    ASSERT_EQ(nullptr, GetModuleHandleA("RASAPI32.DLL"));
    ASSERT_EQ(nullptr, GetModuleHandleA("GATEUI.DLL"));
    DWORD rasAttaches = ReadCounter(RAS_DOUBLE_ATTACHES);
    DWORD gateAttaches = ReadCounter(GATE_DOUBLE_ATTACHES);

    HMODULE library = LoadLibraryA("PhoneBk.dll");
    ASSERT_NE(nullptr, library);
    EXPECT_NE(nullptr, RasDouble());
    EXPECT_NE(nullptr, GateDouble());
    EXPECT_EQ(rasAttaches + 1, ReadCounter(RAS_DOUBLE_ATTACHES));
    EXPECT_EQ(gateAttaches + 1, ReadCounter(GATE_DOUBLE_ATTACHES));

    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(nullptr, GetModuleHandleA("PhoneBk.dll"));
    EXPECT_EQ(nullptr, GetModuleHandleA("RASAPI32.DLL"));
    EXPECT_EQ(nullptr, GetModuleHandleA("GATEUI.DLL"));
    EXPECT_EQ(ReadCounter(RAS_DOUBLE_ATTACHES), ReadCounter(RAS_DOUBLE_DETACHES));
    EXPECT_EQ(ReadCounter(GATE_DOUBLE_ATTACHES), ReadCounter(GATE_DOUBLE_DETACHES));
}

}  // namespace
