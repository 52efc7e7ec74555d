// What the wizard's test programs share: a phone book in a folder of its own,
// devices of the test's choosing, every library message written to a journal
// instead of shown, and script pieces for the dialog driver.
//
// The programs run from the folder of their set of doubles (RASAPI32.DLL and
// GATEUI.DLL), so the settings file VMR32.INI beside them is theirs alone.
#ifndef PHONEBK_WIZARDTESTSUPPORT_H
#define PHONEBK_WIZARDTESTSUPPORT_H

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "DoubleAccess.h"
#include "TestSupport.h"
#include "VmrPhoneBook.h"
#include "resource.h"

// The sheet's own controls (comctl32's template ids).
const int kSheetTabs = 0x3020;
const int kSheetBack = 0x3023;
const int kSheetNext = 0x3024;
const int kSheetFinish = 0x3025;

// The device library's devices, one per type, in this order.
extern const char kDeviceLines[];
extern const char kModem[];      // type 1
extern const char kCable[];      // type 2
const char* NetworkDevice(int type);   // types 3 to 5

// The journal lines of the library's messages the wizard shows.
extern const std::string kNameExists;          // 213
extern const std::string kNameBlank;           // 218
extern const std::string kNameInvalid;         // 201
extern const std::string kNameReserved;        // 216
extern const std::string kNameTooLong;         // 223
extern const std::string kEntryNotSaved;       // 224
extern const std::string kPasswordNoLogin;     // 219
extern const std::string kPasswordsDiffer;     // 221
extern const std::string kSelectDialUp;        // 5634
extern const std::string kDialUpMissing;       // 5635
extern const std::string kDialUpBookError;     // 5636

// What a Do step saw of a control: whether it had the focus, its selection
// and the length of its text.
struct FocusSeen {
    bool focused = false;
    DWORD start = 0;
    DWORD end = 0;
    int length = -1;
};

// The sheet's current page.
HWND CurrentPage(HWND sheet);

class WizardTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // QueryCreateEntry under the driver's script (its dialogs read from the
    // library), the path going to buffer: pathBufferSize bytes of it, the
    // whole of it filled with a sentinel first.
    unsigned short Create(DialogDriver& driver, int omitUtilities, unsigned short pathBufferSize = 300);

    void WriteDevices(const std::string& lines);
    void WriteRegStore(int runAsInteractiveUser);
    void WriteIlsServers(const std::vector<std::string>& servers);
    std::vector<std::string> IlsServers() const;
    std::string Setting(const char* key) const;
    std::vector<std::string> Messages() const { return journal.lines(); }
    std::string Buffer() const;
    bool BufferUntouched() const;

    // The entry as a phone book reads it back from its file.
    bool ReadBack(VmrPhoneBook& reader, const std::string& name) const;
    std::vector<std::string> EntryFiles() const;
    std::string PhoneBookDirectory() const { return books.path(); }

    static std::string Field(VmrPhoneBook& book, void (VmrPhoneBook::*getter)(char*, unsigned short));

    TempDir books{"wizbook"};
    TempDir devices{"wizdevs"};
    TempDir regstore{"wizreg"};
    MessageJournal journal;
    VmrPhoneBook book;
    HWND owner = NULL;
    GateDoubleState* gate = nullptr;
    RasDoubleState* ras = nullptr;   // null where RAS is not bound
    char buffer[320];

private:
    static ShellWindow* shell;
};

// With the device library's five devices.
class WizardPaths : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        WriteDevices(kDeviceLines);
    }
};

using Strings = std::vector<std::string>;

// ---- Script pieces

// Dialog 5000: take the Velmora connection and press Next.
DialogDriver& ChooseVelmora(DialogDriver& driver, const std::string& screenshot = "");
// Page 5001: type the name and pick the device (none when empty).
DialogDriver& NameAndDevice(DialogDriver& driver, const std::string& name, const std::string& device);
// Press Next (Back) and wait for the page it must lead to.
DialogDriver& Next(DialogDriver& driver, int page);
DialogDriver& Back(DialogDriver& driver, int page);
// Press Next on a page that must refuse it, and see where the focus went.
DialogDriver& RefusedNext(DialogDriver& driver, int page, int focusControl, FocusSeen* seen);
// Page 5006: the name it shows, the session tick, Finish.
DialogDriver& Finish(DialogDriver& driver, const std::string& shownName, bool session);

#endif
