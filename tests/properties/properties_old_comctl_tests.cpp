// The Properties sheet on the common controls of Windows 95 and NT 4, which
// refuse the version 2 page and header sizes: the COMCTL32.DLL double beside
// this program refuses them as those did and hands the rest to the system.
#include "PropertiesTestSupport.h"

namespace {

class OldCommonControls : public PropertiesTest
{
protected:
    void SetUp() override
    {
        PropertiesTest::SetUp();
        WriteOfficeEntry();
        sheet = ComctlDouble();
        ASSERT_NE(nullptr, sheet) << "this program's COMCTL32.DLL must be the double";
        *sheet = ComctlDoubleState();
    }

    ComctlDoubleState* sheet = nullptr;
};

TEST_F(OldCommonControls, TheSheetOpensInTheVersion1SizesAndWrites)
{
    DialogDriver driver;
    driver.WaitPage(IDD_GENERAL).Type(IDC_PHONE_NUMBER, "555 0199").PressSheetButton(PSBTN_OK).WaitClosed();
    EXPECT_EQ(1, OpenSheet(driver));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ("555 0199", Stored(&VmrPhoneBook::GetConnectPhoneNumber));
    ASSERT_EQ(2u, sheet->calls);
    EXPECT_EQ(52u, sheet->log[0].headerSize);
    EXPECT_EQ(40u, sheet->log[1].headerSize);
    ASSERT_EQ(3u, sheet->log[1].pageCount);
    for (DWORD page = 0; page < 3; ++page) {
        EXPECT_EQ(40u, sheet->log[1].pageSize[page]) << page;
        EXPECT_EQ(sheet->log[0].pageTemplate[page], sheet->log[1].pageTemplate[page]) << page;
    }
}

}  // namespace
