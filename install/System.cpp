// System helpers shared by install, capture and the boot window.
#include "install/System.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
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
    return win::OsVersion().dwPlatformId;
}

// 1 or 0 where CheckTokenMembership exists (Windows 2000 and later), else -1.
int TokenHoldsAdministrators()
{
    using CheckMembership = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
    auto check = win::LookUp<CheckMembership>(GetModuleHandleA("ADVAPI32.DLL"), "CheckTokenMembership");
    if (!check)
        return -1;
    // S-1-5-32-544, BUILTIN\Administrators, laid out as a SID.
    struct {
        BYTE revision;
        BYTE count;
        SID_IDENTIFIER_AUTHORITY authority;
        DWORD rids[2];
    } administrators = {SID_REVISION, 2, {SECURITY_NT_AUTHORITY},
                        {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
    BOOL member = FALSE;
    if (!check(nullptr, &administrators, &member))
        return -1;
    return member ? 1 : 0;
}

Elevation ReadProcessElevation()
{
    if (PlatformId() != VER_PLATFORM_WIN32_NT)
        return Elevation::NotSeparated;
    using OpenToken = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
    using TokenInformation = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    const HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    auto openToken = win::LookUp<OpenToken>(advapi, "OpenProcessToken");
    auto information = win::LookUp<TokenInformation>(advapi, "GetTokenInformation");
    win::UniqueHandle token;
    if (!openToken || !information || !openToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()))
        return Elevation::NotSeparated;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    // Windows before Vista know no such class of information.
    if (!information(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size))
        return Elevation::NotSeparated;
    return elevation.TokenIsElevated ? Elevation::Elevated : Elevation::Limited;
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
        const int member = TokenHoldsAdministrators();
        admin = member == 1;
        if (member < 0) {
            // NT 4: only an administrator may change the services.
            using OpenScm = SC_HANDLE(WINAPI*)(LPCSTR, LPCSTR, DWORD);
            using CloseScm = BOOL(WINAPI*)(SC_HANDLE);
            win::UniqueLibrary advapi(LoadLibraryA("ADVAPI32.DLL"));
            auto closeHandle = win::LookUp<CloseScm>(advapi.Get(), "CloseServiceHandle");
            auto open = win::LookUp<OpenScm>(advapi.Get(), "OpenSCManagerA");
            admin = true;
            if (closeHandle && open) {
                SC_HANDLE manager = open(nullptr, nullptr, GENERIC_WRITE);
                admin = manager != nullptr;
                if (manager)
                    closeHandle(manager);
            }
        }
    }
    WriteLog("IsAdministrator returning %d", admin ? 1 : 0);
    g_adminResult = admin;
    g_adminKnown = true;
    return admin;
}

Elevation ProcessElevation()
{
    static const Elevation elevation = ReadProcessElevation();
    return elevation;
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
    if (OpenKeyForWrite(HKEY_LOCAL_MACHINE, kRunKey, run) != ERROR_SUCCESS)
        return false;
    const LONG written = RegSetValueExA(run.Get(), kOwnRunValue, 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(command.c_str()),
                                        static_cast<DWORD>(command.size() + 1));
    if (written != ERROR_SUCCESS)
        LogFailedWrite(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue, written);
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
