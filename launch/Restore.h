// Restoration of start-up entries: puts parked shortcuts and captured Run values back at uninstall.
#pragma once
#include <windows.h>
#include <string>

// True when the uninstall may go on, false when the user chose to stop.
bool RestoreRedirectedApps();
// Puts X.lnk.Quillrest back as X.lnk in `folder`.
bool RestoreStartGroupItems(const std::string& folder);
// Moves the values of `path`\Quillrest back into `path` under `root`, both
// opened in registry view `view` (0: the process's own).
bool RestoreRunKey(HKEY root, const char* path, REGSAM view = 0);

// The folder holding every profile and the Startup tail below each profile,
// split from the user's Startup path at "\START MENU" (upper-cased); false when
// the path has no "\START MENU".
bool SplitStartupPath(const std::string& startupPath, std::string& profilesParent, std::string& tail);
