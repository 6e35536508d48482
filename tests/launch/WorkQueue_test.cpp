// Building the work queue from real capture keys and parked shortcuts.
#include "LaunchFixture.h"
#include "app/Settings.h"
#include "launch/Redirect.h"
#include "launch/WorkQueue.h"
#include <algorithm>

using namespace qrtest;

namespace {

class WorkQueueTest : public CaptureTest {
protected:
    // A parked shortcut in a Startup folder, as capture leaves it.
    std::string ParkShortcut(int csidl, const std::string& name, const std::string& target, const std::string& args,
                             const std::string& workingDir)
    {
        const std::string link = win::PathJoin(StartupFolder(csidl), name + ".lnk");
        EXPECT_TRUE(MakeShortcut(link, target, args, workingDir, SW_SHOWMINNOACTIVE));
        const std::string parked = link + ".Quillrest";
        EXPECT_TRUE(MoveFileA(link.c_str(), parked.c_str()));
        return parked;
    }
};

std::vector<int> Sources(const std::vector<WorkItem>& queue)
{
    std::vector<int> sources;
    for (const WorkItem& item : queue)
        sources.push_back(item.Source);
    return sources;
}

TEST_F(WorkQueueTest, EmptyQueueLogsOnlyTheFrame)
{
    FreshLog();
    OverrideIs9xForTest(0);
    EXPECT_TRUE(BuildWorkQueue(true).empty());
    std::vector<std::string> lines;
    for (const std::string& line : LogMessages())
        if (line.compare(0, 3, "Is9") != 0)
            lines.push_back(line);
    EXPECT_EQ(std::vector<std::string>({"BuildWorkQueue", "BuildWorkQueue returning:"}), lines);
}

TEST_F(WorkQueueTest, CollectsAllFiveSourcesInOrder)
{
    const std::string windowsDir = win::WindowsDirectory();
    const std::string target = ToolPath("probe");
    SetString(HKEY_LOCAL_MACHINE, CapturePath(kRunServicesKey).c_str(), "QrTestSvc", "svc.exe /s");
    SetString(HKEY_LOCAL_MACHINE, CapturePath(kRunKey).c_str(), "QrTestMachine", "%windir%\\m.exe");
    SetString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTestUser", "u.exe");
    ParkShortcut(CSIDL_COMMON_STARTUP, "QrTestCommon", target, "", "");
    ParkShortcut(CSIDL_STARTUP, "QrTest Mine", target, "a b", "C:\\");

    OverrideIs9xForTest(1);
    FreshLog();
    std::vector<WorkItem> queue = BuildWorkQueue(true);
    ASSERT_EQ(5u, queue.size());
    EXPECT_EQ(std::vector<int>({2, 1, 3, 5, 4}), Sources(queue));

    EXPECT_EQ("QrTestSvc", queue[0].Name);
    EXPECT_EQ(0, queue[0].ShowCmd);                    // RunServices starts hidden
    EXPECT_EQ(windowsDir, queue[0].WorkingDir);
    EXPECT_EQ("%windir%\\m.exe", queue[1].CommandLine);   // left unexpanded
    EXPECT_EQ(1, queue[1].ShowCmd);
    EXPECT_EQ("QrTestCommon", queue[3].Name);
    EXPECT_EQ(windowsDir, queue[3].WorkingDir);           // empty working directory
    EXPECT_EQ(' ', queue[3].CommandLine.back());          // blank even without arguments
    EXPECT_EQ("QrTest Mine", queue[4].Name);
    EXPECT_EQ("C:\\", queue[4].WorkingDir);
    EXPECT_EQ(" a b", queue[4].CommandLine.substr(queue[4].CommandLine.size() - 4));
    EXPECT_NE(std::string::npos, win::ToLower(queue[4].CommandLine).find("probe.exe"));
    EXPECT_TRUE(LogHas(WorkItemText(queue[1])));
    EXPECT_TRUE(LogHas("WI: N=[QrTestUser] P=[u.exe] Pa=[" + windowsDir + "] C=1 S=3"));

    // Not on Windows 9x: the RunServices capture key is not read.
    OverrideIs9xForTest(0);
    EXPECT_EQ(std::vector<int>({1, 3, 5, 4}), Sources(BuildWorkQueue(true)));
}

TEST_F(WorkQueueTest, OrderingAndIgnoreListFromSettings)
{
    OverrideIs9xForTest(0);
    for (const char* name : {"QrTestA", "QrTestB", "QrTestC", "QrTestAB"})
        SetString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), name, std::string(name) + ".exe");
    SetProductString(kSortingOrder, "qrtestb\1QrTestA\1");
    SetProductString(kIgnoreForLaunch, "QrTestAB\1");

    std::vector<std::string> names;
    for (const WorkItem& item : BuildWorkQueue(true))
        names.push_back(item.Name);
    // C is not named (first); AB is ignored although A and B are substrings of it.
    EXPECT_EQ(std::vector<std::string>({"QrTestC", "QrTestB", "QrTestA"}), names);

    names.clear();
    for (const WorkItem& item : BuildWorkQueue(false))
        names.push_back(item.Name);
    EXPECT_EQ(std::vector<std::string>({"QrTestAB", "QrTestC", "QrTestB", "QrTestA"}), names);
}

TEST_F(WorkQueueTest, ParkedCopyOfAnEntryThatCouldNotBeParkedIsLeftToWindows)
{
    // Written again beside their parked copies; no rights for HKLM Run, and the write of QrTestRefused fails.
    OverrideIs9xForTest(0);
    OverrideIsAdministratorForTest(0);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const char* name = root == HKEY_CURRENT_USER ? "QrTestRefused" : "QrTestM";
        SetString(root, CapturePath(kRunKey).c_str(), name, "old.exe");
        SetString(root, kRunKey, name, "new.exe");
    }
    OverrideEntryWritersForTest(&kRefusingWriters);
    PrepForReboot();
    OverrideEntryWritersForTest(nullptr);

    FreshLog();
    EXPECT_TRUE(BuildWorkQueue(true).empty());
    for (const char* name : {"QrTestM", "QrTestRefused"})
        EXPECT_EQ(1u, LogCount(std::string("Skipping ") + name + ": Windows starts the entry of its name that could "
                                                                "not be parked"));
    std::vector<std::string> lines;
    for (const WorkItem& item : BuildWorkQueue(false))
        lines.push_back(WorkItemLine(item));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(std::vector<std::string>({"QrTestM (started by Windows)", "QrTestRefused (started by Windows)"}), lines);
}

TEST_F(WorkQueueTest, LongValueDoesNotEndTheWalk)
{
    OverrideIs9xForTest(0);
    const std::string capture = CapturePath(kRunKey);
    const std::string longData = "long.exe " + std::string(5000, 'x');
    const std::string longName = "QrTest" + std::string(3000, 'n');
    SetString(HKEY_CURRENT_USER, capture.c_str(), "QrTest1", "one.exe");
    SetString(HKEY_CURRENT_USER, capture.c_str(), "QrTest2", longData);
    SetString(HKEY_CURRENT_USER, capture.c_str(), longName.c_str(), "named.exe");
    SetString(HKEY_CURRENT_USER, capture.c_str(), "QrTest3", "three.exe");

    std::vector<WorkItem> queue = BuildWorkQueue(true);
    ASSERT_EQ(4u, queue.size());
    std::vector<std::string> commands;
    for (const WorkItem& item : queue)
        commands.push_back(item.CommandLine);
    EXPECT_NE(std::find(commands.begin(), commands.end(), longData), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "named.exe"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "three.exe"), commands.end());
}

TEST_F(WorkQueueTest, UnreadableShortcutIsSkippedAndLogged)
{
    OverrideIs9xForTest(0);
    const std::string parked = win::PathJoin(StartupFolder(CSIDL_STARTUP), "QrTestBroken.lnk.Quillrest");
    ASSERT_TRUE(WriteFileText(parked, "not a shortcut"));
    FreshLog();
    EXPECT_TRUE(BuildWorkQueue(true).empty());
    bool logged = false;
    for (const std::string& line : LogMessages())
        logged = logged || line.compare(0, 15 + parked.size(), "Failed to load " + parked) == 0;
    EXPECT_TRUE(logged);
}

TEST_F(WorkQueueTest, ShortcutShowCommandIsSavedInTheLink)
{
    // Wine's GetShowCmd answers 1 for every loaded link, so check what was saved.
    const std::string link = win::PathJoin(StartupFolder(CSIDL_STARTUP), "QrTestShow.lnk");
    ASSERT_TRUE(MakeShortcut(link, ToolPath("probe"), "", "", SW_SHOWMINNOACTIVE));
    EXPECT_EQ(SW_SHOWMINNOACTIVE, LinkHeaderShowCmd(link));
    WorkItem item;
    ASSERT_TRUE(ReadParkedShortcut(link, SourceUserStartup, item));
    EXPECT_EQ("QrTestShow.lnk", item.Name);
    EXPECT_GE(item.ShowCmd, 1);
}

} // namespace
