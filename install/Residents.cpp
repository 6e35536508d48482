// Resident instances of every session: ending them all for uninstall, and waiting until they have ended.
#include "install/Residents.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <sddl.h>
#include <cstring>

namespace {

// A resident ends at once when told; this only guards against a hang.
constexpr DWORD kResidentsPatienceMs = 30000;

// Every session may wait on the signal and hold the presence; only
// administrators and the system may set the signal.
const char* kSignalSecurity = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100000;;;WD)";

HANDLE g_uninstallSignal = nullptr;    // up while this process uninstalls

ResidentSignalNames CurrentSignals()
{
    const OSVERSIONINFOA info = win::OsVersion();
    return ResidentSignals(info.dwPlatformId, info.dwMajorVersion);
}

bool Global(const ResidentSignalNames& names)
{
    return std::strcmp(names.uninstall, kShutdownEvent) != 0;
}

// Creates a named object (through `create`) with the security above, where
// this Windows can describe it.
template <class Create>
HANDLE CreateShared(Create create)
{
    using ConvertFn = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    static const ConvertFn convert =
        win::LookUp<ConvertFn>(GetModuleHandleA("ADVAPI32.DLL"), "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (convert)
        convert(kSignalSecurity, SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    HANDLE handle = create(descriptor ? &attributes : nullptr);
    LocalFree(descriptor);
    return handle;
}

// Opens the named object for waiting, or creates it.
template <class Open, class Create>
HANDLE OpenOrCreate(Open open, Create create)
{
    if (HANDLE handle = open())
        return handle;
    HANDLE handle = CreateShared(create);
    // Another instance created it meanwhile, with rights this one may lack but waiting.
    return handle ? handle : open();
}

} // namespace

ResidentSignalNames ResidentSignals(DWORD platformId, DWORD majorVersion)
{
    if (platformId == VER_PLATFORM_WIN32_NT && majorVersion >= 5)
        return {kUninstallSignal, kResidentPresence};
    return {kShutdownEvent, kRunningMutex};
}

bool JoinResidents()
{
    const ResidentSignalNames names = CurrentSignals();
    if (!Global(names))
        return true;    // the single-instance mutex tells that a resident runs
    // Present first, then the signal: an uninstall that set it after this look
    // waits for this instance.  The handle is held until the process ends.
    OpenOrCreate([&] { return OpenMutexA(SYNCHRONIZE, FALSE, names.presence); },
                 [&](SECURITY_ATTRIBUTES* attributes) { return CreateMutexA(attributes, FALSE, names.presence); });
    win::UniqueHandle signal(OpenUninstallSignal());
    return !signal || WaitForSingleObject(signal.Get(), 0) != WAIT_OBJECT_0;
}

HANDLE OpenUninstallSignal()
{
    const ResidentSignalNames names = CurrentSignals();
    if (!Global(names))
        return nullptr;
    return OpenOrCreate([&] { return OpenEventA(SYNCHRONIZE, FALSE, names.uninstall); },
                        [&](SECURITY_ATTRIBUTES* attributes) { return CreateEventA(attributes, TRUE, FALSE, names.uninstall); });
}

bool EndEveryResident()
{
    WriteLog("EndEveryResident");
    const ResidentSignalNames names = CurrentSignals();
    if (Global(names) && !g_uninstallSignal) {
        g_uninstallSignal = CreateShared(
            [&](SECURITY_ATTRIBUTES* attributes) { return CreateEventA(attributes, TRUE, FALSE, names.uninstall); });
    }
    if (g_uninstallSignal && SetEvent(g_uninstallSignal)) {
        WriteLog("Setting uninstall signal");
    } else {
        // Older Windows, or a user who may not set the signal: this session's instance at least.
        if (Global(names))
            WriteLog("Unable to set the uninstall signal. GLE=%d", static_cast<int>(GetLastError()));
        ShutdownRunningApps();
    }
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE presence = OpenMutexA(SYNCHRONIZE, FALSE, names.presence);
        // The object goes with the last instance that held it.
        if (!presence && GetLastError() != ERROR_ACCESS_DENIED)
            return true;
        if (presence)
            CloseHandle(presence);
        if (GetTickCount() - start >= kResidentsPatienceMs) {
            WriteLog("A resident instance is still running after %u ms", static_cast<unsigned>(kResidentsPatienceMs));
            return false;
        }
        Sleep(100);
    }
}

void AllowResidents()
{
    if (g_uninstallSignal)
        ResetEvent(g_uninstallSignal);
}
