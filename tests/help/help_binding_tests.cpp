// The run-time binding of HtmlHelpA: the control registered for HTML Help's
// class id first, "hhctrl.ocx" second, the entry by ordinal 14, and a failure
// that lasts for the process. The binding is process-wide, so each case runs
// in a child of its own, against the doubles beside this program:
// htmlhelp_double.dll records its calls, htmlhelp_no14.dll has the function
// by name but not at ordinal 14.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

#include "ContextHelp.h"
#include "HelpTestSupport.h"
#include "HtmlHelpDouble.h"
#include "TestSupport.h"

namespace {

const DWORD kPromptAnswerMs = 5000;

int IsLoaded(const std::string& module)
{
    return GetModuleHandleA(module.c_str()) != NULL ? 1 : 0;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == GetCurrentProcessId())
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int CountOwnWindows()
{
    int count = 0;
    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// "--child CallRegisteredDouble x": two calls with the double registered.
TEST_CHILD(CallRegisteredDouble)
{
    (void)arg;
    HtmlHelpRegistration registration(HtmlHelpDoublePath());
    if (!registration.active())
        return 2;
    HWND first = CallHtmlHelp(reinterpret_cast<HWND>(0x1234), "C:\\help\\first.chm", kHtmlHelpContext, 4071);
    HWND second = CallHtmlHelp(NULL, "second.chm", 0x0001, 4050);
    printf("first=%lx\nsecond=%lx\ndouble=%d\nsystem=%d\n", reinterpret_cast<unsigned long>(first),
           reinterpret_cast<unsigned long>(second), IsLoaded(HtmlHelpDoublePath()), IsLoaded("hhctrl.ocx"));
    return 0;
}

// "--child CallWithoutUsableRegistration <shape>": the registration is
// missing ("nokey"), has no value ("novalue"), a value of no bytes ("empty")
// or names a file that is not there ("missing"); the help file is missing too.
TEST_CHILD(CallWithoutUsableRegistration)
{
    std::string shape = arg;
    std::string server = shape == "missing" ? ProgramDirectory() + "\\pb-no-such-control.ocx" : "";
    HtmlHelpRegistration registration(server, shape == "nokey" ? HtmlHelpRegistration::kNoClassKey
                                                               : HtmlHelpRegistration::kServerKey);
    if (!registration.active() || (shape == "empty" && !registration.setServerBytes("", 0)))
        return 2;
    std::string missingHelp = ProgramDirectory() + "\\pb-no-such-help.chm";
    DWORD start = GetTickCount();
    HWND answer = CallHtmlHelp(NULL, missingHelp.c_str(), kHtmlHelpContext, 4070);
    printf("answer=%lx\nelapsed=%lu\nsystem=%d\nwindows=%d\n", reinterpret_cast<unsigned long>(answer),
           GetTickCount() - start, IsLoaded("hhctrl.ocx"), CountOwnWindows());
    return 0;
}

// "--child CallOneLetterServer <folder>": the registration names "P" in one
// byte with no terminator, and the folder, made current, holds the double as
// P.dll. Wine answers a string value stored without its terminator with one
// added (and counted); Windows answers the bytes as stored, which Wine does
// for a binary value, so the name is stored as one.
TEST_CHILD(CallOneLetterServer)
{
    if (!SetCurrentDirectoryA(arg))
        return 3;
    HtmlHelpRegistration registration("");
    if (!registration.active() || !registration.setServerBytes("P", 1, REG_BINARY))
        return 2;
    HWND answer = CallHtmlHelp(NULL, "one.chm", kHtmlHelpContext, 4076);
    printf("answer=%lx\nsystem=%d\n", reinterpret_cast<unsigned long>(answer), IsLoaded("hhctrl.ocx"));
    return 0;
}

// "--child CallControlWithoutOrdinal x": the registered control lacks the
// entry; then the double is registered and asked again.
TEST_CHILD(CallControlWithoutOrdinal)
{
    (void)arg;
    HtmlHelpRegistration registration(HtmlHelpWithoutOrdinalPath());
    if (!registration.active())
        return 2;
    HWND first = CallHtmlHelp(NULL, "first.chm", kHtmlHelpContext, 4072);
    int withoutOrdinalLoaded = IsLoaded(HtmlHelpWithoutOrdinalPath());
    if (!registration.setServer(HtmlHelpDoublePath()))
        return 3;
    HWND second = CallHtmlHelp(NULL, "second.chm", kHtmlHelpContext, 4073);
    printf("first=%lx\nsecond=%lx\nloadedAfterFirst=%d\nloadedAtEnd=%d\ndouble=%d\n",
           reinterpret_cast<unsigned long>(first), reinterpret_cast<unsigned long>(second), withoutOrdinalLoaded,
           IsLoaded(HtmlHelpWithoutOrdinalPath()), IsLoaded(HtmlHelpDoublePath()));
    return 0;
}

// "--child CallWhenNothingLoads <folder of the doubles>": run where the
// system's control cannot load, with a registration that names a missing
// file; then the double is registered and asked again. This child is a copy
// in a folder of its own, so the doubles are not beside it.
TEST_CHILD(CallWhenNothingLoads)
{
    std::string doublePath = std::string(arg) + "\\htmlhelp_double.dll";
    if (GetFileAttributesA(doublePath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 5;
    HtmlHelpRegistration registration(std::string(arg) + "\\pb-no-such-control.ocx");
    if (!registration.active())
        return 2;
    // The set-up itself: without the override the rest proves nothing.
    HMODULE system = LoadLibraryA("hhctrl.ocx");
    if (system != NULL) {
        FreeLibrary(system);
        return 4;
    }
    HWND first = CallHtmlHelp(NULL, "first.chm", kHtmlHelpContext, 4074);
    if (!registration.setServer(doublePath))
        return 3;
    HWND second = CallHtmlHelp(NULL, "second.chm", kHtmlHelpContext, 4075);
    printf("first=%lx\nsecond=%lx\ndouble=%d\n", reinterpret_cast<unsigned long>(first),
           reinterpret_cast<unsigned long>(second), IsLoaded(doublePath));
    return 0;
}

class HtmlHelpBinding : public testing::Test
{
protected:
    HtmlHelpBinding()
        : dir_("help-binding"), record_(dir_.file("htmlhelp.txt")), recordVariable_("PHONEBK_HTMLHELP_RECORD", record_)
    {
    }
    std::map<std::string, std::string> run(const char* child, const std::string& arg = "x")
    {
        std::string output;
        EXPECT_EQ(0u, RunChild(child, arg, &output)) << output;
        return ParseRecord(output);
    }
    std::vector<std::string> calls() const { return SplitLines(FileText(record_)); }

    TempDir dir_;
    std::string record_;
    ScopedEnvironment recordVariable_;
};

std::string Hex(HWND value)
{
    char text[16];
    snprintf(text, sizeof(text), "%lx", reinterpret_cast<unsigned long>(value));
    return text;
}

TEST_F(HtmlHelpBinding, RegisteredControlComesFirstAndIsCalledByOrdinalWithTheArguments)
{
    std::map<std::string, std::string> report = run("CallRegisteredDouble");
    EXPECT_EQ(Hex(HTMLHELP_DOUBLE_ANSWER), report["first"]);
    EXPECT_EQ(Hex(HTMLHELP_DOUBLE_ANSWER), report["second"]);
    EXPECT_EQ("1", report["double"]);
    EXPECT_EQ("0", report["system"]) << "hhctrl.ocx was loaded although a control was registered";
    std::vector<std::string> expected = {"owner=1234 file=C:\\help\\first.chm command=15 data=4071",
                                         "owner=0 file=second.chm command=1 data=4050"};
    EXPECT_EQ(expected, calls());
}

TEST_F(HtmlHelpBinding, WithoutAUsableRegistrationTheSystemControlAnswersAtOnce)
{
    for (const char* shape : {"nokey", "novalue", "empty", "missing"}) {
        SCOPED_TRACE(shape);
        std::map<std::string, std::string> report = run("CallWithoutUsableRegistration", shape);
        EXPECT_EQ("1", report["system"]);
        // Wine's control refuses a missing help file without a window.
        EXPECT_EQ("0", report["answer"]);
        EXPECT_EQ("0", report["windows"]);
        EXPECT_LT(strtoul(report["elapsed"].c_str(), NULL, 10), kPromptAnswerMs);
    }
    EXPECT_TRUE(calls().empty());
}

TEST_F(HtmlHelpBinding, AServerNameStoredWithoutItsTerminatorIsLoaded)
{
    ASSERT_TRUE(CopyFileA(HtmlHelpDoublePath().c_str(), dir_.file("P.dll").c_str(), FALSE));
    std::map<std::string, std::string> report = run("CallOneLetterServer", dir_.path());
    EXPECT_EQ(Hex(HTMLHELP_DOUBLE_ANSWER), report["answer"]);
    EXPECT_EQ("0", report["system"]);
    EXPECT_EQ(std::vector<std::string>({"owner=0 file=one.chm command=15 data=4076"}), calls());
}

TEST_F(HtmlHelpBinding, ControlWithoutOrdinal14FailsForTheRestOfTheProcess)
{
    std::map<std::string, std::string> report = run("CallControlWithoutOrdinal");
    EXPECT_EQ("0", report["first"]);
    EXPECT_EQ("0", report["second"]);
    EXPECT_EQ("1", report["loadedAfterFirst"]);
    EXPECT_EQ("1", report["loadedAtEnd"]) << "the control must never be freed";
    EXPECT_EQ("0", report["double"]) << "the binding was tried again after it failed";
    EXPECT_TRUE(calls().empty());
}

TEST_F(HtmlHelpBinding, NoControlAtAllFailsForTheRestOfTheProcess)
{
    std::string output;
    DWORD exitCode = RunChildWithoutSystemHtmlHelp(dir_.path(), "help-no-control.exe", "CallWhenNothingLoads",
                                                   ProgramDirectory(), &output);
    ASSERT_NE(4u, exitCode) << "the system's control still loads: the set-up did not take";
    ASSERT_EQ(0u, exitCode) << output;
    std::map<std::string, std::string> report = ParseRecord(output);
    EXPECT_EQ("0", report["first"]);
    EXPECT_EQ("0", report["second"]);
    EXPECT_EQ("0", report["double"]) << "the binding was tried again after it failed";
    EXPECT_TRUE(calls().empty());
}

}  // namespace
