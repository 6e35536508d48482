// Administrator work on Windows Vista and later: the program starts itself again
// elevated (one prompt) and waits for that copy.
#include "install/Elevation.h"
#include "app/Log.h"
#include "app/Role.h"
#include "install/System.h"
#include "win/Raii.h"
#include "win/Util.h"

std::string ElevatedCopyArguments(const std::string& arguments)
{
    return arguments.empty() ? std::string(kElevatedSwitch) : arguments + " " + kElevatedSwitch;
}

ElevatedCopy StartElevatedCopy(const std::string& arguments, bool startedElevated, DWORD& exitCode)
{
    if (startedElevated || ProcessElevation() != Elevation::Limited)
        return ElevatedCopy::NotNeeded;
    const std::string parameters = ElevatedCopyArguments(arguments);
    const std::string program = win::ModulePath();
    WriteLog("Starting %s elevated: %s", program.c_str(), parameters.c_str());
    char directory[MAX_PATH * 4] = "";
    const DWORD length = GetCurrentDirectoryA(sizeof(directory), directory);
    if (length == 0 || length >= sizeof(directory))
        directory[0] = '\0';
    static const bool declinedForTest = win::EnvironmentVariable("QR_TEST_ELEVATION") == "declined";
    win::UniqueHandle process;
    bool started = false;
    DWORD error = ERROR_CANCELLED;
    if (!declinedForTest) {
        started = win::ShellExecuteForProcess("runas", program, parameters, directory[0] ? directory : nullptr,
                                              SW_SHOWNORMAL, process);
        error = GetLastError();
    }
    if (!started && error == ERROR_CANCELLED) {
        WriteLog("The elevation prompt was declined");
        return ElevatedCopy::Declined;
    }
    if (!started) {
        WriteLog("Could not start the elevated copy: error %lu", error);
        return ElevatedCopy::Failed;
    }
    exitCode = 0;
    if (process) {
        WaitForSingleObject(process.Get(), INFINITE);
        GetExitCodeProcess(process.Get(), &exitCode);
    }
    WriteLog("The elevated copy ended with exit code %lu", exitCode);
    return ElevatedCopy::Finished;
}
