// Helpers shared by the test programs.
#ifndef PHONEBK_TESTSUPPORT_H
#define PHONEBK_TESTSUPPORT_H

#include <windows.h>
#include <string>
#include <vector>

// A top-level window of class "Progman" titled "Program Manager", owned by
// this process, as the Windows shell has it. A phone book's constructor waits
// for one; tests create it so that nothing waits.
class ShellWindow
{
public:
    ShellWindow();
    ~ShellWindow();
    ShellWindow(const ShellWindow&) = delete;
    ShellWindow& operator=(const ShellWindow&) = delete;
    HWND handle() const { return window_; }

private:
    HWND window_;
};

// A fresh, empty directory under the temporary folder, removed with its files
// when the object goes.
class TempDir
{
public:
    explicit TempDir(const char* tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }   // no trailing backslash
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// The full path of this test program, and its directory without a trailing
// backslash.
std::string ProgramPath();
std::string ProgramDirectory();

// Puts the double of the help viewer that lies beside this program
// (hh-double.exe, which records how it was started) where the library starts
// the viewer from: hh.exe in the Windows directory of the tests' own Wine
// prefix. Answers that path, "" when the double could not be put there.
std::string InstallHelpViewerDouble();

// Runs this test program again as a child under a Windows version that Wine
// reports for it ("win98", "nt40", "win2k", "win7"), with the arguments
// "--child NAME ARG". Returns the child's exit code; its standard output is
// appended to output.
DWORD RunChildUnderVersion(const char* version, const char* name, const std::string& arg,
                           std::string* output);

// A function run in a child process by name; its result is the exit code.
typedef int (*ChildFunction)(const char* arg);
struct ChildRegistration {
    ChildRegistration(const char* name, ChildFunction function);
};
#define TEST_CHILD(name) \
    static int name(const char* arg); \
    static ChildRegistration name##Registration(#name, name); \
    static int name(const char* arg)

// This program run again as the child `child` (see TEST_CHILD) with one
// argument, held in the state it reaches until the object ends. The child
// calls HeldChildReached() once it is there, which then waits for the release:
// the object's destructor gives it, and waits for the child to end.
class HeldChild
{
public:
    HeldChild(const std::string& child, const std::string& argument);
    ~HeldChild();
    HeldChild(const HeldChild&) = delete;
    HeldChild& operator=(const HeldChild&) = delete;
    // The child reached its state (false when it failed or never started).
    bool ready() const { return ready_; }
    DWORD processId() const { return processId_; }

private:
    HANDLE release_;
    HANDLE process_;
    DWORD processId_;
    bool ready_;
};

// In a held child: tells the parent the state is reached, then waits for the
// release, dispatching this thread's messages meanwhile (so that a window the
// child owns answers). False when the parent is not a HeldChild.
bool HeldChildReached();

// In a held child: opens the file for reading and writing with the sharing
// and creation given, holds it until the release, and answers the child's
// exit code (0 when it held the file).
int HoldFileOpen(const char* path, DWORD sharing, DWORD creation);

// Another process that holds a file open without sharing, until the object
// goes.
class FileHeldByAnotherProcess
{
public:
    explicit FileHeldByAnotherProcess(const std::string& path) : child_("HoldFile", path) {}
    bool holding() const { return child_.ready(); }

private:
    HeldChild child_;
};

// Runs a program with arguments (a command line), returning its exit code and
// what it wrote to stdout and stderr.
DWORD RunProgram(const std::string& commandLine, std::string* out, std::string* err);

// Runs this program again as "--child NAME ARG" with the same environment and
// answers its exit code; its standard output is put into output.
DWORD RunChild(const char* name, const std::string& arg, std::string* output);

// The DOS name Wine gives a Unix path, and the Unix name of a Windows path
// ("" when there is none), through kernel32's Wine extensions.
std::string DosNameOfUnixPath(const char* unixPath);
std::string UnixPathOf(const std::string& path);

// Starts a program and lets go of it at once; for Unix programs, of which
// Wine hands out no handle.
bool StartWithoutHandles(const std::string& commandLine);

// Runs a command line of /bin/sh on the Unix side of Wine and waits up to
// timeoutMs for it to end; true when its status was 0. Wine hands out no
// handle of a Unix program, so the status comes back through a file. The
// command must hold no double quote.
bool RunUnixCommand(const std::string& command, DWORD timeoutMs = 20000);

// Waits up to timeoutMs for the file to exist with some text and answers
// the text ("" if none came).
std::string WaitForFileText(const std::string& path, DWORD timeoutMs);

// The file's text, "" when there is none.
std::string FileText(const std::string& path);

// The number of handles this process holds (values up to 0x4000), counted
// one by one: Wine's GetProcessHandleCount answers 0.
unsigned long CountOwnHandles();

// What this process holds of the window system: its USER and GDI objects as
// GetGuiResources reports them (Wine answers 0 for both, with error 120),
// and as counted here one by one: the windows this process owns, top-level
// and child, and the GDI handles GetObjectType knows (Wine finds an object by
// the low word of its handle; Windows would not).
struct GuiObjects {
    DWORD userReported = 0;
    DWORD gdiReported = 0;
    DWORD windows = 0;
    DWORD gdiCounted = 0;
    std::string text() const;   // all four, for comparing and for messages
};
GuiObjects CountGuiObjects();

// The names of the files and folders in a directory, sorted.
std::vector<std::string> FilesIn(const std::string& directory);

// Files and their contents.
bool WriteFileBytes(const std::string& path, const void* data, size_t size);
std::vector<unsigned char> ReadFileBytes(const std::string& path);

// Points PXMSGBOX.dll's journal at a fresh file for the life of the object and
// reads back what was "shown": one line per message, style TAB caption TAB
// text, with line breaks written as \n.
// A journal line of one of the library's own messages: the exclamation
// style, the caption "Phone Book", and the text (line breaks written as \n).
std::string PhoneBookMessage(const std::string& text);

class MessageJournal
{
public:
    MessageJournal();
    ~MessageJournal();
    MessageJournal(const MessageJournal&) = delete;
    MessageJournal& operator=(const MessageJournal&) = delete;
    std::vector<std::string> lines() const;

private:
    std::string path_;
};

// One function this program imports from a DLL, as its import directory
// names it, and its import slot, which holds the address the loader bound.
struct Import {
    bool byOrdinal;
    WORD ordinal;
    std::string name;   // "" when imported by ordinal
    void** slot;
    void* bound() const { return *slot; }
};
std::vector<Import> ImportsFrom(const char* dllName);

// Puts target in this program's import slot of the kernel32 function (its
// own calls, and those of library code linked into it) and answers what was
// there; NULL when there is no such slot.
void* SwapKernelImport(const char* function, void* target);

// For its life, the LocalAlloc, LocalSize and LocalFree calls this program
// makes itself (the library code linked into it, not the DLLs it loads) go
// through it: each block gets a tail of 1 KB more, filled with a pattern, and
// LocalFree counts the blocks whose tail was written. A test sees a write
// past the end of a block this way; Wine's heap does not report one.
// One thread at a time, and one check at a time: a second, made while one
// lives, is not active and changes nothing.
class LocalBlockTailCheck
{
public:
    LocalBlockTailCheck();
    ~LocalBlockTailCheck();
    LocalBlockTailCheck(const LocalBlockTailCheck&) = delete;
    LocalBlockTailCheck& operator=(const LocalBlockTailCheck&) = delete;

    bool active() const { return active_; }
    unsigned checked() const;   // blocks freed with their tail looked at
    unsigned overrun() const;   // of those, the blocks whose tail was written

private:
    bool active_;
};

#endif
