// System-wide processor use and the process's age, for pacing and the boot report.
#include "launch/CpuSampler.h"
#include "win/Raii.h"

namespace {
unsigned long long Ticks(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart;
}
} // namespace

bool SampleSystemCpu(CpuSample& sample)
{
    using GetSystemTimesFn = BOOL(WINAPI*)(LPFILETIME, LPFILETIME, LPFILETIME);
    // KERNEL32 is always loaded, so the handle needs no release.
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    auto getSystemTimes = win::LookUp<GetSystemTimesFn>(kernel, "GetSystemTimes");
    FILETIME idle, kernelTime, user;
    if (!getSystemTimes || !getSystemTimes(&idle, &kernelTime, &user))
        return false;
    sample.tick = GetTickCount();
    sample.idle = Ticks(idle);
    sample.kernel = Ticks(kernelTime);
    sample.user = Ticks(user);
    return true;
}

unsigned ProcessorCount()
{
    SYSTEM_INFO info;
    ZeroMemory(&info, sizeof(info));
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors ? info.dwNumberOfProcessors : 1;
}

bool ProcessAgeMs(DWORD& ms)
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return false;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long from = Ticks(created);
    const unsigned long long to = Ticks(now);
    if (from == 0 || to < from || (to - from) / 10000 > 0xFFFFFFFFull)
        return false;
    ms = static_cast<DWORD>((to - from) / 10000);
    return true;
}
