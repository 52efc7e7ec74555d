// The Phone Book tab's window object, shared by the two files that implement
// it: PhoneBookTab.cpp (the window, its layout and the list) and
// TabCommands.cpp (the commands behind the menu, the toolbar and the keys).
#ifndef PHONEBOOK_TAB_WINDOW_H
#define PHONEBOOK_TAB_WINDOW_H

#include <windows.h>
#include <commctrl.h>
#include <map>
#include <string>
#include <vector>

#include "PhoneBookTab.h"

namespace phonebook_tab {

const char kClassName[] = "VelmoraPhoneBookTab";
const char kLibraryName[] = "PhoneBk.dll";
const char kExtension[] = ".vmr";
// The characters the wizard refuses in a connection name. The sample keeps
// its own copy on purpose: it is an outside host, built from the published
// headers only, and the library publishes no such list.
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

// The entries are read in slices of at most this many milliseconds, from a
// timer: the window answers input between two slices.
const UINT_PTR kReadTimer = 1;
const DWORD kSliceMilliseconds = 15;

enum Column { kNameColumn, kKindColumn, kAddressColumn, kLoginColumn };
enum Image { kConnectionImage, kDialUpImage, kUnreadableImage };

// A row of the list: named at once from the listing, its other columns
// filled when its entry has been read.
struct Row {
    enum State { kUnread, kRead, kUnreadable };
    bool dialUp = false;
    State state = kUnread;
    int image = kConnectionImage;
    std::string name;   // as the phone book stores it
    std::string key;    // the entry file's full path, or the Dial-Up Networking entry's name
    std::string kind, address, login;
    std::string sortKey;   // of the name: ten thousand names sort by it at once
    std::string folded;    // name and address as the Find box compares them, once asked for
};

// Helpers of both files.
std::vector<char> Writable(const std::string& text);
std::string Field(VmrPhoneBook& book, void (VmrPhoneBook::*get)(char*, unsigned short));
bool SameNoCase(const std::string& a, const std::string& b);
bool FileExists(const std::string& path);

class PhoneBookTab
{
public:
    PhoneBookTab(const VmrPhoneBook& book, const RasPhoneBook& dialUp, const char* chosenFolder)
    {
        if (chosenFolder != NULL)
            chosenFolder_ = chosenFolder;
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
    void ApplyView(const std::string& selectKey, bool sort);
    bool Shows(Row& row, const std::string& folded);
    bool Precedes(size_t a, size_t b) const;
    void ReadRow(size_t index);
    void ReadVisibleRows();
    void ReadSlice();
    int NextUnreadRow();
    void ShowProgress();
    void SortBy(int column);
    void ShowSortArrow();
    void OnFindChanged();
    void OnGetDisplayInfo(NMLVDISPINFOA* info);
    LRESULT FindItem(int from, UINT flags, const std::string& typed);
    int RowAt(int item) const;
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
    HWND find_ = NULL;
    HWND findLabel_ = NULL;
    HFONT font_ = NULL;
    bool quitOnClose_ = false;
    std::string chosenFolder_;   // --path, or empty when the library chose
    std::vector<Row> rows_;      // the phone book's entries as listed, then Dial-Up Networking's
    std::vector<size_t> order_;  // every row, in the order of the sort column
    std::vector<size_t> shown_;  // the rows the list shows, in its order: item i is rows_[shown_[i]]
    int sortColumn_ = kNameColumn;
    bool sortAscending_ = true;
    std::string findText_;
    // The background reading: rows_ changes only in Refresh, which counts a
    // generation; a read that sees another generation afterwards stops, as
    // the library's message about a file it cannot read runs a modal loop.
    unsigned generation_ = 0;
    bool reading_ = false;
    size_t readCursor_ = 0;
    size_t entryCount_ = 0;
    size_t readCount_ = 0;
    std::map<std::string, ULONGLONG> unreadable_;   // entry file and its time when it failed
    int renameRow_ = -1;
    std::string renameText_;
};

}  // namespace phonebook_tab

#endif
