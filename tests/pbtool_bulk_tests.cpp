// pbtool's verbs for whole phone books, run as an administrator runs them:
// export, import, check.
#include <gtest/gtest.h>
#include <algorithm>
#include <string.h>
#include <string>
#include <vector>

#include "EntryVersion.h"
#include "TestSupport.h"

namespace {

class PbtoolBulkTest : public ::testing::Test
{
protected:
    DWORD Run(const TempDir& book, const std::string& arguments)
    {
        std::string tool = ProgramDirectory() + "\\..\\bin\\pbtool.exe";
        return RunProgram("\"" + tool + "\" --path \"" + book.path() + "\" " + arguments, &out, &err);
    }

    static void Write(const std::string& path, const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(path, text.data(), text.size())) << path;
    }

    static std::string Replaced(std::string text, const std::string& from, const std::string& to)
    {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    }

    static std::string Text(const std::string& path)
    {
        std::vector<unsigned char> bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }

    ShellWindow shell;
    TempDir files{"bulk-files"};
    std::string out, err;
};

// Quotes, commas and a line break inside fields, text beyond ASCII that the
// code page holds (UTF-8 in the file, one byte in the entry), a field no
// setter writes, and a password.
const char kSample[] =
    "name,phone,login,workstation,device-type,timeout,startup-utilities,dial-up-entry,use-dial-up,password\r\n"
    "Z\xC3\xBCrich,555,\"a \"\"quoted\"\", name\",,1,30,1010000000,,0,s3cret\r\n"
    "Lab,,\"two\nlines\",lab-42,3,0,0000000000,Office VPN,1,\r\n";

TEST_F(PbtoolBulkTest, ExportImportExportGivesTheSameFileByteForByte)
{
    struct Case {
        const char* file;
        const char* expected;   // how the sample's first entry is written
    };
    const Case cases[] = {
        {"out.csv", "Lab,3,,,,1,lab-42,,\"two\nlines\",,,Office VPN,1,0,1,0000000000\r\n"
                    "Z\xC3\xBCrich,1,555,,,1,,,\"a \"\"quoted\"\", name\",,,,0,30,1,1010000000\r\n"},
        {"out.json", "{\"name\": \"Lab\", \"device-type\": 3, \"phone\": \"\", \"area\": \"\", \"country\": \"\", "
                     "\"use-country-and-area\": 1, \"workstation\": \"lab-42\", \"ils\": \"\", \"login\": \"two\\nlines\", "
                     "\"line\": \"\", \"adapter\": \"\", \"dial-up-entry\": \"Office VPN\", \"use-dial-up\": 1, "
                     "\"timeout\": 0, \"connect-dialog\": 1, \"startup-utilities\": \"0000000000\"}"},
    };
    TempDir source{"bulk-source"};
    Write(files.file("sample.csv"), kSample);
    ASSERT_EQ(0u, Run(source, "import \"" + files.file("sample.csv") + "\"")) << err;

    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir copy{"bulk-copy"};
        std::string first = files.file(std::string("first-") + c.file);
        std::string second = files.file(std::string("second-") + c.file);
        ASSERT_EQ(0u, Run(source, "export \"" + first + "\"")) << err;
        EXPECT_EQ("", err);   // no password warning, no progress into a pipe
        EXPECT_NE(std::string::npos, Text(first).find(c.expected)) << Text(first);
        EXPECT_EQ(std::string::npos, Text(first).find("s3cret"));
        ASSERT_EQ(0u, Run(copy, "import \"" + first + "\"")) << err;
        ASSERT_EQ(0u, Run(copy, "export \"" + second + "\"")) << err;
        EXPECT_EQ(Text(first), Text(second));
    }

    ASSERT_EQ(0u, Run(source, "export --format json --with-passwords"));
    EXPECT_NE(std::string::npos, out.find("\"password\": \"s3cret\"")) << out;
    EXPECT_NE(std::string::npos, err.find("holds the passwords in the clear")) << err;
}

// Each file holds a good row and one wrong one; the wrong one is named by
// its line and field, and nothing at all is written.
TEST_F(PbtoolBulkTest, ImportNamesEachWrongRowAndWritesNothing)
{
    struct Case {
        const char* file;
        std::string text;
        const char* options;
        const char* expected;   // after "FILE:"
    };
    const Case cases[] = {
        {"in.csv", "name,phone\r\nGood,1\r\nBad:Name,2\r\n", "", "3: name: holds one of"},
        {"in.csv", "name,login\r\nGood,\"two\r\nlines\"\r\nBad/Name,x\r\n", "", "4: name: holds one of"},
        {"in.csv", "name\r\nGood\r\nLPT1.txt\r\n", "", "3: name: is the name of a Windows device"},
        {"in.csv", "name\r\nGood\r\ntaken\r\n", "", "3: name: an entry named 'taken' exists already"},
        {"in.csv", "name\r\nGood\r\nTaken.VMR\r\n", "", "3: name: an entry named 'Taken.VMR' exists already"},
        {"in.csv", "name\r\nGood\r\n%SHORT%\r\n", "", "3: name: an entry named '%SHORT%' exists already"},
        {"in.csv", "name\r\nGood\r\n\"Tab\there\"\r\n", "", "3: name: holds a control character"},
        {"in.csv", "name\r\nGood\r\nGOOD\r\n", "", "3: name: 'GOOD' is in the file twice; first on line 2"},
        {"in.csv", "name\r\nG\xF6\xF6" "d\r\nG\xD6\xD6" "D\r\n", "",
         "3: name: 'G\xD6\xD6" "D' is in the file twice; first on line 2"},   // case aside beyond ASCII
        {"in.csv", "name\r\nGood\r\n   \r\n", "", "3: name: must not be blank"},
        {"in.csv", "name\r\nGood\r\n" + std::string(250, 'n') + "\r\n", "", "3: name: is too long"},
        {"in.csv", "name,phone\r\nGood,1\r\nFar," + std::string(38, '5') + "\r\n", "",
         "3: phone: is 38 bytes long; at most 37 fit"},
        {"in.csv", "name,device-type\r\nGood,1\r\nOdd,6\r\n", "", "3: device-type: must be a whole number from 0 to 5"},
        {"in.csv", "name,login\r\nGood,x\r\nGreek,\xCE\xA9\r\n", "",
         "3: login: holds characters that the ANSI code page 1252 cannot hold"},
        {"in.csv", "name,login\r\nGood,x\r\n\xCE\xA9mega,x\r\n", "",
         "3: name: holds characters that the ANSI code page 1252 cannot hold"},
        {"in.csv", "name,colour\r\nGood,blue\r\n", "", "1: colour: unknown field"},
        {"in.csv", "name,phone\r\nGood,1\r\nTwo,1,extra\r\n", "", "3: row: 3 fields, but the header names 2"},
        {"in.csv", "name,login\r\nGood,x\r\nQ,a\"b\r\n", "", "3: row: a quote inside a field"},
        {"in.csv", "name,login\r\nGood,x\r\nQ,\"open\r\n", "", "3: row: a quoted field that is never closed"},
        {"in.json", "[\n {\"name\": \"Good\"},\n {\"name\": \"Num\", \"phone\": 5}\n]\n", "",
         "3: phone: must be text in double quotes"},
        {"in.json", "[\n {\"name\": \"Good\"},\n {\"name\": \"B\", \"login\": \"\\uffff\"}\n]\n", "",
         "3: login: holds characters that the ANSI code page 1252 cannot hold"},
        {"in.json", "[\n {\"name\": \"Good\"}\n {\"name\": \"B\"}\n]\n", "",
         "3: json: expected a comma or the end of the array"},
        {"in.json", "[\n {\"name\": \"Good\"},\n {\"name\": \"B\" \"x\"},\n {\"name\": \"C\"}\n]\n", "--partial",
         "3: json: expected a comma or the end of the object; the file is read no further and nothing is imported"},
        {"in.txt", "good-host\nbad|host\n", "--hosts", "2: name: holds one of"},
        {"in.txt", "good-host\nbad-host-with-a-name-longer-than-31\n", "--hosts", "2: workstation: is 35 bytes long"},
    };
    // The entries every case's phone book holds are made once and copied: a
    // run of the tool costs a process start.
    TempDir taken{"bulk-taken"};
    ASSERT_EQ(0u, Run(taken, "new Taken"));
    ASSERT_EQ(0u, Run(taken, "new \"Branch Office London\""));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TempDir book{"bulk-errors"};
        for (const char* name : {"Taken.vmr", "Branch Office London.vmr"})
            ASSERT_TRUE(CopyFileA(taken.file(name).c_str(), book.file(name).c_str(), TRUE)) << name;
        // The long name's short name, as this file system makes it: "BRANCH~1" on NTFS.
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(book.file("Branch Office London.vmr").c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, find) << GetLastError();
        FindClose(find);
        std::string shortName = found.cAlternateFileName;
        ASSERT_GT(shortName.size(), 4u);
        shortName = shortName.substr(0, shortName.size() - 4);
        std::string text = Replaced(c.text, "%SHORT%", shortName);
        std::string expected = Replaced(c.expected, "%SHORT%", shortName);
        std::string file = files.file(c.file);
        Write(file, text);
        for (const char* mode : {"--dry-run ", ""}) {
            EXPECT_EQ(1u, Run(book, std::string("import ") + mode + c.options + " \"" + file + "\""));
            EXPECT_NE(std::string::npos, err.find(file + ":" + expected)) << mode << err;
        }
        EXPECT_EQ((std::vector<std::string>{"Branch Office London.vmr", "Taken.vmr"}), FilesIn(book.path()));
    }
}

TEST_F(PbtoolBulkTest, PartialDryRunAndReplace)
{
    TempDir book{"bulk-modes"};
    std::string mixed = files.file("mixed.csv");
    Write(mixed, "name,phone\r\nOne,111\r\nBad:Name,2\r\nTwo,222\r\n");

    EXPECT_EQ(1u, Run(book, "import --dry-run \"" + mixed + "\""));
    EXPECT_NE(std::string::npos, err.find(":3: name:")) << err;
    EXPECT_TRUE(FilesIn(book.path()).empty());
    EXPECT_EQ(1u, Run(book, "import --partial \"" + mixed + "\""));
    EXPECT_NE(std::string::npos, err.find(":3: name:")) << err;
    EXPECT_EQ((std::vector<std::string>{"One.vmr", "Two.vmr"}), FilesIn(book.path()));

    // A stray quote, then a quoted field over two lines whose second line
    // looks like a record: the record ends where its quoted field does.
    std::string broken = files.file("broken.csv");
    Write(broken, "name,login\r\nQ\"uote,\"a\r\nEvil,b\"\r\n\"After\"x,\"c\r\nEvil2,d\"\r\nThree,x\r\n");
    EXPECT_EQ(1u, Run(book, "import --partial \"" + broken + "\""));
    EXPECT_NE(std::string::npos, err.find(":2: row: a quote inside a field")) << err;
    EXPECT_NE(std::string::npos, err.find(":4: row: text after the closing quote")) << err;
    EXPECT_NE(std::string::npos, out.find("1 of 3 entries imported")) << out;
    EXPECT_EQ((std::vector<std::string>{"One.vmr", "Three.vmr", "Two.vmr"}), FilesIn(book.path()));

    // --replace changes what the file gives, an empty cell included, and
    // keeps what it does not: an export without passwords keeps them.
    ASSERT_EQ(0u, Run(book, "set One login=alice password=s3cret timeout=30"));
    std::string change = files.file("change.csv");
    Write(change, "name,phone,area\r\none,999,\r\n");
    EXPECT_EQ(1u, Run(book, "import \"" + change + "\""));
    EXPECT_EQ(0u, Run(book, "import --replace --dry-run \"" + change + "\"")) << err;
    ASSERT_EQ(0u, Run(book, "show One --reveal"));
    std::string before = out;
    EXPECT_NE(std::string::npos, out.find("phone number:         111\r\n")) << out;
    EXPECT_EQ(0u, Run(book, "import --replace \"" + change + "\"")) << err;
    ASSERT_EQ(0u, Run(book, "show One --reveal"));
    before.replace(before.find("111"), 3, "999");
    EXPECT_EQ(before, out);
    EXPECT_EQ(3u, FilesIn(book.path()).size());

    // A name that ends in ".vmr" is its file's name: at 259 bytes of path
    // the dry run and the import agree that it fits.
    std::string longName = std::string(259 - book.path().size() - 1 - 4, 'L') + ".vmr";
    std::string fits = files.file("fits.csv");
    Write(fits, "name\r\n" + longName + "\r\n");
    EXPECT_EQ(0u, Run(book, "import --dry-run \"" + fits + "\"")) << err;
    EXPECT_EQ(0u, Run(book, "import \"" + fits + "\"")) << err;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(book.file(longName).c_str()));
}

// What a spreadsheet saves and what a console types: ANSI text, ';' between
// fields, an option value in the ANSI code page; and a file too large.
TEST_F(PbtoolBulkTest, ImportTakesAnsiTextAndRefusesTooLargeFiles)
{
    TempDir book{"bulk-ansi"};
    std::string sheet = files.file("sheet.csv");
    Write(sheet, "name;login;phone\r\nB\xFCro;M\xFCller;\"1;2\"\r\n");
    ASSERT_EQ(0u, Run(book, "import \"" + sheet + "\"")) << err;
    std::string hosts = files.file("hosts.txt");
    Write(hosts, "lab-1\n");
    ASSERT_EQ(0u, Run(book, "import --hosts --login M\xFCller \"" + hosts + "\"")) << err;
    EXPECT_EQ((std::vector<std::string>{"B\xFCro.vmr", "lab-1.vmr"}), FilesIn(book.path()));
    for (const char* name : {"B\xFCro", "lab-1"}) {
        ASSERT_EQ(0u, Run(book, std::string("show ") + name));
        EXPECT_NE(std::string::npos, out.find("login name:           M\xFCller\r\n")) << name << out;
    }
    EXPECT_NE(std::string::npos, out.find("phone number:         \r\n")) << out;
    ASSERT_EQ(0u, Run(book, "show B\xFCro"));
    EXPECT_NE(std::string::npos, out.find("phone number:         1;2\r\n")) << out;

    std::string large = files.file("large.csv");
    std::string rows = "name\r\n";
    while (rows.size() <= 4 * 1024 * 1024)
        rows += "entry-" + std::to_string(rows.size()) + "\r\n";
    Write(large, rows);
    EXPECT_EQ(1u, Run(book, "import \"" + large + "\""));
    EXPECT_NE(std::string::npos, err.find("is larger than 4 MB")) << err;
    EXPECT_EQ(2u, FilesIn(book.path()).size());
}

// An export that cannot be whole writes nothing: the previous file stays.
TEST_F(PbtoolBulkTest, ExportFailuresLeaveThePreviousFile)
{
    TempDir book{"bulk-export"};
    ASSERT_EQ(0u, Run(book, "new Office --password s3cret"));
    std::string target = files.file("out.csv");
    Write(target, "the previous export");
    Write(files.file("plain-file"), "not a folder");
    struct Case {
        std::string path;     // the phone book directory
        std::string target;
        const char* expected;
    };
    const Case cases[] = {
        {book.path() + "\\missing", target, "cannot be listed (error 3)"},
        {files.file("plain-file"), target, "cannot be listed"},
        {"\\\\.\\pipe\\book", target, "names a device or a pipe"},
        {book.path(), "COM1", "COM1 names a device or a pipe"},
        {book.path(), "\\\\.\\PRN", "names a device or a pipe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        std::string tool = ProgramDirectory() + "\\..\\bin\\pbtool.exe";
        EXPECT_EQ(1u, RunProgram("\"" + tool + "\" --path \"" + c.path + "\" export \"" + c.target + "\"", &out, &err));
        EXPECT_NE(std::string::npos, err.find(c.expected)) << err;
        EXPECT_EQ("the previous export", Text(target));
        EXPECT_EQ((std::vector<std::string>{"out.csv", "plain-file"}), FilesIn(files.path()));
    }

    // The other verbs refuse such a folder too, before they look at anything.
    for (const char* verb : {"check", "check --repair", "import --dry-run out.csv"}) {
        std::string tool = ProgramDirectory() + "\\..\\bin\\pbtool.exe";
        EXPECT_EQ(1u, RunProgram("\"" + tool + "\" --path \\\\.\\pipe\\book\\ " + verb, &out, &err)) << verb;
        EXPECT_NE(std::string::npos, err.find("names a device or a pipe")) << verb << err;
    }

    std::string tool = ProgramDirectory() + "\\..\\bin\\pbtool.exe";
    EXPECT_EQ(1u, RunProgram("\"" + tool + "\" --path \"" + book.path() + "\\missing\" check", &out, &err));
    EXPECT_NE(std::string::npos, err.find("cannot be found")) << err;

    // With passwords: readable by its owner only.
    ASSERT_EQ(0u, Run(book, "export --with-passwords \"" + target + "\"")) << err;
    EXPECT_NE(std::string::npos, Text(target).find("s3cret"));
    char buffer[1024];
    DWORD needed = 0;
    ASSERT_TRUE(GetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, buffer, sizeof(buffer), &needed));
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(buffer, &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl != NULL);
    HANDLE token = NULL;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    DWORD user[64];
    BOOL known = GetTokenInformation(token, TokenUser, user, sizeof(user), &needed);
    CloseHandle(token);
    ASSERT_TRUE(known);
    // Wine keeps a file's list as Unix permissions, and shows the system's
    // entry beside the owner's: nobody else may be in it ("Everyone" is, by default).
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    DWORD system[4];
    ASSERT_TRUE(InitializeSid(system, &nt, 1));
    *GetSidSubAuthority(system, 0) = SECURITY_LOCAL_SYSTEM_RID;
    bool owner = false;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = NULL;
        ASSERT_TRUE(GetAce(acl, i, &ace));
        PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
        owner = owner || EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
        EXPECT_TRUE(EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid) || EqualSid(sid, system)) << i;
    }
    EXPECT_TRUE(owner);
}

// A file of a name Windows keeps for a device, or of a name the code page
// cannot hold, is made by its literal wide path.
bool WriteWide(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL) != FALSE;
    return CloseHandle(file) != FALSE && ok;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

TEST_F(PbtoolBulkTest, CheckFindsEachKindAndRepairMovesThemAside)
{
    struct Case {
        const char* file;
        const char* finding;    // "" for a file that is sound
        bool movedByRepair;
    };
    const Case cases[] = {
        {"Sound.vmr", "", false},
        {"Torn.vmr", "torn: 100 bytes", true},
        {"Foreign.vmr", "not an entry of this library", true},
        {"Later.vmr", "an entry of version 42 of the library, which this one cannot read; left", false},
        {"Busy.vmr", "busy: another program held it throughout; not checked", false},
        {"aux.txt", "", false},        // a device's name, but not the phone book's file
        {"~vmr0C0D.job", "the journal of a batch of writes that ended while it put its entries in place; "
                         "look at the entries it names (new or old data), then delete it: New.vmr, Sound.vmr "
                         "(replacing one)", false},
        {"COM1.vmr", "the name of a Windows device", true},
        {"~vmr01A2.tmp", "a leftover of a write that ended", false},
        {"~vmr000B.tmp", "", false},   // held open: a write in progress
        {"~vmr0E0F.new", "a leftover of a write that ended", false},   // an ended batch's folder
        {"~vmr0E10.new", "", false},   // a batch at work holds its files
        {"vmr1A2.tmp", "", false},     // another program's: not the library's name
        {"Aside.vm~", "a leftover of a write that ended", false},
        {"Other.vmrx", "lists it as an entry by its short name", false},
        {"?mega.vmr", "the ANSI code page 1252 cannot hold the file's name", false},
    };
    TempDir book{"bulk-check"};
    ASSERT_EQ(0u, Run(book, "new Sound --phone 1"));
    std::string sound = Text(book.file("Sound.vmr"));
    Write(book.file("Torn.vmr"), sound.substr(0, 100));
    Write(book.file("Foreign.vmr"), std::string(sound.size(), 'x'));
    Write(book.file("Later.vmr"), sound);
    ASSERT_TRUE(RewriteEntryVersion(book.file("Later.vmr"), 42));
    ASSERT_TRUE(WriteWide(L"\\\\?\\" + Wide(book.file("COM1.vmr")), "not a port"));
    Write(book.file("~vmr01A2.tmp"), "ended");
    Write(book.file("~vmr000B.tmp"), "in progress");
    for (const char* folder : {"~vmr0E0F.new", "~vmr0E10.new"}) {
        CreateDirectoryA(book.file(folder).c_str(), NULL);
        Write(book.file(std::string(folder) + "\\~vmr0001.tmp"), "prepared");
    }
    Write(book.file("vmr1A2.tmp"), "another program's");
    Write(book.file("Aside.vm~"), sound);   // set aside by a Windows 95/98 write that ended
    Write(book.file("Other.vmrx"), sound);
    ASSERT_TRUE(WriteWide(Wide(book.path()) + L"\\\x03A9mega.vmr", sound));
    ASSERT_TRUE(WriteWide(L"\\\\?\\" + Wide(book.file("aux.txt")), "somebody's notes"));
    Write(book.file("Busy.vmr"), sound);
    Write(book.file("~vmr0C0D.job"), "New.vmr\r\nSound.vmr\treplaces\r\n");
    FileHeldByAnotherProcess writing(book.file("~vmr000B.tmp"));
    FileHeldByAnotherProcess preparing(book.file("~vmr0E10.new\\~vmr0001.tmp"));
    FileHeldByAnotherProcess reading(book.file("Busy.vmr"));
    ASSERT_TRUE(writing.holding() && preparing.holding() && reading.holding());

    for (bool repair : {false, true}) {
        SCOPED_TRACE(repair ? "check --repair" : "check");
        EXPECT_EQ(1u, Run(book, repair ? "check --repair" : "check"));
        EXPECT_NE(std::string::npos, out.find("11 findings\r\n")) << out;
        for (const Case& c : cases) {
            size_t line = out.find(book.file(c.file) + ": ");
            EXPECT_EQ(*c.finding == '\0', line == std::string::npos) << c.file << "\n" << out;
            if (line != std::string::npos) {
                EXPECT_NE(std::string::npos, out.substr(line, out.find('\n', line) - line).find(c.finding)) << out;
            }
        }
    }
    std::vector<std::string> damaged = FilesIn(book.file("damaged"));
    EXPECT_EQ((std::vector<std::string>{"COM1.vmr", "Foreign.vmr", "Torn.vmr"}), damaged);
    EXPECT_EQ(sound.substr(0, 100), Text(book.file("damaged\\Torn.vmr")));
    EXPECT_EQ(sound, Text(book.file("Sound.vmr")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(book.file("~vmr01A2.tmp").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(book.file("~vmr000B.tmp").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(book.file("~vmr0E0F.new").c_str()));
    EXPECT_EQ(std::vector<std::string>{"~vmr0001.tmp"}, FilesIn(book.file("~vmr0E10.new")));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(book.file("vmr1A2.tmp").c_str()));
    EXPECT_EQ(sound, Text(book.file("Aside.vmr")));   // put back under its name
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(book.file("Later.vmr").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((L"\\\\?\\" + Wide(book.file("aux.txt"))).c_str()));

    // What is left is what a move cannot mend: names, another version's
    // entry and a busy one, for the administrator.
    EXPECT_EQ(1u, Run(book, "check"));
    EXPECT_NE(std::string::npos, out.find("5 findings\r\n")) << out;
    // Names the test folder's clean-up (ANSI calls) cannot reach.
    DeleteFileW((L"\\\\?\\" + Wide(book.file("damaged\\COM1.vmr"))).c_str());
    DeleteFileW((Wide(book.path()) + L"\\\x03A9mega.vmr").c_str());
    DeleteFileW((L"\\\\?\\" + Wide(book.file("aux.txt"))).c_str());
}

// Set when a child's parent releases it.
volatile LONG g_stopOpening = 0;

// A reader, a virus scanner or an indexer: opens each entry of the folder
// in turn without sharing, for a moment each, until released.

DWORD WINAPI OpenInTurn(LPVOID directory)
{
    std::string folder = static_cast<const char*>(directory);
    while (g_stopOpening == 0) {
        for (const std::string& name : FilesIn(folder)) {
            HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
            Sleep(15);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    return 0;
}

// A child's work on a thread of its own, from when it starts until the parent
// releases the child; 0 when the parent did.
int WorkUntilReleased(LPTHREAD_START_ROUTINE work, const char* arg)
{
    HANDLE thread = CreateThread(NULL, 0, work, const_cast<char*>(arg), 0, NULL);
    bool held = HeldChildReached();
    InterlockedExchange(&g_stopOpening, 1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return held ? 0 : 1;
}

TEST_CHILD(OpensEntriesInTurn) { return WorkUntilReleased(OpenInTurn, arg); }

// Windows 95/98 answer the wide listing with nothing: check lists with the
// ANSI calls there, and still finds what it finds on Windows NT.
TEST_F(PbtoolBulkTest, CheckListsWithTheAnsiCallsOnWindows9x)
{
    TempDir book{"bulk-9x"};
    ASSERT_EQ(0u, Run(book, "new Sound --phone 1"));
    Write(book.file("Torn.vmr"), Text(book.file("Sound.vmr")).substr(0, 100));
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\pbtool.exe", &key));
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    DWORD code = Run(book, "check");
    RegDeleteValueA(key, "Version");
    RegCloseKey(key);
    EXPECT_EQ(1u, code);
    EXPECT_NE(std::string::npos, out.find(book.file("Torn.vmr") + ": torn: 100 bytes")) << out;
    EXPECT_NE(std::string::npos, out.find("1 finding\r\n")) << out;
}

TEST_F(PbtoolBulkTest, CheckLeavesEntriesThatAnotherProcessOpensInTurn)
{
    TempDir book{"bulk-turns"};
    const std::vector<std::string> names = {"A.vmr", "B.vmr", "C.vmr", "D.vmr", "E.vmr", "F.vmr"};
    for (const std::string& name : names)
        ASSERT_EQ(0u, Run(book, "new " + name.substr(0, 1) + " --phone 1"));
    HeldChild opener("OpensEntriesInTurn", book.path());
    ASSERT_TRUE(opener.ready());
    for (int run = 0; run < 3; ++run) {
        EXPECT_EQ(0u, Run(book, "check --repair")) << out;
        EXPECT_EQ("0 findings\r\n", out);
    }
    EXPECT_EQ(names, FilesIn(book.path()));
}

// Another writer: makes the entry file named by its argument as soon as a
// write's temporary file shows in that folder or a batch's folder in it,
// that is, after the import has judged its names and before its entries
// take their places.
bool AnyMatch(const std::string& pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern.c_str(), &found);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return find != INVALID_HANDLE_VALUE;
}
DWORD WINAPI MakeWhenWritesBegin(LPVOID target)
{
    std::string path = static_cast<const char*>(target);
    std::string folder = path.substr(0, path.find_last_of('\\'));
    while (g_stopOpening == 0) {
        bool begun = AnyMatch(folder + "\\~vmr*.tmp");
        for (const std::string& name : FilesIn(folder))
            begun = begun || (name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0 &&
                              AnyMatch(folder + "\\" + name + "\\~vmr*.tmp"));
        if (begun) {
            WriteFileBytes(path, "made meanwhile", 14);
            return 0;
        }
        Sleep(1);
    }
    return 1;
}

TEST_CHILD(MakesEntryWhenWritesBegin) { return WorkUntilReleased(MakeWhenWritesBegin, arg); }

// A name taken between the import's judgement and its final step: the
// entries put in place before it are taken back, the replaced one comes
// back; with --partial every other row is written. Nothing made meanwhile
// is ever overwritten.
TEST_F(PbtoolBulkTest, ImportIsAllOrNothingWhenANameIsTakenMeanwhile)
{
    std::string rows = "name,phone\r\nKept,999\r\n";
    for (int i = 0; i < 60; ++i)
        rows += "Row" + std::to_string(100 + i) + ",1\r\n" + (i == 30 ? "Late,2\r\n" : "");
    std::string file = files.file("rows.csv");
    Write(file, rows);
    for (const char* mode : {"--replace", "--replace --partial"}) {
        SCOPED_TRACE(mode);
        TempDir book{"bulk-meanwhile"};
        ASSERT_EQ(0u, Run(book, "new Kept --phone 111"));
        std::string kept = Text(book.file("Kept.vmr"));
        HeldChild writer("MakesEntryWhenWritesBegin", book.file("Late.vmr"));
        ASSERT_TRUE(writer.ready());
        EXPECT_EQ(1u, Run(book, std::string("import ") + mode + " \"" + file + "\""));
        EXPECT_NE(std::string::npos, err.find(file + ":34: name: an entry of that name exists now")) << err;
        EXPECT_EQ("made meanwhile", Text(book.file("Late.vmr")));
        std::vector<std::string> names = FilesIn(book.path());
        bool partial = strstr(mode, "--partial") != NULL;
        EXPECT_EQ(partial ? 62u : 2u, names.size());
        EXPECT_EQ(partial, kept != Text(book.file("Kept.vmr")));
        EXPECT_EQ(partial, std::find(names.begin(), names.end(), "Row159.vmr") != names.end());
    }
}

}  // namespace
