#include "ContextHelp.h"

#include <mbstring.h>
#include <string.h>

#include "Handles.h"
#include "Impersonation.h"
#include "PhoneBkLanguages.h"
#include "PhoneBookLocation.h"
#include "SystemApiTable.h"
#include "TextCopy.h"
#include "WindowsVersion.h"

namespace {

const DWORD kLaunchTokenAccess = TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_QUERY;   // 0x0B
const LANGID kEnglishLanguage = 0x0409;
const char kHtmlHelpServerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
const WORD kHtmlHelpOrdinal = 14;

// "\"%s\" -mapid %d \"%s\"" at its longest: the format's own text, an
// 11-character int and two paths of MAX_PATH - 1 bytes.
const size_t kHelpCommandLineSize = sizeof("\"\" -mapid  \"\"") + 11 + 2 * MAX_PATH;

// Process-wide and unlocked: help is asked for from a dialog thread, and a
// second thread racing the first request computes the same values.
char HelpFilePath[MAX_PATH];
HMODULE HtmlHelpModule;
HtmlHelpFn pfnHtmlHelp;
bool HtmlHelpBindingFailed;

// The whole language id decides: another country's German or French, or
// Spanish with the traditional sort, is not offered the translated file;
// Portuguese of Portugal alone reads the Brazilian one.
const char* HelpFileNameFor(LANGID language)
{
    if (language == 0x0816)
        language = 0x0416;
#define PHONEBK_HELP_FILE(tag, id, codePage, help) \
    if (language == (id))                          \
        return help;
    PHONEBK_LANGUAGES(PHONEBK_HELP_FILE)
#undef PHONEBK_HELP_FILE
    return "vmhelp_en.chm";
}

// The help file of the language in the host executable's directory. A path
// with no backslash, or one whose directory leaves no room for the name,
// becomes the bare name: a relative name that may miss is better than a
// path cut short that names some other file.
void BuildHelpFilePath(char* path, size_t size, LANGID language)
{
    const char* name = HelpFileNameFor(language);
    char work[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, work, sizeof(work));
    if (length == 0 || length >= sizeof(work))
        work[0] = '\0';
    unsigned char* lastSlash = _mbsrchr(reinterpret_cast<unsigned char*>(work), '\\');
    if (lastSlash != NULL) {
        lastSlash[1] = '\0';
        if (AppendWhole(work, sizeof(work), name) && CopyWhole(path, size, work))
            return;
    }
    CopyTerminated(path, name, size);
}

bool CanOpenExclusively(const char* path)
{
    FileHandle file(CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    return file.valid();
}

// The control registered for HTML Help's class id, which need not be the one
// on the search path.
HMODULE LoadRegisteredHtmlHelp()
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kHtmlHelpServerKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return NULL;
    char server[MAX_PATH];
    DWORD size = sizeof(server);
    if (RegQueryValueExA(key.get(), "", NULL, NULL, reinterpret_cast<BYTE*>(server), &size) != ERROR_SUCCESS ||
        size == 0)
        return NULL;
    // A value stored without its terminator must still end inside the buffer.
    if (server[size - 1] != '\0') {
        if (size >= sizeof(server))
            return NULL;
        server[size] = '\0';
    }
    if (server[0] == '\0')
        return NULL;
    return LoadLibraryA(server);
}

// GetProcAddress answers a generic pointer; going through void (*)() keeps
// the compiler's function-cast check quiet without hiding a real mismatch
// (the target type itself comes from the declaration).
HtmlHelpFn BindHtmlHelp(HMODULE module)
{
    return reinterpret_cast<HtmlHelpFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
}

}  // namespace

const char* GetHelpFilePath()
{
    if (HelpFilePath[0] != '\0')
        return HelpFilePath;

    char path[MAX_PATH];
    BuildHelpFilePath(path, sizeof(path), GetSystemDefaultLangID());
    // The English file is the last resort and is kept whether or not it is
    // there; the help viewer reports a missing file better than we could.
    if (!CanOpenExclusively(path))
        BuildHelpFilePath(path, sizeof(path), kEnglishLanguage);
    memcpy(HelpFilePath, path, sizeof(HelpFilePath));
    return HelpFilePath;
}

// The system's Windows directory, not the Windows directory: on a terminal
// server the latter is a folder of the user's own for a host that is not
// marked as aware of it (a MinGW build is not), and holds no viewer. Systems
// before Windows 2000 have only the one directory.
bool GetHelpViewerPath(char* path)
{
    const SystemApiBindings& api = SystemApi();
    UINT length = api.pfnGetSystemWindowsDirectory != NULL ? api.pfnGetSystemWindowsDirectory(path, MAX_PATH)
                                                            : api.pfnGetWindowsDirectory(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    return AppendWhole(path, MAX_PATH, EndsWithBackslash(path) ? "hh.exe" : "\\hh.exe");
}

// The viewer is named by its full path, as the application and as the
// command line's first word, quoted. A bare "hh.exe" would be searched for in
// the host's directory and then in its current directory before the
// system's, and a program of that name planted in a writable current
// directory would run as the user at the desktop.
void ShowHelpTopic(int topic)
{
    char viewer[MAX_PATH];
    if (IsWindowsNT() && GetHelpViewerPath(viewer)) {
        char commandLine[kHelpCommandLineSize];
        static_assert(kHelpCommandLineSize <= 1024, "wsprintfA writes at most 1024 characters");
        wsprintfA(commandLine, "\"%s\" -mapid %d \"%s\"", viewer, topic, GetHelpFilePath());
        if (LaunchAsInteractiveUser(viewer, commandLine))
            return;
    }
    CallHtmlHelp(NULL, GetHelpFilePath(), kHtmlHelpContext, static_cast<DWORD_PTR>(topic));
}

int LaunchAsInteractiveUser(const char* application, char* commandLine)
{
    // Windows NT 3.51 cannot make the primary token (DuplicateTokenEx came
    // with NT 4): help then opens in the host's process.
    const SystemApiBindings& api = SystemApi();
    if (!api.HasTokens() || api.pfnDuplicateTokenEx == NULL)
        return 0;
    HWND shell = FindShellWindow(0);
    if (shell == NULL)
        return 0;

    // Declared in the order of opening, so that leaving this function ends the
    // impersonation first and then closes the new token and the token, on
    // success as on failure. The help viewer needs none of them once it runs,
    // and the host's thread must not go on as another user.
    KernelHandle token = OpenWindowOwnerToken(shell, kLaunchTokenAccess);
    if (!token)
        return 0;
    KernelHandle userToken;
    if (!api.pfnDuplicateTokenEx(token.get(), kLaunchTokenAccess, NULL, SecurityImpersonation, TokenPrimary,
                          userToken.receive()))
        return 0;
    ImpersonationScope impersonation;
    if (!impersonation.begin(userToken.get()))
        return 0;

    // No desktop is named: the viewer goes to the one the shell's user sees.
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION started;
    if (!api.pfnCreateProcessAsUser(userToken.get(), application, commandLine, NULL, NULL, FALSE, 0, NULL, NULL,
                                    &startup, &started))
        return 0;
    KernelHandle startedProcess(started.hProcess);
    KernelHandle startedThread(started.hThread);
    return 1;
}

HWND CallHtmlHelp(HWND owner, LPCSTR file, UINT command, DWORD_PTR data)
{
    if (HtmlHelpBindingFailed)
        return NULL;
    if (HtmlHelpModule == NULL) {
        HtmlHelpModule = LoadRegisteredHtmlHelp();
        if (HtmlHelpModule == NULL)
            HtmlHelpModule = LoadLibraryA("hhctrl.ocx");
        if (HtmlHelpModule == NULL) {
            HtmlHelpBindingFailed = true;
            return NULL;
        }
    }
    // The module is never freed: the help windows it opens outlive the call
    // that opened them.
    if (pfnHtmlHelp == NULL) {
        pfnHtmlHelp = BindHtmlHelp(HtmlHelpModule);
        if (pfnHtmlHelp == NULL) {
            HtmlHelpBindingFailed = true;
            return NULL;
        }
    }
    return pfnHtmlHelp(owner, file, command, data);
}
