// The Boot Report page and the launch-order page's pacing switch, in the real sheet.
#include "SheetFixture.h"
#include "app/RegNames.h"
#include "launch/BootReport.h"
#include "res/resource.h"
#include "win/Util.h"

using namespace qrtest;

namespace {

class BootReportPageTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        path_ = BootReportPath();
        hadReport_ = win::ReadWholeFile(path_, saved_);
        DeleteFileA(path_.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(path_.c_str());
        if (hadReport_)
            win::WriteWholeFile(path_, saved_);
        ProductTest::TearDown();
    }
    std::string path_;
    std::string saved_;
    bool hadReport_ = false;
};

TEST_F(BootReportPageTest, ShowsTheLastBootAfterLaunchOrderWhosePacingSwitchCommitsOnOk)
{
    BootRecord boot;
    boot.windowShownMs = 310;
    boot.items = {{"Clock Helper", 1200, 400, true}, {"Photo Sync", 4000, 3100, true}};
    boot.lastStartMs = 4000;
    boot.settledMs = 7100;
    ASSERT_TRUE(AppendBootRecord(path_, boot));
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 5);

    std::string title, summary, pacingText;
    bool chartDrawnByPage = false, tickedBefore = true;
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        HWND report = ShowTab(sheet, TabIndex(sheet, "Launch Order") + 1);
        title = PageTitle(report);
        summary = ItemText(report, IDC_BOOTREPORT_SUMMARY);
        chartDrawnByPage = (GetWindowLongA(GetDlgItem(report, IDC_BOOTREPORT_CHART), GWL_STYLE) & SS_TYPEMASK) ==
                           SS_OWNERDRAW;
        HWND launch = ShowTab(sheet, 1);
        pacingText = ItemText(launch, IDC_LAUNCH_PACING);
        tickedBefore = SendDlgItemMessageA(launch, IDC_LAUNCH_PACING, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageA(GetDlgItem(launch, IDC_LAUNCH_PACING), BM_CLICK, 0, 0);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    }));
    EXPECT_EQ("Boot Report", title);
    EXPECT_EQ("Last log-on: 2 programs started in 4.0 s; the desktop was usable after 0.3 s; slowest to settle: "
              "Photo Sync, 3.1 s. The computer was quiet again 7.1 s after log-on.",
              summary);
    EXPECT_TRUE(chartDrawnByPage);
    EXPECT_EQ("Start each program as soon as the computer is quiet (at most every 5 seconds)", pacingText);
    EXPECT_FALSE(tickedBefore);
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLaunchPacing));

    // Ticked from the setting; unticking and cancelling writes nothing.
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        HWND launch = ShowTab(sheet, 1);
        tickedBefore = SendDlgItemMessageA(launch, IDC_LAUNCH_PACING, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageA(GetDlgItem(launch, IDC_LAUNCH_PACING), BM_CLICK, 0, 0);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }));
    EXPECT_TRUE(tickedBefore);
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLaunchPacing));
}

} // namespace
