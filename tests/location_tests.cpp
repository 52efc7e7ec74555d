// Finding the shell window, its user, and the per-user directory.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

#include "Handles.h"
#include "Impersonation.h"
#include "PhoneBookAccess.h"
#include "PhoneBookLocation.h"
#include "SystemApiSeam.h"
#include "TestSupport.h"

namespace {

bool ThreadIsImpersonating()
{
    HANDLE token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return false;
    CloseHandle(token);
    return true;
}

TEST(FindShellWindow, OneLookWithoutAShell)
{
    DWORD start = GetTickCount();
    EXPECT_EQ(nullptr, FindShellWindow(0));
    EXPECT_EQ(nullptr, FindShellWindow(1));
    EXPECT_LT(GetTickCount() - start, 900u);
}

TEST(FindShellWindow, GivesUpAfterItsAttempts)
{
    DWORD start = GetTickCount();
    EXPECT_EQ(nullptr, FindShellWindow(3));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 1900u);   // two pauses of a second between three looks
    EXPECT_LT(waited, 3500u);
}

// Makes the shell window after a while, and keeps it until the event it is
// given is set (the main thread has looked) or ten seconds have passed.
DWORD WINAPI CreateShellLater(LPVOID seen)
{
    Sleep(1200);
    ShellWindow shell;
    DWORD deadline = GetTickCount() + 10000;
    while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
        if (MsgWaitForMultipleObjects(1, &seen, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    return 0;
}

TEST(FindShellWindow, WaitsForAShellThatAppears)
{
    HANDLE seen = CreateEventA(NULL, TRUE, FALSE, NULL);
    ASSERT_NE(nullptr, seen);
    HANDLE thread = CreateThread(NULL, 0, CreateShellLater, seen, 0, NULL);
    ASSERT_NE(nullptr, thread);
    HWND found = FindShellWindow(5);
    SetEvent(seen);
    EXPECT_NE(nullptr, found);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(seen);
}

TEST(ShellUser, ImpersonatingTheShellOwnerAndLookingItUp)
{
    ShellWindow shell;
    ASSERT_NE(nullptr, shell.handle());

    ASSERT_EQ(1, ImpersonateShellUser());
    EXPECT_TRUE(ThreadIsImpersonating());
    char user[MAX_PATH], domain[MAX_PATH];
    EXPECT_EQ(1, GetTokenUserName(user, sizeof(user), domain));
    RevertToSelf();
    EXPECT_FALSE(ThreadIsImpersonating());

    char ownUser[MAX_PATH], ownDomain[MAX_PATH];
    ASSERT_EQ(1, GetTokenUserName(ownUser, sizeof(ownUser), ownDomain));   // the process token
    EXPECT_STREQ(ownUser, user);
    EXPECT_STREQ(ownDomain, domain);
    EXPECT_NE('\0', ownUser[0]);
}

TEST(ShellUser, InteractiveUserNameLeavesTheCallerToRevert)
{
    ShellWindow shell;
    char user[MAX_PATH], domain[MAX_PATH];
    int found = GetInteractiveUserName(domain, user, sizeof(user));
    char ownUser[MAX_PATH];
    GetTokenUserName(ownUser, sizeof(ownUser), NULL);
    RevertToSelf();
    EXPECT_FALSE(ThreadIsImpersonating());
    if (found) {
        EXPECT_STREQ(ownUser, user);
    }
}

// The impersonation level of the thread's token, or -1 without a token.
int ThreadImpersonationLevel()
{
    HANDLE token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return -1;
    SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
    DWORD size = 0;
    BOOL known = GetTokenInformation(token, TokenImpersonationLevel, &level, sizeof(level), &size);
    CloseHandle(token);
    return known ? static_cast<int>(level) : -2;
}

// A host thread that is itself impersonating a client comes back from the
// library with that identity, not with the process's own.
TEST(ShellUser, ACallersOwnImpersonationSurvives)
{
    ShellWindow shell;
    ASSERT_TRUE(ImpersonateSelf(SecurityIdentification));
    ASSERT_EQ(static_cast<int>(SecurityIdentification), ThreadImpersonationLevel());

    char out[MAX_PATH];
    BuildUserPhoneBookDir(out, sizeof(out));
    EXPECT_EQ(static_cast<int>(SecurityIdentification), ThreadImpersonationLevel()) << "building the directory";

    EXPECT_EQ(1, IsInteractiveDesktop());
    EXPECT_EQ(static_cast<int>(SecurityIdentification), ThreadImpersonationLevel()) << "the desktop test";

    char user[MAX_PATH], domain[MAX_PATH];
    {
        CallerIdentity caller;
        if (GetInteractiveUserName(domain, user, sizeof(user)))
            caller.Restore();
    }
    EXPECT_EQ(static_cast<int>(SecurityIdentification), ThreadImpersonationLevel()) << "the user's name";

    RevertToSelf();
    EXPECT_FALSE(ThreadIsImpersonating());
}

TEST(ShellUser, NamesAreCutToTheCallersSize)
{
    ShellWindow shell;
    char user[3] = {'x', 'x', 'x'};
    GetTokenUserName(user, sizeof(user), NULL);
    EXPECT_EQ('\0', user[2]);
}

TEST(ShellUser, WithoutAShellNothingIsImpersonated)
{
    EXPECT_EQ(0, ImpersonateShellUser());
    EXPECT_FALSE(ThreadIsImpersonating());
}

TEST(InteractiveDesktop, TheDefaultDesktopIsInteractive)
{
    EXPECT_EQ(1, IsInteractiveDesktop());
}

// Run on the desktop named on its command line (Wine's explorer makes one),
// the child owns that desktop's shell window (FindWindow sees the windows of
// the caller's desktop only) and writes to the file named whether the desktop
// counts as interactive and whether the directory has the per-user levels.
TEST_CHILD(DirectoryOnThisDesktop)
{
    ShellWindow shell;
    char out[MAX_PATH];
    BuildUserPhoneBookDir(out, sizeof(out));
    std::string text = std::to_string(IsInteractiveDesktop()) +
                       (std::string(out) == ProgramDirectory() + "\\users" ? " shared" : " per-user");
    RevertToSelf();
    return WriteFileBytes(arg, text.data(), text.size()) ? 0 : 1;
}

// Nobody is logged on while the logon desktop has the input: no user is looked
// up, and the phone book is the shared one. On the screen saver's desktop the
// shell's user is still logged on.
TEST(InteractiveDesktop, TheLogonDesktopHasNoUserTheScreenSaversHasTheShells)
{
    TempDir dir{"desktops"};
    const std::string self = ProgramPath();
    std::string seen[3], ignored;
    const char* desktops[] = {"WinLogon", "Screen-saver", "Other"};
    for (int i = 0; i < 3; ++i) {
        std::string result = dir.file(std::string(desktops[i]) + ".txt");
        RunProgram(std::string("explorer /desktop=") + desktops[i] + ",640x480 \"" + self +
                       "\" --child DirectoryOnThisDesktop \"" + result + "\"",
                   &ignored, NULL);
        seen[i] = WaitForFileText(result, 20000);
    }
    EXPECT_EQ("0 shared", seen[0]);
    EXPECT_EQ("1 ", seen[2].substr(0, 2));
    EXPECT_EQ(seen[2], seen[1]);
}

TEST(PhoneBookDirectory, TrailingBackslashRule)
{
    char path[8] = "C:\\pb";
    ApplyTrailingBackslash(path, sizeof(path));
    EXPECT_STREQ("C:\\pb\\", path);
    ApplyTrailingBackslash(path, sizeof(path));
    EXPECT_STREQ("C:\\pb\\", path);

    char full[7] = "C:\\abc";   // six bytes: no room for a seventh and the terminator
    ApplyTrailingBackslash(full, sizeof(full));
    EXPECT_STREQ("", full);
}

// A directory that does not fit, with its backslash, in a path or in the
// caller's buffer leaves none: not what was there before, nor a part of it.
TEST(PhoneBookDirectory, ADirectoryThatDoesNotFitLeavesNone)
{
    char path[MAX_PATH];
    auto set = [&path](const std::string& directory, size_t size) {
        strcpy(path, "C:\\old\\");
        SetPhoneBookDirectory(path, size, directory.c_str());
        return std::string(path);
    };
    const std::string fits(258, 'd');
    EXPECT_EQ(fits + "\\", set(fits, sizeof(path)));
    EXPECT_EQ("", set(fits + "d", sizeof(path)));    // no room for its backslash
    EXPECT_EQ("", set(fits + "dd", sizeof(path)));   // longer than a path
    EXPECT_EQ("", set("C:\\abcdef", 8));            // longer than the caller's buffer
}

// An older system whose modules lack one function of a group gets none of
// that group, so that no caller reaches a missing function; a whole group
// is bound whole.
TEST(SystemApiBinding, AGroupIsBoundWholeOrNotAtAll)
{
    SystemApiSeam seam;
    HMODULE old = LoadLibraryA("OLDSYSAPI.DLL");
    ASSERT_NE(nullptr, old);
    const SystemApiBindings& t = seam.table();
    auto functions = [&t]() {
        return std::vector<const void*>{
            reinterpret_cast<const void*>(t.pfnOpenProcessToken), reinterpret_cast<const void*>(t.pfnOpenThreadToken),
            reinterpret_cast<const void*>(t.pfnGetTokenInformation), reinterpret_cast<const void*>(t.pfnLookupAccountSid),
            reinterpret_cast<const void*>(t.pfnImpersonateLoggedOnUser), reinterpret_cast<const void*>(t.pfnRevertToSelf),
            reinterpret_cast<const void*>(t.pfnSetThreadToken), reinterpret_cast<const void*>(t.pfnCreateProcessAsUser),
            reinterpret_cast<const void*>(t.pfnDuplicateTokenEx), reinterpret_cast<const void*>(t.pfnOpenSCManager),
            reinterpret_cast<const void*>(t.pfnEnumServicesStatus), reinterpret_cast<const void*>(t.pfnCloseServiceHandle),
            reinterpret_cast<const void*>(t.pfnOpenInputDesktop),
            reinterpret_cast<const void*>(t.pfnGetUserObjectInformation),
            reinterpret_cast<const void*>(t.pfnCloseDesktop), reinterpret_cast<const void*>(t.pfnGetSystemWindowsDirectory)};
    };
    BindSystemApiFrom(old, old, NULL);
    std::vector<const void*> bound = functions();
    for (size_t i = 0; i < bound.size(); ++i)
        EXPECT_EQ(nullptr, bound[i]) << "function " << i << " of the old system";
    BindSystemApiFrom(GetModuleHandleA("ADVAPI32.DLL"), GetModuleHandleA("USER32.DLL"), GetModuleHandleA("KERNEL32.DLL"));
    bound = functions();
    for (size_t i = 0; i < bound.size(); ++i)
        EXPECT_NE(nullptr, bound[i]) << "function " << i << " of this system";
    BindSystemApiFrom(NULL, NULL, NULL);   // no module: nothing of before stays
    bound = functions();
    for (size_t i = 0; i < bound.size(); ++i)
        EXPECT_EQ(nullptr, bound[i]) << "function " << i << " without modules";
    FreeLibrary(old);
}

TEST(PhoneBookDirectory, BuiltWithinTheCallersBuffer)
{
    ShellWindow shell;
    char out[MAX_PATH];
    BuildUserPhoneBookDir(out, sizeof(out));
    std::string users = ProgramDirectory() + "\\users";
    EXPECT_EQ(0u, std::string(out).find(users));
    EXPECT_NE('\\', out[strlen(out) - 1]);
    EXPECT_FALSE(ThreadIsImpersonating());
}

TEST_CHILD(BuildDirectory)
{
    (void)arg;
    char out[MAX_PATH];
    BuildUserPhoneBookDir(out, sizeof(out));
    fputs(out, stdout);
    return ImpersonateShellUser();   // 0 on Windows 9x
}

// Windows 95 and 98 share the users directory; Windows NT, from 3.51 on, has
// a level per user below it.
TEST(PhoneBookDirectory, EachSystemItsLevel)
{
    ShellWindow shell;
    char user[MAX_PATH], domain[MAX_PATH];
    ASSERT_EQ(1, GetTokenUserName(user, sizeof(user), domain));   // every process here is one user
    const std::string users = ProgramDirectory() + "\\users";
    const struct {
        const char* version;
        DWORD impersonated;
        std::string directory;
    } systems[] = {
        {"win95", 0, users},
        {"win98", 0, users},
        {"nt351", 1, users + "\\" + domain + "\\" + user},
    };
    for (const auto& system : systems) {
        std::string output;
        EXPECT_EQ(system.impersonated, RunChildUnderVersion(system.version, "BuildDirectory", "", &output))
            << system.version;
        EXPECT_EQ(system.directory, output) << system.version;
    }
}

// The platform calls the search for the desktop's user makes, failing one
// way or another through the binding table. Each fake passes the call on to
// the system's function unless its fault is set.
enum LocationFault : unsigned {
    kLookupTokenOpen = 1 << 0,       // OpenProcessToken with the lookup's access (0x2000C)
    kEveryProcessTokenOpen = 1 << 1,
    kShellTokenUser = 1 << 2,        // GetTokenInformation, its first call: the shell's token
    kShellAccountLookup = 1 << 3,    // LookupAccountSidA, its first call
    kImpersonation = 1 << 4,         // every ImpersonateLoggedOnUser
    kThreadTokenQuery = 1 << 5,      // OpenThreadToken for TOKEN_QUERY: access denied
    kInputDesktop = 1 << 6,          // OpenInputDesktop
    kNoTokenFunctions = 1 << 7,      // the system lacks them (Windows 9x)
    kNoDesktopFunctions = 1 << 8,
    kFallbackTokenUser = 1 << 9,     // GetTokenInformation, its second call: the fallback's
    kFallbackAccountLookup = 1 << 10,
    kFullDomain = 1 << 11,           // LookupAccountSidA names a domain of NetBIOS's full 15 characters
};

const char kFullDomainName[] = "VELMORA-BRANCH1";

unsigned ActiveFaults;
const char* ReportedDesktop;   // NULL: the system's answer
int TokenUserCalls;
int AccountLookupCalls;
SystemApiBindings System;

BOOL Refused()
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

BOOL WINAPI FakeOpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    if ((ActiveFaults & kEveryProcessTokenOpen) ||
        ((ActiveFaults & kLookupTokenOpen) && access == (READ_CONTROL | TOKEN_QUERY | TOKEN_IMPERSONATE)))
        return Refused();
    return System.pfnOpenProcessToken(process, access, token);
}

BOOL WINAPI FakeOpenThreadToken(HANDLE thread, DWORD access, BOOL asSelf, PHANDLE token)
{
    if ((ActiveFaults & kThreadTokenQuery) && access == TOKEN_QUERY)
        return Refused();
    return System.pfnOpenThreadToken(thread, access, asSelf, token);
}

BOOL WINAPI FakeGetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID info, DWORD size,
                                    PDWORD returned)
{
    ++TokenUserCalls;
    if (((ActiveFaults & kShellTokenUser) && TokenUserCalls == 1) ||
        ((ActiveFaults & kFallbackTokenUser) && TokenUserCalls == 2))
        return Refused();
    return System.pfnGetTokenInformation(token, kind, info, size, returned);
}

BOOL WINAPI FakeLookupAccountSid(LPCSTR system, PSID sid, LPSTR user, LPDWORD userChars, LPSTR domain,
                                 LPDWORD domainChars, PSID_NAME_USE use)
{
    ++AccountLookupCalls;
    if (((ActiveFaults & kShellAccountLookup) && AccountLookupCalls == 1) ||
        ((ActiveFaults & kFallbackAccountLookup) && AccountLookupCalls == 2)) {
        SetLastError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    DWORD domainSize = *domainChars;
    if (!System.pfnLookupAccountSid(system, sid, user, userChars, domain, domainChars, use))
        return FALSE;
    if (ActiveFaults & kFullDomain) {
        // As the system answers: the size needed, terminator included, when
        // the buffer is short.
        if (domainSize < sizeof(kFullDomainName)) {
            *domainChars = sizeof(kFullDomainName);
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        memcpy(domain, kFullDomainName, sizeof(kFullDomainName));
        *domainChars = sizeof(kFullDomainName) - 1;
    }
    return TRUE;
}

BOOL WINAPI FakeImpersonateLoggedOnUser(HANDLE token)
{
    if (ActiveFaults & kImpersonation)
        return Refused();
    return System.pfnImpersonateLoggedOnUser(token);
}

HDESK WINAPI FakeOpenInputDesktop(DWORD flags, BOOL inherit, ACCESS_MASK access)
{
    if (ActiveFaults & kInputDesktop) {
        SetLastError(ERROR_ACCESS_DENIED);
        return NULL;
    }
    return System.pfnOpenInputDesktop(flags, inherit, access);
}

BOOL WINAPI FakeGetUserObjectInformation(HANDLE object, int index, PVOID info, DWORD size, LPDWORD needed)
{
    if (ReportedDesktop == NULL || index != UOI_NAME)
        return System.pfnGetUserObjectInformation(object, index, info, size, needed);
    *needed = static_cast<DWORD>(strlen(ReportedDesktop) + 1);
    if (size < *needed)
        return FALSE;
    memcpy(info, ReportedDesktop, *needed);
    return TRUE;
}

class LocationFaults : public testing::Test
{
protected:
    LocationFaults() { System = seam_.system(); }
    ~LocationFaults() override { RevertToSelf(); }

    // The fakes in place, every group present, then the case's faults.
    void apply(unsigned faults, const char* desktop)
    {
        SystemApiBindings& t = seam_.table();
        t = seam_.system();
        t.pfnOpenProcessToken = FakeOpenProcessToken;
        t.pfnOpenThreadToken = FakeOpenThreadToken;
        t.pfnGetTokenInformation = FakeGetTokenInformation;
        t.pfnLookupAccountSid = FakeLookupAccountSid;
        t.pfnImpersonateLoggedOnUser = FakeImpersonateLoggedOnUser;
        t.pfnOpenInputDesktop = FakeOpenInputDesktop;
        t.pfnGetUserObjectInformation = FakeGetUserObjectInformation;
        ActiveFaults = faults;
        ReportedDesktop = desktop;
        TokenUserCalls = 0;
        AccountLookupCalls = 0;
        if (faults & kNoTokenFunctions)
            seam_.removeTokens();
        if (faults & kNoDesktopFunctions)
            seam_.removeDesktops();
    }

    SystemApiSeam seam_;
};

// Each platform call that the search for the desktop's user answers
// differently for, failed on its own (the shell's owner is this process, so
// the user found is always our own). A search that gives nothing leaves the
// thread as it came.
TEST_F(LocationFaults, EachFailureTakesItsPath)
{
    ShellWindow shell;
    char ownUser[MAX_PATH];
    ASSERT_EQ(1, GetTokenUserName(ownUser, sizeof(ownUser), NULL));
    const struct {
        const char* what;
        unsigned faults;
        const char* desktop;
        int found;
    } cases[] = {
        {"nothing fails", 0, NULL, 1},
        {"the shell's token cannot be opened for the lookup: the fallback", kLookupTokenOpen, NULL, 1},
        {"no process token opens at all", kEveryProcessTokenOpen, NULL, 0},
        {"the shell's token gives no user: given up, no fallback", kShellTokenUser, NULL, 0},
        {"the shell's user has no account: the fallback", kShellAccountLookup, NULL, 1},
        {"found, but its token cannot be impersonated: still found", kImpersonation, NULL, 1},
        {"no account and no impersonation for the fallback", kShellAccountLookup | kImpersonation, NULL, 0},
        {"the fallback cannot open its thread's token", kShellAccountLookup | kThreadTokenQuery, NULL, 0},
        {"the fallback's token gives no user", kShellAccountLookup | kFallbackTokenUser, NULL, 0},
        {"the fallback's user has no account either", kShellAccountLookup | kFallbackAccountLookup, NULL, 0},
        {"no input desktop to open: the user's", kInputDesktop, NULL, 1},
        {"the logon desktop", 0, "WinLogon", 0},
        {"the screen saver's, the shell's user there", 0, "Screen-saver", 1},
        {"the screen saver's, the shell's user not to be impersonated", kImpersonation, "Screen-saver", 0},
        {"a system without tokens", kNoTokenFunctions, NULL, 0},
        {"a system without desktops", kNoDesktopFunctions, NULL, 1},
        {"a domain of the full 15 characters a NetBIOS name has", kFullDomain, NULL, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        apply(c.faults, c.desktop);
        char user[MAX_PATH] = "", domain[MAX_PATH] = "";
        EXPECT_EQ(c.found, GetInteractiveUserName(domain, user, sizeof(user)));
        if (c.faults & kNoTokenFunctions) {
            EXPECT_EQ(0, GetTokenUserName(user, sizeof(user), domain)) << "a token function was called";
        }
        if (c.found) {
            EXPECT_STREQ(ownUser, user);
            if (c.faults & kFullDomain)
                EXPECT_STREQ(kFullDomainName, domain);
            else
                EXPECT_NE('\0', domain[0]);
        } else {
            EXPECT_FALSE(ThreadIsImpersonating());
        }
        RevertToSelf();
    }
}

// On the screen saver's desktop the test impersonates the shell's owner to
// see whether the user is still logged on, and leaves the thread as it was.
TEST_F(LocationFaults, TheScreenSaversTestLeavesNoImpersonation)
{
    ShellWindow shell;
    apply(0, "Screen-saver");
    EXPECT_EQ(1, IsInteractiveDesktop());
    EXPECT_FALSE(ThreadIsImpersonating());
}

// A host whose folder leaves no room for "\\users" gets no phone book
// directory, and every verb then fails rather than working in the root of
// the current drive. The child prints its directory and WriteEntry's answer.
TEST_CHILD(ConstructedDirectory)
{
    (void)arg;
    VmrPhoneBook book;
    char name[] = "probe";
    int written = book.WriteEntry(name);
    printf("[%s]%d", VmrPhoneBookAccess::Path(book), written);
    return 0;
}

// A host started from a folder of its own makes users and the per-user levels
// below it, and its entries go there.
TEST(PhoneBookDirectory, AFreshHostFolderGetsItsDirectories)
{
    ShellWindow shell;
    TempDir folder{"freshhost"};
    std::string host = folder.file("a.exe");
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), host.c_str(), FALSE));
    std::string output;
    EXPECT_EQ(0u, RunProgram("\"" + host + "\" --child ConstructedDirectory x", &output, NULL));
    EXPECT_EQ("[" + folder.file("users\\"), output.substr(0, folder.path().size() + 8));
    EXPECT_EQ("\\]1", output.substr(output.size() - 3)) << output;
}

TEST(PhoneBookDirectory, AHostFolderWithoutRoomGivesNoDirectory)
{
    TempDir base{"deephost"};
    std::string folder = base.path();
    while (folder.size() < 253) {
        folder += "\\" + std::string(std::min<size_t>(60, 253 - folder.size() - 1), 'h');
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL)) << folder;
    }
    ASSERT_EQ(253u, folder.size());
    std::string host = folder + "\\a.exe";   // 259 bytes: the whole path is known
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), host.c_str(), FALSE));
    std::string output;
    EXPECT_EQ(0u, RunProgram("\"" + host + "\" --child ConstructedDirectory x", &output, NULL));
    EXPECT_EQ("[]0", output);
    DeleteFileA(host.c_str());
}

// A host path of 260 bytes or more comes back from GetModuleFileNameA cut to
// the buffer; here the cut falls in the host's own folder, so the cut path
// names the folder above it, whose users directory is not the host's. No
// directory is composed then. Wine starts no program by so long a path from
// Windows: the host is copied and started from the Unix side.
TEST(PhoneBookDirectory, AHostPathCutByGetModuleFileNameGivesNoDirectory)
{
    ShellWindow shell;   // a host that does compose one finds the shell's user at once
    TempDir base{"cuthost"};
    const std::string folder = UnixPathOf(base.path()) + "/" + std::string(230, 'h');
    ASSERT_GE(base.path().size() + 1 + 230, 260u) << "the cut must fall in the host's folder";
    ASSERT_TRUE(RunUnixCommand("mkdir '" + folder + "' && cp '" + UnixPathOf(ProgramDirectory()) +
                               "/location_tests.exe' '" + folder + "/a.exe' && cd '" + folder +
                               "' && wine ./a.exe --child ConstructedDirectory x > ../output.txt 2>/dev/null",
                               60000));
    EXPECT_EQ("[]0", FileText(base.file("output.txt")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(base.file("users").c_str())) << "the folder above was used";
    RunUnixCommand("rm -rf '" + folder + "'");
}

}  // namespace
