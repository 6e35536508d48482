// Start-up watch benchmark driver: idle processor time of the resident instance, and how soon a new Run value is parked.
//
// Usage: watchbench.exe <Quillrest.exe> <idle seconds> <writes> <marker folder> [quiet]
// "quiet" switches the notices off ("NotifyNewEntries" 0): parking alone.
// Empty files "idle-start", "idle-end" and "writes-end" in the marker folder
// mark the phases, each followed by half a second of nothing, so that a script
// can read the resident's processor time more finely than GetProcessTimes
// does under Wine (whole 10 ms ticks).
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <shlwapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

unsigned long long ProcessorTime100ns(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return k.QuadPart + u.QuadPart;
}

bool HasValue(HKEY root, const std::string& path, const std::string& name)
{
    win::UniqueKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Out()) == ERROR_SUCCESS &&
           RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Polls every few milliseconds; false after `limitMs`.
template <class Condition>
bool Await(Condition condition, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs)
            return false;
        Sleep(5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: watchbench <Quillrest.exe> <idle seconds> <writes> <marker folder> [quiet]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const int idleSeconds = std::atoi(argv[2]);
    const int writes = std::atoi(argv[3]);
    const std::string markers = argv[4];
    const bool quiet = argc > 5 && std::string(argv[5]) == "quiet";
    auto mark = [&](const char* phase) {
        win::WriteWholeFile(win::PathJoin(markers, phase), "");
        Sleep(500);
    };

    // A resident instance with nothing else to do: no cleaning, no version check.
    SetProductDword(kDelaySeconds, 1);
    SetProductDword(kWelcomeDismissed, 1);
    SetProductDword(kCheckVersion, 0);
    SetProductDword(kNotifyNewEntries, quiet ? 0 : 1);
    SetProductDword(kLog, 0);    // every log line costs a file open: not what users pay
    for (const char* cleaner : {kDeleteSafeTempFiles, kDeleteAllTempFiles, kDelFileChk, kClearInetCache, kDeleteCookies})
        SetProductDword(cleaner, 0);

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
    // The watch starts when the boot window hides at the end of its launch phase.
    HWND window = nullptr;
    if (!Await([&] { return (window = FindWindowA(nullptr, "Quillrest (tm) Hollowmere")) && IsWindowVisible(window); },
               60000) ||
        !Await([&] { return !IsWindowVisible(window); }, 60000)) {
        std::fprintf(stderr, "the launch phase never ended\n");
        TerminateProcess(process.hProcess, 1);
        return 4;
    }
    Sleep(2000);    // let the end of the launch phase settle

    mark("idle-start");
    const unsigned long long idleFrom = ProcessorTime100ns(process.hProcess);
    Sleep(static_cast<DWORD>(idleSeconds) * 1000);
    const unsigned long long idle = ProcessorTime100ns(process.hProcess) - idleFrom;
    mark("idle-end");

    const std::string capture = std::string(kRunKey) + "\\" + kCaptureSubkey;
    std::vector<double> parked;
    unsigned long long busy = 0;
    for (int i = 0; i < writes; ++i) {
        const std::string name = win::Format("QrBenchWatch%02d", i);
        const unsigned long long before = ProcessorTime100ns(process.hProcess);
        win::UniqueKey run;
        RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, run.Out());
        const std::string data = "C:\\bench\\" + name + ".exe";
        LARGE_INTEGER frequency, written, seen;
        QueryPerformanceFrequency(&frequency);
        RegSetValueExA(run.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
        QueryPerformanceCounter(&written);
        if (!Await([&] { return HasValue(HKEY_CURRENT_USER, capture, name); }, 30000)) {
            std::fprintf(stderr, "%s was never parked\n", name.c_str());
            break;
        }
        QueryPerformanceCounter(&seen);
        parked.push_back(static_cast<double>(seen.QuadPart - written.QuadPart) * 1000.0 /
                         static_cast<double>(frequency.QuadPart));
        // The capture its own moves set off runs two seconds later: both are done before the next write.
        Sleep(3000);
        busy += ProcessorTime100ns(process.hProcess) - before;
    }
    mark("writes-end");
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    SHDeleteKeyA(HKEY_CURRENT_USER, capture.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);

    std::printf("idle processor time:           %.1f ms over %d s by GetProcessTimes (budget 20 ms)\n",
                static_cast<double>(idle) / 1e4, idleSeconds);
    if (!parked.empty()) {
        std::vector<double> sorted = parked;
        std::sort(sorted.begin(), sorted.end());
        std::printf("write to parking:              min %.0f ms, median %.0f ms, max %.0f ms (%u writes)\n",
                    sorted.front(), sorted[sorted.size() / 2], sorted.back(), static_cast<unsigned>(sorted.size()));
        std::printf("processor time per write:      %.1f ms by GetProcessTimes (capture, notice, and the capture its own moves set off)\n",
                    static_cast<double>(busy) / 1e4 / static_cast<double>(parked.size()));
    }
    return parked.size() == static_cast<size_t>(writes) ? 0 : 1;
}
