// The commands of the Phone Book tab: new, properties, delete, rename, copy,
// the examples, the view and the login, and what the host says to the user.
//
// Each library dialog runs a modal loop, in which the window may be
// destroyed. What a command does after its dialog goes through Refresh,
// MayChange or Say, which do nothing once the window is going (the reader
// is detached then).
#include <string.h>
#include <string>
#include <vector>

#include "HostText.h"
#include "TabWindow.h"
#include "resources/TabResources.h"

namespace phonebook_tab {

namespace {

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

}  // namespace

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
    case IDM_FIND:
        SetFocus(find_);
        SendMessageA(find_, EM_SETSEL, 0, -1);
        break;
    default: break;
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
            // Said once the list shows the new row: the count would hide it.
            statusAfterListing_ = FormatText(IDS_STATUS_SESSION, {TextInsert(name)});
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
    // An entry of another version: the library has just said so itself.
    if (!shown && row.state != ReadState::kOtherVersion)
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
    Refresh(std::string(), select);
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
    if (reader_ == nullptr)
        return false;
    if (book_.SecurityLogin(window_, kChangeRight))
        return true;
    Say(IDS_ACCESS_REFUSED);
    return false;
}

void PhoneBookTab::Say(UINT id, const std::string& insert)
{
    if (reader_ == nullptr)
        return;
    std::string text = FormatText(id, {TextInsert(insert)});
    MessageBoxA(window_, text.c_str(), LoadText(IDS_APP_TITLE).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

void PhoneBookTab::SetStatus(const std::string& text)
{
    SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The number of connections, or how many of them the Find box shows.
void PhoneBookTab::ShowCount()
{
    unsigned long total = static_cast<unsigned long>(rows_.size());
    if (!findText_.empty()) {
        SetStatus(FormatText(IDS_STATUS_FOUND,
                             {NumberInsert(static_cast<unsigned long>(shown_.size())), NumberInsert(total)}));
    } else {
        // Which counts take the singular is the language's business: French
        // says "0 connexion", English "0 connections".
        std::string singular = " " + LoadText(IDS_SINGULAR_COUNTS) + " ";
        bool one = singular.find(" " + std::to_string(total) + " ") != std::string::npos;
        SetStatus(FormatText(one ? IDS_STATUS_COUNT_ONE : IDS_STATUS_COUNT, {NumberInsert(total)}));
    }
}

}  // namespace phonebook_tab
