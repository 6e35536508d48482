// When has a started program settled: pure rules over samples of the whole machine
// and of the program itself.
#pragma once
#include "launch/SettleSignal.h"
#include <windows.h>

// System-wide processor times as GetSystemTimes reports them: 100 ns units summed
// over every processor, kernel time including idle time.
struct CpuSample {
    DWORD tick = 0;    // GetTickCount when the sample was taken
    unsigned long long idle = 0;
    unsigned long long kernel = 0;
    unsigned long long user = 0;
};

// The program just started, as one sample sees it; its counters only grow.
struct ProgramSample {
    bool exited = false;
    bool inputIdle = false;              // WaitForInputIdle has returned, or the program has no message queue
    bool hasCpu = false;                 // the processor times below are known
    unsigned long long cpu = 0;          // its process, kernel and user, 100 ns units
    unsigned long long threadCpu = 0;    // its first thread, where known (else 0)
    bool hasIo = false;
    unsigned long long ioBytes = 0;      // read and written
};

// How often the boot window samples while it paces or measures.
constexpr DWORD kSettleSampleMs = 100;
// The computer counts as settled once it has been quiet this long ...
constexpr DWORD kSettleQuietMs = 200;
// ... and never earlier than this after a start.
constexpr DWORD kSettleFloorMs = 1000;
// A settle time is measured up to this long.
constexpr DWORD kSettleCapMs = 60000;
// A program is quiet in an interval when it used at most this share of one processor ...
constexpr double kProgramQuietShare = 0.2;
// ... and read and wrote at most this many bytes per second.
constexpr unsigned long long kProgramQuietIoPerSecond = 64 * 1024;

struct SettleRules {
    unsigned processors = 1;
    DWORD floorMs = kSettleFloorMs;
    DWORD quietMs = kSettleQuietMs;
    DWORD upperMs = 8000;    // the next start comes by then in any case
};

// Rules for a machine with `processors` processors and an upper bound of
// `upperMs`; the floor never exceeds the upper bound.
SettleRules MakeSettleRules(unsigned processors, DWORD upperMs);

// Busy processors (0 .. processors) between two samples; -1 when the two
// can't be compared (no time passed, or a counter went backwards).
double BusyProcessors(const CpuSample& from, const CpuSample& to, unsigned processors);

// Busy processors at or below which an interval is quiet: half a processor,
// or a quarter of the machine when that is more.
double QuietLimit(unsigned processors);

// Whether the program was quiet between two samples `ms` apart: input idle, and
// its processor time and I/O (where known) flat.
bool ProgramQuiet(const ProgramSample& from, const ProgramSample& to, DWORD ms, bool useCpu, bool useIo);

// The wait after one start.
struct SettleWatch {
    CpuSample start;
    CpuSample last;
    bool quiet = false;        // the latest interval was quiet
    DWORD quietFromMs = 0;     // the current quiet stretch began this long after the start
    bool following = false;    // samples of the program itself come in
    bool cpuKnown = false;     // every one of them knew its processor time
    bool ioKnown = false;      // ... and its I/O
    ProgramSample lastProgram;
    bool exited = false;
    DWORD exitedMs = 0;        // the first sample that saw it ended
    SettleSignal signal = SettleSignal::None;    // set with a verdict other than Wait
};

enum class SettleVerdict {
    Wait,          // not settled yet
    Settled,       // ended, or quiet for the quiet time, and the floor has passed
    UpperBound,    // the upper bound has passed without settling
};

SettleWatch BeginSettleWatch(const CpuSample& atStart);

// Feeds the next sample, with the program's own when it can be followed (else
// the machine alone decides).  On Settled, `settleMs` is how long after the start
// the program ended or the quiet stretch began (the settle time); on UpperBound,
// the time waited.  The watch's `signal` tells which.
SettleVerdict AddSettleSample(SettleWatch& watch, const CpuSample& sample, const SettleRules& rules,
                              DWORD& settleMs, const ProgramSample* program = nullptr);
