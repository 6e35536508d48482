// When has the computer settled after a program start: pure rules over system-wide CPU samples.
#pragma once
#include <windows.h>

// System-wide processor times as GetSystemTimes reports them: 100 ns units summed
// over every processor, kernel time including idle time.
struct CpuSample {
    DWORD tick = 0;    // GetTickCount when the sample was taken
    unsigned long long idle = 0;
    unsigned long long kernel = 0;
    unsigned long long user = 0;
};

// How often the boot window samples while it paces or measures.
constexpr DWORD kSettleSampleMs = 100;
// The computer counts as settled once it has been quiet this long ...
constexpr DWORD kSettleQuietMs = 200;
// ... and never earlier than this after a start.
constexpr DWORD kSettleFloorMs = 1000;
// A settle time is measured up to this long.
constexpr DWORD kSettleCapMs = 60000;

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

// The wait after one start.
struct SettleWatch {
    CpuSample start;
    CpuSample last;
    bool quiet = false;        // the latest interval was quiet
    DWORD quietFromMs = 0;     // the current quiet stretch began this long after the start
};

enum class SettleVerdict {
    Wait,          // not settled yet
    Settled,       // quiet for the quiet time, and the floor has passed
    UpperBound,    // the upper bound has passed without settling
};

SettleWatch BeginSettleWatch(const CpuSample& atStart);

// Feeds the next sample.  On Settled, `settleMs` is how long after the start
// the quiet stretch began (the settle time); on UpperBound, the time waited.
SettleVerdict AddSettleSample(SettleWatch& watch, const CpuSample& sample, const SettleRules& rules,
                              DWORD& settleMs);
