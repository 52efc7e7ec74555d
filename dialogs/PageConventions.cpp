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

INT_PTR RunSheet(HWND parent, DWORD flags, LPCSTR caption, const PageDescriptor* pages, UINT count)
{
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof(header));
    header.dwSize = sizeof(header);
    header.dwFlags = flags;
    header.hwndParent = parent;
    header.hInstance = ModuleInstance;
    header.pszCaption = caption;
    header.nPages = count;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);

    StartTelephony();
    INT_PTR result = PropertySheetA(&header);
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
