// Install helpers in-process: farewell address, delayed deletion, the rights question.
#include "TestSupport.h"
#include "launch/LaunchFixture.h"
#include "app/RegNames.h"
#include "install/Install.h"
#include "install/System.h"
#include "win/Util.h"

namespace {

// The delayed renames Windows keeps for the next boot, NUL separators as blanks.
std::string PendingRenames()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return std::string();
    std::string data(65536, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    LONG result = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&data[0]), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return std::string();
    data.resize(size);
    for (char& c : data)
        if (c == '\0')
            c = ' ';
    return data;
}

class InstallTest : public qrtest::ProductTest {
protected:
    void TearDown() override
    {
        OverrideIs9xForTest(-1);
        OverrideIsAdministratorForTest(-1);
        ProductTest::TearDown();
    }
};

TEST(FarewellAddress, CountsWholeDaysAndFallsBackToDefaultPage)
{
    const DWORD install = 1000000000;
    EXPECT_EQ("http://x/bye?D=0", FarewellAddress("http://x/bye", install, install + 86399));
    EXPECT_EQ("http://x/bye?D=3", FarewellAddress("http://x/bye", install, install + 3 * 86400 + 5));
    std::string fallback = FarewellAddress("", install, install + 86400);
    EXPECT_NE(std::string::npos, fallback.find("/Quillrest/uninstall.asp?D=1")) << fallback;
    EXPECT_EQ(0u, fallback.find("http://")) << fallback;
}

TEST_F(InstallTest, MoveFileAtRebootOn9xWritesWinInitEntries)
{
    OverrideIs9xForTest(1);
    const std::string winInit = win::WindowsDirectory() + "\\WININIT.INI";
    DeleteFileA(winInit.c_str());
    std::string folder = qrtest::MakeTempFolder("wininit");
    std::string first = folder + "\\first.cpl", second = folder + "\\second file.exe";
    qrtest::WriteFileText(first, "1");
    qrtest::WriteFileText(second, "2");
    char shortFirst[MAX_PATH], shortSecond[MAX_PATH];
    GetShortPathNameA(first.c_str(), shortFirst, MAX_PATH);
    GetShortPathNameA(second.c_str(), shortSecond, MAX_PATH);

    MoveFileAtReboot(first);
    MoveFileAtReboot(second);

    std::string contents;
    ASSERT_TRUE(win::ReadWholeFile(winInit, contents));
    DeleteFileA(winInit.c_str());
    qrtest::RemoveTree(folder);
    std::string expected = win::Format("\r\n\r\n[rename]\r\nNUL=%s\r\nNUL=%s\r\n", shortFirst, shortSecond);
    expected.push_back('\0');
    EXPECT_EQ(expected, contents);
}

TEST_F(InstallTest, MoveFileAtRebootOnNtSchedulesDeletion)
{
    std::string folder = qrtest::MakeTempFolder("movefile");
    std::string doomed = folder + "\\doomed.txt";
    qrtest::WriteFileText(doomed, "x");
    MoveFileAtReboot(doomed);
    EXPECT_TRUE(qrtest::LogHas("MoveFileEx b=1, gle=0"));
    std::string pending = PendingRenames();
    qrtest::RemoveTree(folder);
    EXPECT_NE(std::string::npos, win::ToLower(pending).find(win::ToLower(doomed))) << pending;
}

TEST_F(InstallTest, WithoutRightsCancellingStopsBeforeAnythingIsWritten)
{
    OverrideIsAdministratorForTest(0);
    qrtest::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    std::string runBefore = qrtest::ReadString(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue);
    qrtest::DialogAnswerer rights("Not Enough Rights To Completely Install", IDYES);
    qrtest::DialogAnswerer cancelled("Cancelled", IDOK);
    EXPECT_EQ(SetupOutcome::Cancelled, DoInstall().outcome);
    EXPECT_TRUE(rights.Answered());
    EXPECT_NE(std::string::npos, rights.Text().find("Do you want to cancel the installation?"));
    EXPECT_TRUE(cancelled.Answered());
    EXPECT_EQ("Installation cancelled.", cancelled.Text());
    EXPECT_EQ(runBefore, qrtest::ReadString(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue));
    EXPECT_FALSE(qrtest::ValueExists(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
}

TEST_F(InstallTest, QuietWithoutRightsFailsWithoutAsking)
{
    OverrideIsAdministratorForTest(0);
    SetQuietRun(true);
    qrtest::DialogAnswerer rights("Not Enough Rights To Completely Install", IDYES, 2000);
    const SetupResult result = DoInstall();
    SetQuietRun(false);
    EXPECT_FALSE(rights.Answered());
    EXPECT_EQ(1603u, SetupExitCode(result.outcome));
    EXPECT_EQ("this account has no administrator rights", result.reason);
    EXPECT_TRUE(qrtest::LogHas("Quiet run: taking the answer Yes"));
}

TEST_F(InstallTest, WithoutRightsUninstallCanBeCancelled)
{
    OverrideIsAdministratorForTest(0);
    qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kInstallTime, 12345);
    qrtest::DialogAnswerer rights("Not Enough Rights To Cleanly Uninstall", IDYES);
    qrtest::DialogAnswerer cancelled("Cancelled", IDOK);
    DoUninstall();
    EXPECT_TRUE(rights.Answered());
    EXPECT_EQ("Uninstall cancelled.", cancelled.Text());
    EXPECT_EQ(12345u, qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kInstallTime));
}

// The SYSTEM account, which Wine never runs a process as, through its seam.
using SystemAccountTest = qrtest::CaptureTest;

TEST_F(SystemAccountTest, OnlyTheMachineWidePlacesAreParked)
{
    EXPECT_FALSE(IsLocalSystem());
    const std::string userLink = qrtest::StartupFolder(CSIDL_STARTUP) + "\\QrTestUser.lnk";
    const std::string commonLink = qrtest::StartupFolder(CSIDL_COMMON_STARTUP) + "\\QrTestCommon.lnk";
    qrtest::SetString(HKEY_CURRENT_USER, kRunKey, "QrTestUser", "C:\\user.exe");
    qrtest::SetString(HKEY_LOCAL_MACHINE, kRunKey, "QrTestMachine", "C:\\machine.exe");
    qrtest::WriteFileText(userLink, "user");
    qrtest::WriteFileText(commonLink, "common");

    OverrideIsLocalSystemForTest(1);
    ParkForThisAccount();
    OverrideIsLocalSystemForTest(-1);

    EXPECT_TRUE(qrtest::LogHas("Running as the SYSTEM account: parking the machine-wide start-up places only; each "
                               "user's own are parked at that user's next log-on"));
    const std::string capture = qrtest::CapturePath(kRunKey);
    EXPECT_EQ("C:\\machine.exe", qrtest::ReadString(HKEY_LOCAL_MACHINE, capture.c_str(), "QrTestMachine"));
    EXPECT_FALSE(qrtest::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "QrTestMachine"));
    EXPECT_TRUE(win::FileExists(commonLink + ".Quillrest"));
    EXPECT_EQ("C:\\user.exe", qrtest::ReadString(HKEY_CURRENT_USER, kRunKey, "QrTestUser"));
    EXPECT_FALSE(qrtest::ValueExists(HKEY_CURRENT_USER, capture.c_str(), "QrTestUser"));
    EXPECT_TRUE(win::FileExists(userLink));
}

} // namespace
