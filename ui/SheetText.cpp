// Texts and rules of the configuration sheet that need no window.
#include "ui/SheetText.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "launch/WorkOrder.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <algorithm>

namespace {
const char kParkedEnding[] = ".Quillrest";
const size_t kParkedEndingLength = sizeof(kParkedEnding) - 1;
const long long kSecondsSavedPerLaunch = 4;
} // namespace

Statistics ReadStatistics()
{
    Statistics stats;
    stats.boots = GetCounter(kCounterBoots);
    stats.filesLaunched = GetCounter(kCounterFilesLaunched);
    stats.junkFiles = GetCounter(kCounterJunkFiles);
    stats.junkBytes = GetCounter(kCounterJunkBytes);
    stats.internetFiles = GetCounter(kCounterInternetFiles);
    stats.cookies = GetCounter(kCounterCookies);
    stats.adsBlocked = GetCounter(kCounterAdsBlocked);
    return stats;
}

std::vector<std::string> StatisticsLines(const Statistics& stats)
{
    return {
        win::Format("%lld boots sped up (estimated %lld minutes saved)", stats.boots,
                    stats.filesLaunched * kSecondsSavedPerLaunch / 60),
        win::Format("%lld junk files cleaned up (%lld KB total)", stats.junkFiles, stats.junkBytes / 1024),
        win::Format("%lld web page files cleaned up", stats.internetFiles),
        win::Format("%lld Internet cookies deleted", stats.cookies),
        win::Format("%lld advertisements blocked", stats.adsBlocked),
    };
}

std::string FeedbackAddress(const std::string& link, DWORD installTime, DWORD now)
{
    // Unsigned subtraction would turn a clock set back into some 49,000 days.
    DWORD days = now > installTime ? (now - installTime) / 86400 : 0;
    return win::Format("%s?D=%d", link.c_str(), static_cast<int>(days));
}

std::string VersionLine(DWORD versionMS, DWORD versionLS)
{
    return win::Format("Quillrest, the quick start-up launcher.  Version %d.%d.%d", static_cast<int>(HIWORD(versionMS)),
                       static_cast<int>(LOWORD(versionMS)), static_cast<int>(HIWORD(versionLS)));
}

void OwnFileVersion(DWORD& versionMS, DWORD& versionLS)
{
    versionMS = 0;
    versionLS = 0;
    std::string path = win::ModulePath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
        return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!VerQueryValueA(block.data(), root, reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return;
    versionMS = info->dwFileVersionMS;
    versionLS = info->dwFileVersionLS;
}

std::string WithoutParkedEnding(const std::string& commandLine)
{
    if (commandLine.size() > kParkedEndingLength &&
        commandLine.compare(commandLine.size() - kParkedEndingLength, kParkedEndingLength, kParkedEnding) == 0)
        return commandLine.substr(0, commandLine.size() - kParkedEndingLength);
    return commandLine;
}

bool IsNameListed(const std::string& name, const std::string& list)
{
    const std::vector<std::string> names = SplitNameList(list);
    return std::find(names.begin(), names.end(), name) != names.end();
}

void LaunchOrderStrings(const std::vector<LaunchLine>& lines, std::string& order, std::string& ignore)
{
    order.clear();
    ignore.clear();
    for (const LaunchLine& line : lines) {
        order += line.name;
        order += kNameListSeparator;
        if (!line.launched) {
            ignore += line.name;
            ignore += kNameListSeparator;
        }
    }
}

int CountVisibleFiles(const std::string& pattern)
{
    int count = 0;
    WIN32_FIND_DATAA found;
    win::UniqueFind find(FindFirstFileA(pattern.c_str(), &found));
    if (!find)
        return 0;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)))
            ++count;
    } while (FindNextFileA(find.Get(), &found));
    return count;
}
