// The console's Phone Book tab as a host builds it over PhoneBk.dll: a window
// with the tabs "Phone Book" and "About", the connections in a list view, and
// the library's wizard, Properties sheet and delete confirmations behind its
// commands. Uses the library only through its public headers and import
// library.
#ifndef PHONEBOOK_TAB_H
#define PHONEBOOK_TAB_H

#include <windows.h>

#include "RasPhoneBook.h"
#include "VmrPhoneBook.h"

// Child windows of the main window, by id.
const int kTabsId = 100;
const int kListId = 101;
const int kDetailsId = 102;
const int kStatusId = 103;
const int kToolbarId = 104;
const int kAboutId = 105;
const int kFindId = 106;
const int kFindLabelId = 107;

// Registers the window class (once per process) and creates the main window,
// which keeps copies of the two phone books: their directory, and the
// defaults of a new entry. `chosenFolder` is the folder the host gave the
// phone book with SetPath, or null when the library chose it; the About tab
// says which. The window shows the names at once and reads the entries behind
// them while it runs. Null when the window cannot be made.
HWND CreatePhoneBookTab(HINSTANCE instance, const VmrPhoneBook& book, const RasPhoneBook& dialUp,
                        const char* chosenFolder, int show);

// Runs the message loop with the window's keyboard shortcuts until the window
// is closed; the program's exit code. Closing the window ends the loop only
// when it runs through this.
int RunPhoneBookTab(HWND window);

#endif
