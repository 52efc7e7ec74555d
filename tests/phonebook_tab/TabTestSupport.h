// The sample host's window in a test's process: a phone book folder of the
// test's own, the devices and doubles of the wizard tests, and the window made
// over them as the program makes it.
#ifndef PHONEBK_TABTESTSUPPORT_H
#define PHONEBK_TABTESTSUPPORT_H

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "PhoneBookTab.h"
#include "WizardTestSupport.h"
#include "resources/TabResources.h"

class TabTest : public WizardPaths
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes an entry of that device type with the phone number or
    // workstation (by type) and login name given.
    void WriteEntry(const std::string& name, unsigned short type, const std::string& address,
                    const std::string& login);
    // Makes the window over the test's phone book and, unless told not to,
    // waits until its entries are read.
    void OpenWindow(bool finishReading = true);
    // Runs a command of the window, as its menu would, under the driver's
    // script; dialogs are read from PhoneBk.dll.
    void Command(DialogDriver& driver, int command);
    // Dispatches what is queued for this thread.
    static void Pump();

    // The list as shown, once the listing under way (if any) is back: the
    // name column of every row, and one cell.
    std::vector<std::string> Names() const;
    std::string Cell(const std::string& name, int column) const;
    int Item(const std::string& name) const;
    std::vector<std::string> SelectedNames() const;
    void Select(const std::vector<std::string>& names);
    std::string Status() const;
    // The status bar's second part: how far the reading of the entries is.
    std::string Progress() const;
    // Runs the window's messages until every entry is read.
    void FinishReading();
    // Runs the window's messages until no listing is under way.
    void FinishListing() const;
    // Clicks the header of a column of the list.
    void ClickHeader(int column);
    // Types into the Find box.
    void Find(const std::string& text);
    // Opens the label editor of the row and types the text in it.
    HWND StartRename(const std::string& name, const std::string& text);
    bool EntryFileExists(const std::string& name) const;

    RasPhoneBook dialUp;
    HWND window = NULL;
    HWND list = NULL;
};

// Holds the reads of the entry files it is asked to on their reader
// threads, as a share that does not answer would, until Release (or its
// end). The listing asks with an empty path.
class ReadGate
{
public:
    explicit ReadGate(std::function<bool(const std::string& path)> holds);
    ~ReadGate();
    ReadGate(const ReadGate&) = delete;
    ReadGate& operator=(const ReadGate&) = delete;
    // Whether a held read began within the time.
    bool WaitHeld(DWORD milliseconds) const;
    // The thread the first held read ran on.
    DWORD HeldThread() const;
    // The paths of every read begun since the gate was made, held or not,
    // in the order they began.
    std::vector<std::string> Begun() const;
    void Release();
};

// Until its end, the library's messages are real windows rather than lines
// of the journal.
class JournalOff
{
public:
    JournalOff();
    ~JournalOff();
    JournalOff(const JournalOff&) = delete;
    JournalOff& operator=(const JournalOff&) = delete;

private:
    char saved_[MAX_PATH] = "";
};

#endif
