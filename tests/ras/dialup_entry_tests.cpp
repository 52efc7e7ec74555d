// The Dial-Up Networking entry choice of the dialogs: the list box and the
// combo box filled from the phone book, and what happens when RAS is not
// bound or bound only in part.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "../../dialogs/DialUpEntry.h"
#include "DoubleAccess.h"
#include "RasApiTable.h"
#include "TestSupport.h"

namespace {

// A hidden dialog-like parent with a sorted list box and a sorted drop-down
// combo box, as the wizard page and the General page have them.
class Controls
{
public:
    Controls()
    {
        parent_ = CreateWindowA("STATIC", "parent", WS_POPUP, 0, 0, 300, 300, NULL, NULL, NULL, NULL);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_SORT | LBS_HASSTRINGS, 0, 0, 200, 100, parent_,
                              reinterpret_cast<HMENU>(1005), NULL, NULL);
        combo_ = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_SORT | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 120,
                               200, 100, parent_, reinterpret_cast<HMENU>(1006), NULL, NULL);
    }
    ~Controls()
    {
        if (parent_ != NULL)
            DestroyWindow(parent_);
    }
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    HWND list() const { return list_; }
    HWND combo() const { return combo_; }

    std::vector<std::string> ListItems() const { return Items(list_, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }
    std::vector<std::string> ComboItems() const { return Items(combo_, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT); }
    LRESULT ListSelection() const { return SendMessageA(list_, LB_GETCURSEL, 0, 0); }
    LRESULT ComboSelection() const { return SendMessageA(combo_, CB_GETCURSEL, 0, 0); }

    void Stale()
    {
        SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
        SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
        SendMessageA(list_, LB_SETCURSEL, 0, 0);
        SendMessageA(combo_, CB_SETCURSEL, 0, 0);
    }

private:
    static std::vector<std::string> Items(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage)
    {
        std::vector<std::string> items;
        LRESULT count = SendMessageA(control, countMessage, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT length = SendMessageA(control, lengthMessage, i, 0);
            std::vector<char> text(length > 0 ? length + 1 : 1, '\0');
            SendMessageA(control, textMessage, i, reinterpret_cast<LPARAM>(text.data()));
            items.push_back(text.data());
        }
        return items;
    }

    HWND parent_ = NULL;
    HWND list_ = NULL;
    HWND combo_ = NULL;
};

// Binds the library's table as the entry point does, against the doubles in
// this program's folder, and releases it after each test.
class DialUpEntryChoice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, controls.list());
        ASSERT_NE(nullptr, controls.combo());
        BindLibraries();
        ras = RasDouble();
        ASSERT_NE(nullptr, ras) << "the table did not bind the RASAPI32.DLL double";
        ASSERT_EQ(GetModuleHandleA("RASAPI32.DLL"), RasApiTable.RasApiModule);
        RasDoubleEmpty();
    }

    void TearDown() override
    {
        if (ras != nullptr) {
            EXPECT_FALSE(ras->sawPhonebookPath);
        }
        ReleaseLibraries();
    }

    void Fill(const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            ASSERT_TRUE(RasDoubleAdd(name.c_str()));
    }

    Controls controls;
    RasDoubleState* ras = nullptr;
};

TEST_F(DialUpEntryChoice, TheListBoxGetsEveryNameAndTheFirstSelected)
{
    controls.Stale();
    Fill({"Office", "branch", "Home"});
    EXPECT_EQ(3, FillDialUpListBox(controls.list()));
    EXPECT_EQ(std::vector<std::string>({"branch", "Home", "Office"}), controls.ListItems());
    EXPECT_EQ(0, controls.ListSelection());
}

// Twenty names fill the first block exactly; twenty-three take a second
// read into a block of the size RAS asks for. Neither block is written past.
TEST_F(DialUpEntryChoice, LongPhoneBooksAreListedInFull)
{
    struct Case {
        int names;
        unsigned enumCalls;   // for the two fills
    };
    for (const Case& size : {Case{20, 2}, Case{23, 4}}) {
        SCOPED_TRACE(size.names);
        RasDoubleEmpty();
        ras->enumCalls = 0;
        std::vector<std::string> names;
        for (int i = 0; i < size.names; ++i)
            names.push_back(std::string("Line ") + static_cast<char>('A' + i));
        Fill(names);
        LocalBlockTailCheck tails;
        ASSERT_TRUE(tails.active());
        EXPECT_EQ(size.names, FillDialUpListBox(controls.list()));
        EXPECT_EQ(names, controls.ListItems());
        EXPECT_EQ(size.names, FillDialUpCombo(controls.combo(), names.back().c_str()));
        EXPECT_EQ(names, controls.ComboItems());
        EXPECT_EQ(size.names - 1, controls.ComboSelection());
        EXPECT_EQ(size.enumCalls, ras->enumCalls);
        EXPECT_EQ(size.enumCalls, tails.checked());
        EXPECT_EQ(0u, tails.overrun());
    }
}

TEST_F(DialUpEntryChoice, AnEmptyOrUnreadablePhoneBookLeavesTheControlsEmpty)
{
    controls.Stale();
    EXPECT_EQ(0, FillDialUpListBox(controls.list()));
    EXPECT_EQ(0, FillDialUpCombo(controls.combo(), "Office"));
    EXPECT_TRUE(controls.ListItems().empty());
    EXPECT_TRUE(controls.ComboItems().empty());
    EXPECT_EQ(LB_ERR, controls.ListSelection());
    EXPECT_EQ(CB_ERR, controls.ComboSelection());

    Fill({"Office"});
    controls.Stale();
    ras->enumCalls = 0;
    ras->enumFailCalls = 4;
    ras->enumFailCode = 621;
    ras->enumFailBytes = RAS_DOUBLE_KEEP_BYTES;
    EXPECT_EQ(0, FillDialUpListBox(controls.list()));
    EXPECT_EQ(0, FillDialUpCombo(controls.combo(), "Office"));
    EXPECT_TRUE(controls.ListItems().empty());
    EXPECT_TRUE(controls.ComboItems().empty());
    EXPECT_EQ(4u, ras->enumCalls);
}

TEST_F(DialUpEntryChoice, TheComboSelectsTheGivenNameWithoutRegardToCase)
{
    Fill({"Office", "Branch", "Home"});
    EXPECT_EQ(3, FillDialUpCombo(controls.combo(), "HOME"));
    EXPECT_EQ(std::vector<std::string>({"Branch", "Home", "Office"}), controls.ComboItems());
    EXPECT_EQ(1, controls.ComboSelection());
}

TEST_F(DialUpEntryChoice, ANameNoLongerInThePhoneBookLeavesNoSelection)
{
    Fill({"Office", "Branch"});
    controls.Stale();
    EXPECT_EQ(2, FillDialUpCombo(controls.combo(), "Removed"));
    EXPECT_EQ(CB_ERR, controls.ComboSelection());
    EXPECT_EQ(2, FillDialUpCombo(controls.combo(), "Offic"));
    EXPECT_EQ(CB_ERR, controls.ComboSelection()) << "only a whole name matches";
}

TEST_F(DialUpEntryChoice, WithoutANameTheFirstStaysSelected)
{
    Fill({"Office", "Branch"});
    EXPECT_EQ(2, FillDialUpCombo(controls.combo(), nullptr));
    EXPECT_EQ(0, controls.ComboSelection());
    EXPECT_EQ(2, FillDialUpCombo(controls.combo(), ""));
    EXPECT_EQ(0, controls.ComboSelection());
}

TEST_F(DialUpEntryChoice, ASnapshotOwnsItsNamesAndCanBeRetaken)
{
    Fill({"Office", "Home"});
    EntrySnapshot snapshot;
    EXPECT_EQ(0u, snapshot.Count());
    ASSERT_TRUE(snapshot.Take());
    ASSERT_EQ(2u, snapshot.Count());
    EXPECT_STREQ("Home", snapshot.Name(0));
    EXPECT_STREQ("Office", snapshot.Name(1));
    EXPECT_STREQ("", snapshot.Name(2));

    ras->enumFailCalls = 2;
    ras->enumFailCode = 621;
    ras->enumFailBytes = RAS_DOUBLE_KEEP_BYTES;
    EXPECT_FALSE(snapshot.Take());
    EXPECT_EQ(0u, snapshot.Count());
    EXPECT_STREQ("", snapshot.Name(0));
}

// --- Not bound, or bound in part --------------------------------------------

class UnboundDialUp : public ::testing::Test
{
protected:
    void TearDown() override { RasApiTable = RasApiBindings(); }
    Controls controls;
    MessageJournal journal;
};

TEST_F(UnboundDialUp, NothingIsListedAndNothingCreated)
{
    ASSERT_EQ(nullptr, RasApiTable.RasApiModule);
    controls.Stale();
    EXPECT_EQ(0, FillDialUpListBox(controls.list()));
    EXPECT_EQ(0, FillDialUpCombo(controls.combo(), "stale"));
    EXPECT_TRUE(controls.ListItems().empty());
    EXPECT_TRUE(controls.ComboItems().empty());
    char name[16] = "unchanged";
    EXPECT_EQ(0, CreateDialUpEntry(NULL, name, sizeof(name)));
    EXPECT_STREQ("unchanged", name);
    EntrySnapshot snapshot;
    EXPECT_FALSE(snapshot.Take());
    EXPECT_TRUE(journal.lines().empty()) << "no message when Dial-Up Networking is missing";
}

// Every call through a RAS pointer tests the pointer itself, not only the
// module handle beside it.
TEST_F(UnboundDialUp, AModuleWithoutPointersIsNeverCalledThrough)
{
    RasApiTable.RasApiModule = GetModuleHandleA(NULL);
    controls.Stale();
    EXPECT_EQ(0, FillDialUpListBox(controls.list()));
    EXPECT_EQ(0, FillDialUpCombo(controls.combo(), "stale"));
    EXPECT_TRUE(controls.ListItems().empty());
    char name[16] = "unchanged";
    EXPECT_EQ(0, CreateDialUpEntry(NULL, name, sizeof(name)));
    EXPECT_STREQ("unchanged", name);
    EntrySnapshot snapshot;
    EXPECT_FALSE(snapshot.Take());
    EXPECT_TRUE(journal.lines().empty());
}

}  // namespace
