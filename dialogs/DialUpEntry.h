// The Dial-Up Networking entries of the system's default phone book, as the
// dialogs and RasPhoneBook offer them: lists of names, and a new entry made
// through the system's own dialog.
#ifndef PHONEBK_DIALUPENTRY_H
#define PHONEBK_DIALUPENTRY_H

#include <windows.h>
#include <ras.h>

#include "Handles.h"

// The record of the Windows 2000 headers, with the flags and the phone book
// path beside the name; RAS checks the size word against it.
const DWORD kEntryRecordSize = 532;
const DWORD kFirstReadRecords = 20;

// One reading of the default phone book's entry names. The block belongs to
// the snapshot and goes with it.
class EntrySnapshot
{
public:
    EntrySnapshot() : count_(0) {}
    EntrySnapshot(const EntrySnapshot&) = delete;
    EntrySnapshot& operator=(const EntrySnapshot&) = delete;

    // Reads the list, retrying once with the size RAS asks for. False, and
    // the snapshot empty, when Dial-Up Networking is not bound, RAS reports
    // an error twice, reports less than one record's size, or the block
    // cannot be allocated.
    bool Take();

    DWORD Count() const { return count_; }
    // Valid while the snapshot lives and until the next Take.
    const char* Name(DWORD index) const;

private:
    LocalMem block_;
    DWORD count_;
};

// Fill a sorted list box or combo box with the entry names, selecting the
// first. The answer is the number of names listed; 0, and the control left
// empty, when Dial-Up Networking is not bound or cannot be read.
int FillDialUpListBox(HWND listBox);
// Then selects the item equal to name, without regard to case; with no such
// item nothing is selected. A null or empty name leaves the first selected.
int FillDialUpCombo(HWND combo, const char* name);

// Shows the system's new-entry dialog. 1, with the new entry's name in nameOut
// (cut to nameSize - 1 bytes, always terminated), when the phone book then
// holds exactly one entry more; else 0 and nameOut untouched.
int CreateDialUpEntry(HWND parent, char* nameOut, unsigned short nameSize);

#endif
