// The Phone Book tab's window: layout, the list of connections and the
// commands behind the menu, the toolbar and the keys.
//
// The list is always read back from the phone books after a change, never
// patched by hand: what it shows is what is on disk (and in Dial-Up
// Networking's phone book) at the last refresh.
#include "PhoneBookTab.h"

#include <commctrl.h>
#include <string.h>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "HostText.h"
#include "resources/TabResources.h"

namespace {

const char kClassName[] = "VelmoraPhoneBookTab";
const char kLibraryName[] = "PhoneBk.dll";
const char kExtension[] = ".vmr";
// The characters the wizard refuses in a connection name.
const char kForbiddenNameCharacters[] = "\\/:*?\"<>|";

// The library's resources the host shows: its delete confirmations (their
// text control holds the pattern to fill in) and its icons.
const int kConfirmDeleteDialog = 1500;
const int kConfirmDeleteManyDialog = 1510;
const int kConfirmText = 1501;
const int kConnectionIcon = 101;
const int kDeviceIcon = 109;

// The right every dialog of the library asks the security login for.
const unsigned short kChangeRight = 3;

// QueryCreateEntry's answers.
const unsigned short kCreatedEntry = 2;
const unsigned short kCreatedDialUpEntry = 4;
const unsigned short kSessionWanted = 8;
const unsigned short kCreatedNothing = 1;

const UINT WM_APP_RENAME = WM_APP + 1;        // a label edit ended: rename now
const UINT WM_APP_QUIT_ON_CLOSE = WM_APP + 2;

enum Column { kNameColumn, kKindColumn, kAddressColumn, kLoginColumn };
enum Image { kConnectionImage, kDialUpImage, kUnreadableImage };

struct Row {
    bool dialUp = false;
    bool readable = true;
    std::string name;   // as the phone book stores it
    std::string key;    // the entry file's full path, or the Dial-Up Networking entry's name
};

int PHONEBK_CALLBACK CollectName(char* entry, long list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(entry);
    return 1;
}

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

ULONGLONG LastWritten(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// Dialogs 1500 and 1510 come with their text as a pattern: the name (%1!s!)
// or the number (%1!d!) is filled in when the dialog opens.
INT_PTR CALLBACK ConfirmDeleteProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        char pattern[1024] = "";
        GetDlgItemTextA(dialog, kConfirmText, pattern, sizeof(pattern));
        std::string text = FormatText(pattern, {static_cast<DWORD_PTR>(lParam)});
        if (!text.empty())
            SetDlgItemTextA(dialog, kConfirmText, text.c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam) == IDYES ? IDYES : IDNO);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

struct CreationParameters {
    const VmrPhoneBook& book;
    const RasPhoneBook& dialUp;
};

class PhoneBookTab
{
public:
    PhoneBookTab(const VmrPhoneBook& book, const RasPhoneBook& dialUp)
    {
        // Hosts copy the phone books by value. The pristine copy keeps the
        // record's defaults for the example entries.
        book_ = book;
        pristine_ = book;
        dialUp_ = dialUp;
    }
    PhoneBookTab(const PhoneBookTab&) = delete;
    PhoneBookTab& operator=(const PhoneBookTab&) = delete;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnDestroy();
    void OnSize();
    void OnCommand(int command);
    LRESULT OnNotify(const NMHDR* header);
    LRESULT OnStaticColour(HDC dc, HWND control);

    void CreateToolbar();
    void CreateList();
    void ShowTab(int tab);
    bool OnPhoneBookTab() const { return TabCtrl_GetCurSel(tabs_) == 0; }

    void Refresh(const std::string& selectKey);
    void AddRow(size_t index);
    void ShowDetails();
    std::string KindText(VmrPhoneBook& book, char* path);
    std::string AddressText(VmrPhoneBook& book);
    std::string DetailsText(VmrPhoneBook& book);
    std::vector<int> SelectedRows() const;
    int FocusedRow() const;
    std::string FocusedKey() const;
    bool StillThere(const Row& row);
    bool TakeFocusedRow(Row* row);

    void NewConnection();
    void NewDialUpConnection();
    void Properties();
    void Delete();
    int ConfirmDelete(const std::vector<int>& rows);
    void StartRename();
    void Rename(int rowIndex, const std::string& typed);
    UINT NameProblem(const std::string& name, const std::string& target, const std::string& current);
    void Copy();
    void AddExamples();
    void SetView(DWORD view);

    bool MayChange();
    void Say(UINT id, const std::string& insert = std::string());
    void SetStatus(const std::string& text);
    void ShowCount();

    VmrPhoneBook book_;
    VmrPhoneBook pristine_;
    RasPhoneBook dialUp_;
    HWND window_ = NULL;
    HWND tabs_ = NULL;
    HWND list_ = NULL;
    HWND details_ = NULL;
    HWND status_ = NULL;
    HWND toolbar_ = NULL;
    HWND about_ = NULL;
    HIMAGELIST smallImages_ = NULL;
    HIMAGELIST largeImages_ = NULL;
    HFONT font_ = NULL;
    bool quitOnClose_ = false;
    std::vector<Row> rows_;
    std::map<std::string, ULONGLONG> unreadable_;   // entry file and its time when it failed
    int renameRow_ = -1;
    std::string renameText_;
};

LRESULT CALLBACK PhoneBookTab::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PhoneBookTab* tab = reinterpret_cast<PhoneBookTab*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        // The window owns its object from here to WM_NCDESTROY.
        const CreationParameters* parameters =
            static_cast<const CreationParameters*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        tab = new PhoneBookTab(parameters->book, parameters->dialUp);
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
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
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
    if (list_ == NULL || details_ == NULL || about_ == NULL)
        return false;
    SendMessageA(details_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    SendMessageA(about_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
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
                                LVS_AUTOARRANGE,
                            0, 0, 0, 0, window_, reinterpret_cast<HMENU>(kListId), GetModuleHandleA(NULL), NULL);
    if (list_ == NULL)
        return;
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

    // The library's own icons: a connection, and a device for Dial-Up
    // Networking; the image lists keep copies.
    HMODULE library = GetModuleHandleA(kLibraryName);
    smallImages_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
    largeImages_ = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 3, 0);
    const int icons[] = {kConnectionIcon, kDeviceIcon};
    for (HIMAGELIST images : {smallImages_, largeImages_}) {
        int size = images == smallImages_ ? 16 : 32;
        for (int icon : icons) {
            HICON loaded = static_cast<HICON>(
                LoadImageA(library, MAKEINTRESOURCEA(icon), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
            ImageList_AddIcon(images, loaded != NULL ? loaded : LoadIconA(NULL, IDI_APPLICATION));
            if (loaded != NULL)
                DestroyIcon(loaded);
        }
        ImageList_AddIcon(images, LoadIconA(NULL, IDI_WARNING));   // shared: never destroyed
    }
    ListView_SetImageList(list_, smallImages_, LVSIL_SMALL);
    ListView_SetImageList(list_, largeImages_, LVSIL_NORMAL);

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
    if (smallImages_ != NULL)
        ImageList_Destroy(smallImages_);
    if (largeImages_ != NULL)
        ImageList_Destroy(largeImages_);
    smallImages_ = largeImages_ = NULL;
    if (quitOnClose_)
        PostQuitMessage(0);
}

void PhoneBookTab::OnSize()
{
    RECT client;
    GetClientRect(window_, &client);
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    SendMessageA(status_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(toolbar_, &bar);
    int top = bar.bottom - bar.top;
    GetWindowRect(status_, &bar);
    int bottom = client.bottom - (bar.bottom - bar.top);
    MoveWindow(tabs_, 4, top + 2, client.right - 8, bottom - top - 4, TRUE);

    RECT page = {4, top + 2, client.right - 4, bottom - 2};
    TabCtrl_AdjustRect(tabs_, FALSE, &page);
    int detailsHeight = 84;
    int width = page.right - page.left;
    int height = page.bottom - page.top;
    MoveWindow(list_, page.left, page.top, width, height - detailsHeight - 4, TRUE);
    MoveWindow(details_, page.left, page.bottom - detailsHeight, width, detailsHeight, TRUE);
    MoveWindow(about_, page.left + 8, page.top + 8, width - 16, height - 16, TRUE);
}

void PhoneBookTab::ShowTab(int tab)
{
    bool phoneBook = tab == 0;
    ShowWindow(list_, phoneBook ? SW_SHOW : SW_HIDE);
    ShowWindow(details_, phoneBook ? SW_SHOW : SW_HIDE);
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
        // The phone book directory is the object's first field, 260 bytes:
        // the layout is the published one.
        const char* directory = reinterpret_cast<const char*>(&book_);
        std::string folder(directory, strnlen(directory, 260));
        SetWindowTextA(about_, FormatText(IDS_ABOUT, {TextInsert(version), TextInsert(folder)}).c_str());
    } else {
        SetFocus(list_);
    }
}

// ---- The list

void PhoneBookTab::Refresh(const std::string& selectKey)
{
    std::vector<std::string> files;
    book_.EnumEntryNames(CollectName, reinterpret_cast<long>(&files));
    std::vector<std::string> dialUpNames;
    dialUp_.EnumEntryNames(CollectName, reinterpret_cast<long>(&dialUpNames));

    std::vector<Row> rows;
    for (const std::string& file : files) {
        // The listing matches short names (x.vmrx) and directories too: only
        // a file of the extension that opens is a connection.
        std::vector<char> path = Writable(file);
        if (!EndsWithNoCase(file, kExtension) || !book_.IsValidEntry(path.data()))
            continue;
        Row row;
        row.key = file;
        row.name = FileNamePart(file);
        row.name.resize(row.name.size() - strlen(kExtension));
        rows.push_back(row);
    }
    auto byName = [](const Row& a, const Row& b) { return lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0; };
    std::sort(rows.begin(), rows.end(), byName);
    // Dial-Up Networking's entries follow as a group of their own, in the
    // order its phone book lists them.
    for (const std::string& name : dialUpNames) {
        Row row;
        row.dialUp = true;
        row.name = name;
        row.key = name;
        rows.push_back(row);
    }

    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    rows_ = rows;
    for (size_t i = 0; i < rows_.size(); ++i)
        AddRow(i);
    int select = -1;
    for (size_t i = 0; i < rows_.size() && !selectKey.empty(); ++i) {
        if (SameNoCase(rows_[i].key, selectKey))
            select = static_cast<int>(i);
    }
    if (select >= 0) {
        ListView_SetItemState(list_, select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, select, FALSE);
    }
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, NULL, TRUE);
    ShowDetails();
    ShowCount();
}

void PhoneBookTab::AddRow(size_t index)
{
    Row& row = rows_[index];
    std::string kind = LoadText(IDS_KIND_DIALUP);
    std::string address, login;
    int image = kDialUpImage;
    if (!row.dialUp) {
        std::vector<char> path = Writable(row.key);
        // The library tells the user once that an entry cannot be read; the
        // same file, unchanged, is not read again at every refresh.
        ULONGLONG written = LastWritten(row.key);
        auto known = unreadable_.find(row.key);
        row.readable = !(known != unreadable_.end() && known->second == written) &&
                       book_.ReadEntry(path.data()) == 1;
        if (row.readable)
            unreadable_.erase(row.key);
        else
            unreadable_[row.key] = written;
        if (row.readable) {
            address = AddressText(book_);
            login = Field(book_, &VmrPhoneBook::GetLoginName);
            kind = KindText(book_, path.data());
            image = kConnectionImage;
        } else {
            kind = LoadText(IDS_KIND_UNREADABLE);
            image = kUnreadableImage;
        }
    }
    std::vector<char> name = Writable(row.name);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = static_cast<int>(index);
    item.pszText = name.data();
    item.iImage = image;
    item.lParam = static_cast<LPARAM>(index);
    int at = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    const std::string* columns[] = {&kind, &address, &login};
    for (int column = kKindColumn; column <= kLoginColumn; ++column) {
        std::vector<char> text = Writable(*columns[column - 1]);
        LVITEMA sub = {};
        sub.iSubItem = column;
        sub.pszText = text.data();
        SendMessageA(list_, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
    }
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
        } else if (row.readable) {
            std::vector<char> path = Writable(row.key);
            if (book_.ReadEntry(path.data()))
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
        LVITEMA lookup = {};
        lookup.mask = LVIF_PARAM;
        lookup.iItem = item;
        if (SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lookup)) &&
            lookup.lParam >= 0 && static_cast<size_t>(lookup.lParam) < rows_.size())
            rows.push_back(static_cast<int>(lookup.lParam));
    }
    return rows;
}

int PhoneBookTab::FocusedRow() const
{
    int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (item < 0)
        item = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (item < 0)
        return -1;
    LVITEMA lookup = {};
    lookup.mask = LVIF_PARAM;
    lookup.iItem = item;
    if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lookup)) || lookup.lParam < 0 ||
        static_cast<size_t>(lookup.lParam) >= rows_.size())
        return -1;
    return static_cast<int>(lookup.lParam);
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

// ---- Commands

void PhoneBookTab::OnCommand(int command)
{
    switch (command) {
    case IDM_LOG_OUT: book_.SecurityLogout(); SetStatus(LoadText(IDS_STATUS_LOGGED_OUT)); return;
    case IDM_EXIT: DestroyWindow(window_); return;
    default: break;
    }
    if (!OnPhoneBookTab())
        return;
    switch (command) {
    case IDM_NEW: NewConnection(); break;
    case IDM_NEW_DIALUP: NewDialUpConnection(); break;
    case IDM_PROPERTIES: Properties(); break;
    case IDM_DELETE: Delete(); break;
    case IDM_RENAME: StartRename(); break;
    case IDM_COPY: Copy(); break;
    case IDM_ADD_EXAMPLES: AddExamples(); break;
    case IDM_REFRESH: Refresh(FocusedKey()); break;
    case IDM_VIEW_LARGE_ICONS: SetView(LVS_ICON); break;
    case IDM_VIEW_DETAILS: SetView(LVS_REPORT); break;
    default: break;
    }
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
        if (info->item.pszText == NULL)
            return FALSE;
        LVITEMA lookup = {};
        lookup.mask = LVIF_PARAM;
        lookup.iItem = info->item.iItem;
        if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lookup)))
            return FALSE;
        renameRow_ = static_cast<int>(lookup.lParam);
        renameText_ = info->item.pszText;
        PostMessageA(window_, WM_APP_RENAME, 0, 0);
        return FALSE;
    }
    default:
        return 0;
    }
}

void PhoneBookTab::NewConnection()
{
    char created[MAX_PATH] = "";
    unsigned short result = book_.QueryCreateEntry(window_, created, sizeof(created), 0);
    if ((result & ~kSessionWanted) == kCreatedEntry) {
        Refresh(created);
        if ((result & kSessionWanted) != 0) {
            std::string name = FileNamePart(created);
            if (EndsWithNoCase(name, kExtension))
                name.resize(name.size() - strlen(kExtension));
            SetStatus(FormatText(IDS_STATUS_SESSION, {TextInsert(name)}));
        }
    } else if (result == kCreatedDialUpEntry) {
        Refresh(created);
    } else if (result != kCreatedNothing) {
        Say(IDS_CANNOT_CREATE);
    }
}

void PhoneBookTab::NewDialUpConnection()
{
    char name[257] = "";
    if (dialUp_.QueryCreateEntry(window_, name, sizeof(name)))
        Refresh(name);
}

void PhoneBookTab::Properties()
{
    Row row;
    if (!TakeFocusedRow(&row))
        return;
    std::vector<char> key = Writable(row.key);
    int shown = row.dialUp ? dialUp_.QueryProperties(window_, key.data())
                           : book_.QueryProperties(window_, key.data(), 0);
    if (!shown)
        Say(IDS_CANNOT_OPEN, row.name);
    Refresh(row.key);
}

int PhoneBookTab::ConfirmDelete(const std::vector<int>& rows)
{
    HMODULE library = GetModuleHandleA(kLibraryName);
    std::string name = rows_[rows[0]].name;
    LPARAM insert = rows.size() == 1 ? static_cast<LPARAM>(TextInsert(name)) : static_cast<LPARAM>(rows.size());
    int dialog = rows.size() == 1 ? kConfirmDeleteDialog : kConfirmDeleteManyDialog;
    INT_PTR answer = DialogBoxParamA(library, MAKEINTRESOURCEA(dialog), window_, ConfirmDeleteProc, insert);
    return answer == IDYES ? IDYES : IDNO;
}

void PhoneBookTab::Delete()
{
    std::vector<int> rows = SelectedRows();
    if (rows.empty() || ConfirmDelete(rows) != IDYES || !MayChange())
        return;
    std::string failed;
    for (int index : rows) {
        const Row& row = rows_[index];
        std::vector<char> key = Writable(row.key);
        int deleted = row.dialUp ? dialUp_.DeleteEntry(key.data()) : book_.DeleteEntry(key.data());
        if (!deleted && failed.empty())
            failed = row.name;
    }
    Refresh(std::string());
    if (!failed.empty())
        Say(IDS_CANNOT_DELETE, failed);
}

void PhoneBookTab::StartRename()
{
    int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (item < 0)
        item = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (item >= 0) {
        SetFocus(list_);
        ListView_EditLabel(list_, item);
    }
}

// The wizard's refusals, in its order: a name taken, blank, with a forbidden
// character, or too long for a 260-byte path.
UINT PhoneBookTab::NameProblem(const std::string& name, const std::string& target, const std::string& current)
{
    if (target.size() < MAX_PATH && FileExists(target) && !SameNoCase(target, current))
        return IDS_REFUSED_EXISTS;
    if (name.empty())
        return IDS_REFUSED_BLANK;
    if (HoldsAnyOf(name, kForbiddenNameCharacters))
        return IDS_REFUSED_INVALID;
    if (target.size() >= MAX_PATH)
        return IDS_REFUSED_TOO_LONG;
    return 0;
}

void PhoneBookTab::Rename(int rowIndex, const std::string& typed)
{
    if (rowIndex < 0 || static_cast<size_t>(rowIndex) >= rows_.size())
        return;
    Row row = rows_[rowIndex];
    std::string name = TrimBlanks(typed);
    if (name == row.name || !StillThere(row))
        return;
    if (row.dialUp) {
        std::vector<char> from = Writable(row.key), to = Writable(name);
        if (!dialUp_.RenameEntry(from.data(), to.data()))
            Say(IDS_DIALUP_UNSUPPORTED);
        Refresh(dialUp_.IsValidEntry(to.data()) ? name : row.key);
        return;
    }
    std::string target = DirectoryPart(row.key) + name + (EndsWithNoCase(name, kExtension) ? "" : kExtension);
    UINT problem = NameProblem(name, target, row.key);
    if (problem != 0) {
        Say(problem, name);
        return;
    }
    if (!MayChange())
        return;
    std::vector<char> from = Writable(row.key), to = Writable(target);
    if (!book_.RenameEntry(from.data(), to.data())) {
        Say(IDS_CANNOT_RENAME, row.name);
        Refresh(row.key);
        return;
    }
    Refresh(target);
}

void PhoneBookTab::Copy()
{
    Row row;
    if (!TakeFocusedRow(&row))
        return;
    // The first free "Copy of NAME", then "Copy (2) of NAME" and so on.
    std::string name, target;
    for (unsigned long n = 1; n < 100 && target.empty(); ++n) {
        name = n == 1 ? FormatText(IDS_COPY_OF, {TextInsert(row.name)})
                      : FormatText(IDS_COPY_N_OF, {TextInsert(row.name), NumberInsert(n)});
        std::string candidate = row.dialUp ? name : DirectoryPart(row.key) + name + kExtension;
        std::vector<char> probe = Writable(candidate);
        bool taken = row.dialUp ? dialUp_.IsValidEntry(probe.data()) == 1 : FileExists(candidate);
        if (!name.empty() && !taken)
            target = candidate;
    }
    if (target.empty() || (!row.dialUp && target.size() >= MAX_PATH)) {
        Say(IDS_CANNOT_COPY, row.name);
        return;
    }
    if (!MayChange())
        return;
    std::vector<char> from = Writable(row.key), to = Writable(target);
    int copied = row.dialUp ? dialUp_.CopyEntry(from.data(), to.data()) : book_.CopyEntry(from.data(), to.data());
    if (!copied) {
        Say(row.dialUp ? IDS_DIALUP_UNSUPPORTED : IDS_CANNOT_COPY, row.name);
        Refresh(row.key);
        return;
    }
    Refresh(target);
}

// Three connections to look at in an empty phone book: a modem and two
// network connections, written field by field. Names already taken are left alone.
void PhoneBookTab::AddExamples()
{
    std::string names = LoadText(IDS_EXAMPLES);
    std::vector<std::string> examples;
    for (size_t start = 0; start <= names.size();) {
        size_t bar = names.find('|', start);
        if (bar == std::string::npos)
            bar = names.size();
        examples.push_back(names.substr(start, bar - start));
        start = bar + 1;
    }
    if (examples.size() != 3 || !MayChange())
        return;

    std::string select;
    for (size_t i = 0; i < examples.size(); ++i) {
        std::vector<char> name = Writable(examples[i]);
        if (book_.IsValidEntry(name.data()))
            continue;
        VmrPhoneBook example;
        example = pristine_;
        auto set = [&example](void (VmrPhoneBook::*setter)(char*), const char* text) {
            std::vector<char> value = Writable(text);
            (example.*setter)(value.data());
        };
        bool written = true;
        if (i == 0) {
            example.SetDeviceType(1);
            set(&VmrPhoneBook::SetTapiLineName, "Office Modem");
            set(&VmrPhoneBook::SetConnectCountryCode, "49");
            set(&VmrPhoneBook::SetConnectAreaCode, "030");
            set(&VmrPhoneBook::SetConnectPhoneNumber, "555 0100");
            set(&VmrPhoneBook::SetLoginName, "operator");
            std::vector<char> password = Writable("velmora1");
            written = example.SetPassword(password.data()) == 1;
            example.SetConnectTimeout(60);
            example.SetDisplayConnectDialog(1);
        } else if (i == 1) {
            example.SetDeviceType(5);
            set(&VmrPhoneBook::SetAdapterName, "Ethernet Five");
            set(&VmrPhoneBook::SetConnectWorkstationName, "campus-ws-12");
            example.SetUseInternet(1);
            set(&VmrPhoneBook::SetInternetLocatorServer, "ils.velmora.example");
            set(&VmrPhoneBook::SetLoginName, "support");
            example.SetConnectTimeout(30);
        } else {
            example.SetDeviceType(4);
            set(&VmrPhoneBook::SetAdapterName, "Ethernet Four");
            set(&VmrPhoneBook::SetConnectWorkstationName, "lab-bench-07");
            example.SetDisplayConnectDialog(0);
        }
        if (!written || !example.WriteEntry(name.data())) {
            Say(IDS_CANNOT_WRITE, examples[i]);
            break;
        }
        if (select.empty())
            select = examples[i];
    }
    Refresh(std::string());
    for (const Row& row : rows_) {
        if (!row.dialUp && row.name == select)
            Refresh(row.key);
    }
}

void PhoneBookTab::SetView(DWORD view)
{
    LONG style = GetWindowLongA(list_, GWL_STYLE);
    SetWindowLongA(list_, GWL_STYLE, (style & ~LVS_TYPEMASK) | view);
    int command = view == LVS_ICON ? IDM_VIEW_LARGE_ICONS : IDM_VIEW_DETAILS;
    CheckMenuRadioItem(GetMenu(window_), IDM_VIEW_LARGE_ICONS, IDM_VIEW_DETAILS, command, MF_BYCOMMAND);
    SendMessageA(toolbar_, TB_CHECKBUTTON, command, TRUE);
    if (view == LVS_ICON)
        ListView_Arrange(list_, LVA_DEFAULT);
}

// ---- Talking to the user

// Changes to the phone book ask for the security login first, as the
// library's own dialogs do; a grant lasts until "Log out".
bool PhoneBookTab::MayChange()
{
    if (book_.SecurityLogin(window_, kChangeRight))
        return true;
    Say(IDS_ACCESS_REFUSED);
    return false;
}

void PhoneBookTab::Say(UINT id, const std::string& insert)
{
    std::string text = FormatText(id, {TextInsert(insert)});
    MessageBoxA(window_, text.c_str(), LoadText(IDS_APP_TITLE).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

void PhoneBookTab::SetStatus(const std::string& text)
{
    SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void PhoneBookTab::ShowCount()
{
    SetStatus(FormatText(IDS_STATUS_COUNT, {NumberInsert(static_cast<unsigned long>(rows_.size()))}));
}

}  // namespace

HWND CreatePhoneBookTab(HINSTANCE instance, const VmrPhoneBook& book, const RasPhoneBook& dialUp, int show)
{
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
    CreationParameters parameters = {book, dialUp};
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
