// Test and benchmark probe: a start-up program that burns CPU time, writes to disk and ends.
//
// Usage: burnprobe.exe <output file> <name> <cpu ms> [MB] [window]
// Appends: name TAB creation time TAB end time (100 ns since 1601) CR LF.
// A file "<output file>.stop" ends the burning early (tests clean up with it).
// With "window" a second thread meanwhile keeps a window that waits for input,
// as a tray program's does, and the probe ends only once the stop file appears.
// It is a windows program, so that WaitForInputIdle waits for it.
#include "ToolSupport.h"

namespace {

unsigned long long ThreadCpu100ns()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    return win::FileTimeTicks(kernel) + win::FileTimeTicks(user);
}

// Busy work until this thread has used `cpuMs` of processor time: a loaded
// machine stretches it in wall time, like a real program starting up.
void Burn(DWORD cpuMs, const std::string& stopPath)
{
    const unsigned long long target = ThreadCpu100ns() + static_cast<unsigned long long>(cpuMs) * 10000;
    volatile unsigned value = 1;
    // Asking for the thread's times and the stop file costs system calls: every few milliseconds only.
    for (unsigned round = 0; ThreadCpu100ns() < target; ++round) {
        if (round % 16 == 15 && GetFileAttributesA(stopPath.c_str()) != INVALID_FILE_ATTRIBUTES)
            break;
        for (int i = 0; i < 3000000; ++i)
            value = value * 1664525u + 1013904223u;
    }
}

void WriteMegabytes(const std::string& folder, const std::string& name, int megabytes)
{
    if (megabytes <= 0)
        return;
    const std::string path = folder + "\\" + name + ".burn";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::vector<char> block(64 * 1024, 'q');
    DWORD written = 0;
    for (int i = 0; i < megabytes * 16; ++i)
        WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
}

// Quits the message loop once the stop file exists.
void CALLBACK CheckStop(HWND window, UINT, UINT_PTR, DWORD)
{
    if (GetFileAttributesA(reinterpret_cast<const char*>(GetWindowLongPtrA(window, GWLP_USERDATA))) !=
        INVALID_FILE_ATTRIBUTES)
        PostQuitMessage(0);
}

// A window that waits for input until the stop file (the parameter) appears.
DWORD WINAPI WindowThread(LPVOID stopPath)
{
    HWND window = CreateWindowA("STATIC", "burnprobe", WS_OVERLAPPEDWINDOW, 0, 0, 160, 60, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return 1;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(stopPath));
    SetTimer(window, 1, 100, CheckStop);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    DestroyWindow(window);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const std::string output = argv[1];
    const std::string name = argv[2];
    const DWORD cpuMs = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    const int megabytes = qrtool::IntArg(argc, argv, 4, 0);

    const std::string stopPath = output + ".stop";
    HANDLE window = argc > 5 && std::string(argv[5]) == "window"
                        ? CreateThread(nullptr, 0, WindowThread, const_cast<char*>(stopPath.c_str()), 0, nullptr)
                        : nullptr;
    Burn(cpuMs, stopPath);
    const size_t slash = output.find_last_of("\\/");
    WriteMegabytes(slash == std::string::npos ? "." : output.substr(0, slash), name, megabytes);
    if (window) {
        WaitForSingleObject(window, INFINITE);
        CloseHandle(window);
    }

    const std::string line = win::Format("%s\t%llu\t%llu\r\n", name.c_str(),
                                         qrtool::CreationTime100ns(GetCurrentProcess()), qrtool::Now100ns());
    return qrtool::AppendToFile(win::Widen(output), line) ? 0 : 4;
}
