// The picture tour: the sample host's window visited in the running locale's
// language, every dialog of the visit photographed. scripts/tour.sh runs it
// once per language with PHONEBK_TOUR_FOLDER naming the folder, below the
// driver's screenshot directory, that the pictures go to.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "HostText.h"
#include "TabTestSupport.h"

namespace {

class Tour : public TabTest
{
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        if (HasFatalFailure())
            return;
        const char* folder = getenv("PHONEBK_TOUR_FOLDER");
        folder_ = folder != nullptr ? folder : "tour";
        ASSERT_TRUE(RasDoubleAdd("Head Office Dial-Up"));
        ASSERT_TRUE(RasDoubleAdd("Travel Dial-Up"));
        OpenWindow();
        SetWindowPos(window, NULL, 0, 0, 760, 520, SWP_NOZORDER);
        Pump();
    }

    // A driver whose pictures go to the tour's folder.
    void Prepare(DialogDriver& driver)
    {
        driver.SetScreenshotFolder(folder_);
        driver.SetTemplateModule(GetModuleHandleA("PhoneBk.dll"));
        driver.SetStepDeadline(8000);
        driver.SetHardLimit(60000);
    }

    // A picture of the window as it stands, with nothing modal open.
    void Picture(const std::string& label)
    {
        Pump();
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        DialogDriver driver("tour");
        Prepare(driver);
        driver.Screenshot(label);
        driver.Run([&] {
            DWORD start = GetTickCount();
            while (!driver.Finished() && GetTickCount() - start < 5000) {
                Pump();
                Sleep(20);
            }
            return 0;
        });
        EXPECT_TRUE(driver.Finished()) << label;
    }

    std::string folder_;
};

TEST_F(Tour, Visit)
{
    // The list: the host's own examples, one of each kind, and two entries of
    // Dial-Up Networking.
    SendMessageA(window, WM_COMMAND, IDM_ADD_EXAMPLES, 0);
    std::vector<std::string> examples;
    std::string names = LoadText(IDS_EXAMPLES);
    for (size_t start = 0, bar; start <= names.size(); start = bar + 1) {
        bar = names.find('|', start);
        if (bar == std::string::npos)
            bar = names.size();
        examples.push_back(names.substr(start, bar - start));
    }
    ASSERT_EQ(3u, examples.size());
    ASSERT_EQ(5u, Names().size());
    FinishReading();
    Select({examples[0]});
    Picture("01-list");
    SendMessageA(window, WM_COMMAND, IDM_VIEW_LARGE_ICONS, 0);
    Picture("02-large-icons");
    SendMessageA(window, WM_COMMAND, IDM_VIEW_DETAILS, 0);

    // The wizard, page by page: a modem connection that asks for a session,
    // then a network connection over Dial-Up Networking.
    {
        DialogDriver driver("tour");
        Prepare(driver);
        driver.WaitDialog(IDD_CONNECTION_TYPE).Screenshot("03-wizard-type").Press(IDC_TYPE_NEXT);
        NameAndDevice(driver, "Branch", kModem).Screenshot("04-wizard-name");
        Next(driver, IDD_WIZ_PHONE_NUMBER).Type(IDC_AREA_CODE, "040").Type(IDC_PHONE_NUMBER, "555 0142");
        driver.Screenshot("05-wizard-number");
        Next(driver, IDD_WIZ_LOGIN).Type(IDC_LOGIN_NAME, "branch").Screenshot("06-wizard-login");
        Next(driver, IDD_WIZ_UTILITIES).Screenshot("07-wizard-utilities");
        Next(driver, IDD_WIZ_FINISH).Tick(IDC_ESTABLISH_SESSION).Screenshot("08-wizard-finish");
        driver.PressSheetButton(PSBTN_FINISH).WaitClosed();
        Command(driver, IDM_NEW);
        EXPECT_TRUE(driver.Finished());
    }
    EXPECT_EQ((Strings{"Branch"}), SelectedNames());
    FinishReading();
    Picture("09-created");
    {
        DialogDriver driver("tour");
        Prepare(driver);
        ChooseVelmora(driver);
        NameAndDevice(driver, "Campus", NetworkDevice(3)).Tick(IDC_USE_DIALUP);
        Next(driver, IDD_WIZ_DIALUP_LINK).Pick(IDC_DIALUP_ENTRY, "Head Office Dial-Up");
        driver.Screenshot("10-wizard-dialup");
        Next(driver, IDD_WIZ_WORKSTATION).Type(IDC_WORKSTATION, "campus-gw").Screenshot("11-wizard-workstation");
        Next(driver, IDD_WIZ_LOGIN);
        Next(driver, IDD_WIZ_UTILITIES);
        Next(driver, IDD_WIZ_FINISH);
        driver.PressSheetButton(PSBTN_FINISH).WaitClosed();
        Command(driver, IDM_NEW);
        EXPECT_TRUE(driver.Finished());
    }

    // The Properties sheet of the modem example, tab by tab.
    {
        Select({examples[0]});
        DialogDriver driver("tour");
        Prepare(driver);
        driver.WaitPage(IDD_GENERAL).Screenshot("12-properties-general");
        const int pages[] = {IDD_LOGIN, IDD_STARTUP};
        const char* labels[] = {"13-properties-login", "14-properties-startup"};
        for (int i = 0; i < 2; ++i) {
            driver.Do("open tab " + std::to_string(i + 1), [i](HWND sheet) {
                SendMessageA(sheet, PSM_SETCURSEL, i + 1, 0);
                return true;
            });
            driver.WaitPage(pages[i]).Screenshot(labels[i]);
        }
        driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
        Command(driver, IDM_PROPERTIES);
        EXPECT_TRUE(driver.Finished());
    }

    // A rename, in the list's own label editor.
    HWND edit = StartRename("Branch", "Harbour");
    ASSERT_NE(nullptr, edit);
    Picture("15-rename");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_TRUE(EntryFileExists("Harbour"));
    FinishReading();
    Picture("16-renamed");

    // The delete confirmations, answered No.
    Select({"Harbour"});
    {
        DialogDriver driver("tour");
        Prepare(driver);
        driver.WaitDialog(IDD_CONFIRM_DELETE).Screenshot("17-delete-one").Press(IDNO).WaitClosed();
        Command(driver, IDM_DELETE);
        EXPECT_TRUE(driver.Finished());
    }
    Select({examples[1], examples[2], "Harbour"});
    {
        DialogDriver driver("tour");
        Prepare(driver);
        driver.WaitDialog(IDD_CONFIRM_DELETE_MANY).Screenshot("18-delete-many").Press(IDNO).WaitClosed();
        Command(driver, IDM_DELETE);
        EXPECT_TRUE(driver.Finished());
    }
    EXPECT_EQ(7u, Names().size());

    TabCtrl_SetCurFocus(GetDlgItem(window, kTabsId), 1);
    Picture("19-about");
}

// A branch network's phone book of thousands, sorted by number and found by
// city: the README's picture. Writing the entries takes half a minute, so
// the visit is made once, in English; the other languages' texts of the list
// show in the pictures above.
TEST_F(Tour, Thousands)
{
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_ENGLISH)
        GTEST_SKIP() << "made once, in English";
    DestroyWindow(window);
    const char* cities[] = {"Aachen", "Bergen", "Cork", "Lyon", "Porto", "Turin", "Utrecht", "Zagreb"};
    for (int i = 0; i < 3000; ++i) {
        std::string city = cities[i % 8];
        std::string number = std::to_string(100 + i / 8);
        if (i % 3 == 0)
            WriteEntry(city + " branch " + number, 1, "555 0" + number, "desk" + number);
        else
            WriteEntry(city + " desk " + number, i % 3 == 1 ? 3 : 4, "ws-" + city + "-" + number, "support");
        ASSERT_FALSE(HasFatalFailure());
    }
    OpenWindow(false);   // the first picture while the rows are being read
    SetWindowPos(window, NULL, 0, 0, 760, 520, SWP_NOZORDER);
    Picture("20-thousands");
    FinishReading();
    ClickHeader(2);
    Find("lyon desk");
    Picture("21-thousands-found");
}

}  // namespace
