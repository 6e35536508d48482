// Benchmark probe: a foreground program doing 5 ms of work every 50 ms and recording
// how late each frame's work is done.
//
// Usage: frameprobe.exe calibrate <file>       writes the loop count of 5 ms of work
//        frameprobe.exe <loops> <stop event> <output file>
// The second form runs until the named event is set, then writes one line per
// frame: scheduled start (100 ns since 1601) TAB frame time in ms (from the
// scheduled start to the end of its work) CR LF.
#include "ToolSupport.h"

using namespace qrtool;

namespace {

constexpr double kFramePeriodMs = 50;

void Work(unsigned long loops)
{
    volatile unsigned value = 1;
    for (unsigned long i = 0; i < loops; ++i)
        value = value * 1664525u + 1013904223u;
}

unsigned long Calibrate()
{
    unsigned long loops = 100000;
    for (int round = 0; round < 8; ++round) {
        double best = 1e9;
        for (int i = 0; i < 5; ++i) {
            const double start = NowMs();
            Work(loops);
            best = std::min(best, NowMs() - start);
        }
        if (best <= 0)
            best = 0.01;
        loops = static_cast<unsigned long>(static_cast<double>(loops) * 5.0 / best);
    }
    return loops;
}

struct Frame {
    unsigned long long scheduled;
    double ms;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "calibrate") {
        FILE* out = std::fopen(argv[2], "wb");
        if (!out)
            return 4;
        std::fprintf(out, "%lu\r\n", Calibrate());
        std::fclose(out);
        return 0;
    }
    if (argc < 4)
        return 2;
    const unsigned long loops = std::strtoul(argv[1], nullptr, 10);
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (!stop)
        return 3;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    std::vector<Frame> frames;
    frames.reserve(8192);
    const double startMs = NowMs();
    const unsigned long long startWall = Now100ns();
    double next = startMs + kFramePeriodMs;
    for (unsigned frame = 0;; ++frame) {
        // Under Wine every wait on an object is a request to the wine server, which
        // starting programs keep busy: look at the stop event seldom, so that its
        // delays stay out of the 95th percentile, and wait for frames with Sleep.
        if (frame % 40 == 0 && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            break;
        const double wait = next - NowMs();
        if (wait > 1)
            Sleep(static_cast<DWORD>(wait - 1));
        while (NowMs() < next)
            ;
        Work(loops);
        const double done = NowMs();
        frames.push_back({startWall + static_cast<unsigned long long>((next - startMs) * 10000.0), done - next});
        next += kFramePeriodMs;
        // More than a frame behind: drop the missed frames, as a real program would.
        while (next <= done)
            next += kFramePeriodMs;
    }
    CloseHandle(stop);
    FILE* out = std::fopen(argv[3], "wb");
    if (!out)
        return 4;
    for (const Frame& frame : frames)
        std::fprintf(out, "%llu\t%.3f\r\n", frame.scheduled, frame.ms);
    std::fclose(out);
    return 0;
}
