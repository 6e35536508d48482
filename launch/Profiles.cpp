// Every user's profile as the system lists it, and where each one's Startup folder is.
#include "launch/Profiles.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "launch/StartupPlaces.h"
#include "win/Raii.h"
#include "win/Util.h"

namespace {

// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded); false when missing or empty.
bool ReadText(HKEY root, const char* path, const char* name, std::string& text)
{
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::vector<char> data(size + 2, '\0');
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    text = data.data();
    return !text.empty();
}

DWORD MajorVersion()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExA(&info);
    return info.dwMajorVersion;
}

} // namespace

std::vector<UserProfile> ListUserProfiles()
{
    std::vector<UserProfile> profiles;
    win::UniqueKey list;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Is9x() ? kProfileList9xKey : kProfileListKey, 0, KEY_READ, list.Out()) !=
        ERROR_SUCCESS)
        return profiles;
    for (DWORD index = 0;; ++index) {
        // 256 characters, at up to three bytes each in UTF-8.
        char name[256 * 3];
        DWORD nameLength = sizeof(name);
        if (RegEnumKeyExA(list.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return profiles;
        std::string folder;
        // Windows writes the folder with %SystemDrive% or %SystemRoot%, the same for every user.
        if (ReadText(list.Get(), name, kProfileImagePath, folder))
            profiles.push_back({name, win::ExpandEnvironment(folder)});
    }
}

std::string ProfileStartupFolder(const std::string& profileFolder, HKEY userHive)
{
    std::string setting;
    std::string path;
    // The user's own setting (moved or named in the user's language), then what
    // Explorer last wrote out for that user.
    for (const char* key : {kUserShellFoldersKey, kShellFoldersKey}) {
        if (userHive && ReadText(userHive, key, kStartupShellFolder, setting) &&
            ProfileSettingPath(setting, profileFolder, path))
            return win::ExpandEnvironment(path);
    }
    return win::PathJoin(profileFolder, StandardStartupTail(MajorVersion()));
}
