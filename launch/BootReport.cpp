// The boot report: what each boot launched and how long the computer took to settle,
// kept for the last 20 boots in one small text file.
#include "launch/BootReport.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlobj.h>
#include <cstdlib>

namespace {

// Anything bigger is not a file this program wrote.
constexpr DWORD kMaxReportBytes = 1024 * 1024;
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
    return *end == '\0' && (text[0] == '-' || (text[0] >= '0' && text[0] <= '9')) && value >= minimum &&
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

bool ReadSmallFile(const std::string& path, std::string& text, bool& tooBig)
{
    tooBig = false;
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.Get(), &high);
    if (high != 0 || size > kMaxReportBytes) {
        tooBig = true;
        return true;
    }
    text.assign(size, '\0');
    DWORD read = 0;
    if (size && (!ReadFile(file.Get(), &text[0], size, &read, nullptr) || read != size))
        return false;
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
        boot.when = static_cast<DWORD>(when);
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
    const long tenths = (ms + 50) / 100;
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

std::string BootReportPath()
{
    // Windows 95 and NT 4 without a newer shell know no local application-data folder.
    std::string folder;
    if (!win::SpecialFolder(CSIDL_LOCAL_APPDATA, folder) && !win::SpecialFolder(CSIDL_APPDATA, folder)) {
        // A path of MAX_PATH characters takes more bytes in a multi-byte code page.
        char temp[MAX_PATH * 4] = "";
        const DWORD length = GetTempPathA(sizeof(temp), temp);
        if (length == 0 || length >= sizeof(temp))
            return std::string();
        folder.assign(temp, length);
    }
    return win::PathJoin(folder, kBootReportFileName);
}

ReportState LoadBootReport(const std::string& path, std::vector<BootRecord>& boots)
{
    boots.clear();
    std::string text;
    bool tooBig = false;
    if (!ReadSmallFile(path, text, tooBig))
        return win::FileExists(path) ? ReportState::Damaged : ReportState::Missing;
    if (tooBig || !ParseBootReport(text, boots)) {
        boots.clear();
        return ReportState::Damaged;
    }
    return ReportState::Loaded;
}

bool AppendBootRecord(const std::string& path, const BootRecord& boot)
{
    if (path.empty())
        return false;
    std::vector<BootRecord> boots;
    if (LoadBootReport(path, boots) == ReportState::Damaged) {
        const std::string aside = path + ".bad";
        DeleteFileA(aside.c_str());
        if (!MoveFileA(path.c_str(), aside.c_str()))
            DeleteFileA(path.c_str());
        WriteLog("Boot report %s was damaged: set aside as %s", path.c_str(), aside.c_str());
    }
    boots.push_back(boot);
    if (boots.size() > kBootReportKeep)
        boots.erase(boots.begin(), boots.end() - static_cast<long>(kBootReportKeep));
    // Written beside and then swapped in, so a crash never leaves half a report.
    const std::string fresh = path + ".new";
    if (!win::WriteWholeFile(fresh, FormatBootReport(boots)))
        return false;
    DeleteFileA(path.c_str());
    if (!MoveFileA(fresh.c_str(), path.c_str())) {
        DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}
