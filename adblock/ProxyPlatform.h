// The one seam between the proxy layer and the system: RAS phone-book entries and
// WinINet's per-connection proxy options.  Tests install a stand-in.
#pragma once
#include <windows.h>
#include <wininet.h>

// A phone-book entry record in the layout every RAS since Windows 95 accepts: a
// size field and a 257-byte name, 264 bytes with alignment.  (The newer record
// of the system headers is not understood by old RAS.)
struct RasEntryRecord {
    DWORD dwSize;
    char szEntryName[257];
};
static_assert(sizeof(RasEntryRecord) == 264, "RAS entry records are 264 bytes apart");

class ProxyPlatform {
public:
    virtual ~ProxyPlatform() = default;
    // RasEnumEntriesA on the default phone book: 0 on success, else a RAS error
    // (ERROR_BUFFER_TOO_SMALL with `bytes` set to what is needed).
    virtual DWORD EnumEntries(RasEntryRecord* entries, DWORD* bytes, DWORD* count) = 0;
    // InternetQueryOptionA / InternetSetOptionA without an Internet handle.
    virtual BOOL QueryOption(DWORD option, void* buffer, DWORD* length) = 0;
    virtual BOOL SetOption(DWORD option, void* buffer, DWORD length) = 0;
};

// The system's functions, or the stand-in a test installed.
ProxyPlatform& CurrentProxyPlatform();
// Tests: routes every call to `platform`; nullptr puts the system back.
void InstallProxyPlatformForTest(ProxyPlatform* platform);
