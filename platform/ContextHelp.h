// Context help: the product's compiled HTML help file, in the system's
// language, opened at the topic of the dialog that asks.
#ifndef PHONEBK_CONTEXTHELP_H
#define PHONEBK_CONTEXTHELP_H

#include <windows.h>

// The topic (map id in the help file) each dialog opens at, named by the
// dialog template that asks for it. Wizard page 5004 has no topic.
enum HelpTopicId {
    kHelpConnectionType = 4070,   // dialog 5000
    kHelpNameAndDevice = 4071,    // wizard page 5001
    kHelpPhoneNumber = 4072,      // wizard page 5008
    kHelpWorkstation = 4073,      // wizard page 5002
    kHelpLogin = 4074,            // wizard page 5003
    kHelpUtilities = 4075,        // wizard page 5009
    kHelpFinish = 4076,           // wizard page 5006
    kHelpGeneralPage = 4050,      // properties page 1200
    kHelpLoginPage = 4051,        // properties page 5007
    kHelpStartupPage = 4052,      // properties page 5010, and 106 without utilities
};

// HtmlHelpA as the HTML Help control exports it, by ordinal 14. Declared only
// to give the run-time bound pointer its type; nothing links against it.
extern "C" HWND WINAPI HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);
typedef decltype(&::HtmlHelpA) HtmlHelpFn;

const UINT kHtmlHelpContext = 0x000F;   // HH_HELP_CONTEXT: data is the map id

// The help file beside the host executable for the system default language,
// "vmhelp_en.chm" when that language's file cannot be opened. Fixed by the
// first call for the life of the process: a file installed later is not seen
// until the host restarts.
const char* GetHelpFilePath();

// Opens the help file at the topic: on Windows NT through the Windows
// directory's hh.exe started as the desktop's user, otherwise (and when that
// start fails) through the HTML Help control in this process. Without the
// control, nothing happens.
void ShowHelpTopic(int topic);

// The help viewer: hh.exe in the Windows directory, into path (MAX_PATH
// bytes). False when that does not fit.
bool GetHelpViewerPath(char* path);

// Starts the program at application (a full path: nothing is searched for)
// with the command line (possibly written to) as the owner of the shell
// window. 1 when it started. Either way the calling thread is back in its own
// identity and every handle is closed.
int LaunchAsInteractiveUser(const char* application, char* commandLine);

// HtmlHelpA through the run-time binding, which is made on the first call and
// kept for the process. Once loading the control or finding its entry has
// failed, every call answers NULL without trying again.
HWND CallHtmlHelp(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);

#endif
