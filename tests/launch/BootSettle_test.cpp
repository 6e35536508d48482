// The real Quillrest.exe pacing burning probes: settle pacing, the fixed delay, the boot report.
#include "LaunchFixture.h"
#include "app/Settings.h"
#include "launch/BootReport.h"
#include "launch/CpuSampler.h"
#include "res/resource.h"
#include <algorithm>

using namespace qrtest;

namespace {

using qrtool::BurnRun;
using qrtool::ReadBurnRuns;
using qrtool::Seconds;

// Other programs on this machine may keep it busy; settle pacing would rightly wait then.
bool WaitForQuietMachine(DWORD timeoutMs)
{
    const DWORD begin = GetTickCount();
    int quietWindows = 0;
    CpuSample last;
    if (!SampleSystemCpu(last))
        return false;
    while (GetTickCount() - begin < timeoutMs) {
        Sleep(250);
        CpuSample now;
        SampleSystemCpu(now);
        const double busy = BusyProcessors(last, now, ProcessorCount());
        quietWindows = busy >= 0 && busy <= QuietLimit(ProcessorCount()) ? quietWindows + 1 : 0;
        if (quietWindows >= 6)
            return true;
        last = now;
    }
    return false;
}

class BootSettleTest : public BootFixture {
protected:
    BootSettleTest() : BootFixture("qrsettle", "burns.txt", 5) {}
    void SetUp() override
    {
        BootFixture::SetUp();
        report_ = BootReportPath();
        DeleteFileA(report_.c_str());
        DeleteFileA((report_ + ".bad").c_str());
    }
    void TearDown() override
    {
        // The stop file ends probes that are still burning.
        WriteFileText(out_ + ".stop", "");
        KillProcess(process_);
        Sleep(300);
        DeleteFileA(report_.c_str());
        DeleteFileA((report_ + ".bad").c_str());
        BootFixture::TearDown();
    }

    // One probe per entry, started with these arguments after its output file and name.
    void Park(const std::vector<std::string>& arguments)
    {
        std::string order;
        for (size_t i = 0; i < arguments.size(); ++i) {
            const std::string name = win::Format("QrTestBurn%u", static_cast<unsigned>(i));
            SetString(HKEY_CURRENT_USER, kRunKey, name.c_str(),
                      win::Format("\"%s\" \"%s\" %s %s", ToolPath("burnprobe").c_str(), out_.c_str(), name.c_str(),
                                  arguments[i].c_str()));
            order += name + '\1';
        }
        SetProductString(kSortingOrder, order);
    }
    void Park(int count, int cpuMs)
    {
        Park(std::vector<std::string>(static_cast<size_t>(count), std::to_string(cpuMs)));
    }
    void Start()
    {
        StartProduct("-noinstall -hklm");
        ASSERT_TRUE(WaitVisible(kPatienceMs));
    }
    // The progress bar's upper limit, once the first tick has set it.
    int ProgressLimit()
    {
        int limit = 0;
        WaitFor([&] {
            limit = static_cast<int>(SendDlgItemMessageA(BootWindow(), IDC_BOOT_PROGRESS, PBM_GETRANGE, FALSE, 0));
            return limit != 100 && limit != 0;
        }, 5000);
        return limit;
    }
    std::vector<double> Gaps(const std::vector<BurnRun>& starts)
    {
        std::vector<double> gaps;
        for (size_t i = 1; i < starts.size(); ++i)
            gaps.push_back(Seconds(starts[i - 1].created, starts[i].created));
        return gaps;
    }
    size_t LogIndex(const std::string& prefix)
    {
        const std::vector<std::string> lines = LogMessages();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].compare(0, prefix.size(), prefix) == 0)
                return i;
        return std::string::npos;
    }

    std::string report_;
};

TEST_F(BootSettleTest, LightProgramsStartEarlyAndTheReportIsWrittenAfterThePhase)
{
    if (!WaitForQuietMachine(60000))
        GTEST_SKIP() << "the machine never became quiet for 1.5 s: settle pacing would rightly wait";
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 6);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLaunchPacing, 1);
    Park(4, 30);
    ASSERT_TRUE(WriteFileText(report_, "not a boot report\r\n"));

    Start();
    EXPECT_EQ(5, ProgressLimit());    // items + 1, not seconds
    ASSERT_TRUE(WaitHidden(4 * 6000 + 10000));
    const std::vector<BurnRun> starts = ReadBurnRuns(out_);
    ASSERT_EQ(4u, starts.size());

    ASSERT_TRUE(WaitFor([&] { return LogIndex("Boot report: 4 programs") != std::string::npos; }, 70000));
    EXPECT_GT(LogIndex("Boot report: 4 programs"), LogIndex("\tLeaving Quillrest::WaitForShutdown"));
    std::vector<BootRecord> boots;
    ASSERT_EQ(ReportState::Loaded, LoadBootReport(report_, boots));
    ASSERT_EQ(1u, boots.size());
    const BootRecord& boot = boots[0];
    ASSERT_EQ(4u, boot.items.size());
    // Something outside the test kept the processors busy: waiting was right then.
    for (size_t i = 0; i < boot.items.size(); ++i)
        if (!boot.items[i].settled || boot.items[i].settleMs > 2500)
            GTEST_SKIP() << "the machine stayed busy after light program " << i << ", so settle pacing rightly waited";
    for (double gap : Gaps(starts)) {
        EXPECT_GE(gap, 0.9);    // the floor between two starts
        EXPECT_LT(gap, 4.0);    // well before the 6 s upper bound
    }
    EXPECT_TRUE(LogHas("The computer has settled: starting the next program"));
    EXPECT_EQ(1, boot.pacing);
    EXPECT_GT(boot.windowShownMs, 0);
    ASSERT_EQ(4u, boot.items.size());
    for (size_t i = 0; i < boot.items.size(); ++i) {
        EXPECT_EQ(win::Format("QrTestBurn%u", static_cast<unsigned>(i)), boot.items[i].name);
        EXPECT_TRUE(boot.items[i].settled) << i;
        EXPECT_GE(boot.items[i].settleMs, 0) << i;
        if (i) {
            EXPECT_GE(boot.items[i].startMs - boot.items[i - 1].startMs, 900) << i;
        }
    }
    EXPECT_GE(boot.items[0].startMs, boot.windowShownMs);
    EXPECT_EQ(boot.items.back().startMs, boot.lastStartMs);
    EXPECT_GE(boot.settledMs, boot.lastStartMs);
    std::string aside;
    ASSERT_TRUE(win::ReadWholeFile(report_ + ".bad", aside));
    EXPECT_EQ("not a boot report\r\n", aside);
}

TEST_F(BootSettleTest, BusyProgramsStartNoLaterThanTheDelay)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 2);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLaunchPacing, 1);
    Park(3, 30000);
    Start();
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    // Probes write their line when they end: end them now.
    ASSERT_TRUE(WriteFileText(out_ + ".stop", ""));
    std::vector<BurnRun> starts;
    ASSERT_TRUE(WaitFor([&] { starts = ReadBurnRuns(out_); return starts.size() >= 3; }, kPatienceMs));
    ASSERT_EQ(3u, starts.size());
    for (double gap : Gaps(starts)) {
        EXPECT_GT(gap, 1.5);    // busy: nothing starts early
        EXPECT_LT(gap, 2.7);    // and nothing later than the delay
    }
}

TEST_F(BootSettleTest, EachWaitFollowsTheProgramJustStarted)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 8);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLaunchPacing, 1);
    // Each keeps a window waiting for input, except the last: a light program, a
    // busy one, one that never goes quiet, one that exits at once.
    Park({"30 0 window", "1500 0 window", "600000 0 window", "0"});
    Start();
    ASSERT_TRUE(WaitFor([&] { return LogIndex("Boot report: 4 programs") != std::string::npos; }, 2 * kPatienceMs));
    std::vector<BootRecord> boots;
    ASSERT_EQ(ReportState::Loaded, LoadBootReport(report_, boots));
    ASSERT_EQ(1u, boots.size());
    const std::vector<BootItemRecord>& items = boots[0].items;
    ASSERT_EQ(4u, items.size());
    EXPECT_EQ(SettleSignal::UpperBound, items[2].signal);
    EXPECT_FALSE(items[2].settled);
    EXPECT_GE(items[3].startMs - items[2].startMs, 7500);
    // Its exit ends the wait however busy the never-quiet one keeps the machine.
    EXPECT_EQ(SettleSignal::Exited, items[3].signal);
    EXPECT_TRUE(items[3].settled);
    EXPECT_LT(items[3].settleMs, 7900);
    for (size_t i = 0; i < 2; ++i)
        if (items[i].signal == SettleSignal::UpperBound)
            GTEST_SKIP() << "the machine stayed busy after program " << i << ", so its wait rightly ran to the bound";
    EXPECT_EQ(SettleSignal::WentQuiet, items[0].signal);
    EXPECT_EQ(SettleSignal::WentQuiet, items[1].signal);
    // 1.5 s of processor time take at least as long on the clock.
    EXPECT_GE(items[1].settleMs, 1400);
    EXPECT_GE(items[1].startMs - items[0].startMs, 900);
}

TEST_F(BootSettleTest, FixedDelayKeepsItsSchedule)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 2);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLaunchPacing, 0);
    Park(3, 30);
    Start();
    EXPECT_EQ(8, ProgressLimit());    // (items + 1) x delay
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    const std::vector<BurnRun> starts = ReadBurnRuns(out_);
    ASSERT_EQ(3u, starts.size());
    for (double gap : Gaps(starts)) {
        EXPECT_GT(gap, 1.6);    // light programs do not start early
        EXPECT_LT(gap, 2.6);
    }
    EXPECT_FALSE(LogHas("The computer has settled: starting the next program"));
    ASSERT_TRUE(WaitFor([&] { return LogIndex("Boot report: 3 programs") != std::string::npos; }, 70000));
    std::vector<BootRecord> boots;
    ASSERT_EQ(ReportState::Loaded, LoadBootReport(report_, boots));
    ASSERT_EQ(1u, boots.size());
    EXPECT_EQ(0, boots[0].pacing);
    EXPECT_EQ(3u, boots[0].items.size());
}

} // namespace
