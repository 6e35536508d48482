// Restoration of start-up entries: puts parked shortcuts and captured Run values back at uninstall.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// An entry that restoration left parked, and why; the uninstall names each one.
struct StillParked {
    std::string entry;    // "HKCU Run\<name>", a user's hive, or a parked shortcut's path
    std::string why;
    bool registryUnread = false;    // a user's whole registry could not be read
};
// "<entry>: <why>"
std::string StillParkedLine(const StillParked& parked);

// True when the uninstall may go on, false when the user chose to stop (a
// quiet run stops wherever a question would be asked, but for a user's
// registry that cannot be read, where it goes on).  Every entry that stays
// parked is added to `left`.  Users who are not logged on are restored too:
// each one's hive is loaded for the time it takes.
bool RestoreRedirectedApps(std::vector<StillParked>* left = nullptr);
// Puts X.lnk.Quillrest back as X.lnk in `folder`; where an X.lnk stands, it
// is kept and the parked copy dropped.
bool RestoreStartGroupItems(const std::string& folder, std::vector<StillParked>* left = nullptr);
// Moves the values of `path`\Quillrest back into `path` under `root`, both
// opened in registry view `view` (0: the process's own); a value of the same
// name in `path` is kept and the parked copy dropped.  `place` names the key
// in `left` (default: HKLM or HKCU, the key and the view).
bool RestoreRunKey(HKEY root, const char* path, REGSAM view = 0, std::vector<StillParked>* left = nullptr,
                   const std::string& place = std::string());
