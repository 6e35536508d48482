// The real Quillrest.exe under Wine: banner, countdown, single instance, shutdown event, Recent clean-up.
#include "TestSupport.h"
#include "app/RegNames.h"
#include "install/Residents.h"
#include "install/System.h"
#include "win/Util.h"
#include <shlobj.h>

using namespace qrtest;

namespace {

bool LogContains(const std::string& text)
{
    return ReadLog().find(text) != std::string::npos;
}

int CountMessages(const std::string& message)
{
    int count = 0;
    for (const std::string& line : LogMessages())
        count += line == message;
    return count;
}

class EntryTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 1);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 5);
    }
    void TearDown() override
    {
        KillProcess(resident_);
        // The resident instance registers itself for the next boot; leave no trace.
        HKEY run = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, &run) == ERROR_SUCCESS) {
            RegDeleteValueA(run, kOwnRunValue);
            RegCloseKey(run);
        }
        ProductTest::TearDown();
    }
    HANDLE resident_ = nullptr;
};

} // namespace

TEST_F(EntryTest, SecondInstanceEndsAtMutexAndShutdownEventEndsResident)
{
    resident_ = StartProcess(ProductExe(), "-noinstall -silent");
    ASSERT_TRUE(resident_);
    ASSERT_TRUE(WaitFor([] { return LogContains("Waited "); }, 30000)) << ReadLog();
    EXPECT_TRUE(LogHas("Created shutdown thread"));
    EXPECT_TRUE(LogHas("ShutdownWatchProc started") || WaitFor([] { return LogHas("ShutdownWatchProc started"); }, kPatienceMs));

    RunResult second = RunProcess(ProductExe(), "-noinstall -silent", 30000);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(1, CountMessages("Shutting down after mutex check"));
    // Both starts wrote their banner and counted down.
    EXPECT_EQ(2, CountMessages("************* CmdLine: -noinstall -silent"));
    EXPECT_EQ(2, CountMessages("Quillrest Version: 1.0.0.0"));
    EXPECT_EQ(3u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(resident_, 0)) << "the first instance stays resident";

    ShutdownRunningApps();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(resident_, kPatienceMs));
    EXPECT_TRUE(LogHas("Received shutdown notification"));
    // A silent run is no boot.
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Boots"));

    // The reset after one second: a new instance is not ended by the old signal.
    resident_ = StartProcess(ProductExe(), "-noinstall -silent");
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(resident_, 3000)) << ReadLog();
}

TEST(ResidentSignals, GlobalFromWindows2000On)
{
    const struct {
        DWORD platform, major;
        const char* uninstall;
        const char* presence;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, "Quillrest_Shutdown", "Quillrest_Running"},    // 95, 98, ME
        {VER_PLATFORM_WIN32_NT, 4, "Quillrest_Shutdown", "Quillrest_Running"},
        {VER_PLATFORM_WIN32_NT, 5, "Global\\Quillrest_Uninstall", "Global\\Quillrest_Resident"},    // 2000, XP
        {VER_PLATFORM_WIN32_NT, 10, "Global\\Quillrest_Uninstall", "Global\\Quillrest_Resident"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.uninstall, ResidentSignals(c.platform, c.major).uninstall) << c.major;
        EXPECT_STREQ(c.presence, ResidentSignals(c.platform, c.major).presence) << c.major;
    }
}

TEST_F(EntryTest, UninstallWaitsUntilTheResidentHasEnded)
{
    resident_ = StartProcess(ProductExe(), "-noinstall -silent");
    ASSERT_TRUE(WaitFor([] { return LogContains("Waited "); }, kPatienceMs)) << ReadLog();
    EXPECT_TRUE(EndEveryResident());
    // Its presence went with its handles: the process is ending or gone.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(resident_, kPatienceMs));
    EXPECT_TRUE(LogHas("Received shutdown notification"));
    // One that starts while the uninstall runs ends at once; once the signal is down, one stays.
    EXPECT_TRUE(RunProcess(ProductExe(), "-noinstall -silent", 30000).finished);
    EXPECT_TRUE(LogHas("Shutting down: an uninstall is under way"));
    AllowResidents();
    KillProcess(resident_);
    resident_ = StartProcess(ProductExe(), "-noinstall -silent");
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(resident_, 3000)) << ReadLog();
}

TEST_F(EntryTest, BannerNamesPlatformPathDirectoryAndVersion)
{
    // Hold the single-instance mutex so the run ends right after its banner.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kRunningMutex);
    ASSERT_NE(ERROR_ALREADY_EXISTS, GetLastError());
    std::string folder = MakeTempFolder("cwd");
    RunResult run = RunProcess(ProductExe(), "-noinstall -hklm", 30000, folder);
    CloseHandle(mutex);
    ASSERT_TRUE(run.finished);
    std::vector<std::string> lines = LogMessages();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ("************* CmdLine: -noinstall -hklm", lines[0]);
    EXPECT_EQ(0u, lines[1].find("Platform:2  ")) << lines[1];
    EXPECT_EQ(0u, lines[2].find("Path: ")) << lines[2];
    EXPECT_EQ("CWD: " + folder, lines[3]);
    EXPECT_EQ("Quillrest Version: 1.0.0.0", lines[4]);
    EXPECT_EQ(0u, lines[5].find("Code pages: ANSI 65001, OEM ")) << lines[5];
    EXPECT_TRUE(LogHas("Shutting down after mutex check"));
    RemoveTree(folder);
}

TEST_F(EntryTest, LogWithoutCountLogsOnceThenSwitchesOff)
{
    ResetProductKey();
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 1);
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kRunningMutex);
    EXPECT_TRUE(RunProcess(ProductExe(), "-noinstall first", 30000).finished);
    EXPECT_EQ(0u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog));
    EXPECT_TRUE(RunProcess(ProductExe(), "-noinstall second", 30000).finished);
    CloseHandle(mutex);
    EXPECT_EQ(1, CountMessages("************* CmdLine: -noinstall first"));
    EXPECT_EQ(0, CountMessages("************* CmdLine: -noinstall second"));
    // A start with logging off never touches the count.
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount));
}

TEST_F(EntryTest, OpenedParkedShortcutOnlyRemovesItsRecentEntry)
{
    char buffer[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_RECENT, TRUE));
    const std::string recent = buffer;
    std::string target = win::PathJoin(recent, "my tool.lnk.quillrest.lnk");
    std::string other = win::PathJoin(recent, "other.lnk");
    ASSERT_TRUE(WriteFileText(target, "x"));
    ASSERT_TRUE(WriteFileText(other, "x"));

    RunResult run = RunProcess(ProductExe(), "\"C:\\Start Menu\\Startup\\My Tool.lnk.Quillrest\"", 30000);
    EXPECT_TRUE(run.finished);
    EXPECT_FALSE(win::FileExists(target));
    EXPECT_TRUE(win::FileExists(other));
    EXPECT_TRUE(LogHas("Deleting " + target));
    EXPECT_FALSE(LogHas("Created shutdown thread"));
    // The countdown does not run for this kind of start.
    EXPECT_EQ(5u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount));

    // Without a backslash nothing is deleted.
    ASSERT_TRUE(WriteFileText(target, "x"));
    EXPECT_TRUE(RunProcess(ProductExe(), "My Tool.lnk.Quillrest", 30000).finished);
    EXPECT_TRUE(win::FileExists(target));
    DeleteFileA(target.c_str());
    DeleteFileA(other.c_str());
}
