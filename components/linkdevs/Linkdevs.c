/*
 * Linkdevs.dll - the product's communications devices and the ILS server list
 * that the product's programs share.
 *
 * Both files live in this DLL's own folder, or in the folder named by the
 * environment variable LINKDEVS_DIR when it is set (read at every call, so a
 * host or a test can point it at a folder of its own).
 *
 * LINKDEVS.INI describes the devices, and is read again at every call:
 *     [Settings]
 *     CdTapiInstalled=1
 *     [Devices]
 *     Device1=Office Modem|1|100|Standard 56K Modem
 *     Device2=Site Link|3|0x200|Network Adapter
 * Every line of [Devices] is one device, listed in file order; the key only
 * makes the file readable and may be anything. Its value holds four fields
 * separated by "|": the name (not empty), the DeviceType (a decimal number from
 * 1 to 5), the id (a 32-bit number, decimal or 0x hexadecimal), and the
 * adapter's name (the rest of the line, "|" included; may be empty). Spaces
 * around a field do not count. A line that does not have this form is
 * skipped, as is a line whose key starts with ";". Names are passed on at their
 * full length: the caller cuts what it cannot hold. When two devices share an
 * id, GetDeviceTypeFromID and the properties dialog see the first.
 * IsCdTapiInstalled answers CdTapiInstalled from [Settings], 0 without it.
 * Without the file there are no devices.
 *
 * LINKDEVS.ILS holds the server list as the multi-string the ILS calls pass:
 * NUL-terminated names ended by an empty one; an empty list is two NULs, and
 * so is a missing file. ILSAddEntry leaves the list alone when it already holds
 * the name byte for byte, or when the name is empty. The stored list never
 * passes ILS_LIMIT bytes: names that would make it longer are left out. Other
 * processes read and change the same file, so each change is one
 * read-modify-write under an exclusive handle, and readers wait briefly for a
 * writer to finish.
 *
 * InstallTapiDevice installs nothing: it tells the user, in a message box
 * owned by the given window, to add the device to LINKDEVS.INI, which the
 * caller reads again afterwards.
 */
#include <windows.h>
#include <mbstring.h>
#include <string.h>

#include "ComponentFiles.h"
#include "DeviceLibrary.h"
#include "LinkdevsRes.h"

#define SETTINGS_NAME "LINKDEVS.INI"
#define ILS_NAME "LINKDEVS.ILS"
#define FOLDER_VARIABLE "LINKDEVS_DIR"

/* Far more than a device list ever holds; a section past this is read only
   up to the last whole line that fits. */
#define SECTION_LIMIT (1024 * 1024)
#define ILS_LIMIT (256 * 1024)

/* How long a reader or writer of the ILS file waits for another process that
   holds it. */
#define SHARING_ATTEMPTS 100
#define SHARING_PAUSE_MS 10

#define MIN_DEVICE_TYPE 1
#define MAX_DEVICE_TYPE 5

static HINSTANCE linkdevsInstance;

typedef struct Device {
    const char* name;
    WORD type;
    DWORD id;
    const char* adapter;
} Device;

/* Answers FALSE to stop the walk over the devices. */
typedef BOOL (*DeviceVisitor)(const Device* device, void* state);

static void* Allocate(DWORD size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

static void Release(void* block)
{
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}

/* The full path of one of this DLL's files, in LINKDEVS_DIR or beside the
   DLL; FALSE when it would not fit. */
static BOOL LocateFile(const char* fileName, char* path, DWORD size)
{
    return LocateComponentFile(linkdevsInstance, FOLDER_VARIABLE, fileName, path, size);
}

/* ---------------------------------------------------------------------------
 * Devices
 */

static BOOL IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

/* Takes the blanks off both ends of a field, in place. */
static char* Trim(char* field)
{
    while (IsBlank(*field))
        ++field;
    size_t length = strlen(field);
    while (length > 0 && IsBlank(field[length - 1]))
        field[--length] = '\0';
    return field;
}

static int DigitValue(char c, unsigned base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value >= 0 && (unsigned)value < base ? value : -1;
}

/* A whole field as an unsigned 32-bit number, decimal or 0x hexadecimal. No
   sign, no stray characters, no wrap-around past 0xFFFFFFFF. */
static BOOL ParseNumber(const char* text, DWORD* number)
{
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (*text == '\0')
        return FALSE;
    unsigned long long value = 0;
    for (; *text != '\0'; ++text) {
        int digit = DigitValue(*text, base);
        if (digit < 0)
            return FALSE;
        value = value * base + (unsigned)digit;
        if (value > 0xFFFFFFFFull)
            return FALSE;
    }
    *number = (DWORD)value;
    return TRUE;
}

/* Splits one "key=name|type|id|adapter" line of the section, in place. */
static BOOL ParseDevice(char* line, Device* device)
{
    if (line[0] == ';')
        return FALSE;
    char* fields[4];
    char* value = (char*)_mbschr((unsigned char*)line, '=');
    if (value == NULL)
        return FALSE;
    fields[0] = value + 1;
    for (int i = 1; i < 4; ++i) {
        char* separator = (char*)_mbschr((unsigned char*)fields[i - 1], '|');
        if (separator == NULL)
            return FALSE;
        *separator = '\0';
        fields[i] = separator + 1;
    }

    char* name = Trim(fields[0]);
    DWORD type = 0;
    DWORD id = 0;
    if (*name == '\0' || !ParseNumber(Trim(fields[1]), &type) || type < MIN_DEVICE_TYPE ||
        type > MAX_DEVICE_TYPE || !ParseNumber(Trim(fields[2]), &id))
        return FALSE;
    device->name = name;
    device->type = (WORD)type;
    device->id = id;
    device->adapter = Trim(fields[3]);
    return TRUE;
}

/* The [Devices] section as the lines GetPrivateProfileSectionA gives, in a
   block the caller releases; NULL when there is no memory. */
static char* ReadDeviceSection(const char* settings)
{
    DWORD size = 8192;
    for (;;) {
        char* section = (char*)Allocate(size);
        if (section == NULL)
            return NULL;
        /* An empty list, whether or not the call writes one. */
        section[0] = section[1] = '\0';
        DWORD length = GetPrivateProfileSectionA("Devices", section, size, settings);
        if (length + 2 < size)
            return section;
        if (size >= SECTION_LIMIT) {
            /* Cut short: its last line may be cut in the middle, so it goes. */
            char* last = section;
            for (char* line = section; *line != '\0'; line += strlen(line) + 1)
                last = line;
            *last = '\0';
            return section;
        }
        Release(section);
        size *= 2;
    }
}

/* Visits the usable devices of LINKDEVS.INI in file order. */
static void ForEachDevice(DeviceVisitor visit, void* state)
{
    char settings[MAX_PATH];
    if (!LocateFile(SETTINGS_NAME, settings, sizeof(settings)))
        return;
    char* section = ReadDeviceSection(settings);
    if (section == NULL)
        return;
    char* line = section;
    while (*line != '\0') {
        /* Parsing writes NULs into the line: step past it first. */
        char* next = line + strlen(line) + 1;
        Device device;
        if (ParseDevice(line, &device) && !visit(&device, state))
            break;
        line = next;
    }
    Release(section);
}

typedef struct Enumeration {
    DeviceEnumProc proc;
    DWORD context;
} Enumeration;

static BOOL ReportDevice(const Device* device, void* state)
{
    const Enumeration* enumeration = (const Enumeration*)state;
    /* A device the caller could not take does not end the list. */
    enumeration->proc(device->name, device->type, device->id, device->adapter,
                      enumeration->context);
    return TRUE;
}

void WINAPI EnumDeviceNames(DeviceEnumProc proc, DWORD context)
{
    if (proc == NULL)
        return;
    Enumeration enumeration = {proc, context};
    ForEachDevice(ReportDevice, &enumeration);
}

typedef struct DeviceLookup {
    DWORD id;
    BOOL found;
    WORD type;
    char* adapter;   /* a copy, only when asked for */
    BOOL wantAdapter;
} DeviceLookup;

static BOOL MatchDevice(const Device* device, void* state)
{
    DeviceLookup* lookup = (DeviceLookup*)state;
    if (device->id != lookup->id)
        return TRUE;
    lookup->found = TRUE;
    lookup->type = device->type;
    if (lookup->wantAdapter) {
        DWORD size = (DWORD)strlen(device->adapter) + 1;
        lookup->adapter = (char*)Allocate(size);
        if (lookup->adapter != NULL)
            memcpy(lookup->adapter, device->adapter, size);
    }
    return FALSE;
}

WORD WINAPI GetDeviceTypeFromID(DWORD id)
{
    DeviceLookup lookup = {id, FALSE, 0, NULL, FALSE};
    ForEachDevice(MatchDevice, &lookup);
    return lookup.found ? lookup.type : 0;
}

int WINAPI IsCdTapiInstalled(void)
{
    char settings[MAX_PATH];
    if (!LocateFile(SETTINGS_NAME, settings, sizeof(settings)))
        return 0;
    return (int)GetPrivateProfileIntA("Settings", "CdTapiInstalled", 0, settings);
}

/* ---------------------------------------------------------------------------
 * The properties dialog and the install note
 */

typedef struct PropertiesView {
    const char* name;
    WORD type;
    DWORD id;
    const char* adapter;   /* NULL when the device has none or is not listed */
} PropertiesView;

static INT_PTR OnInitProperties(HWND dialog, const PropertiesView* view)
{
    SetDlgItemTextA(dialog, IDC_DEVICE_NAME, view->name != NULL ? view->name : "");
    SetDlgItemInt(dialog, IDC_DEVICE_TYPE, view->type, FALSE);
    SetDlgItemInt(dialog, IDC_DEVICE_ID, view->id, FALSE);
    if (view->adapter != NULL && view->adapter[0] != '\0') {
        SetDlgItemTextA(dialog, IDC_DEVICE_ADAPTER, view->adapter);
    } else {
        char none[64];
        if (LoadStringA(linkdevsInstance, IDS_NO_ADAPTER, none, sizeof(none)) > 0)
            SetDlgItemTextA(dialog, IDC_DEVICE_ADAPTER, none);
    }
    return TRUE;
}

static INT_PTR CALLBACK PropertiesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitProperties(dialog, (const PropertiesView*)lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

/* Shows the name and type the caller passed, which may differ from the
   file's; the adapter, which the caller does not pass, comes from the file. */
void WINAPI QueryDeviceProperties(HWND owner, LPCSTR name, WORD type, DWORD id)
{
    DeviceLookup lookup = {id, FALSE, 0, NULL, TRUE};
    ForEachDevice(MatchDevice, &lookup);
    PropertiesView view = {name, type, id, lookup.adapter};
    DialogBoxParamA(linkdevsInstance, MAKEINTRESOURCEA(IDD_DEVICE_PROPERTIES), owner,
                    PropertiesProc, (LPARAM)&view);
    Release(lookup.adapter);
}

void WINAPI InstallTapiDevice(HWND owner)
{
    char caption[128];
    char text[512];
    if (LoadStringA(linkdevsInstance, IDS_INSTALL_CAPTION, caption, sizeof(caption)) > 0 &&
        LoadStringA(linkdevsInstance, IDS_INSTALL_TEXT, text, sizeof(text)) > 0)
        MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

/* ---------------------------------------------------------------------------
 * The ILS server list
 */

/* Waits while another process holds the file without sharing it. */
static HANDLE OpenListFile(const char* path, DWORD access, DWORD share, DWORD disposition)
{
    for (int attempt = 0;; ++attempt) {
        HANDLE file = CreateFileA(path, access, share, NULL, disposition, FILE_ATTRIBUTE_NORMAL,
                                  NULL);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) ||
            attempt + 1 >= SHARING_ATTEMPTS)
            return INVALID_HANDLE_VALUE;
        Sleep(SHARING_PAUSE_MS);
    }
}

/* Bytes of a multi-string up to and including its ending empty string; an
   empty list counts two NULs. Strings that would take it past limit are left
   out, so the result never passes limit (which is at least 2). */
static DWORD MultiStringLength(const char* list, DWORD limit)
{
    DWORD length = 0;
    while (list[length] != '\0') {
        DWORD item = (DWORD)strlen(list + length) + 1;
        if (length + item + 1 > limit)
            break;
        length += item;
    }
    return length == 0 ? 2 : length + 1;
}

/* The list held by an open file, as a well-formed multi-string in a block the
   caller releases: a file cut short or hand-edited still yields NUL-ended
   names and the ending empty string. NULL when the file cannot be read. */
static char* ReadList(HANDLE file, DWORD* length)
{
    DWORD size = GetFileSize(file, NULL);
    if (size == INVALID_FILE_SIZE)
        return NULL;
    if (size > ILS_LIMIT)
        size = ILS_LIMIT;
    /* Two spare bytes end a last name and the list that the file left open. */
    char* list = (char*)Allocate(size + 2);
    if (list == NULL)
        return NULL;
    DWORD read = 0;
    if (size > 0 && !ReadFile(file, list, size, &read, NULL)) {
        Release(list);
        return NULL;
    }
    list[read] = '\0';
    list[read + 1] = '\0';
    *length = MultiStringLength(list, ILS_LIMIT);
    /* Ends the list where the count ended it: after the last name that fits,
       and as two NULs when there is none. */
    if (*length == 2)
        list[0] = '\0';
    list[*length - 1] = '\0';
    return list;
}

/* The stored list; a missing file (or folder) is an empty list. */
static char* LoadList(const char* path, DWORD* length)
{
    HANDLE file = OpenListFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return NULL;
        char* empty = (char*)Allocate(2);
        if (empty != NULL) {
            empty[0] = empty[1] = '\0';
            *length = 2;
        }
        return empty;
    }
    char* list = ReadList(file, length);
    CloseHandle(file);
    return list;
}

/* Replaces what an open file holds with the first length bytes of a list, as
   MultiStringLength counted them: the names it kept, then the ending NUL,
   written here because the caller's list may go on past the count. */
static BOOL WriteList(HANDLE file, const char* list, DWORD length)
{
    DWORD written = 0;
    DWORD ending = 0;
    return SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0 &&
           WriteFile(file, list, length - 1, &written, NULL) && written == length - 1 &&
           WriteFile(file, "", 1, &ending, NULL) && ending == 1 && SetEndOfFile(file);
}

BOOL WINAPI ILSGetList(LPSTR buffer, DWORD* size)
{
    if (size == NULL)
        return FALSE;
    char path[MAX_PATH];
    if (!LocateFile(ILS_NAME, path, sizeof(path)))
        return FALSE;
    DWORD length = 0;
    char* list = LoadList(path, &length);
    if (list == NULL)
        return FALSE;
    BOOL delivered = TRUE;
    if (buffer != NULL) {
        if (*size >= length)
            memcpy(buffer, list, length);
        else
            delivered = FALSE;
    }
    *size = length;
    Release(list);
    return delivered;
}

void WINAPI ILSPutList(LPCSTR list)
{
    char path[MAX_PATH];
    if (!LocateFile(ILS_NAME, path, sizeof(path)))
        return;
    if (list == NULL)
        list = "";
    DWORD length = MultiStringLength(list, ILS_LIMIT);
    HANDLE file = OpenListFile(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteList(file, list, length);
    CloseHandle(file);
}

/* Whether a multi-string holds name, byte for byte. */
static BOOL ListHolds(const char* list, const char* name)
{
    for (; *list != '\0'; list += strlen(list) + 1) {
        if (strcmp(list, name) == 0)
            return TRUE;
    }
    return FALSE;
}

void WINAPI ILSAddEntry(LPCSTR name)
{
    if (name == NULL || name[0] == '\0')
        return;
    char path[MAX_PATH];
    if (!LocateFile(ILS_NAME, path, sizeof(path)))
        return;
    DWORD nameSize = (DWORD)strlen(name) + 1;
    if (nameSize > ILS_LIMIT)
        return;
    /* Read and rewritten under one exclusive handle, so that two processes
       adding at once both keep their names. */
    HANDLE file = OpenListFile(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD length = 0;
    char* list = ReadList(file, &length);
    if (list != NULL && !ListHolds(list, name)) {
        /* The names already held, without the ending empty string. */
        DWORD kept = list[0] == '\0' ? 0 : length - 1;
        if (kept + nameSize + 1 <= ILS_LIMIT) {
            char* grown = (char*)Allocate(kept + nameSize + 1);
            if (grown != NULL) {
                memcpy(grown, list, kept);
                memcpy(grown + kept, name, nameSize);
                grown[kept + nameSize] = '\0';
                WriteList(file, grown, kept + nameSize + 1);
                Release(grown);
            }
        }
    }
    Release(list);
    CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        linkdevsInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
