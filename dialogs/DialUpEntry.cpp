#include "DialUpEntry.h"

#include <mbstring.h>

#include "Messages.h"
#include "RasApiTable.h"
#include "TextCopy.h"
#include "resource.h"

static_assert(sizeof(RASENTRYNAMEA) == kEntryRecordSize, "the 532-byte RASENTRYNAMEA");

namespace {

// A zero-filled block whose first size word says which record we speak.
// Never asked for less than one record, so the size word always fits.
bool AllocateRecords(LocalMem& block, DWORD bytes)
{
    block.reset(LocalAlloc(LPTR, bytes));
    if (!block)
        return false;
    static_cast<RASENTRYNAMEA*>(block.get())->dwSize = kEntryRecordSize;
    return true;
}

bool SameEntryName(const char* left, const char* right)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(left),
                    reinterpret_cast<const unsigned char*>(right)) == 0;
}

}  // namespace

bool EntrySnapshot::Take()
{
    block_.reset();
    count_ = 0;
    RasEnumEntriesFn enumEntries = RasApiTable.pfnRasEnumEntries;
    if (RasApiTable.RasApiModule == NULL || enumEntries == NULL)
        return false;

    DWORD capacity = kFirstReadRecords * kEntryRecordSize;
    if (!AllocateRecords(block_, capacity))
        return false;
    DWORD bytes = capacity;
    DWORD entries = 0;
    DWORD result = enumEntries(NULL, NULL, static_cast<RASENTRYNAMEA*>(block_.get()), &bytes, &entries);
    if (result != 0) {
        block_.reset();
        // Any error earns one more try with the size RAS reported, but only
        // a size that holds a record: the size word must fit in the block.
        if (bytes < kEntryRecordSize)
            return false;
        capacity = bytes;
        if (!AllocateRecords(block_, capacity))
            return false;
        entries = 0;
        result = enumEntries(NULL, NULL, static_cast<RASENTRYNAMEA*>(block_.get()), &bytes, &entries);
        if (result != 0) {
            block_.reset();
            return false;
        }
    }

    // Believe no count beyond the records the block holds, and no name
    // without its terminator.
    DWORD fits = capacity / kEntryRecordSize;
    count_ = entries < fits ? entries : fits;
    RASENTRYNAMEA* records = static_cast<RASENTRYNAMEA*>(block_.get());
    for (DWORD i = 0; i < count_; ++i)
        records[i].szEntryName[RAS_MaxEntryName] = '\0';
    return true;
}

const char* EntrySnapshot::Name(DWORD index) const
{
    if (index >= count_)
        return "";
    return static_cast<const RASENTRYNAMEA*>(block_.get())[index].szEntryName;
}

namespace {

// The list box and the combo box differ only in their messages.
struct ListMessages {
    UINT reset;
    UINT add;
    UINT select;
};
const ListMessages kListBox = {LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL};
const ListMessages kComboBox = {CB_RESETCONTENT, CB_ADDSTRING, CB_SETCURSEL};

int FillWithEntryNames(HWND control, const ListMessages& messages)
{
    SendMessageA(control, messages.reset, 0, 0);
    if (RasApiTable.RasApiModule == NULL)
        return 0;
    EntrySnapshot snapshot;
    if (!snapshot.Take())
        return 0;
    int listed = 0;
    for (DWORD i = 0; i < snapshot.Count(); ++i) {
        LRESULT index = SendMessageA(control, messages.add, 0, reinterpret_cast<LPARAM>(snapshot.Name(i)));
        if (index >= 0)
            ++listed;
    }
    if (listed > 0)
        SendMessageA(control, messages.select, 0, 0);
    return listed;
}

}  // namespace

int FillDialUpListBox(HWND listBox)
{
    return FillWithEntryNames(listBox, kListBox);
}

int FillDialUpCombo(HWND combo, const char* name)
{
    int listed = FillWithEntryNames(combo, kComboBox);
    // No entry can have an empty name, so an empty one counts as none given.
    if (name != NULL && name[0] != '\0') {
        LRESULT found = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(name));
        SendMessageA(combo, CB_SETCURSEL, found >= 0 ? static_cast<WPARAM>(found) : static_cast<WPARAM>(-1), 0);
    }
    return listed;
}

int CreateDialUpEntry(HWND parent, char* nameOut, unsigned short nameSize)
{
    RasCreatePhonebookEntryFn createEntry = RasApiTable.pfnRasCreatePhonebookEntry;
    if (RasApiTable.RasApiModule == NULL || createEntry == NULL)
        return 0;

    // Without the list as it was, the new entry cannot be told from the old
    // ones: the dialog still runs, but no name is claimed as new.
    EntrySnapshot before;
    bool knownBefore = before.Take();
    if (createEntry(parent, NULL) != 0) {
        // Whatever the error: on a system where RAS loads but cannot create,
        // the component is as good as missing.
        ShowResourceMessage(GetFocus(), IDS_PHONE_BOOK, IDS_DIALUP_NOT_INSTALLED, kMessageStyle);
    }
    EntrySnapshot after;
    after.Take();

    // Only a single new entry can be told apart from the rest.
    if (!knownBefore || after.Count() != before.Count() + 1)
        return 0;
    if (nameOut == NULL || nameSize == 0)
        return 0;

    // RAS lists the entries sorted: the new name is where the two lists first
    // part, or the last one when the old list runs out first.
    DWORD position = 0;
    while (position < before.Count() && SameEntryName(after.Name(position), before.Name(position)))
        ++position;
    FetchFieldText(after.Name(position), RAS_MaxEntryName + 1, nameOut, nameSize);
    return 1;
}
