// Boot benchmark driver: parks probe programs, runs one boot, prints window and schedule figures.
//
// Usage: bootbench.exe <Quillrest.exe> <probe.exe> <count> <output folder>
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <psapi.h>
#include <shlwapi.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

unsigned long long Now100ns()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    return t.QuadPart;
}

unsigned long long CreationTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    ULARGE_INTEGER t;
    t.LowPart = created.dwLowDateTime;
    t.HighPart = created.dwHighDateTime;
    return t.QuadPart;
}

void SetValue(HKEY root, const std::string& path, const std::string& name, const std::string& data)
{
    win::UniqueKey key;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr);
    RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

// Creation times of the probes, in the order of their output lines.
std::vector<unsigned long long> ProbeTimes(const std::string& path)
{
    std::vector<unsigned long long> times;
    std::string text;
    win::ReadWholeFile(path, text);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        size_t tab = line.find('\t');
        if (tab != std::string::npos)
            times.push_back(std::strtoull(line.c_str() + tab + 1, nullptr, 10));
        start = end + 1;
    }
    std::sort(times.begin(), times.end());
    return times;
}

SIZE_T PrivateBytes(HANDLE process)
{
    using GetInfo = BOOL(WINAPI*)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
    win::UniqueLibrary psapi(LoadLibraryA("PSAPI.DLL"));
    auto getInfo = win::LookUp<GetInfo>(psapi.Get(), "GetProcessMemoryInfo");
    PROCESS_MEMORY_COUNTERS_EX counters;
    ZeroMemory(&counters, sizeof(counters));
    counters.cb = sizeof(counters);
    if (!getInfo) {
        std::fprintf(stderr, "GetProcessMemoryInfo missing\n");
        return 0;
    }
    if (!getInfo(process, reinterpret_cast<PPROCESS_MEMORY_COUNTERS>(&counters), sizeof(counters))) {
        std::fprintf(stderr, "GetProcessMemoryInfo failed, error %lu\n", GetLastError());
        return 0;
    }
    // Older systems leave PrivateUsage empty; the pagefile figure is the same committed memory.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: bootbench <Quillrest.exe> <probe.exe> <count> <output folder>\n");
        return 2;
    }
    const std::string exe = argv[1];
    const std::string probe = argv[2];
    const int count = std::atoi(argv[3]);
    const std::string out = win::PathJoin(argv[4], "bench-starts.txt");
    DeleteFileA(out.c_str());

    // Settings of the run: one second apart, no cleaning, no welcome, no log.
    SetProductDword(kDelaySeconds, 1);
    SetProductDword(kWelcomeDismissed, 1);
    SetProductDword(kLog, 0);
    for (const char* cleaner : {kDeleteSafeTempFiles, kDeleteAllTempFiles, kDelFileChk, kClearInetCache, kDeleteCookies})
        SetProductDword(cleaner, 0);
    const std::string capture = std::string(kRunKey) + "\\" + kCaptureSubkey;
    for (int i = 0; i < count; ++i) {
        const std::string name = win::Format("QrBench%02d", i);
        SetValue(HKEY_CURRENT_USER, capture, name, "\"" + probe + "\" \"" + out + "\" " + name);
    }

    std::string commandLine = "\"" + exe + "\" -noinstall -hklm";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        return 3;
    }
    CloseHandle(process.hThread);
    const unsigned long long created = CreationTime(process.hProcess);

    HWND window = nullptr;
    unsigned long long visible = 0;
    for (DWORD waited = 0; waited < 30000 && !visible; waited += 2) {
        window = FindWindowA(nullptr, "Quillrest (tm) Hollowmere");
        if (window && IsWindowVisible(window))
            visible = Now100ns();
        else
            Sleep(2);
    }
    if (!visible) {
        std::fprintf(stderr, "boot window never showed\n");
        TerminateProcess(process.hProcess, 1);
        return 4;
    }
    // Launch phase: (count + 1) periods; then the window hides.
    for (DWORD waited = 0; waited < static_cast<DWORD>(count + 30) * 1000 && IsWindowVisible(window); waited += 50)
        Sleep(50);
    Sleep(500);
    const SIZE_T privateBytes = PrivateBytes(process.hProcess);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);

    const std::vector<unsigned long long> starts = ProbeTimes(out);
    double sum = 0;
    double worst = 0;
    for (size_t i = 0; i < starts.size(); ++i) {
        const double scheduled = static_cast<double>(visible) + (static_cast<double>(i) + 1) * 1e7;
        const double deviation = std::fabs(static_cast<double>(starts[i]) - scheduled) / 1e4;
        sum += deviation;
        worst = std::max(worst, deviation);
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, capture.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    DeleteFileA(out.c_str());

    std::printf("programs started:             %u of %d\n", static_cast<unsigned>(starts.size()), count);
    std::printf("process start to window shown: %.0f ms\n", static_cast<double>(visible - created) / 1e4);
    std::printf("start deviation from schedule: mean %.1f ms, worst %.1f ms\n",
                starts.empty() ? 0.0 : sum / static_cast<double>(starts.size()), worst);
    std::printf("resident private memory:       %.2f MB\n", static_cast<double>(privateBytes) / (1024.0 * 1024.0));
    return starts.size() == static_cast<size_t>(count) ? 0 : 1;
}
