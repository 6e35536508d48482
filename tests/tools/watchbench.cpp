// Start-up watch benchmark driver: idle processor time of the resident instance, and how soon a new Run value is parked.
//
// Usage: watchbench.exe <Quillrest.exe> <idle seconds> <writes> <marker folder> [quiet]
// "quiet" switches the notices off ("NotifyNewEntries" 0): parking alone.
// Empty files "idle-start", "idle-end" and "writes-end" in the marker folder
// mark the phases, each followed by half a second of nothing, so that a script
// can read the resident's processor time more finely than GetProcessTimes
// does under Wine (whole 10 ms ticks).
#include "ToolSupport.h"
#include "win/Raii.h"
#include <shlwapi.h>

using namespace qrtool;

namespace {

bool HasValue(HKEY root, const std::string& path, const std::string& name)
{
    win::UniqueKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Out()) == ERROR_SUCCESS &&
           RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
        return Fail(2, "usage: watchbench <Quillrest.exe> <idle seconds> <writes> <marker folder> [quiet]");
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
    QuietBootSettings(1);
    SetProductDword(kCheckVersion, 0);
    SetProductDword(kNotifyNewEntries, quiet ? 0 : 1);

    HANDLE process = Start("\"" + exe + "\" -noinstall -hklm");
    if (!process)
        return Fail(3, "cannot start %s", exe.c_str());
    // The watch starts when the boot window hides at the end of its launch phase.
    HWND window = nullptr;
    if (!Await([&] { return (window = VisibleWindow(kBootTitle)) != nullptr; }, 60000, 5) ||
        !Await([&] { return !IsWindowVisible(window); }, 60000, 5)) {
        Stop(process);
        return Fail(4, "the launch phase never ended");
    }
    Sleep(2000);    // let the end of the launch phase settle

    mark("idle-start");
    const unsigned long long idleFrom = ProcessorTime100ns(process);
    Sleep(static_cast<DWORD>(idleSeconds) * 1000);
    const unsigned long long idle = ProcessorTime100ns(process) - idleFrom;
    mark("idle-end");

    const std::string capture = CapturePath();
    std::vector<double> parked;
    unsigned long long busy = 0;
    for (int i = 0; i < writes; ++i) {
        const std::string name = win::Format("QrBenchWatch%02d", i);
        const unsigned long long before = ProcessorTime100ns(process);
        win::UniqueKey run;
        RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, run.Out());
        const std::string data = "C:\\bench\\" + name + ".exe";
        RegSetValueExA(run.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
        const double written = NowMs();
        if (!Await([&] { return HasValue(HKEY_CURRENT_USER, capture, name); }, 30000, 5)) {
            Fail(0, "%s was never parked", name.c_str());
            break;
        }
        parked.push_back(NowMs() - written);
        // The capture its own moves set off runs two seconds later: both are done before the next write.
        Sleep(3000);
        busy += ProcessorTime100ns(process) - before;
    }
    mark("writes-end");
    Stop(process);
    SHDeleteKeyA(HKEY_CURRENT_USER, capture.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);

    std::printf("idle processor time:           %.1f ms over %d s by GetProcessTimes (budget 20 ms)\n",
                static_cast<double>(idle) / 1e4, idleSeconds);
    if (!parked.empty()) {
        std::printf("write to parking:              min %.0f ms, median %.0f ms, max %.0f ms (%u writes)\n",
                    *std::min_element(parked.begin(), parked.end()), Median(parked),
                    *std::max_element(parked.begin(), parked.end()), static_cast<unsigned>(parked.size()));
        std::printf("processor time per write:      %.1f ms by GetProcessTimes (capture, notice, and the capture its own moves set off)\n",
                    static_cast<double>(busy) / 1e4 / static_cast<double>(parked.size()));
    }
    return parked.size() == static_cast<size_t>(writes) ? 0 : 1;
}
