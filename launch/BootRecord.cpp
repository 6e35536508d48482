// The records of the boot report and their text.
#include "launch/BootRecord.h"
#include "win/Bytes.h"
#include <cstdlib>

namespace {

constexpr size_t kMaxItemsPerBoot = 1000;
constexpr size_t kMaxNameLength = 260;
// "Name=value" of a policy in force: the name and an address at most.
constexpr size_t kMaxPolicyLength = 2200;
constexpr size_t kMaxPoliciesPerBoot = 64;

std::string CleanName(const std::string& name, size_t maxLength = kMaxNameLength)
{
    std::string clean = win::CutText(name, maxLength);
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return clean;
}

// A decimal number from `minimum` up; -1 passes where it means "unknown".
bool ParseNumber(const std::string& text, long long minimum, long long maximum, long long& value)
{
    if (text.empty() || text.size() > 12)
        return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    value = std::strtoll(begin, &end, 10);
    // To the field's end: a NUL inside the field is not its end.
    return end == begin + text.size() && (text[0] == '-' || (text[0] >= '0' && text[0] <= '9')) && value >= minimum &&
           value <= maximum;
}

bool ParseLong(const std::string& text, long& value)
{
    long long number = 0;
    if (!ParseNumber(text, -1, 0x7FFFFFFF, number))
        return false;
    value = static_cast<long>(number);
    return true;
}

} // namespace

std::string FormatBootReport(const std::vector<BootRecord>& boots)
{
    std::string text = std::string(kBootReportHeader) + "\r\n";
    for (const BootRecord& boot : boots) {
        text += win::Format("B\t%lu\t%d\t%ld\t%ld\t%ld\t%u\r\n", static_cast<unsigned long>(boot.when), boot.pacing,
                            boot.windowShownMs, boot.lastStartMs, boot.settledMs,
                            static_cast<unsigned>(boot.items.size()));
        if (!boot.policies.empty()) {
            text += "P";
            for (size_t i = 0; i < boot.policies.size() && i < kMaxPoliciesPerBoot; ++i)
                text += "\t" + CleanName(boot.policies[i], kMaxPolicyLength);
            text += "\r\n";
        }
        for (const BootItemRecord& item : boot.items)
            text += win::Format("I\t%ld\t%ld\t%d\t%d\t%s\r\n", item.startMs, item.settleMs, item.settled ? 1 : 0,
                                static_cast<int>(item.signal), CleanName(item.name).c_str());
    }
    return text;
}

bool ParseBootReport(const std::string& text, std::vector<BootRecord>& boots)
{
    std::vector<BootRecord> parsed;
    // Every line ends in a line feed: a report cut short inside its last line
    // (a full disk, a crash while copying) would end in half a name.
    if (text.empty() || text.back() != '\n')
        return false;
    const std::vector<std::string> lines = win::SplitLines(text);
    if (lines.empty() || (lines[0] != kBootReportHeader && lines[0] != kBootReportHeaderV1))
        return false;
    // Version 2 items carry the signal before the name.
    const size_t itemFieldCount = lines[0] == kBootReportHeader ? 6 : 5;
    size_t index = 1;
    while (index < lines.size()) {
        const std::vector<std::string> fields = win::SplitFields(lines[index++], '\t', 8);
        BootRecord boot;
        long long when = 0, pacing = 0, count = 0;
        if (fields.size() != 7 || fields[0] != "B" || !ParseNumber(fields[1], 0, 0xFFFFFFFFll, when) ||
            !ParseNumber(fields[2], 0, 1, pacing) || !ParseLong(fields[3], boot.windowShownMs) ||
            !ParseLong(fields[4], boot.lastStartMs) || !ParseLong(fields[5], boot.settledMs) ||
            !ParseNumber(fields[6], 0, kMaxItemsPerBoot, count))
            return false;
        boot.when = static_cast<uint32_t>(when);
        boot.pacing = static_cast<int>(pacing);
        // Policies in force at that boot, where there were any.
        if (index < lines.size() && lines[index].compare(0, 2, "P\t") == 0) {
            std::vector<std::string> policies = win::SplitFields(lines[index++], '\t', kMaxPoliciesPerBoot + 2);
            if (policies.size() > kMaxPoliciesPerBoot + 1)
                return false;
            boot.policies.assign(policies.begin() + 1, policies.end());
        }
        for (long long i = 0; i < count; ++i) {
            if (index >= lines.size())
                return false;
            const std::vector<std::string> itemFields = win::SplitFields(lines[index++], '\t', itemFieldCount);
            BootItemRecord item;
            long long settled = 0, signal = 0;
            const long long lastSignal = static_cast<long long>(SettleSignal::UpperBound);
            if (itemFields.size() != itemFieldCount || itemFields[0] != "I" ||
                !ParseLong(itemFields[1], item.startMs) || item.startMs < 0 ||
                !ParseLong(itemFields[2], item.settleMs) || !ParseNumber(itemFields[3], 0, 1, settled) ||
                (itemFieldCount == 6 && !ParseNumber(itemFields[4], 0, lastSignal, signal)))
                return false;
            item.settled = settled != 0;
            item.signal = static_cast<SettleSignal>(signal);
            item.name = itemFields.back();
            boot.items.push_back(item);
        }
        parsed.push_back(boot);
    }
    boots.swap(parsed);
    return true;
}

long LaunchPhaseMs(const BootRecord& boot)
{
    if (boot.settledMs >= 0)
        return boot.settledMs;
    if (boot.lastStartMs >= 0)
        return boot.lastStartMs;
    return boot.windowShownMs;
}

int SlowestItem(const BootRecord& boot)
{
    int slowest = -1;
    for (size_t i = 0; i < boot.items.size(); ++i)
        if (boot.items[i].settleMs >= 0 &&
            (slowest < 0 || boot.items[i].settleMs > boot.items[static_cast<size_t>(slowest)].settleMs))
            slowest = static_cast<int>(i);
    return slowest;
}

const char* SettleSignalText(SettleSignal signal)
{
    switch (signal) {
    case SettleSignal::Exited: return "exited";
    case SettleSignal::WentQuiet: return "went quiet";
    case SettleSignal::MachineQuiet: return "computer quiet";
    case SettleSignal::UpperBound: return "still busy";
    case SettleSignal::None: break;
    }
    return "";
}

std::string SecondsText(long ms)
{
    // Rounded in 64 bits: a report may hold the largest 32-bit time.
    const long tenths = static_cast<long>((static_cast<long long>(ms) + 50) / 100);
    return win::Format("%ld.%ld s", tenths / 10, tenths % 10);
}

std::string DescribeBoots(const std::vector<BootRecord>& boots)
{
    if (boots.empty())
        return "No log-on has been recorded yet: the report fills in after the next one.";
    const BootRecord& last = boots.back();
    std::string text = "Last log-on: ";
    if (last.items.empty())
        text += "no programs to start";
    else if (last.items.size() == 1)
        text += "1 program started in " + SecondsText(last.lastStartMs);
    else
        text += win::Format("%u programs started in ", static_cast<unsigned>(last.items.size())) +
                SecondsText(last.lastStartMs);
    if (last.windowShownMs >= 0)
        text += "; the desktop was usable after " + SecondsText(last.windowShownMs);
    const int slowest = SlowestItem(last);
    if (slowest >= 0) {
        const BootItemRecord& item = last.items[static_cast<size_t>(slowest)];
        text += "; slowest to settle: " + item.name + ", " + (item.settled ? "" : "more than ") +
                SecondsText(item.settleMs);
    }
    text += ".";
    if (last.settledMs >= 0 && !last.items.empty())
        text += " The computer was quiet again " + SecondsText(last.settledMs) + " after log-on.";
    long shortest = -1, longest = -1;
    for (const BootRecord& boot : boots) {
        const long phase = LaunchPhaseMs(boot);
        if (phase < 0)
            continue;
        shortest = shortest < 0 || phase < shortest ? phase : shortest;
        longest = phase > longest ? phase : longest;
    }
    if (boots.size() > 1 && shortest >= 0)
        text += win::Format(" Over the last %u log-ons the launch phase took ", static_cast<unsigned>(boots.size())) +
                SecondsText(shortest) + " to " + SecondsText(longest) + ".";
    return text;
}
