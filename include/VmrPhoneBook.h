/*
 * VmrPhoneBook.h - the Velmora phone book, as exported by PhoneBk.dll.
 *
 * A VmrPhoneBook is a plain, byte-packed object of 2664 bytes that the host
 * allocates itself (on its stack, on its heap or inside its own objects) and
 * copies by value. Its fields are private, but their order and size are part of
 * the interface: never add a member, a base class or a virtual function.
 *
 * Every member is a non-virtual __thiscall member. The DLL exports each one
 * under the name MinGW gives it and under the name Microsoft's compiler gives
 * it, so hosts built with either compiler link against the same DLL.
 *
 * Text is ANSI in the system's multibyte code page. Setters take a
 * zero-terminated string; getters fill a caller buffer of the given size and
 * always leave it terminated (a null buffer or a size of 0 is left alone).
 *
 * The header needs nothing from <windows.h>; it may be included before or
 * after it.
 */
#ifndef VMRPHONEBOOK_H
#define VMRPHONEBOOK_H

#if defined(PHONEBK_BUILD)
#define PHONEBK_CLASS
#else
#define PHONEBK_CLASS __declspec(dllimport)
#endif

/* The same types <windows.h> declares, so that the header stands alone. */
struct HWND__;
typedef struct HWND__* HWND;

/* The enumeration callback: the entry's full path and the caller's value. */
#define PHONEBK_CALLBACK __stdcall
typedef int (PHONEBK_CALLBACK* VmrEnumEntryProc)(char* entry, long value);

#pragma pack(push, 1)

/*
 * One connection: the plaintext of an entry file, byte for byte. Integers are
 * little-endian; a text field holds a zero-terminated string and the bytes after
 * its terminator are kept as they are.
 */
struct VmrEntryRecord
{
    char           Magic[3];                    /* "vmr", no terminator */
    unsigned short Version;                     /* 41 */
    unsigned int   UseCountryCodeAndAreaCode;
    char           ConnectCountryCode[44];
    char           ConnectAreaCode[12];
    char           ConnectPhoneNumber[38];
    char           ConnectWorkstationName[32];
    char           LoginName[96];
    char           Password[18];
    char           TapiLineName[256];
    char           RasLinkName[256];
    unsigned int   UseDialUpNetworking;
    unsigned int   StartupUtility[10];
    unsigned char  Reserved1[24];
    unsigned int   DisplayConnectDialog;
    unsigned short ConnectTimeout;
    unsigned short DeviceType;
    unsigned short Reserved2;
    unsigned char  Reserved3[512];
    unsigned int   UseInternet;
    char           InternetLocatorServer[512];
    char           AdapterName[256];
    unsigned char  Reserved4[21];
};

class PHONEBK_CLASS VmrPhoneBook
{
public:
    /* Finds (and creates) the per-user phone book directory, then resets the
       record. On Windows NT this may wait up to a minute for the shell. */
    VmrPhoneBook();
    ~VmrPhoneBook();
    VmrPhoneBook& operator=(const VmrPhoneBook& other);

    /* Fields of the current entry. */
    void SetConnectWorkstationName(char* text);
    void SetConnectTimeout(unsigned short seconds);
    void SetConnectCountryCode(char* text);
    void SetConnectAreaCode(char* text);
    void SetConnectPhoneNumber(char* text);
    void SetLoginName(char* text);
    int  SetPassword(char* text);
    void SetDeviceType(unsigned short type);        /* 1, 3, 4 or 5 only */
    void SetTapiLineName(char* text);
    void SetDisplayConnectDialog(int show);
    void SetInternetLocatorServer(char* text);
    void SetUseInternet(int use);                   /* always stores 1 */
    void SetAdapterName(char* text);

    void GetConnectWorkstationName(char* buffer, unsigned short size);
    void GetConnectCountryCode(char* buffer, unsigned short size);
    void GetConnectAreaCode(char* buffer, unsigned short size);
    void GetConnectPhoneNumber(char* buffer, unsigned short size);
    void GetLoginName(char* buffer, unsigned short size);
    void GetPassword(char* buffer, unsigned short size);
    void GetTapiLineName(char* buffer, unsigned short size);
    void GetRasLinkName(char* buffer, unsigned short size);
    void GetAdapterName(char* buffer, unsigned short size);
    void GetInternetLocatorServer(char* buffer, unsigned short size);
    unsigned short GetConnectTimeout();
    int  UseCountryCodeAndAreaCode();
    unsigned short GetDeviceType();
    int  GetDisplayConnectDialog();
    int  UseInternet();                             /* always 1 */
    int  IsStartupUtility(unsigned short slot);     /* slots 0 to 9 */

    /* Entry files. A name with a drive or directory is a path as it stands;
       any other name lies in the phone book directory. ".vmr" is appended
       unless the name already ends with it. 1 for success, 0 for failure;
       a path that does not fit in 260 bytes fails. */
    int  ReadEntry(char* name);
    int  WriteEntry(char* name);
    int  IsValidEntry(char* name);
    int  IsRasLinkEntry(char* name);

    /* The phone book directory. The callback gets each entry file's full
       path. DeleteEntry, RenameEntry and CopyEntry add no extension, and take
       the target name exactly as given; they answer the system call's result. */
    int  EnumEntryNames(VmrEnumEntryProc callback, long value);
    int  DeleteEntry(char* name);
    int  RenameEntry(char* oldName, char* newName);
    int  CopyEntry(char* sourceName, char* targetName);

    /* Replaces the phone book directory; a trailing backslash is added. */
    void SetPath(char* directory);

    /* The Create New Connection dialogs: 2 (10 with a session asked for) and
       the new file's path, 4 and a Dial-Up Networking name, or 1 for none. */
    unsigned short QueryCreateEntry(HWND parent, char* pathBuffer, unsigned short pathBufferSize, int omitUtilities);

    /* The Properties sheet of an existing entry, which OK and Apply write
       back. 1 once the sheet has closed; 0, with no sheet, when the login is
       refused or the entry cannot be read. */
    int  QueryProperties(HWND parent, char* entryName, int withoutUtilities);

    /* The security login, shared by every phone book object of the process.
       SecurityLogin answers 1 when access is granted; a grant lasts, for any
       right, until SecurityLogout. OnExitPhoneBookTab logs out: the host calls
       it when the user leaves its Phone Book tab. */
    int  SecurityLogin(HWND owner, unsigned short right);
    void SecurityLogout();
    void OnExitPhoneBookTab();

private:
    void InitializeClassData();

    friend class VmrPhoneBookAccess;   /* the library's own code */

    char           PhoneBookPath[260];
    char           EntryName[256];
    unsigned int   EstablishSessionNow;
    VmrEntryRecord Record;
};

#pragma pack(pop)

#endif /* VMRPHONEBOOK_H */
