/*
 * msvc_host.exe - uses PhoneBk.dll as a host built with Microsoft's compiler
 * does: compiled by clang for the i686-pc-windows-msvc target, linked by
 * lld-link against PhoneBk.lib, with no C runtime at all.
 *
 * It binds every member through the Microsoft-decorated names, relies on the
 * constructor handing back `this`, and on the byte layout of the object.
 * Each failed check prints one line; the exit code is the number of failures.
 */
#include "VmrPhoneBook.h"
#include "RasPhoneBook.h"
#include "VmrEntryBatch.h"

static_assert(sizeof(VmrPhoneBook) == 2664, "VmrPhoneBook must stay 2664 bytes");
static_assert(sizeof(VmrEntryRecord) == 2144, "VmrEntryRecord must stay 2144 bytes");
static_assert(sizeof(RasPhoneBook) == 256, "RasPhoneBook must stay 256 bytes");

/* The few system functions the host needs; no <windows.h> for this target. */
extern "C" {
struct HostWindowClass
{
    unsigned int style;
    long(__stdcall* windowProc)(HWND, unsigned int, unsigned int, long);
    int classExtra;
    int windowExtra;
    void* instance;
    void* icon;
    void* cursor;
    void* background;
    const char* menuName;
    const char* className;
};
static_assert(sizeof(HostWindowClass) == 40, "WNDCLASSA is 40 bytes");

__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int code);
__declspec(dllimport) void* __stdcall GetModuleHandleA(const char* name);

__declspec(dllimport) unsigned short __stdcall RegisterClassA(const HostWindowClass* windowClass);
__declspec(dllimport) HWND __stdcall CreateWindowExA(unsigned long exStyle, const char* className,
                                                     const char* title, unsigned long style, int x,
                                                     int y, int width, int height, HWND parent,
                                                     void* menu, void* instance, void* parameter);
__declspec(dllimport) long __stdcall DefWindowProcA(HWND window, unsigned int message,
                                                    unsigned int wParam, long lParam);
__declspec(dllimport) int __stdcall DestroyWindow(HWND window);
__declspec(dllimport) int __stdcall UnregisterClassA(const char* className, void* instance);

/* Provided here: the compiler may emit calls to these even without a runtime. */
void* memset(void* target, int value, decltype(sizeof(0)) size);
void* memcpy(void* target, const void* source, decltype(sizeof(0)) size);
}

/* The constructor, called by its decorated name: a Microsoft constructor
   returns the object's address in EAX, and this looks at that value. */
__declspec(dllimport) VmrPhoneBook* __thiscall ConstructThroughImport(void* self) __asm__("??0VmrPhoneBook@@QAE@XZ");
__declspec(dllimport) RasPhoneBook* __thiscall ConstructRasThroughImport(void* self) __asm__("??0RasPhoneBook@@QAE@XZ");

inline void* operator new(decltype(sizeof(0)), void* place) noexcept { return place; }

extern "C" void* memset(void* target, int value, decltype(sizeof(0)) size)
{
    volatile unsigned char* bytes = static_cast<unsigned char*>(target);
    while (size-- > 0)
        *bytes++ = static_cast<unsigned char>(value);
    return target;
}

extern "C" void* memcpy(void* target, const void* source, decltype(sizeof(0)) size)
{
    volatile unsigned char* to = static_cast<unsigned char*>(target);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (size-- > 0)
        *to++ = *from++;
    return target;
}

namespace {

const unsigned long kStdOutput = static_cast<unsigned long>(-11);
const unsigned long kOverlappedWindow = 0x00CF0000UL;

unsigned int g_passed;
unsigned int g_failed;
const char* g_object = "";   /* which object the checks are about */

unsigned int Length(const char* text)
{
    unsigned int length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}

bool SameText(const char* left, const char* right)
{
    unsigned int i = 0;
    for (; left[i] != '\0' && left[i] == right[i]; ++i) {
    }
    return left[i] == right[i];
}

void Write(const char* text)
{
    unsigned long written = 0;
    WriteFile(GetStdHandle(kStdOutput), text, Length(text), &written, nullptr);
}

void WriteNumber(unsigned int value)
{
    char digits[12];
    unsigned int at = sizeof(digits) - 1;
    digits[at] = '\0';
    do {
        digits[--at] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && at > 0);
    Write(digits + at);
}

void Check(bool ok, const char* what)
{
    if (ok) {
        ++g_passed;
        return;
    }
    ++g_failed;
    Write("msvc host: FAILED (");
    Write(g_object);
    Write(" object): ");
    Write(what);
    Write("\n");
}

/* Fills a buffer with a marker so that a getter that writes nothing shows. */
void Fill(char* buffer, unsigned int size)
{
    for (unsigned int i = 0; i < size; ++i)
        buffer[i] = '#';
}

long __stdcall ShellWindowProc(HWND window, unsigned int message, unsigned int wParam, long lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

void CheckDefaults(VmrPhoneBook& book)
{
    Check(book.GetDeviceType() == 1, "default GetDeviceType() is 1");
    Check(book.GetDisplayConnectDialog() == 1, "default GetDisplayConnectDialog() is 1");
    Check(book.UseCountryCodeAndAreaCode() == 1, "default UseCountryCodeAndAreaCode() is 1");
    Check(book.IsStartupUtility(0) == 1, "default IsStartupUtility(0) is 1");
    Check(book.IsStartupUtility(1) == 0, "default IsStartupUtility(1) is 0");
    Check(book.IsStartupUtility(10) == 0, "IsStartupUtility(10), past the slots, is 0");
    Check(book.UseInternet() == 1, "UseInternet() is 1");
    Check(book.GetConnectTimeout() == 0, "default GetConnectTimeout() is 0");

    char text[16];
    Fill(text, sizeof(text));
    book.GetConnectPhoneNumber(text, sizeof(text));
    Check(text[0] == '\0', "default ConnectPhoneNumber is empty");

    /* The constructor found a phone book directory, ending in a backslash. */
    const char* path = reinterpret_cast<const char*>(&book);
    unsigned int length = 0;
    while (length < 260 && path[length] != '\0')
        ++length;
    Check(length > 0 && length < 260, "the constructor set a terminated phone book path");
    Check(length > 0 && length < 260 && path[length - 1] == '\\',
          "the phone book path ends in a backslash");
}

void CheckFields(VmrPhoneBook& book)
{
    char number[] = "0123456789";
    book.SetConnectPhoneNumber(number);

    char small[5];
    Fill(small, sizeof(small));
    book.GetConnectPhoneNumber(small, sizeof(small));
    Check(SameText(small, "0123"), "GetConnectPhoneNumber truncates to size - 1 and terminates");

    char whole[40];
    Fill(whole, sizeof(whole));
    book.GetConnectPhoneNumber(whole, sizeof(whole));
    Check(SameText(whole, "0123456789"), "GetConnectPhoneNumber returns the whole number");

    /* A size of 0 leaves the buffer alone. */
    Fill(small, sizeof(small));
    book.GetConnectPhoneNumber(small, 0);
    Check(small[0] == '#', "GetConnectPhoneNumber with size 0 writes nothing");

    char login[] = "alice";
    book.SetLoginName(login);
    Fill(whole, sizeof(whole));
    book.GetLoginName(whole, sizeof(whole));
    Check(SameText(whole, "alice"), "SetLoginName / GetLoginName");

    char area[] = "030";
    book.SetConnectAreaCode(area);
    Fill(whole, sizeof(whole));
    book.GetConnectAreaCode(whole, sizeof(whole));
    Check(SameText(whole, "030"), "SetConnectAreaCode / GetConnectAreaCode");

    book.SetDeviceType(2);
    Check(book.GetDeviceType() == 1, "SetDeviceType(2) is ignored");
    book.SetDeviceType(5);
    Check(book.GetDeviceType() == 5, "SetDeviceType(5) is stored");

    book.SetConnectTimeout(30);
    Check(book.GetConnectTimeout() == 30, "SetConnectTimeout(30) is stored");

    book.SetDisplayConnectDialog(0);
    Check(book.GetDisplayConnectDialog() == 0, "SetDisplayConnectDialog(0) is stored");

    book.SetUseInternet(0);
    Check(book.UseInternet() == 1, "UseInternet() stays 1 after SetUseInternet(0)");

    char password[] = "secret";
    Check(book.SetPassword(password) == 1, "SetPassword returns 1");
}

void CheckCopy(VmrPhoneBook& target, VmrPhoneBook& source)
{
    VmrPhoneBook* returned = &(target = source);
    Check(returned == &target, "operator= returns a reference to the target");

    Check(target.GetDeviceType() == 5, "the copy has DeviceType 5");
    Check(target.GetConnectTimeout() == 30, "the copy has ConnectTimeout 30");
    Check(target.GetDisplayConnectDialog() == 0, "the copy has DisplayConnectDialog 0");

    char text[40];
    Fill(text, sizeof(text));
    target.GetConnectPhoneNumber(text, sizeof(text));
    Check(SameText(text, "0123456789"), "the copy has the phone number");
    Fill(text, sizeof(text));
    target.GetLoginName(text, sizeof(text));
    Check(SameText(text, "alice"), "the copy has the login name");
    Fill(text, sizeof(text));
    target.GetPassword(text, sizeof(text));
    Check(SameText(text, "secret"), "the copy has the password");

    const unsigned char* from = reinterpret_cast<const unsigned char*>(&source);
    const unsigned char* to = reinterpret_cast<const unsigned char*>(&target);
    unsigned int differing = 0;
    for (unsigned int i = 0; i < sizeof(VmrPhoneBook); ++i)
        differing += from[i] != to[i];
    Check(differing == 0, "the copy equals the source byte for byte");

    /* Copying onto itself changes nothing. */
    VmrPhoneBook& alias = target;
    VmrPhoneBook* self = &(target = alias);
    Check(self == &target, "self-assignment returns a reference to the object");
    Check(target.GetDeviceType() == 5, "self-assignment keeps the fields");
}

void CheckPath(VmrPhoneBook& book)
{
    char directory[] = "C:\\pb";
    book.SetPath(directory);

    /* The phone book directory is the object's first field. */
    const char* path = reinterpret_cast<const char*>(&book);
    const char expected[] = "C:\\pb\\";
    bool same = true;
    for (unsigned int i = 0; i < sizeof(expected); ++i)
        same = same && path[i] == expected[i];
    Check(same, "SetPath(\"C:\\pb\") stores \"C:\\pb\\\" at the start of the object");

    bool terminated = false;
    for (unsigned int i = 0; i < 260; ++i)
        terminated = terminated || path[i] == '\0';
    Check(terminated, "the phone book path is terminated within 260 bytes");
}

/* One object on the stack, built and destroyed as a compiler does. */
void CheckStackObject()
{
    g_object = "stack";
    VmrPhoneBook book;
    CheckDefaults(book);
    CheckFields(book);
    CheckPath(book);
}

/* Objects in the host's own memory, built with placement new and by a direct
   call to the constructor's import. */
alignas(8) unsigned char g_first[sizeof(VmrPhoneBook)];
alignas(8) unsigned char g_second[sizeof(VmrPhoneBook)];

void CheckPlacedObjects()
{
    g_object = "placement new";
    Fill(reinterpret_cast<char*>(g_first), sizeof(g_first));
    /* clang's new-expression keeps its own copy of the address rather than
       the constructor's result, so the returned value is checked below. */
    VmrPhoneBook* first = new (g_first) VmrPhoneBook;
    CheckDefaults(*first);
    CheckFields(*first);

    g_object = "directly constructed";
    Fill(reinterpret_cast<char*>(g_second), sizeof(g_second));
    VmrPhoneBook* second = ConstructThroughImport(g_second);
    Check(reinterpret_cast<unsigned char*>(second) == g_second,
          "the constructor returns this in EAX");
    /* Go on with the object even if the returned address was wrong. */
    second = reinterpret_cast<VmrPhoneBook*>(g_second);
    CheckDefaults(*second);

    CheckCopy(*second, *first);
    CheckPath(*second);

    second->~VmrPhoneBook();
    first->~VmrPhoneBook();
}

/* RasPhoneBook: built by a direct call to the constructor's import, copied,
   and asked for the verbs whose answers do not depend on the system's phone
   book. */
alignas(8) unsigned char g_ras[sizeof(RasPhoneBook)];

void CheckRasPhoneBook()
{
    g_object = "RasPhoneBook";
    Fill(reinterpret_cast<char*>(g_ras), sizeof(g_ras));
    RasPhoneBook* built = ConstructRasThroughImport(g_ras);
    Check(reinterpret_cast<unsigned char*>(built) == g_ras, "the constructor returns this in EAX");
    RasPhoneBook* book = reinterpret_cast<RasPhoneBook*>(g_ras);
    Check(book->Buffer[0] == '\0', "the constructor empties the buffer");

    RasPhoneBook source;
    for (unsigned int i = 0; i < sizeof(source.Buffer); ++i)
        source.Buffer[i] = static_cast<char>(i + 1);
    RasPhoneBook* returned = &(*book = source);
    Check(returned == book, "operator= returns a reference to the target");
    unsigned int differing = 0;
    for (unsigned int i = 0; i < sizeof(source.Buffer); ++i)
        differing += book->Buffer[i] != source.Buffer[i];
    Check(differing == 0, "operator= copies all 256 bytes");

    char office[] = "Office";
    char work[] = "Work";
    Check(book->RenameEntry(office, work) == 0, "RenameEntry answers 0");
    Check(book->CopyEntry(office, work) == 0, "CopyEntry answers 0");
    Check(book->DeleteEntry(nullptr) == 0, "DeleteEntry without a name answers 0");
    book->~RasPhoneBook();
}

/* The C functions, bound by their __stdcall names through PhoneBk.lib: a
   batch with nothing in it, and the names of the writes' own files. */
void CheckEntryBatch()
{
    VmrEntryBatch* batch = VmrBeginEntryBatch("C:\\");
    Check(batch != nullptr, "VmrBeginEntryBatch makes a batch");
    unsigned long failed = 7;
    Check(VmrCommitEntryBatch(batch, &failed) == VMR_BATCH_DONE && failed == 0, "an empty batch commits");
    VmrEndEntryBatch(batch);
    Check(VmrLeftoverKind("~vmr00FF.job") == VMR_LEFTOVER_JOURNAL, "VmrLeftoverKind knows a journal");
    Check(VmrLeftoverKind("Office.vmr") == VMR_LEFTOVER_NONE, "VmrLeftoverKind leaves an entry alone");
}

}  // namespace

extern "C" void __cdecl HostMain()
{
    /* A VmrPhoneBook waits for the shell's window; this process is the shell. */
    void* instance = GetModuleHandleA(nullptr);
    HostWindowClass windowClass;
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.windowProc = ShellWindowProc;
    windowClass.instance = instance;
    windowClass.className = "Progman";
    if (RegisterClassA(&windowClass) == 0) {
        Write("msvc host: cannot register the Progman window class\n");
        ExitProcess(100);
    }
    HWND shell = CreateWindowExA(0, "Progman", "Program Manager", kOverlappedWindow, 0, 0, 0, 0,
                                 nullptr, nullptr, instance, nullptr);
    if (shell == nullptr) {
        Write("msvc host: cannot create the Program Manager window\n");
        ExitProcess(100);
    }

    CheckStackObject();
    CheckPlacedObjects();
    CheckRasPhoneBook();
    CheckEntryBatch();

    DestroyWindow(shell);
    UnregisterClassA("Progman", instance);

    if (g_failed == 0) {
        Write("msvc host: ");
        WriteNumber(g_passed);
        Write(" checks passed\n");
    } else {
        Write("msvc host: ");
        WriteNumber(g_failed);
        Write(" of ");
        WriteNumber(g_passed + g_failed);
        Write(" checks failed\n");
    }
    ExitProcess(g_failed);
}
