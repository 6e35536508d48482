// The records of the boot report and their text: what each boot launched and how
// long the computer took to settle.  No Windows header: the report lives in the
// user's folder, where any program may change it, and its reader is fuzzed natively.
#pragma once
#include "launch/SettleSignal.h"
#include <cstdint>
#include <string>
#include <vector>

// One launched work item.  Times are milliseconds; -1 means unknown.
struct BootItemRecord {
    std::string name;
    long startMs = 0;      // since the process started
    long settleMs = -1;    // after its start; -1 when nothing was measured
    bool settled = false;  // false: the next start or the cap came first, settleMs is a lower bound
    SettleSignal signal = SettleSignal::None;    // what ended the wait (None in reports of older versions)
};

struct BootRecord {
    uint32_t when = 0;         // seconds since 1970-01-01 UTC
    int pacing = 0;            // pacing in effect: 0 fixed delay, 1 settle
    long windowShownMs = -1;   // process start to boot window shown
    std::vector<BootItemRecord> items;
    long lastStartMs = -1;     // the last item's start; -1 when nothing started
    long settledMs = -1;       // the computer settled after the last start (or after the window, with no items)
    std::vector<std::string> policies;    // "Name=value" of each policy value in force; none in older reports
};

constexpr const char* kBootReportHeader = "Quillrest boot report 2";
// Reports written before the signal was recorded; still read.
constexpr const char* kBootReportHeaderV1 = "Quillrest boot report 1";

// The file's text: the header line, then per boot one "B" line, a "P" line with
// the policy values in force when there are any, and one "I" line per item;
// fields separated by tabs, lines ending in CR LF.
std::string FormatBootReport(const std::vector<BootRecord>& boots);
// False when the text is not a complete report of this format or the one before.
bool ParseBootReport(const std::string& text, std::vector<BootRecord>& boots);

// Milliseconds from process start to the end of the launch phase: the computer
// settled after the last start, else the last start, else the window shown; -1 unknown.
long LaunchPhaseMs(const BootRecord& boot);
// The item that took longest to settle; -1 when none was measured.
int SlowestItem(const BootRecord& boot);

// The signal in words for the Boot Report page ("went quiet"); empty for None.
const char* SettleSignalText(SettleSignal signal);

// Milliseconds as seconds with one decimal: "14.2 s".
std::string SecondsText(long ms);
// Two or three sentences about the last boot and the ones before it; a short
// note when there is none.
std::string DescribeBoots(const std::vector<BootRecord>& boots);
