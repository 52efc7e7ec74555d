// Linkdevs.dll's windows: the device properties dialog and the install note,
// driven through their real modal loops by a thread timer.
#include <gtest/gtest.h>
#include <string.h>
#include <string>

#include "DeviceLibrary.h"
#include "LinkdevsRes.h"
#include "TestSupport.h"

namespace {

const DWORD kStepMs = 100;
const DWORD kDeadlineMs = 10000;
// The static text of a message box.
const int kMessageTextId = 0xFFFF;

// What the timer saw of the one dialog it expects, which it then closes with
// OK.
struct DialogScript {
    bool active;
    DWORD started;
    int dialogsSeen;
    HWND owner;
    bool ownerEnabledWhileShown;
    bool okUsable;
    std::string caption;
    std::string name;
    std::string type;
    std::string id;
    std::string adapter;
    std::string message;
};
DialogScript script;

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM param)
{
    char className[16];
    if (IsWindowVisible(window) && GetClassNameA(window, className, sizeof(className)) &&
        strcmp(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

HWND ThisThreadsDialog()
{
    HWND dialog = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

VOID CALLBACK DialogStep(HWND, UINT, UINT_PTR, DWORD)
{
    if (!script.active)
        return;
    HWND dialog = ThisThreadsDialog();
    if (GetTickCount() - script.started > kDeadlineMs) {
        ADD_FAILURE() << "the call had not returned by the deadline";
        script.active = false;
        if (dialog != NULL)
            EndDialog(dialog, IDCANCEL);
        else
            PostQuitMessage(0);
        return;
    }
    if (dialog == NULL)
        return;

    ++script.dialogsSeen;
    script.owner = GetWindow(dialog, GW_OWNER);
    script.ownerEnabledWhileShown = script.owner != NULL && IsWindowEnabled(script.owner);
    char caption[128] = "";
    GetWindowTextA(dialog, caption, sizeof(caption));
    script.caption = caption;
    script.name = ItemText(dialog, IDC_DEVICE_NAME);
    script.type = ItemText(dialog, IDC_DEVICE_TYPE);
    script.id = ItemText(dialog, IDC_DEVICE_ID);
    script.adapter = ItemText(dialog, IDC_DEVICE_ADAPTER);
    script.message = ItemText(dialog, kMessageTextId);
    HWND ok = GetDlgItem(dialog, IDOK);
    script.okUsable = ok != NULL && IsWindowVisible(ok) && IsWindowEnabled(ok);
    if (script.okUsable)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    else
        EndDialog(dialog, IDCANCEL);
}

// Runs a call that shows one modal window, with the timer answering it.
template <typename Call>
void RunAnswered(Call call)
{
    script = DialogScript();
    script.active = true;
    script.started = GetTickCount();
    UINT_PTR timer = SetTimer(NULL, 0, kStepMs, DialogStep);
    call();
    KillTimer(NULL, timer);
    script.active = false;
    MSG message;
    while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

class OwnerWindow
{
public:
    OwnerWindow()
    {
        WNDCLASSA windowClass;
        ZeroMemory(&windowClass, sizeof(windowClass));
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "LinkdevsTestOwner";
        RegisterClassA(&windowClass);   // fails harmlessly when already registered
        window_ = CreateWindowA("LinkdevsTestOwner", "Owner", WS_OVERLAPPEDWINDOW, 10, 10, 300,
                                200, NULL, NULL, windowClass.hInstance, NULL);
    }
    ~OwnerWindow()
    {
        if (window_ != NULL)
            DestroyWindow(window_);
    }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND handle() const { return window_; }

private:
    HWND window_;
};

class DeviceWindows : public testing::Test
{
protected:
    DeviceWindows() : folder_("linkdevs-ui")
    {
        SetEnvironmentVariableA("LINKDEVS_DIR", folder_.path().c_str());
    }
    ~DeviceWindows() override { SetEnvironmentVariableA("LINKDEVS_DIR", NULL); }

    void SetUp() override
    {
        ASSERT_NE(nullptr, owner_.handle());
        const std::string settings = "[Devices]\r\n"
                                     "Device1=Office Modem|2|100|Acme PCI Adapter\r\n"
                                     "Device2=Bare Line|1|101|\r\n";
        ASSERT_TRUE(
            WriteFileBytes(folder_.file("LINKDEVS.INI"), settings.data(), settings.size()));
    }

    TempDir folder_;
    OwnerWindow owner_;
};

TEST_F(DeviceWindows, PropertiesShowTheDeviceAndCloseWithOk)
{
    RunAnswered([this] { QueryDeviceProperties(owner_.handle(), "Office Modem", 2, 100); });
    EXPECT_EQ(1, script.dialogsSeen);
    EXPECT_EQ(owner_.handle(), script.owner);
    EXPECT_FALSE(script.ownerEnabledWhileShown) << "the dialog is modal to its owner";
    EXPECT_TRUE(IsWindowEnabled(owner_.handle()));
    EXPECT_TRUE(script.okUsable);
    EXPECT_EQ("Device Properties", script.caption);
    EXPECT_EQ("Office Modem", script.name);
    EXPECT_EQ("2", script.type);
    EXPECT_EQ("100", script.id);
    EXPECT_EQ("Acme PCI Adapter", script.adapter);
}

// The name and type are the caller's, which may differ from the file's; a
// name with "&" shows its ampersand.
TEST_F(DeviceWindows, PropertiesShowWhatTheCallerPassed)
{
    std::string longName = "Renamed & Long " + std::string(300, 'x');
    RunAnswered([&] { QueryDeviceProperties(owner_.handle(), longName.c_str(), 4, 100); });
    EXPECT_EQ(1, script.dialogsSeen);
    EXPECT_EQ(longName, script.name);
    EXPECT_EQ("4", script.type);
    EXPECT_EQ("Acme PCI Adapter", script.adapter);
}

TEST_F(DeviceWindows, PropertiesOfDeviceWithoutAdapterOrNotListed)
{
    RunAnswered([this] { QueryDeviceProperties(owner_.handle(), "Bare Line", 1, 101); });
    EXPECT_EQ(1, script.dialogsSeen);
    EXPECT_EQ("(none)", script.adapter);

    RunAnswered([this] { QueryDeviceProperties(owner_.handle(), "Gone", 0, 4000000000u); });
    EXPECT_EQ(1, script.dialogsSeen);
    EXPECT_EQ("Gone", script.name);
    EXPECT_EQ("0", script.type);
    EXPECT_EQ("4000000000", script.id);
    EXPECT_EQ("(none)", script.adapter);
}

TEST_F(DeviceWindows, InstallShowsANoteOwnedByTheWindow)
{
    RunAnswered([this] { InstallTapiDevice(owner_.handle()); });
    EXPECT_EQ(1, script.dialogsSeen);
    EXPECT_EQ(owner_.handle(), script.owner);
    EXPECT_TRUE(script.okUsable);
    EXPECT_EQ("Install Telephony Device", script.caption);
    EXPECT_NE(std::string::npos, script.message.find("LINKDEVS.INI")) << script.message;
}

}  // namespace
