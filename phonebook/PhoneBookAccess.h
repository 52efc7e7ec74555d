// The library's own view of a VmrPhoneBook: its fields, and the layout checks
// that keep the object exactly as hosts allocate it.
#ifndef PHONEBK_PHONEBOOKACCESS_H
#define PHONEBK_PHONEBOOKACCESS_H

#include <windows.h>
#include <stddef.h>
#include "VmrPhoneBook.h"

const size_t kPathSize = MAX_PATH;   // every path is composed in 260 bytes
const size_t kRecordSize = 2144;
const size_t kEntryNameSize = 256;   // EntryName, its terminator included

class VmrPhoneBookAccess
{
public:
    static char* Path(VmrPhoneBook& book) { return book.PhoneBookPath; }
    static char* EntryName(VmrPhoneBook& book) { return book.EntryName; }
    static unsigned int& EstablishSessionNow(VmrPhoneBook& book) { return book.EstablishSessionNow; }
    static VmrEntryRecord& Record(VmrPhoneBook& book) { return book.Record; }
    static void Reset(VmrPhoneBook& book) { book.InitializeClassData(); }

private:
    static_assert(sizeof(VmrEntryRecord) == kRecordSize, "entry record");
    static_assert(sizeof(VmrPhoneBook) == 2664, "VmrPhoneBook is allocated by hosts");
    static_assert(offsetof(VmrPhoneBook, PhoneBookPath) == 0, "");
    static_assert(offsetof(VmrPhoneBook, EntryName) == 260, "");
    static_assert(offsetof(VmrPhoneBook, EstablishSessionNow) == 516, "");
    static_assert(offsetof(VmrPhoneBook, Record) == 520, "");
    static_assert(sizeof(((VmrPhoneBook*)0)->PhoneBookPath) == kPathSize, "");
    static_assert(sizeof(((VmrPhoneBook*)0)->EntryName) == kEntryNameSize, "");
};

static_assert(offsetof(VmrEntryRecord, Magic) == 0x000, "");
static_assert(offsetof(VmrEntryRecord, Version) == 0x003, "");
static_assert(offsetof(VmrEntryRecord, UseCountryCodeAndAreaCode) == 0x005, "");
static_assert(offsetof(VmrEntryRecord, ConnectCountryCode) == 0x009, "");
static_assert(offsetof(VmrEntryRecord, ConnectAreaCode) == 0x035, "");
static_assert(offsetof(VmrEntryRecord, ConnectPhoneNumber) == 0x041, "");
static_assert(offsetof(VmrEntryRecord, ConnectWorkstationName) == 0x067, "");
static_assert(offsetof(VmrEntryRecord, LoginName) == 0x087, "");
static_assert(offsetof(VmrEntryRecord, Password) == 0x0E7, "");
static_assert(offsetof(VmrEntryRecord, TapiLineName) == 0x0F9, "");
static_assert(offsetof(VmrEntryRecord, RasLinkName) == 0x1F9, "");
static_assert(offsetof(VmrEntryRecord, UseDialUpNetworking) == 0x2F9, "");
static_assert(offsetof(VmrEntryRecord, StartupUtility) == 0x2FD, "");
static_assert(offsetof(VmrEntryRecord, Reserved1) == 0x325, "");
static_assert(offsetof(VmrEntryRecord, DisplayConnectDialog) == 0x33D, "");
static_assert(offsetof(VmrEntryRecord, ConnectTimeout) == 0x341, "");
static_assert(offsetof(VmrEntryRecord, DeviceType) == 0x343, "");
static_assert(offsetof(VmrEntryRecord, Reserved2) == 0x345, "");
static_assert(offsetof(VmrEntryRecord, Reserved3) == 0x347, "");
static_assert(offsetof(VmrEntryRecord, UseInternet) == 0x547, "");
static_assert(offsetof(VmrEntryRecord, InternetLocatorServer) == 0x54B, "");
static_assert(offsetof(VmrEntryRecord, AdapterName) == 0x74B, "");
static_assert(offsetof(VmrEntryRecord, Reserved4) == 0x84B, "");

// The last omitUtilities of QueryCreateEntry in this process; it decides the
// default of StartupUtility slot 0 at every reset.
extern int SuppressStartupUtilities;

#endif
