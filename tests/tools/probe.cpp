// Test probe started by the boot window: appends one line describing how it was started.
//
// Usage: probe.exe <output file> <name> [anything...]
// Line: name TAB creation time (100 ns since 1601) TAB show command (-1 when
// none was given) TAB working directory TAB full command line CR LF.
#include <windows.h>
#include <cstdio>
#include <string>

namespace {
// The output file is the first argument, quoted or not.
std::string FirstArgument(const char* commandLine, const char** rest)
{
    const char* p = commandLine;
    // Skip the program name.
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    std::string first;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            first += *p++;
        if (*p)
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            first += *p++;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    *rest = p;
    return first;
}
} // namespace

int main()
{
    const char* commandLine = GetCommandLineA();
    const char* rest = "";
    const std::string output = FirstArgument(commandLine, &rest);
    if (output.empty())
        return 2;
    std::string name;
    while (*rest && *rest != ' ' && *rest != '\t')
        name += *rest++;

    // The creation time is stamped by CreateProcess itself, before any start-up cost here.
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER stamp;
    stamp.LowPart = created.dwLowDateTime;
    stamp.HighPart = created.dwHighDateTime;

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    char cwd[MAX_PATH * 2] = "";
    GetCurrentDirectoryA(sizeof(cwd), cwd);

    char line[8192];
    int length = snprintf(line, sizeof(line), "%s\t%llu\t%d\t%s\t%s\r\n", name.c_str(),
                          static_cast<unsigned long long>(stamp.QuadPart), show, cwd, commandLine);
    if (length <= 0)
        return 3;
    if (length >= static_cast<int>(sizeof(line)))
        length = sizeof(line) - 1;
    // Several probes may write at once: appending writes do not overwrite each other.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileA(output.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 4;
}
