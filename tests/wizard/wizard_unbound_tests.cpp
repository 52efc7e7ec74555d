// The wizard where Dial-Up Networking is not bound: the RASAPI32.DLL double
// here lacks a function, so the library refuses the whole DLL.
#include <string>
#include <vector>

#include "WizardTestSupport.h"

namespace {

class UnboundDialUp : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        ASSERT_EQ(nullptr, ras) << "this program's RASAPI32.DLL must not be bound";
        WriteDevices(kDeviceLines);
    }
};

TEST_F(UnboundDialUp, ChoosingItKeepsTheConnectionTypeDialogOpen)
{
    DialogDriver driver;
    driver.WaitDialog(IDD_CONNECTION_TYPE)
        .Tick(IDC_TYPE_DIALUP)
        .Press(IDC_TYPE_NEXT)
        .Press(IDC_TYPE_NEXT)
        .WaitDialog(IDD_CONNECTION_TYPE)
        .ExpectChecked(IDC_TYPE_DIALUP, BST_CHECKED)
        .Screenshot("5000-dialup-refused")
        .Tick(IDC_TYPE_VELMORA)
        .Press(IDC_TYPE_NEXT)
        .WaitPage(IDD_WIZ_NAME_DEVICE)
        .PressSheetButton(PSBTN_CANCEL)
        .WaitClosed();
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(Strings({kDialUpMissing, kDialUpMissing}), Messages());
    EXPECT_TRUE(BufferUntouched());
}

TEST_F(UnboundDialUp, TheLinkPageOffersNothingAndRefusesNext)
{
    FocusSeen first, second;
    DialogDriver driver;
    ChooseVelmora(driver);
    NameAndDevice(driver, "Stuck", NetworkDevice(3)).Tick(IDC_USE_DIALUP);
    Next(driver, IDD_WIZ_DIALUP_LINK)
        .ExpectEnabled(IDC_DIALUP_CREATE, false)
        .ExpectEnabled(IDC_DIALUP_PROPERTIES, false)
        .ReadText(IDC_DIALUP_ENTRY, "selected")
        .Do("the list is empty", [](HWND sheet) {
            return SendDlgItemMessageA(CurrentPage(sheet), IDC_DIALUP_ENTRY, LB_GETCOUNT, 0, 0) == 0;
        })
        .Screenshot("5004-unbound");
    RefusedNext(driver, IDD_WIZ_DIALUP_LINK, IDC_DIALUP_ENTRY, &first);
    RefusedNext(driver, IDD_WIZ_DIALUP_LINK, IDC_DIALUP_ENTRY, &second);
    Back(driver, IDD_WIZ_NAME_DEVICE).Tick(IDC_USE_DIALUP, false);
    Next(driver, IDD_WIZ_WORKSTATION);
    Back(driver, IDD_WIZ_NAME_DEVICE);
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();

    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ("", driver.Text("selected"));
    EXPECT_EQ(Strings({kSelectDialUp, kSelectDialUp}), Messages());
    EXPECT_TRUE(first.focused);
    EXPECT_TRUE(second.focused);
    EXPECT_TRUE(EntryFiles().empty());
}

}  // namespace
