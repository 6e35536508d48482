// What the start-up watch decides without touching the system: its places, what the user hears, the notice's text.
#include "launch/WatchRules.h"
#include "launch/StartupPlaces.h"
#include "launch/WorkOrder.h"
#include "win/Util.h"
#include <algorithm>
#include <shlobj.h>

bool WatchPlace::IsFolder() const
{
    return source == SourceUserStartup || source == SourceCommonStartup;
}

int WatchPlace::Csidl() const
{
    return source == SourceCommonStartup ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP;
}

std::vector<WatchPlace> WatchedPlaces(bool administrator, bool windows64, bool windows9x)
{
    std::vector<WatchPlace> places;
    places.push_back({SourceHkcuRun, 0});
    if (administrator) {
        for (REGSAM view : HklmRunViews(windows64))
            places.push_back({SourceHklmRun, view});
        if (windows9x)
            places.push_back({SourceHklmRunServices, 0});
    }
    places.push_back({SourceUserStartup, 0});
    if (administrator)
        places.push_back({SourceCommonStartup, 0});
    return places;
}

std::string WatchPlaceText(const WatchPlace& place)
{
    switch (place.source) {
    case SourceHkcuRun:
        return "HKCU Run";
    case SourceHklmRun:
        return "HKLM Run" + ViewText(place.view);
    case SourceHklmRunServices:
        return "HKLM RunServices";
    case SourceUserStartup:
        return "user Startup folder";
    case SourceCommonStartup:
        return "common Startup folder";
    default:
        return win::Format("place %d", place.source);
    }
}

ParkNews NewsOfParkedEntry(const ParkedEntry& entry, const std::set<std::string>& announced, bool noticesOn)
{
    if (entry.switchedOff)
        return ParkNews::SwitchedOff;
    if (entry.parkedBefore)
        return ParkNews::AlreadyParked;
    if (announced.count(win::ToLower(entry.name)))
        return ParkNews::AlreadyAnnounced;
    return noticesOn ? ParkNews::Announce : ParkNews::NoticesOff;
}

namespace {

const char* ParkNewsFormat(ParkNews news)
{
    switch (news) {
    case ParkNews::Announce:
        break;
    case ParkNews::AlreadyParked:
        return "Parked [%s] from %s again: it was parked before, not announced";
    case ParkNews::AlreadyAnnounced:
        return "Parked [%s] from %s again: announced earlier in this session";
    case ParkNews::SwitchedOff:
        return "Parked [%s] from %s: switched off in the system's start-up settings, not announced";
    case ParkNews::NoticesOff:
        return "Parked new start-up entry [%s] from %s: notices are switched off";
    }
    return "Parked new start-up entry [%s] from %s";
}

} // namespace

std::string ParkNewsLogLine(const std::string& name, const std::string& placeText, ParkNews news)
{
    return win::Format(ParkNewsFormat(news), name.c_str(), placeText.c_str());
}

std::string NewEntriesNoticeText(const std::vector<std::string>& names)
{
    if (names.empty())
        return std::string();
    // A Run key's unnamed value is shown as the registry editor shows it.
    const std::string first = names.front().empty() ? "(Default)" : names.front();
    if (names.size() == 1)
        return win::Format("%s added itself to your start-up programs. Quillrest will start it after you log on, in "
                           "its turn.",
                           first.c_str());
    return win::Format("%s and %d more added themselves to your start-up programs. Quillrest will start them after "
                       "you log on, in their turn.",
                       first.c_str(), static_cast<int>(names.size() - 1));
}

std::string AddToNameList(std::string list, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        const std::vector<std::string> listed = SplitNameList(list);
        if (std::find(listed.begin(), listed.end(), name) != listed.end())
            continue;
        // A list whose last name lacks its separator would run into the new one.
        if (!list.empty() && list.back() != kNameListSeparator)
            list += kNameListSeparator;
        list += name + kNameListSeparator;
    }
    return list;
}
