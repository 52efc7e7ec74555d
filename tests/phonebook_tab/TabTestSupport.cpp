#include "TabTestSupport.h"

#include <commctrl.h>
#include <mutex>

#include "EntryRows.h"
#include "HostText.h"

using phonebook_tab::EntryReader;

namespace {

// The gate's state lives for the process: a reader may be on its way into
// the gate function while a gate ends.
volatile LONG g_gateActive = 0;
volatile LONG g_insideGate = 0;
volatile DWORD g_heldThread = 0;
HANDLE g_held = NULL;
HANDLE g_release = NULL;
std::function<bool(const std::string&)> g_holds;
std::mutex g_begunLock;
std::vector<std::string> g_begun;

void HoldRead(const std::string& path)
{
    InterlockedIncrement(&g_insideGate);
    if (g_gateActive) {
        std::lock_guard<std::mutex> locked(g_begunLock);
        g_begun.push_back(path);
    }
    if (g_gateActive && g_holds(path)) {
        InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&g_heldThread), GetCurrentThreadId(), 0);
        SetEvent(g_held);
        WaitForSingleObject(g_release, 20000);
    }
    InterlockedDecrement(&g_insideGate);
}

}  // namespace

ReadGate::ReadGate(std::function<bool(const std::string& path)> holds)
{
    g_holds = holds;
    g_heldThread = 0;
    g_begun.clear();
    g_held = CreateEventA(NULL, TRUE, FALSE, NULL);
    g_release = CreateEventA(NULL, TRUE, FALSE, NULL);
    InterlockedExchange(&g_gateActive, 1);
    EntryReader::SetReadGate(HoldRead);
}

ReadGate::~ReadGate()
{
    InterlockedExchange(&g_gateActive, 0);
    Release();
    EntryReader::SetReadGate(nullptr);
    while (InterlockedCompareExchange(&g_insideGate, 0, 0) != 0)
        Sleep(1);
    CloseHandle(g_held);
    CloseHandle(g_release);
    g_held = g_release = NULL;
}

bool ReadGate::WaitHeld(DWORD milliseconds) const
{
    return WaitForSingleObject(g_held, milliseconds) == WAIT_OBJECT_0;
}

DWORD ReadGate::HeldThread() const
{
    return g_heldThread;
}

std::vector<std::string> ReadGate::Begun() const
{
    std::lock_guard<std::mutex> locked(g_begunLock);
    return g_begun;
}

void ReadGate::Release()
{
    SetEvent(g_release);
}

JournalOff::JournalOff()
{
    DWORD length = GetEnvironmentVariableA("PXMSGBOX_JOURNAL", saved_, sizeof(saved_));
    if (length >= sizeof(saved_))
        saved_[0] = '\0';
    SetEnvironmentVariableA("PXMSGBOX_JOURNAL", NULL);
}

JournalOff::~JournalOff()
{
    SetEnvironmentVariableA("PXMSGBOX_JOURNAL", saved_[0] != '\0' ? saved_ : NULL);
}

void TabTest::SetUp()
{
    WizardPaths::SetUp();
    ASSERT_NE(nullptr, ras) << "PhoneBk.dll did not load the RASAPI32.DLL double";
}

void TabTest::TearDown()
{
    if (window != NULL && IsWindow(window))
        DestroyWindow(window);
    Pump();
    WizardPaths::TearDown();
}

void TabTest::WriteEntry(const std::string& name, unsigned short type, const std::string& address,
                         const std::string& login)
{
    VmrPhoneBook writer;
    std::string directory = books.path();
    writer.SetPath(&directory[0]);
    writer.SetDeviceType(type);
    std::string text = address;
    if (type == 1)
        writer.SetConnectPhoneNumber(&text[0]);
    else
        writer.SetConnectWorkstationName(&text[0]);
    text = login;
    writer.SetLoginName(&text[0]);
    text = name;
    ASSERT_EQ(1, writer.WriteEntry(&text[0])) << name;
}

void TabTest::OpenWindow(bool finishReading)
{
    window = CreatePhoneBookTab(GetModuleHandleA(NULL), book, dialUp, books.path().c_str(), SW_SHOWNORMAL);
    ASSERT_NE(nullptr, window);
    list = GetDlgItem(window, kListId);
    ASSERT_NE(nullptr, list);
    if (finishReading)
        FinishReading();
}

void TabTest::Command(DialogDriver& driver, int command)
{
    driver.SetTemplateModule(GetModuleHandleA("PhoneBk.dll"));
    driver.Run([&] {
        SendMessageA(window, WM_COMMAND, command, 0);
        Pump();
        return 0;
    });
}

void TabTest::Pump()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void TabTest::FinishListing() const
{
    std::string listing = LoadText(IDS_STATUS_LISTING);
    DWORD start = GetTickCount();
    while (Progress() == listing && GetTickCount() - start < 20000) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    EXPECT_NE(listing, Progress()) << "the listing did not end";
}

std::vector<std::string> TabTest::Names() const
{
    FinishListing();
    std::vector<std::string> names;
    int count = ListView_GetItemCount(list);
    for (int item = 0; item < count; ++item) {
        char text[300] = "";
        ListView_GetItemText(list, item, 0, text, sizeof(text));
        names.push_back(text);
    }
    return names;
}

int TabTest::Item(const std::string& name) const
{
    std::vector<std::string> names = Names();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

std::string TabTest::Cell(const std::string& name, int column) const
{
    int item = Item(name);
    if (item < 0)
        return "<no row " + name + ">";
    char text[300] = "";
    ListView_GetItemText(list, item, column, text, sizeof(text));
    return text;
}

std::vector<std::string> TabTest::SelectedNames() const
{
    FinishListing();
    std::vector<std::string> names;
    for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list, item, LVNI_SELECTED)) {
        char text[300] = "";
        ListView_GetItemText(list, item, 0, text, sizeof(text));
        names.push_back(text);
    }
    return names;
}

void TabTest::Select(const std::vector<std::string>& names)
{
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const std::string& name : names) {
        int item = Item(name);
        ASSERT_GE(item, 0) << name;
        ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

std::string TabTest::Status() const
{
    FinishListing();
    char text[300] = "";
    SendMessageA(GetDlgItem(window, kStatusId), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string TabTest::Progress() const
{
    char text[300] = "";
    SendMessageA(GetDlgItem(window, kStatusId), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    return text;
}

void TabTest::FinishReading()
{
    DWORD start = GetTickCount();
    while (!Progress().empty() && GetTickCount() - start < 20000) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ("", Progress()) << "the reading did not end";
}

void TabTest::ClickHeader(int column)
{
    HWND header = ListView_GetHeader(list);
    RECT item = {};
    ASSERT_TRUE(Header_GetItemRect(header, column, &item));
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
}

void TabTest::Find(const std::string& text)
{
    SetWindowTextA(GetDlgItem(window, kFindId), text.c_str());
}

HWND TabTest::StartRename(const std::string& name, const std::string& text)
{
    int item = Item(name);
    EXPECT_GE(item, 0) << name;
    SetFocus(list);
    HWND edit = ListView_EditLabel(list, item);
    EXPECT_NE(nullptr, edit);
    if (edit != NULL)
        SetWindowTextA(edit, text.c_str());
    return edit;
}

bool TabTest::EntryFileExists(const std::string& name) const
{
    return GetFileAttributesA(books.file(name + ".vmr").c_str()) != INVALID_FILE_ATTRIBUTES;
}
