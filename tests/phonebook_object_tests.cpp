// VmrPhoneBook as a host sees it through PhoneBk.dll: the object's layout,
// its defaults, the accessors' rules, copying and the phone book directory.
#include <gtest/gtest.h>
#include <mbctype.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "VmrPhoneBook.h"

namespace {

// Offsets a host relies on.
const size_t kPath = 0, kEntryName = 260, kEstablish = 516, kRecord = 520;

unsigned char* Bytes(VmrPhoneBook& book) { return reinterpret_cast<unsigned char*>(&book); }
const char* PathOf(VmrPhoneBook& book) { return reinterpret_cast<const char*>(Bytes(book) + kPath); }
unsigned int U32At(VmrPhoneBook& book, size_t recordOffset)
{
    unsigned int value;
    memcpy(&value, Bytes(book) + kRecord + recordOffset, sizeof(value));
    return value;
}

class ShellEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { shell_ = new ShellWindow(); }
    void TearDown() override { delete shell_; }

private:
    ShellWindow* shell_ = nullptr;
};
::testing::Environment* const shellEnvironment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

TEST(VmrPhoneBookLayout, IsTheSizeHostsAllocate)
{
    EXPECT_EQ(2664u, sizeof(VmrPhoneBook));
    EXPECT_EQ(2144u, sizeof(VmrEntryRecord));
}

TEST(VmrPhoneBookDefaults, NewObjectHoldsAResetRecord)
{
    VmrPhoneBook book;
    unsigned char* bytes = Bytes(book);
    EXPECT_EQ(0, memcmp(bytes + kRecord, "vmr", 3));
    EXPECT_EQ(41, bytes[kRecord + 3] | bytes[kRecord + 4] << 8);
    EXPECT_EQ(1u, U32At(book, 0x005));    // UseCountryCodeAndAreaCode
    EXPECT_EQ(1u, U32At(book, 0x2FD));    // StartupUtility slot 0
    EXPECT_EQ(1u, U32At(book, 0x33D));    // DisplayConnectDialog
    EXPECT_EQ(0u, U32At(book, 0x547));    // UseInternet field itself
    EXPECT_EQ(1, bytes[kRecord + 0x343] | bytes[kRecord + 0x344] << 8);   // DeviceType
    EXPECT_EQ('\0', bytes[kEntryName]);
    EXPECT_EQ(0u, *reinterpret_cast<unsigned int*>(bytes + kEstablish));

    // Everything else of the record is zero.
    const size_t set[][2] = {{0, 5}, {0x005, 4}, {0x2FD, 4}, {0x33D, 4}, {0x343, 2}};
    for (size_t i = 5; i < 2144; ++i) {
        bool isDefault = false;
        for (const auto& field : set)
            isDefault |= i >= field[0] && i < field[0] + field[1];
        if (!isDefault) {
            ASSERT_EQ(0, bytes[kRecord + i]) << "record byte " << i;
        }
    }

    EXPECT_EQ(1, book.UseCountryCodeAndAreaCode());
    EXPECT_EQ(1, book.GetDisplayConnectDialog());
    EXPECT_EQ(1, book.GetDeviceType());
    EXPECT_EQ(0, book.GetConnectTimeout());
    EXPECT_EQ(1, book.UseInternet());   // reported although the field is 0
    EXPECT_EQ(1, book.IsStartupUtility(0));
}

TEST(VmrPhoneBookAccessors, DeviceTypeTakesOnlyTheTypesAHostMayChoose)
{
    VmrPhoneBook book;
    book.SetDeviceType(5);
    EXPECT_EQ(5, book.GetDeviceType());
    for (unsigned short rejected : {0, 2, 6, 100}) {
        book.SetDeviceType(rejected);
        EXPECT_EQ(5, book.GetDeviceType()) << rejected;
    }
    book.SetDeviceType(3);
    EXPECT_EQ(3, book.GetDeviceType());
}

TEST(VmrPhoneBookAccessors, FlagsAreStoredAsGivenOrForced)
{
    VmrPhoneBook book;
    book.SetUseInternet(0);
    EXPECT_EQ(1u, U32At(book, 0x547));
    book.SetDisplayConnectDialog(7);
    EXPECT_EQ(7, book.GetDisplayConnectDialog());
    EXPECT_EQ(1, book.SetPassword(const_cast<char*>("secret")));

    // The two flags apart: each getter reads its own field.
    book.SetDisplayConnectDialog(0);
    EXPECT_EQ(0u, U32At(book, 0x33D));
    EXPECT_EQ(1, book.UseCountryCodeAndAreaCode());
    unsigned int notUsed = 0;
    memcpy(Bytes(book) + kRecord + 0x005, &notUsed, 4);
    book.SetDisplayConnectDialog(1);
    EXPECT_EQ(0, book.UseCountryCodeAndAreaCode());
    EXPECT_EQ(1, book.GetDisplayConnectDialog());
}

// The DOS devices no verb may open, and names that only resemble one: given
// as a name and as the last part of a full path (either separator).
TEST(VmrPhoneBookDeviceNames, DevicesAreRefusedAndLookAlikesAreEntries)
{
    TempDir dir{"object-devices"};
    VmrPhoneBook book;
    book.SetPath(const_cast<char*>(dir.path().c_str()));
    const struct {
        const char* name;
        int written;
    } cases[] = {
        {"CON", 0},  {"prn", 0},   {"aux", 0},  {"Nul", 0},   {"COM1", 0},  {"com9", 0},    {"LPT1", 0},
        {"lpt9", 0}, {"CON.vmr", 0}, {"nul .txt", 0}, {"AUX  ", 0}, {"COM0", 1}, {"COM10", 1}, {"LPT0", 1},
        {"CONX", 1}, {"NULL", 1},  {"AUX1", 1}, {"x.CON", 1}, {"PR", 1},   {"_nul", 1},  {"COMA", 1},
    };
    std::string office = dir.file("office.vmr");
    ASSERT_EQ(1, book.WriteEntry(const_cast<char*>("office")));
    std::vector<std::string> files = {"office.vmr"};
    for (const auto& c : cases) {
        std::string name = c.name;
        if (c.written)
            files.push_back(name + ".vmr");
        EXPECT_EQ(c.written, book.WriteEntry(&name[0])) << c.name;
        for (const char* separator : {"\\", "/"}) {
            std::string path = dir.path() + separator + c.name;
            EXPECT_EQ(c.written, book.WriteEntry(&path[0])) << path;
            EXPECT_EQ(c.written, book.CopyEntry(&office[0], &path[0])) << path;
            EXPECT_EQ(c.written, book.IsValidEntry(&path[0])) << path;
            EXPECT_EQ(c.written, book.ReadEntry(&path[0])) << path;
            EXPECT_EQ(c.written, book.DeleteEntry(&path[0])) << path;
        }
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, FilesIn(dir.path()));
}

TEST(VmrPhoneBookAccessors, StartupUtilitySlotsEndAtNine)
{
    VmrPhoneBook book;
    unsigned int nine = 1;
    memcpy(Bytes(book) + kRecord + 0x2FD + 36, &nine, 4);
    unsigned int beyond = 1;   // the first reserved bytes after the slots
    memcpy(Bytes(book) + kRecord + 0x325, &beyond, 4);
    EXPECT_EQ(1, book.IsStartupUtility(9));
    EXPECT_EQ(0, book.IsStartupUtility(10));
    EXPECT_EQ(0, book.IsStartupUtility(65535));
}

TEST(VmrPhoneBookAccessors, GettersCutToTheCallersBuffer)
{
    VmrPhoneBook book;
    book.SetConnectPhoneNumber(const_cast<char*>("555123"));
    char small[4];
    memset(small, 'x', sizeof(small));
    book.GetConnectPhoneNumber(small, sizeof(small));
    EXPECT_STREQ("555", small);

    char untouched[4] = {'x', 'x', 'x', 'x'};
    book.GetConnectPhoneNumber(untouched, 0);
    EXPECT_EQ(0, memcmp(untouched, "xxxx", 4));
    book.GetConnectPhoneNumber(NULL, 10);   // must not crash
}

TEST(VmrPhoneBookAccessors, TextSettersNeverWritePastTheirField)
{
    VmrPhoneBook book;
    std::string longText(300, 'w');
    book.SetConnectWorkstationName(const_cast<char*>(longText.c_str()));   // 32 bytes
    char text[64];
    book.GetConnectWorkstationName(text, sizeof(text));
    EXPECT_EQ(std::string(31, 'w'), text);
    EXPECT_EQ(0, Bytes(book)[kRecord + 0x087]);   // LoginName, next field, untouched

    book.SetPassword(const_cast<char*>("0123456789abcdefghij"));   // 18 bytes
    book.GetPassword(text, sizeof(text));
    EXPECT_STREQ("0123456789abcdefg", text);
    EXPECT_EQ(0, Bytes(book)[kRecord + 0x0F9]);   // TapiLineName untouched
}

TEST(VmrPhoneBookAccessors, LocatorServerKeeps511BytesAndZeros)
{
    VmrPhoneBook book;
    std::string longText(600, 's');
    book.SetInternetLocatorServer(const_cast<char*>(longText.c_str()));
    const unsigned char* field = Bytes(book) + kRecord + 0x54B;
    for (int i = 0; i < 511; ++i)
        ASSERT_EQ('s', field[i]) << i;
    EXPECT_EQ(0, field[511]);
    EXPECT_EQ(0u, U32At(book, 0x547)) << "only the dialogs turn UseInternet on with the locator";
}

TEST(VmrPhoneBookAccessors, ShorterValuesClearTheWholeField)
{
    VmrPhoneBook book;
    std::string longText(300, 'a');
    book.SetAdapterName(const_cast<char*>(longText.c_str()));
    const unsigned char* field = Bytes(book) + kRecord + 0x74B;
    EXPECT_EQ('a', field[254]);
    EXPECT_EQ(0, field[255]);
    book.SetAdapterName(const_cast<char*>("eth"));
    for (int i = 3; i < 256; ++i)
        ASSERT_EQ(0, field[i]) << i;
}

TEST(VmrPhoneBookAccessors, LeadByteIsNotLeftAtTheEndOfAField)
{
    int previous = _getmbcp();
    ASSERT_EQ(0, _setmbcp(932));
    VmrPhoneBook book;
    std::string text(510, 'n');
    text += "\x82\xa0";   // a double-byte character across the 511-byte limit
    book.SetInternetLocatorServer(const_cast<char*>(text.c_str()));
    char out[600];
    book.GetInternetLocatorServer(out, sizeof(out));
    EXPECT_EQ(std::string(510, 'n'), out);
    _setmbcp(previous);
}

TEST(VmrPhoneBookCopy, CopiesTheWholeObject)
{
    VmrPhoneBook source;
    source.SetPath(const_cast<char*>("C:\\copied"));
    source.SetLoginName(const_cast<char*>("alice"));
    strcpy(reinterpret_cast<char*>(Bytes(source) + kEntryName), "Office.vmr");
    unsigned int establish = 1;
    memcpy(Bytes(source) + kEstablish, &establish, 4);

    VmrPhoneBook target;
    VmrPhoneBook& result = (target = source);
    EXPECT_EQ(&target, &result);
    EXPECT_EQ(0, memcmp(&source, &target, sizeof(VmrPhoneBook)));
    EXPECT_STREQ("C:\\copied\\", PathOf(target));

    target = target;   // self-assignment leaves it intact
    EXPECT_EQ(0, memcmp(&source, &target, sizeof(VmrPhoneBook)));
}

TEST(VmrPhoneBookPath, SetPathAppendsOneBackslash)
{
    VmrPhoneBook book;
    book.SetPath(const_cast<char*>("C:\\pb"));
    EXPECT_STREQ("C:\\pb\\", PathOf(book));
    book.SetPath(const_cast<char*>("C:\\pb\\"));
    EXPECT_STREQ("C:\\pb\\", PathOf(book));
    book.SetPath(const_cast<char*>(""));
    EXPECT_STREQ("\\", PathOf(book));
}

TEST(VmrPhoneBookPath, SetPathLeavesTheRecordAlone)
{
    VmrPhoneBook book;
    book.SetLoginName(const_cast<char*>("bob"));
    book.SetPath(const_cast<char*>("D:\\other"));
    char login[16];
    book.GetLoginName(login, sizeof(login));
    EXPECT_STREQ("bob", login);
}

TEST(VmrPhoneBookPath, TrailByteBackslashGetsASeparator)
{
    int previous = _getmbcp();
    ASSERT_EQ(0, _setmbcp(932));
    VmrPhoneBook book;
    book.SetPath(const_cast<char*>("C:\\\x81\x5c"));
    EXPECT_STREQ("C:\\\x81\x5c\\", PathOf(book));
    _setmbcp(previous);
}

// A directory that cannot carry its backslash within 260 bytes is not cut
// (a cut path names another directory): the phone book is left without a
// directory, so that nothing is written anywhere the host did not ask for.
TEST(VmrPhoneBookPath, TooLongForABackslashLeavesNoDirectory)
{
    VmrPhoneBook book;
    std::string fits = "C:\\" + std::string(255, 'd');   // 258 bytes + backslash = 259
    book.SetPath(const_cast<char*>(fits.c_str()));
    EXPECT_EQ(fits + "\\", PathOf(book));

    std::string tooLong = "C:\\" + std::string(256, 'd');   // 259 bytes, no room for the backslash
    book.SetPath(const_cast<char*>(tooLong.c_str()));
    EXPECT_STREQ("", PathOf(book));
    std::string full = "C:\\" + std::string(400, 'd') + "\\";
    book.SetPath(const_cast<char*>(full.c_str()));
    EXPECT_STREQ("", PathOf(book));
    EXPECT_EQ(0, memcmp(Bytes(book) + kRecord, "vmr", 3)) << "the record after the path is intact";
}

// The user and domain the shell's owner (this process) has, as the library
// looks them up: a domain name longer than 15 characters cannot be found.
bool OwnAccount(std::string* user, std::string* domain)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    BYTE info[1024];
    DWORD returned;
    BOOL ok = GetTokenInformation(token, TokenUser, info, sizeof(info), &returned);
    CloseHandle(token);
    if (!ok)
        return false;
    char userName[257], domainName[16];
    DWORD userChars = sizeof(userName), domainChars = sizeof(domainName);
    SID_NAME_USE use;
    if (!LookupAccountSidA(NULL, reinterpret_cast<TOKEN_USER*>(info)->User.Sid, userName, &userChars,
                           domainName, &domainChars, &use))
        return false;
    *user = userName;
    *domain = domainName;
    return true;
}

bool IsDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(VmrPhoneBookPath, ConstructorUsesTheShellUsersDirectory)
{
    std::string users = ProgramDirectory() + "\\users";
    std::string user, domain;
    std::string expected = users + "\\";
    if (OwnAccount(&user, &domain))
        expected = users + "\\" + domain + "\\" + user + "\\";

    VmrPhoneBook book;
    EXPECT_EQ(expected, PathOf(book));
    EXPECT_TRUE(IsDirectory(users));
    EXPECT_TRUE(IsDirectory(expected));

    // The constructor leaves the thread with its own identity.
    HANDLE token;
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_TOKEN), GetLastError());
}

int PHONEBK_CALLBACK CountEntry(char*, long value)
{
    ++*reinterpret_cast<int*>(value);
    return 1;
}

// "--child StoreOnThisSystem DIR": the constructor's directory, then every
// verb of the store once on the entry "one" that the parent wrote in DIR, as
// "path|read copy rename delete names|write".
TEST_CHILD(StoreOnThisSystem)
{
    VmrPhoneBook book;
    printf("%s|", PathOf(book));
    book.SetPath(const_cast<char*>(arg));
    // The three file verbs take file names (with the extension), the targets
    // full paths.
    std::string dir = std::string(arg) + "\\";
    std::string twoPath = dir + "two.vmr", threePath = dir + "three.vmr";
    char one[] = "one", oneFile[] = "one.vmr", twoFile[] = "two.vmr", four[] = "four";
    char read[40] = "";
    int found = book.ReadEntry(one);
    book.GetConnectPhoneNumber(read, sizeof(read));
    int copied = book.CopyEntry(oneFile, &twoPath[0]);
    int renamed = book.RenameEntry(twoFile, &threePath[0]);
    int deleted = book.DeleteEntry(oneFile);
    int names = 0;
    book.EnumEntryNames(CountEntry, reinterpret_cast<long>(&names));
    printf("%d %d %d %d %d|%d", found && strcmp(read, "0123 456") == 0, copied, renamed, deleted, names,
           book.WriteEntry(four));
    return 0;
}

// The store on the systems the library names: Windows 95 and 98 share the
// users directory, Windows NT has the user's own below it; the verbs work the
// same on each.
TEST(VmrPhoneBookPath, EachSystemItsDirectoryAndTheVerbs)
{
    std::string users = ProgramDirectory() + "\\users\\";
    std::string user, domain;
    ASSERT_TRUE(OwnAccount(&user, &domain));
    // On Windows 9x the write takes the path without MoveFileExA (which is
    // chosen by the platform the process reports, Wine's version included).
    const struct {
        const char* version;
        std::string directory;
    } systems[] = {
        {"win95", users},
        {"win98", users},
        {"nt351", users + domain + "\\" + user + "\\"},
    };
    for (const auto& system : systems) {
        SCOPED_TRACE(system.version);
        TempDir store("store-on-system");
        VmrPhoneBook writer;
        writer.SetPath(const_cast<char*>(store.path().c_str()));
        char one[] = "one", number[] = "0123 456";
        writer.SetConnectPhoneNumber(number);
        ASSERT_EQ(1, writer.WriteEntry(one));
        std::string output;
        ASSERT_EQ(0u, RunChildUnderVersion(system.version, "StoreOnThisSystem", store.path(), &output));
        EXPECT_EQ(system.directory + "|1 1 1 1 1|1", output);
    }
}

}  // namespace
