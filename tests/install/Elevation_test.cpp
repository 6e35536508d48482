// Install and uninstall under a standard user's token (tools/limited): each starts
// itself elevated once and ends with that copy's exit code.
#include "install/InstallFixture.h"
#include "tools/LimitedToken.h"
#include "ui/SheetFixture.h"
#include "res/resource.h"

using namespace qrtest;

namespace {

TEST(LimitedToken, WineGivesEveryProcessAFullAdministratorsTokenAndTheLauncherALimitedOne)
{
    // What the tests of a standard user stand on: a Wine that changes it changes what they show.
    EXPECT_EQ(211u, qrtool::TokenSummary()) << "full elevation type, elevated, an administrator";
    const std::string launcher = ToolPath("limited");
    EXPECT_EQ(300u, RunProcess(launcher, "\"" + launcher + "\" --token", kPatienceMs).exitCode)
        << "limited elevation type, not elevated, the group for denying only";
}

class ElevationTest : public ProductTest {
protected:
    void SetUp() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        ProductTest::SetUp();
        downloads_ = MakeTempFolder("downloads");
        ASSERT_TRUE(CopyFileA(ProductExe().c_str(), (downloads_ + "\\Quillrest.exe").c_str(), FALSE));
    }
    void TearDown() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        RemoveTree(downloads_);
        RemoveDirectoryA(downloads_.c_str());
        ProductTest::TearDown();
    }
    // Runs the program through the launcher with a fresh log; the log as it ends.
    RunResult RunLimited(const std::string& options, const std::string& exe, const std::string& arguments)
    {
        FreshLog();
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 1);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 100);
        return RunProcess(ToolPath("limited"), options + " \"" + exe + "\" " + arguments, kPatienceMs, downloads_);
    }
    std::string downloads_;
};

TEST_F(ElevationTest, InstallAndUninstallStartThemselvesElevatedOnceAndEndWithTheCopysExitCode)
{
    const std::string downloaded = downloads_ + "\\Quillrest.exe";
    {
        DialogAnswerer cancelled("Cancelled", IDOK);
        EXPECT_EQ(1602u, RunLimited("--decline-elevation", downloaded, "").exitCode);    // cancelled by the user
        EXPECT_EQ("Installation cancelled.", cancelled.Text());
    }
    EXPECT_FALSE(win::FileExists(SystemFile(kExeName)));

    // The copy is no more elevated than its starter under Wine: it never asks
    // again, goes as far as its rights allow, and its failure is the run's.
    {
        DialogAnswerer refused("Not Allowed to Install", IDOK);
        EXPECT_EQ(1603u, RunLimited("--refuse-writes", downloaded, "").exitCode);    // failed
        EXPECT_TRUE(refused.Answered());
    }
    EXPECT_EQ(1u, LogCount("Starting "));
    EXPECT_EQ(1u, LogCount("************* CmdLine: -elevated"));
    EXPECT_EQ(1u, LogCount("Could not write HKLM\\software\\microsoft\\windows\\currentversion\\run: error 5"));

    // The copy installs and opens the sheet; the run the user started starts the resident instance.
    EXPECT_EQ(0u, RunLimited("", downloaded, "").exitCode);
    EXPECT_EQ(FileContents(ProductExe()), FileContents(SystemFile(kExeName)));
    EXPECT_TRUE(LogHas("************* CmdLine: -elevated"));
    EXPECT_TRUE(WaitFor([] { return MutexExists(kRunningMutex); }, kPatienceMs));
    EXPECT_EQ(1u, LogCount("************* CmdLine: -silent"));
    // That sheet, still without the rights, asked once more and only shows the settings.
    HWND sheet = WaitForWindow(kSheetCaption);
    ASSERT_NE(nullptr, sheet);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(CurrentPage(sheet), IDC_MAIN_READ_ONLY)));
    EXPECT_TRUE(LogHas("************* CmdLine: -configure -elevated"));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);

    SetString(HKEY_LOCAL_MACHINE, kProductKey, kUninstallLink, "qrtest-none:farewell");
    {
        DialogAnswerer complete("Uninstall Complete", IDOK);
        EXPECT_EQ(0u, RunLimited("", SystemFile(kExeName), "-uninstall").exitCode);
        EXPECT_TRUE(complete.Answered());
    }
    EXPECT_EQ(1u, LogCount("Starting "));
    EXPECT_TRUE(LogHas("************* CmdLine: -uninstall -elevated"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue));
    EXPECT_FALSE(MutexExists(kRunningMutex));
}

} // namespace
