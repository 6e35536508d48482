// Processor use of the whole machine and of a started program, and the process's
// own age, for pacing and the boot report.
#include "launch/CpuSampler.h"
#include "win/Util.h"

namespace {

// GetProcessTimes and GetThreadTimes, looked up at run time: Windows 9x has no
// process or thread times.
using TimesFn = BOOL(WINAPI*)(HANDLE, LPFILETIME, LPFILETIME, LPFILETIME, LPFILETIME);
const TimesFn kProcessTimes = win::KernelFunction<TimesFn>("GetProcessTimes");
const TimesFn kThreadTimes = win::KernelFunction<TimesFn>("GetThreadTimes");

// `used` is kernel plus user time.
bool ObjectTimes(TimesFn times, HANDLE object, FILETIME& created, unsigned long long& used)
{
    FILETIME exited, kernel, user;
    if (!times || !times(object, &created, &exited, &kernel, &user))
        return false;
    used = win::FileTimeTicks(kernel) + win::FileTimeTicks(user);
    return true;
}

} // namespace

bool SampleSystemCpu(CpuSample& sample)
{
    using GetSystemTimesFn = BOOL(WINAPI*)(LPFILETIME, LPFILETIME, LPFILETIME);
    static const auto getSystemTimes = win::KernelFunction<GetSystemTimesFn>("GetSystemTimes");
    FILETIME idle, kernelTime, user;
    if (!getSystemTimes || !getSystemTimes(&idle, &kernelTime, &user))
        return false;
    sample.tick = GetTickCount();
    sample.idle = win::FileTimeTicks(idle);
    sample.kernel = win::FileTimeTicks(kernelTime);
    sample.user = win::FileTimeTicks(user);
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
    FILETIME created, now;
    unsigned long long used = 0;
    if (!ObjectTimes(kProcessTimes, GetCurrentProcess(), created, used))
        return false;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long from = win::FileTimeTicks(created);
    const unsigned long long to = win::FileTimeTicks(now);
    if (from == 0 || to < from || (to - from) / 10000 > 0xFFFFFFFFull)
        return false;
    ms = static_cast<DWORD>((to - from) / 10000);
    return true;
}

void SampleProgram(FollowedProgram& program, ProgramSample& sample)
{
    sample = ProgramSample();
    HANDLE process = program.process.Get();
    sample.exited = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    // Console programs and programs without a message queue fail at once: there
    // is no window to wait for.
    if (!program.inputIdle)
        program.inputIdle = WaitForInputIdle(process, 0) != WAIT_TIMEOUT;
    sample.inputIdle = program.inputIdle;
    FILETIME created;
    sample.hasCpu = ObjectTimes(kProcessTimes, process, created, sample.cpu);
    if (sample.hasCpu && program.thread)
        ObjectTimes(kThreadTimes, program.thread.Get(), created, sample.threadCpu);
    // Windows 2000 and later; Wine 8 answers with zeros.
    using IoCountersFn = BOOL(WINAPI*)(HANDLE, PIO_COUNTERS);
    static const auto ioCounters = win::KernelFunction<IoCountersFn>("GetProcessIoCounters");
    IO_COUNTERS io;
    ZeroMemory(&io, sizeof(io));
    if (ioCounters && ioCounters(process, &io)) {
        sample.hasIo = true;
        sample.ioBytes = io.ReadTransferCount + io.WriteTransferCount;
    }
}
