// The resident instance as Windows Vista and later start it at log-on, with the
// user's own token (tools/limited), and the sheet that user opens: the product key
// and the machine-wide Run key refuse their writes.
#include "LaunchFixture.h"
#include "ui/SheetFixture.h"
#include "res/resource.h"
#include <algorithm>

using namespace qrtest;

namespace {

class LimitedBootTest : public BootFixture {
protected:
    LimitedBootTest() : BootFixture("qrlimited", "starts.txt", 100) {}
    void TearDown() override
    {
        ShutdownRunningApps();    // the launcher ends with the program it started
        WaitForSingleObject(process_, kPatienceMs);
        BootFixture::TearDown();
    }
};

TEST_F(LimitedBootTest, ABootWithTheUsersOwnTokenLaunchesEverythingAndTheSheetShowsItsCountersOnly)
{
    // Parked by an administrator's run, machine-wide and the user's own, and a newcomer of the user's.
    SetString(HKEY_LOCAL_MACHINE, CapturePath(kRunKey).c_str(), "QrTestMachine", ProbeCommand("QrTestMachine"));
    SetString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTestUser", ProbeCommand("QrTestUser"));
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestNew", ProbeCommand("QrTestNew"));
    process_ = StartProcess(ToolPath("limited"), "--refuse-writes \"" + ProductExe() + "\" -noinstall -hklm");
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    std::vector<std::string> names;
    ASSERT_TRUE(WaitFor([&] { names = ProbeNames(out_); return names.size() >= 3; }, kPatienceMs));
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"QrTestMachine", "QrTestNew", "QrTestUser"}), names);
    // The counters went where the user may write; each refused key is logged once.
    EXPECT_EQ("3", ReadString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - FilesLaunched"));
    EXPECT_EQ(1u, LogCount("Could not write HKLM\\software\\Quillrest: error 5"));
    EXPECT_EQ(1u, LogCount("Could not write HKLM\\software\\microsoft\\windows\\currentversion\\run: error 5"));
    EXPECT_EQ(100u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount)) << "the countdown was refused";
    ShutdownRunningApps();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_, kPatienceMs));
    KillProcess(process_);

    // The user declines the prompt: the sheet only shows the settings.
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 5);
    process_ = StartProcess(ToolPath("limited"), "--decline-elevation \"" + ProductExe() + "\" -noinstall -configure");
    HWND sheet = WaitForWindow(kSheetCaption);
    ASSERT_NE(nullptr, sheet);
    HWND main = CurrentPage(sheet);
    const auto enabled = [](HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; };
    EXPECT_EQ("1 boots sped up (estimated 0 minutes saved)", ItemText(main, IDC_MAIN_STAT_BOOTS));
    EXPECT_EQ("Only an administrator can change these settings.", ItemText(main, IDC_MAIN_READ_ONLY));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, IDC_MAIN_READ_ONLY)));
    EXPECT_EQ("5", ItemText(main, IDC_MAIN_DELAY));
    for (int id : {IDC_MAIN_DELAY, IDC_MAIN_MINIMIZED, IDC_MAIN_UNINSTALL})
        EXPECT_FALSE(enabled(main, id)) << id;
    EXPECT_EQ(nullptr, FindWindowA(nullptr, "Need More Rights"));
    // Another process's tabs by their place: a message with a pointer does not cross.
    for (int id : {IDC_LAUNCH_LIST, IDC_LAUNCH_RESTORE, IDC_LAUNCH_PACING, IDC_LAUNCH_NOTIFY})
        EXPECT_FALSE(enabled(ShowTab(sheet, 1), id)) << id;
    EXPECT_EQ("Boot Report", PageTitle(ShowTab(sheet, 2)));
    for (int id : {IDC_BLOCKADS_BLOCK, IDC_BLOCKADS_DOWNLOAD, IDC_BLOCKADS_LIST_URL})
        EXPECT_FALSE(enabled(ShowTab(sheet, 3), id)) << id;
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_, kPatienceMs));
    EXPECT_TRUE(LogHas("The elevation prompt was declined"));
    EXPECT_EQ(5u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds)) << "OK wrote nothing";
}

} // namespace
