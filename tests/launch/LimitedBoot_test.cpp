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

// Another process's Launch Order lines, sorted: Wine hands their text across in UTF-16 only.
std::vector<std::wstring> LaunchLines(HWND page)
{
    std::vector<std::wstring> lines;
    for (WPARAM i = 0; i < static_cast<WPARAM>(SendDlgItemMessageW(page, IDC_LAUNCH_LIST, LB_GETCOUNT, 0, 0)); ++i) {
        wchar_t line[512] = L"";
        SendDlgItemMessageW(page, IDC_LAUNCH_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(LimitedBootTest, ABootWithTheUsersOwnTokenLaunchesEverythingAndTheSheetShowsItsCountersOnly)
{
    // Parked by an administrator's run, machine-wide and the user's own, and a newcomer of the user's.
    SetString(HKEY_LOCAL_MACHINE, CapturePath(kRunKey).c_str(), "QrTestMachine", ProbeCommand("QrTestMachine"));
    SetString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTestUser", ProbeCommand("QrTestUser"));
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestNew", ProbeCommand("QrTestNew"));
    // Newcomers of the machine-wide places, which only an administrator may change.
    SetString(HKEY_LOCAL_MACHINE, kRunKey, "QrTestRunNew", ProbeCommand("QrTestRunNew"));
    const std::string link = win::PathJoin(StartupFolder(CSIDL_COMMON_STARTUP), "QrTestLinkNew.lnk");
    ASSERT_TRUE(MakeShortcut(link, ToolPath("probe"), "\"" + out_ + "\" QrTestLinkNew", "", SW_SHOWNORMAL));
    process_ = StartProcess(ToolPath("limited"), "--refuse-writes \"" + ProductExe() + "\" -noinstall -hklm");
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    std::vector<std::string> names;
    ASSERT_TRUE(WaitFor([&] { names = ProbeNames(out_); return names.size() >= 3; }, kPatienceMs));
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"QrTestMachine", "QrTestNew", "QrTestUser"}), names);
    // The counters went where the user may write (each refused key logged once: SettingsTest).
    EXPECT_EQ("3", ReadString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - FilesLaunched"));
    EXPECT_EQ(100u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount)) << "the countdown was refused";
    // Left in place, never tried, named once though captured at the start and after the launch.
    EXPECT_EQ(1u, LogCount("Leaving QrTestRunNew where it is for Windows to start: only an administrator"));
    EXPECT_EQ(1u, LogCount("Leaving " + link + " where it is for Windows to start: only an administrator"));
    EXPECT_FALSE(LogHas("Watching common Startup folder"));
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
    EXPECT_EQ((std::vector<std::wstring>{L"QrTestLinkNew (started by Windows)", L"QrTestMachine", L"QrTestNew",
                                         L"QrTestRunNew (started by Windows)", L"QrTestUser"}),
              LaunchLines(ShowTab(sheet, 1)));
    EXPECT_EQ("Boot Report", PageTitle(ShowTab(sheet, 2)));
    for (int id : {IDC_BLOCKADS_BLOCK, IDC_BLOCKADS_DOWNLOAD, IDC_BLOCKADS_LIST_URL})
        EXPECT_FALSE(enabled(ShowTab(sheet, 3), id)) << id;
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_, kPatienceMs));
    EXPECT_TRUE(LogHas("The elevation prompt was declined"));
    EXPECT_EQ(5u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds)) << "OK wrote nothing";
    KillProcess(process_);

    // The next sheet with administrator rights (any run under Wine) parks them before it lists them.
    SetString(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue, "\"" + ProductExe() + "\" -hklm");
    process_ = StartProcess(ProductExe(), "-noinstall -configure");
    sheet = WaitForWindow(kSheetCaption);
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ((std::vector<std::wstring>{L"QrTestLinkNew", L"QrTestMachine", L"QrTestNew", L"QrTestRunNew",
                                         L"QrTestUser"}),
              LaunchLines(ShowTab(sheet, 1)));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_, kPatienceMs));
}

} // namespace
