// The wizard on the common controls of Windows 95 and NT 4, which refuse the
// version 2 page and header sizes: the COMCTL32.DLL double beside this
// program refuses them as those did and hands the rest to the system's sheet.
#include "WizardTestSupport.h"

namespace {

class OldCommonControls : public WizardPaths
{
protected:
    void SetUp() override
    {
        WizardPaths::SetUp();
        sheet = ComctlDouble();
        ASSERT_NE(nullptr, sheet) << "this program's COMCTL32.DLL must be the double";
        *sheet = ComctlDoubleState();
    }

    ComctlDoubleState* sheet = nullptr;
};

TEST_F(OldCommonControls, TheSamePagesOpenInTheVersion1SizesAndMakeTheEntry)
{
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Cable", kCable);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, "Cable", false);

    EXPECT_EQ(2, Create(driver, 1));
    EXPECT_TRUE(driver.Finished());
    ASSERT_EQ(2u, sheet->calls);
    const ComctlDoubleCall& refused = sheet->log[0];
    const ComctlDoubleCall& opened = sheet->log[1];
    EXPECT_EQ(52u, refused.headerSize);
    EXPECT_EQ(40u, opened.headerSize);
    EXPECT_EQ(refused.flags, opened.flags);
    ASSERT_EQ(6u, refused.pageCount);
    ASSERT_EQ(refused.pageCount, opened.pageCount);
    for (DWORD page = 0; page < opened.pageCount; ++page) {
        EXPECT_EQ(48u, refused.pageSize[page]) << page;
        EXPECT_EQ(40u, opened.pageSize[page]) << page;
        EXPECT_EQ(refused.pageTemplate[page], opened.pageTemplate[page]) << page;
    }
    VmrPhoneBook entry;
    EXPECT_TRUE(ReadBack(entry, "Cable"));
}

// Refused in both sizes: one more try, no more, and nothing made.
TEST_F(OldCommonControls, ASheetRefusedInEverySizeIsTriedOnceMore)
{
    sheet->refuseAll = TRUE;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONNECTION_TYPE).Press(IDC_TYPE_NEXT);
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(2u, sheet->calls);
    EXPECT_TRUE(EntryFiles().empty());
}

// A -1 after the sheet was shown is no refusal of its sizes: never shown twice
// (here a newer sheet, which takes the version 2 sizes).
TEST_F(OldCommonControls, ASheetThatFailsAfterShowingIsNotShownAgain)
{
    sheet->failAfterSheet = TRUE;
    DialogDriver driver;
    ChooseVelmora(driver).PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(1u, sheet->calls);
}

}  // namespace
