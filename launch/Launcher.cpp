// The program launcher: starts one work item as a process, or through the shell.
#include "launch/Launcher.h"
#include "launch/CommandLine.h"
#include "app/Log.h"
#include "win/Util.h"
#include <shlwapi.h>
#include <algorithm>
#include <vector>

namespace {
// Wine and Windows may write into the command line they are given.
constexpr size_t kCommandLineSlack = 100;

void ShellFallback(const WorkItem& item, FollowedProgram& program)
{
    const std::string windowsDir = win::WindowsDirectory();
    // A program in quotes goes to the shell apart from its arguments, as
    // CreateProcess took it; any other command goes whole (an unquoted path
    // with blanks is common, and the shell finds it whole).
    const CommandParts parts = SplitCommandLine(item.CommandLine);
    const std::string& file = parts.quoted ? parts.program : item.CommandLine;
    const std::string parameters = parts.quoted ? parts.arguments : std::string();
    try {
        // PathFindOnPathA may fill up to MAX_PATH characters whatever the input length.
        std::vector<char> lookup(std::max<size_t>(MAX_PATH, file.size() + 1) + MAX_PATH, '\0');
        std::copy(file.begin(), file.end(), lookup.begin());
        if (file.size() < MAX_PATH && PathFindOnPathA(lookup.data(), nullptr))
            WriteLog("Found %s on path.", item.CommandLine.c_str());
    } catch (...) {
    }
    if (PathIsDirectoryA(file.c_str())) {
        WriteLog("%s is a directory, so not ShellExecuting", item.CommandLine.c_str());
        return;
    }
    WriteLog("Trying secondary ShellExecute");
    // As ShellExecuteA does, but asking for the started program's process.
    HINSTANCE result = nullptr;
    win::ShellExecuteForProcess("open", file, parameters, windowsDir.c_str(), item.ShowCmd, program.process, &result);
    WriteLog("ShellExec returned %d for %s", static_cast<int>(reinterpret_cast<INT_PTR>(result)),
             item.CommandLine.c_str());
}
} // namespace

bool StartWorkItem(const WorkItem& item, bool debugPause, FollowedProgram& program)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK;
    startup.wShowWindow = item.ShowCmd;
    std::vector<char> commandLine(item.CommandLine.size() + kCommandLineSlack + 1, '\0');
    std::copy(item.CommandLine.begin(), item.CommandLine.end(), commandLine.begin());
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, debugPause ? CREATE_SUSPENDED : 0,
                       nullptr, item.WorkingDir.empty() ? nullptr : item.WorkingDir.c_str(), &startup, &process)) {
        if (debugPause) {
            Sleep(5000);
            ResumeThread(process.hThread);
        }
        WriteLog("Started %s with PID=%u", item.CommandLine.c_str(), static_cast<unsigned>(process.dwProcessId));
        program.process.Reset(process.hProcess);
        program.thread.Reset(process.hThread);
        return true;
    }
    WriteLog("Failed to CreateProcess [%s]. GLE=%d", item.CommandLine.c_str(), static_cast<int>(GetLastError()));
    ShellFallback(item, program);
    return false;
}
