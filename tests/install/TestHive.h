// A second user's registry hive under HKEY_USERS, for the restore and uninstall tests.
#pragma once
#include "TestSupport.h"
#include "win/Util.h"
#include <windows.h>

namespace qrtest {

inline void EnablePrivilege(const char* name)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

// Writes a hive file `file` as RegSaveKeyA makes it; `populate` fills the
// hive's root first.
template <class Populate>
bool SaveHiveFile(const std::string& file, Populate populate)
{
    EnablePrivilege("SeBackupPrivilege");
    EnablePrivilege("SeRestorePrivilege");
    const char* staging = "Software\\QrHiveStaging";
    DeleteTree(HKEY_CURRENT_USER, staging);
    HKEY root = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, staging, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr);
    populate(root);
    DeleteFileA(file.c_str());
    LONG saved = RegSaveKeyA(root, file.c_str(), nullptr);
    RegCloseKey(root);
    DeleteTree(HKEY_CURRENT_USER, staging);
    return saved == ERROR_SUCCESS;
}

// Loads a hive file made with RegSaveKeyA under HKEY_USERS\<name>, the way
// Windows loads another logged-on user's hive.  `populate` fills the hive's
// root before it is saved.
class TestHive {
public:
    template <class Populate>
    TestHive(const char* name, Populate populate) : name_(name)
    {
        folder_ = MakeTempFolder("hive");
        file_ = folder_ + "\\user.dat";
        loaded_ = SaveHiveFile(file_, populate) &&
                  RegLoadKeyA(HKEY_USERS, name_.c_str(), file_.c_str()) == ERROR_SUCCESS;
    }
    ~TestHive()
    {
        if (loaded_ && RegUnLoadKeyA(HKEY_USERS, name_.c_str()) != ERROR_SUCCESS)
            DeleteTree(HKEY_USERS, name_.c_str());
        RemoveTree(folder_);
    }
    bool Loaded() const { return loaded_; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    std::string folder_;
    std::string file_;
    bool loaded_ = false;
};

inline void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& data)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

// Type and raw data of one value; false when it is missing.
inline bool GetRaw(HKEY root, const std::string& path, const std::string& name, DWORD& type, std::string& data,
                   REGSAM view = 0)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    data.assign(size, '\0');
    if (result == ERROR_SUCCESS && size)
        result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace qrtest
