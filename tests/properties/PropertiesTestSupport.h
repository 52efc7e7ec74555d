// What the Properties sheet tests share: a phone book in a folder of its own,
// entry files made byte for byte, the device library's list, the settings
// file, and the sheet opened under the dialog driver.
#ifndef PHONEBK_PROPERTIESTESTSUPPORT_H
#define PHONEBK_PROPERTIESTESTSUPPORT_H

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "DoubleAccess.h"
#include "TestSupport.h"
#include "VmrPhoneBook.h"
#include "resource.h"

// The sheet's own controls (comctl32's template ids).
const int kSheetTabs = 0x3020;
const int kSheetApply = 0x3021;

// The devices of the standard list, one of each type the page tells apart.
extern const char kPhoneModem[];      // type 1
extern const char kFaxLine[];         // type 2
extern const char kSiteLink[];        // type 3
extern const char kLocatorNet[];      // type 5

// A fresh record as the library makes one: "vmr", version 41, the defaults.
VmrEntryRecord NewRecord();
template <size_t N>
void SetField(char (&field)[N], const char* text)
{
    memset(field, 0, N);
    lstrcpynA(field, text, static_cast<int>(N));
}

// A field of the stored file, read back through a fresh phone book's getter.
typedef void (VmrPhoneBook::*Getter)(char*, unsigned short);

// Dialogs (#32770 windows) this thread creates while call runs.
int DialogsCreatedDuring(const std::function<void()>& call);

class PropertiesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The entry file name (with ".vmr") in the phone book's folder.
    void WriteEntryFile(const std::string& fileName, const VmrEntryRecord& record);
    void WriteDevices(const std::string& lines);
    // The standard list: kPhoneModem, kFaxLine, kSiteLink, kLocatorNet.
    void WriteStandardDevices();
    // The standard list and Office.vmr: kPhoneModem, 555 0100 in area 030,
    // the login mara with the password Secret.
    void WriteOfficeEntry();

    // Opens the sheet on the entry with the script given; the result of
    // QueryProperties.
    int OpenSheet(DialogDriver& driver, const char* entryName = "Office", int withoutUtilities = 0);

    // The entry as the file now holds it; false when it cannot be read.
    bool ReadStored(VmrPhoneBook& stored, const char* entryName = "Office");
    std::string Stored(Getter getter, const char* entryName = "Office");
    static std::string Field(VmrPhoneBook& book, Getter getter);
    std::vector<unsigned char> FileBytes(const char* fileName = "Office.vmr");

    std::string Setting(const char* key);
    std::vector<std::string> IlsList();

    static ShellWindow* shell;
    TempDir phoneBook{"properties-book"};
    TempDir devices{"properties-devices"};
    VmrPhoneBook book;
    HWND owner = NULL;
    GateDoubleState* gate = nullptr;
    RasDoubleState* ras = nullptr;
    std::string settingsPath;
};

// Script steps the tests share. Each runs on the sheet last waited for.
namespace Steps {
// Moves to the page as a click on its tab would (the page being left may
// refuse), then waits for the sheet to show the page expected.
void GoToPage(DialogDriver& driver, int templateId, int expectedPage);
// Stores the sheet's caption, or a tab's text, under key.
void ReadCaption(DialogDriver& driver, std::string* caption);
void ReadTabs(DialogDriver& driver, std::vector<std::string>* tabs);
// Runs check with the current page's window.
void OnPage(DialogDriver& driver, const std::string& description, std::function<void(HWND)> check);
}  // namespace Steps

#endif
