// Construction, copying, reset and the field accessors of VmrPhoneBook.
#include "PhoneBookAccess.h"
#include "PhoneBookLocation.h"
#include "TextCopy.h"

#include <new>
#include <string.h>

int SuppressStartupUtilities = 0;

VmrPhoneBook::VmrPhoneBook()
{
    // A directory that could not be composed stays empty, which every verb
    // refuses; the backslash would make it the root of the current drive.
    BuildUserPhoneBookDir(PhoneBookPath, sizeof(PhoneBookPath));
    if (PhoneBookPath[0] != '\0')
        ApplyTrailingBackslash(PhoneBookPath, sizeof(PhoneBookPath));
    InitializeClassData();
}

VmrPhoneBook::~VmrPhoneBook()
{
}

VmrPhoneBook& VmrPhoneBook::operator=(const VmrPhoneBook& other)
{
    if (this != &other)
        memcpy(this, &other, sizeof(*this));
    return *this;
}

void VmrPhoneBook::InitializeClassData()
{
    EntryName[0] = '\0';
    EstablishSessionNow = 0;
    memset(&Record, 0, sizeof(Record));
    memcpy(Record.Magic, "vmr", sizeof(Record.Magic));
    Record.Version = 41;
    Record.UseCountryCodeAndAreaCode = 1;
    Record.StartupUtility[0] = SuppressStartupUtilities == 0 ? 1 : 0;
    Record.DisplayConnectDialog = 1;
    Record.DeviceType = 1;
}

#define STORE(field, text) StoreFieldText(Record.field, sizeof(Record.field), text)
#define FETCH(field, buffer, size) FetchFieldText(Record.field, sizeof(Record.field), buffer, size)

void VmrPhoneBook::SetConnectWorkstationName(char* text) { STORE(ConnectWorkstationName, text); }
void VmrPhoneBook::SetConnectCountryCode(char* text) { STORE(ConnectCountryCode, text); }
void VmrPhoneBook::SetConnectAreaCode(char* text) { STORE(ConnectAreaCode, text); }
void VmrPhoneBook::SetConnectPhoneNumber(char* text) { STORE(ConnectPhoneNumber, text); }
void VmrPhoneBook::SetLoginName(char* text) { STORE(LoginName, text); }
void VmrPhoneBook::SetTapiLineName(char* text) { STORE(TapiLineName, text); }

int VmrPhoneBook::SetPassword(char* text)
{
    STORE(Password, text);
    return 1;
}

// These two clear the whole field first, so the stored bytes never carry a
// remnant of an earlier, longer value.
void VmrPhoneBook::SetInternetLocatorServer(char* text)
{
    memset(Record.InternetLocatorServer, 0, sizeof(Record.InternetLocatorServer));
    CopyBounded(Record.InternetLocatorServer, text ? text : "", sizeof(Record.InternetLocatorServer) - 1);
}

void VmrPhoneBook::SetAdapterName(char* text)
{
    memset(Record.AdapterName, 0, sizeof(Record.AdapterName));
    CopyBounded(Record.AdapterName, text ? text : "", sizeof(Record.AdapterName) - 1);
}

void VmrPhoneBook::SetConnectTimeout(unsigned short seconds) { Record.ConnectTimeout = seconds; }

// Type 2 is a device type too, but hosts may not choose it; the dialogs store
// whatever the device list reports.
void VmrPhoneBook::SetDeviceType(unsigned short type)
{
    if (type == 1 || type == 3 || type == 4 || type == 5)
        Record.DeviceType = type;
}

void VmrPhoneBook::SetDisplayConnectDialog(int show) { Record.DisplayConnectDialog = static_cast<unsigned int>(show); }

// The locator is always in use; the argument only keeps the exported signature.
void VmrPhoneBook::SetUseInternet(int) { Record.UseInternet = 1; }

void VmrPhoneBook::GetConnectWorkstationName(char* buffer, unsigned short size) { FETCH(ConnectWorkstationName, buffer, size); }
void VmrPhoneBook::GetConnectCountryCode(char* buffer, unsigned short size) { FETCH(ConnectCountryCode, buffer, size); }
void VmrPhoneBook::GetConnectAreaCode(char* buffer, unsigned short size) { FETCH(ConnectAreaCode, buffer, size); }
void VmrPhoneBook::GetConnectPhoneNumber(char* buffer, unsigned short size) { FETCH(ConnectPhoneNumber, buffer, size); }
void VmrPhoneBook::GetLoginName(char* buffer, unsigned short size) { FETCH(LoginName, buffer, size); }
void VmrPhoneBook::GetPassword(char* buffer, unsigned short size) { FETCH(Password, buffer, size); }
void VmrPhoneBook::GetTapiLineName(char* buffer, unsigned short size) { FETCH(TapiLineName, buffer, size); }
void VmrPhoneBook::GetRasLinkName(char* buffer, unsigned short size) { FETCH(RasLinkName, buffer, size); }
void VmrPhoneBook::GetAdapterName(char* buffer, unsigned short size) { FETCH(AdapterName, buffer, size); }
void VmrPhoneBook::GetInternetLocatorServer(char* buffer, unsigned short size) { FETCH(InternetLocatorServer, buffer, size); }

unsigned short VmrPhoneBook::GetConnectTimeout() { return Record.ConnectTimeout; }
int VmrPhoneBook::UseCountryCodeAndAreaCode() { return static_cast<int>(Record.UseCountryCodeAndAreaCode); }
unsigned short VmrPhoneBook::GetDeviceType() { return Record.DeviceType; }
int VmrPhoneBook::GetDisplayConnectDialog() { return static_cast<int>(Record.DisplayConnectDialog); }
int VmrPhoneBook::UseInternet() { return 1; }

int VmrPhoneBook::IsStartupUtility(unsigned short slot)
{
    const unsigned short slots = sizeof(Record.StartupUtility) / sizeof(Record.StartupUtility[0]);
    return slot < slots ? static_cast<int>(Record.StartupUtility[slot]) : 0;
}

void VmrPhoneBook::SetPath(char* directory)
{
    SetPhoneBookDirectory(PhoneBookPath, sizeof(PhoneBookPath), directory);
}

// Hosts built with Microsoft's compiler expect a constructor to hand back
// `this`; MinGW's do not. The DLL exports this under the Microsoft name.
extern "C" __attribute__((thiscall)) VmrPhoneBook* MsvcConstructVmrPhoneBook(VmrPhoneBook* self)
{
    return new (self) VmrPhoneBook();
}
