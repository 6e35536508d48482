// Shared by the tests that install and uninstall the shipped program: its files and the instances it starts.
#pragma once
#include "TestSupport.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "tools/LimitedToken.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <tlhelp32.h>
#include <string>

namespace qrtest {

// Where the program installs its files, by the name its Run value and its
// registrations use: the system directory, or SysWOW64 for the 32-bit program on
// 64-bit Windows.
inline std::string SystemFile(const char* name)
{
    return GetInstallDirectory() + "\\" + name;
}

inline std::string FileContents(const std::string& path)
{
    std::string text;
    win::ReadWholeFile(path, text);
    return text;
}

inline bool MutexExists(const char* name)
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (!mutex)
        return false;
    CloseHandle(mutex);
    return true;
}

// Ends the instances an install starts: the resident one through its shutdown
// event, anything else left (a configuration sheet) by force.
inline void EndInstalledInstances()
{
    if (MutexExists(kRunningMutex)) {
        ShutdownRunningApps();
        WaitFor([] { return !MutexExists(kRunningMutex); }, 5000);
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        std::string name = win::ToLower(entry.szExeFile);
        if (name.size() >= 13 && name.compare(name.size() - 13, 13, "quillrest.exe") == 0) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
            if (process) {
                TerminateProcess(process, 1);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        }
    }
    CloseHandle(snapshot);
}

// What an install leaves that uninstall keeps or that a failed test left.
inline void RemoveInstallation()
{
    for (const char* name : {kExeName, kAppletName, kBatchName}) {
        SetFileAttributesA(SystemFile(name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(SystemFile(name).c_str());
    }
    DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue);
    DeleteValue(HKEY_LOCAL_MACHINE, kCplsKey, "Quillrest");
    DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    DeleteTree(HKEY_CLASSES_ROOT, ".Quillrest");
    DeleteTree(HKEY_CLASSES_ROOT, "QuillrestLink");
    WritePrivateProfileStringA("MMCPL", kAppletName, nullptr, "control.ini");
}

// Whether Windows would let a standard user's token set a value in the key, by
// its security as the registry hands it back (Wine keeps it but does not enforce it).
inline bool LimitedTokenMaySetValues(HKEY root, const char* path)
{
    win::UniqueKey key;
    std::vector<BYTE> security(16384);
    DWORD size = static_cast<DWORD>(security.size()), granted = 0, privilegesSize = sizeof(PRIVILEGE_SET);
    win::UniqueHandle token(qrtool::MakeLimitedToken());
    GENERIC_MAPPING mapping = {KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
    PRIVILEGE_SET privileges;
    BOOL allowed = FALSE;
    return RegOpenKeyExA(root, path, 0, KEY_READ, key.Out()) == ERROR_SUCCESS &&
           RegGetKeySecurity(key.Get(), OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                            DACL_SECURITY_INFORMATION, security.data(), &size) == ERROR_SUCCESS &&
           AccessCheck(security.data(), token.Get(), KEY_SET_VALUE, &mapping, &privileges, &privilegesSize, &granted,
                       &allowed) &&
           allowed;
}

} // namespace qrtest
