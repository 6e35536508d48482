// Settle benchmark driver: how a foreground program fares while start-up programs
// start in five ways (nothing, all at once, one after another, Quillrest's fixed
// delay, Quillrest's settle pacing); prints the table and the two aims.
//
// Usage: settlebench.exe <Quillrest.exe> <burnprobe.exe> <frameprobe.exe> <work folder>
//                        [programs 8] [cpu ms 2000] [MB 16] [scenarios 01234]
#include "ToolSupport.h"
#include "launch/BootReport.h"
#include "launch/CpuSampler.h"
#include "win/Raii.h"
#include <shlwapi.h>

using namespace qrtool;

namespace {

bool RunAndWait(const std::string& commandLine, DWORD timeoutMs)
{
    win::UniqueHandle process(Start(commandLine));
    return process && WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
}

struct Setup {
    std::string quillrest, burner, frames, folder;
    int count = 8;
    int cpuMs = 2000;
    int megabytes = 16;
    unsigned long loops = 0;
    std::string BurnCommand(const std::string& out, int index) const
    {
        return win::Format("\"%s\" \"%s\" QrSettle%02d %d %d", burner.c_str(), out.c_str(), index, cpuMs, megabytes);
    }
};

struct Window {
    unsigned long long from = 0;
    unsigned long long to = 0;
    std::vector<BurnRun> burns;
    std::string signals;    // what ended each wait, from Quillrest's boot report
};

struct Row {
    std::string label;
    double p95 = 0;
    double doneSeconds = -1;
    std::vector<BurnRun> burns;
    unsigned long long from = 0;
    std::string signals;
};

// "7 exited, 1 still busy": how the waits of the boot just reported ended.
std::string SignalCounts(const std::string& reportPath)
{
    std::vector<BootRecord> boots;
    if (LoadBootReport(reportPath, boots) != ReportState::Loaded || boots.empty())
        return "no boot report";
    std::string text;
    for (SettleSignal signal : {SettleSignal::Exited, SettleSignal::WentQuiet, SettleSignal::MachineQuiet,
                                SettleSignal::UpperBound, SettleSignal::None}) {
        int count = 0;
        for (const BootItemRecord& item : boots.back().items)
            count += item.signal == signal ? 1 : 0;
        if (count)
            text += win::Format("%s%d %s", text.empty() ? "" : ", ", count,
                                signal == SettleSignal::None ? "not measured" : SettleSignalText(signal));
    }
    return text;
}

// Runs `scenario` while the foreground probe records frames; p95 over the scenario's window.
template <class Scenario>
Row Measure(const Setup& setup, const std::string& label, Scenario scenario)
{
    Row row;
    row.label = label;
    const std::string event = win::Format("QrSettleBenchStop%lu", GetCurrentProcessId());
    win::UniqueHandle stop(CreateEventA(nullptr, TRUE, FALSE, event.c_str()));
    const std::string framesOut = win::PathJoin(setup.folder, "frames.txt");
    DeleteFileA(framesOut.c_str());
    win::UniqueHandle foreground(
        Start(win::Format("\"%s\" %lu %s \"%s\"", setup.frames.c_str(), setup.loops, event.c_str(), framesOut.c_str())));
    Sleep(1000);
    const Window window = scenario();
    SetEvent(stop.Get());
    if (foreground)
        WaitForSingleObject(foreground.Get(), 30000);
    std::vector<double> times;
    for (const std::string& line : FileLines(framesOut)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        const unsigned long long scheduled = std::strtoull(line.c_str(), nullptr, 10);
        if (scheduled >= window.from && scheduled <= window.to)
            times.push_back(std::atof(line.c_str() + tab + 1));
    }
    std::sort(times.begin(), times.end());
    if (!times.empty())
        row.p95 = times[std::min(times.size() - 1, static_cast<size_t>(static_cast<double>(times.size()) * 0.95))];
    row.burns = window.burns;
    row.from = window.from;
    row.signals = window.signals;
    return row;
}

// Processors kept busy during the idle row: the foreground probe's own tenth, plus
// whatever else runs on the machine (the figures are only comparable when that is low).
double g_idleBusy = -1;

Window Idle()
{
    Window window;
    CpuSample before, after;
    const bool sampled = SampleSystemCpu(before);
    window.from = Now100ns();
    Sleep(8000);
    window.to = Now100ns();
    if (sampled && SampleSystemCpu(after))
        g_idleBusy = BusyProcessors(before, after, ProcessorCount());
    return window;
}

Window AllAtOnce(const Setup& setup, const std::string& out)
{
    Window window;
    window.from = Now100ns();
    std::vector<HANDLE> processes;
    for (int i = 0; i < setup.count; ++i)
        if (HANDLE process = Start(setup.BurnCommand(out, i)))
            processes.push_back(process);
    WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), TRUE, 600000);
    for (HANDLE process : processes)
        CloseHandle(process);
    window.to = Now100ns();
    window.burns = ReadBurnRuns(out);
    return window;
}

Window OneAfterAnother(const Setup& setup, const std::string& out)
{
    Window window;
    window.from = Now100ns();
    for (int i = 0; i < setup.count; ++i)
        RunAndWait(setup.BurnCommand(out, i), 600000);
    window.to = Now100ns();
    window.burns = ReadBurnRuns(out);
    return window;
}

Window Quillrest(const Setup& setup, const std::string& out, DWORD pacing, DWORD delaySeconds)
{
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    QuietBootSettings(delaySeconds);
    SetProductDword(kLaunchPacing, pacing);
    const std::string capture = CapturePath();
    SHDeleteKeyA(HKEY_CURRENT_USER, capture.c_str());
    std::string order;
    for (int i = 0; i < setup.count; ++i) {
        const std::string name = win::Format("QrSettle%02d", i);
        SetRegString(HKEY_CURRENT_USER, capture, name, setup.BurnCommand(out, i));
        order += name + '\1';
    }
    SetProductString(kSortingOrder, order);
    const std::string report = BootReportPath();
    DeleteFileA(report.c_str());

    Window window;
    window.from = Now100ns();
    HANDLE product = Start("\"" + setup.quillrest + "\" -noinstall -hklm");
    Await([&] { return static_cast<int>(FileLines(out).size()) >= setup.count; },
          static_cast<DWORD>(setup.count + 2) * (delaySeconds * 1000 + 30000), 50);
    window.burns = ReadBurnRuns(out);
    window.to = Now100ns();
    // The report follows once the last program's wait is over.
    Await([&] { return win::FileExists(report); }, 15000, 100);
    window.signals = SignalCounts(report);
    Stop(product);
    SHDeleteKeyA(HKEY_CURRENT_USER, capture.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    return window;
}

Row Scenario(const Setup& setup, const std::string& label, int kind)
{
    const std::string out = win::PathJoin(setup.folder, "burns.txt");
    DeleteFileA(out.c_str());
    Row row = Measure(setup, label, [&] {
        switch (kind) {
        case 1: return AllAtOnce(setup, out);
        case 2: return OneAfterAnother(setup, out);
        case 3: return Quillrest(setup, out, 0, 2);
        case 4: return Quillrest(setup, out, 1, 8);
        default: return Idle();
        }
    });
    if (kind != 0) {
        unsigned long long last = 0;
        for (const BurnRun& burn : row.burns)
            last = std::max(last, burn.ended);
        if (static_cast<int>(row.burns.size()) == setup.count && last > row.from)
            row.doneSeconds = static_cast<double>(last - row.from) / 1e7;
    }
    return row;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
        return Fail(2, "usage: settlebench <Quillrest.exe> <burnprobe.exe> <frameprobe.exe> <folder> "
                       "[programs] [cpu ms] [MB] [scenarios]");
    Setup setup;
    setup.quillrest = argv[1];
    setup.burner = argv[2];
    setup.frames = argv[3];
    setup.folder = argv[4];
    setup.count = std::max(1, std::min(60, IntArg(argc, argv, 5, setup.count)));
    setup.cpuMs = IntArg(argc, argv, 6, setup.cpuMs);
    setup.megabytes = IntArg(argc, argv, 7, setup.megabytes);

    const std::string calibration = win::PathJoin(setup.folder, "loops.txt");
    RunAndWait("\"" + setup.frames + "\" calibrate \"" + calibration + "\"", 60000);
    const std::vector<std::string> loops = FileLines(calibration);
    setup.loops = loops.empty() ? 0 : std::strtoul(loops[0].c_str(), nullptr, 10);
    if (setup.loops == 0)
        return Fail(3, "frame probe calibration failed");

    const char* labels[] = {
        "idle (nothing starts)",
        "all at once (what Windows does with Run entries)",
        "each as soon as the previous one has finished",
        "Quillrest fixed delay, DelaySeconds 2",
        "Quillrest settle, DelaySeconds 8 as upper bound",
    };
    const std::string chosen = argc > 8 ? argv[8] : "01234";
    std::vector<Row> rows(5);
    for (int kind = 0; kind < 5; ++kind) {
        rows[kind].label = labels[kind];
        if (chosen.find(static_cast<char>('0' + kind)) == std::string::npos)
            continue;
        rows[kind] = Scenario(setup, labels[kind], kind);
        std::fprintf(stderr, "done: %s\n", labels[kind]);
    }

    const double idle = rows[0].p95 > 0 ? rows[0].p95 : 1;
    std::printf("%d programs, each %d ms of CPU and %d MB written; foreground: 5 ms of work every 50 ms\n",
                setup.count, setup.cpuMs, setup.megabytes);
    std::printf("processors busy during the idle row: %.2f of %u\n\n", g_idleBusy, ProcessorCount());
    const double sequentialDone = rows[2].doneSeconds;
    std::printf("| how the %d programs start | p95 frame | vs idle | all done | vs one after another |\n"
                "|---|---|---|---|---|\n",
                setup.count);
    for (const Row& row : rows) {
        if (row.p95 <= 0)
            continue;
        std::printf("| %s | %.1f ms | %.2fx | %s | %s |\n", row.label.c_str(), row.p95, row.p95 / idle,
                    row.doneSeconds < 0 ? "-" : win::Format("%.1f s", row.doneSeconds).c_str(),
                    row.doneSeconds < 0 || sequentialDone <= 0
                        ? "-"
                        : win::Format("%.2fx", row.doneSeconds / sequentialDone).c_str());
    }
    for (size_t i = 3; i < rows.size(); ++i) {
        if (rows[i].p95 <= 0)
            continue;
        std::printf("\n%s: starts at", rows[i].label.c_str());
        for (const BurnRun& burn : rows[i].burns)
            std::printf(" %.1f", static_cast<double>(burn.created - rows[i].from) / 1e7);
        std::printf(" s; waits ended: %s", rows[i].signals.c_str());
    }
    std::printf("\n\n");
    if (rows[0].p95 <= 0 || rows[2].p95 <= 0 || rows[4].p95 <= 0)
        return 0;
    const Row& settle = rows[4];
    const Row& sequential = rows[2];
    const double p95Ratio = settle.p95 / idle;
    const double doneRatio =
        settle.doneSeconds > 0 && sequential.doneSeconds > 0 ? settle.doneSeconds / sequential.doneSeconds : -1;
    std::printf("aim 1: settle p95 %.2fx idle (at most 1.20x): %s\n", p95Ratio, p95Ratio <= 1.2 ? "met" : "NOT met");
    std::printf("aim 2: settle all done %.2fx one after another (at most 1.10x): %s\n", doneRatio,
                doneRatio > 0 && doneRatio <= 1.10 ? "met" : "NOT met");
    return 0;
}
