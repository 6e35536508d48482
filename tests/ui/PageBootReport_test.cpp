// The Boot Report page and the launch-order page's pacing switch, in the real sheet.
#include "TestSupport.h"
#include "app/RegNames.h"
#include "launch/BootReport.h"
#include "res/resource.h"
#include "ui/ConfigSheet.h"
#include "win/Util.h"
#include <commctrl.h>
#include <functional>
#include <thread>

using namespace qrtest;

namespace {

const char* const kCaption = "Quillrest Configuration";

std::string Text(HWND page, int id)
{
    char text[4096] = "";
    GetDlgItemTextA(page, id, text, sizeof(text));
    return text;
}

// Shows the tab after the one titled `before`; returns its title and window.
HWND ShowTabAfter(HWND sheet, const std::string& before, std::string& title)
{
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i + 1 < count; ++i) {
        char text[128] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        if (before == text) {
            SendMessageA(sheet, PSM_SETCURSEL, i + 1, 0);
            HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            char caption[128] = "";
            GetWindowTextA(page, caption, sizeof(caption));
            title = caption;
            return page;
        }
    }
    return nullptr;
}

HWND ShowTab(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Runs the sheet on this thread while `drive` works it from a second one.
bool RunSheet(const std::function<void(HWND)>& drive)
{
    bool found = false;
    std::thread driver([&] {
        HWND sheet = nullptr;
        if (!WaitFor([&] { return (sheet = FindWindowA(nullptr, kCaption)) && IsWindowVisible(sheet); }, kPatienceMs))
            return;
        found = true;
        drive(sheet);
        if (!WaitFor([&] { return !IsWindow(sheet); }, kPatienceMs))
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    ShowConfigurationSheet();
    driver.join();
    return found;
}

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
        HWND report = ShowTabAfter(sheet, "Launch Order", title);
        summary = Text(report, IDC_BOOTREPORT_SUMMARY);
        chartDrawnByPage = (GetWindowLongA(GetDlgItem(report, IDC_BOOTREPORT_CHART), GWL_STYLE) & SS_TYPEMASK) ==
                           SS_OWNERDRAW;
        HWND launch = ShowTab(sheet, 1);
        pacingText = Text(launch, IDC_LAUNCH_PACING);
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
