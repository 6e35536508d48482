// Benchmark helper: times DeleteTempFiles on 10,000 files against "cmd /c del /q" on the same files.
#include "ToolSupport.h"
#include "clean/TempFiles.h"

using namespace qrtool;

namespace {

double Seconds() { return NowMs() / 1000.0; }

// Half the files follow the temporary-file naming, half do not.
bool MakeFiles(const std::string& dir, int count)
{
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string body(200, 'q');
    for (int i = 0; i < count; ++i) {
        std::string name = i % 2 ? win::Format("data%05d.dat", i) : win::Format("~qr%05d.tmp", i);
        if (!win::WriteWholeFile(dir + "\\" + name, body))
            return false;
    }
    return true;
}

// Seconds from the start of the command line to its end.
double RunCommand(const std::string& commandLine)
{
    const double start = Seconds();
    HANDLE process = Start(commandLine);
    if (!process)
        return -1;
    WaitForSingleObject(process, INFINITE);
    const double elapsed = Seconds() - start;
    CloseHandle(process);
    return elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    const int files = IntArg(argc, argv, 1, 10000);
    const int rounds = IntArg(argc, argv, 2, 3);
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    const std::string root = win::Format("%sqrbench_%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string ours = root + "\\ours";
    const std::string theirs = root + "\\del";
    std::vector<std::string> candidates{ours};
    OverrideTempCandidatesForTest(&candidates);
    SetProductDword(kDeleteSafeTempFiles, 1);
    SetProductDword(kDeleteAllTempFiles, 1);

    std::vector<double> oursTimes, delTimes, startTimes;
    for (int round = 0; round < rounds; ++round) {
        if (!MakeFiles(ours, files) || !MakeFiles(theirs, files)) {
            printf("could not create the files\n");
            return 2;
        }
        startTimes.push_back(RunCommand("cmd.exe /c exit"));
        double start = Seconds();
        DeleteTempFiles();
        oursTimes.push_back(Seconds() - start);
        TempFileCounts left = CountTempFilesIn({ours});
        delTimes.push_back(RunCommand("cmd.exe /c del /q \"" + theirs + "\\*.*\""));
        TempFileCounts delLeft = CountTempFilesIn({theirs});
        printf("round %d: DeleteTempFiles %.3f s (%lld left), cmd /c del /q %.3f s (%lld left), cmd start %.3f s\n",
               round + 1, oursTimes.back(), left.safeFiles + left.otherFiles, delTimes.back(),
               delLeft.safeFiles + delLeft.otherFiles, startTimes.back());
    }
    RemoveDirectoryA(ours.c_str());
    RemoveDirectoryA(theirs.c_str());
    RemoveDirectoryA(root.c_str());

    double oursMedian = Median(oursTimes), delMedian = Median(delTimes), startMedian = Median(startTimes);
    printf("files: %d (half safe), rounds: %d, medians below\n", files, rounds);
    printf("DeleteTempFiles:   %.3f s, %.0f files/s\n", oursMedian, files / oursMedian);
    printf("cmd /c del /q:     %.3f s, %.0f files/s (of which cmd start-up %.3f s)\n", delMedian, files / delMedian,
           startMedian);
    printf("ratio DeleteTempFiles / del: %.2f (limit 1.20)\n", oursMedian / delMedian);
    printf("JunkFilesDeleted counter: %lld\n", GetCounter(kCounterJunkFiles));
    return oursMedian <= 1.2 * delMedian ? 0 : 1;
}
