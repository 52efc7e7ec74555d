#include "HelpTestSupport.h"

#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>

#include "TestSupport.h"

namespace {

const char kHtmlHelpServerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
const DWORD kReportTimeoutMs = 30000;
const DWORD kChildExitTimeoutMs = 10000;

std::string SelfPath()
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof(self));
    return std::string(self, length < sizeof(self) ? length : 0);
}

std::string UniqueTempFile(const char* tag)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static unsigned counter = 0;
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%spb-%s-%lu-%u.txt", base, tag, GetCurrentProcessId(), ++counter);
    return name;
}

std::string EnvironmentValue(const char* name)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    return length > 0 && length < sizeof(value) ? std::string(value, length) : std::string();
}

}  // namespace

std::string RunChildUnderLocale(const std::string& exePath, const char* unixLocale, const char* name)
{
    std::string env = DosNameOfUnixPath("/usr/bin/env");
    if (env.empty())
        return "failure=no Unix env program\n";
    std::string report = UniqueTempFile("locale-report");
    DeleteFileA(report.c_str());

    // Wine hands the Unix side of the child this process's environment
    // except its DLL overrides, which the child must keep.
    std::string commandLine = "\"" + env + "\" LC_ALL=" + unixLocale;
    std::string overrides = EnvironmentValue("WINEDLLOVERRIDES");
    if (!overrides.empty())
        commandLine += " \"WINEDLLOVERRIDES=" + overrides + "\"";
    commandLine += " wine \"" + exePath + "\" --child " + name + " \"" + report + "\"";
    // A Unix program comes back without handles: the report tells which
    // Windows process the child became.
    if (!StartWithoutHandles(commandLine))
        return "failure=CreateProcess " + std::to_string(GetLastError()) + "\n";

    std::string text = WaitForFileText(report, kReportTimeoutMs);
    if (text.empty())
        text = GetFileAttributesA(report.c_str()) == INVALID_FILE_ATTRIBUTES ? "failure=no report\n"
                                                                            : "failure=empty report\n";
    DeleteFileA(report.c_str());
    std::map<std::string, std::string> fields = ParseRecord(text);
    DWORD childId = strtoul(fields["pid"].c_str(), NULL, 10);
    HANDLE child = childId != 0 ? OpenProcess(SYNCHRONIZE, FALSE, childId) : NULL;
    if (child != NULL) {
        WaitForSingleObject(child, kChildExitTimeoutMs);
        CloseHandle(child);
    }
    return text;
}

bool WriteChildReport(const char* reportPath, const std::string& text)
{
    char pid[32];
    snprintf(pid, sizeof(pid), "pid=%lu\n", GetCurrentProcessId());
    std::string whole = text + pid;
    std::string partial = std::string(reportPath) + ".part";
    return WriteFileBytes(partial, whole.data(), whole.size()) &&
           MoveFileExA(partial.c_str(), reportPath, MOVEFILE_REPLACE_EXISTING);
}

DWORD RunChildWithoutSystemHtmlHelp(const std::string& directory, const char* copyName, const char* name,
                                    const std::string& arg, std::string* output)
{
    std::string copy = directory + "\\" + copyName;
    if (!CopyFileA(SelfPath().c_str(), copy.c_str(), FALSE))
        return 255;
    // Wine reads a program's DLL overrides from its own settings when it
    // starts; an empty load order for the control means no load at all.
    std::string appKey = std::string("Software\\Wine\\AppDefaults\\") + copyName;
    HKEY overrides;
    DWORD result = 255;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (appKey + "\\DllOverrides").c_str(), 0, NULL, 0, KEY_SET_VALUE,
                        NULL, &overrides, NULL) == ERROR_SUCCESS) {
        LONG set = RegSetValueExA(overrides, "hhctrl.ocx", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
        RegCloseKey(overrides);
        if (set == ERROR_SUCCESS)
            result = RunProgram("\"" + copy + "\" --child " + name + " \"" + arg + "\"", output, NULL);
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    DeleteFileA(copy.c_str());
    return result;
}

// The child side of ShellWindowInAnotherProcess: "--child OwnShellWindow".
TEST_CHILD(OwnShellWindow)
{
    (void)arg;
    ShellWindow shell;
    if (shell.handle() == NULL)
        return 2;
    return HeldChildReached() ? 0 : 1;
}

HtmlHelpRegistration::HtmlHelpRegistration(const std::string& server, Shape shape) : active_(false)
{
    static unsigned counter = 0;
    char path[128];
    snprintf(path, sizeof(path), "Software\\PhoneBkTests\\HtmlHelp-%lu-%u", GetCurrentProcessId(), ++counter);
    keyPath_ = path;
    SHDeleteKeyA(HKEY_CURRENT_USER, keyPath_.c_str());
    HKEY classes;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &classes, NULL) !=
        ERROR_SUCCESS)
        return;
    bool made = true;
    if (shape == kServerKey) {
        HKEY serverKey;
        made = RegCreateKeyExA(classes, kHtmlHelpServerKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &serverKey, NULL) ==
               ERROR_SUCCESS;
        if (made)
            RegCloseKey(serverKey);
    }
    // The override keeps its own handle to the key.
    active_ = made && RegOverridePredefKey(HKEY_CLASSES_ROOT, classes) == ERROR_SUCCESS;
    RegCloseKey(classes);
    if (active_ && !server.empty())
        active_ = setServer(server);
}

HtmlHelpRegistration::~HtmlHelpRegistration()
{
    RegOverridePredefKey(HKEY_CLASSES_ROOT, NULL);
    SHDeleteKeyA(HKEY_CURRENT_USER, keyPath_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\PhoneBkTests");   // only when no other test's key is left
}

bool HtmlHelpRegistration::setServer(const std::string& server)
{
    return setServerBytes(server.c_str(), static_cast<DWORD>(server.size() + 1));
}

bool HtmlHelpRegistration::setServerBytes(const char* bytes, DWORD count, DWORD type)
{
    HKEY serverKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (keyPath_ + "\\" + kHtmlHelpServerKey).c_str(), 0, KEY_SET_VALUE,
                      &serverKey) != ERROR_SUCCESS)
        return false;
    LONG set = RegSetValueExA(serverKey, "", 0, type, reinterpret_cast<const BYTE*>(bytes), count);
    RegCloseKey(serverKey);
    return set == ERROR_SUCCESS;
}

std::string HtmlHelpDoublePath()
{
    return ProgramDirectory() + "\\htmlhelp_double.dll";
}

std::string HtmlHelpWithoutOrdinalPath()
{
    return ProgramDirectory() + "\\htmlhelp_no14.dll";
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value) : name_(name)
{
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment()
{
    SetEnvironmentVariableA(name_.c_str(), NULL);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line[line.size() - 1] == '\r')
            line.erase(line.size() - 1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::map<std::string, std::string> ParseRecord(const std::string& text)
{
    std::map<std::string, std::string> fields;
    for (const std::string& line : SplitLines(text)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

bool ThreadIsImpersonating(DWORD* lastError)
{
    HANDLE token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        if (lastError != NULL)
            *lastError = GetLastError();
        return false;
    }
    if (lastError != NULL)
        *lastError = ERROR_SUCCESS;
    CloseHandle(token);
    return true;
}
