// The list of connections and the details of the selected one.
//
// The list is virtual (LVS_OWNERDATA): it asks for the text of the rows it
// draws, so ten thousand names cost no more to show than a hundred. Refresh
// has the reader (EntryRows.h) list the names on a thread of its own; they
// are shown as soon as they are back, and their entries handed to the
// reader in the list's order; a row not read yet says "Reading...".
// A row the list draws before it is read goes to the front of the queue:
// the rows scrolled to come first. The reads come back by WM_APP_READS_DONE,
// a batch at a time.
//
// The list is always read back from the phone books after a change, never
// patched by hand: what it shows is what is on disk (and in Dial-Up
// Networking's phone book) at the last refresh.
#include <algorithm>
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

int ImageOf(const Row& row)
{
    if (row.dialUp)
        return kDialUpImage;
    bool failed = row.state == ReadState::kOtherVersion || row.state == ReadState::kUnreadable;
    return failed ? kUnreadableImage : kConnectionImage;
}

}  // namespace

// Asks for a new listing; the rows shown stay until it is back, and the
// status bar says it is listing. Of two refreshes asked for in a row, the
// row to select is the last one named.
void PhoneBookTab::Refresh(const std::string& selectKey, const std::string& selectEntryName)
{
    // A command whose dialog outlived the window ends here.
    if (reader_ == nullptr)
        return;
    if (!selectKey.empty() || !selectEntryName.empty()) {
        selectKey_ = selectKey;
        selectEntryName_ = selectEntryName;
    }
    if (reader_->List(listingAsked_ + 1))
        ++listingAsked_;
    ShowProgress();
}

// The rows of a new listing: named, and handed to the reader in the list's
// order.
void PhoneBookTab::OnListed(unsigned listing, std::vector<Row>& rows)
{
    if (listing != listingAsked_)
        return;
    rows_.swap(rows);
    std::string reading = LoadText(IDS_KIND_READING);
    std::vector<std::string> paths;
    std::string select = selectKey_;
    for (Row& row : rows_) {
        if (row.dialUp)
            break;   // they follow the entries, and need no reading
        row.kind = reading;
        paths.push_back(row.key);
        if (!selectEntryName_.empty() && SameNoCase(row.name, selectEntryName_))
            select = row.key;
    }
    selectKey_.clear();
    selectEntryName_.clear();
    entryCount_ = paths.size();
    readCount_ = 0;
    hurry_.clear();   // indices of the old listing
    listing_ = listing;
    order_ = SortRows(rows_, sort_);
    reader_->Start(listing_, paths, order_);
    ApplyView(select, false);
    if (!statusAfterListing_.empty())
        SetStatus(statusAfterListing_);
    statusAfterListing_.clear();
}

// The rows that pass the Find box, in the order of the sort column; the row
// of selectKey selected. The rows are sorted again only when asked (the
// column or what is known of them changed): a letter typed in the Find box
// only filters.
void PhoneBookTab::ApplyView(const std::string& selectKey, bool sort)
{
    if (sort || order_.size() != rows_.size())
        order_ = SortRows(rows_, sort_);
    shown_ = FindRows(rows_, order_, findText_);

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
    InvalidateRect(list_, NULL, TRUE);
    ShowSortArrow();
    ShowDetails();
    ShowCount();
}

// The rows the list drew unread since the last time, ahead of the others,
// in the order drawn.
void PhoneBookTab::Hurry()
{
    if (reader_ != nullptr && !hurry_.empty())
        reader_->Hurry(hurry_);
    hurry_.clear();
}

// A listing and reads that have come back. A read of an older listing is
// dropped: its index may name another row now. When the last one is in, the
// order and the Find box apply to every row.
void PhoneBookTab::OnReadsDone()
{
    if (reader_ == nullptr)
        return;
    unsigned listing = 0;
    std::vector<Row> listed;
    if (reader_->TakeListing(&listing, &listed))
        OnListed(listing, listed);
    for (EntryRead& read : reader_->TakeResults()) {
        if (read.listing != listing_ || read.index >= rows_.size())
            continue;
        Row& row = rows_[read.index];
        if (row.state == ReadState::kUnread)
            ++readCount_;
        row.state = read.state;
        row.kind.swap(read.kind);
        row.address.swap(read.address);
        row.login.swap(read.login);
        row.details.swap(read.details);
        row.folded.clear();
    }
    int top = ListView_GetTopIndex(list_);
    ListView_RedrawItems(list_, top, top + ListView_GetCountPerPage(list_) + 1);
    if (readCount_ == entryCount_ && (sort_.column != kNameColumn || !findText_.empty()))
        ApplyView(FocusedKey(), sort_.column != kNameColumn);
    else
        ShowDetails();
    ShowProgress();
}

// The second part of the status bar: that the listing is under way, or
// how far the reading is; empty when every entry is read.
void PhoneBookTab::ShowProgress()
{
    std::string text;
    if (listingAsked_ != listing_) {
        text = LoadText(IDS_STATUS_LISTING);
    } else if (readCount_ < entryCount_) {
        text = FormatText(IDS_STATUS_READING, {NumberInsert(static_cast<unsigned long>(readCount_)),
                                               NumberInsert(static_cast<unsigned long>(entryCount_))});
    }
    SendMessageA(status_, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

// A click on a column's header sorts by it; a second click turns the order.
void PhoneBookTab::SortBy(int column)
{
    if (column < kNameColumn || column > kLoginColumn)
        return;
    sort_.ascending = column == sort_.column ? !sort_.ascending : true;
    sort_.column = column;
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
        if (column == sort_.column)
            item.fmt |= sort_.ascending ? HDF_SORTUP : HDF_SORTDOWN;
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

void PhoneBookTab::OnGetDisplayInfo(NMLVDISPINFOA* info)
{
    int index = RowAt(info->item.iItem);
    if (index < 0)
        return;
    const Row& row = rows_[index];
    // The list asks for the rows it draws, column by column: one unread is
    // on the screen.
    // (At most one batch of every row: a caller reading every row's text
    // over and over adds nothing more until the batch is taken.)
    if (!row.dialUp && row.state == ReadState::kUnread && hurry_.size() < entryCount_ &&
        (hurry_.empty() || hurry_.back() != static_cast<size_t>(index))) {
        if (hurry_.empty())
            PostMessageA(window_, WM_APP_HURRY, 0, 0);
        hurry_.push_back(static_cast<size_t>(index));
    }
    if (info->item.mask & LVIF_TEXT) {
        const std::string* columns[] = {&row.name, &row.kind, &row.address, &row.login};
        int column = info->item.iSubItem;
        if (column >= kNameColumn && column <= kLoginColumn)
            CopyText(info->item.pszText, info->item.cchTextMax, *columns[column]);
    }
    if (info->item.mask & LVIF_IMAGE)
        info->item.iImage = ImageOf(row);
}

LRESULT PhoneBookTab::OnListNotify(const NMHDR* header)
{
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
        if (find->lvfi.psz == NULL || !(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)))
            return -1;
        return FindByName(rows_, shown_, find->iStart, find->lvfi.psz, (find->lvfi.flags & LVFI_PARTIAL) != 0);
    }
    case LVN_ODFINDITEMW: {
        // Wine's list view asks in Unicode even an ANSI parent.
        const NMLVFINDITEMW* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
        char typed[256] = "";
        if (find->lvfi.psz == NULL ||
            !WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, typed, sizeof(typed), NULL, NULL))
            return -1;
        if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)))
            return -1;
        return FindByName(rows_, shown_, find->iStart, typed, (find->lvfi.flags & LVFI_PARTIAL) != 0);
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


// The row behind an item of the list, -1 for none.
int PhoneBookTab::RowAt(int item) const
{
    return item >= 0 && static_cast<size_t>(item) < shown_.size() ? static_cast<int>(shown_[item]) : -1;
}

// The selected connection's fields, as its read made them; a row not read
// (or not readable) says so.
void PhoneBookTab::ShowDetails()
{
    int index = FocusedRow();
    std::vector<int> selected = SelectedRows();
    std::string text;
    if (index >= 0 && selected.size() == 1) {
        const Row& row = rows_[index];
        text = row.state == ReadState::kRead && !row.dialUp ? row.details : row.name + "\r\n" + row.kind;
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

}  // namespace phonebook_tab
