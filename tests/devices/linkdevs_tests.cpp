// Linkdevs.dll and regstore.dll as the library sees them: linked through their
// import libraries, with the argument types of DeviceLibrary.h.
//
// Every test points LINKDEVS_DIR (or REGSTORE_DIR) at a folder of its own:
// bin/, where the DLLs live, is shared by every program of the run. The tests
// of the DLLs' own folder load renamed copies from a folder of their own.
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "DeviceLibrary.h"
#include "TestSupport.h"

namespace {

struct Reported {
    std::string name;
    WORD type;
    DWORD id;
    std::string adapter;

    bool operator==(const Reported& other) const
    {
        return name == other.name && type == other.type && id == other.id &&
               adapter == other.adapter;
    }
};

std::ostream& operator<<(std::ostream& out, const Reported& device)
{
    return out << "{\"" << device.name << "\", " << device.type << ", " << device.id << ", \""
               << device.adapter << "\"}";
}

// What the callback was given, and what it answers.
struct Collector {
    std::vector<Reported> devices;
    std::vector<DWORD> contexts;
    int answer = 1;
};

int CALLBACK Collect(LPCSTR name, WORD type, DWORD id, LPCSTR adapter, DWORD context)
{
    Collector* collector = reinterpret_cast<Collector*>(static_cast<UINT_PTR>(context));
    collector->devices.push_back({name, type, id, adapter});
    collector->contexts.push_back(context);
    return collector->answer;
}

std::vector<Reported> ListDevices()
{
    Collector collector;
    EnumDeviceNames(Collect, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&collector)));
    return collector.devices;
}

// Sets an environment variable for the life of the object.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name)
    {
        SetEnvironmentVariableA(name_, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, NULL); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
};

class LinkdevsFolder : public testing::Test
{
protected:
    LinkdevsFolder() : folder_("linkdevs"), variable_("LINKDEVS_DIR", folder_.path()) {}

    void WriteSettings(const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(folder_.file("LINKDEVS.INI"), text.data(), text.size()));
    }

    TempDir folder_;
    ScopedVariable variable_;
};

// ---------------------------------------------------------------------------
// The device list

typedef LinkdevsFolder Devices;

TEST_F(Devices, NoSettingsFileMeansNoDevices)
{
    EXPECT_TRUE(ListDevices().empty());
    EXPECT_EQ(0, GetDeviceTypeFromID(0));
    EXPECT_EQ(0, GetDeviceTypeFromID(100));
    EXPECT_EQ(0, IsCdTapiInstalled());
}

TEST_F(Devices, ListedInFileOrderWithTheirFields)
{
    // Neither alphabetical nor by id nor by key: the file's order counts.
    WriteSettings("[Devices]\r\n"
                  "Device3=Zeta Line|3|300|Zeta Network Card\r\n"
                  "Device1=Alpha Modem|1|0x10|Alpha 56K\r\n"
                  "Device2=Middle Link|5|7|\r\n"
                  "Other=Piped|2|4294967295|Adapter | with | bars\r\n");
    std::vector<Reported> expected = {{"Zeta Line", 3, 300, "Zeta Network Card"},
                                      {"Alpha Modem", 1, 16, "Alpha 56K"},
                                      {"Middle Link", 5, 7, ""},
                                      {"Piped", 2, 0xFFFFFFFFu, "Adapter | with | bars"}};
    EXPECT_EQ(expected, ListDevices());
}

TEST_F(Devices, ContextReachesEveryCall)
{
    WriteSettings("[Devices]\r\nA=One|1|1|x\r\nB=Two|2|2|y\r\n");
    Collector collector;
    DWORD context = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&collector));
    EnumDeviceNames(Collect, context);
    EXPECT_EQ(std::vector<DWORD>({context, context}), collector.contexts);
}

TEST_F(Devices, CallbackThatTakesNothingStillSeesEveryDevice)
{
    WriteSettings("[Devices]\r\nA=One|1|1|x\r\nB=Two|2|2|y\r\nC=Three|3|3|z\r\n");
    Collector collector;
    collector.answer = 0;
    EnumDeviceNames(Collect, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&collector)));
    EXPECT_EQ(3u, collector.devices.size());
}

TEST_F(Devices, MalformedLinesAreSkipped)
{
    WriteSettings("[Devices]\r\n"
                  "Good1=First|1|1|Adapter One\r\n"
                  "no equals sign|1|2|x\r\n"
                  "Short=Too|1|3\r\n"
                  "Shorter=Too\r\n"
                  "TypeZero=Zero|0|4|x\r\n"
                  "TypeSix=Six|6|5|x\r\n"
                  "TypeWord=Word|modem|6|x\r\n"
                  "TypeNegative=Negative|-1|7|x\r\n"
                  "TypeHuge=Huge|65537|8|x\r\n"
                  "IdLetters=Letters|1|12a|x\r\n"
                  "IdWraps=Wraps|1|4294967296|x\r\n"
                  "IdEmpty=Empty|1||x\r\n"
                  "IdSigned=Signed|1|-9|x\r\n"
                  "IdBareHex=BareHex|1|0x|x\r\n"
                  "NameEmpty=|1|9|x\r\n"
                  "NameBlank=   |1|10|x\r\n"
                  ";Commented=Comment|1|11|x\r\n"
                  "Good2=Second|4|12|Adapter Two\r\n");
    std::vector<Reported> expected = {{"First", 1, 1, "Adapter One"},
                                      {"Second", 4, 12, "Adapter Two"}};
    EXPECT_EQ(expected, ListDevices());
    for (DWORD id = 2; id <= 11; ++id)
        EXPECT_EQ(0, GetDeviceTypeFromID(id)) << "id " << id;
}

TEST_F(Devices, BlanksAroundFieldsDoNotCount)
{
    WriteSettings("[Devices]\r\nDevice1 =  Spaced Name \t| 2 |\t0x2A | Spaced Adapter  \r\n");
    std::vector<Reported> expected = {{"Spaced Name", 2, 42, "Spaced Adapter"}};
    EXPECT_EQ(expected, ListDevices());
}

TEST_F(Devices, LongNamesArePassedWhole)
{
    std::string name(400, 'N');
    std::string adapter(300, 'A');
    WriteSettings("[Devices]\r\nLong=" + name + "|1|77|" + adapter + "\r\n");
    std::vector<Reported> expected = {{name, 1, 77, adapter}};
    EXPECT_EQ(expected, ListDevices());
}

TEST_F(Devices, OnlyTheDevicesSectionLists)
{
    WriteSettings("[Settings]\r\nDevice1=Settings|1|1|x\r\n"
                  "[Devices]\r\nDevice1=Listed|2|2|y\r\n"
                  "[More]\r\nDevice1=More|3|3|z\r\n");
    std::vector<Reported> expected = {{"Listed", 2, 2, "y"}};
    EXPECT_EQ(expected, ListDevices());
}

TEST_F(Devices, FileIsReadAgainAtEveryCall)
{
    WriteSettings("[Devices]\r\nA=Before|1|1|x\r\n");
    ASSERT_EQ(1u, ListDevices().size());
    WriteSettings("[Devices]\r\nA=After|3|1|x\r\nB=Added|4|2|y\r\n");
    std::vector<Reported> expected = {{"After", 3, 1, "x"}, {"Added", 4, 2, "y"}};
    EXPECT_EQ(expected, ListDevices());
    EXPECT_EQ(3, GetDeviceTypeFromID(1));
}

TEST_F(Devices, FolderNameMayEndWithBackslash)
{
    WriteSettings("[Devices]\r\nA=Found|2|5|x\r\n");
    ScopedVariable withBackslash("LINKDEVS_DIR", folder_.path() + "\\");
    EXPECT_EQ(1u, ListDevices().size());
    EXPECT_EQ(2, GetDeviceTypeFromID(5));
}

// ---------------------------------------------------------------------------
// Device types and the install switch

typedef LinkdevsFolder DeviceTypes;

TEST_F(DeviceTypes, KnownIdsAnswerTheirTypeOthersZero)
{
    WriteSettings("[Devices]\r\n"
                  "A=One|1|100|x\r\nB=Two|2|0x200|x\r\nC=Three|3|0|x\r\n"
                  "D=Four|4|4294967295|x\r\nE=Five|5|555|x\r\n");
    EXPECT_EQ(1, GetDeviceTypeFromID(100));
    EXPECT_EQ(2, GetDeviceTypeFromID(0x200));
    EXPECT_EQ(3, GetDeviceTypeFromID(0));
    EXPECT_EQ(4, GetDeviceTypeFromID(0xFFFFFFFFu));
    EXPECT_EQ(5, GetDeviceTypeFromID(555));
    EXPECT_EQ(0, GetDeviceTypeFromID(101));
    EXPECT_EQ(0, GetDeviceTypeFromID(200));   // 0x200 is 512, not 200
}

TEST_F(DeviceTypes, SharedIdAnswersTheFirstDevice)
{
    WriteSettings("[Devices]\r\nA=First|4|9|x\r\nB=Second|2|9|y\r\n");
    EXPECT_EQ(4, GetDeviceTypeFromID(9));
}

TEST_F(DeviceTypes, IdOfMalformedLineIsUnknown)
{
    WriteSettings("[Devices]\r\nA=Bad|9|33|x\r\nB=Good|2|34|y\r\n");
    EXPECT_EQ(0, GetDeviceTypeFromID(33));
    EXPECT_EQ(2, GetDeviceTypeFromID(34));
}

TEST_F(DeviceTypes, CdTapiInstalledComesFromSettings)
{
    WriteSettings("[Devices]\r\nA=One|1|1|x\r\n");
    EXPECT_EQ(0, IsCdTapiInstalled());
    WriteSettings("[Settings]\r\nCdTapiInstalled=1\r\n");
    EXPECT_EQ(1, IsCdTapiInstalled());
    WriteSettings("[Settings]\r\nCdTapiInstalled=0\r\n");
    EXPECT_EQ(0, IsCdTapiInstalled());
    WriteSettings("[Devices]\r\nCdTapiInstalled=1\r\n");
    EXPECT_EQ(0, IsCdTapiInstalled());
}

// ---------------------------------------------------------------------------
// The ILS server list

class IlsList : public LinkdevsFolder
{
protected:
    // The list as ILSGetList delivers it, asking for the size first as the
    // library does; empty when either call fails.
    std::string Get()
    {
        DWORD size = 0;
        if (!ILSGetList(NULL, &size))
            return std::string();
        std::string list(size, '\x7F');
        DWORD given = size;
        if (!ILSGetList(&list[0], &given))
            return std::string();
        EXPECT_EQ(size, given);
        return list;
    }

    std::string StoredBytes()
    {
        std::vector<unsigned char> bytes = ReadFileBytes(folder_.file("LINKDEVS.ILS"));
        return std::string(bytes.begin(), bytes.end());
    }

    void Store(const std::string& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(folder_.file("LINKDEVS.ILS"), bytes.data(), bytes.size()));
    }
};

const std::string kEmptyList("\0\0", 2);

TEST_F(IlsList, NoFileIsAnEmptyListOfTwoBytes)
{
    DWORD size = 12345;
    EXPECT_TRUE(ILSGetList(NULL, &size));
    EXPECT_EQ(2u, size);
    char buffer[2] = {'x', 'x'};
    size = sizeof(buffer);
    EXPECT_TRUE(ILSGetList(buffer, &size));
    EXPECT_EQ(kEmptyList, std::string(buffer, 2));
}

TEST_F(IlsList, PutThenGetGivesTheSameBytes)
{
    const std::string list("ils.one.example\0ils.two.example\0\0", 33);
    ILSPutList(list.data());
    EXPECT_EQ(list, Get());
    EXPECT_EQ(list, StoredBytes());
}

TEST_F(IlsList, PutReplacesTheList)
{
    ILSPutList(std::string("first\0second\0\0", 14).data());
    const std::string replacement("third\0\0", 7);
    ILSPutList(replacement.data());
    EXPECT_EQ(replacement, Get());
}

TEST_F(IlsList, PutEmptyEmptiesTheList)
{
    ILSPutList(std::string("server\0\0", 8).data());
    // Only the first byte says the list is empty; what follows is not looked at.
    ILSPutList(std::string("\0junk\0\0", 7).data());
    EXPECT_EQ(kEmptyList, Get());
    EXPECT_EQ(kEmptyList, StoredBytes());
    ILSPutList(std::string("server\0\0", 8).data());
    ILSPutList(NULL);
    EXPECT_EQ(kEmptyList, Get());
}

TEST_F(IlsList, AddAppendsAtTheEnd)
{
    ILSAddEntry("first.example");
    EXPECT_EQ(std::string("first.example\0\0", 15), Get());
    ILSPutList(std::string("a\0b\0\0", 5).data());
    ILSAddEntry("c");
    ILSAddEntry("d");
    EXPECT_EQ(std::string("a\0b\0c\0d\0\0", 9), Get());
}

TEST_F(IlsList, AddSkipsAnExactDuplicateOnly)
{
    ILSPutList(std::string("Server.Example\0\0", 16).data());
    ILSAddEntry("Server.Example");
    EXPECT_EQ(std::string("Server.Example\0\0", 16), Get());
    ILSAddEntry("server.example");
    EXPECT_EQ(std::string("Server.Example\0server.example\0\0", 31), Get());
}

TEST_F(IlsList, AddIgnoresEmptyAndMissingNames)
{
    ILSPutList(std::string("kept\0\0", 6).data());
    ILSAddEntry("");
    ILSAddEntry(NULL);
    EXPECT_EQ(std::string("kept\0\0", 6), Get());
}

TEST_F(IlsList, SmallBufferAnswersZeroAndTheSizeNeeded)
{
    const std::string list("alpha\0beta\0\0", 12);
    ILSPutList(list.data());

    char buffer[16];
    memset(buffer, '#', sizeof(buffer));
    DWORD size = 11;
    EXPECT_FALSE(ILSGetList(buffer, &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(std::string(16, '#'), std::string(buffer, 16)) << "nothing is copied";

    size = 0;
    EXPECT_FALSE(ILSGetList(buffer, &size));
    EXPECT_EQ(12u, size);

    size = sizeof(buffer);
    EXPECT_TRUE(ILSGetList(buffer, &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(list, std::string(buffer, 12));
    EXPECT_EQ(std::string(4, '#'), std::string(buffer + 12, 4)) << "nothing past the list";

    EXPECT_FALSE(ILSGetList(buffer, NULL));
    EXPECT_FALSE(ILSGetList(NULL, NULL));
}

TEST_F(IlsList, DamagedFileStillGivesAWellFormedList)
{
    Store(std::string("open\0unended", 12));
    EXPECT_EQ(std::string("open\0unended\0\0", 14), Get());
    Store(std::string("one\0\0trailing junk", 19));
    EXPECT_EQ(std::string("one\0\0", 5), Get());
    Store(std::string("\0\0\0\0", 4));
    EXPECT_EQ(kEmptyList, Get());
    Store(std::string());
    EXPECT_EQ(kEmptyList, Get());
    // An add repairs the file as it goes.
    Store(std::string("open", 4));
    ILSAddEntry("next");
    EXPECT_EQ(std::string("open\0next\0\0", 11), StoredBytes());
}

TEST_F(IlsList, MissingFolderIsAnEmptyListThatStaysEmpty)
{
    ScopedVariable missing("LINKDEVS_DIR", folder_.file("not-there"));
    ILSPutList(std::string("lost\0\0", 6).data());
    ILSAddEntry("lost too");
    EXPECT_EQ(kEmptyList, Get());
}

TEST_F(IlsList, ConcurrentAddsKeepEveryName)
{
    const int kThreads = 4;
    const int kNames = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int n = 0; n < kNames; ++n)
                ILSAddEntry(("t" + std::to_string(t) + "n" + std::to_string(n)).c_str());
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    std::string list = Get();
    std::vector<std::string> names;
    for (size_t at = 0; at < list.size() && list[at] != '\0'; at += names.back().size() + 1)
        names.push_back(list.c_str() + at);
    EXPECT_EQ(static_cast<size_t>(kThreads * kNames), names.size());
    for (int t = 0; t < kThreads; ++t) {
        // Each thread's names keep their order.
        std::vector<std::string> own;
        for (const std::string& name : names) {
            if (name.compare(0, 2, "t" + std::to_string(t)) == 0 && name[2] == 'n')
                own.push_back(name);
        }
        ASSERT_EQ(static_cast<size_t>(kNames), own.size()) << "thread " << t;
        for (int n = 0; n < kNames; ++n)
            EXPECT_EQ("t" + std::to_string(t) + "n" + std::to_string(n), own[n]);
    }
}

// ---------------------------------------------------------------------------
// The DLLs' exports and their own folders

// A built DLL copied under another name into a folder of its own, so that the
// copy's folder is its own folder and the copy is not the module already
// loaded through the import library.
class DllCopy
{
public:
    DllCopy(const char* builtName, const std::string& folder, const char* copyName)
        : module_(NULL)
    {
        std::string built = ProgramDirectory() + "\\..\\bin\\" + builtName;
        std::string copy = folder + "\\" + copyName;
        if (CopyFileA(built.c_str(), copy.c_str(), FALSE))
            module_ = LoadLibraryA(copy.c_str());
    }
    ~DllCopy()
    {
        if (module_ != NULL)
            FreeLibrary(module_);
    }
    DllCopy(const DllCopy&) = delete;
    DllCopy& operator=(const DllCopy&) = delete;
    HMODULE module() const { return module_; }

    template <typename Function>
    Function* Find(const char* name) const
    {
        return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

TEST(LinkdevsExports, PlainNamesOnly)
{
    HMODULE linkdevs = GetModuleHandleA("Linkdevs.dll");
    ASSERT_NE(nullptr, linkdevs);
    const char* names[] = {"EnumDeviceNames", "GetDeviceTypeFromID", "QueryDeviceProperties",
                           "IsCdTapiInstalled", "InstallTapiDevice", "ILSGetList",
                           "ILSPutList", "ILSAddEntry"};
    for (const char* name : names)
        EXPECT_NE(nullptr, GetProcAddress(linkdevs, name)) << name;
    EXPECT_EQ(nullptr, GetProcAddress(linkdevs, "EnumDeviceNames@8"));
    EXPECT_EQ(nullptr, GetProcAddress(linkdevs, "_EnumDeviceNames@8"));
}

TEST(LinkdevsExports, ImportLibraryBindsThePlainNames)
{
    HMODULE linkdevs = GetModuleHandleA("Linkdevs.dll");
    ASSERT_NE(nullptr, linkdevs);
    std::vector<Import> imports = ImportsFrom("Linkdevs.dll");
    ASSERT_FALSE(imports.empty());
    for (const Import& import : imports) {
        EXPECT_FALSE(import.byOrdinal) << import.name;
        EXPECT_EQ(std::string::npos, import.name.find('@')) << import.name;
        EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(linkdevs, import.name.c_str())),
                  import.bound())
            << import.name;
    }
}

TEST(LinkdevsOwnFolder, SettingsAndListBesideTheDllWithoutTheVariable)
{
    TempDir folder("linkdevs-own");
    DllCopy copy("Linkdevs.dll", folder.path(), "LinkdevsOwn.dll");
    ASSERT_NE(nullptr, copy.module());
    auto* typeFromId = copy.Find<WORD WINAPI(DWORD)>("GetDeviceTypeFromID");
    auto* addEntry = copy.Find<void WINAPI(LPCSTR)>("ILSAddEntry");
    ASSERT_NE(nullptr, typeFromId);
    ASSERT_NE(nullptr, addEntry);

    const std::string settings = "[Devices]\r\nA=Beside|5|21|x\r\n";
    ASSERT_TRUE(WriteFileBytes(folder.file("LINKDEVS.INI"), settings.data(), settings.size()));
    SetEnvironmentVariableA("LINKDEVS_DIR", NULL);
    EXPECT_EQ(5, typeFromId(21));
    addEntry("beside.example");
    std::vector<unsigned char> stored = ReadFileBytes(folder.file("LINKDEVS.ILS"));
    EXPECT_EQ(std::string("beside.example\0\0", 16), std::string(stored.begin(), stored.end()));

    // The variable wins over the DLL's own folder.
    TempDir other("linkdevs-other");
    ScopedVariable variable("LINKDEVS_DIR", other.path());
    EXPECT_EQ(0, typeFromId(21));
}

class RegStore : public testing::Test
{
protected:
    RegStore() : folder_("regstore"), variable_("REGSTORE_DIR", folder_.path()) {}

    void WriteSettings(const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(folder_.file("REGSTORE.INI"), text.data(), text.size()));
    }

    TempDir folder_;
    ScopedVariable variable_;
};

TEST_F(RegStore, AnswersZeroWithoutSettings)
{
    EXPECT_EQ(0, RegStoreDialUpAsUser());
    WriteSettings("[DialUp]\r\nOther=1\r\n[Elsewhere]\r\nRunAsInteractiveUser=1\r\n");
    EXPECT_EQ(0, RegStoreDialUpAsUser());
}

TEST_F(RegStore, AnswersTheConfiguredValue)
{
    WriteSettings("[DialUp]\r\nRunAsInteractiveUser=1\r\n");
    EXPECT_EQ(1, RegStoreDialUpAsUser());
    WriteSettings("[DialUp]\r\nRunAsInteractiveUser=7\r\n");
    EXPECT_EQ(7, RegStoreDialUpAsUser());
    WriteSettings("[DialUp]\r\nRunAsInteractiveUser=0\r\n");
    EXPECT_EQ(0, RegStoreDialUpAsUser());
}

TEST_F(RegStore, OrdinalNineOnlyWithoutAName)
{
    HMODULE regstore = GetModuleHandleA("regstore.dll");
    ASSERT_NE(nullptr, regstore);
    std::vector<Import> imports = ImportsFrom("regstore.dll");
    ASSERT_EQ(1u, imports.size());
    EXPECT_TRUE(imports[0].byOrdinal);
    EXPECT_EQ(9u, imports[0].ordinal);
    EXPECT_NE(nullptr, imports[0].bound());
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(regstore, MAKEINTRESOURCEA(9))),
              imports[0].bound());
    EXPECT_EQ(nullptr, GetProcAddress(regstore, MAKEINTRESOURCEA(8)));
    EXPECT_EQ(nullptr, GetProcAddress(regstore, MAKEINTRESOURCEA(10)));
    EXPECT_EQ(nullptr, GetProcAddress(regstore, "RegStoreDialUpAsUser"));
    EXPECT_EQ(nullptr, GetProcAddress(regstore, "RegStoreDialUpAsUser@0"));
}

TEST(RegStoreOwnFolder, SettingsBesideTheDllWithoutTheVariable)
{
    TempDir folder("regstore-own");
    DllCopy copy("regstore.dll", folder.path(), "regstoreOwn.dll");
    ASSERT_NE(nullptr, copy.module());
    auto* ordinal9 = copy.Find<int WINAPI()>(MAKEINTRESOURCEA(9));
    ASSERT_NE(nullptr, ordinal9);

    SetEnvironmentVariableA("REGSTORE_DIR", NULL);
    EXPECT_EQ(0, ordinal9());
    const std::string settings = "[DialUp]\r\nRunAsInteractiveUser=1\r\n";
    ASSERT_TRUE(WriteFileBytes(folder.file("REGSTORE.INI"), settings.data(), settings.size()));
    EXPECT_EQ(1, ordinal9());

    TempDir other("regstore-other");
    ScopedVariable variable("REGSTORE_DIR", other.path() + "\\");
    EXPECT_EQ(0, ordinal9());
    const std::string otherSettings = "[DialUp]\r\nRunAsInteractiveUser=3\r\n";
    ASSERT_TRUE(
        WriteFileBytes(other.file("REGSTORE.INI"), otherSettings.data(), otherSettings.size()));
    EXPECT_EQ(3, ordinal9());
}

}  // namespace
