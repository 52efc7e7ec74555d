#include "TestSupport.h"

#include <stdio.h>
#include <map>

namespace {

std::map<std::string, ChildFunction>& Children()
{
    static std::map<std::string, ChildFunction> children;
    return children;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

ShellWindow::ShellWindow()
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "Progman";
    RegisterClassA(&windowClass);   // fails harmlessly when already registered
    window_ = CreateWindowA("Progman", "Program Manager", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, NULL,
                            NULL, windowClass.hInstance, NULL);
}

ShellWindow::~ShellWindow()
{
    if (window_ != NULL)
        DestroyWindow(window_);
}

TempDir::TempDir(const char* tag)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static unsigned counter = 0;
    char name[MAX_PATH];
    wsprintfA(name, "%spb-%s-%lu-%u", base, tag, GetCurrentProcessId(), ++counter);
    path_ = name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), NULL);
}

TempDir::~TempDir()
{
    RemoveTree(path_);
}

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    std::string full(path, length);
    return full.substr(0, full.find_last_of('\\'));
}

ChildRegistration::ChildRegistration(const char* name, ChildFunction function)
{
    Children()[name] = function;
}

int RunRegisteredChild(const char* name, const char* arg)
{
    auto found = Children().find(name);
    if (found == Children().end()) {
        fprintf(stderr, "no child function %s\n", name);
        return 255;
    }
    return found->second(arg);
}

DWORD RunChildUnderVersion(const char* version, const char* name, const std::string& arg,
                           std::string* output)
{
    // Wine reads the version per program name, at start-up: run a copy of
    // this program under a name of its own.
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof(self));
    std::string selfPath = self;
    std::string base = selfPath.substr(selfPath.find_last_of('\\') + 1);
    base = base.substr(0, base.size() - 4);
    std::string childName = base + "-" + version + ".exe";
    std::string childPath = ProgramDirectory() + "\\" + childName;
    CopyFileA(self, childPath.c_str(), FALSE);

    std::string key = "Software\\Wine\\AppDefaults\\" + childName;
    HKEY appKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &appKey,
                        NULL) == ERROR_SUCCESS) {
        RegSetValueExA(appKey, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
        RegCloseKey(appKey);
    }

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return 255;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::string commandLine = "\"" + childPath + "\" --child " + name + " \"" + arg + "\"";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                                  &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return 255;
    }
    char chunk[512];
    DWORD got;
    while (ReadFile(readEnd, chunk, sizeof(chunk), &got, NULL) && got > 0) {
        if (output != NULL)
            output->append(chunk, got);
    }
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 255;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileA(childPath.c_str());
    return exitCode;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, NULL);
    CloseHandle(file);
    return ok && written == size;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    unsigned char chunk[4096];
    DWORD got;
    while (ReadFile(file, chunk, sizeof(chunk), &got, NULL) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(file);
    return bytes;
}

std::string PhoneBookMessage(const std::string& text)
{
    return "0x00000030\tPhone Book\t" + text;
}

MessageJournal::MessageJournal()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static unsigned counter = 0;
    char name[MAX_PATH];
    wsprintfA(name, "%spb-journal-%lu-%u.txt", base, GetCurrentProcessId(), ++counter);
    path_ = name;
    DeleteFileA(path_.c_str());
    SetEnvironmentVariableA("PXMSGBOX_JOURNAL", path_.c_str());
}

MessageJournal::~MessageJournal()
{
    SetEnvironmentVariableA("PXMSGBOX_JOURNAL", NULL);
    DeleteFileA(path_.c_str());
}

std::vector<std::string> MessageJournal::lines() const
{
    std::vector<std::string> result;
    std::vector<unsigned char> bytes = ReadFileBytes(path_);
    std::string text(bytes.begin(), bytes.end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        result.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return result;
}

namespace {

std::string HeldChildEventName(const char* what, DWORD processId)
{
    char name[64];
    wsprintfA(name, "pb-child-%s-%lu", what, processId);
    return name;
}

}  // namespace

HeldChild::HeldChild(const std::string& child, const std::string& argument)
    : release_(NULL), process_(NULL), processId_(0), ready_(false)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof(self));
    std::string commandLine = std::string("\"") + self + "\" --child " + child + " \"" + argument + "\"";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    // Suspended until its events exist, so that the child finds them.
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup,
                        &process))
        return;
    HANDLE reached = CreateEventA(NULL, TRUE, FALSE, HeldChildEventName("reached", process.dwProcessId).c_str());
    release_ = CreateEventA(NULL, TRUE, FALSE, HeldChildEventName("release", process.dwProcessId).c_str());
    process_ = process.hProcess;
    processId_ = process.dwProcessId;
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    if (reached != NULL && release_ != NULL) {
        HANDLE waits[2] = {reached, process_};
        ready_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    }
    if (reached != NULL)
        CloseHandle(reached);
}

HeldChild::~HeldChild()
{
    if (release_ != NULL) {
        SetEvent(release_);
        CloseHandle(release_);
    }
    if (process_ != NULL) {
        if (WaitForSingleObject(process_, 30000) != WAIT_OBJECT_0)
            TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
}

bool HeldChildReached()
{
    DWORD self = GetCurrentProcessId();
    HANDLE reached = OpenEventA(EVENT_MODIFY_STATE, FALSE, HeldChildEventName("reached", self).c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, HeldChildEventName("release", self).c_str());
    bool held = reached != NULL && release != NULL;
    if (held) {
        SetEvent(reached);
        DWORD deadline = GetTickCount() + 120000;
        while (static_cast<LONG>(deadline - GetTickCount()) > 0) {
            if (MsgWaitForMultipleObjects(1, &release, FALSE, 1000, QS_ALLINPUT) == WAIT_OBJECT_0)
                break;
            MSG message;
            while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
        }
    }
    if (reached != NULL)
        CloseHandle(reached);
    if (release != NULL)
        CloseHandle(release);
    return held;
}

// The child side of FileHeldByAnotherProcess: "--child HoldFile <path>".
TEST_CHILD(HoldFile)
{
    HANDLE file = CreateFileA(arg, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    bool held = HeldChildReached();
    CloseHandle(file);
    return held ? 0 : 1;
}

namespace {

// Reads a pipe to its end on a thread of its own, so that a child filling
// both stdout and stderr never blocks.
struct PipeReader {
    HANDLE pipe;
    std::string text;
};

DWORD WINAPI ReadPipe(LPVOID parameter)
{
    PipeReader* reader = static_cast<PipeReader*>(parameter);
    char chunk[512];
    DWORD got;
    while (ReadFile(reader->pipe, chunk, sizeof(chunk), &got, NULL) && got > 0)
        reader->text.append(chunk, got);
    return 0;
}

}  // namespace

DWORD RunProgram(const std::string& commandLine, std::string* out, std::string* err)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0))
        return 255;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return 255;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    DWORD exitCode = 255;
    PipeReader outReader = {outRead, ""}, errReader = {errRead, ""};
    if (started) {
        HANDLE threads[2] = {CreateThread(NULL, 0, ReadPipe, &outReader, 0, NULL),
                             CreateThread(NULL, 0, ReadPipe, &errReader, 0, NULL)};
        WaitForSingleObject(process.hProcess, 120000);
        WaitForMultipleObjects(2, threads, TRUE, 10000);
        CloseHandle(threads[0]);
        CloseHandle(threads[1]);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    if (out != NULL)
        *out = outReader.text;
    if (err != NULL)
        *err = errReader.text;
    return exitCode;
}
