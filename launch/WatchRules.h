// What the start-up watch decides without touching the system: its places, what the user hears, the notice's text.
#pragma once
#include <windows.h>
#include <set>
#include <string>
#include <vector>

// One start-up place the resident instance watches during the session.
struct WatchPlace {
    int source = 0;     // a WorkSource: which Run key or Startup folder
    REGSAM view = 0;    // HKLM Run on 64-bit Windows: the registry view watched
    bool IsFolder() const;
    int Csidl() const;  // the folder's special-folder id (folders only)
};

// HKCU Run and the user's Startup folder; where the process may change the
// machine-wide places, HKLM Run (in each view on 64-bit Windows, and
// RunServices on Windows 9x) and the common Startup folder.  The same places
// the capture at log-off covers; without the rights their newcomers stay for
// Windows to start, and the notice, which promises that Quillrest starts what
// it names, says nothing of them.
std::vector<WatchPlace> WatchedPlaces(bool administrator, bool windows64, bool windows9x);

// The place as the log names it: "HKCU Run", "HKLM Run V=32", "user Startup folder", ...
std::string WatchPlaceText(const WatchPlace& place);

// One entry that a capture of a watched place has just parked.
struct ParkedEntry {
    std::string name;            // as the work queue names it
    bool parkedBefore = false;   // the place already held a parked entry of this name
    bool switchedOff = false;    // switched off in the system's start-up settings
};

enum class ParkNews {
    Announce,
    AlreadyParked,      // a program rewrote an entry that was taken over before
    AlreadyAnnounced,   // named in a notice earlier in this session
    SwitchedOff,        // Windows would not start it either
    NoticesOff,         // "NotifyNewEntries" is 0
};

// Whether the user hears of a parked entry; `announced` holds the lower-cased
// names announced in this session.
ParkNews NewsOfParkedEntry(const ParkedEntry& entry, const std::set<std::string>& announced, bool noticesOn);

// The log line that tells what became of a parked entry.
std::string ParkNewsLogLine(const std::string& name, const std::string& placeText, ParkNews news);

// The notice's text for the names in the order they were parked: the only
// name, or the first and how many more.
std::string NewEntriesNoticeText(const std::vector<std::string>& names);

// `list` ("IgnoreForLaunch") with every name it does not hold yet appended,
// each followed by the separator, as unticking it on the Launch Order page does.
std::string AddToNameList(std::string list, const std::vector<std::string>& names);
