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

// The directory of this test program, without a trailing backslash.
std::string ProgramDirectory();

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

#endif
