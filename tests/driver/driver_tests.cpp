// The dialog test driver on small dialogs of its own: input delivered as a
// user's, the checks, the refusals (a disabled or hidden button is never
// pressed), sheets and message boxes. The watchdog and the screenshots are in
// driver_watchdog_tests.cpp.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "DialogDriver.h"
#include "DriverTestDialogs.h"
#include "DriverTestIds.h"
#include "TestSupport.h"


// ---- Input reaches the controls as a user's would.

TEST(DriverInput, TypingReplacesTextKeyByKeyInEditsAndCombos)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Type(IDC_NAME, "Office")
        .Type(IDC_CITY, "Rome")
        .ReadText(IDC_NAME, "name")
        .ReadText(IDC_CITY, "city")
        .ExpectText(IDC_NAME, "Office")
        .Press(IDOK)
        .WaitClosed();
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_TRUE(driver.Finished());
    EXPECT_FALSE(driver.Failed());
    EXPECT_EQ("Office", log.name);
    EXPECT_EQ("Rome", log.city);
    EXPECT_EQ("Office", driver.Text("name"));
    EXPECT_EQ("Rome", driver.Text("city"));
    // One change for rubbing out "Home", one per key.
    EXPECT_EQ(7, log.Count(IDC_NAME, EN_CHANGE));
    // The combo box speaks for its edit: "Berlin" rubbed out, then four keys.
    EXPECT_EQ(5, log.Count(IDC_CITY, CBN_EDITCHANGE));
    EXPECT_EQ(5, log.Count(IDC_CITY, CBN_EDITUPDATE));
}

TEST(DriverInput, TypingKeepsToTheControlsTextLimit)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Type(IDC_NAME, "Dial-up Office").ExpectText(IDC_NAME, "Dial-up ").Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ("Dial-up ", log.name);
}

TEST(DriverInput, TickingClicksOnlyWhenTheStateDiffers)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Tick(IDC_BOX)
        .Tick(IDC_BOX)
        .ExpectChecked(IDC_BOX, BST_CHECKED)
        .Tick(IDC_TRI)                 // indeterminate, through unchecked, to checked
        .Tick(IDC_RADIO_B)
        .ExpectChecked(IDC_RADIO_A, BST_UNCHECKED)
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    EXPECT_EQ(1, log.Count(IDC_BOX, BN_CLICKED));
    EXPECT_EQ(BST_CHECKED, log.box);
    EXPECT_EQ(2, log.Count(IDC_TRI, BN_CLICKED));
    EXPECT_EQ(BST_CHECKED, log.tri);
    EXPECT_TRUE(log.radioB);
}

TEST(DriverInput, UntickingAlsoClicks)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Tick(IDC_BOX).Tick(IDC_BOX, false).Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ(2, log.Count(IDC_BOX, BN_CLICKED));
    EXPECT_EQ(BST_UNCHECKED, log.box);
}

TEST(DriverInput, PickingSelectsTheItemAndNotifiesTheParent)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Pick(IDC_LIST, "two")
        .Pick(IDC_KIND, "ISDN")
        .Pick(IDC_CITY, "Paris")
        .ReadText(IDC_LIST, "list")
        .ReadText(IDC_KIND, "kind")
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    EXPECT_EQ(1, log.Count(IDC_LIST, LBN_SELCHANGE));
    EXPECT_EQ(1, log.Count(IDC_KIND, CBN_SELCHANGE));
    EXPECT_EQ(1, log.Count(IDC_CITY, CBN_SELCHANGE));
    EXPECT_EQ("two", log.listItem);
    EXPECT_EQ("ISDN", log.kind);
    EXPECT_EQ("Paris", log.city);
    EXPECT_EQ("two", driver.Text("list"));
    EXPECT_EQ("ISDN", driver.Text("kind"));
}

TEST(DriverInput, FindsDialogsByTemplateOrCaption)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialogCaption("Driver controls").Type(IDC_NAME, "Work").Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ("Work", log.name);

    std::string other;
    DialogDriver older;
    older.WaitDialog(IDD_OTHER).Type(IDC_OTHER, "DIALOG").Press(IDOK);
    EXPECT_EQ(IDOK, older.Run([&] { return ShowOther(&other); }));
    EXPECT_FALSE(older.Failed());
    EXPECT_EQ("DIALOG", other);

    DialogDriver missing;
    missing.WaitDialog(999).Press(IDOK);
    EXPECT_NONFATAL_FAILURE(missing.Run([&] { return ShowOther(&other); }),
                            "step 1 of 2 (wait for dialog 999): no dialog template 999 in the template module");

    DialogDriver wrong;
    wrong.SetStepDeadline(1000);
    wrong.WaitDialog(IDD_OTHER).Press(IDOK);
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = wrong.Run([&] { return ShowControls(&log); }),
                            "step 1 of 2 (wait for dialog 102): not done within 1000 ms: no dialog "
                            "with the controls of template 102; open: 'Driver controls'");
    EXPECT_EQ(IDCANCEL, result);
}

// ---- Checks record failures and let the script go on.

TEST(DriverChecks, MatchingChecksPass)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .ExpectEnabled(IDC_DISABLED, false)
        .ExpectEnabled(IDC_NAME, true)
        .ExpectVisible(IDC_HIDDEN, false)
        .ExpectVisible(IDC_NAME, true)
        .ExpectChecked(IDC_BOX, BST_UNCHECKED)
        .ExpectChecked(IDC_TRI, BST_INDETERMINATE)
        .ExpectText(IDC_NAME, "Home")
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    EXPECT_TRUE(driver.Finished());
}

TEST(DriverChecks, EachMismatchIsReportedWithItsStep)
{
    struct Case {
        const char* expected;
        void (*script)(DialogDriver&);
    };
    const Case cases[] = {
        {"step 2 of 3 (expect control 1009 enabled): the control is disabled",
         [](DialogDriver& d) { d.ExpectEnabled(IDC_DISABLED, true); }},
        {"step 2 of 3 (expect control 1010 visible): the control is hidden",
         [](DialogDriver& d) { d.ExpectVisible(IDC_HIDDEN, true); }},
        {"step 2 of 3 (expect control 1005 in check state 1): its check state is 0",
         [](DialogDriver& d) { d.ExpectChecked(IDC_BOX, BST_CHECKED); }},
        {"step 2 of 3 (expect control 1001 to read 'Work'): the control reads 'Home'",
         [](DialogDriver& d) { d.ExpectText(IDC_NAME, "Work"); }},
    };
    for (const Case& c : cases) {
        ControlsLog log;
        DialogDriver driver;
        driver.WaitDialog(IDD_CONTROLS);
        c.script(driver);
        driver.Press(IDOK);
        INT_PTR result = 0;
        EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }), c.expected);
        // A failed check does not stop the script.
        EXPECT_EQ(IDOK, result) << c.expected;
        EXPECT_TRUE(driver.Finished()) << c.expected;
    }
}

// ---- What a user could not do, the driver does not do either.

TEST(DriverRefusals, DisabledButtonIsNotPressed)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Press(IDC_DISABLED).Press(IDOK);
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }),
                            "step 2 of 3 (press button 1009): the button is disabled; not pressed");
    EXPECT_EQ(0, log.Count(IDC_DISABLED, BN_CLICKED));
    // The script stopped there, and the driver closed the dialog.
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(1u, driver.StepsDone());
}

TEST(DriverRefusals, ReadOnlyEditHiddenControlAndMissingItemAreRefused)
{
    struct Case {
        const char* expected;
        void (*script)(DialogDriver&);
    };
    const Case cases[] = {
        {"(type 'x' into control 1012): the control is read-only; nothing typed",
         [](DialogDriver& d) { d.Type(IDC_READONLY, "x"); }},
        {"(type 'x' into control 1010): the control is hidden; nothing typed",
         [](DialogDriver& d) { d.Type(IDC_HIDDEN, "x"); }},
        {"(pick 'isdn' in control 1003): no item reads exactly 'isdn' among its 2 items",
         [](DialogDriver& d) { d.Pick(IDC_KIND, "isdn"); }},
        {"(untick control 1008): a click cannot untick a radio button",
         [](DialogDriver& d) { d.Tick(IDC_RADIO_B).Tick(IDC_RADIO_B, false); }},
        {"(type 'x' into control 1005): control is a Button, neither an edit",
         [](DialogDriver& d) { d.Type(IDC_BOX, "x"); }},
    };
    for (const Case& c : cases) {
        ControlsLog log;
        DialogDriver driver;
        driver.WaitDialog(IDD_CONTROLS);
        c.script(driver);
        driver.Press(IDOK);
        INT_PTR result = 0;
        EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }), c.expected);
        EXPECT_EQ(IDCANCEL, result) << c.expected;
        EXPECT_EQ("", log.name) << c.expected;   // OK was never pressed
        EXPECT_EQ(0, log.Count(IDC_KIND, CBN_SELCHANGE)) << c.expected;
        EXPECT_EQ(0, log.Count(IDC_NAME, EN_CHANGE)) << c.expected;
    }
}

// ---- Wizards and property sheets.

TEST(DriverSheets, WizardGoesNextBackAndFinishes)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_NAME)
        .ExpectVisible(0x3025, false)                 // Finish, on the sheet
        .Type(IDC_PAGE_NAME, "Office")
        .PressSheetButton(PSBTN_NEXT)
        .WaitPage(IDD_PAGE_CONFIRM)
        .PressSheetButton(PSBTN_BACK)
        .WaitPage(IDD_PAGE_NAME)
        .ReadText(IDC_PAGE_NAME, "kept")
        .PressSheetButton(PSBTN_NEXT)
        .WaitPage(IDD_PAGE_CONFIRM)
        .ExpectEnabled(0x3025, false)
        .Tick(IDC_PAGE_AGREE)
        .WaitEnabled(0x3025)
        .PressSheetButton(PSBTN_FINISH)
        .WaitClosed();
    INT_PTR result = driver.Run([&] { return ShowSheet(&log, true); });
    EXPECT_FALSE(driver.Failed());
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(1, result);
    EXPECT_EQ("Office", log.nameAtNext);
    EXPECT_EQ("Office", driver.Text("kept"));
    const std::vector<std::string> expected = {
        "201:SETACTIVE", "201:WIZNEXT", "201:KILLACTIVE", "202:SETACTIVE", "202:WIZBACK",
        "202:KILLACTIVE", "201:SETACTIVE", "201:WIZNEXT", "201:KILLACTIVE", "202:SETACTIVE",
        "202:WIZFINISH"};
    std::vector<std::string> seen = log.notifications;
    seen.resize(std::min(seen.size(), expected.size()));
    EXPECT_EQ(expected, seen);
}

TEST(DriverSheets, DisabledFinishIsNotPressed)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_NAME)
        .PressSheetButton(PSBTN_NEXT)
        .WaitPage(IDD_PAGE_CONFIRM)
        .PressSheetButton(PSBTN_FINISH)
        .WaitClosed();
    INT_PTR result = -1;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowSheet(&log, true); }),
                            "step 4 of 5 (press the sheet's Finish button): the button is disabled on "
                            "'Confirm' (property sheet, page 'Confirm'); not pressed");
    EXPECT_FALSE(log.Saw("202:WIZFINISH"));
    EXPECT_TRUE(log.Saw("202:QUERYCANCEL"));   // the driver cancelled the sheet
    EXPECT_EQ(0, result);
}

TEST(DriverSheets, HiddenFinishIsNotPressed)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_NAME).PressSheetButton(PSBTN_FINISH);
    INT_PTR result = -1;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowSheet(&log, true); }),
                            "(press the sheet's Finish button): the button is hidden");
    EXPECT_FALSE(log.Saw("201:WIZFINISH"));
    EXPECT_EQ(0, result);
}

TEST(DriverSheets, PropertiesSheetAppliesThenCloses)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_GENERAL)
        .ExpectEnabled(0x3021, false)                 // Apply, before any change
        .Type(IDC_GENERAL_NAME, "Office")
        .ExpectEnabled(0x3021, true)
        .PressSheetButton(PSBTN_APPLYNOW)
        .Do("note the applies so far",
            [&](HWND) {
                log.notifications.push_back("--");
                return true;
            })
        .PressSheetButton(PSBTN_OK)
        .WaitClosed();
    driver.Run([&] { return ShowSheet(&log, false); });
    EXPECT_FALSE(driver.Failed());
    // Apply hands the page back its activation; OK ends the sheet.
    const std::vector<std::string> expected = {"203:SETACTIVE", "203:KILLACTIVE", "203:APPLY",
                                               "203:SETACTIVE", "--", "203:KILLACTIVE", "203:APPLY-OK"};
    EXPECT_EQ(expected, log.notifications);
}

TEST(DriverSheets, ApplyIsNotPressedBeforeAChange)
{
    SheetLog log;
    DialogDriver driver;
    driver.WaitPage(IDD_PAGE_GENERAL).PressSheetButton(PSBTN_APPLYNOW);
    EXPECT_NONFATAL_FAILURE(driver.Run([&] { return ShowSheet(&log, false); }),
                            "(press the sheet's Apply button): the button is disabled");
    EXPECT_FALSE(log.Saw("203:APPLY"));
}

// ---- Message boxes.

TEST(DriverMessageBoxes, AnswersAndRecordsCaptionAndText)
{
    DialogDriver driver;
    driver.AnswerMessageBox(IDNO);
    int answer = driver.Run([] {
        return MessageBoxA(NULL, "The number is busy.\nTry again?", "Dial", MB_YESNO | MB_ICONQUESTION);
    });
    EXPECT_EQ(IDNO, answer);
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Dial", driver.MessageBoxes()[0].caption);
    EXPECT_EQ("The number is busy.\nTry again?", driver.MessageBoxes()[0].text);
    EXPECT_EQ(IDNO, driver.MessageBoxes()[0].button);
}

TEST(DriverMessageBoxes, AnswersABoxOpenedFromADialog)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Press(IDC_ASK).AnswerMessageBox(IDYES).Type(IDC_NAME, "After").Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_EQ(IDYES, log.answer);
    EXPECT_EQ("After", log.name);
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Save the changes?", driver.MessageBoxes()[0].text);
}

TEST(DriverMessageBoxes, BoxTheScriptDoesNotAnswerFailsTheStepWaitingBehindIt)
{
    ControlsLog log;
    DialogDriver driver;
    driver.SetStepDeadline(1000);
    driver.WaitDialog(IDD_CONTROLS).Press(IDC_ASK).Type(IDC_NAME, "x").Press(IDOK);
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }),
                            "step 3 of 4 (type 'x' into control 1001): not done within 1000 ms: "
                            "'Driver controls' does not accept input; open: 'Driver controls' (message box: "
                            "'Save the changes?'), 'Driver controls' [disabled]");
    // The driver answered the box, then closed the dialog.
    EXPECT_EQ(IDCANCEL, log.answer);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(0, log.Count(IDC_NAME, EN_CHANGE));
}

TEST(DriverMessageBoxes, ButtonTheBoxLacksIsNotPressed)
{
    DialogDriver driver;
    driver.AnswerMessageBox(IDYES);
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(answer = driver.Run([] { return MessageBoxA(NULL, "Done.", "Dial", MB_OK); }),
                            "has no usable button 6; not answered");
    EXPECT_NE(IDYES, answer);
    ASSERT_EQ(1u, driver.MessageBoxes().size());
    EXPECT_EQ("Done.", driver.MessageBoxes()[0].text);
    EXPECT_EQ(0, driver.MessageBoxes()[0].button);
}
