// VmrPhoneBook::QueryCreateEntry: the connection type dialog, then either the
// Create New Connection wizard or the system's Dial-Up Networking dialog.
#include "Wizard.h"

#include <commctrl.h>
#include <string.h>

#include "DeviceLibrary.h"
#include "DialUpEntry.h"
#include "EntryFiles.h"
#include "Handles.h"
#include "Impersonation.h"
#include "Messages.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "PhoneBookLocation.h"
#include "RasApiTable.h"
#include "SecurityLogin.h"
#include "Telephony.h"
#include "TextCopy.h"
#include "WindowsVersion.h"
#include "resource.h"

namespace {

// The result bits the host reads.
const unsigned short kNothingCreated = 1;
const unsigned short kEntryWritten = 2;
const unsigned short kDialUpCreated = 4;
const unsigned short kSessionRequested = 8;

const int kMostPages = 7;
static_assert(kMostPages <= static_cast<int>(kMostSheetPages), "room for the version 1 copy of the pages");
const size_t kCaptionSize = 64;

const DWORD kSheetFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
static_assert(kSheetFlags == 0xA8, "");

// The sheet's answer: 1 or more for Finish, 0 for Cancel, -1 for a failure.
INT_PTR RunWizard(HWND parent, int omitUtilities)
{
    const WizardPage table[kMostPages] = {NameDevicePage(), PhoneNumberPage(), DialUpLinkPage(),
                                          WorkstationPage(), LoginPage(), UtilitiesPage(),
                                          FinishPage()};
    PageDescriptor pages[kMostPages];
    char titles[kMostPages][1] = {};   // each page its own empty title
    UINT count = 0;
    for (const WizardPage& page : table) {
        if (page.dialogId == IDD_WIZ_UTILITIES && omitUtilities != 0)
            continue;
        FillPageDescriptor(pages[count], page.dialogId, titles[count], page.proc);
        ++count;
    }

    char caption[kCaptionSize] = "";
    LoadResourceString(ModuleInstance, IDS_CREATE_NEW_CONNECTION, caption, sizeof(caption));

    return RunSheet(parent, kSheetFlags, caption, pages, count);
}

// The Dial-Up Networking path: the system's new-entry dialog, on systems
// that want it so with telephony running and as the desktop's user.
unsigned short CreateDialUpConnection(HWND parent, char* nameBuffer, unsigned short nameBufferSize)
{
    bool asShellUser = RegStoreDialUpAsUser() != 0 && IsWindows2000OrLater();
    // Ends on every way out: the host's thread comes back with the identity
    // it came with, never another.
    ImpersonationScope impersonation;
    if (asShellUser) {
        StartTelephony();
        impersonation.adopt(ImpersonateShellUser() != 0);
    }
    int created = CreateDialUpEntry(parent, nameBuffer, nameBufferSize);
    if (asShellUser)
        StopTelephony();
    impersonation.end();
    return created != 0 ? kDialUpCreated : kNothingCreated;
}

}  // namespace

void ShowWizardPage(HWND page, DWORD buttons)
{
    PostWizardButtons(page, buttons);
    // Posted, so that it arrives after the sheet has shown the page and set
    // the page's own title. The sheet loads the string from the library.
    PostMessageA(GetParent(page), PSM_SETTITLEA, 0,
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDS_CREATE_NEW_CONNECTION)));
}

unsigned short VmrPhoneBook::QueryCreateEntry(HWND parent, char* pathBuffer, unsigned short pathBufferSize,
                                              int omitUtilities)
{
    if (!EnsureSecurityLogin(parent, kConnectionRight))
        return kNothingCreated;

    // Before the reset, which takes the default of the Remote Control slot
    // from it.
    SuppressStartupUtilities = omitUtilities;
    InitializeClassData();
    CurrentPhoneBook = this;

    unsigned short result = static_cast<unsigned short>(ShowConnectionTypeDialog(parent));
    if (result == kChoiceVelmora) {
        if (RunWizard(parent, omitUtilities) >= 1) {
            // Room for four more characters than the path, whether or not the
            // name already carries the extension.
            size_t needed = strlen(PhoneBookPath) + strlen(EntryName) + 4;
            char path[kPathSize];
            if (pathBuffer != NULL && needed < pathBufferSize && ComposeEntryFilePath(*this, path))
                CopyWhole(pathBuffer, pathBufferSize, path);
        } else {
            result = kNothingCreated;
        }
    } else if (result == kChoiceDialUp) {
        result = CreateDialUpConnection(parent, pathBuffer, pathBufferSize);
    }

    if (EstablishSessionNow != 0)
        result = static_cast<unsigned short>(result + kSessionRequested);
    return result;
}
