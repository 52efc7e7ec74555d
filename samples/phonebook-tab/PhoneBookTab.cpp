// The Phone Book tab's window: its layout, its tabs and the list of
// connections with the details of the selected one.
//
// The list is always read back from the phone books after a change, never
// patched by hand: what it shows is what is on disk (and in Dial-Up
// Networking's phone book) at the last refresh.
//
// What a host takes from here for a phone book of thousands: the names come
// from EnumEntryNames alone, the entries are read on the window's own thread
// in short slices, and the list asks for its texts (see "The list" below).
#include "PhoneBookTab.h"

#include <string.h>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "HostText.h"
#include "TabWindow.h"
#include "resources/TabResources.h"

// The sort arrows of comctl32 6, which the older headers leave out; the
// header control of an older comctl32 ignores them.
#ifndef HDF_SORTUP
#define HDF_SORTUP 0x0400
#define HDF_SORTDOWN 0x0200
#endif

namespace phonebook_tab {

namespace {

int PHONEBK_CALLBACK CollectName(char* entry, long list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(entry);
    return 1;
}

}  // namespace

std::vector<char> Writable(const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

std::string Field(VmrPhoneBook& book, void (VmrPhoneBook::*get)(char*, unsigned short))
{
    char text[600];
    (book.*get)(text, sizeof(text));
    return text;
}

bool SameNoCase(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static ULONGLONG LastWritten(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// What CreateWindowEx hands to WM_NCCREATE: the phone books the window
// copies.
struct CreationParameters {
    const VmrPhoneBook& book;
    const RasPhoneBook& dialUp;
    const char* chosenFolder;
};

LRESULT CALLBACK PhoneBookTab::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PhoneBookTab* tab = reinterpret_cast<PhoneBookTab*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        // The window owns its object from here to WM_NCDESTROY.
        const CreationParameters* parameters =
            static_cast<const CreationParameters*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        tab = new PhoneBookTab(parameters->book, parameters->dialUp, parameters->chosenFolder);
        tab->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tab));
    }
    if (tab == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = tab->Handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete tab;
    }
    return result;
}

LRESULT PhoneBookTab::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return OnCreate() ? 0 : -1;
    case WM_SIZE: OnSize(); return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) != kFindId)
            OnCommand(LOWORD(wParam));
        else if (HIWORD(wParam) == EN_CHANGE)
            OnFindChanged();
        return 0;
    case WM_TIMER: if (wParam == kReadTimer) ReadSlice(); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_SETFOCUS: if (OnPhoneBookTab()) SetFocus(list_); return 0;
    case WM_CTLCOLORSTATIC: return OnStaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_APP_RENAME: Rename(renameRow_, renameText_); return 0;
    case WM_APP_QUIT_ON_CLOSE: quitOnClose_ = true; return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    default: return DefWindowProcA(window_, message, wParam, lParam);
    }
}

bool PhoneBookTab::OnCreate()
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    CreateToolbar();
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                              window_, reinterpret_cast<HMENU>(kStatusId), instance, NULL);
    tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, window_,
                            reinterpret_cast<HMENU>(kTabsId), instance, NULL);
    if (toolbar_ == NULL || status_ == NULL || tabs_ == NULL)
        return false;
    SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    const UINT tabTexts[] = {IDS_TAB_PHONE_BOOK, IDS_TAB_ABOUT};
    for (int i = 0; i < 2; ++i) {
        std::vector<char> text = Writable(LoadText(tabTexts[i]));
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageA(tabs_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }

    CreateList();
    details_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                               0, 0, 0, 0, window_, reinterpret_cast<HMENU>(kDetailsId), instance, NULL);
    about_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT, 0, 0, 0, 0, window_,
                             reinterpret_cast<HMENU>(kAboutId), instance, NULL);
    findLabel_ = CreateWindowExA(0, "STATIC", LoadText(IDS_FIND_LABEL).c_str(), WS_CHILD | WS_VISIBLE | SS_RIGHT, 0,
                                 0, 0, 0, window_, reinterpret_cast<HMENU>(kFindLabelId), instance, NULL);
    find_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
                            0, 0, window_, reinterpret_cast<HMENU>(kFindId), instance, NULL);
    if (list_ == NULL || details_ == NULL || about_ == NULL || findLabel_ == NULL || find_ == NULL)
        return false;
    for (HWND control : {details_, about_, findLabel_, find_})
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    SendMessageA(find_, EM_LIMITTEXT, 255, 0);
    const int parts[] = {360, -1};
    SendMessageA(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    CheckMenuRadioItem(GetMenu(window_), IDM_VIEW_LARGE_ICONS, IDM_VIEW_DETAILS, IDM_VIEW_DETAILS, MF_BYCOMMAND);
    Refresh(std::string());
    return true;
}

void PhoneBookTab::CreateToolbar()
{
    toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_TOP,
                               0, 0, 0, 0, window_, reinterpret_cast<HMENU>(kToolbarId), GetModuleHandleA(NULL),
                               NULL);
    if (toolbar_ == NULL)
        return;
    SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP standard = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    int first = static_cast<int>(SendMessageA(toolbar_, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard)));
    TBADDBITMAP views = {HINST_COMMCTRL, IDB_VIEW_SMALL_COLOR};
    int firstView = static_cast<int>(SendMessageA(toolbar_, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&views)));
    struct Tool {
        int image;
        int command;
        UINT text;
    };
    const Tool tools[] = {
        {first + STD_FILENEW, IDM_NEW, IDS_TOOL_NEW},
        {first + STD_PROPERTIES, IDM_PROPERTIES, IDS_TOOL_PROPERTIES},
        {first + STD_DELETE, IDM_DELETE, IDS_TOOL_DELETE},
        {first + STD_REPLACE, IDM_RENAME, IDS_TOOL_RENAME},
        {first + STD_COPY, IDM_COPY, IDS_TOOL_COPY},
        {first + STD_REDOW, IDM_REFRESH, IDS_TOOL_REFRESH},
        {0, 0, 0},
        {firstView + VIEW_LARGEICONS, IDM_VIEW_LARGE_ICONS, 0},
        {firstView + VIEW_DETAILS, IDM_VIEW_DETAILS, 0},
    };
    for (const Tool& tool : tools) {
        TBBUTTON button = {};
        button.iBitmap = tool.image;
        button.idCommand = tool.command;
        button.fsState = TBSTATE_ENABLED;
        bool view = tool.command == IDM_VIEW_LARGE_ICONS || tool.command == IDM_VIEW_DETAILS;
        button.fsStyle = tool.command == 0 ? BTNS_SEP : (view ? BTNS_CHECKGROUP : BTNS_BUTTON) | BTNS_AUTOSIZE;
        if (tool.command == IDM_VIEW_DETAILS)
            button.fsState |= TBSTATE_CHECKED;
        button.iString = -1;
        if (tool.text != 0) {
            std::string text = LoadText(tool.text);
            // The toolbar's string list: one text, ended by two zeros.
            std::vector<char> list(text.begin(), text.end());
            list.push_back('\0');
            list.push_back('\0');
            button.iString = SendMessageA(toolbar_, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(list.data()));
        }
        SendMessageA(toolbar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
}

void PhoneBookTab::CreateList()
{
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS |
                                LVS_AUTOARRANGE | LVS_OWNERDATA,
                            0, 0, 0, 0, window_, reinterpret_cast<HMENU>(kListId), GetModuleHandleA(NULL), NULL);
    if (list_ == NULL)
        return;
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

    // The library's own icons: a connection, and a device for Dial-Up
    // Networking; the image lists keep copies. The list view owns its image
    // lists (it has no LVS_SHAREIMAGELISTS) and destroys them with itself:
    // the window never does.
    HMODULE library = GetModuleHandleA(kLibraryName);
    HIMAGELIST smallImages = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
    HIMAGELIST largeImages = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 3, 0);
    const int icons[] = {kConnectionIcon, kDeviceIcon};
    for (HIMAGELIST images : {smallImages, largeImages}) {
        int size = images == smallImages ? 16 : 32;
        for (int icon : icons) {
            HICON loaded = static_cast<HICON>(
                LoadImageA(library, MAKEINTRESOURCEA(icon), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
            ImageList_AddIcon(images, loaded != NULL ? loaded : LoadIconA(NULL, IDI_APPLICATION));
            if (loaded != NULL)
                DestroyIcon(loaded);
        }
        ImageList_AddIcon(images, LoadIconA(NULL, IDI_WARNING));   // shared: never destroyed
    }
    ListView_SetImageList(list_, smallImages, LVSIL_SMALL);
    ListView_SetImageList(list_, largeImages, LVSIL_NORMAL);

    const UINT titles[] = {IDS_COLUMN_NAME, IDS_COLUMN_KIND, IDS_COLUMN_ADDRESS, IDS_COLUMN_LOGIN};
    const int widths[] = {160, 215, 180, 120};
    for (int i = 0; i < 4; ++i) {
        std::vector<char> title = Writable(LoadText(titles[i]));
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = widths[i];
        column.iSubItem = i;
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

// The details are read-only, not disabled: they keep the colours of text.
LRESULT PhoneBookTab::OnStaticColour(HDC dc, HWND control)
{
    if (control != details_)
        return DefWindowProcA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void PhoneBookTab::OnDestroy()
{
    // Closing the window leaves the tab as much as choosing another does.
    if (OnPhoneBookTab())
        book_.OnExitPhoneBookTab();
    KillTimer(window_, kReadTimer);
    ++generation_;   // a read waiting in a message box leaves the rows alone
    if (quitOnClose_)
        PostQuitMessage(0);
}

void PhoneBookTab::OnSize()
{
    RECT client;
    GetClientRect(window_, &client);
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    SendMessageA(status_, WM_SIZE, 0, 0);
    const int parts[] = {std::max(static_cast<int>(client.right) - 240, 120), -1};
    SendMessageA(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    RECT bar;
    GetWindowRect(toolbar_, &bar);
    int top = bar.bottom - bar.top;
    GetWindowRect(status_, &bar);
    int bottom = client.bottom - (bar.bottom - bar.top);
    MoveWindow(tabs_, 4, top + 2, client.right - 8, bottom - top - 4, TRUE);

    RECT page = {4, top + 2, client.right - 4, bottom - 2};
    TabCtrl_AdjustRect(tabs_, FALSE, &page);
    int detailsHeight = 84;
    int findHeight = 22;
    int width = page.right - page.left;
    int height = page.bottom - page.top;
    // The Find box above the list, its label as wide as its text.
    int labelWidth = 60;
    HDC dc = GetDC(findLabel_);
    if (dc != NULL) {
        HGDIOBJ old = SelectObject(dc, font_);
        std::string label = LoadText(IDS_FIND_LABEL);
        SIZE extent;
        if (GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &extent))
            labelWidth = extent.cx + 4;
        SelectObject(dc, old);
        ReleaseDC(findLabel_, dc);
    }
    MoveWindow(findLabel_, page.left, page.top + 4, labelWidth, findHeight - 6, TRUE);
    MoveWindow(find_, page.left + labelWidth + 4, page.top, std::min(260, width - labelWidth - 4), findHeight, TRUE);
    page.top += findHeight + 4;
    height -= findHeight + 4;
    MoveWindow(list_, page.left, page.top, width, height - detailsHeight - 4, TRUE);
    MoveWindow(details_, page.left, page.bottom - detailsHeight, width, detailsHeight, TRUE);
    MoveWindow(about_, page.left + 8, page.top - findHeight + 4, width - 16, height + findHeight - 12, TRUE);
    ReadVisibleRows();
}

void PhoneBookTab::ShowTab(int tab)
{
    bool phoneBook = tab == 0;
    ShowWindow(list_, phoneBook ? SW_SHOW : SW_HIDE);
    ShowWindow(details_, phoneBook ? SW_SHOW : SW_HIDE);
    ShowWindow(find_, phoneBook ? SW_SHOW : SW_HIDE);
    ShowWindow(findLabel_, phoneBook ? SW_SHOW : SW_HIDE);
    ShowWindow(about_, phoneBook ? SW_HIDE : SW_SHOW);
    // The list's commands wait for the list.
    const int commands[] = {IDM_NEW, IDM_PROPERTIES, IDM_DELETE, IDM_RENAME, IDM_COPY, IDM_REFRESH,
                            IDM_VIEW_LARGE_ICONS, IDM_VIEW_DETAILS};
    for (int command : commands)
        SendMessageA(toolbar_, TB_ENABLEBUTTON, command, phoneBook);
    if (!phoneBook) {
        char library[MAX_PATH] = "";
        GetModuleFileNameA(GetModuleHandleA(kLibraryName), library, sizeof(library));
        std::string version = "?";
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(library, &ignored);
        std::vector<char> info(size);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        if (size != 0 && GetFileVersionInfoA(library, 0, size, info.data()) &&
            VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) &&
            fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
            version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                      std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                      std::to_string(HIWORD(fixed->dwFileVersionLS));
        }
        // The folder as the host chose it, or the library's rule: the
        // object's bytes are the library's own business.
        std::string about;
        if (!chosenFolder_.empty()) {
            about = FormatText(IDS_ABOUT, {TextInsert(version), TextInsert(chosenFolder_)});
        } else {
            char program[MAX_PATH] = "";
            GetModuleFileNameA(NULL, program, sizeof(program));
            about = FormatText(IDS_ABOUT_OWN_FOLDER, {TextInsert(version), TextInsert(DirectoryPart(program))});
        }
        SetWindowTextA(about_, about.c_str());
    } else {
        SetFocus(list_);
    }
}

// ---- The list
//
// The list is virtual (LVS_OWNERDATA): it asks for the text of the rows it
// draws, so ten thousand names cost no more to show than a hundred. Refresh
// lists the names, shows them, and reads the rows on the screen before it
// returns; the rest are read from a timer, a slice at a time, visible rows
// first. Every library call stays on the window's thread, as the library
// asks: ReadEntry may show a message box, which needs the window's thread to
// own it, and the library's state is not shared between threads. A reader
// thread with its own phone book object would also work, but a host would
// then have to keep every message of the library away from it.

void PhoneBookTab::Refresh(const std::string& selectKey)
{
    ++generation_;
    KillTimer(window_, kReadTimer);
    std::vector<std::string> files;
    book_.EnumEntryNames(CollectName, reinterpret_cast<long>(&files));
    std::vector<std::string> dialUpNames;
    dialUp_.EnumEntryNames(CollectName, reinterpret_cast<long>(&dialUpNames));

    std::vector<Row> rows;
    rows.reserve(files.size() + dialUpNames.size());
    for (const std::string& file : files) {
        // The listing matches short names (x.vmrx) too: only a file of the
        // extension is a connection. Whether it opens shows when it is read.
        if (!EndsWithNoCase(file, kExtension))
            continue;
        rows.emplace_back();
        Row& row = rows.back();
        row.key = file;
        row.name = FileNamePart(file);
        row.name.resize(row.name.size() - strlen(kExtension));
        row.sortKey = SortKey(row.name);
    }
    entryCount_ = rows.size();
    // Dial-Up Networking's entries follow as a group of their own; they need
    // no reading.
    std::string dialUpKind = LoadText(IDS_KIND_DIALUP);
    for (const std::string& name : dialUpNames) {
        rows.emplace_back();
        Row& row = rows.back();
        row.dialUp = true;
        row.state = Row::kRead;
        row.image = kDialUpImage;
        row.name = name;
        row.key = name;
        row.kind = dialUpKind;
        row.sortKey = SortKey(name);
    }
    rows_.swap(rows);
    readCursor_ = 0;
    readCount_ = 0;
    ApplyView(selectKey, true);
    if (readCount_ < entryCount_)
        SetTimer(window_, kReadTimer, USER_TIMER_MINIMUM, NULL);
    ShowProgress();
}

// The rows that pass the Find box, in the order of the sort column; the row
// of selectKey selected. The rows are sorted again only when asked (the
// rows, the column or what is known of them changed): a letter typed in the
// Find box only filters. The rows on the screen are read at once.
void PhoneBookTab::ApplyView(const std::string& selectKey, bool sort)
{
    if (sort || order_.size() != rows_.size()) {
        order_.resize(rows_.size());
        for (size_t i = 0; i < order_.size(); ++i)
            order_[i] = i;
        std::sort(order_.begin(), order_.end(), [this](size_t a, size_t b) { return Precedes(a, b); });
        readCursor_ = 0;
    }
    std::string folded = FoldCase(findText_);
    std::vector<size_t> shown;
    shown.reserve(order_.size());
    for (size_t index : order_) {
        if (Shows(rows_[index], folded))
            shown.push_back(index);
    }
    shown_.swap(shown);

    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(shown_.size()), 0);
    int select = -1;
    for (size_t i = 0; i < shown_.size() && !selectKey.empty(); ++i) {
        if (rows_[shown_[i]].key.size() == selectKey.size() && SameNoCase(rows_[shown_[i]].key, selectKey)) {
            select = static_cast<int>(i);
            break;
        }
    }
    if (select >= 0) {
        ListView_SetItemState(list_, select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, select, FALSE);
    }
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    ReadVisibleRows();
    InvalidateRect(list_, NULL, TRUE);
    ShowSortArrow();
    ShowDetails();
    ShowCount();
}

// The Find box looks in the name and in the number or workstation, without
// regard to case. A row not read yet is found by its name only. The row's
// own texts are folded once, when it is first looked at.
bool PhoneBookTab::Shows(Row& row, const std::string& folded)
{
    if (folded.empty())
        return true;
    if (row.folded.empty())
        row.folded = FoldCase(row.name) + "\n" + FoldCase(row.address);
    return HoldsText(row.folded, folded);
}

// The phone book's entries come before Dial-Up Networking's; by another
// column than the name, rows not read yet come last, in either direction;
// equal texts go by name.
bool PhoneBookTab::Precedes(size_t a, size_t b) const
{
    const Row& first = rows_[a];
    const Row& second = rows_[b];
    if (first.dialUp != second.dialUp)
        return !first.dialUp;
    int order = 0;
    if (sortColumn_ != kNameColumn) {
        bool firstUnread = first.state == Row::kUnread, secondUnread = second.state == Row::kUnread;
        if (firstUnread != secondUnread)
            return secondUnread;
        const std::string Row::*column = sortColumn_ == kKindColumn      ? &Row::kind
                                         : sortColumn_ == kAddressColumn ? &Row::address
                                                                         : &Row::login;
        order = CompareNoCase(first.*column, second.*column);
    }
    if (order == 0)
        order = first.sortKey.compare(second.sortKey);
    if (order == 0)
        return a < b;
    return sortAscending_ ? order < 0 : order > 0;
}

// A click on a column's header sorts by it; a second click turns the order.
void PhoneBookTab::SortBy(int column)
{
    if (column < kNameColumn || column > kLoginColumn)
        return;
    sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
    sortColumn_ = column;
    ApplyView(FocusedKey(), true);
}

void PhoneBookTab::ShowSortArrow()
{
    HWND header = ListView_GetHeader(list_);
    for (int column = kNameColumn; column <= kLoginColumn && header != NULL; ++column) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        if (!Header_GetItem(header, column, &item))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == sortColumn_)
            item.fmt |= sortAscending_ ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, column, &item);
    }
}

void PhoneBookTab::OnFindChanged()
{
    char text[256] = "";
    GetWindowTextA(find_, text, sizeof(text));
    std::string typed = TrimBlanks(text);
    if (typed == findText_)
        return;
    findText_ = typed;
    ApplyView(FocusedKey(), false);
}

// Reads one entry into its row. The library may show a message (an entry of
// a later version) and run a modal loop meanwhile, in which a command may
// refresh the list: nothing of the row is touched unless the generation is
// still the same.
void PhoneBookTab::ReadRow(size_t index)
{
    unsigned generation = generation_;
    std::string key = rows_[index].key;
    std::vector<char> path = Writable(key);
    // The library tells the user once that an entry cannot be read; the
    // same file, unchanged, is not read again at every refresh.
    auto known = unreadable_.find(key);
    ULONGLONG written = known != unreadable_.end() ? LastWritten(key) : 0;
    bool readable = !(known != unreadable_.end() && known->second == written) && book_.ReadEntry(path.data()) == 1;
    std::string kind, address, login;
    if (readable && generation == generation_) {
        address = AddressText(book_);
        login = Field(book_, &VmrPhoneBook::GetLoginName);
        kind = KindText(book_, path.data());
    }
    if (generation != generation_)
        return;
    Row& row = rows_[index];
    if (readable) {
        unreadable_.erase(key);
        row.state = Row::kRead;
        row.image = kConnectionImage;
        row.kind = kind;
        row.address = address;
        row.folded.clear();
        row.login = login;
    } else {
        unreadable_[key] = LastWritten(key);
        row.state = Row::kUnreadable;
        row.image = kUnreadableImage;
        row.kind = LoadText(IDS_KIND_UNREADABLE);
    }
    ++readCount_;
}

// The rows on the screen, at once. In the icon view every row counts as on
// the screen: only the first ones are taken here, the timer reads the rest.
void PhoneBookTab::ReadVisibleRows()
{
    if (reading_ || readCount_ == entryCount_)
        return;
    reading_ = true;
    unsigned generation = generation_;
    int top = ListView_GetTopIndex(list_);
    int count = std::min(ListView_GetCountPerPage(list_) + 1, 64);
    for (int item = top; item < top + count && item < static_cast<int>(shown_.size()); ++item) {
        if (rows_[shown_[item]].state == Row::kUnread)
            ReadRow(shown_[item]);
        if (generation != generation_)
            break;
    }
    reading_ = false;
}

// The next row to read: one on the screen first, else the next in the
// list's order, found or not. -1 when every row is read.
int PhoneBookTab::NextUnreadRow()
{
    int top = ListView_GetTopIndex(list_);
    int count = ListView_GetCountPerPage(list_) + 1;
    for (int item = top; item < top + count && item < static_cast<int>(shown_.size()); ++item) {
        if (rows_[shown_[item]].state == Row::kUnread)
            return static_cast<int>(shown_[item]);
    }
    while (readCursor_ < order_.size() && rows_[order_[readCursor_]].state != Row::kUnread)
        ++readCursor_;
    return readCursor_ < order_.size() ? static_cast<int>(order_[readCursor_]) : -1;
}

// One slice of the background reading: entries until the slice's time is
// up or input waits. The last slice stops the timer and, where the order or
// the Find box depends on what was read, applies them to every row.
void PhoneBookTab::ReadSlice()
{
    if (reading_)
        return;
    reading_ = true;
    unsigned generation = generation_;
    DWORD start = GetTickCount();
    int next;
    while ((next = NextUnreadRow()) >= 0) {
        ReadRow(static_cast<size_t>(next));
        if (generation != generation_ || GetTickCount() - start >= kSliceMilliseconds ||
            HIWORD(GetQueueStatus(QS_INPUT)) != 0)
            break;
    }
    reading_ = false;
    if (generation != generation_)
        return;
    int top = ListView_GetTopIndex(list_);
    ListView_RedrawItems(list_, top, top + ListView_GetCountPerPage(list_) + 1);
    if (readCount_ < entryCount_) {
        ShowProgress();
        return;
    }
    KillTimer(window_, kReadTimer);
    if (sortColumn_ != kNameColumn || !findText_.empty())
        ApplyView(FocusedKey(), sortColumn_ != kNameColumn);
    ShowDetails();
    ShowProgress();
}

// The second part of the status bar: how far the reading is, empty when
// every entry is read.
void PhoneBookTab::ShowProgress()
{
    std::string text;
    if (readCount_ < entryCount_) {
        text = FormatText(IDS_STATUS_READING, {NumberInsert(static_cast<unsigned long>(readCount_)),
                                               NumberInsert(static_cast<unsigned long>(entryCount_))});
    }
    SendMessageA(status_, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

void PhoneBookTab::OnGetDisplayInfo(NMLVDISPINFOA* info)
{
    int index = RowAt(info->item.iItem);
    if (index < 0)
        return;
    const Row& row = rows_[index];
    if (info->item.mask & LVIF_TEXT) {
        const std::string* columns[] = {&row.name, &row.kind, &row.address, &row.login};
        int column = info->item.iSubItem;
        if (column >= kNameColumn && column <= kLoginColumn)
            CopyText(info->item.pszText, info->item.cchTextMax, *columns[column]);
    }
    if (info->item.mask & LVIF_IMAGE)
        info->item.iImage = row.image;
}

// Typing a name's first letters in the list goes to the next row whose
// name begins with them, as in a list that holds its own items.
LRESULT PhoneBookTab::FindItem(int from, UINT flags, const std::string& typed)
{
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || shown_.empty())
        return -1;
    int count = static_cast<int>(shown_.size());
    int start = from >= 0 && from < count ? from : 0;
    for (int step = 0; step < count; ++step) {
        int item = (start + step) % count;
        const std::string& name = rows_[shown_[item]].name;
        if (name.size() >= typed.size() &&
            CompareNoCase(name.substr(0, typed.size()), typed) == 0 &&
            ((flags & LVFI_PARTIAL) || name.size() == typed.size()))
            return item;
    }
    return -1;
}

// The row behind an item of the list, -1 for none.
int PhoneBookTab::RowAt(int item) const
{
    return item >= 0 && static_cast<size_t>(item) < shown_.size() ? static_cast<int>(shown_[item]) : -1;
}

// The kind follows the device type; a network connection may run over
// Dial-Up Networking. IsRasLinkEntry reads the entry once more, so the
// caller takes the other columns first.
std::string PhoneBookTab::KindText(VmrPhoneBook& book, char* path)
{
    switch (book.GetDeviceType()) {
    case 1: return LoadText(IDS_KIND_MODEM);
    case 2: return LoadText(IDS_KIND_CABLE);
    default: return LoadText(book.IsRasLinkEntry(path) ? IDS_KIND_NETWORK_DIALUP : IDS_KIND_NETWORK);
    }
}

std::string PhoneBookTab::AddressText(VmrPhoneBook& book)
{
    unsigned short type = book.GetDeviceType();
    if (type == 2)
        return std::string();
    if (type != 1)
        return Field(book, &VmrPhoneBook::GetConnectWorkstationName);
    std::string number = Field(book, &VmrPhoneBook::GetConnectPhoneNumber);
    std::string area = Field(book, &VmrPhoneBook::GetConnectAreaCode);
    if (book.UseCountryCodeAndAreaCode() && !area.empty())
        return "(" + area + ") " + number;
    return number;
}

std::string PhoneBookTab::DetailsText(VmrPhoneBook& book)
{
    std::string none = LoadText(IDS_NONE);
    auto orNone = [&none](const std::string& text) { return text.empty() ? none : text; };
    std::string device = orNone(Field(book, &VmrPhoneBook::GetTapiLineName));
    std::string adapter = orNone(Field(book, &VmrPhoneBook::GetAdapterName));
    std::string country = Field(book, &VmrPhoneBook::GetConnectCountryCode);
    std::string area = Field(book, &VmrPhoneBook::GetConnectAreaCode);
    std::string codes = orNone(book.UseCountryCodeAndAreaCode() ? TrimBlanks(country + " " + area) : std::string());
    std::string link = orNone(Field(book, &VmrPhoneBook::GetRasLinkName));
    std::string locator = orNone(book.UseInternet() ? Field(book, &VmrPhoneBook::GetInternetLocatorServer)
                                                    : std::string());
    std::string dialog = LoadText(book.GetDisplayConnectDialog() ? IDS_YES : IDS_NO);
    char password[64];
    book.GetPassword(password, sizeof(password));
    std::string passwordState = LoadText(password[0] != '\0' ? IDS_PASSWORD_SET : IDS_NONE);
    SecureZeroMemory(password, sizeof(password));
    std::string utilities;
    for (unsigned short slot = 0; slot < 10; ++slot) {
        if (book.IsStartupUtility(slot))
            utilities += (utilities.empty() ? "" : ", ") + std::to_string(slot + 1);
    }
    utilities = orNone(utilities);
    return FormatText(IDS_DETAILS, {TextInsert(device), TextInsert(adapter), TextInsert(codes), TextInsert(link),
                                    TextInsert(locator), NumberInsert(book.GetConnectTimeout()),
                                    TextInsert(dialog), TextInsert(passwordState), TextInsert(utilities)});
}

void PhoneBookTab::ShowDetails()
{
    int index = FocusedRow();
    std::vector<int> selected = SelectedRows();
    std::string text;
    if (index >= 0 && selected.size() == 1) {
        const Row& row = rows_[index];
        if (row.dialUp) {
            text = row.name + "\r\n" + LoadText(IDS_KIND_DIALUP);
        } else {
            // A row the reading has not reached yet is read now, once.
            if (row.state == Row::kUnread && !reading_) {
                unsigned generation = generation_;
                reading_ = true;
                ReadRow(static_cast<size_t>(index));
                reading_ = false;
                if (generation != generation_)
                    return;
            }
            std::vector<char> path = Writable(row.key);
            if (row.state == Row::kRead && book_.ReadEntry(path.data()))
                text = DetailsText(book_);
        }
    }
    SetWindowTextA(details_, text.c_str());
}

std::vector<int> PhoneBookTab::SelectedRows() const
{
    std::vector<int> rows;
    for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list_, item, LVNI_SELECTED)) {
        if (RowAt(item) >= 0)
            rows.push_back(RowAt(item));
    }
    return rows;
}

int PhoneBookTab::FocusedRow() const
{
    int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (item < 0)
        item = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    return RowAt(item);
}

std::string PhoneBookTab::FocusedKey() const
{
    int row = FocusedRow();
    return row >= 0 ? rows_[row].key : std::string();
}

// A row whose entry went away since the last refresh is said so, and the
// list is read again.
bool PhoneBookTab::StillThere(const Row& row)
{
    std::vector<char> key = Writable(row.key);
    bool there = row.dialUp ? dialUp_.IsValidEntry(key.data()) == 1 : FileExists(row.key);
    if (!there) {
        Say(IDS_GONE, row.name);
        Refresh(std::string());
    }
    return there;
}

// The row a command for one connection acts on, when it is still there.
bool PhoneBookTab::TakeFocusedRow(Row* row)
{
    int index = FocusedRow();
    if (index < 0)
        return false;
    *row = rows_[index];
    return StillThere(*row);
}


LRESULT PhoneBookTab::OnNotify(const NMHDR* header)
{
    if (header->idFrom == static_cast<UINT_PTR>(kTabsId)) {
        if (header->code == TCN_SELCHANGING && OnPhoneBookTab())
            book_.OnExitPhoneBookTab();
        else if (header->code == TCN_SELCHANGE)
            ShowTab(TabCtrl_GetCurSel(tabs_));
        return 0;
    }
    if (header->idFrom != static_cast<UINT_PTR>(kListId))
        return 0;
    switch (header->code) {
    case NM_DBLCLK:
        if (reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem >= 0)
            Properties();
        return 0;
    case NM_RETURN: Properties(); return 0;
    case LVN_KEYDOWN: {
        WORD key = reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey;
        if (key == VK_DELETE)
            Delete();
        else if (key == VK_F2)
            StartRename();
        return 0;
    }
    case LVN_ITEMCHANGED:
        if (reinterpret_cast<const NMLISTVIEW*>(header)->uChanged & LVIF_STATE)
            ShowDetails();
        return 0;
    case LVN_ODSTATECHANGED: ShowDetails(); return 0;
    case LVN_GETDISPINFOA: OnGetDisplayInfo(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header))); return 0;
    case LVN_COLUMNCLICK: SortBy(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem); return 0;
    case LVN_ODFINDITEMA: {
        const NMLVFINDITEMA* find = reinterpret_cast<const NMLVFINDITEMA*>(header);
        if (find->lvfi.psz == NULL)
            return -1;
        return FindItem(find->iStart, find->lvfi.flags, find->lvfi.psz);
    }
    case LVN_ODFINDITEMW: {
        // Wine's list view asks in Unicode even an ANSI parent.
        const NMLVFINDITEMW* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
        char typed[256] = "";
        if (find->lvfi.psz == NULL ||
            !WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, typed, sizeof(typed), NULL, NULL))
            return -1;
        return FindItem(find->iStart, find->lvfi.flags, typed);
    }
    case LVN_BEGINLABELEDITA: {
        HWND edit = ListView_GetEditControl(list_);
        if (edit != NULL)
            SendMessageA(edit, EM_LIMITTEXT, 255, 0);
        return FALSE;
    }
    case LVN_ENDLABELEDITA: {
        // The rename runs once the edit is gone: a message box shown from
        // inside the notification would meet the edit half closed.
        const NMLVDISPINFOA* info = reinterpret_cast<const NMLVDISPINFOA*>(header);
        if (info->item.pszText == NULL || RowAt(info->item.iItem) < 0)
            return FALSE;
        renameRow_ = RowAt(info->item.iItem);
        renameText_ = info->item.pszText;
        PostMessageA(window_, WM_APP_RENAME, 0, 0);
        return FALSE;
    }
    default:
        return 0;
    }
}


}  // namespace phonebook_tab

HWND CreatePhoneBookTab(HINSTANCE instance, const VmrPhoneBook& book, const RasPhoneBook& dialUp,
                        const char* chosenFolder, int show)
{
    using namespace phonebook_tab;
    WNDCLASSA windowClass = {};
    if (!GetClassInfoA(instance, kClassName, &windowClass)) {
        windowClass.lpfnWndProc = PhoneBookTab::WindowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconA(GetModuleHandleA(kLibraryName), MAKEINTRESOURCEA(kConnectionIcon));
        windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassA(&windowClass))
            return NULL;
    }
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    CreationParameters parameters = {book, dialUp, chosenFolder};
    HWND window = CreateWindowExA(0, kClassName, LoadText(IDS_APP_TITLE).c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 760, 520, NULL,
                                  menu, instance, &parameters);
    if (window == NULL) {
        if (menu != NULL)
            DestroyMenu(menu);
        return NULL;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

int RunPhoneBookTab(HWND window)
{
    using phonebook_tab::WM_APP_QUIT_ON_CLOSE;
    SendMessageA(window, WM_APP_QUIT_ON_CLOSE, 0, 0);
    HACCEL shortcuts = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (shortcuts != NULL && TranslateAcceleratorA(window, shortcuts, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
