#include "PageConventions.h"

#include <stddef.h>

#include "EntryFiles.h"
#include "PhoneBookAccess.h"
#include "RasApiTable.h"
#include "Telephony.h"

static_assert(sizeof(PageDescriptor) == 48, "a version 2 page descriptor");
static_assert(offsetof(PageDescriptor, pfnDlgProc) == offsetof(PROPSHEETPAGEA, pfnDlgProc), "");
static_assert(offsetof(PageDescriptor, lParam) == offsetof(PROPSHEETPAGEA, lParam), "");
static_assert(offsetof(PageDescriptor, pszHeaderSubTitle) == offsetof(PROPSHEETPAGEA, pszHeaderSubTitle), "");
// The version 2 header: mingw's PROPSHEETHEADERA_V2_SIZE does not compile in
// C++, and the version 2 header is the whole structure here.
static_assert(sizeof(PROPSHEETHEADERA) == 52, "a version 2 sheet header");

VmrEntryRecord& CurrentEntry()
{
    return VmrPhoneBookAccess::Record(*CurrentPhoneBook);
}

void FillPageDescriptor(PageDescriptor& descriptor, int dialogId, LPCSTR title, DLGPROC pageProc)
{
    ZeroMemory(&descriptor, sizeof(descriptor));
    descriptor.dwSize = sizeof(descriptor);
    descriptor.dwFlags = PSP_USETITLE;
    descriptor.hInstance = ModuleInstance;
    descriptor.pszTemplate = MAKEINTRESOURCEA(dialogId);
    descriptor.pszTitle = title;
    descriptor.pfnDlgProc = pageProc;
}

namespace {

// The sheets that got as far as building their window, counted by the
// sheet's callback. A sheet that answers -1 without a step here was refused
// before any page was made.
volatile LONG sheetsBuilt = 0;

int CALLBACK NoteSheetBuilt(HWND, UINT message, LPARAM)
{
    if (message == PSCB_PRECREATE)
        InterlockedIncrement(&sheetsBuilt);
    return 0;
}

// The version 1 page: the version 2 one without the header texts, which no
// page of the library sets. (mingw's _V1_SIZE macros are no constants in C++.)
struct PageDescriptorV1 {
    BYTE bytes[offsetof(PageDescriptor, pszHeaderTitle)];
};
static_assert(sizeof(PageDescriptorV1) == 40, "a version 1 page descriptor");
const DWORD kVersion1Header = offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK);
static_assert(kVersion1Header == 40, "a version 1 sheet header");

// The sheet of the common controls of Windows 95 and of Windows NT 4 (until
// a later Internet Explorer brings newer ones) refuses the version 2 sizes:
// PropertySheetA answers -1 at once. The same pages go again in the version 1
// layout, which every flag the library uses already had.
INT_PTR RunVersion1Sheet(const PROPSHEETHEADERA& version2, const PageDescriptor* pages, UINT count)
{
    PageDescriptorV1 oldPages[kMostSheetPages];
    if (count > kMostSheetPages)
        return -1;
    for (UINT index = 0; index < count; ++index) {
        CopyMemory(oldPages[index].bytes, &pages[index], sizeof(oldPages[index].bytes));
        const DWORD size = sizeof(PageDescriptorV1);
        CopyMemory(oldPages[index].bytes, &size, sizeof(size));
    }
    PROPSHEETHEADERA header = version2;
    header.dwSize = kVersion1Header;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(oldPages);
    return PropertySheetA(&header);
}

}  // namespace

INT_PTR RunSheet(HWND parent, DWORD flags, LPCSTR caption, const PageDescriptor* pages, UINT count)
{
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof(header));
    header.dwSize = sizeof(header);
    header.dwFlags = flags | PSH_USECALLBACK;
    header.hwndParent = parent;
    header.hInstance = ModuleInstance;
    header.pszCaption = caption;
    header.nPages = count;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    header.pfnCallback = NoteSheetBuilt;

    StartTelephony();
    LONG builtBefore = sheetsBuilt;
    INT_PTR result = PropertySheetA(&header);
    // Another thread's sheet built meanwhile only costs this retry: never a
    // sheet shown twice.
    if (result == -1 && sheetsBuilt == builtBefore)
        result = RunVersion1Sheet(header, pages, count);
    StopTelephony();
    return result;
}

// PSM_SETCURSELID makes the move itself; the -1 keeps the sheet from making
// its own as well.
INT_PTR GoToPage(HWND page, int dialogId)
{
    SendMessageA(GetParent(page), PSM_SETCURSELID, 0, static_cast<LPARAM>(dialogId));
    return AnswerPage(page, -1);
}

INT_PTR StayOnPage(HWND page)
{
    return AnswerPage(page, -1);
}

INT_PTR AnswerPage(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

// Posted, not sent: the sheet is in the middle of activating the page.
void PostWizardButtons(HWND page, DWORD buttons)
{
    PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

void RemoveContextHelpButton(HWND page)
{
    if (!IsWindowsNT35())
        return;
    HWND sheet = GetParent(page);
    SetWindowLongPtrA(sheet, GWL_EXSTYLE, GetWindowLongPtrA(sheet, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
}

bool IsWindowsNT35()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 3 &&
           info.dwMinorVersion >= 5;
}
