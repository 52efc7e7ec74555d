// Helpers shared by the context help tests: children under another locale,
// a shell window owned by another process, the HTML Help control's registry
// entry for one process, and the doubles' records.
#ifndef PHONEBK_HELPTESTSUPPORT_H
#define PHONEBK_HELPTESTSUPPORT_H

#include <windows.h>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"

// Wine fixes a process's languages from the Unix locale it starts under, and
// a Windows child inherits its parent's: neither the child's environment
// block nor the registry changes them. So the program at exePath is started
// through the Unix side, "env LC_ALL=<unixLocale> wine <exePath> --child NAME
// <report>", where <report> is a file the child writes (see WriteChildReport)
// before it ends. Answers the report's text, or a "failure=<why>" line when
// no report came within the time limit; waits for the child to end before it
// returns.
std::string RunChildUnderLocale(const std::string& exePath, const char* unixLocale, const char* name);

// What a child started by RunChildUnderLocale reports: its process id is added,
// and the file appears whole or not at all.
bool WriteChildReport(const char* reportPath, const std::string& text);

// The same with a copy of this program, named copyName, in directory, for
// which Wine loads no HTML Help control from the system: the copy and its
// per-program Wine settings are removed again.
DWORD RunChildWithoutSystemHtmlHelp(const std::string& directory, const char* copyName, const char* name,
                                    const std::string& arg, std::string* output);

// The "Progman" / "Program Manager" window, owned by a child process, as the
// desktop shell owns it on Windows.
class ShellWindowInAnotherProcess
{
public:
    ShellWindowInAnotherProcess() : child_("OwnShellWindow", "x") {}
    bool ready() const { return child_.ready(); }
    DWORD processId() const { return child_.processId(); }

private:
    HeldChild child_;
};

// For the life of the object, HKEY_CLASSES_ROOT of this process alone is a
// private key under HKEY_CURRENT_USER. It holds HTML Help's class id with the
// given server as its default value (the key without a value when server is
// empty), or with kNoClassKey nothing at all. The private key is deleted
// again.
class HtmlHelpRegistration
{
public:
    enum Shape { kServerKey, kNoClassKey };
    explicit HtmlHelpRegistration(const std::string& server, Shape shape = kServerKey);
    ~HtmlHelpRegistration();
    HtmlHelpRegistration(const HtmlHelpRegistration&) = delete;
    HtmlHelpRegistration& operator=(const HtmlHelpRegistration&) = delete;
    bool active() const { return active_; }
    bool setServer(const std::string& server);
    // The value's bytes exactly, with no terminator added.
    bool setServerBytes(const char* bytes, DWORD count, DWORD type = REG_SZ);

private:
    std::string keyPath_;
    bool active_;
};

// The doubles beside this program.
std::string HtmlHelpDoublePath();        // exports HtmlHelpA at ordinal 14
std::string HtmlHelpWithoutOrdinalPath();  // exports it by name only

// Sets an environment variable of this process for the life of the object
// (inherited by every child started meanwhile).
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
};

// "name=value" lines, as the hh.exe double and the children write them.
std::map<std::string, std::string> ParseRecord(const std::string& text);

// The lines of a text, without their line ends.
std::vector<std::string> SplitLines(const std::string& text);

// True while the calling thread wears an impersonation token.
bool ThreadIsImpersonating(DWORD* lastError);

#endif
