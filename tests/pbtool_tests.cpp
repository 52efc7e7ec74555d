// The console host, run as a person runs it.
#include <gtest/gtest.h>
#include <string>

#include "PbtoolBulk.h"
#include "PbtoolSupport.h"
#include "TestSupport.h"

namespace {

class PbtoolTest : public ::testing::Test
{
protected:
    // Runs pbtool on this test's phone book; returns its exit code.
    DWORD Run(const std::string& arguments)
    {
        std::string tool = ProgramDirectory() + "\\..\\bin\\pbtool.exe";
        return RunProgram("\"" + tool + "\" --path \"" + dir.path() + "\" " + arguments, &out, &err);
    }

    // A failure is one line on stderr that names what failed.
    void ExpectOneLineError(const std::string& fragment)
    {
        EXPECT_EQ(0u, err.find("pbtool: ")) << err;
        EXPECT_EQ(err.size() - 1, err.find('\n')) << err;
        EXPECT_NE(std::string::npos, err.find(fragment)) << err;
    }

    ShellWindow shell;
    TempDir dir{"pbtool"};
    std::string out, err;
};

TEST_F(PbtoolTest, HelpAndUsage)
{
    EXPECT_EQ(0u, Run("--help"));
    for (const char* verb : {"dir", "list", "show", "new", "set", "delete", "rename", "copy", "create", "properties",
                             "export", "import", "check"})
        EXPECT_NE(std::string::npos, out.find(std::string("  ") + verb)) << verb;
    EXPECT_EQ(2u, Run(""));
    ExpectOneLineError("no verb");
    EXPECT_EQ(2u, Run("frobnicate"));
    ExpectOneLineError("frobnicate");
}

TEST_F(PbtoolTest, DirPrintsTheDirectoryWithItsBackslash)
{
    EXPECT_EQ(0u, Run("dir"));
    EXPECT_EQ(dir.path() + "\\\r\n", out);
}

TEST_F(PbtoolTest, AnEntrysLife)
{
    ASSERT_EQ(0u, Run("new Office --phone 5550123 --area 030 --login alice --password s3cret")) << err;
    ASSERT_EQ(0u, Run("new Lab --device-type 3 --workstation lab-42 --no-connect-dialog")) << err;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("Office.vmr").c_str()));

    ASSERT_EQ(0u, Run("list"));
    EXPECT_NE(std::string::npos, out.find("Office")) << out;
    EXPECT_NE(std::string::npos, out.find("5550123")) << out;
    EXPECT_NE(std::string::npos, out.find("lab-42")) << out;

    ASSERT_EQ(0u, Run("show Office"));
    EXPECT_NE(std::string::npos, out.find("********"));
    EXPECT_EQ(std::string::npos, out.find("s3cret"));
    ASSERT_EQ(0u, Run("show Office --reveal"));
    EXPECT_NE(std::string::npos, out.find("s3cret"));
    ASSERT_EQ(0u, Run("show Lab"));
    EXPECT_NE(std::string::npos, out.find("connect dialog:       0")) << out;

    ASSERT_EQ(0u, Run("set Office phone=777 timeout=30")) << err;
    ASSERT_EQ(0u, Run("show Office"));
    EXPECT_NE(std::string::npos, out.find("phone number:         777\r\n")) << out;
    EXPECT_NE(std::string::npos, out.find("connect timeout:      30")) << out;

    ASSERT_EQ(0u, Run("copy Office Home")) << err;
    ASSERT_EQ(0u, Run("rename Lab Workshop")) << err;
    ASSERT_EQ(0u, Run("delete Office")) << err;
    ASSERT_EQ(0u, Run("list"));
    EXPECT_EQ(std::string::npos, out.find("Office"));
    EXPECT_EQ(std::string::npos, out.find("Lab "));
    EXPECT_NE(std::string::npos, out.find("Home"));
    EXPECT_NE(std::string::npos, out.find("Workshop"));
}

TEST_F(PbtoolTest, RefusesBadNamesAndValues)
{
    ASSERT_EQ(0u, Run("new Office"));
    EXPECT_EQ(1u, Run("new Office"));
    ExpectOneLineError("exists");
    EXPECT_EQ(1u, Run("new a*b"));
    ExpectOneLineError("a*b");
    EXPECT_EQ(1u, Run("new \"  \""));
    ExpectOneLineError("blank");
    for (const char* device : {"COM1", "nul", "Con.txt"}) {
        EXPECT_EQ(1u, Run(std::string("new ") + device)) << device;
        ExpectOneLineError("is the name of a Windows device");
    }
    EXPECT_EQ(1u, Run("new Far --phone " + std::string(40, '5')));
    ExpectOneLineError("phone");
    EXPECT_EQ(1u, Run("new Far --device-type 6"));
    ExpectOneLineError("device-type must be a whole number from 0 to 5");
    EXPECT_EQ(1u, Run("new \"Tab\there\""));
    ExpectOneLineError("control character");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("Far.vmr").c_str()));
    EXPECT_EQ(1u, Run("set Office timeout=70000"));
    ExpectOneLineError("timeout");
    EXPECT_EQ(2u, Run("set Office colour=blue"));
    ExpectOneLineError("colour");
}

TEST_F(PbtoolTest, FailuresNameWhatFailed)
{
    EXPECT_EQ(1u, Run("show Nowhere"));
    ExpectOneLineError("Nowhere");
    EXPECT_EQ(1u, Run("delete Nowhere"));
    ExpectOneLineError("Nowhere");
    ASSERT_EQ(0u, Run("new A"));
    ASSERT_EQ(0u, Run("new B"));
    EXPECT_EQ(1u, Run("rename A B"));
    ExpectOneLineError("rename");
    EXPECT_EQ(1u, Run("copy A B"));
    ExpectOneLineError("copy");
}

// The dialogs' verbs, without ever showing a dialog: the security component
// (pointed by GATEUI_DIR at a file of the test's own) refuses the login, or
// the entry cannot be read, and the library answers before any window.
TEST_F(PbtoolTest, TheDialogVerbsReportWhatTheLibraryAnswered)
{
    TempDir gate{"pbtool-gate"};
    const char refuse[] = "[Security]\r\nMode=Refuse\r\n";
    ASSERT_TRUE(WriteFileBytes(gate.file("GATEUI.INI"), refuse, sizeof(refuse) - 1));
    ASSERT_TRUE(SetEnvironmentVariableA("GATEUI_DIR", gate.path().c_str()));

    EXPECT_EQ(0u, Run("create"));
    EXPECT_EQ(0u, out.find("nothing was created")) << out;
    EXPECT_EQ(0u, Run("new Office --phone 555"));
    EXPECT_EQ(1u, Run("properties Office"));
    ExpectOneLineError("the login was refused or the entry cannot be read");

    const char grant[] = "[Security]\r\nMode=Grant\r\n";
    ASSERT_TRUE(WriteFileBytes(gate.file("GATEUI.INI"), grant, sizeof(grant) - 1));
    EXPECT_EQ(1u, Run("properties Missing --no-utilities"));
    ExpectOneLineError("Missing");
    EXPECT_EQ(2u, Run("properties Office --utilities"));
    ExpectOneLineError("--no-utilities");
    EXPECT_EQ(2u, Run("create now"));
    ExpectOneLineError("create takes only --no-utilities");
    SetEnvironmentVariableA("GATEUI_DIR", NULL);
}

// "--child ConvertsForAConsole": on a console of its own in code page 850,
// a name in the ANSI code page (1252 here) is printed as that code page
// holds it: "B\xFCro" as "B\x81ro", not as "B\xFCro", which code page 850
// shows as a superscript three. The bytes are read, not the screen: Wine
// shows what the C runtime prints there otherwise than Windows (docs/wine-bulk.md).
TEST_CHILD(ConvertsForAConsole)
{
    (void)arg;
    FreeConsole();
    if (!AllocConsole() || !SetConsoleOutputCP(850))
        return 3;
    HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, 0, NULL);
    SetStdHandle(STD_OUTPUT_HANDLE, screen);
    bool converted = ForConsole(stdout, "B\xFCro") == "B\x81ro";
    CloseHandle(screen);
    return converted ? 0 : 2;
}

// A listing that breaks off part-way (a share that went away) is a failure,
// not a smaller phone book: the export gives no text.
BOOL WINAPI ListingBreaksOff(HANDLE, LPWIN32_FIND_DATAA)
{
    SetLastError(ERROR_NETNAME_DELETED);
    return FALSE;
}

TEST_F(PbtoolTest, AListingThatBreaksOffPartWayIsAFailure)
{
    ASSERT_EQ(0u, Run("new A --phone 1")) << err;
    ASSERT_EQ(0u, Run("new B --phone 2")) << err;
    VmrPhoneBook book;
    std::string path = dir.path() + "\\";
    book.SetPath(&path[0]);
    std::vector<std::string> files;
    EXPECT_EQ("", ListEntryFiles(book, &files));
    EXPECT_EQ(2u, files.size());
    void* real = SwapKernelImport("FindNextFileA", reinterpret_cast<void*>(ListingBreaksOff));
    ASSERT_NE(nullptr, real);
    std::string message = ListEntryFiles(book, &files), text;
    ExportOutcome outcome = ExportText(book, kFormatCsv, false, &text);
    SwapKernelImport("FindNextFileA", real);
    EXPECT_NE(std::string::npos, message.find("ended part-way (error 64)")) << message;
    EXPECT_EQ(kExportNotListed, outcome);
    EXPECT_EQ("", text);
}

// check reaches a file named like a device through the verbatim form of its
// path, on a disk, on a share and when the folder was given verbatim.
TEST(PbtoolPaths, VerbatimPathsOnDisksSharesAndVerbatimFolders)
{
    const struct {
        const wchar_t* directory;
        const wchar_t* path;
    } cases[] = {
        {L"C:\\pb\\", L"\\\\?\\C:\\pb\\COM1.vmr"},
        {L"C:\\pb", L"\\\\?\\C:\\pb\\COM1.vmr"},
        {L"\\\\server\\share\\pb\\", L"\\\\?\\UNC\\server\\share\\pb\\COM1.vmr"},
        {L"\\\\?\\C:\\pb\\", L"\\\\?\\C:\\pb\\COM1.vmr"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.path), VerbatimPath(c.directory, L"COM1.vmr"));
}

TEST(PbtoolConsole, NamesArePrintedInTheConsolesCodePage)
{
    EXPECT_EQ(0u, RunChild("ConvertsForAConsole", "", NULL));
}

}  // namespace
