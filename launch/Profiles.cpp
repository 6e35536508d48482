// Every user's profile as the system lists it, and where each one's Startup folder is.
#include "launch/Profiles.h"
#include "app/Log.h"
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

HiveUnloader g_unloadForTest = nullptr;
LONG g_hivesLoaded = 0;

// Sets the privileges in `state` on this process's token; `previous` (when
// given) receives their earlier state.  Looked up at run time: Windows 9x has
// no tokens, and needs no privilege to load a hive.
bool AdjustPrivileges(TOKEN_PRIVILEGES* state, std::vector<BYTE>* previous)
{
    using OpenToken = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
    using Adjust = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);
    const HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    auto openToken = win::LookUp<OpenToken>(advapi, "OpenProcessToken");
    auto adjust = win::LookUp<Adjust>(advapi, "AdjustTokenPrivileges");
    win::UniqueHandle token;
    if (!openToken || !adjust || !openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Out()))
        return false;
    DWORD size = previous ? static_cast<DWORD>(previous->size()) : 0;
    return adjust(token.Get(), FALSE, state, size,
                  previous ? reinterpret_cast<TOKEN_PRIVILEGES*>(previous->data()) : nullptr,
                  previous ? &size : nullptr) != FALSE;
}

// RegLoadKeyA needs both the backup and the restore privilege enabled.
void EnableHivePrivileges(std::vector<BYTE>& previous)
{
    using LookupPrivilege = BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID);
    auto lookup = win::LookUp<LookupPrivilege>(GetModuleHandleA("ADVAPI32.DLL"), "LookupPrivilegeValueA");
    if (Is9x() || !lookup)
        return;
    std::vector<BYTE> wanted(sizeof(TOKEN_PRIVILEGES) + sizeof(LUID_AND_ATTRIBUTES));
    TOKEN_PRIVILEGES* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(wanted.data());
    privileges->PrivilegeCount = 0;
    for (const char* name : {"SeBackupPrivilege", "SeRestorePrivilege"}) {
        LUID_AND_ATTRIBUTES& entry = privileges->Privileges[privileges->PrivilegeCount];
        if (lookup(nullptr, name, &entry.Luid)) {
            entry.Attributes = SE_PRIVILEGE_ENABLED;
            ++privileges->PrivilegeCount;
        }
    }
    previous.assign(wanted.size(), 0);
    // Without them (not an administrator) the load fails and says why.
    if (!AdjustPrivileges(privileges, &previous))
        previous.clear();
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
    return win::PathJoin(profileFolder, StandardStartupTail(win::OsVersion().dwMajorVersion));
}

bool ProfileHiveLoaded(const UserProfile& profile)
{
    win::UniqueKey hive;
    return RegOpenKeyExA(HKEY_USERS, profile.hive.c_str(), 0, KEY_READ, hive.Out()) == ERROR_SUCCESS;
}

void SetHiveUnloaderForTest(HiveUnloader unload)
{
    g_unloadForTest = unload;
}

LoadedProfileHive::LoadedProfileHive(const UserProfile& profile)
    : file_(win::PathJoin(profile.folder, Is9x() ? kProfileHiveFile9x : kProfileHiveFile)),
      name_(win::Format("Quillrest_%u_%ld", static_cast<unsigned>(GetCurrentProcessId()),
                        InterlockedIncrement(&g_hivesLoaded)))
{
    EnableHivePrivileges(previousPrivileges_);
    error_ = RegLoadKeyA(HKEY_USERS, name_.c_str(), file_.c_str());
    loaded_ = error_ == ERROR_SUCCESS;
    if (loaded_) {
        error_ = RegOpenKeyExA(HKEY_USERS, name_.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, key_.Out());
        WriteLog("Loaded %s as HKEY_USERS\\%s", file_.c_str(), name_.c_str());
        return;
    }
    // Some systems (Wine) leave an empty key of the name after a damaged file: it goes too.
    win::UniqueKey stray;
    if (RegOpenKeyExA(HKEY_USERS, name_.c_str(), 0, KEY_READ, stray.Out()) == ERROR_SUCCESS) {
        stray.Reset();
        RegUnLoadKeyA(HKEY_USERS, name_.c_str());
    }
}

LoadedProfileHive::~LoadedProfileHive()
{
    // Windows refuses to unload a hive while a key of it is open.
    key_.Reset();
    if (loaded_) {
        const LONG unloaded =
            g_unloadForTest ? g_unloadForTest(name_, file_) : RegUnLoadKeyA(HKEY_USERS, name_.c_str());
        if (unloaded != ERROR_SUCCESS)
            WriteLog("Unable to unload HKEY_USERS\\%s. GLE=%d", name_.c_str(), static_cast<int>(unloaded));
    }
    if (!previousPrivileges_.empty())
        AdjustPrivileges(reinterpret_cast<TOKEN_PRIVILEGES*>(previousPrivileges_.data()), nullptr);
}
