// RasPhoneBook through its exported members, over the RASAPI32.DLL double:
// the entry list and its one retry, the new-entry dialog and the name it
// made, the registry deletion, and the verbs it refuses.
#include <gtest/gtest.h>
#include <new>
#include <string.h>
#include <string>
#include <vector>

#include "DoubleAccess.h"
#include "RasPhoneBook.h"
#include "TestSupport.h"

namespace {

const DWORD kRecord = 532;
const DWORD kFirstBlock = 20 * kRecord;

struct Collected
{
    std::vector<std::string> names;
    int answer = 1;
};

int PHONEBK_CALLBACK Collect(char* entry, long value)
{
    Collected* collected = reinterpret_cast<Collected*>(value);
    collected->names.push_back(entry);
    return collected->answer;
}

std::vector<std::string> NumberedNames(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        wsprintfA(name, "Entry %02d", i);
        names.push_back(name);
    }
    return names;
}

class RasPhoneBookTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ras = RasDouble();
        ASSERT_NE(nullptr, ras) << "PhoneBk.dll did not load the RASAPI32.DLL double";
        RasDoubleEmpty();
        gate = GateDouble();
        ASSERT_NE(nullptr, gate) << "PhoneBk.dll did not load the GATEUI.DLL double";
        gate->calls = 0;
        owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
        ASSERT_NE(nullptr, owner);
    }

    void TearDown() override
    {
        if (ras != nullptr) {
            EXPECT_FALSE(ras->sawPhonebookPath) << "every call names the default phone book";
        }
        if (gate != nullptr) {
            EXPECT_EQ(0u, gate->calls) << "none of these verbs asks for the security login";
        }
        if (owner != NULL)
            DestroyWindow(owner);
    }

    void Fill(const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            ASSERT_TRUE(RasDoubleAdd(name.c_str()));
    }

    RasDoubleState* ras = nullptr;
    GateDoubleState* gate = nullptr;
    HWND owner = NULL;
    RasPhoneBook book;
};

// --- Which RASAPI32.DLL the library talks to ---------------------------------

TEST_F(RasPhoneBookTest, TheLibraryCallsTheDoubleNotWinesBuiltin)
{
    EXPECT_EQ(1u, ReadCounter(RAS_DOUBLE_ATTACHES));
    Fill({"Office"});
    Collected collected;
    EXPECT_EQ(1, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_EQ(1u, ras->enumCalls);
    EXPECT_EQ(std::vector<std::string>({"Office"}), collected.names);
}

// --- The entry list -----------------------------------------------------------

using EntryList = RasPhoneBookTest;

TEST_F(EntryList, AnEmptyPhoneBookIsAFailureWithoutCallbacks)
{
    Collected collected;
    EXPECT_EQ(0, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_TRUE(collected.names.empty());
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("Office")));
    EXPECT_EQ(2u, ras->enumCalls) << "an empty list is no error: no retry";
}

TEST_F(EntryList, EveryEntryIsReportedInTheOrderRasGives)
{
    Fill({"Office", "home", "Branch"});
    Collected collected;
    EXPECT_EQ(1, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_EQ(std::vector<std::string>({"Branch", "home", "Office"}), collected.names);
    EXPECT_EQ(1u, ras->enumCalls);
    EXPECT_EQ(kFirstBlock, ras->enumBytesIn[0]);
    EXPECT_EQ(kRecord, ras->enumSizeWord[0]);
}

TEST_F(EntryList, ACallbackAnsweringZeroStillGetsEveryEntry)
{
    Fill({"A", "B", "C", "D"});
    Collected collected;
    collected.answer = 0;
    EXPECT_EQ(1, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_EQ(4u, collected.names.size());
}

TEST_F(EntryList, TwentyEntriesFitTheFirstBlock)
{
    Fill(NumberedNames(20));
    Collected collected;
    EXPECT_EQ(1, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_EQ(20u, collected.names.size());
    EXPECT_EQ(1u, ras->enumCalls);
}

TEST_F(EntryList, MoreThanTwentyEntriesAreListedInFullAfterOneRetry)
{
    std::vector<std::string> names = NumberedNames(27);
    Fill(names);
    Collected collected;
    EXPECT_EQ(1, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_EQ(names, collected.names);
    ASSERT_EQ(2u, ras->enumCalls);
    EXPECT_EQ(kFirstBlock, ras->enumBytesIn[0]);
    EXPECT_EQ(27 * kRecord, ras->enumBytesIn[1]) << "the retry uses the size RAS asked for";
    EXPECT_EQ(kRecord, ras->enumSizeWord[1]) << "the new block speaks the same record";

    EXPECT_EQ(1, book.IsValidEntry(const_cast<char*>("Entry 26")));
    EXPECT_EQ(4u, ras->enumCalls);
}

TEST_F(EntryList, ANameOfTheLongestLengthArrivesWhole)
{
    std::string longest(256, 'n');
    Fill({longest});
    Collected collected;
    EXPECT_EQ(1, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_EQ(std::vector<std::string>({longest}), collected.names);
    EXPECT_EQ(1, book.IsValidEntry(const_cast<char*>(longest.c_str())));
}

TEST_F(EntryList, NamesAreMatchedWithoutRegardToCase)
{
    Fill({"Office Line", "Home"});
    EXPECT_EQ(1, book.IsValidEntry(const_cast<char*>("office line")));
    EXPECT_EQ(1, book.IsValidEntry(const_cast<char*>("HOME")));
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("Office")));
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("Home ")));
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("")));
    EXPECT_EQ(0, book.IsValidEntry(nullptr));
}

TEST_F(EntryList, AnErrorIsRetriedOnceAndThenAnswersZero)
{
    Fill({"Office"});
    ras->enumFailCalls = 3;
    ras->enumFailCode = 621;   // the phone book cannot be opened
    ras->enumFailBytes = RAS_DOUBLE_KEEP_BYTES;
    Collected collected;
    EXPECT_EQ(0, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_TRUE(collected.names.empty());
    EXPECT_EQ(2u, ras->enumCalls) << "one retry, never a third call";
    EXPECT_EQ(kFirstBlock, ras->enumBytesIn[1]);

    ras->enumFailCalls = 2;
    EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("Office")));
    EXPECT_EQ(4u, ras->enumCalls);
}

TEST_F(EntryList, AnyErrorEarnsTheRetryWithTheReportedSize)
{
    Fill({"Office", "Home"});
    ras->enumFailCalls = 1;
    ras->enumFailCode = 621;
    ras->enumFailBytes = 3 * kRecord;
    Collected collected;
    EXPECT_EQ(1, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_EQ(std::vector<std::string>({"Home", "Office"}), collected.names);
    ASSERT_EQ(2u, ras->enumCalls);
    EXPECT_EQ(3 * kRecord, ras->enumBytesIn[1]);
    EXPECT_EQ(kRecord, ras->enumSizeWord[1]);
}

// A reported size that cannot hold one record would have the size word
// written beyond the block: such a size answers 0 at once.
TEST_F(EntryList, ASizeBelowOneRecordIsNotRetried)
{
    Fill({"Office"});
    for (DWORD reported : {DWORD(0), DWORD(1), kRecord - 1}) {
        SCOPED_TRACE(reported);
        ras->enumCalls = 0;
        ras->enumFailCalls = 1;
        ras->enumFailCode = 603;   // buffer too small
        ras->enumFailBytes = reported;
        Collected collected;
        EXPECT_EQ(0, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
        EXPECT_TRUE(collected.names.empty());
        EXPECT_EQ(1u, ras->enumCalls);

        ras->enumCalls = 0;
        ras->enumFailCalls = 1;
        EXPECT_EQ(0, book.IsValidEntry(const_cast<char*>("Office")));
        EXPECT_EQ(1u, ras->enumCalls);
    }
    // A size of exactly one record is retried.
    ras->enumCalls = 0;
    ras->enumFailCalls = 1;
    ras->enumFailBytes = kRecord;
    EXPECT_EQ(1, book.IsValidEntry(const_cast<char*>("Office")));
    EXPECT_EQ(2u, ras->enumCalls);
}

TEST_F(EntryList, ASizeThatCannotBeAllocatedAnswersZero)
{
    Fill({"Office"});
    ras->enumFailCalls = 1;
    ras->enumFailCode = 603;
    ras->enumFailBytes = 0xFFFFFF00u;
    Collected collected;
    EXPECT_EQ(0, book.EnumEntryNames(Collect, reinterpret_cast<long>(&collected)));
    EXPECT_TRUE(collected.names.empty());
    EXPECT_EQ(1u, ras->enumCalls);
}

TEST_F(EntryList, ANullCallbackReadsNothing)
{
    Fill({"Office"});
    EXPECT_EQ(0, book.EnumEntryNames(nullptr, 0));
    EXPECT_EQ(0u, ras->enumCalls);
}

// --- A new entry through the system's dialog --------------------------------

class CreateEntry : public RasPhoneBookTest
{
protected:
    void Script(std::vector<std::string> adds, DWORD result = 0)
    {
        ASSERT_LE(adds.size(), static_cast<size_t>(RAS_DOUBLE_CREATE_ADDS));
        ras->createAddCount = static_cast<DWORD>(adds.size());
        for (size_t i = 0; i < adds.size(); ++i)
            lstrcpynA(ras->createAdds[i], adds[i].c_str(), RAS_DOUBLE_NAME_SIZE);
        ras->createResult = result;
    }

    std::string Created(unsigned short size = 64)
    {
        std::vector<char> buffer(size + 8, '#');
        lastResult = book.QueryCreateEntry(owner, buffer.data(), size);
        for (size_t i = size; i < buffer.size(); ++i)
            EXPECT_EQ('#', buffer[i]) << "written beyond the given size at " << i;
        if (lastResult != 1)
            return std::string(buffer.data(), size);
        return std::string(buffer.data());
    }

    MessageJournal journal;
    int lastResult = -1;
};

TEST_F(CreateEntry, ANameThatSortsFirstIsTheOneReturned)
{
    Fill({"Beta", "Gamma"});
    Script({"Alpha"});
    EXPECT_EQ("Alpha", Created());
    EXPECT_EQ(1, lastResult);
    EXPECT_EQ(1u, ras->createCalls);
    EXPECT_EQ(owner, ras->createOwner);
    EXPECT_TRUE(journal.lines().empty());
}

TEST_F(CreateEntry, ANameAmongOthersOrLastIsFound)
{
    Fill({"Alpha", "Gamma"});
    Script({"beta"});
    EXPECT_EQ("beta", Created());
    EXPECT_EQ(1, lastResult);

    Script({"Zulu"});
    EXPECT_EQ("Zulu", Created());
    EXPECT_EQ(1, lastResult);
}

TEST_F(CreateEntry, TheOnlyEntryOfAnEmptyBookIsReturned)
{
    Script({"First"});
    EXPECT_EQ("First", Created());
    EXPECT_EQ(1, lastResult);
}

TEST_F(CreateEntry, LongPhoneBooksAreReadInFullBeforeAndAfter)
{
    Fill(NumberedNames(24));
    Script({"Early"});   // sorts before every "Entry nn"
    EXPECT_EQ("Early", Created());
    EXPECT_EQ(1, lastResult);
    EXPECT_EQ(4u, ras->enumCalls);
}

// When the list before the dialog cannot be read, no entry can be told to be
// the new one: a cancelled dialog with one entry in the book must not report
// that entry as created.
TEST_F(CreateEntry, AnUnreadableListBeforeClaimsNothing)
{
    Fill({"Office"});
    Script({});
    ras->enumFailCalls = 2;   // the first reading and its retry
    ras->enumFailCode = 621;
    ras->enumFailBytes = RAS_DOUBLE_KEEP_BYTES;
    char buffer[16] = "unchanged";
    EXPECT_EQ(0, book.QueryCreateEntry(owner, buffer, sizeof(buffer)));
    EXPECT_STREQ("unchanged", buffer);
    EXPECT_EQ(1u, ras->createCalls) << "the dialog still runs";
}

TEST_F(CreateEntry, CancellingLeavesTheBufferAsItWas)
{
    Fill({"Office"});
    Script({});
    char buffer[16] = "unchanged";
    memset(buffer + 10, 'x', sizeof(buffer) - 10);
    char before[16];
    memcpy(before, buffer, sizeof(buffer));
    EXPECT_EQ(0, book.QueryCreateEntry(owner, buffer, sizeof(buffer)));
    EXPECT_EQ(0, memcmp(before, buffer, sizeof(buffer)));
    EXPECT_EQ(1u, ras->createCalls);
    EXPECT_TRUE(journal.lines().empty());
}

TEST_F(CreateEntry, MoreThanOneNewEntryCannotBeToldApart)
{
    Fill({"Office"});
    Script({"Alpha", "Zulu"});
    std::string result = Created(8);
    EXPECT_EQ(0, lastResult);
    EXPECT_EQ(std::string(8, '#'), result);
}

TEST_F(CreateEntry, AFailingDialogShowsTheMissingComponentMessage)
{
    Fill({"Office"});
    Script({}, 623);
    std::string result = Created(8);
    EXPECT_EQ(0, lastResult);
    EXPECT_EQ(std::string(8, '#'), result);
    std::vector<std::string> lines = journal.lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(PhoneBookMessage("Dial-up networking is not  installed on your system.  To use this feature, you "
                               "must install the Dial-up networking component shipped with Windows."),
              lines[0]);
}

TEST_F(CreateEntry, AfterAFailureTheListsStillDecide)
{
    Fill({"Office"});
    Script({"Added anyway"}, 1);
    EXPECT_EQ("Added anyway", Created());
    EXPECT_EQ(1, lastResult);
    EXPECT_EQ(1u, journal.lines().size());
}

TEST_F(CreateEntry, TheNameIsCutToTheBuffer)
{
    Script({"Connection to the office"});
    EXPECT_EQ("Connect", Created(8));
    EXPECT_EQ(1, lastResult);

    Script({"Another one"});
    EXPECT_EQ("", Created(1));
    EXPECT_EQ(1, lastResult);
}

TEST_F(CreateEntry, AnUnreadablePhoneBookGivesNoName)
{
    Fill({"Office"});
    Script({"New"});
    ras->enumFailCalls = 4;
    ras->enumFailCode = 621;
    ras->enumFailBytes = RAS_DOUBLE_KEEP_BYTES;
    std::string result = Created(8);
    EXPECT_EQ(0, lastResult);
    EXPECT_EQ(std::string(8, '#'), result);
    EXPECT_EQ(1u, ras->createCalls);
}

// --- Deletion in the registry ------------------------------------------------

// The keys live in the test prefix. The fixture creates what is missing and
// removes afterwards exactly what it created.
class DeleteEntry : public RasPhoneBookTest
{
protected:
    struct Place
    {
        HKEY root;
        const char* parent;
        const char* key;
        bool createdParent;
        bool createdKey;
    };

    void SetUp() override
    {
        RasPhoneBookTest::SetUp();
        for (Place& place : places)
            Create(place);
    }

    void TearDown() override
    {
        for (Place& place : places)
            Remove(place);
        RasPhoneBookTest::TearDown();
    }

    static bool KeyExists(HKEY root, const char* name)
    {
        HKEY key;
        if (RegOpenKeyExA(root, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    void Create(Place& place)
    {
        place.createdParent = !KeyExists(place.root, place.parent);
        place.createdKey = !KeyExists(place.root, place.key);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(place.root, place.key, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                                 &key, NULL));
        for (const char* value : {"Office", "Home"}) {
            BYTE data[4] = {1, 2, 3, 4};
            RegSetValueExA(key, value, 0, REG_BINARY, data, sizeof(data));
        }
        RegSetValueExA(key, NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>("default"), 8);
        RegCloseKey(key);
    }

    void Remove(Place& place)
    {
        if (place.createdKey || place.createdParent) {
            RegDeleteKeyA(place.root, place.key);
            if (place.createdParent)
                RegDeleteKeyA(place.root, place.parent);
            return;
        }
        HKEY key;
        if (RegOpenKeyExA(place.root, place.key, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Office");
            RegDeleteValueA(key, "Home");
            RegCloseKey(key);
        }
    }

    static bool HasValue(const Place& place, const char* value)
    {
        HKEY key;
        if (RegOpenKeyExA(place.root, place.key, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        bool found = RegQueryValueExA(key, value, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
        RegCloseKey(key);
        return found;
    }

    void DropKey(const Place& place) { ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(place.root, place.key)); }

    Place places[2] = {
        {HKEY_CURRENT_USER, "RemoteAccess", "RemoteAccess\\Addresses", false, false},
        {HKEY_USERS, ".Default\\RemoteAccess", ".Default\\RemoteAccess\\Addresses", false, false},
    };
    const Place& user = places[0];
    const Place& defaultUser = places[1];
};

TEST_F(DeleteEntry, RemovesTheEntryFromBothKeysAndNothingElse)
{
    EXPECT_EQ(1, book.DeleteEntry(const_cast<char*>("Office")));
    for (const Place& place : places) {
        SCOPED_TRACE(place.key);
        EXPECT_FALSE(HasValue(place, "Office"));
        EXPECT_TRUE(HasValue(place, "Home"));
        EXPECT_TRUE(HasValue(place, NULL));
    }
    EXPECT_EQ(0u, ras->enumCalls + ras->createCalls + ras->editCalls) << "no RAS call";
}

TEST_F(DeleteEntry, ANameInNeitherKeyIsStillASuccess)
{
    EXPECT_EQ(1, book.DeleteEntry(const_cast<char*>("Elsewhere")));
    for (const Place& place : places) {
        EXPECT_TRUE(HasValue(place, "Office"));
        EXPECT_TRUE(HasValue(place, "Home"));
    }
}

TEST_F(DeleteEntry, WithoutTheUsersKeyNothingIsDeleted)
{
    DropKey(user);
    EXPECT_EQ(0, book.DeleteEntry(const_cast<char*>("Office")));
    EXPECT_TRUE(HasValue(defaultUser, "Office"));
}

TEST_F(DeleteEntry, WithoutTheDefaultUsersKeyTheFirstDeletionStays)
{
    DropKey(defaultUser);
    EXPECT_EQ(0, book.DeleteEntry(const_cast<char*>("Office")));
    EXPECT_FALSE(HasValue(user, "Office"));
    EXPECT_TRUE(HasValue(user, "Home"));
}

TEST_F(DeleteEntry, NoNameLeavesTheDefaultValuesAlone)
{
    EXPECT_EQ(0, book.DeleteEntry(nullptr));
    EXPECT_EQ(0, book.DeleteEntry(const_cast<char*>("")));
    for (const Place& place : places)
        EXPECT_TRUE(HasValue(place, NULL));
}

// --- Refused verbs and the object -------------------------------------------

TEST_F(RasPhoneBookTest, RenameAndCopyAreRefusedAndChangeNothing)
{
    Fill({"Office"});
    EXPECT_EQ(0, book.RenameEntry(const_cast<char*>("Office"), const_cast<char*>("Work")));
    EXPECT_EQ(0, book.CopyEntry(const_cast<char*>("Office"), const_cast<char*>("Work")));
    EXPECT_EQ(0, book.RenameEntry(nullptr, nullptr));
    EXPECT_EQ(0, book.CopyEntry(nullptr, nullptr));
    EXPECT_EQ(0u, ras->enumCalls + ras->createCalls + ras->editCalls);
    ASSERT_EQ(1u, ras->entryCount);
    EXPECT_STREQ("Office", ras->entries[0]);
}

TEST(RasPhoneBookObject, Is256BytesThatConstructionEmptiesAndAssignmentCopiesWhole)
{
    static_assert(sizeof(RasPhoneBook) == 256, "hosts allocate 256 bytes");
    alignas(RasPhoneBook) unsigned char storage[sizeof(RasPhoneBook)];
    memset(storage, 'x', sizeof(storage));
    RasPhoneBook* built = new (storage) RasPhoneBook();
    EXPECT_EQ('\0', built->Buffer[0]);

    RasPhoneBook source;
    for (size_t i = 0; i < sizeof(source.Buffer); ++i)
        source.Buffer[i] = static_cast<char>(i + 1);
    RasPhoneBook& result = (*built = source);
    EXPECT_EQ(built, &result);
    EXPECT_EQ(0, memcmp(source.Buffer, built->Buffer, sizeof(source.Buffer)));
    built->~RasPhoneBook();
}

}  // namespace
