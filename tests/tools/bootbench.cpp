// Boot benchmark driver: parks probe programs, runs one boot, prints window and schedule figures.
//
// Usage: bootbench.exe <Quillrest.exe> <probe.exe> <count> <output folder>
#include "ToolSupport.h"
#include "win/Raii.h"
#include <psapi.h>
#include <shlwapi.h>
#include <cmath>

using namespace qrtool;

namespace {

SIZE_T PrivateBytes(HANDLE process)
{
    using GetInfo = BOOL(WINAPI*)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
    win::UniqueLibrary psapi(LoadLibraryA("PSAPI.DLL"));
    auto getInfo = win::LookUp<GetInfo>(psapi.Get(), "GetProcessMemoryInfo");
    PROCESS_MEMORY_COUNTERS_EX counters;
    ZeroMemory(&counters, sizeof(counters));
    counters.cb = sizeof(counters);
    if (!getInfo)
        return Fail(0, "GetProcessMemoryInfo missing");
    if (!getInfo(process, reinterpret_cast<PPROCESS_MEMORY_COUNTERS>(&counters), sizeof(counters)))
        return Fail(0, "GetProcessMemoryInfo failed, error %lu", GetLastError());
    // Older systems leave PrivateUsage empty; the pagefile figure is the same committed memory.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
        return Fail(2, "usage: bootbench <Quillrest.exe> <probe.exe> <count> <output folder>");
    const std::string exe = argv[1];
    const std::string probe = argv[2];
    const int count = std::atoi(argv[3]);
    const std::string out = win::PathJoin(argv[4], "bench-starts.txt");
    DeleteFileA(out.c_str());

    // One second apart, no cleaning, no welcome, no log.
    QuietBootSettings(1);
    for (int i = 0; i < count; ++i) {
        const std::string name = win::Format("QrBench%02d", i);
        SetRegString(HKEY_CURRENT_USER, CapturePath(), name, "\"" + probe + "\" \"" + out + "\" " + name);
    }

    HANDLE process = Start("\"" + exe + "\" -noinstall -hklm");
    if (!process)
        return Fail(3, "cannot start %s", exe.c_str());
    const unsigned long long created = CreationTime100ns(process);

    HWND window = nullptr;
    if (!Await([&] { return (window = VisibleWindow(kBootTitle)) != nullptr; }, 30000, 2)) {
        Stop(process);
        return Fail(4, "boot window never showed");
    }
    const unsigned long long visible = Now100ns();
    // Launch phase: (count + 1) periods; then the window hides.
    Await([&] { return !IsWindowVisible(window); }, static_cast<DWORD>(count + 30) * 1000, 50);
    Sleep(500);
    const SIZE_T privateBytes = PrivateBytes(process);
    Stop(process);

    std::vector<unsigned long long> starts;
    for (const ProbeStart& start : ReadProbeStarts(out))
        starts.push_back(start.created);
    std::sort(starts.begin(), starts.end());
    double sum = 0;
    double worst = 0;
    for (size_t i = 0; i < starts.size(); ++i) {
        const double scheduled = static_cast<double>(visible) + (static_cast<double>(i) + 1) * 1e7;
        const double deviation = std::fabs(static_cast<double>(starts[i]) - scheduled) / 1e4;
        sum += deviation;
        worst = std::max(worst, deviation);
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, CapturePath().c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    DeleteFileA(out.c_str());

    std::printf("programs started:             %u of %d\n", static_cast<unsigned>(starts.size()), count);
    std::printf("process start to window shown: %.0f ms\n", static_cast<double>(visible - created) / 1e4);
    std::printf("start deviation from schedule: mean %.1f ms, worst %.1f ms\n",
                starts.empty() ? 0.0 : sum / static_cast<double>(starts.size()), worst);
    std::printf("resident private memory:       %.2f MB\n", static_cast<double>(privateBytes) / (1024.0 * 1024.0));
    return starts.size() == static_cast<size_t>(count) ? 0 : 1;
}
