// The settings file: where it is found, reading with defaults and within the
// caller's buffer, the boolean words, writing with its flush, and the TAPI
// switch that is read once per process.
//
// The folder of the test programs is shared with other test programs that may
// keep a VMR32.INI there too, so every case here that needs a local copy works
// in a folder of its own: platform.dll is copied there and loaded from it, or
// a copy of this program is run from it.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "Settings.h"
#include "TestSupport.h"

// The import slot through which this program (and the library's code linked
// into it) calls WritePrivateProfileStringA.
extern "C" decltype(&WritePrivateProfileStringA) ImportedWritePrivateProfileString
    __asm__("__imp__WritePrivateProfileStringA@16");

namespace {

const char kLocalName[] = "VMR32.INI";

std::string PlatformModuleBuilt()
{
    return ProgramDirectory() + "\\platform_module\\platform.dll";
}

// platform.dll copied into a folder and loaded from there for the life of the
// object.
class PlatformModule
{
public:
    explicit PlatformModule(const std::string& folder) : module_(NULL)
    {
        std::string copy = folder + "\\platform.dll";
        if (GetFileAttributesA(copy.c_str()) == INVALID_FILE_ATTRIBUTES)
            CopyFileA(PlatformModuleBuilt().c_str(), copy.c_str(), FALSE);
        module_ = LoadLibraryA(copy.c_str());
    }
    ~PlatformModule() { unload(); }
    PlatformModule(const PlatformModule&) = delete;
    PlatformModule& operator=(const PlatformModule&) = delete;

    bool loaded() const { return module_ != NULL; }
    void unload()
    {
        if (module_ != NULL)
            FreeLibrary(module_);
        module_ = NULL;
    }

private:
    HMODULE module_;
};

std::string Located()
{
    char path[MAX_PATH];
    memset(path, 0, sizeof(path));
    if (!LocateSettingsFile(path))
        return "<not located>";
    return path;
}

bool WriteText(const std::string& path, const std::string& text)
{
    return WriteFileBytes(path, text.data(), text.size());
}

// A value as the profile functions see it in the file at path, or "<absent>".
std::string ProfileValue(const std::string& path, const char* section, const char* key)
{
    char value[1024];
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof(value), path.c_str());
    return value;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SharedCopyPath()
{
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    return std::string(windows, length) + "\\VMR32.INI";
}

// The shared copy in the Windows directory belongs to the whole test prefix:
// this puts back what a test changed there. Keys are removed, InstallType gets
// its old value back, and a file that this test created goes when nothing else
// was written to it meanwhile.
class SharedCopyRestorer
{
public:
    SharedCopyRestorer() : path_(SharedCopyPath()), existed_(FileExists(path_))
    {
        installType_ = ProfileValue(path_, kSettingsSection, "InstallType");
    }
    ~SharedCopyRestorer()
    {
        for (const std::string& key : keys_)
            WritePrivateProfileStringA(kSettingsSection, key.c_str(), NULL, path_.c_str());
        WritePrivateProfileStringA(kSettingsSection, "InstallType",
                                   installType_ == "<absent>" ? NULL : installType_.c_str(),
                                   path_.c_str());
        WritePrivateProfileStringA(NULL, NULL, NULL, path_.c_str());
        if (!existed_ && NothingElseInside())
            DeleteFileA(path_.c_str());
    }
    SharedCopyRestorer(const SharedCopyRestorer&) = delete;
    SharedCopyRestorer& operator=(const SharedCopyRestorer&) = delete;

    const std::string& path() const { return path_; }
    void removeLater(const std::string& key) { keys_.push_back(key); }

private:
    bool NothingElseInside() const
    {
        char names[256];
        DWORD length = GetPrivateProfileSectionNamesA(names, sizeof(names), path_.c_str());
        if (length == 0)
            return true;
        char keys[256];
        return strcmp(names, kSettingsSection) == 0 && names[strlen(names) + 1] == '\0' &&
               GetPrivateProfileSectionA(kSettingsSection, keys, sizeof(keys), path_.c_str()) == 0;
    }

    std::string path_;
    bool existed_;
    std::string installType_;
    std::vector<std::string> keys_;
};

// A key name no other program of this run uses.
std::string UniqueKey(const char* tag)
{
    return std::string("SettingsTest") + tag + std::to_string(GetCurrentProcessId());
}

// Runs a copy of this program from folder (so that its own folder is that
// one) as "--child NAME ARG". Returns the exit code; standard output goes to
// output.
DWORD RunCopyIn(const std::string& folder, const char* name, const std::string& arg,
                std::string* output)
{
    std::string copy = folder + "\\settings_host.exe";
    if (!CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE))
        return 254;

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return 253;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string commandLine = "\"" + copy + "\" --child " + name + " \"" + arg + "\"";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                                  &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return 252;
    }
    char chunk[512];
    DWORD got;
    while (ReadFile(readEnd, chunk, sizeof(chunk), &got, NULL) && got > 0)
        output->append(chunk, got);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 251;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileA(copy.c_str());
    return exitCode;
}

// ---------------------------------------------------------------------------
// Where the file is

TEST_CHILD(LocateFromOwnFolder)
{
    (void)arg;
    if (GetModuleHandleA("platform") != NULL)
        return 3;
    char path[MAX_PATH];
    if (!LocateSettingsFile(path))
        return 2;
    fputs(path, stdout);
    return WriteSettingString(kSettingsSection, "WrittenBy", "host copy") ? 0 : 1;
}

TEST(SettingsLocation, BesideTheHostWithoutAPlatformModule)
{
    TempDir folder("settings-host");
    std::string output;
    EXPECT_EQ(0u, RunCopyIn(folder.path(), "LocateFromOwnFolder", "", &output));
    EXPECT_STRCASEEQ(folder.file(kLocalName).c_str(), output.c_str());
    EXPECT_EQ("host copy", ProfileValue(folder.file(kLocalName), kSettingsSection, "WrittenBy"));
}

TEST(SettingsLocation, FollowsAPlatformModuleLoadedFromAnotherFolder)
{
    ASSERT_EQ(nullptr, GetModuleHandleA("platform"));
    TempDir folder("settings-platform");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());

    EXPECT_STRCASEEQ(folder.file(kLocalName).c_str(), Located().c_str());
    std::string key = UniqueKey("Follow");
    EXPECT_NE(FALSE, WriteSettingString(kSettingsSection, key.c_str(), "beside platform"));
    EXPECT_EQ("beside platform", ProfileValue(folder.file(kLocalName), kSettingsSection,
                                              key.c_str()));

    // Located again at every access: once the module is gone, so is its folder.
    platform.unload();
    ASSERT_EQ(nullptr, GetModuleHandleA("platform"));
    std::string after = Located();
    EXPECT_STRCASENE(folder.file(kLocalName).c_str(), after.c_str());
    EXPECT_NE("<not located>", after);
}

TEST(SettingsLocation, SharedInstallTypeInAnyCaseSelectsTheSharedCopy)
{
    SharedCopyRestorer shared;
    TempDir folder("settings-shared");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());

    const char* const spellings[] = {"Shared", "SHARED", "shared", "sHaReD"};
    for (const char* spelling : spellings) {
        SCOPED_TRACE(spelling);
        ASSERT_TRUE(WriteText(folder.file(kLocalName),
                              std::string("[Velmora]\r\nInstallType=") + spelling + "\r\n"));
        EXPECT_EQ("VMR32.INI", Located());
    }

    // Reads and writes go to the copy in the Windows directory, not the local one.
    std::string key = UniqueKey("Shared");
    shared.removeLater(key);
    EXPECT_NE(FALSE, WriteSettingString(kSettingsSection, key.c_str(), "in the shared copy"));
    EXPECT_EQ("in the shared copy", ProfileValue(shared.path(), kSettingsSection, key.c_str()));
    EXPECT_EQ("<absent>", ProfileValue(folder.file(kLocalName), kSettingsSection, key.c_str()));
    char value[64];
    EXPECT_EQ(18u, ReadSettingString(kSettingsSection, key.c_str(), "", value, sizeof(value)));
    EXPECT_STREQ("in the shared copy", value);
}

TEST(SettingsLocation, AnyOtherInstallTypeKeepsTheLocalCopy)
{
    TempDir folder("settings-local");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());
    std::string local = folder.file(kLocalName);

    EXPECT_STRCASEEQ(local.c_str(), Located().c_str()) << "no file";

    const char* const files[] = {
        "[Velmora]\r\nOther=1\r\n",
        "[Velmora]\r\nInstallType=\r\n",
        "[Velmora]\r\nInstallType=Local\r\n",
        "[Velmora]\r\nInstallType=Share\r\n",
        "[Velmora]\r\nInstallType=Shared2\r\n",
        "[Velmora]\r\nInstallType=Shared copy\r\n",
        "[Other]\r\nInstallType=Shared\r\n",
    };
    for (const char* text : files) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(WriteText(local, text));
        EXPECT_STRCASEEQ(local.c_str(), Located().c_str());
    }
}

TEST(SettingsLocation, InstallTypeInTheSharedCopyIsNeverRead)
{
    SharedCopyRestorer shared;
    ASSERT_NE(FALSE, WritePrivateProfileStringA(kSettingsSection, "InstallType", "Shared",
                                                shared.path().c_str()));
    TempDir folder("settings-sharedself");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());

    EXPECT_STRCASEEQ(folder.file(kLocalName).c_str(), Located().c_str());
}

// ---------------------------------------------------------------------------
// Reading strings

TEST(SettingsRead, ValuesAndDefaults)
{
    TempDir folder("settings-read");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());

    char value[64];
    EXPECT_EQ(8u, ReadSettingString(kSettingsSection, "Key", "no file!", value, sizeof(value)));
    EXPECT_STREQ("no file!", value);

    ASSERT_TRUE(WriteText(folder.file(kLocalName), "[Velmora]\r\nKey=from the file\r\n"));
    EXPECT_EQ(13u, ReadSettingString(kSettingsSection, "Key", "default", value, sizeof(value)));
    EXPECT_STREQ("from the file", value);
    EXPECT_EQ(7u, ReadSettingString(kSettingsSection, "Other", "default", value, sizeof(value)));
    EXPECT_STREQ("default", value);
    EXPECT_EQ(7u, ReadSettingString("Elsewhere", "Key", "default", value, sizeof(value)));
    EXPECT_STREQ("default", value);
}

TEST(SettingsRead, AHandEditedLongValueStaysWithinTheCallersBuffer)
{
    TempDir folder("settings-long");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());
    std::string longValue;
    for (int i = 0; i < 400; ++i)
        longValue += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(WriteText(folder.file(kLocalName), "[Velmora]\r\nLong=" + longValue + "\r\n"));

    const unsigned char kGuard = 0xA5;
    unsigned char block[48];
    memset(block, kGuard, sizeof(block));
    char* buffer = reinterpret_cast<char*>(block + 16);
    EXPECT_EQ(15u, ReadSettingString(kSettingsSection, "Long", "", buffer, 16));
    EXPECT_EQ(longValue.substr(0, 15), std::string(buffer));
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(kGuard, block[i]) << "before the buffer, byte " << i;
    for (size_t i = 32; i < sizeof(block); ++i)
        EXPECT_EQ(kGuard, block[i]) << "after the buffer, byte " << i;

    // A one-byte buffer holds the terminator only; no buffer is not written.
    memset(block, kGuard, sizeof(block));
    EXPECT_EQ(0u, ReadSettingString(kSettingsSection, "Long", "", buffer, 1));
    EXPECT_EQ('\0', buffer[0]);
    EXPECT_EQ(kGuard, block[17]);
    memset(block, kGuard, sizeof(block));
    EXPECT_EQ(0u, ReadSettingString(kSettingsSection, "Long", "", buffer, 0));
    for (size_t i = 0; i < sizeof(block); ++i)
        EXPECT_EQ(kGuard, block[i]) << "size 0, byte " << i;
    EXPECT_EQ(0u, ReadSettingString(kSettingsSection, "Long", "", NULL, 16));

    // A caller with room gets the whole value: the library adds no limit of its own.
    std::vector<char> roomy(1024, 'x');
    EXPECT_EQ(400u, ReadSettingString(kSettingsSection, "Long", "", roomy.data(),
                                      static_cast<DWORD>(roomy.size())));
    EXPECT_EQ(longValue, std::string(roomy.data()));
}

// ---------------------------------------------------------------------------
// Boolean words

class SettingsBool : public testing::Test
{
protected:
    SettingsBool() : folder_("settings-bool"), platform_(folder_.path()) {}

    // Writes "[Velmora] Value=<value>" and reads it with either default.
    void Expect(const char* value, int withDefaultOn, int withDefaultOff)
    {
        SCOPED_TRACE(std::string("Value=") + value);
        ASSERT_TRUE(platform_.loaded());
        ASSERT_TRUE(WriteText(folder_.file(kLocalName),
                              std::string("[Velmora]\r\nValue=") + value + "\r\n"));
        EXPECT_EQ(withDefaultOn, ReadSettingBool(kSettingsSection, "Value", 1));
        EXPECT_EQ(withDefaultOff, ReadSettingBool(kSettingsSection, "Value", 0));
    }

    TempDir folder_;
    PlatformModule platform_;
};

TEST_F(SettingsBool, TrueWordsInAnyCase)
{
    const char* const words[] = {"On", "on", "ON", "oN", "True", "TRUE", "tRuE",
                                 "Yes", "yes", "YES"};
    for (const char* word : words)
        Expect(word, 1, 1);
}

TEST_F(SettingsBool, FalseWordsInAnyCase)
{
    const char* const words[] = {"Off", "off", "OFF", "oFf", "False", "false", "FALSE",
                                 "No", "no", "NO", "nO"};
    for (const char* word : words)
        Expect(word, 0, 0);
}

TEST_F(SettingsBool, AnythingElseGivesTheDefault)
{
    const char* const others[] = {"0", "1", "-1", "", "O", "Of", "Onn", "On!", "Yes please",
                                  "No way", "Not", "T", "Y", "N", "Truee", "Offline",
                                  "YesYesYesYesYesYesYes"};
    for (const char* other : others)
        Expect(other, 1, 0);
}

TEST_F(SettingsBool, AnAbsentKeyOrFileGivesTheDefault)
{
    ASSERT_TRUE(platform_.loaded());
    EXPECT_EQ(1, ReadSettingBool(kSettingsSection, "Value", 1));
    EXPECT_EQ(0, ReadSettingBool(kSettingsSection, "Value", 0));
    EXPECT_EQ(1, ReadSettingBool(kSettingsSection, "Value", 7)) << "any non-zero default is On";

    ASSERT_TRUE(WriteText(folder_.file(kLocalName),
                          "[Velmora]\r\nOther=Off\r\n[Else]\r\nValue=Off\r\n"));
    EXPECT_EQ(1, ReadSettingBool(kSettingsSection, "Value", 1));
    EXPECT_EQ(0, ReadSettingBool(kSettingsSection, "Value", 0));
}

// ---------------------------------------------------------------------------
// Writing

// Records every WritePrivateProfileStringA call made through this program's
// import slot, passing each on. failWrites makes a value write answer FALSE
// after it was made, as a full disk would, and the flush answer TRUE, as it
// does on Windows.
struct ProfileWrite {
    bool nullSection, nullKey, nullValue;
    std::string key, value, path;
};
std::vector<ProfileWrite> recordedWrites;
decltype(&WritePrivateProfileStringA) realWritePrivateProfileString = NULL;
bool failWrites = false;

BOOL WINAPI RecordProfileWrite(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path)
{
    ProfileWrite call = {section == NULL, key == NULL, value == NULL, key ? key : "",
                         value ? value : "", path ? path : ""};
    recordedWrites.push_back(call);
    BOOL result = realWritePrivateProfileString(section, key, value, path);
    if (failWrites)
        return section == NULL ? TRUE : FALSE;
    return result;
}

class ProfileWriteRecorder
{
public:
    ProfileWriteRecorder()
    {
        recordedWrites.clear();
        failWrites = false;
        realWritePrivateProfileString = ImportedWritePrivateProfileString;
        Swap(RecordProfileWrite);
    }
    ~ProfileWriteRecorder() { Swap(realWritePrivateProfileString); }
    ProfileWriteRecorder(const ProfileWriteRecorder&) = delete;
    ProfileWriteRecorder& operator=(const ProfileWriteRecorder&) = delete;

private:
    static void Swap(decltype(&WritePrivateProfileStringA) target)
    {
        DWORD oldProtection;
        VirtualProtect(&ImportedWritePrivateProfileString, sizeof(void*), PAGE_READWRITE,
                       &oldProtection);
        ImportedWritePrivateProfileString = target;
        VirtualProtect(&ImportedWritePrivateProfileString, sizeof(void*), oldProtection,
                       &oldProtection);
    }
};

TEST(SettingsWrite, EveryWriteIsFlushedToTheSameFile)
{
    TempDir folder("settings-flush");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());

    BOOL result;
    {
        ProfileWriteRecorder recorder;
        result = WriteSettingString(kSettingsSection, "Recorded", "value");
    }
    // Wine answers FALSE to the flush itself: the answer must be the write's.
    EXPECT_NE(FALSE, result);
    ASSERT_EQ(2u, recordedWrites.size());
    EXPECT_FALSE(recordedWrites[0].nullSection);
    EXPECT_EQ("Recorded", recordedWrites[0].key);
    EXPECT_EQ("value", recordedWrites[0].value);
    EXPECT_STRCASEEQ(folder.file(kLocalName).c_str(), recordedWrites[0].path.c_str());
    EXPECT_TRUE(recordedWrites[1].nullSection);
    EXPECT_TRUE(recordedWrites[1].nullKey);
    EXPECT_TRUE(recordedWrites[1].nullValue);
    EXPECT_EQ(recordedWrites[0].path, recordedWrites[1].path);
}

TEST(SettingsWrite, AFailedWriteIsReportedThoughTheFlushWorks)
{
    TempDir folder("settings-fail");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());

    BOOL result;
    {
        ProfileWriteRecorder recorder;
        failWrites = true;
        result = WriteSettingString(kSettingsSection, "Refused", "value");
    }
    EXPECT_EQ(FALSE, result);
    EXPECT_EQ(2u, recordedWrites.size()) << "the flush is made all the same";
}

TEST_CHILD(ReadBesidePlatform)
{
    PlatformModule platform(arg);
    if (!platform.loaded())
        return 2;
    char value[64];
    ReadSettingString(kSettingsSection, "Handed", "<absent>", value, sizeof(value));
    fputs(value, stdout);
    return 0;
}

TEST(SettingsWrite, AnotherProcessSeesTheValueAtOnce)
{
    TempDir folder("settings-other");
    PlatformModule platform(folder.path());
    ASSERT_TRUE(platform.loaded());

    const char* const values[] = {"first", "second"};
    for (const char* value : values) {
        ASSERT_NE(FALSE, WriteSettingString(kSettingsSection, "Handed", value));
        std::string output;
        EXPECT_EQ(0u, RunChildUnderVersion("win7", "ReadBesidePlatform", folder.path(), &output));
        EXPECT_EQ(value, output);
    }
}

// ---------------------------------------------------------------------------
// The TAPI switch

// Prints the switch, then the switch after the file says the opposite, then
// the file's value read afresh.
TEST_CHILD(TapiSwitchTwice)
{
    PlatformModule platform(arg);
    if (!platform.loaded())
        return 2;
    int first = IsTapiAllowed();
    if (!WriteSettingString(kSettingsSection, "AllowTAPI", first ? "Off" : "On"))
        return 3;
    int second = IsTapiAllowed();
    int fresh = ReadSettingBool(kSettingsSection, "AllowTAPI", 1);
    printf("%d%d%d", first, second, fresh);
    return 0;
}

TEST(TapiSwitch, ReadOncePerProcess)
{
    struct Case {
        const char* file;   // null: no settings file
        const char* expected;
    };
    const Case cases[] = {
        {NULL, "110"},
        {"[Velmora]\r\nOther=Off\r\n", "110"},
        {"[Velmora]\r\nAllowTAPI=Off\r\n", "001"},
        {"[Velmora]\r\nAllowTAPI=no\r\n", "001"},
        {"[Velmora]\r\nAllowTAPI=FALSE\r\n", "001"},
        {"[Velmora]\r\nAllowTAPI=0\r\n", "110"},
        {"[Velmora]\r\nAllowTAPI=Off now\r\n", "110"},
        {"[Velmora]\r\nAllowTAPI=yes\r\n", "110"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.file ? test.file : "no file");
        TempDir folder("settings-tapi");
        if (test.file != NULL) {
            ASSERT_TRUE(WriteText(folder.file(kLocalName), test.file));
        }
        std::string output;
        EXPECT_EQ(0u, RunChildUnderVersion("win7", "TapiSwitchTwice", folder.path(), &output));
        EXPECT_EQ(test.expected, output);
    }
}

}  // namespace
