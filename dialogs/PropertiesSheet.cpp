// VmrPhoneBook::QueryProperties: an existing entry in a property sheet of
// three pages, General, Login and Startup.
#include "PropertiesSheet.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include "ContextHelp.h"
#include "EntryFiles.h"
#include "Messages.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "RasApiTable.h"
#include "SecurityLogin.h"
#include "TextCopy.h"
#include "resource.h"

namespace {

// String 5633 is loaded into room for this many characters.
const size_t kFormatLength = 511;
// wsprintfA writes at most 1024 characters and a terminator.
const size_t kFormattedRoom = 1025;

struct SheetPage {
    int templateId;
    DLGPROC procedure;
};

// The sheet opens on the first.
const SheetPage kPages[] = {
    {IDD_GENERAL, GeneralPageProc},
    {IDD_LOGIN, LoginPageProc},
    {IDD_STARTUP, StartupPageProc},
};
const UINT kStartupPage = 2;
const UINT kPageCount = sizeof(kPages) / sizeof(kPages[0]);
static_assert(kPageCount <= kMostSheetPages, "room for the version 1 copy of the pages");

// The tabs ask for their own title and get none, so the sheet shows each
// template's caption instead.
const char kNoTitle[] = "";

// The caption of one of the library's dialog templates, converted to the
// ANSI code page into caption (size bytes). False, and caption empty, when the
// template is missing or malformed or the caption does not fit.
bool TemplateCaption(int templateId, char* caption, size_t size)
{
    caption[0] = '\0';
    HRSRC found = FindResourceA(ModuleInstance, MAKEINTRESOURCEA(templateId), RT_DIALOG);
    HGLOBAL loaded = found != NULL ? LoadResource(ModuleInstance, found) : NULL;
    const WORD* words = loaded != NULL ? static_cast<const WORD*>(LockResource(loaded)) : NULL;
    if (words == NULL)
        return false;
    size_t count = SizeofResource(ModuleInstance, found) / sizeof(WORD);
    // The words before the menu: DLGTEMPLATEEX has version, signature, help
    // id, extended style, style, item count and the rectangle; DLGTEMPLATE
    // style, extended style, item count and the rectangle.
    bool extended = count >= 2 && words[0] == 1 && words[1] == 0xFFFF;
    size_t at = extended ? 13 : 9;
    for (int field = 0; field < 2; ++field) {   // the menu, then the class
        if (at >= count)
            return false;
        if (words[at] == 0xFFFF) {
            at += 2;
        } else {
            while (at < count && words[at] != 0)
                ++at;
            ++at;
        }
    }
    size_t end = at;
    while (end < count && words[end] != 0)
        ++end;
    if (end >= count || end == at || size < 2)
        return false;
    int length = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(words + at), static_cast<int>(end - at),
                                     caption, static_cast<int>(size - 1), NULL, NULL);
    caption[length > 0 ? length : 0] = '\0';
    return length > 0;
}

}  // namespace

// comctl32 gives a tab whose descriptor asks for an empty title no text; the
// tabs then show what the pages' own templates call them. A text the platform
// chose itself is kept.
void ShowPageCaptionsOnTabs(HWND sheet)
{
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    int count = tabs != NULL ? static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0)) : 0;
    for (int index = 0; index < count; ++index) {
        char text[128] = "";
        TCITEMA item;
        ZeroMemory(&item, sizeof(item));
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        if (!SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) ||
            text[0] != '\0')
            continue;
        LRESULT templateId = SendMessageA(sheet, PSM_INDEXTOID, static_cast<WPARAM>(index), 0);
        if (templateId <= 0 || !TemplateCaption(static_cast<int>(templateId), text, sizeof(text)))
            continue;
        item.pszText = text;
        SendMessageA(tabs, TCM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

void GetEntryDisplayName(char* name, size_t size)
{
    if (name == NULL || size == 0)
        return;
    const char* entryName = VmrPhoneBookAccess::EntryName(*CurrentPhoneBook);
    char entry[kEntryNameSize];
    FetchFieldText(entryName, sizeof(entry), entry, sizeof(entry));
    // Each part is shorter than the whole, which fits in 256 bytes.
    char drive[MAX_PATH];
    char directory[MAX_PATH];
    char fileName[MAX_PATH];
    char extension[MAX_PATH];
    _splitpath(entry, drive, directory, fileName, extension);
    StoreFieldText(name, size, fileName);
}

void BuildPropertiesCaption(char* caption, size_t size)
{
    if (caption == NULL || size == 0)
        return;
    caption[0] = '\0';
    size_t room = size - 1 < kCaptionLength ? size - 1 : kCaptionLength;
    char format[kFormatLength + 1];
    if (!LoadResourceString(ModuleInstance, IDS_PROPERTIES_CAPTION, format, sizeof(format)))
        return;

    // A long name is cut rather than the format's own words, so the caption
    // still says what the sheet is. The format holds one "%s".
    size_t fixedLength = strlen(format) >= 2 ? strlen(format) - 2 : 0;
    size_t nameRoom = fixedLength < room ? room - fixedLength : 0;
    char name[256];
    GetEntryDisplayName(name, nameRoom + 1 < sizeof(name) ? nameRoom + 1 : sizeof(name));

    char formatted[kFormattedRoom];
    wsprintfA(formatted, format, name);
    // Only a translation whose own words pass the room is cut here.
    StoreFieldText(caption, room + 1, formatted);
}

void NotifySheetChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

INT_PTR AnswerHelp(HWND page, int topic)
{
    ShowHelpTopic(topic);
    return AnswerPage(page, 0);
}

int VmrPhoneBook::QueryProperties(HWND parent, char* entryName, int withoutUtilities)
{
    if (!SecurityLogin(parent, kConnectionRight))
        return 0;
    CurrentPhoneBook = this;
    if (!ReadEntry(entryName))
        return 0;

    PageDescriptor pages[kPageCount];
    for (UINT index = 0; index < kPageCount; ++index) {
        int templateId = kPages[index].templateId;
        if (index == kStartupPage && withoutUtilities != 0)
            templateId = IDD_STARTUP_CONNECT_DIALOG;
        FillPageDescriptor(pages[index], templateId, kNoTitle, kPages[index].procedure);
    }

    char caption[kCaptionLength + 1];
    BuildPropertiesCaption(caption, sizeof(caption));

    // OK and Cancel end the sheet alike: the pages have done the work.
    RunSheet(parent, PSH_PROPSHEETPAGE, caption, pages, kPageCount);
    return 1;
}
