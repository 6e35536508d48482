// The system side of the proxy seam: RAS looked up at run time, WinINet called directly.
#include "adblock/ProxyPlatform.h"
#include "app/Log.h"
#include "win/Raii.h"

namespace {

class SystemProxyPlatform : public ProxyPlatform {
public:
    DWORD EnumEntries(RasEntryRecord* entries, DWORD* bytes, DWORD* count) override
    {
        // Windows 95 without dial-up networking has no rasapi32.dll; the program
        // must still load there, and such a machine simply has no phone-book entries.
        using RasEnumEntriesFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, RasEntryRecord*, LPDWORD, LPDWORD);
        win::UniqueLibrary ras(LoadLibraryA("rasapi32.dll"));
        RasEnumEntriesFn enumEntries = win::LookUp<RasEnumEntriesFn>(ras.Get(), "RasEnumEntriesA");
        if (!enumEntries) {
            WriteLog("RAS is not installed: no dial-up connections");
            *bytes = 0;
            *count = 0;
            return ERROR_SUCCESS;
        }
        return enumEntries(nullptr, nullptr, entries, bytes, count);
    }

    BOOL QueryOption(DWORD option, void* buffer, DWORD* length) override
    {
        return InternetQueryOptionA(nullptr, option, buffer, length);
    }

    BOOL SetOption(DWORD option, void* buffer, DWORD length) override
    {
        return InternetSetOptionA(nullptr, option, buffer, length);
    }
};

SystemProxyPlatform g_system;
ProxyPlatform* g_platform = &g_system;

} // namespace

ProxyPlatform& CurrentProxyPlatform()
{
    return *g_platform;
}

void InstallProxyPlatformForTest(ProxyPlatform* platform)
{
    g_platform = platform ? platform : &g_system;
}
