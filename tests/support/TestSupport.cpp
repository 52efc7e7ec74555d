#include "TestSupport.h"

#include <stdio.h>
#include <algorithm>
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

std::string ProgramPath()
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof(self));
    return std::string(self, length < sizeof(self) ? length : 0);
}

std::string ProgramDirectory()
{
    std::string full = ProgramPath();
    return full.substr(0, full.find_last_of('\\'));
}

std::string InstallHelpViewerDouble()
{
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    if (length == 0 || length >= sizeof(windows))
        return "";
    std::string viewer = std::string(windows) + "\\hh.exe";
    std::string source = ProgramDirectory() + "\\hh-double.exe";
    std::vector<unsigned char> wanted = ReadFileBytes(source);
    if (wanted.empty())
        return "";
    if (ReadFileBytes(viewer) == wanted)
        return viewer;
    // Copied under a name of its own and renamed over the viewer, so that a
    // viewer another test program is starting meanwhile is never half-written.
    std::string staging = viewer + "." + std::to_string(GetCurrentProcessId()) + ".new";
    if (!CopyFileA(source.c_str(), staging.c_str(), FALSE) ||
        !MoveFileExA(staging.c_str(), viewer.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(staging.c_str());
        return "";
    }
    return viewer;
}

// The DOS name Wine gives a Unix path, through kernel32's Wine extension.
std::string DosNameOfUnixPath(const char* unixPath)
{
    typedef WCHAR*(CDECL * ToDosFn)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ToDosFn toDos = reinterpret_cast<ToDosFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (toDos == NULL)
        return "";
    WCHAR* wide = toDos(unixPath);
    if (wide == NULL)
        return "";
    char narrow[MAX_PATH];
    int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), NULL, NULL);
    HeapFree(GetProcessHeap(), 0, wide);
    return length > 0 ? std::string(narrow) : std::string();
}

DWORD RunChild(const char* name, const std::string& arg, std::string* output)
{
    return RunProgram("\"" + ProgramPath() + "\" --child " + name + " \"" + arg + "\"", output, NULL);
}

std::string WaitForFileText(const std::string& path, DWORD timeoutMs)
{
    // The writer renames a finished file into place, but for a moment after
    // the rename its handle may still keep readers out: read until it gives.
    DWORD start = GetTickCount();
    for (;;) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            std::string text = FileText(path);
            if (!text.empty())
                return text;
        }
        if (GetTickCount() - start >= timeoutMs)
            return "";
        Sleep(50);
    }
}

std::string FileText(const std::string& path)
{
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

unsigned long CountOwnHandles()
{
    // Wine hands out the lowest free handle value, so the table stays dense.
    // Each value is asked about on its own: Wine 8's wineserver crashes when
    // the system-wide handle list is read while a process started from the
    // Unix side connects (RunChildUnderLocale starts such processes).
    const ULONG_PTR kHighestProbed = 0x4000;
    unsigned long open = 0;
    for (ULONG_PTR value = 4; value <= kHighestProbed; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++open;
    }
    return open;
}

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

// A top-level window of this process, and all its descendants.
BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == GetCurrentProcessId()) {
        CountWindow(window, count);
        EnumChildWindows(window, CountWindow, count);
    }
    return TRUE;
}

}  // namespace

GuiObjects CountGuiObjects()
{
    GuiObjects objects;
    objects.userReported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    objects.gdiReported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&objects.windows));
    for (ULONG_PTR handle = 1; handle <= 0xFFFF; ++handle) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(handle)) != 0)
            ++objects.gdiCounted;
    }
    return objects;
}

std::string GuiObjects::text() const
{
    return "USER " + std::to_string(userReported) + ", GDI " + std::to_string(gdiReported) + " reported; " +
           std::to_string(windows) + " windows, " + std::to_string(gdiCounted) + " GDI objects counted";
}

std::vector<std::string> FilesIn(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
                names.push_back(found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string UnixPathOf(const std::string& path)
{
    typedef char*(CDECL * ToUnixFn)(LPCWSTR);
    ToUnixFn toUnix = reinterpret_cast<ToUnixFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    WCHAR wide[MAX_PATH];
    if (toUnix == NULL || MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0)
        return "";
    char* unixPath = toUnix(wide);
    if (unixPath == NULL)
        return "";
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

bool StartWithoutHandles(const std::string& commandLine)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    if (process.hThread != NULL)
        CloseHandle(process.hThread);
    if (process.hProcess != NULL)
        CloseHandle(process.hProcess);
    return true;
}

bool RunUnixCommand(const std::string& command, DWORD timeoutMs)
{
    std::string shell = DosNameOfUnixPath("/bin/sh");
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    static unsigned counter = 0;
    std::string status = std::string(base) + "pb-unix-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++counter) + ".txt";
    DeleteFileA(status.c_str());
    std::string unixStatus = UnixPathOf(status);
    if (shell.empty() || unixStatus.empty())
        return false;
    std::string script = command + "; echo $? > '" + unixStatus + ".part'; mv '" + unixStatus + ".part' '" +
                         unixStatus + "'";
    if (!StartWithoutHandles("\"" + shell + "\" -c \"" + script + "\""))
        return false;
    std::string text = WaitForFileText(status, timeoutMs);
    DeleteFileA(status.c_str());
    return text.compare(0, 1, "0") == 0 && (text.size() == 1 || text[1] == '\n');
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
    std::string selfPath = ProgramPath();
    std::string base = selfPath.substr(selfPath.find_last_of('\\') + 1);
    base = base.substr(0, base.size() - 4);
    std::string childName = base + "-" + version + ".exe";
    std::string childPath = ProgramDirectory() + "\\" + childName;
    CopyFileA(selfPath.c_str(), childPath.c_str(), FALSE);

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
    std::string commandLine = "\"" + ProgramPath() + "\" --child " + child + " \"" + argument + "\"";
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

int HoldFileOpen(const char* path, DWORD sharing, DWORD creation)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, sharing, NULL, creation, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    bool held = HeldChildReached();
    CloseHandle(file);
    return held ? 0 : 1;
}

// The child side of FileHeldByAnotherProcess: "--child HoldFile <path>".
TEST_CHILD(HoldFile)
{
    return HoldFileOpen(arg, 0, OPEN_EXISTING);
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

std::vector<Import> ImportsFrom(const char* dllName)
{
    std::vector<Import> imports;
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(NULL));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return imports;
    const IMAGE_IMPORT_DESCRIPTOR* descriptor =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dllName) != 0)
            continue;
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            Import import;
            import.byOrdinal = IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal);
            import.ordinal = import.byOrdinal ? IMAGE_ORDINAL(names->u1.Ordinal) : 0;
            if (!import.byOrdinal)
                import.name = reinterpret_cast<const char*>(
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            import.slot = reinterpret_cast<void**>(&slots->u1.Function);
            imports.push_back(import);
        }
    }
    return imports;
}

namespace {

const SIZE_T kTailBytes = 1024;
const BYTE kTailFill = 0xA5;

typedef HLOCAL(WINAPI* LocalAllocFn)(UINT, SIZE_T);
typedef SIZE_T(WINAPI* LocalSizeFn)(HLOCAL);
typedef HLOCAL(WINAPI* LocalFreeFn)(HLOCAL);

// The functions the import slots held before the check took them: a call
// from here by name would come back through the slot.
LocalAllocFn RealLocalAlloc = NULL;
LocalSizeFn RealLocalSize = NULL;
LocalFreeFn RealLocalFree = NULL;

struct TailedBlock {
    HLOCAL block;   // NULL: a free row
    SIZE_T size;    // as asked; the tail follows
};

TailedBlock TailedBlocks[64];
const LocalBlockTailCheck* LiveCheck = NULL;   // the check that swapped the slots
unsigned TailsChecked = 0;
unsigned TailsOverrun = 0;

TailedBlock* FindTailed(HLOCAL block)
{
    for (TailedBlock& tailed : TailedBlocks)
        if (tailed.block == block)
            return &tailed;
    return NULL;
}

// Movable blocks are handles, not addresses: only fixed ones get a tail.
HLOCAL WINAPI TailedLocalAlloc(UINT flags, SIZE_T size)
{
    TailedBlock* row = FindTailed(NULL);
    if ((flags & LMEM_MOVEABLE) != 0 || row == NULL)
        return RealLocalAlloc(flags, size);
    HLOCAL block = RealLocalAlloc(flags, size + kTailBytes);
    if (block != NULL) {
        memset(static_cast<BYTE*>(block) + size, kTailFill, kTailBytes);
        row->block = block;
        row->size = size;
    }
    return block;
}

SIZE_T WINAPI TailedLocalSize(HLOCAL block)
{
    const TailedBlock* tailed = block != NULL ? FindTailed(block) : NULL;
    return tailed != NULL ? tailed->size : RealLocalSize(block);
}

HLOCAL WINAPI TailedLocalFree(HLOCAL block)
{
    TailedBlock* tailed = block != NULL ? FindTailed(block) : NULL;
    if (tailed != NULL) {
        const BYTE* tail = static_cast<const BYTE*>(block) + tailed->size;
        ++TailsChecked;
        for (SIZE_T i = 0; i < kTailBytes; ++i) {
            if (tail[i] != kTailFill) {
                ++TailsOverrun;
                break;
            }
        }
        tailed->block = NULL;
    }
    return RealLocalFree(block);
}

// The import slot of one function this program takes from kernel32 by name.
void** KernelImportSlot(const char* function)
{
    for (const Import& import : ImportsFrom("KERNEL32.dll"))
        if (import.name == function)
            return import.slot;
    return NULL;
}

// Puts target in the slot and answers what was there, NULL when the slot
// is not found or cannot be written.
void* SwapImport(const char* function, void* target)
{
    void** slot = KernelImportSlot(function);
    DWORD protection = 0;
    if (slot == NULL || !VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection))
        return NULL;
    void* previous = *slot;
    *slot = target;
    VirtualProtect(slot, sizeof(*slot), protection, &protection);
    return previous;
}

}  // namespace

void* SwapKernelImport(const char* function, void* target) { return SwapImport(function, target); }

LocalBlockTailCheck::LocalBlockTailCheck() : active_(false)
{
    if (LiveCheck != NULL)
        return;   // another check is live: its slots and counts stay as they are
    TailsChecked = 0;
    TailsOverrun = 0;
    RealLocalAlloc = reinterpret_cast<LocalAllocFn>(SwapImport("LocalAlloc", reinterpret_cast<void*>(TailedLocalAlloc)));
    RealLocalSize = reinterpret_cast<LocalSizeFn>(SwapImport("LocalSize", reinterpret_cast<void*>(TailedLocalSize)));
    RealLocalFree = reinterpret_cast<LocalFreeFn>(SwapImport("LocalFree", reinterpret_cast<void*>(TailedLocalFree)));
    // A program that never asks LocalSize has no slot for it.
    active_ = RealLocalAlloc != NULL && RealLocalFree != NULL;
    LiveCheck = this;
}

// Blocks still out keep their tail: LocalSize and LocalFree of them stay
// right only while the check lives, so the test frees them first.
LocalBlockTailCheck::~LocalBlockTailCheck()
{
    if (LiveCheck != this)
        return;
    if (RealLocalAlloc != NULL)
        SwapImport("LocalAlloc", reinterpret_cast<void*>(RealLocalAlloc));
    if (RealLocalSize != NULL)
        SwapImport("LocalSize", reinterpret_cast<void*>(RealLocalSize));
    if (RealLocalFree != NULL)
        SwapImport("LocalFree", reinterpret_cast<void*>(RealLocalFree));
    RealLocalAlloc = NULL;
    RealLocalSize = NULL;
    RealLocalFree = NULL;
    LiveCheck = NULL;
}

unsigned LocalBlockTailCheck::checked() const
{
    return TailsChecked;
}

unsigned LocalBlockTailCheck::overrun() const
{
    return TailsOverrun;
}
