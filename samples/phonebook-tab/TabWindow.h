// The Phone Book tab's window object, shared by the three files that
// implement it: PhoneBookTab.cpp (the window, its controls and layout),
// TabList.cpp (the list: its rows as read, sorted and found, and the
// details) and TabCommands.cpp (the commands behind the menus, the toolbar
// and the keys).
#ifndef PHONEBOOK_TAB_WINDOW_H
#define PHONEBOOK_TAB_WINDOW_H

#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "EntryRows.h"
#include "PhoneBookTab.h"
#include "RowOrder.h"

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
const UINT WM_APP_READS_DONE = WM_APP + 3;    // the reader has a listing or reads to take
const UINT WM_APP_HURRY = WM_APP + 4;         // rows on the screen wait to be read

enum Image { kConnectionImage, kDialUpImage, kUnreadableImage };

// Helpers of the three files.
std::vector<char> Writable(const std::string& text);
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
        InterlockedIncrement(&living_);
    }
    PhoneBookTab(const PhoneBookTab&) = delete;
    PhoneBookTab& operator=(const PhoneBookTab&) = delete;

    ~PhoneBookTab();

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // How many window objects exist in the process: a test's way to see that
    // one outlives its window until the handling under way returns.
    static long Living();

private:
    // The window and its controls
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnDestroy();
    void OnSize();
    void OnCommand(int command);
    LRESULT OnNotify(const NMHDR* header);
    LRESULT OnListNotify(const NMHDR* header);
    LRESULT OnStaticColour(HDC dc, HWND control);
    void CreateToolbar();
    void CreateList();
    void ShowTab(int tab);
    void ShowAbout();
    bool OnPhoneBookTab() const { return TabCtrl_GetCurSel(tabs_) == 0; }

    // The list
    void Refresh(const std::string& selectKey, const std::string& selectEntryName = std::string());
    void OnListed(unsigned listing, std::vector<Row>& rows);
    void ApplyView(const std::string& selectKey, bool sort);
    void Hurry();
    void OnReadsDone();
    void ShowProgress();
    void SortBy(int column);
    void ShowSortArrow();
    void OnFindChanged();
    void OnGetDisplayInfo(NMLVDISPINFOA* info);
    int RowAt(int item) const;
    void ShowDetails();
    std::vector<int> SelectedRows() const;
    int FocusedRow() const;
    std::string FocusedKey() const;
    bool StillThere(const Row& row);
    bool TakeFocusedRow(Row* row);

    // The commands
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

    static LONG living_;

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
    // A command's dialog runs a modal loop in which the window may be
    // destroyed (by the host, or by a close the dialog's owner did not
    // stop). The object then lives until the outermost message handling
    // returns: `depth_` counts the handlings under way, `closed_` says the
    // window is gone.
    int depth_ = 0;
    bool closed_ = false;
    std::string chosenFolder_;   // --path, or empty when the library chose
    std::vector<Row> rows_;      // the phone book's entries as listed, then Dial-Up Networking's
    std::vector<size_t> order_;  // every row, in the order of the sort column
    std::vector<size_t> shown_;  // the rows the list shows, in its order: item i is rows_[shown_[i]]
    SortOrder sort_;
    std::string findText_;
    // The reading: each refresh is a new listing, made on the reader's
    // lister thread; the rows shown stay (and their reads come in) until it
    // is back. Reads of an older listing are dropped when they come back.
    EntryReader* reader_ = nullptr;
    unsigned listing_ = 0;          // the listing shown
    unsigned listingAsked_ = 0;     // the last asked for: listing while it is not listing_
    std::string selectKey_;         // the row to select once the listing is back
    std::string selectEntryName_;   // or the entry of that name
    std::string statusAfterListing_;
    size_t entryCount_ = 0;
    size_t readCount_ = 0;
    std::vector<size_t> hurry_;   // rows the list has drawn unread since the last WM_APP_HURRY
    int renameRow_ = -1;
    std::string renameText_;
};

}  // namespace phonebook_tab

#endif
