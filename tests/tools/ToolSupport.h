// Shared by the helper programs in this folder and the tests that read what they
// write: arguments, clocks, processes, their output lines, waiting for windows,
// and the settings of a benchmark boot.  A header, so it is no program of its own.
#pragma once
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <windows.h>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace qrtool {

constexpr const char* kBootTitle = "Quillrest (tm) Hollowmere";

// ---- Arguments and messages ----

// Argument `index` as a number, or `fallback` when there are fewer arguments.
inline int IntArg(int argc, char** argv, int index, int fallback)
{
    return argc > index ? std::atoi(argv[index]) : fallback;
}

// Writes a line to standard error and gives `code`, for "return Fail(3, ...)".
inline int Fail(int code, const char* format, ...) __attribute__((format(printf, 2, 3)));
inline int Fail(int code, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return code;
}

// ---- Clocks ----

// The wall clock in 100 ns units since 1601, as process creation times are given.
inline unsigned long long Now100ns()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return win::FileTimeTicks(now);
}

// Stamped by CreateProcess itself, before any start-up cost of the process; 0 when unknown.
inline unsigned long long CreationTime100ns(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    return GetProcessTimes(process, &created, &exited, &kernel, &user) ? win::FileTimeTicks(created) : 0;
}

// Kernel and user time of all the process's threads.
inline unsigned long long ProcessorTime100ns(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return win::FileTimeTicks(kernel) + win::FileTimeTicks(user);
}

inline double Seconds(unsigned long long from100ns, unsigned long long to100ns)
{
    return (static_cast<double>(to100ns) - static_cast<double>(from100ns)) / 1e7;
}

// The performance counter in milliseconds.
inline double NowMs()
{
    static const double perMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / perMs;
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// ---- Processes and files ----

// Starts a command line (in `workingDir` when given); the caller owns the
// process handle (nullptr when it did not start).
inline HANDLE Start(const std::string& commandLine, const std::string& workingDir = std::string())
{
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Ends a process that may still run, waits for its end and closes the handle.
inline void Stop(HANDLE process)
{
    if (!process)
        return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
}

// The lines of a text file that are not empty.
inline std::vector<std::string> FileLines(const std::string& path)
{
    std::string text;
    win::ReadWholeFile(path, text);
    std::vector<std::string> lines = win::SplitLines(text);
    lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
    return lines;
}

// The fields of a line between tabs; the last holds the rest of the line, tabs and all.
inline std::vector<std::string> Fields(const std::string& line, size_t count)
{
    return win::SplitFields(line, '\t', count);
}

// Appends `text` to a file that other processes may be appending to at the
// same moment: appending writes do not overwrite each other, and a file held
// open by another writer is tried again.
inline bool AppendToFile(const std::wstring& path, const std::string& text)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(file);
            return ok && written == text.size();
        }
        Sleep(10);
    }
    return false;
}

// The lines of a file that hold `count` tab-separated fields, split.
inline std::vector<std::vector<std::string>> FileRecords(const std::string& path, size_t count)
{
    std::vector<std::vector<std::string>> records;
    for (const std::string& line : FileLines(path)) {
        std::vector<std::string> fields = Fields(line, count);
        if (fields.size() == count)
            records.push_back(std::move(fields));
    }
    return records;
}

inline unsigned long long Number(const std::string& text)
{
    return std::strtoull(text.c_str(), nullptr, 10);
}

// One start of the probe program: name TAB creation time TAB show command TAB
// working directory TAB command line.
struct ProbeStart {
    std::string name;
    unsigned long long created = 0;    // 100 ns since 1601
    int show = -1;                     // -1: none given
    std::string workingDir;
    std::string commandLine;
};

inline std::vector<ProbeStart> ReadProbeStarts(const std::string& path)
{
    std::vector<ProbeStart> starts;
    for (const std::vector<std::string>& f : FileRecords(path, 5))
        starts.push_back({f[0], Number(f[1]), std::atoi(f[2].c_str()), f[3], f[4]});
    return starts;
}

// One burn probe: name TAB creation time TAB end time, in the order they began.
struct BurnRun {
    std::string name;
    unsigned long long created = 0;    // 100 ns since 1601
    unsigned long long ended = 0;
};

inline std::vector<BurnRun> ReadBurnRuns(const std::string& path)
{
    std::vector<BurnRun> runs;
    for (const std::vector<std::string>& f : FileRecords(path, 3))
        runs.push_back({f[0], Number(f[1]), Number(f[2])});
    std::sort(runs.begin(), runs.end(), [](const BurnRun& a, const BurnRun& b) { return a.created < b.created; });
    return runs;
}

// ---- Waiting and windows ----

// Polls `condition` every `pollMs` until it holds; false after `limitMs`.
template <class Condition>
bool Await(Condition condition, DWORD limitMs, DWORD pollMs = 20)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs)
            return false;
        Sleep(pollMs);
    }
    return true;
}

// The visible top-level window of that title, or nullptr.
inline HWND VisibleWindow(const char* title)
{
    HWND window = FindWindowA(nullptr, title);
    return window && IsWindowVisible(window) ? window : nullptr;
}

// Prints "x y width height" of the window (and `more` after a blank) at once.
inline void PrintRect(HWND window, const char* more = nullptr)
{
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    std::printf("%ld %ld %ld %ld", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    std::printf(more ? " %s\n" : "\n", more);
    std::fflush(stdout);
}

namespace detail {
struct ModalWatch {
    const char* title;
    DWORD seconds;
};

inline DWORD WINAPI WatchModal(LPVOID argument)
{
    const ModalWatch* watch = static_cast<const ModalWatch*>(argument);
    HWND window = nullptr;
    if (!Await([&] { return (window = VisibleWindow(watch->title)) != nullptr; }, 20000))
        return 1;
    PrintRect(window);
    Sleep(watch->seconds * 1000);
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return 0;
}
} // namespace detail

// Runs `show`, which shows a modal dialog of that title on this thread, while a
// second thread prints the dialog's place once it shows and cancels it after
// `seconds`.  Gives 0, or 1 when the dialog never showed.
template <class Show>
int ShowModalFor(const char* title, DWORD seconds, Show show)
{
    detail::ModalWatch watch = {title, seconds};
    HANDLE watcher = CreateThread(nullptr, 0, detail::WatchModal, &watch, 0, nullptr);
    show();
    DWORD found = 1;
    WaitForSingleObject(watcher, 30000);
    GetExitCodeThread(watcher, &found);
    CloseHandle(watcher);
    return found == 0 ? 0 : 1;
}

// ---- Benchmark boots of the real program ----

inline std::string CapturePath()
{
    return std::string(kRunKey) + "\\" + kCaptureSubkey;
}

// A boot that only launches: no welcome, no cleaning, no log (every log line
// costs a file open: not what users pay).
inline void QuietBootSettings(DWORD delaySeconds)
{
    SetProductDword(kDelaySeconds, delaySeconds);
    SetProductDword(kWelcomeDismissed, 1);
    SetProductDword(kLog, 0);
    for (const char* cleaner : {kDeleteSafeTempFiles, kDeleteAllTempFiles, kDelFileChk, kClearInetCache, kDeleteCookies})
        SetProductDword(cleaner, 0);
}

// Writes a string value, creating its key.
inline void SetRegString(HKEY root, const std::string& path, const std::string& name, const std::string& data)
{
    win::UniqueKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr) == ERROR_SUCCESS)
        RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
}

} // namespace qrtool
