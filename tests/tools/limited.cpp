// Test helper: runs a program with a standard user's token (LimitedToken.h) and
// ends with its exit code.  Its switches ask the program's stand-ins, through the
// environment it inherits, for what Wine does not do: refuse machine-wide writes,
// decline the elevation prompt.
//   limited [--refuse-writes] [--decline-elevation] program [arguments...]
//   limited --token    exit code: this process's TokenSummary
#include "LimitedToken.h"
#include <string>

int main(int argc, char** argv)
{
    int first = 1;
    for (; first < argc && std::strncmp(argv[first], "--", 2) == 0; ++first) {
        if (!std::strcmp(argv[first], "--token"))
            return static_cast<int>(qrtool::TokenSummary());
        if (!std::strcmp(argv[first], "--refuse-writes"))
            SetEnvironmentVariableA("QR_TEST_REFUSE_MACHINE_WRITES", "1");
        if (!std::strcmp(argv[first], "--decline-elevation"))
            SetEnvironmentVariableA("QR_TEST_ELEVATION", "declined");
    }
    std::string command;
    for (int i = first; i < argc; ++i) {
        const bool quoted = i == first || std::strchr(argv[i], ' ');
        command += (i > first ? " " : "") + (quoted ? "\"" + std::string(argv[i]) + "\"" : std::string(argv[i]));
    }
    std::wstring wide(command.size() + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, command.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    HANDLE token = qrtool::MakeLimitedToken();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (command.empty() || !token ||
        !CreateProcessAsUserW(token, nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process))
        return 4;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 4;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return static_cast<int>(exitCode);
}
