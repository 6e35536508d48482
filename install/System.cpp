// System helpers shared by install, capture and the boot window.
#include "install/System.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <vector>

namespace {
int g_is9xOverride = -1;
int g_adminOverride = -1;
int g_systemOverride = -1;
bool g_adminKnown = false;
bool g_adminResult = false;

DWORD PlatformId()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExA(&info);
    return info.dwPlatformId;
}
} // namespace

void OverrideIs9xForTest(int value)
{
    g_is9xOverride = value;
}

void OverrideIsAdministratorForTest(int value)
{
    g_adminOverride = value;
    g_adminKnown = false;
}

void OverrideIsLocalSystemForTest(int value)
{
    g_systemOverride = value;
}

bool Is9x()
{
    bool result = g_is9xOverride >= 0 ? g_is9xOverride != 0 : PlatformId() == VER_PLATFORM_WIN32_WINDOWS;
    WriteLog(result ? "Is9x = true" : "Is9x = false");
    return result;
}

bool Is64BitWindows()
{
    if (sizeof(void*) == 8)
        return true;
    using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = win::KernelFunction<IsWow64>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

bool IsAdministrator()
{
    WriteLog("IsAdministrator");
    if (g_adminKnown)
        return g_adminResult;
    bool admin = true;
    if (g_adminOverride >= 0) {
        admin = g_adminOverride != 0;
    } else if (PlatformId() == VER_PLATFORM_WIN32_NT) {
        using OpenScm = SC_HANDLE(WINAPI*)(LPCSTR, LPCSTR, DWORD);
        using CloseScm = BOOL(WINAPI*)(SC_HANDLE);
        win::UniqueLibrary advapi(LoadLibraryA("ADVAPI32.DLL"));
        auto closeHandle = win::LookUp<CloseScm>(advapi.Get(), "CloseServiceHandle");
        auto open = win::LookUp<OpenScm>(advapi.Get(), "OpenSCManagerA");
        if (closeHandle && open) {
            SC_HANDLE manager = open(nullptr, nullptr, GENERIC_WRITE);
            admin = manager != nullptr;
            if (manager)
                closeHandle(manager);
        }
    }
    WriteLog("IsAdministrator returning %d", admin ? 1 : 0);
    g_adminResult = admin;
    g_adminKnown = true;
    return admin;
}

bool IsLocalSystem()
{
    if (g_systemOverride >= 0)
        return g_systemOverride != 0;
    if (PlatformId() != VER_PLATFORM_WIN32_NT)
        return false;
    // Looked up at run time: Windows 95 lacks some, NT 4 the SID text.
    using OpenToken = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
    using TokenInfo = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    using SidText = BOOL(WINAPI*)(PSID, LPSTR*);
    const HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    auto openToken = win::LookUp<OpenToken>(advapi, "OpenProcessToken");
    auto tokenInfo = win::LookUp<TokenInfo>(advapi, "GetTokenInformation");
    auto sidText = win::LookUp<SidText>(advapi, "ConvertSidToStringSidA");
    win::UniqueHandle token;
    if (!openToken || !tokenInfo || !sidText || !openToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()))
        return false;
    DWORD size = 0;
    tokenInfo(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size ? size : 1);
    char* text = nullptr;
    if (!size || !tokenInfo(token.Get(), TokenUser, user.data(), size, &size) ||
        !sidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text))
        return false;
    const bool system = lstrcmpiA(text, "S-1-5-18") == 0;
    LocalFree(text);
    return system;
}

std::string GetInstallDirectory()
{
    if (sizeof(void*) == 4 && Is64BitWindows()) {
        using GetWow64Dir = UINT(WINAPI*)(LPSTR, UINT);
        auto getWow64Dir = win::KernelFunction<GetWow64Dir>("GetSystemWow64DirectoryA");
        char buffer[MAX_PATH * 4] = "";
        const UINT length = getWow64Dir ? getWow64Dir(buffer, sizeof(buffer)) : 0;
        if (length > 0 && length < sizeof(buffer))
            return buffer;
    }
    return win::SystemDirectory();
}

std::string GetInstalledExePath()
{
    return win::PathJoin(GetInstallDirectory(), kExeName);
}

std::string GetUninstallBatchPath()
{
    return win::PathJoin(GetInstallDirectory(), kBatchName);
}

bool InstallSelfForBoot()
{
    WriteLog("InstallSelfForBoot");
    std::string command = win::Format("%s -hklm", GetInstalledExePath().c_str());
    win::UniqueKey run;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, run.Out()) != ERROR_SUCCESS)
        return false;
    RegSetValueExA(run.Get(), kOwnRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    return true;
}

void ShutdownRunningApps()
{
    WriteLog("ShutdownRunningApps");
    // The handle stays open for the process, as the resident instance's does.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, kShutdownEvent);
    WriteLog("Setting shutdown event");
    if (!event)
        return;
    SetEvent(event);
    Sleep(1000);
    // The reset clears a signal nobody consumed, so a later instance does not end at once.
    ResetEvent(event);
}
