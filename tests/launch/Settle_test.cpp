// The settle decision over sequences of machine and program samples, and the boot report file.
#include "TestSupport.h"
#include "launch/BootReport.h"
#include "launch/Settle.h"
#include "win/Util.h"

using namespace qrtest;

namespace {

// An interval of `ms` milliseconds in which `busy` processors' worth of time was used.
struct Interval {
    DWORD ms;
    double busy;
};

struct SettleCase {
    const char* label;
    unsigned processors;
    DWORD upperMs;
    DWORD startTick;
    std::vector<Interval> intervals;    // each repeated in 125 ms samples
    SettleVerdict verdict;
    DWORD atMs;        // elapsed time of the sample that gave the verdict
    DWORD settleMs;
};

std::vector<Interval> Repeat(DWORD totalMs, double busy)
{
    return std::vector<Interval>(totalMs / 125, Interval{125, busy});
}

std::vector<Interval> Join(std::initializer_list<std::vector<Interval>> parts)
{
    std::vector<Interval> all;
    for (const std::vector<Interval>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(Settle, DecisionOverSampleSequences)
{
    const SettleCase cases[] = {
        {"quiet at once waits for the floor", 1, 8000, 1000, Repeat(3000, 0.05), SettleVerdict::Settled, 1000, 0},
        {"busy, then quiet", 1, 8000, 1000, Join({Repeat(2000, 1.0), Repeat(2000, 0.1)}), SettleVerdict::Settled,
         2250, 2000},
        {"a lull shorter than the quiet time does not count", 1, 8000, 1000,
         Join({Repeat(1000, 1.0), Repeat(125, 0.0), Repeat(500, 0.9), Repeat(2000, 0.0)}), SettleVerdict::Settled,
         1875, 1625},
        {"busy throughout meets the upper bound", 1, 3000, 1000, Repeat(5000, 0.8), SettleVerdict::UpperBound, 3000,
         3000},
        {"upper bound below the floor", 1, 500, 1000, Repeat(2000, 0.0), SettleVerdict::Settled, 500, 0},
        {"the clock wraps during the wait", 1, 8000, 0xFFFFFC00u, Join({Repeat(2000, 1.0), Repeat(2000, 0.1)}),
         SettleVerdict::Settled, 2250, 2000},
        {"two processors: one busy program is not quiet", 2, 2000, 1000, Repeat(5000, 1.0),
         SettleVerdict::UpperBound, 2000, 2000},
        {"two processors: under half a processor is quiet", 2, 8000, 1000, Repeat(3000, 0.45),
         SettleVerdict::Settled, 1000, 0},
        {"eight processors: under a quarter busy is quiet", 8, 8000, 1000, Repeat(3000, 1.9),
         SettleVerdict::Settled, 1000, 0},
        {"eight processors: three busy is not", 8, 4000, 1000, Repeat(5000, 3.0), SettleVerdict::UpperBound, 4000,
         4000},
    };
    for (const SettleCase& c : cases) {
        const SettleRules rules = MakeSettleRules(c.processors, c.upperMs);
        CpuSample sample;
        sample.tick = c.startTick;
        sample.idle = sample.kernel = sample.user = 1000000;
        SettleWatch watch = BeginSettleWatch(sample);
        SettleVerdict verdict = SettleVerdict::Wait;
        DWORD settleMs = 0;
        for (const Interval& interval : c.intervals) {
            const unsigned long long capacity = static_cast<unsigned long long>(interval.ms) * 10000 * c.processors;
            const unsigned long long busy = static_cast<unsigned long long>(interval.busy * interval.ms * 10000);
            sample.tick += interval.ms;
            sample.user += busy;
            sample.idle += capacity - busy;
            sample.kernel += capacity - busy;    // kernel time includes the idle time
            verdict = AddSettleSample(watch, sample, rules, settleMs);
            if (verdict != SettleVerdict::Wait)
                break;
        }
        EXPECT_EQ(static_cast<int>(c.verdict), static_cast<int>(verdict)) << c.label;
        EXPECT_EQ(c.atMs, static_cast<DWORD>(sample.tick - c.startTick)) << c.label;
        EXPECT_EQ(c.settleMs, settleMs) << c.label;
    }
}

TEST(Settle, SamplesThatSayNothingAreSkipped)
{
    const SettleRules rules = MakeSettleRules(1, 8000);
    CpuSample sample;
    sample.tick = 5000;
    sample.idle = sample.kernel = 1000000;
    SettleWatch watch = BeginSettleWatch(sample);
    DWORD settleMs = 0;
    // No time passed, then counters that went backwards: neither counts as quiet.
    EXPECT_EQ(SettleVerdict::Wait, AddSettleSample(watch, sample, rules, settleMs));
    sample.tick += 1000;
    sample.idle = sample.kernel = 10;
    EXPECT_EQ(SettleVerdict::Wait, AddSettleSample(watch, sample, rules, settleMs));
    sample.tick += 125;
    sample.idle += 1250000;
    sample.kernel += 1250000;
    EXPECT_EQ(SettleVerdict::Wait, AddSettleSample(watch, sample, rules, settleMs));
    sample.tick += 125;
    sample.idle += 1250000;
    sample.kernel += 1250000;
    EXPECT_EQ(SettleVerdict::Settled, AddSettleSample(watch, sample, rules, settleMs));
    EXPECT_EQ(1000u, settleMs);
}

// One 100 ms interval: the machine's busy processors, the program's share of one
// processor and its I/O bytes, and what the program looked like at its end.
struct Step {
    double machine;
    double program;
    unsigned long long io;
    bool inputIdle;
    bool exited;
};

std::vector<Step> Steps(int count, Step step)
{
    return std::vector<Step>(static_cast<size_t>(count), step);
}

std::vector<Step> Then(std::vector<Step> first, const std::vector<Step>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct ProgramCase {
    const char* label;
    unsigned processors;
    bool hasCpu;
    bool wineTimes;    // the process times are the caller's: only the first thread's move
    std::vector<Step> steps;
    SettleVerdict verdict;
    DWORD atMs;
    DWORD settleMs;
    SettleSignal signal;
};

TEST(Settle, FollowingTheProgramJustStarted)
{
    const Step busyMachine = {1.0, 1.0, 0, true, false};
    const ProgramCase cases[] = {
        {"exits at once: settled at the floor, however busy the machine", 2, true, false,
         Steps(15, {1.0, 0, 0, false, true}), SettleVerdict::Settled, 1000, 100, SettleSignal::Exited},
        {"busy until it exits", 2, true, false, Then(Steps(25, busyMachine), Steps(5, {1.0, 0, 0, true, true})),
         SettleVerdict::Settled, 2600, 2600, SettleSignal::Exited},
        {"a window program is quiet once it waits for input", 2, true, false,
         Then(Steps(15, {0.1, 0, 0, false, false}), Steps(10, {0.1, 0, 0, true, false})), SettleVerdict::Settled,
         1700, 1500, SettleSignal::WentQuiet},
        {"eight processors: one busy program keeps its own wait going", 8, true, false,
         Then(Steps(20, {1.2, 1.0, 0, true, false}), Steps(10, {1.2, 0, 0, true, false})), SettleVerdict::Settled,
         2200, 2000, SettleSignal::WentQuiet},
        {"waiting on its disk is not quiet", 2, true, false,
         Then(Steps(20, {0.1, 0.02, 400000, true, false}), Steps(10, {0.1, 0.02, 0, true, false})),
         SettleVerdict::Settled, 2200, 2000, SettleSignal::WentQuiet},
        {"a clock tick now and then and a little I/O are quiet", 2, true, false,
         Steps(15, {0.1, 0.15, 3000, true, false}), SettleVerdict::Settled, 1000, 100, SettleSignal::WentQuiet},
        {"a quiet program on a busy machine waits for the bound", 2, true, false, Steps(50, {1.5, 0, 0, true, false}),
         SettleVerdict::UpperBound, 4000, 4000, SettleSignal::UpperBound},
        {"never quiet", 2, true, false, Steps(50, busyMachine), SettleVerdict::UpperBound, 4000, 4000,
         SettleSignal::UpperBound},
        {"no processor times (Windows 9x): the machine decides", 2, false, false, Steps(15, {0.1, 1.0, 0, true, false}),
         SettleVerdict::Settled, 1000, 100, SettleSignal::MachineQuiet},
        {"Wine: the first thread's times count", 8, true, true,
         Then(Steps(20, {1.2, 1.0, 0, true, false}), Steps(10, {1.2, 0, 0, true, false})), SettleVerdict::Settled,
         2200, 2000, SettleSignal::WentQuiet},
    };
    for (const ProgramCase& c : cases) {
        const SettleRules rules = MakeSettleRules(c.processors, 4000);
        CpuSample sample;
        sample.tick = 1000;
        SettleWatch watch = BeginSettleWatch(sample);
        ProgramSample program;
        program.hasCpu = c.hasCpu;
        program.hasIo = true;
        SettleVerdict verdict = SettleVerdict::Wait;
        DWORD settleMs = 0;
        for (const Step& step : c.steps) {
            const unsigned long long capacity = 100ull * 10000 * c.processors;
            const unsigned long long busy = static_cast<unsigned long long>(step.machine * 100 * 10000);
            sample.tick += 100;
            sample.user += busy;
            sample.idle += capacity - busy;
            sample.kernel += capacity - busy;
            const unsigned long long used = static_cast<unsigned long long>(step.program * 100 * 10000);
            (c.wineTimes ? program.threadCpu : program.cpu) += used;
            program.ioBytes += step.io;
            program.inputIdle = step.inputIdle;
            program.exited = step.exited;
            verdict = AddSettleSample(watch, sample, rules, settleMs, &program);
            if (verdict != SettleVerdict::Wait)
                break;
        }
        EXPECT_EQ(static_cast<int>(c.verdict), static_cast<int>(verdict)) << c.label;
        EXPECT_EQ(c.atMs, sample.tick - 1000) << c.label;
        EXPECT_EQ(c.settleMs, settleMs) << c.label;
        EXPECT_EQ(static_cast<int>(c.signal), static_cast<int>(watch.signal)) << c.label;
    }
}

class BootReportFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = MakeTempFolder("qrreport");
        path_ = win::PathJoin(folder_, "QuillrestBootReport.txt");
    }
    void TearDown() override { RemoveTree(folder_); }

    static BootRecord Boot(DWORD when, int items)
    {
        BootRecord boot;
        boot.when = when;
        boot.pacing = 1;
        boot.windowShownMs = 310;
        for (int i = 0; i < items; ++i) {
            BootItemRecord item;
            item.name = win::Format("Program %d\twith a tab", i);
            item.startMs = 1000 + 1500 * i;
            item.settleMs = i == 1 ? 3100 : 200 + i;
            item.settled = i != 2;
            item.signal = i == 0 ? SettleSignal::Exited : i == 1 ? SettleSignal::WentQuiet : SettleSignal::UpperBound;
            boot.items.push_back(item);
        }
        if (items) {
            boot.lastStartMs = boot.items.back().startMs;
            boot.settledMs = boot.lastStartMs + boot.items.back().settleMs;
        }
        return boot;
    }

    std::string folder_;
    std::string path_;
};

TEST_F(BootReportFile, KeepsTheLastTwentyBoots)
{
    for (DWORD boot = 1; boot <= 21; ++boot)
        ASSERT_TRUE(AppendBootRecord(path_, Boot(boot, boot == 21 ? 3 : 0)));
    std::vector<BootRecord> boots;
    ASSERT_EQ(ReportState::Loaded, LoadBootReport(path_, boots));
    ASSERT_EQ(20u, boots.size());
    EXPECT_EQ(2u, boots.front().when);
    const BootRecord& last = boots.back();
    EXPECT_EQ(21u, last.when);
    ASSERT_EQ(3u, last.items.size());
    EXPECT_EQ("Program 1 with a tab", last.items[1].name);
    EXPECT_EQ(2500, last.items[1].startMs);
    EXPECT_EQ(3100, last.items[1].settleMs);
    EXPECT_FALSE(last.items[2].settled);
    EXPECT_EQ(SettleSignal::Exited, last.items[0].signal);
    EXPECT_EQ(SettleSignal::WentQuiet, last.items[1].signal);
    EXPECT_EQ(SettleSignal::UpperBound, last.items[2].signal);
    EXPECT_EQ(1, SlowestItem(last));
    EXPECT_EQ(4000 + 202, LaunchPhaseMs(last));
    EXPECT_EQ(310, LaunchPhaseMs(boots.front()));
    EXPECT_FALSE(win::FileExists(path_ + ".bad"));
}

TEST_F(BootReportFile, DamagedOrForeignFilesAreSetAside)
{
    const std::string good = FormatBootReport({Boot(7, 2)});
    const std::string damaged[] = {
        "",
        "Some other program's notes\r\n",
        good.substr(0, good.rfind("I\t")),                         // the last item cut off
        good.substr(0, good.size() - 5),                            // cut inside the last name
        std::string(kBootReportHeader) + "\r\nB\t1\t0\t0\t0\t0\t0" + std::string(1, '\0') + "7\r\n",    // a NUL in a number
        good + "B\t1\t0\t-1\t-1\t-1\t1\r\n",                       // an item missing
        std::string(kBootReportHeader) + "\r\nB\t1\t2\t0\t0\t0\t0\r\n",    // unknown pacing
        std::string(kBootReportHeader) + "\r\nB\tx\t0\t0\t0\t0\t0\r\n",
        std::string(kBootReportHeader) + "\r\nI\t0\t0\t0\tstray\r\n",
        std::string(kBootReportHeader) + "\r\nB\t1\t0\t0\t0\t0\t1\r\nI\t0\t0\t0\tno signal\r\n",
        std::string(kBootReportHeader) + "\r\nB\t1\t0\t0\t0\t0\t1\r\nI\t0\t0\t0\t9\tunknown signal\r\n",
        std::string(2 * 1024 * 1024, 'x'),
    };
    std::vector<BootRecord> parsed;
    ASSERT_TRUE(ParseBootReport(good, parsed));
    ASSERT_EQ(1u, parsed.size());
    for (const std::string& text : damaged) {
        ASSERT_TRUE(WriteFileText(path_, text));
        std::vector<BootRecord> boots;
        EXPECT_EQ(ReportState::Damaged, LoadBootReport(path_, boots)) << text.substr(0, 60);
        ASSERT_TRUE(AppendBootRecord(path_, Boot(8, 1)));
        ASSERT_EQ(ReportState::Loaded, LoadBootReport(path_, boots)) << text.substr(0, 60);
        EXPECT_EQ(1u, boots.size());
        std::string aside;
        ASSERT_TRUE(win::ReadWholeFile(path_ + ".bad", aside));
        EXPECT_EQ(text.size(), aside.size());
    }
}

TEST_F(BootReportFile, ReportsOfTheVersionBeforeStillLoad)
{
    ASSERT_TRUE(WriteFileText(path_, std::string(kBootReportHeaderV1) +
                                         "\r\nB\t9\t1\t310\t4000\t7100\t2\r\nI\t1200\t400\t1\tClock Helper\r\n"
                                         "I\t4000\t3100\t0\tPhoto Sync\r\n"));
    ASSERT_TRUE(AppendBootRecord(path_, Boot(10, 1)));
    std::vector<BootRecord> boots;
    ASSERT_EQ(ReportState::Loaded, LoadBootReport(path_, boots));
    ASSERT_EQ(2u, boots.size());
    ASSERT_EQ(2u, boots[0].items.size());
    EXPECT_EQ("Photo Sync", boots[0].items[1].name);
    EXPECT_EQ(3100, boots[0].items[1].settleMs);
    EXPECT_EQ(SettleSignal::None, boots[0].items[1].signal);
    EXPECT_EQ(SettleSignal::Exited, boots[1].items[0].signal);
    EXPECT_FALSE(win::FileExists(path_ + ".bad"));
}

TEST_F(BootReportFile, PoliciesInForceFollowTheirBootLineOnlyWhereThereAreAny)
{
    BootRecord managed = Boot(5, 1);
    managed.policies = {"DelaySeconds=3", "AdBlockListURL=http://lists.example/\tads"};
    const std::string text = FormatBootReport({Boot(4, 1), managed});
    EXPECT_EQ(text.find("\r\nP\t"), text.rfind("\r\nP\t"));
    EXPECT_NE(std::string::npos, text.find("\t1\r\nP\tDelaySeconds=3\tAdBlockListURL=http://lists.example/ ads\r\nI\t"));
    std::vector<BootRecord> boots;
    ASSERT_TRUE(ParseBootReport(text, boots));
    ASSERT_EQ(2u, boots.size());
    EXPECT_TRUE(boots[0].policies.empty());
    EXPECT_EQ((std::vector<std::string>{"DelaySeconds=3", "AdBlockListURL=http://lists.example/ ads"}), boots[1].policies);
    EXPECT_EQ(1u, boots[1].items.size());
    // A policy line before any boot is no report of ours.
    EXPECT_FALSE(ParseBootReport(std::string(kBootReportHeader) + "\r\nP\tLog=1\r\n", boots));
}

} // namespace
