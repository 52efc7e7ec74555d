// The sample host over a phone book of three connections and one Dial-Up
// Networking entry: what its list shows, and what its commands do to the
// files and the list.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <algorithm>
#include <memory>

#include "EntryRows.h"
#include "EntryVersion.h"
#include "TabTestSupport.h"
#include "TabWindow.h"

using phonebook_tab::EntryReader;
using phonebook_tab::PhoneBookTab;

namespace {

const int kNameColumnIndex = 0;
const int kKindColumnIndex = 1;
const int kAddressColumnIndex = 2;
const int kLoginColumnIndex = 3;

// How many readers live, once it is `expected` or after five seconds.
long LivingReaders(long expected)
{
    DWORD start = GetTickCount();
    while (EntryReader::Living() != expected && GetTickCount() - start < 5000)
        Sleep(10);
    return EntryReader::Living();
}

// Sends the window an empty message from another thread once the gate holds
// a read or listing, and keeps whether it answered within 100 ms. (Sent
// before the gate holds, it would be answered ahead of the posted command
// that is to be held.)
struct AnswerProbe {
    HWND window;
    const ReadGate* gate;
    LRESULT answered;

    static DWORD WINAPI Run(void* parameter)
    {
        AnswerProbe* probe = static_cast<AnswerProbe*>(parameter);
        DWORD_PTR ignored = 0;
        if (probe->gate->WaitHeld(5000))
            probe->answered = SendMessageTimeoutA(probe->window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &ignored);
        return 0;
    }
};

class PhoneBookTabHost : public TabTest
{
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        if (HasFatalFailure())
            return;
        WriteEntry("Office", 1, "555 0100", "alice");
        WriteEntry("Lab", 3, "lab-42", "bob");
        WriteEntry("Bench", 4, "bench-7", "");
        ASSERT_TRUE(RasDoubleAdd("Office Link"));
        OpenWindow();
    }
};

TEST_F(PhoneBookTabHost, TheListShowsTheEntriesThenDialUpNetworking)
{
    EXPECT_EQ((Strings{"Bench", "Lab", "Office", "Office Link"}), Names());
    EXPECT_EQ("Modem", Cell("Office", 1));
    EXPECT_EQ("555 0100", Cell("Office", 2));
    EXPECT_EQ("alice", Cell("Office", 3));
    EXPECT_EQ("Network", Cell("Lab", 1));
    EXPECT_EQ("lab-42", Cell("Lab", 2));
    EXPECT_EQ("bench-7", Cell("Bench", 2));
    EXPECT_EQ("Dial-Up Networking", Cell("Office Link", 1));
    EXPECT_EQ("4 connections", Status());

    // What leaves the folder behind the host's back leaves the list at the
    // next refresh.
    ASSERT_TRUE(DeleteFileA(books.file("Bench.vmr").c_str()));
    SendMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
    EXPECT_EQ((Strings{"Lab", "Office", "Office Link"}), Names());
    ASSERT_TRUE(DeleteFileA(books.file("Lab.vmr").c_str()));
    ASSERT_TRUE(DeleteFileA(books.file("Office.vmr").c_str()));
    SendMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
    EXPECT_EQ("1 connection", Status());
}

// The library says in a message box that an entry comes from another
// version. A background read has no window to own it: the row says so, and
// the library's box comes when the user opens the entry. The mark stays
// until the file changes.
TEST_F(PhoneBookTabHost, AnEntryOfAnotherVersionIsMarkedInItsRowAndSaidWhenOpened)
{
    WriteEntry("Broken", 1, "555 0100", "");
    ASSERT_TRUE(RewriteEntryVersion(books.file("Broken.vmr"), 42));
    {
        JournalOff windows;   // a box would be a real window, on the reader's thread
        SendMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
        FinishReading();
    }
    EXPECT_EQ("Written by another version", Cell("Broken", kKindColumnIndex));
    // Read no more: with the journal back, a read would leave a line in it.
    SendMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
    FinishReading();
    EXPECT_EQ("Written by another version", Cell("Broken", kKindColumnIndex));
    EXPECT_EQ(0u, Messages().size());

    Select({"Broken"});
    DialogDriver driver;
    Command(driver, IDM_PROPERTIES);
    EXPECT_EQ(1u, Messages().size());
    EXPECT_TRUE(driver.MessageBoxes().empty());   // the host adds none of its own
}

// Another program holding an entry open is a passing failure: the next
// refresh reads the entry again.
TEST_F(PhoneBookTabHost, AnEntryHeldOpenIsReadAgainAtTheNextRefresh)
{
    HANDLE held = CreateFileA(books.file("Lab.vmr").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    SendMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
    FinishReading();
    EXPECT_EQ("Cannot be read", Cell("Lab", kKindColumnIndex));
    CloseHandle(held);
    SendMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
    FinishReading();
    EXPECT_EQ("Network", Cell("Lab", kKindColumnIndex));
}

// A read that waits (on a share that does not answer) waits on a reader
// thread: the window shows the row as being read, and may close; the reader
// lives until the read comes back, and then goes.
TEST_F(PhoneBookTabHost, AReadWaitsBesideTheWindowAndOutlivesIt)
{
    ASSERT_EQ(1, LivingReaders(1));   // this window's; earlier windows' are gone
    ReadGate gate([](const std::string& path) { return path.find("\\Office.vmr") != std::string::npos; });
    SendMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
    FinishListing();
    ASSERT_TRUE(gate.WaitHeld(5000));
    EXPECT_NE(GetCurrentThreadId(), gate.HeldThread());
    EXPECT_EQ("Reading...", Cell("Office", kKindColumnIndex));
    // The other rows come back meanwhile.
    DWORD start = GetTickCount();
    while (Progress() != "Reading the connections: 2 of 3" && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ("Reading the connections: 2 of 3", Progress());

    DestroyWindow(window);
    window = NULL;
    Pump();
    EXPECT_EQ(1, EntryReader::Living()) << "the reader went with its window while a read was out";
    gate.Release();
    EXPECT_EQ(0, LivingReaders(0)) << "the reader outlived its last read";
}

// The listing of a folder that does not answer waits beside the window too:
// the window answers another thread's message within 100 ms meanwhile, says
// it is listing, and may close; the reader lives until the listing is back.
TEST_F(PhoneBookTabHost, AListingWaitsBesideTheWindowWhichAnswersAndMayClose)
{
    ASSERT_EQ(1, LivingReaders(1));
    ReadGate gate([](const std::string& path) { return path.empty(); });
    AnswerProbe probe = {window, &gate, 0};
    HANDLE prober = CreateThread(NULL, 0, AnswerProbe::Run, &probe, 0, NULL);
    ASSERT_NE(nullptr, prober);
    PostMessageA(window, WM_COMMAND, IDM_REFRESH, 0);
    while (MsgWaitForMultipleObjects(1, &prober, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        Pump();
    CloseHandle(prober);
    ASSERT_TRUE(gate.WaitHeld(0));
    EXPECT_NE(GetCurrentThreadId(), gate.HeldThread());
    EXPECT_NE(0, probe.answered) << "the window did not answer within 100 ms while listing";
    EXPECT_EQ("Listing the connections...", Progress());

    DestroyWindow(window);
    window = NULL;
    Pump();
    EXPECT_EQ(0, PhoneBookTab::Living());
    EXPECT_EQ(1, EntryReader::Living()) << "the reader went with its window while the listing was out";
    gate.Release();
    EXPECT_EQ(0, LivingReaders(0)) << "the reader outlived its listing";
}

// The Details button shows the host's own view bitmap, its fourth image, as
// the toolbar maps a bitmap of its own: black, grey, silver and white become
// the button's text, shadow, face and highlight colours.
TEST_F(PhoneBookTabHost, TheDetailsButtonShowsTheHostsViewBitmap)
{
    HWND toolbar = GetDlgItem(window, kToolbarId);
    TBBUTTONINFOA button = {};
    button.cbSize = sizeof(button);
    button.dwMask = TBIF_IMAGE;
    ASSERT_NE(-1, SendMessageA(toolbar, TB_GETBUTTONINFOA, IDM_VIEW_DETAILS, reinterpret_cast<LPARAM>(&button)));
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
    HBITMAP drawing = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_VIEW_BUTTONS), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(nullptr, drawing);
    HDC screen = GetDC(NULL);
    HDC source = CreateCompatibleDC(screen), shown = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ oldSource = SelectObject(source, drawing), oldShown = SelectObject(shown, canvas);
    // The face is the image's transparent colour: drawn on the face, as the
    // button is.
    RECT square = {0, 0, 16, 16};
    FillRect(shown, &square, GetSysColorBrush(COLOR_BTNFACE));
    ImageList_Draw(images, button.iImage, shown, 0, 0, ILD_NORMAL);
    auto mapped = [](COLORREF colour) {
        const struct {
            COLORREF drawn;
            int system;
        } map[] = {{RGB(0, 0, 0), COLOR_BTNTEXT}, {RGB(128, 128, 128), COLOR_BTNSHADOW},
                   {RGB(192, 192, 192), COLOR_BTNFACE}, {RGB(255, 255, 255), COLOR_BTNHIGHLIGHT}};
        for (const auto& entry : map) {
            if (colour == entry.drawn)
                return GetSysColor(entry.system);
        }
        return colour;
    };
    int differing = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            differing += GetPixel(shown, x, y) != mapped(GetPixel(source, 3 * 16 + x, y)) ? 1 : 0;
    }
    SelectObject(source, oldSource);
    SelectObject(shown, oldShown);
    DeleteDC(source);
    DeleteDC(shown);
    DeleteObject(canvas);
    DeleteObject(drawing);
    ReleaseDC(NULL, screen);
    EXPECT_EQ(0, differing) << "pixels of 256";
}

// The host may destroy the window while one of the library's dialogs is up:
// the window object lives until the command that opened the dialog returns.
TEST_F(PhoneBookTabHost, TheWindowMayCloseUnderTheLibrarysDialog)
{
    Select({"Office"});
    long living = -1;
    DialogDriver driver;
    driver.SetTemplateModule(GetModuleHandleA("PhoneBk.dll"));
    driver.WaitPage(IDD_GENERAL).Do("close the host's window", [&](HWND) {
        DestroyWindow(window);
        living = PhoneBookTab::Living();
        return true;
    });
    driver.Run([&] { return SendMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0); });
    EXPECT_TRUE(driver.Finished());
    window = NULL;
    EXPECT_EQ(1, living) << "the window object went with its window, under the command";
    EXPECT_EQ(0, PhoneBookTab::Living());
}

TEST_F(PhoneBookTabHost, DeleteAsksWithTheLibrarysDialogAndKeepsTheFileOnNo)
{
    Select({"Office"});
    DialogDriver no;
    no.WaitDialog(IDD_CONFIRM_DELETE)
        .ExpectText(IDC_CONFIRM_TEXT, "Are you sure you want to remove 'Office'?")
        .Press(IDNO)
        .WaitClosed();
    Command(no, IDM_DELETE);
    EXPECT_TRUE(no.Finished());
    EXPECT_TRUE(EntryFileExists("Office"));
    EXPECT_EQ(4u, Names().size());

    DialogDriver yes;
    yes.WaitDialog(IDD_CONFIRM_DELETE).Press(IDYES).WaitClosed();
    Command(yes, IDM_DELETE);
    EXPECT_TRUE(yes.Finished());
    EXPECT_FALSE(EntryFileExists("Office"));
    EXPECT_TRUE(EntryFileExists("Lab"));
    EXPECT_EQ((Strings{"Bench", "Lab", "Office Link"}), Names());
}

TEST_F(PhoneBookTabHost, DeletingTwoAsksWithTheirNumber)
{
    Select({"Office", "Lab"});
    DialogDriver driver;
    driver.WaitDialog(IDD_CONFIRM_DELETE_MANY)
        .ExpectText(IDC_CONFIRM_TEXT, "Are you sure you want to remove these 2 connections?")
        .Press(IDYES)
        .WaitClosed();
    Command(driver, IDM_DELETE);
    EXPECT_TRUE(driver.Finished());
    EXPECT_FALSE(EntryFileExists("Office"));
    EXPECT_FALSE(EntryFileExists("Lab"));
    EXPECT_EQ((Strings{"Bench", "Office Link"}), Names());
}

TEST_F(PhoneBookTabHost, RenameMovesTheFileAndRefusesWhatTheWizardRefuses)
{
    HWND edit = StartRename("Lab", "  Workshop ");
    ASSERT_NE(nullptr, edit);
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_FALSE(EntryFileExists("Lab"));
    EXPECT_TRUE(EntryFileExists("Workshop"));
    EXPECT_EQ((Strings{"Bench", "Office", "Workshop", "Office Link"}), Names());
    EXPECT_EQ((Strings{"Workshop"}), SelectedNames());

    struct Refusal {
        const char* typed;
        const char* message;
    };
    const Refusal refusals[] = {
        {"Office", "There is already a connection named 'Office'. Type another name."},
        {"Work/shop", "A connection name cannot contain any of these characters: \\ / : * ? \" < > |"},
        {"   ", "The connection name must not be blank."},
    };
    for (const Refusal& refusal : refusals) {
        DialogDriver driver;
        driver.AnswerMessageBox(IDOK);
        driver.Run([&] {
            HWND editor = StartRename("Bench", refusal.typed);
            SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
            Pump();
            return 0;
        });
        ASSERT_EQ(1u, driver.MessageBoxes().size()) << refusal.typed;
        EXPECT_EQ(refusal.message, driver.MessageBoxes()[0].text);
        EXPECT_TRUE(EntryFileExists("Bench")) << refusal.typed;
    }
    EXPECT_EQ(4u, Names().size());
}

TEST_F(PhoneBookTabHost, NewThroughTheWizardAddsARowAndSaysTheSession)
{
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Home", kModem);
    Next(driver, IDD_WIZ_PHONE_NUMBER).Type(IDC_PHONE_NUMBER, "555 0199");
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_UTILITIES);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Home", true);
    Command(driver, IDM_NEW);
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(EntryFileExists("Home"));
    FinishReading();
    // The wizard adds the area code of the telephony location.
    EXPECT_NE(std::string::npos, Cell("Home", 2).find(") 555 0199")) << Cell("Home", 2);
    EXPECT_EQ((Strings{"Home"}), SelectedNames());
    EXPECT_EQ("A Velmora session with 'Home' would start now.", Status());
}

TEST_F(PhoneBookTabHost, NewDialUpNetworkingConnectionIsListedAndSelected)
{
    ras->createAddCount = 1;
    lstrcpynA(ras->createAdds[0], "Travel", RAS_DOUBLE_NAME_SIZE);
    DialogDriver driver;
    driver.WaitDialog(IDD_CONNECTION_TYPE).Tick(IDC_TYPE_DIALUP).Press(IDC_TYPE_NEXT).WaitClosed();
    Command(driver, IDM_NEW);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ((Strings{"Bench", "Lab", "Office", "Office Link", "Travel"}), Names());
    EXPECT_EQ((Strings{"Travel"}), SelectedNames());
}

TEST_F(PhoneBookTabHost, PropertiesOpenTheSheetOrDialUpNetworkingsDialog)
{
    Select({"Office"});
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).ExpectText(IDC_PHONE_NUMBER, "555 0100").PressSheetButton(PSBTN_CANCEL).WaitClosed();
    Command(driver, IDM_PROPERTIES);
    EXPECT_TRUE(driver.Finished());

    Select({"Office Link"});
    SendMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0);
    EXPECT_EQ(1u, ras->editCalls);
    EXPECT_STREQ("Office Link", ras->editEntry);
}

TEST_F(PhoneBookTabHost, CopyTakesTheFirstFreeCopyName)
{
    Select({"Office"});
    SendMessageA(window, WM_COMMAND, IDM_COPY, 0);
    EXPECT_EQ((Strings{"Copy of Office"}), SelectedNames());
    Select({"Office"});
    SendMessageA(window, WM_COMMAND, IDM_COPY, 0);
    EXPECT_TRUE(EntryFileExists("Copy of Office"));
    EXPECT_TRUE(EntryFileExists("Copy (2) of Office"));
    FinishReading();
    EXPECT_EQ("555 0100", Cell("Copy (2) of Office", 2));

    // Dial-Up Networking entries are not copied: the host says so.
    Select({"Office Link"});
    DialogDriver driver;
    driver.AnswerMessageBox(IDOK);
    Command(driver, IDM_COPY);
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Dial-Up Networking connections cannot be renamed or copied here.", driver.MessageBoxes()[0].text);
}

TEST_F(PhoneBookTabHost, ChangesAskForTheLoginUntilLogOutAndLeavingTheTabLogsOut)
{
    gate->answer = 1;   // refused
    Select({"Office"});
    DialogDriver driver;
    driver.WaitDialog(IDD_CONFIRM_DELETE).Press(IDYES).AnswerMessageBox(IDOK);
    Command(driver, IDM_DELETE);
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(EntryFileExists("Office"));
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("You are not allowed to change the phone book.", driver.MessageBoxes()[0].text);

    gate->answer = 0;
    SendMessageA(window, WM_COMMAND, IDM_COPY, 0);
    DWORD asked = gate->calls;
    EXPECT_TRUE(EntryFileExists("Copy of Office"));
    SendMessageA(window, WM_COMMAND, IDM_COPY, 0);
    EXPECT_EQ(asked, gate->calls);   // granted once, until logout
    SendMessageA(window, WM_COMMAND, IDM_LOG_OUT, 0);
    SendMessageA(window, WM_COMMAND, IDM_COPY, 0);
    EXPECT_EQ(asked + 1, gate->calls);

    // A grant ends when the user leaves the Phone Book tab.
    HWND tabs = GetDlgItem(window, kTabsId);
    TabCtrl_SetCurFocus(tabs, 1);
    EXPECT_FALSE(IsWindowVisible(list));
    TabCtrl_SetCurFocus(tabs, 0);
    SendMessageA(window, WM_COMMAND, IDM_COPY, 0);
    EXPECT_EQ(asked + 2, gate->calls);
}

// Clicks on the headers, in turn, and the order each leaves: a second click
// on the same header turns the order round; Dial-Up Networking stays last.
TEST_F(PhoneBookTabHost, AHeaderClickSortsByItsColumn)
{
    struct Click {
        int column;
        Strings order;
    };
    const Click clicks[] = {
        {kLoginColumnIndex, {"Bench", "Office", "Lab", "Office Link"}},     // "", alice, bob
        {kLoginColumnIndex, {"Lab", "Office", "Bench", "Office Link"}},
        {kAddressColumnIndex, {"Office", "Bench", "Lab", "Office Link"}},   // 555 0100, bench-7, lab-42
        {kNameColumnIndex, {"Bench", "Lab", "Office", "Office Link"}},
        {kNameColumnIndex, {"Office", "Lab", "Bench", "Office Link"}},
    };
    for (const Click& click : clicks) {
        ClickHeader(click.column);
        EXPECT_EQ(click.order, Names()) << "column " << click.column;
    }
    // Typing in the list goes to the name that begins so.
    SetFocus(list);
    SendMessageA(list, WM_CHAR, 'l', 1);
    EXPECT_EQ((Strings{"Lab"}), SelectedNames());
}

// Ctrl+F goes to the Find box; what is typed there keeps the rows whose
// name, number or workstation holds it, without regard to case.
TEST_F(PhoneBookTabHost, TheFindBoxFiltersAsOneTypes)
{
    SendMessageA(window, WM_COMMAND, IDM_FIND, 0);
    EXPECT_EQ(GetDlgItem(window, kFindId), GetFocus());
    struct Typed {
        const char* text;
        Strings shown;
    };
    const Typed typed[] = {
        {"OFFICE", {"Office", "Office Link"}},
        {"555 01", {"Office"}},    // the number
        {"bench-", {"Bench"}},     // the workstation
        {"alice", {}},             // not the login name
        {"", {"Bench", "Lab", "Office", "Office Link"}},
    };
    for (const Typed& find : typed) {
        Find(find.text);
        EXPECT_EQ(find.shown, Names()) << find.text;
    }
    Find("lab");
    EXPECT_EQ("1 of 4 connections", Status());
}

// The About tab names the folder the host chose, or the library's rule when
// the host left the choice to it.
TEST_F(PhoneBookTabHost, AboutNamesTheChosenFolderOrTheLibrarysRule)
{
    auto about = [](HWND tab) {
        TabCtrl_SetCurFocus(GetDlgItem(tab, kTabsId), 1);
        char text[1024] = "";
        GetWindowTextA(GetDlgItem(tab, kAboutId), text, sizeof(text));
        return std::string(text);
    };
    EXPECT_NE(std::string::npos, about(window).find(books.path())) << about(window);
    HWND own = CreatePhoneBookTab(GetModuleHandleA(NULL), book, dialUp, NULL, SW_SHOWNORMAL);
    ASSERT_NE(nullptr, own);
    char program[MAX_PATH] = "";
    GetModuleFileNameA(NULL, program, sizeof(program));
    std::string folder(program, strrchr(program, '\\') + 1);
    std::string text = about(own);
    DestroyWindow(own);
    EXPECT_NE(std::string::npos, text.find(folder + "users\\<domain>\\<user>\\")) << text;
    EXPECT_EQ(std::string::npos, text.find(books.path())) << text;
}

// A phone book of a few hundred entries whose last two hundred wait to be
// read (a share slow to answer): the window shows every name at once, reads
// the rows scrolled to before the others, and sorts and finds the rows read
// so far; once the rest come back, over every row.
class LargePhoneBook : public TabTest
{
protected:
    static const int kEntries = 300;
    static const int kQuick = 100;

    void SetUp() override
    {
        TabTest::SetUp();
        if (HasFatalFailure())
            return;
        // Login names run against the names, numbers with them.
        for (int i = 0; i < kEntries; ++i)
            WriteEntry(Name(i), 1, "555 " + Number(1000 + i), "user " + Number(kEntries - 1 - i));
        gate.reset(new ReadGate([](const std::string& path) {
            size_t at = path.rfind("\\Entry ");
            return at != std::string::npos && atoi(path.c_str() + at + 7) >= kQuick;
        }));
        OpenWindow(false);
    }
    void TearDown() override
    {
        if (window != NULL)
            DestroyWindow(window);
        gate.reset();
        TabTest::TearDown();
    }
    static std::string Number(int n)
    {
        char text[16];
        wsprintfA(text, "%03d", n);
        return text;
    }
    static std::string Name(int i) { return "Entry " + Number(i); }

    std::unique_ptr<ReadGate> gate;
};

TEST_F(LargePhoneBook, RowsScrolledToComeFirstAndTheRowsReadSortAndFindBeforeTheRest)
{
    ASSERT_EQ(static_cast<size_t>(kEntries), Names().size());
    std::string quickDone = "Reading the connections: 100 of 300";
    DWORD start = GetTickCount();
    while (Progress() != quickDone && GetTickCount() - start < 20000) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    ASSERT_EQ(quickDone, Progress());
    EXPECT_EQ("Modem", Cell(Name(0), kKindColumnIndex));
    EXPECT_EQ("Reading...", Cell(Name(kEntries - 1), kKindColumnIndex));
    Pump();   // what the test's own look at every row asked for
    ListView_EnsureVisible(list, kEntries - 1, FALSE);
    UpdateWindow(list);
    Pump();

    // Only the rows read so far show their numbers; by login, the first
    // entry's comes last among them.
    ClickHeader(kLoginColumnIndex);
    Find("555 1");
    EXPECT_EQ(Name(0), Names().back());
    EXPECT_EQ(static_cast<size_t>(kQuick), Names().size());
    gate->Release();
    FinishReading();
    EXPECT_EQ("555 1299", Cell(Name(kEntries - 1), kAddressColumnIndex));
    Strings begun = gate->Begun();
    auto began = [&begun](const std::string& name) {
        return std::find_if(begun.begin(), begun.end(), [&](const std::string& path) {
                   return path.find("\\" + name + ".vmr") != std::string::npos;
               }) - begun.begin();
    };
    EXPECT_LT(began(Name(kEntries - 1)), began(Name(kEntries / 2))) << "the last row was scrolled to";
    Strings names = Names();
    ASSERT_EQ(static_cast<size_t>(kEntries), names.size());
    EXPECT_EQ(Name(kEntries - 1), names.front());
    EXPECT_EQ(Name(0), names.back());
    EXPECT_EQ("300 of 300 connections", Status());
}

}  // namespace
