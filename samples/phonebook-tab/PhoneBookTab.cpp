// The Phone Book tab's window: its controls, their layout and the tabs.
// The list's rows and the commands live in TabList.cpp and TabCommands.cpp.
//
// What a host takes from here for a phone book of thousands: the names come
// from EnumEntryNames alone, listed on a thread of the reader's
// (EntryRows.h) as the entries are read on its reader threads, both coming
// back by a posted message, and the list asks for its texts (TabList.cpp).
// The window never waits for a listing or a read.
#include "PhoneBookTab.h"

#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

#include "HostText.h"
#include "TabWindow.h"
#include "resources/TabResources.h"

namespace phonebook_tab {

std::vector<char> Writable(const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

bool SameNoCase(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// What CreateWindowEx hands to WM_NCCREATE: the phone books the window
// copies.
struct CreationParameters {
    const VmrPhoneBook& book;
    const RasPhoneBook& dialUp;
    const char* chosenFolder;
};

// Called on a reader or the lister thread: the window takes the listing and
// the reads on its own.
void PostReadsDone(void* window)
{
    PostMessageA(static_cast<HWND>(window), WM_APP_READS_DONE, 0, 0);
}

}  // namespace

LONG PhoneBookTab::living_ = 0;

PhoneBookTab::~PhoneBookTab()
{
    InterlockedDecrement(&living_);
}

long PhoneBookTab::Living()
{
    return InterlockedCompareExchange(&living_, 0, 0);
}

LRESULT CALLBACK PhoneBookTab::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PhoneBookTab* tab = reinterpret_cast<PhoneBookTab*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        // The window owns its object from here to WM_NCDESTROY, or to the
        // end of the handling that was under way then.
        const CreationParameters* parameters =
            static_cast<const CreationParameters*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        tab = new PhoneBookTab(parameters->book, parameters->dialUp, parameters->chosenFolder);
        tab->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tab));
    }
    if (tab == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    ++tab->depth_;
    LRESULT result = tab->Handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        tab->closed_ = true;
    }
    if (--tab->depth_ == 0 && tab->closed_)
        delete tab;
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
    case WM_NOTIFY: return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_SETFOCUS: if (OnPhoneBookTab()) SetFocus(list_); return 0;
    case WM_CTLCOLORSTATIC: return OnStaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_APP_READS_DONE: OnReadsDone(); return 0;
    case WM_APP_HURRY: Hurry(); return 0;
    case WM_APP_RENAME: Rename(renameRow_, renameText_); return 0;
    case WM_APP_QUIT_ON_CLOSE: quitOnClose_ = true; return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    default: return DefWindowProcA(window_, message, wParam, lParam);
    }
}

bool PhoneBookTab::OnCreate()
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    reader_ = EntryReader::Create(book_, dialUp_, PostReadsDone, window_);
    if (reader_ == nullptr)
        return false;
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
    // The host's own view buttons, in the order of the system's view bitmap:
    // the VIEW_ indexes hold.
    TBADDBITMAP views = {reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE)), IDB_VIEW_BUTTONS};
    int firstView = static_cast<int>(SendMessageA(toolbar_, TB_ADDBITMAP, 4, reinterpret_cast<LPARAM>(&views)));
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
    int widths[] = {160, 215, 180, 120};
    // The kinds are a handful of texts: the column fits the longest in the
    // user's language.
    const UINT kinds[] = {IDS_KIND_MODEM, IDS_KIND_CABLE, IDS_KIND_NETWORK, IDS_KIND_NETWORK_DIALUP,
                          IDS_KIND_DIALUP, IDS_KIND_UNREADABLE, IDS_KIND_READING, IDS_KIND_OTHER_VERSION};
    for (UINT kind : kinds) {
        int width = ListView_GetStringWidth(list_, LoadText(kind).c_str()) + 16;
        widths[kKindColumn] = std::min(std::max(widths[kKindColumn], width), 400);
    }
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
    // The reads still out finish on their own, into the reader alone.
    if (reader_ != nullptr)
        reader_->Detach();
    reader_ = nullptr;
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
    if (phoneBook)
        SetFocus(list_);
    else
        ShowAbout();
}

// The library's version and the phone book's folder.
void PhoneBookTab::ShowAbout()
{
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
    if (header->idFrom == static_cast<UINT_PTR>(kListId))
        return OnListNotify(header);
    return 0;
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
