/*
 * COMCTL32.DLL for the tests: the property sheet of the common controls of
 * Windows 95 and of Windows NT 4 before a later Internet Explorer, which
 * knew only the version 1 header and pages. Such a sheet refuses a header or
 * a page that announces a larger size: PropertySheetA answers -1 before it
 * makes any page. Whatever it accepts goes on to the system's own comctl32,
 * loaded from the system folder under its full path, so the sheet the
 * library shows is real. See ComctlDoubleState in DoubleControl.h.
 *
 * Only PropertySheetA is exported: it is all the library and the programs
 * that load this double import from COMCTL32.DLL.
 */
/* The double defines PropertySheetA: the headers must not declare it imported. */
#define _COMCTL32_
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "DoubleControl.h"

static ComctlDoubleState state;
/* Loaded at the first sheet and kept for the life of the process. */
static HMODULE systemComctl;

ComctlDoubleState* WINAPI ComctlDoubleControl(void)
{
    return &state;
}

typedef INT_PTR (WINAPI* PropertySheetFn)(LPCPROPSHEETHEADERA);

static PropertySheetFn SystemPropertySheet(void)
{
    static const char name[] = "\\comctl32.dll";
    char path[MAX_PATH];
    if (systemComctl == NULL) {
        UINT length = GetSystemDirectoryA(path, MAX_PATH);
        if (length == 0 || length + sizeof(name) > MAX_PATH)
            return NULL;
        CopyMemory(path + length, name, sizeof(name));
        systemComctl = LoadLibraryA(path);
        if (systemComctl == NULL)
            return NULL;
    }
    return (PropertySheetFn)(void (*)(void))GetProcAddress(systemComctl, "PropertySheetA");
}

/* Logs the call, walking the pages by each one's own size as comctl32 does;
   TRUE when the old sheet takes every size. */
static BOOL LogAndCheck(DWORD call, LPCPROPSHEETHEADERA header)
{
    BOOL fits = header->dwSize <= PROPSHEETHEADERA_V1_SIZE;
    ComctlDoubleCall* log = call < COMCTL_DOUBLE_LOGGED_CALLS ? &state.log[call] : NULL;
    if (log != NULL) {
        log->headerSize = header->dwSize;
        log->flags = header->dwFlags;
        log->pageCount = header->nPages;
    }
    if (!(header->dwFlags & PSH_PROPSHEETPAGE))
        return fits;
    const BYTE* page = (const BYTE*)header->ppsp;
    for (UINT index = 0; index < header->nPages && page != NULL; ++index) {
        LPCPROPSHEETPAGEA descriptor = (LPCPROPSHEETPAGEA)page;
        if (descriptor->dwSize > PROPSHEETPAGEA_V1_SIZE)
            fits = FALSE;
        if (log != NULL && index < COMCTL_DOUBLE_LOGGED_PAGES) {
            log->pageSize[index] = descriptor->dwSize;
            log->pageTemplate[index] = (DWORD)(DWORD_PTR)descriptor->pszTemplate;
        }
        if (descriptor->dwSize == 0)
            break;
        page += descriptor->dwSize;
    }
    return fits;
}

INT_PTR WINAPI PropertySheetA(LPCPROPSHEETHEADERA header)
{
    DWORD call = state.calls++;
    if (header == NULL)
        return -1;
    BOOL fits = LogAndCheck(call, header);
    if (state.refuseAll || (!fits && !state.failAfterSheet))
        return -1;
    PropertySheetFn system = SystemPropertySheet();
    if (system == NULL)
        return -1;
    INT_PTR result = system(header);
    return state.failAfterSheet ? -1 : result;
}
