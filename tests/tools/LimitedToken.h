// A standard user's token under Wine, where every process is an elevated
// administrator: the linked (filtered) token, the Administrators group for
// denying only, every privilege deleted but the three a standard user holds.
#pragma once
#include <windows.h>
#include <cstring>
#include <vector>

namespace qrtool {

inline PSID Administrators()
{
    static BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size);
    return sid;
}

// An impersonation token (for CreateProcessAsUserW and AccessCheck) the caller
// closes; nullptr when it cannot be made.
inline HANDLE MakeLimitedToken()
{
    HANDLE own = nullptr, limited = nullptr;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own);
    const BOOL hasLinked = GetTokenInformation(own, TokenLinkedToken, &linked, sizeof(linked), &size);
    CloseHandle(own);
    if (!hasLinked)
        return nullptr;
    std::vector<BYTE> buffer(8192);
    std::vector<LUID_AND_ATTRIBUTES> deleted;
    GetTokenInformation(linked.LinkedToken, TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
    const TOKEN_PRIVILEGES* held = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < held->PrivilegeCount; ++i) {
        char name[64] = "";
        DWORD length = sizeof(name);
        LUID luid = held->Privileges[i].Luid;
        LookupPrivilegeNameA(nullptr, &luid, name, &length);
        if (std::strcmp(name, "SeChangeNotifyPrivilege") && std::strcmp(name, "SeShutdownPrivilege") &&
            std::strcmp(name, "SeUndockPrivilege"))
            deleted.push_back(held->Privileges[i]);
    }
    SID_AND_ATTRIBUTES denyOnly = {Administrators(), 0};
    if (!CreateRestrictedToken(linked.LinkedToken, 0, 1, &denyOnly, static_cast<DWORD>(deleted.size()),
                               deleted.data(), 0, nullptr, &limited))
        limited = nullptr;
    CloseHandle(linked.LinkedToken);
    return limited;
}

// This process's token as one number: elevation type (2 full, 3 limited) * 100
// + elevated * 10 + member of the Administrators group.
inline DWORD TokenSummary()
{
    HANDLE token = nullptr;
    DWORD type = 0, size = 0;
    TOKEN_ELEVATION elevation = {};
    BOOL member = FALSE;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size);
    GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
    CloseHandle(token);
    CheckTokenMembership(nullptr, Administrators(), &member);
    return type * 100 + (elevation.TokenIsElevated ? 10 : 0) + (member ? 1 : 0);
}

} // namespace qrtool
