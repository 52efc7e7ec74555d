// Which help file a process gets: by the system's default language, tested by
// opening, fixed at the first request. Each case runs a copy of this program
// under a Unix locale of its own, because Wine takes the system language from
// the locale a process starts under.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>

#include "ContextHelp.h"
#include "HelpTestSupport.h"
#include "TestSupport.h"

namespace {

const char* const kAllHelpFiles[] = {"vmhelp_de.chm", "vmhelp_fr.chm", "vmhelp_it.chm", "vmhelp_ja.chm",
                                     "vmhelp_pt.chm", "vmhelp_chs.chm", "vmhelp_es.chm", "vmhelp_en.chm"};

std::string DescribeHelpPath()
{
    char text[MAX_PATH + 64];
    snprintf(text, sizeof(text), "language=%04x\npath=%s\n", GetSystemDefaultLangID(), GetHelpFilePath());
    return text;
}

// "--child ReportHelpPath <report>": the language and the help file path.
TEST_CHILD(ReportHelpPath)
{
    return WriteChildReport(arg, DescribeHelpPath()) ? 0 : 1;
}

// "--child HelpPathComputedOnce <report>": asks, installs the language's file
// beside itself, and asks again.
TEST_CHILD(HelpPathComputedOnce)
{
    std::string first = GetHelpFilePath();
    const char* again = GetHelpFilePath();
    std::string installed = ProgramDirectory() + "\\vmhelp_es.chm";
    bool wrote = WriteFileBytes(installed, "chm", 3);
    std::string second = GetHelpFilePath();
    char text[3 * MAX_PATH];
    snprintf(text, sizeof(text), "language=%04x\nfirst=%s\nsecond=%s\nsamePointer=%d\ninstalled=%d\n",
             GetSystemDefaultLangID(), first.c_str(), second.c_str(), again == GetHelpFilePath(), wrote);
    return WriteChildReport(arg, text) ? 0 : 1;
}

// A copy of this program in its own folder, with the help files asked for.
class HelpFolder
{
public:
    explicit HelpFolder(const char* tag, const std::vector<std::string>& helpFiles = {}) : dir_(tag)
    {
        program_ = dir_.file("help_child.exe");
        copied_ = CopyFileA(ProgramPath().c_str(), program_.c_str(), FALSE) != FALSE;
        for (const std::string& name : helpFiles)
            copied_ = copied_ && WriteFileBytes(dir_.file(name), "chm", 3);
    }
    bool ready() const { return copied_; }
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::map<std::string, std::string> run(const char* locale, const char* child = "ReportHelpPath") const
    {
        return ParseRecord(RunChildUnderLocale(program_, locale, child));
    }

private:
    TempDir dir_;
    std::string program_;
    bool copied_;
};

std::vector<std::string> AllHelpFiles()
{
    return std::vector<std::string>(std::begin(kAllHelpFiles), std::end(kAllHelpFiles));
}

struct LanguageCase {
    const char* locale;     // the Unix locale the child starts under
    const char* language;   // the system default language id Wine makes of it
    const char* helpFile;
};

// Each language of the table, with every help file present, so that a
// language sent to any other file is caught.
const LanguageCase kTranslated[] = {
    {"de_DE.UTF-8", "0407", "vmhelp_de.chm"},  {"fr_FR.UTF-8", "040c", "vmhelp_fr.chm"},
    {"it_IT.UTF-8", "0410", "vmhelp_it.chm"},  {"ja_JP.UTF-8", "0411", "vmhelp_ja.chm"},
    {"pt_BR.UTF-8", "0416", "vmhelp_pt.chm"},  {"pt_PT.UTF-8", "0816", "vmhelp_pt.chm"},
    {"zh_CN.UTF-8", "0804", "vmhelp_chs.chm"}, {"es_ES.UTF-8", "0c0a", "vmhelp_es.chm"},
    {"en_US.UTF-8", "0409", "vmhelp_en.chm"},
};

// Same primary language as a table entry, other sub-language: English,
// although the primary language's file is there.
const LanguageCase kOtherSubLanguages[] = {
    {"de_CH.UTF-8", "0807", "vmhelp_en.chm"},
    {"es_ES_tradnl", "040a", "vmhelp_en.chm"},   // Spanish with the traditional sort
    {"fr_CA.UTF-8", "0c0c", "vmhelp_en.chm"},
    {"it_CH.UTF-8", "0810", "vmhelp_en.chm"},
    {"zh_TW.UTF-8", "0404", "vmhelp_en.chm"},
    {"en_GB.UTF-8", "0809", "vmhelp_en.chm"},
};

template <size_t N>
void CheckLanguages(const HelpFolder& folder, const LanguageCase (&cases)[N])
{
    for (const LanguageCase& each : cases) {
        SCOPED_TRACE(each.locale);
        std::map<std::string, std::string> report = folder.run(each.locale);
        ASSERT_EQ(each.language, report["language"]) << report["failure"];
        EXPECT_EQ(folder.file(each.helpFile), report["path"]);
    }
}

TEST(HelpFileLanguage, EachLanguageOfTheTableGetsItsOwnFile)
{
    HelpFolder folder("help-lang", AllHelpFiles());
    ASSERT_TRUE(folder.ready());
    CheckLanguages(folder, kTranslated);
}

TEST(HelpFileLanguage, OtherSubLanguagesGetEnglishBesideTheirPrimaryLanguagesFile)
{
    HelpFolder folder("help-sublang", AllHelpFiles());
    ASSERT_TRUE(folder.ready());
    CheckLanguages(folder, kOtherSubLanguages);
}

TEST(HelpFileTest, MissingLanguageFileFallsToEnglish)
{
    HelpFolder folder("help-missing", {"vmhelp_en.chm", "vmhelp_de.chm"});
    ASSERT_TRUE(folder.ready());
    std::map<std::string, std::string> report = folder.run("es_ES.UTF-8");
    ASSERT_EQ("0c0a", report["language"]) << report["failure"];
    EXPECT_EQ(folder.file("vmhelp_en.chm"), report["path"]);
}

TEST(HelpFileTest, EnglishIsKeptWithoutBeingThere)
{
    HelpFolder folder("help-none");
    ASSERT_TRUE(folder.ready());
    std::map<std::string, std::string> report = folder.run("ja_JP.UTF-8");
    ASSERT_EQ("0411", report["language"]) << report["failure"];
    EXPECT_EQ(folder.file("vmhelp_en.chm"), report["path"]);
    report = folder.run("en_US.UTF-8");
    EXPECT_EQ(folder.file("vmhelp_en.chm"), report["path"]);
}

TEST(HelpFileTest, FileHeldOpenWithoutSharingCountsAsMissing)
{
    HelpFolder folder("help-held", AllHelpFiles());
    ASSERT_TRUE(folder.ready());
    {
        FileHeldByAnotherProcess held(folder.file("vmhelp_fr.chm"));
        ASSERT_TRUE(held.holding());
        std::map<std::string, std::string> report = folder.run("fr_FR.UTF-8");
        ASSERT_EQ("040c", report["language"]) << report["failure"];
        EXPECT_EQ(folder.file("vmhelp_en.chm"), report["path"]);
    }
    // Released, the same file is found again: the test opens, nothing more.
    std::map<std::string, std::string> report = folder.run("fr_FR.UTF-8");
    EXPECT_EQ(folder.file("vmhelp_fr.chm"), report["path"]);
}

// The test opens without sharing, so any other reader keeps it out, even one
// that shares everything.
TEST(HelpFileTest, FileOpenElsewhereWithFullSharingAlsoCountsAsMissing)
{
    HelpFolder folder("help-shared", AllHelpFiles());
    ASSERT_TRUE(folder.ready());
    HANDLE reader = CreateFileA(folder.file("vmhelp_it.chm").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    std::map<std::string, std::string> report = folder.run("it_IT.UTF-8");
    CloseHandle(reader);
    ASSERT_EQ("0410", report["language"]) << report["failure"];
    EXPECT_EQ(folder.file("vmhelp_en.chm"), report["path"]);
}

TEST(HelpFileOnce, FileInstalledAfterTheFirstRequestIsNotPickedUp)
{
    HelpFolder folder("help-once", {"vmhelp_en.chm"});
    ASSERT_TRUE(folder.ready());
    std::map<std::string, std::string> report = folder.run("es_ES.UTF-8", "HelpPathComputedOnce");
    ASSERT_EQ("0c0a", report["language"]) << report["failure"];
    ASSERT_EQ("1", report["installed"]);
    EXPECT_EQ(folder.file("vmhelp_en.chm"), report["first"]);
    EXPECT_EQ(folder.file("vmhelp_en.chm"), report["second"]);
    EXPECT_EQ("1", report["samePointer"]);
    // A new process does see it.
    report = folder.run("es_ES.UTF-8");
    EXPECT_EQ(folder.file("vmhelp_es.chm"), report["path"]);
}

// A folder whose path is exactly length characters long, below base (which
// must be at least two characters shorter).
std::string MakeFolderOfLength(const std::string& base, size_t length)
{
    std::string path = base;
    while (path.size() + 1 < length) {
        size_t room = length - path.size() - 1;   // after the backslash
        // Never leave a single character: it could not hold "\" and a name.
        size_t part = room > 41 ? 40 : room;
        path += "\\" + std::string(part, 'd');
        CreateDirectoryA(path.c_str(), NULL);
    }
    return path;
}

// The help path must fit in 260 bytes: a file name that would not fit behind
// the host's directory is used alone rather than cut.
TEST(HelpFilePathLength, NameThatFitsExactlyAndOneThatDoesNot)
{
    TempDir root("help-long");
    const size_t kEnglishNameLength = sizeof("vmhelp_en.chm") - 1;
    // A translated file whose path fits exactly is taken, not English.
    struct {
        size_t directoryLength;
        bool fits;
        const char* locale;
        const char* helpFile;   // put in the folder
    } cases[] = {{MAX_PATH - 2 - kEnglishNameLength, true, "en_US.UTF-8", NULL},
                 {MAX_PATH - 1 - kEnglishNameLength, false, "en_US.UTF-8", NULL},
                 {MAX_PATH - 2 - kEnglishNameLength, true, "de_DE.UTF-8", "vmhelp_de.chm"}};
    const std::string self = ProgramPath();
    for (const auto& each : cases) {
        SCOPED_TRACE(each.directoryLength);
        std::string directory = MakeFolderOfLength(root.path(), each.directoryLength);
        ASSERT_EQ(each.directoryLength, directory.size());
        std::string program = directory + "\\h.exe";
        ASSERT_TRUE(CopyFileA(self.c_str(), program.c_str(), FALSE));
        std::string helpFile = directory + "\\" + (each.helpFile != NULL ? each.helpFile : "");
        ASSERT_TRUE(each.helpFile == NULL || WriteFileBytes(helpFile, "chm", 3));
        std::map<std::string, std::string> report =
            ParseRecord(RunChildUnderLocale(program, each.locale, "ReportHelpPath"));
        DeleteFileA(program.c_str());
        DeleteFileA(helpFile.c_str());
        ASSERT_NE("", report["language"]) << report["failure"];
        if (each.helpFile != NULL)
            EXPECT_EQ(helpFile, report["path"]);
        else if (each.fits)
            EXPECT_EQ(directory + "\\vmhelp_en.chm", report["path"]);
        else
            EXPECT_EQ("vmhelp_en.chm", report["path"]);
    }
}

}  // namespace
