// GATEUI.DLL, the security login: its export, the modes of GATEUI.INI beside
// it, and the password prompt driven through the real modal dialog.
//
// Each test copies the built DLL into a folder of its own and loads it from
// there, so that the GATEUI.INI it writes beside it is seen by no other
// program of the run.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

typedef DWORD(WINAPI* QuerySecurityLoginFn)(HWND owner, DWORD right);

const char kSettingsName[] = "GATEUI.INI";
const DWORD kStepMs = 100;
const DWORD kPromptDeadlineMs = 5000;

// What the timer does with a prompt, and what it saw of it.
struct PromptScript {
    bool active;
    bool expectPrompt;
    const char* typed;   // null: press Cancel
    DWORD started;
    int promptsSeen;
    HWND owner;
    bool passwordStyle;
    bool okUsable;
    std::string caption;
};
PromptScript script;

BOOL CALLBACK FindPrompt(HWND window, LPARAM param)
{
    char className[16];
    if (GetClassNameA(window, className, sizeof(className)) && strcmp(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

HWND ThisThreadsPrompt()
{
    HWND prompt = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindPrompt, reinterpret_cast<LPARAM>(&prompt));
    return prompt;
}

// One scripted step per tick: answer a visible prompt, or give up past the
// deadline so that a hang becomes a failure.
VOID CALLBACK PromptStep(HWND, UINT, UINT_PTR, DWORD)
{
    if (!script.active)
        return;
    HWND prompt = ThisThreadsPrompt();
    if (GetTickCount() - script.started > kPromptDeadlineMs) {
        ADD_FAILURE() << "the call had not returned by the deadline";
        script.active = false;
        if (prompt != NULL)
            EndDialog(prompt, IDCANCEL);
        else
            PostQuitMessage(0);
        return;
    }
    if (prompt == NULL || !IsWindowVisible(prompt))
        return;

    ++script.promptsSeen;
    if (!script.expectPrompt) {
        ADD_FAILURE() << "a prompt appeared where none was expected";
        EndDialog(prompt, IDCANCEL);
        return;
    }
    script.owner = GetWindow(prompt, GW_OWNER);
    char caption[64] = "";
    GetWindowTextA(prompt, caption, sizeof(caption));
    script.caption = caption;
    HWND field = FindWindowExA(prompt, NULL, "Edit", NULL);
    script.passwordStyle = field != NULL && (GetWindowLongA(field, GWL_STYLE) & ES_PASSWORD) != 0;
    HWND ok = GetDlgItem(prompt, IDOK);
    script.okUsable = ok != NULL && IsWindowVisible(ok) && IsWindowEnabled(ok);

    if (script.typed != NULL && field != NULL && script.okUsable) {
        SetWindowTextA(field, script.typed);
        SendMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ok));
    } else {
        SendMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(prompt, IDCANCEL)));
    }
}

// A top-level window for the prompt to belong to.
class OwnerWindow
{
public:
    OwnerWindow()
    {
        WNDCLASSA windowClass;
        ZeroMemory(&windowClass, sizeof(windowClass));
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "GateUiTestOwner";
        RegisterClassA(&windowClass);   // fails harmlessly when already registered
        window_ = CreateWindowA("GateUiTestOwner", "Owner", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                                NULL, NULL, windowClass.hInstance, NULL);
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

// The built DLL copied into a folder of its own and loaded from there.
class GateUiCopy
{
public:
    explicit GateUiCopy(const std::string& folder) : module_(NULL), query_(NULL)
    {
        std::string built = ProgramDirectory() + "\\..\\bin\\GATEUI.DLL";
        std::string copy = folder + "\\GATEUI.DLL";
        if (!CopyFileA(built.c_str(), copy.c_str(), FALSE))
            return;
        module_ = LoadLibraryA(copy.c_str());
        if (module_ != NULL)
            query_ = reinterpret_cast<QuerySecurityLoginFn>(
                reinterpret_cast<void*>(GetProcAddress(module_, "QuerySecurityLogin")));
    }
    ~GateUiCopy()
    {
        if (module_ != NULL)
            FreeLibrary(module_);
    }
    GateUiCopy(const GateUiCopy&) = delete;
    GateUiCopy& operator=(const GateUiCopy&) = delete;

    HMODULE module() const { return module_; }
    bool ready() const { return query_ != NULL; }

    // Calls the export with the prompt answered as given: typed is the text to
    // enter and confirm, null to cancel; with expectPrompt false any prompt is
    // a failure.
    DWORD Query(HWND owner, DWORD right, bool expectPrompt, const char* typed)
    {
        script = PromptScript();
        script.active = true;
        script.expectPrompt = expectPrompt;
        script.typed = typed;
        script.started = GetTickCount();
        UINT_PTR timer = SetTimer(NULL, 0, kStepMs, PromptStep);
        DWORD answer = query_(owner, right);
        KillTimer(NULL, timer);
        script.active = false;
        MSG message;
        while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        return answer;
    }

private:
    HMODULE module_;
    QuerySecurityLoginFn query_;
};

class GateUi : public testing::Test
{
protected:
    GateUi() : folder_("gateui"), gate_(folder_.path()) {}

    void SetUp() override { ASSERT_TRUE(gate_.ready()); }

    void WriteSettings(const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(folder_.file(kSettingsName), text.data(), text.size()));
    }

    // The answer with no prompt allowed.
    DWORD QueryWithoutPrompt(DWORD right = 1) { return gate_.Query(NULL, right, false, NULL); }

    TempDir folder_;
    GateUiCopy gate_;
};

// ---------------------------------------------------------------------------
// The export

TEST_F(GateUi, ExportedUndecoratedByName)
{
    EXPECT_EQ(nullptr, GetProcAddress(gate_.module(), "QuerySecurityLogin@8"));
    EXPECT_EQ(nullptr, GetProcAddress(gate_.module(), "_QuerySecurityLogin@8"));
}

// ---------------------------------------------------------------------------
// The modes

// A stand-in without its file fails closed: copied beside the product by
// mistake, it must not open what the product's login guards.
TEST_F(GateUi, WithoutTheFileEveryRightIsRefused)
{
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), QueryWithoutPrompt(0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), QueryWithoutPrompt(1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), QueryWithoutPrompt(0xFFFFFFFF));
    EXPECT_EQ(0u, script.promptsSeen);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.file(kSettingsName).c_str()))
        << "nothing is written";
}

TEST_F(GateUi, GrantAndRefuseInAnyCase)
{
    const char* const grants[] = {"Grant", "grant", "GRANT"};
    for (const char* mode : grants) {
        SCOPED_TRACE(mode);
        WriteSettings(std::string("[Security]\r\nMode=") + mode + "\r\n");
        EXPECT_EQ(0u, QueryWithoutPrompt());
    }
    const char* const refusals[] = {"Refuse", "refuse", "REFUSE"};
    for (const char* mode : refusals) {
        SCOPED_TRACE(mode);
        WriteSettings(std::string("[Security]\r\nMode=") + mode + "\r\n");
        EXPECT_NE(0u, QueryWithoutPrompt());
    }
}

TEST_F(GateUi, AnythingNotSaidPlainlyRefuses)
{
    const char* const files[] = {
        "",
        "[Security]\r\n",
        "[Security]\r\nMode=\r\n",
        "[Security]\r\nMode=Granted\r\n",
        "[Security]\r\nMode=Grant please\r\n",
        "[Security]\r\nMode=Yes\r\n",
        "[Security]\r\nMode=0\r\n",
        "[Elsewhere]\r\nMode=Grant\r\n",
    };
    for (const char* text : files) {
        SCOPED_TRACE(text);
        WriteSettings(text);
        EXPECT_NE(0u, QueryWithoutPrompt());
    }
}

TEST_F(GateUi, TheFileIsReadAtEveryCall)
{
    WriteSettings("[Security]\r\nMode=Grant\r\n");
    EXPECT_EQ(0u, QueryWithoutPrompt());
    WriteSettings("[Security]\r\nMode=Refuse\r\n");
    EXPECT_NE(0u, QueryWithoutPrompt());
    WriteSettings("[Security]\r\nMode=Grant\r\n");
    EXPECT_EQ(0u, QueryWithoutPrompt());
    ASSERT_TRUE(DeleteFileA(folder_.file(kSettingsName).c_str()));
    EXPECT_NE(0u, QueryWithoutPrompt());
}

TEST_F(GateUi, TheFileBesideThisCopyDecides)
{
    // A second copy in another folder has a file of its own; each copy reads
    // only the one beside it.
    TempDir otherFolder("gateui-other");
    GateUiCopy other(otherFolder.path());
    ASSERT_TRUE(other.ready());
    ASSERT_NE(gate_.module(), other.module());
    const char refuse[] = "[Security]\r\nMode=Refuse\r\n";
    ASSERT_TRUE(WriteFileBytes(otherFolder.file(kSettingsName), refuse, sizeof(refuse) - 1));
    WriteSettings("[Security]\r\nMode=Grant\r\n");

    EXPECT_EQ(0u, QueryWithoutPrompt());
    EXPECT_NE(0u, other.Query(NULL, 1, false, NULL));
}

// GATEUI_DIR, when set, names the folder whose file decides instead, with or
// without its final backslash.
TEST_F(GateUi, TheFolderOfGateUiDirDecidesWhenSet)
{
    TempDir elsewhere("gateui-dir");
    const char refuse[] = "[Security]\r\nMode=Refuse\r\n";
    ASSERT_TRUE(WriteFileBytes(elsewhere.file(kSettingsName), refuse, sizeof(refuse) - 1));
    WriteSettings("[Security]\r\nMode=Grant\r\n");

    ASSERT_TRUE(SetEnvironmentVariableA("GATEUI_DIR", elsewhere.path().c_str()));
    EXPECT_NE(0u, QueryWithoutPrompt());
    ASSERT_TRUE(SetEnvironmentVariableA("GATEUI_DIR", (elsewhere.path() + "\\").c_str()));
    EXPECT_NE(0u, QueryWithoutPrompt());
    // A folder named without a file refuses, whatever lies beside the DLL.
    ASSERT_TRUE(DeleteFileA(elsewhere.file(kSettingsName).c_str()));
    EXPECT_NE(0u, QueryWithoutPrompt());
    ASSERT_TRUE(SetEnvironmentVariableA("GATEUI_DIR", NULL));
    EXPECT_EQ(0u, QueryWithoutPrompt());
}

// ---------------------------------------------------------------------------
// The password prompt

TEST_F(GateUi, TheRightPasswordGrants)
{
    OwnerWindow owner;
    ASSERT_NE(nullptr, owner.handle());
    const std::string text = "[Security]\r\nMode=Password\r\nPassword=Open Sesame\r\n";
    WriteSettings(text);

    EXPECT_EQ(0u, gate_.Query(owner.handle(), 1, true, "Open Sesame"));
    EXPECT_EQ(1, script.promptsSeen);
    EXPECT_EQ(owner.handle(), script.owner);
    EXPECT_TRUE(script.passwordStyle) << "the password is not shown";
    EXPECT_TRUE(script.okUsable);
    EXPECT_FALSE(script.caption.empty());
    EXPECT_TRUE(IsWindowEnabled(owner.handle())) << "the owner is enabled again";

    std::vector<unsigned char> after = ReadFileBytes(folder_.file(kSettingsName));
    EXPECT_EQ(text, std::string(after.begin(), after.end())) << "nothing is written";
}

TEST_F(GateUi, AWrongPasswordRefusesAtOnce)
{
    OwnerWindow owner;
    WriteSettings("[Security]\r\nMode=password\r\nPassword=Secret\r\n");

    const char* const wrong[] = {"", "secret", "SECRET", "Secre", "Secretx", " Secret"};
    for (const char* typed : wrong) {
        SCOPED_TRACE(typed);
        EXPECT_NE(0u, gate_.Query(owner.handle(), 1, true, typed));
        EXPECT_EQ(1, script.promptsSeen) << "one try per call";
    }
}

TEST_F(GateUi, CancelRefuses)
{
    OwnerWindow owner;
    WriteSettings("[Security]\r\nMode=Password\r\nPassword=Secret\r\n");
    EXPECT_NE(0u, gate_.Query(owner.handle(), 1, true, NULL));
    EXPECT_EQ(1, script.promptsSeen);
}

TEST_F(GateUi, APromptWithoutAnOwnerWorks)
{
    WriteSettings("[Security]\r\nMode=Password\r\nPassword=Secret\r\n");
    EXPECT_EQ(0u, gate_.Query(NULL, 1, true, "Secret"));
    EXPECT_EQ(1, script.promptsSeen);
    EXPECT_EQ(nullptr, script.owner);
}

TEST_F(GateUi, PasswordLengthLimits)
{
    OwnerWindow owner;
    // The longest password the prompt takes still grants.
    std::string longest(127, 'k');
    WriteSettings("[Security]\r\nMode=Password\r\nPassword=" + longest + "\r\n");
    EXPECT_EQ(0u, gate_.Query(owner.handle(), 1, true, longest.c_str()));

    // Text past the prompt's limit never matches by being cut.
    std::string typedLonger = longest + "extra";
    EXPECT_NE(0u, gate_.Query(owner.handle(), 1, true, typedLonger.c_str()));

    // One that could never be typed refuses without asking.
    std::string tooLong(128, 'k');
    WriteSettings("[Security]\r\nMode=Password\r\nPassword=" + tooLong + "\r\n");
    EXPECT_NE(0u, QueryWithoutPrompt());
}

TEST_F(GateUi, PasswordModeWithoutAPasswordRefusesWithoutAsking)
{
    const char* const files[] = {
        "[Security]\r\nMode=Password\r\n",
        "[Security]\r\nMode=Password\r\nPassword=\r\n",
        "[Security]\r\nMode=Password\r\n[Elsewhere]\r\nPassword=Secret\r\n",
    };
    for (const char* text : files) {
        SCOPED_TRACE(text);
        WriteSettings(text);
        EXPECT_NE(0u, QueryWithoutPrompt());
    }
}

TEST_F(GateUi, AnInvalidOwnerRefuses)
{
    // The prompt cannot be shown for a window that does not exist: that must
    // not pass for a grant.
    WriteSettings("[Security]\r\nMode=Password\r\nPassword=Secret\r\n");
    HWND gone;
    {
        OwnerWindow owner;
        gone = owner.handle();
    }
    ASSERT_FALSE(IsWindow(gone));
    EXPECT_NE(0u, gate_.Query(gone, 1, false, NULL));
}

}  // namespace
