// Opening help at a topic: the Windows directory's hh.exe started as the owner
// of the shell window on Windows NT, the HTML Help control otherwise. That
// hh.exe is a double, put there by the tests, that records how it was
// started; the control is the double registered for this process (see
// help_binding_tests.cpp for the binding).
// These tests make the shell window or rely on there being none.
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ContextHelp.h"
#include "HelpTestSupport.h"
#include "SystemApiSeam.h"
#include "TestSupport.h"

namespace {

const DWORD kViewerTimeoutMs = 20000;
// How long a viewer that should not have been started gets to show up.
const DWORD kAbsenceGraceMs = 1500;

std::string ProcessUserName(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == NULL)
        return "";
    HANDLE token = NULL;
    union {
        TOKEN_USER user;
        BYTE bytes[512];
    } info;
    DWORD returned = 0;
    bool found = OpenProcessToken(process, TOKEN_QUERY, &token) &&
                 GetTokenInformation(token, TokenUser, &info, sizeof(info), &returned);
    char user[256] = "", domain[256] = "";
    DWORD userChars = sizeof(user), domainChars = sizeof(domain);
    SID_NAME_USE use;
    if (found && !LookupAccountSidA(NULL, info.user.User.Sid, user, &userChars, domain, &domainChars, &use))
        user[0] = '\0';
    if (token != NULL)
        CloseHandle(token);
    CloseHandle(process);
    return user;
}

// "--child ShowHelpOnThisSystem x": help for the Login properties page under
// the Windows version Wine reports for this copy, with the control double
// registered. Prints the platform id and the help file path.
TEST_CHILD(ShowHelpOnThisSystem)
{
    (void)arg;
    HtmlHelpRegistration registration(HtmlHelpDoublePath());
    if (!registration.active())
        return 2;
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    ShowHelpTopic(kHelpLoginPage);
    printf("platform=%lu\npath=%s\n", version.dwPlatformId, GetHelpFilePath());
    return 0;
}

// Every test: the control double registered for this process, and both
// doubles writing into a folder of the test's own.
class HelpTopic : public testing::Test
{
protected:
    HelpTopic()
        : dir_("help-topic"),
          viewerRecord_(dir_.file("hh.txt")),
          controlRecord_(dir_.file("htmlhelp.txt")),
          viewerVariable_("PHONEBK_HH_RECORD", viewerRecord_),
          controlVariable_("PHONEBK_HTMLHELP_RECORD", controlRecord_),
          registration_(HtmlHelpDoublePath())
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(registration_.active());
        viewer_ = InstallHelpViewerDouble();
        ASSERT_FALSE(viewer_.empty());
    }

    std::map<std::string, std::string> waitForViewer()
    {
        std::string text = WaitForFileText(viewerRecord_, kViewerTimeoutMs);
        DeleteFileA(viewerRecord_.c_str());
        return ParseRecord(text);
    }
    bool viewerStayedAway() const { return WaitForFileText(viewerRecord_, kAbsenceGraceMs).empty(); }
    std::vector<std::string> controlCalls() const { return SplitLines(FileText(controlRecord_)); }

    // Starts commandLine four times as the shell's user, each answering
    // started: after each the thread is itself again, and no round after the
    // first (which lets Wine make what it makes once per process) leaves a
    // handle more. afterEach runs after each start.
    void ExpectLaunchesLeaveNothing(const std::string& application, const char* commandLine, int started,
                                    const std::function<void()>& afterEach)
    {
        ShellWindowInAnotherProcess shell;
        ASSERT_TRUE(shell.ready());
        unsigned long handles = 0;
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(round);
            std::vector<char> line(commandLine, commandLine + strlen(commandLine) + 1);
            EXPECT_EQ(started, LaunchAsInteractiveUser(application.c_str(), line.data()));
            DWORD error = 0;
            EXPECT_FALSE(ThreadIsImpersonating(&error));
            EXPECT_EQ(static_cast<DWORD>(ERROR_NO_TOKEN), error);
            afterEach();
            if (round == 0)
                handles = CountOwnHandles();
        }
        ASSERT_NE(0ul, handles);
        EXPECT_EQ(handles, CountOwnHandles());
    }

    TempDir dir_;
    std::string viewerRecord_;
    std::string controlRecord_;
    ScopedEnvironment viewerVariable_;
    ScopedEnvironment controlVariable_;
    HtmlHelpRegistration registration_;
    std::string viewer_;
};

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string ViewerCommand(const std::string& viewer, int topic, const std::string& file)
{
    return Quoted(viewer) + " -mapid " + std::to_string(topic) + " " + Quoted(file);
}

TEST_F(HelpTopic, OnWindowsNtTheViewerRunsAsTheShellsOwnerAtTheTopic)
{
    ShellWindowInAnotherProcess shell;
    ASSERT_TRUE(shell.ready());

    ShowHelpTopic(kHelpConnectionType);
    std::map<std::string, std::string> viewer = waitForViewer();
    ASSERT_FALSE(viewer.empty()) << "hh.exe did not run";

    // No translated file lies beside this program: English, whatever the language.
    EXPECT_EQ(ProgramDirectory() + "\\vmhelp_en.chm", GetHelpFilePath());
    EXPECT_EQ(ViewerCommand(viewer_, 4070, GetHelpFilePath()), viewer["command"]);
    EXPECT_EQ(0, _stricmp(viewer_.c_str(), viewer["program"].c_str()))
        << viewer["program"] << ": not the Windows directory's hh.exe";

    // The identity: the shell's process and user, as far as Wine tells them
    // apart (every process there runs as the same Unix user).
    EXPECT_EQ(std::to_string(shell.processId()), viewer["shellPid"]);
    EXPECT_EQ("1", viewer["sameAsShell"]);
    EXPECT_FALSE(viewer["user"].empty());
    EXPECT_EQ(ProcessUserName(shell.processId()), viewer["user"]);
    EXPECT_EQ(viewer["user"], viewer["userName"]);

    // Shown normally, on no desktop of the library's choosing.
    EXPECT_EQ("1", viewer["flags"]);   // STARTF_USESHOWWINDOW
    EXPECT_EQ("5", viewer["show"]);    // SW_SHOW
    EXPECT_TRUE(viewer["desktop"] == "(null)" || viewer["desktop"].empty()) << viewer["desktop"];

    EXPECT_TRUE(controlCalls().empty()) << "the control was called although the viewer started";
}

TEST_F(HelpTopic, EachTopicReachesTheViewerCommandLine)
{
    ShellWindowInAnotherProcess shell;
    ASSERT_TRUE(shell.ready());
    for (int topic : {kHelpNameAndDevice, kHelpStartupPage}) {
        ShowHelpTopic(topic);
        std::map<std::string, std::string> viewer = waitForViewer();
        EXPECT_EQ(ViewerCommand(viewer_, topic, GetHelpFilePath()), viewer["command"]);
    }
}

// The mended fault: a start that worked used to leave the thread as the
// shell's user and three handles open.
TEST_F(HelpTopic, AfterAStartTheThreadIsItselfAgainAndNoHandleIsLeft)
{
    ExpectLaunchesLeaveNothing(viewer_, "hh.exe -mapid 4071 \"x.chm\"", 1, [this] {
        EXPECT_EQ("hh.exe -mapid 4071 \"x.chm\"", waitForViewer()["command"]);
    });
}

TEST_F(HelpTopic, AStartThatFailsLeavesNothingBehindEither)
{
    ExpectLaunchesLeaveNothing(dir_.file("pb-no-such-viewer.exe"), "pb-no-such-viewer.exe -mapid 4070 \"x.chm\"", 0,
                               [] {});
}

// The mended fault: help started whatever "hh.exe" the search found first,
// the host's directory and its current directory before the system's.
TEST_F(HelpTopic, AViewerPlantedInTheCurrentDirectoryIsNotStarted)
{
    ShellWindowInAnotherProcess shell;
    ASSERT_TRUE(shell.ready());
    TempDir planted("planted");
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "\\hh-double.exe").c_str(), planted.file("hh.exe").c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof(previous), previous);
    ASSERT_TRUE(SetCurrentDirectoryA(planted.path().c_str()));
    ShowHelpTopic(kHelpFinish);
    std::map<std::string, std::string> viewer = waitForViewer();
    SetCurrentDirectoryA(previous);
    ASSERT_FALSE(viewer.empty()) << "no viewer ran";
    EXPECT_EQ(0, _stricmp(viewer_.c_str(), viewer["program"].c_str())) << viewer["program"] << " ran";
}

TEST_F(HelpTopic, WithoutAShellWindowHelpGoesThroughTheControl)
{
    ASSERT_EQ(nullptr, FindWindowA("Progman", "Program Manager")) << "another program owns a shell window";

    char commandLine[] = "hh.exe -mapid 4070 \"x.chm\"";
    DWORD start = GetTickCount();
    EXPECT_EQ(0, LaunchAsInteractiveUser(viewer_.c_str(), commandLine));
    EXPECT_LT(GetTickCount() - start, 900u) << "one look for the shell window, no waiting";

    ShowHelpTopic(kHelpGeneralPage);
    std::vector<std::string> expected = {"owner=0 file=" + std::string(GetHelpFilePath()) + " command=15 data=4050"};
    EXPECT_EQ(expected, controlCalls());
    EXPECT_TRUE(viewerStayedAway());
}

// Wine reports the version per program at its start, so each system is a
// copy of this program run as a child. (Wine's advapi32 has DuplicateTokenEx
// whatever the version: the Windows NT 3.51 that lacks it is a case of
// OnATerminalServerTheViewerIsTheSystemsOne below.)
TEST_F(HelpTopic, Windows9xUsesTheControlEvenWithAShellAndNtUsesTheViewer)
{
    ShellWindowInAnotherProcess shell;
    ASSERT_TRUE(shell.ready());

    const struct {
        const char* version;
        const char* platform;
    } systems[] = {{"win95", "1"}, {"win98", "1"}, {"nt351", "2"}, {"nt40", "2"}};
    for (const auto& system : systems) {
        SCOPED_TRACE(system.version);
        DeleteFileA(controlRecord_.c_str());
        std::string output;
        ASSERT_EQ(0u, RunChildUnderVersion(system.version, "ShowHelpOnThisSystem", "x", &output)) << output;
        std::map<std::string, std::string> child = ParseRecord(output);
        ASSERT_EQ(system.platform, child["platform"]) << "not run as that system";
        if (child["platform"] == "1") {
            std::vector<std::string> expected = {"owner=0 file=" + child["path"] + " command=15 data=4051"};
            EXPECT_EQ(expected, controlCalls());
            EXPECT_TRUE(viewerStayedAway());
        } else {
            std::map<std::string, std::string> viewer = waitForViewer();
            EXPECT_EQ(ViewerCommand(viewer_, 4051, child["path"]), viewer["command"]);
            EXPECT_TRUE(controlCalls().empty());
        }
        // RunChildUnderVersion leaves each copy's Wine settings behind.
        std::string key = std::string("Software\\Wine\\AppDefaults\\help_topic_tests-") + system.version + ".exe";
        SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
}

std::string PerUserWindows;

UINT WINAPI PerUserWindowsDirectory(LPSTR buffer, UINT size)
{
    if (PerUserWindows.size() >= size)
        return static_cast<UINT>(PerUserWindows.size() + 1);
    memcpy(buffer, PerUserWindows.c_str(), PerUserWindows.size() + 1);
    return static_cast<UINT>(PerUserWindows.size());
}

// The mended fault: on a terminal server GetWindowsDirectoryA gives a host
// that is not marked as aware of it a folder of the user's own, here one with
// a viewer planted in it. The system's Windows directory holds the viewer;
// only a system without GetSystemWindowsDirectoryA looks in the other, and
// one without DuplicateTokenEx opens help in the host's process.
TEST_F(HelpTopic, OnATerminalServerTheViewerIsTheSystemsOne)
{
    ShellWindowInAnotherProcess shell;
    ASSERT_TRUE(shell.ready());
    TempDir perUser("per-user-windows");
    std::string planted = perUser.file("hh.exe");
    ASSERT_TRUE(CopyFileA((ProgramDirectory() + "\\hh-double.exe").c_str(), planted.c_str(), FALSE));
    PerUserWindows = perUser.path();
    SystemApiSeam seam;
    seam.table().pfnGetWindowsDirectory = PerUserWindowsDirectory;

    const struct {
        const char* what;
        bool systemDirectory;
        bool primaryToken;
        std::string program;   // empty: through the control
    } cases[] = {
        {"Windows 2000 and later", true, true, viewer_},
        {"Windows NT 4: only the one directory", false, true, planted},
        {"Windows NT 3.51: no primary token", false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(controlRecord_.c_str());
        const SystemApiBindings& system = seam.system();
        seam.table().pfnGetSystemWindowsDirectory = c.systemDirectory ? system.pfnGetSystemWindowsDirectory : NULL;
        seam.table().pfnDuplicateTokenEx = c.primaryToken ? system.pfnDuplicateTokenEx : NULL;
        ShowHelpTopic(kHelpLogin);
        if (c.program.empty()) {
            EXPECT_TRUE(viewerStayedAway());
            EXPECT_EQ(1u, controlCalls().size());
        } else {
            std::map<std::string, std::string> viewer = waitForViewer();
            EXPECT_EQ(0, _stricmp(c.program.c_str(), viewer["program"].c_str())) << viewer["program"] << " ran";
            EXPECT_TRUE(controlCalls().empty());
        }
    }
}

}  // namespace
