// Every user's profile as the system lists it, and where each one's Startup folder is.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct UserProfile {
    std::string hive;      // the name of the user's hive under HKEY_USERS (a SID; the user name on 9x)
    std::string folder;    // the profile folder, environment references expanded
};

// The profiles of the system's profile list (Windows NT's, or 9x's where user
// profiles are on).
std::vector<UserProfile> ListUserProfiles();

// The Startup folder of the profile in `profileFolder`: from that user's own
// shell-folder settings under `userHive` (the user's hive root, loaded; null
// when it is not), else the standard layout of the Windows this runs on.
std::string ProfileStartupFolder(const std::string& profileFolder, HKEY userHive);
