// Every user's profile as the system lists it, and where each one's Startup folder is.
#pragma once
#include "win/Raii.h"
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

// True when the profile's hive is loaded under HKEY_USERS (its user is logged
// on, or a service runs as that user).
bool ProfileHiveLoaded(const UserProfile& profile);

// The hive file of a profile whose user is not logged on, loaded under a name
// of this process's own below HKEY_USERS (never a user's SID, so no clash),
// with the backup and restore privileges enabled meanwhile, for as long as the
// object lives; then unloaded, which keeps the changes in the file.
class LoadedProfileHive {
public:
    explicit LoadedProfileHive(const UserProfile& profile);
    ~LoadedProfileHive();
    LoadedProfileHive(const LoadedProfileHive&) = delete;
    LoadedProfileHive& operator=(const LoadedProfileHive&) = delete;
    HKEY Key() const { return key_.Get(); }    // the hive's root; null when it could not be loaded
    LONG Error() const { return error_; }      // why not
    const std::string& File() const { return file_; }

private:
    std::string file_;
    std::string name_;
    win::UniqueKey key_;
    std::vector<BYTE> previousPrivileges_;
    bool loaded_ = false;
    LONG error_ = ERROR_SUCCESS;
};

// Test seam: Wine drops a loaded hive's changes at unloading, where Windows
// keeps them in the file; a test puts in a stand-in that saves the branch to
// `file` first.  Null restores RegUnLoadKeyA.
using HiveUnloader = LONG (*)(const std::string& name, const std::string& file);
void SetHiveUnloaderForTest(HiveUnloader unload);
