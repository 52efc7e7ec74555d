#include "PhoneBookLocation.h"

#include <mbstring.h>
#include <string.h>

#include "Handles.h"
#include "SystemApiTable.h"
#include "TextCopy.h"
#include "WindowsVersion.h"

namespace {

const DWORD kShellProcessAccess = STANDARD_RIGHTS_REQUIRED | PROCESS_QUERY_INFORMATION;  // 0xF0400
const DWORD kShellTokenLookupAccess = READ_CONTROL | TOKEN_QUERY | TOKEN_IMPERSONATE;   // 0x2000C
const DWORD kTokenInfoSize = 1024;
const DWORD kUserNameChars = 257;    // UNLEN + 1
const DWORD kDomainNameChars = 16;   // a NetBIOS domain name and its terminator
const DWORD kShellRetryDelayMs = 1000;
const int kShellAttempts = 60;

enum TokenUserLookup { kNoTokenUser, kAccountNotFound, kAccountFound };

// Looks the token's user up. userOut and domainOut (if not null) receive the
// names, each cut to size bytes.
TokenUserLookup LookupTokenUser(HANDLE token, char* userOut, size_t size, char* domainOut)
{
    union {
        TOKEN_USER user;
        BYTE bytes[kTokenInfoSize];
    } info;
    const SystemApiBindings& api = SystemApi();
    DWORD returned = 0;
    if (!api.pfnGetTokenInformation(token, TokenUser, &info, sizeof(info), &returned))
        return kNoTokenUser;

    char user[kUserNameChars];
    char domain[kDomainNameChars];
    DWORD userChars = kUserNameChars;
    DWORD domainChars = kDomainNameChars;
    SID_NAME_USE use;
    if (!api.pfnLookupAccountSid(NULL, info.user.User.Sid, user, &userChars, domain, &domainChars, &use))
        return kAccountNotFound;

    CopyTerminated(userOut, user, size);
    if (domainOut != NULL)
        CopyTerminated(domainOut, domain, size);
    return kAccountFound;
}

// Impersonates the owner of the window through its token opened with all
// access. The handles are closed; the impersonation stays.
bool ImpersonateWindowOwner(HWND window)
{
    KernelHandle token = OpenWindowOwnerToken(window, TOKEN_ALL_ACCESS);
    return token && SystemApi().pfnImpersonateLoggedOnUser(token.get()) != FALSE;
}

// Adds "\level" to path when the result still leaves room for the trailing
// backslash the constructor appends.
bool AppendLevel(char* path, size_t size, const char* level)
{
    size_t used = strlen(path);
    size_t length = strlen(level);
    if (used + 1 + length + 1 >= size)
        return false;
    path[used] = '\\';
    memcpy(path + used + 1, level, length + 1);
    return true;
}

}  // namespace

void ApplyTrailingBackslash(char* path, size_t size)
{
    if (EndsWithBackslash(path))
        return;
    if (!AppendWhole(path, size, "\\"))
        path[0] = '\0';
}

void SetPhoneBookDirectory(char* path, size_t size, const char* directory)
{
    if (directory == NULL)
        directory = "";
    char work[MAX_PATH];
    if (!CopyWhole(work, sizeof(work), directory)) {
        path[0] = '\0';
        return;
    }
    ApplyTrailingBackslash(work, sizeof(work));
    if (work[0] == '\0' || !CopyWhole(path, size, work))
        path[0] = '\0';
}

void BuildUserPhoneBookDir(char* out, size_t size)
{
    out[0] = '\0';

    char work[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, work, sizeof(work));
    // A path cut to the buffer names another directory: none is composed.
    if (length >= sizeof(work))
        return;
    unsigned char* lastSlash = NULL;
    if (length > 0)
        lastSlash = _mbsrchr(reinterpret_cast<unsigned char*>(work), '\\');
    if (lastSlash != NULL) {
        *lastSlash = '\0';
    } else {
        length = GetCurrentDirectoryA(sizeof(work), work);
        if (length == 0 || length >= sizeof(work))
            return;
        // A drive root comes back as "C:\"; its backslash is the separator.
        if (EndsWithBackslash(work))
            work[length - 1] = '\0';
    }

    if (!AppendLevel(work, sizeof(work), "users"))
        return;
    CreateDirectoryA(work, NULL);

    if (!IsWindows9x()) {
        char domain[MAX_PATH];
        char user[MAX_PATH];
        CallerIdentity caller;
        if (GetInteractiveUserName(domain, user, sizeof(user))) {
            // The directories are made as whoever the caller was, not as the
            // desktop's user.
            caller.Restore();
            char perUser[MAX_PATH];
            memcpy(perUser, work, sizeof(work));
            if (AppendLevel(perUser, sizeof(perUser), domain)) {
                CreateDirectoryA(perUser, NULL);
                if (AppendLevel(perUser, sizeof(perUser), user)) {
                    CreateDirectoryA(perUser, NULL);
                    memcpy(work, perUser, sizeof(work));
                }
            }
        }
    }
    CopyTerminated(out, work, size);
}

int GetInteractiveUserName(char* domainOut, char* userOut, size_t size)
{
    const SystemApiBindings& api = SystemApi();
    if (!IsWindowsNT() || !api.HasTokens() || !IsInteractiveDesktop())
        return 0;

    CallerIdentity caller;
    HWND shell = FindShellWindow(kShellAttempts);
    if (shell != NULL) {
        KernelHandle token = OpenWindowOwnerToken(shell, kShellTokenLookupAccess);
        if (token) {
            TokenUserLookup found = LookupTokenUser(token.get(), userOut, size, domainOut);
            if (found == kNoTokenUser)
                return 0;
            if (found == kAccountFound) {
                // Callers revert; the lookup has succeeded whether or not this
                // token may be impersonated.
                api.pfnImpersonateLoggedOnUser(token.get());
                return 1;
            }
        }
    }

    if (ImpersonateShellUser()) {
        if (GetTokenUserName(userOut, size, domainOut))
            return 1;
        caller.Restore();
    }
    return 0;
}

KernelHandle OpenWindowOwnerToken(HWND window, DWORD tokenAccess)
{
    KernelHandle token;
    const SystemApiBindings& api = SystemApi();
    if (!api.HasTokens())
        return token;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    KernelHandle process(OpenProcess(kShellProcessAccess, FALSE, processId));
    if (process && !api.pfnOpenProcessToken(process.get(), tokenAccess, token.receive()))
        token.reset();
    return token;
}

int ImpersonateShellUser()
{
    if (!IsWindowsNT() || !SystemApi().HasTokens() || !IsInteractiveDesktop())
        return 0;
    HWND shell = FindShellWindow(0);
    return shell != NULL && ImpersonateWindowOwner(shell) ? 1 : 0;
}

HWND FindShellWindow(int attempts)
{
    HWND shell = FindWindowA("Progman", "Program Manager");
    for (int tried = 1; shell == NULL && tried < attempts; ++tried) {
        Sleep(kShellRetryDelayMs);
        shell = FindWindowA("Progman", "Program Manager");
    }
    return shell;
}

int GetTokenUserName(char* userOut, size_t size, char* domainOut)
{
    userOut[0] = '\0';
    const SystemApiBindings& api = SystemApi();
    if (!IsWindowsNT() || !api.HasTokens())
        return 0;

    KernelHandle token;
    if (!api.pfnOpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive())) {
        if (GetLastError() != ERROR_NO_TOKEN)
            return 0;
        if (!api.pfnOpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
            return 0;
    }
    return LookupTokenUser(token.get(), userOut, size, domainOut) == kAccountFound ? 1 : 0;
}

int IsInteractiveDesktop()
{
    // A system without desktops has only the user's: as when the input
    // desktop cannot be opened.
    const SystemApiBindings& api = SystemApi();
    if (IsWindows9x() || !api.HasDesktops())
        return 1;

    char name[256] = "";
    {
        DesktopHandle desktop(api.pfnOpenInputDesktop(0, FALSE, GENERIC_ALL));
        if (!desktop)
            return 1;
        DWORD needed = 0;
        if (!api.pfnGetUserObjectInformation(desktop.get(), UOI_NAME, name, sizeof(name), &needed))
            name[0] = '\0';
        name[sizeof(name) - 1] = '\0';
    }

    const unsigned char* desktopName = reinterpret_cast<const unsigned char*>(name);
    if (_mbsicmp(desktopName, reinterpret_cast<const unsigned char*>("WinLogon")) == 0)
        return 0;
    if (_mbsicmp(desktopName, reinterpret_cast<const unsigned char*>("Screen-saver")) != 0)
        return 1;

    // On the screen saver's desktop the user is still logged on when the
    // shell's owner can be impersonated.
    CallerIdentity caller;
    HWND shell = FindShellWindow(0);
    if (shell != NULL && ImpersonateWindowOwner(shell)) {
        caller.Restore();
        return 1;
    }
    return 0;
}
