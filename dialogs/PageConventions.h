// What every page of the wizard and of the Properties sheet does the same way:
// its descriptor, and the four answers a page gives the sheet.
#ifndef PHONEBK_PAGECONVENTIONS_H
#define PHONEBK_PAGECONVENTIONS_H

#include <windows.h>
#include <commctrl.h>

struct VmrEntryRecord;

// The record of the entry the open wizard or sheet edits: CurrentPhoneBook's.
// Pages and the field code they share reach the entry only through it.
VmrEntryRecord& CurrentEntry();

// A page descriptor of 48 bytes (the version 2 layout). comctl32 steps
// through the page array by each page's own size, so the array must hold
// descriptors of exactly the size they announce.
struct PageDescriptor {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    LPCSTR pszTemplate;
    HICON hIcon;
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
    LPCSTR pszHeaderTitle;
    LPCSTR pszHeaderSubTitle;
};

// Fills one descriptor: the library's template dialogId, the title, the
// page procedure, and nothing else.
void FillPageDescriptor(PageDescriptor& descriptor, int dialogId, LPCSTR title, DLGPROC pageProc);

// The most pages a sheet of the library has.
const UINT kMostSheetPages = 8;

// Runs a sheet of count pages modally, owned by parent and captioned
// caption, with telephony started just before it and stopped right after.
// The 52-byte header carries flags (PSH_PROPSHEETPAGE and what the sheet
// adds) and starts on the first page; where the common controls refuse the
// version 2 sizes at once, the same pages go again in the version 1 sizes.
// What PropertySheetA answers.
INT_PTR RunSheet(HWND parent, DWORD flags, LPCSTR caption, const PageDescriptor* pages, UINT count);

// The page's answers to a notification. Each returns what the page procedure
// returns.
INT_PTR GoToPage(HWND page, int dialogId);   // skip to another page
INT_PTR StayOnPage(HWND page);               // refuse the move (after a message)
INT_PTR AnswerPage(HWND page, LONG_PTR result);   // DWLP_MSGRESULT, handled
void PostWizardButtons(HWND page, DWORD buttons);

// Takes the "?" button off the sheet's caption on Windows NT 3.5x.
void RemoveContextHelpButton(HWND page);
bool IsWindowsNT35();

// The page's notification code, for a WM_NOTIFY's lParam.
inline UINT NotifyCode(LPARAM lParam) { return reinterpret_cast<const NMHDR*>(lParam)->code; }

#endif
