// Mutated, truncated and grown entry files for ReadEntry and IsRasLinkEntry,
// and hand-edited VMR32.INI and LINKDEVS.INI files for the settings readers.
// Every call answers its documented result, writes nothing outside its object
// or buffer (guard bytes around both), and answers within a second.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include <string>
#include <vector>

#include "DeviceFields.h"
#include "EntryCipher.h"
#include "EntryFiles.h"
#include "HistoryLists.h"
#include "PhoneBookAccess.h"
#include "Settings.h"
#include "TestSupport.h"

namespace {

const unsigned kCiSeed = 20261208;
const DWORD kCiRounds = 400;
const unsigned char kGuard = 0xA5;
const size_t kGuardSize = 64;

// How long and from where: a fixed seed and count for CI, or as long as
// PHONEBK_FUZZ_SECONDS asks with a random seed (or PHONEBK_FUZZ_SEED).
unsigned long Variable(const char* name, unsigned long otherwise)
{
    char value[32];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    return length == 0 || length >= sizeof(value) ? otherwise : strtoul(value, NULL, 10);
}

class Random
{
public:
    explicit Random(unsigned seed) : state_(seed | 1) {}
    unsigned next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    unsigned below(unsigned limit) { return limit == 0 ? 0 : next() % limit; }
    std::string bytes(size_t count)
    {
        std::string text(count, '\0');
        for (char& c : text)
            c = static_cast<char>(next());
        return text;
    }

private:
    unsigned state_;
};

// Something with guard bytes on either side.
template <size_t Size>
struct Guarded {
    unsigned char before[kGuardSize];
    alignas(8) unsigned char body[Size];
    unsigned char after[kGuardSize];
    Guarded() { memset(this, kGuard, sizeof(*this)); }
    bool intact() const
    {
        return memcmp(before, after, kGuardSize) == 0 && before[0] == kGuard &&
               memcmp(before, before + 1, kGuardSize - 1) == 0;
    }
};

class Fuzz : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { shell = new ShellWindow(); }
    static void TearDownTestSuite() { delete shell; }
    void SetUp() override
    {
        seconds = Variable("PHONEBK_FUZZ_SECONDS", 0);
        seed = Variable("PHONEBK_FUZZ_SEED", seconds != 0 ? GetTickCount() ^ (GetCurrentProcessId() << 16) : kCiSeed);
        printf("seed %u%s\n", seed, seed == kCiSeed ? " (the fixed CI seed)" : "");
        random = Random(seed);
        start = GetTickCount();
    }
    bool more(DWORD round) const { return seconds != 0 ? GetTickCount() - start < seconds * 1000 : round < kCiRounds; }

    // Runs a call and checks that it answered within a second.
    template <typename Call>
    auto Timed(const char* what, DWORD round, Call call) -> decltype(call())
    {
        DWORD began = GetTickCount();
        auto result = call();
        EXPECT_LT(GetTickCount() - began, 1000u) << what << ", round " << round << ", seed " << seed;
        return result;
    }

    static ShellWindow* shell;
    unsigned seed = kCiSeed;
    DWORD seconds = 0;
    Random random{kCiSeed};
    DWORD start = 0;
    TempDir dir{"fuzz"};
    MessageJournal journal;   // a wrong version's message is not shown
};
ShellWindow* Fuzz::shell = nullptr;

// ---- Entry files

std::string Enciphered(const VmrEntryRecord& record)
{
    std::string bytes(reinterpret_cast<const char*>(&record), kRecordSize);
    EncryptRecord(reinterpret_cast<unsigned char*>(&bytes[0]), kRecordSize);
    return bytes;
}

// A valid entry, then one of: bit flips, another version, cut short, grown,
// or bytes of no entry at all; lengths from 0 to 4096.
std::string HostileEntry(Random& random, const VmrEntryRecord& valid)
{
    VmrEntryRecord record = valid;
    record.UseDialUpNetworking = random.next();
    switch (random.below(5)) {
    case 0: {
        std::string bytes = Enciphered(record);
        for (unsigned flips = 1 + random.below(8); flips > 0; --flips)
            bytes[random.below(kRecordSize)] ^= static_cast<char>(1 << random.below(8));
        return bytes;
    }
    case 1:
        record.Version = static_cast<unsigned short>(random.below(4) < 2 ? 39 + random.below(4) : random.next());
        return Enciphered(record);
    case 2: return Enciphered(record).substr(0, random.below(kRecordSize + 1));
    case 3: return Enciphered(record) + random.bytes(random.below(4096 - kRecordSize + 1));
    default: return random.bytes(random.below(4097));
    }
}

TEST_F(Fuzz, EntryReadersAnswerZeroOrAWholeEntry)
{
    VmrPhoneBook reference;
    const VmrEntryRecord valid = VmrPhoneBookAccess::Record(reference);
    Guarded<sizeof(VmrPhoneBook)> guarded;
    VmrPhoneBook* book = new (guarded.body) VmrPhoneBook();
    std::string path = dir.path() + "\\";
    book->SetPath(&path[0]);
    char name[] = "hostile";
    DWORD round = 0;
    for (; more(round); ++round) {
        std::string bytes = HostileEntry(random, valid);
        ASSERT_TRUE(WriteFileBytes(dir.file("hostile.vmr"), bytes.data(), bytes.size()));
        int read = Timed("ReadEntry", round, [&] { return book->ReadEntry(name); });
        ASSERT_TRUE(read == 0 || read == 1) << "round " << round;
        const VmrEntryRecord& record = VmrPhoneBookAccess::Record(*book);
        if (read == 1) {
            EXPECT_TRUE(memcmp(record.Magic, "vmr", 3) == 0 && record.Version == 41) << "round " << round;
        }
        int link = Timed("IsRasLinkEntry", round, [&] { return book->IsRasLinkEntry(name); });
        EXPECT_EQ(read == 1 ? static_cast<int>(record.UseDialUpNetworking) : 0, link) << "round " << round;
        ASSERT_TRUE(guarded.intact()) << "round " << round << ", seed " << seed;
    }
    book->~VmrPhoneBook();
    printf("%lu entry files\n", round);
}

// ---- Settings files

// A hand-edited settings file: random bytes, a line of 10,000 characters, a
// list of 1,000 items, no section, or keys given twice.
std::string HostileIni(Random& random, const char* section, const std::vector<std::string>& keys)
{
    const std::string header = "[" + std::string(section) + "]\r\n";
    const std::string& key = keys[random.below(static_cast<unsigned>(keys.size()))];
    std::string text;
    switch (random.below(5)) {
    case 0: return random.bytes(random.below(4096));
    case 1: return header + key + "=" + std::string(10000, static_cast<char>('a' + random.below(26))) + "\r\n";
    case 2:
        text = header + key + "=";
        for (int item = 0; item < 1000; ++item)
            text += (item == 0 ? "" : ",") + std::to_string(random.next());
        return text + "\r\n";
    case 3:
        for (const std::string& each : keys)
            text += each + "=" + random.bytes(random.below(40)) + "\r\n";
        return text;
    default:
        text = header;
        for (int copy = 0; copy < 3; ++copy) {
            for (const std::string& each : keys)
                text += each + "=" + std::to_string(random.next()) + "|" + std::to_string(random.below(7)) +
                        "|" + std::to_string(random.next()) + "|x\r\n";
        }
        return text;
    }
}

TEST_F(Fuzz, SettingsReadersStayInTheirBuffers)
{
    const std::string settings = ProgramDirectory() + "\\VMR32.INI";
    ASSERT_TRUE(SetEnvironmentVariableA("LINKDEVS_DIR", dir.path().c_str()));
    HWND combo = CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWN, 0, 0, 200, 200, NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, combo);
    const std::vector<std::string> settingKeys = {"WorkstationList", "LastWorkstation", "LastILS", "AllowTAPI",
                                                  "InstallType", "AreaCodeList"};
    const std::vector<std::string> deviceKeys = {"Device1", "Device2", "Device1", "; note"};
    DWORD round = 0;
    for (; more(round); ++round) {
        std::string ini = HostileIni(random, kSettingsSection, settingKeys);
        ASSERT_TRUE(WriteFileBytes(settings, ini.data(), ini.size()));
        std::string devices = HostileIni(random, "Devices", deviceKeys);
        ASSERT_TRUE(WriteFileBytes(dir.file("LINKDEVS.INI"), devices.data(), devices.size()));

        Guarded<512> buffer;
        DWORD size = 1 + random.below(512);
        const std::string& key = settingKeys[random.below(static_cast<unsigned>(settingKeys.size()))];
        DWORD length = Timed("ReadSettingString", round, [&] {
            return ReadSettingString(kSettingsSection, key.c_str(), "none", reinterpret_cast<char*>(buffer.body), size);
        });
        EXPECT_LT(length, size) << "round " << round;
        EXPECT_EQ(length, strnlen(reinterpret_cast<char*>(buffer.body), size)) << "round " << round;
        int flag = Timed("ReadSettingBool", round, [&] { return ReadSettingBool(kSettingsSection, key.c_str(), 7); });
        EXPECT_TRUE(flag == 0 || flag == 1 || flag == 7) << "round " << round;

        Timed("LoadWorkstationList", round, [&] { LoadWorkstationList(combo, NULL); return 0; });
        Timed("LoadIlsList", round, [&] { LoadIlsList(combo, NULL); return 0; });
        Timed("FillDeviceList", round, [&] { FillDeviceList(combo, NULL); return 0; });
        FreeDeviceItems(combo);
        ASSERT_TRUE(buffer.intact()) << "round " << round << ", seed " << seed;
    }
    DestroyWindow(combo);
    SetEnvironmentVariableA("LINKDEVS_DIR", NULL);
    DeleteFileA(settings.c_str());
    printf("%lu settings files\n", round);
}

}  // namespace
