// Test probe started by the boot window: appends one line describing how it was started.
//
// Usage: probe.exe <output file> <name> [anything...]
// Line: name TAB creation time (100 ns since 1601) TAB show command (-1 when
// none was given) TAB working directory TAB full command line CR LF, in UTF-8
// from the W calls, so every character arrives as it was given.
#include <windows.h>
#include <cstdio>
#include <string>

namespace {
std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], needed, nullptr, nullptr);
    return out;
}

// The output file is the first argument, quoted or not.
std::wstring FirstArgument(const wchar_t* commandLine, const wchar_t** rest)
{
    const wchar_t* p = commandLine;
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
    std::wstring first;
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
    const wchar_t* commandLine = GetCommandLineW();
    const wchar_t* rest = L"";
    const std::wstring output = FirstArgument(commandLine, &rest);
    if (output.empty())
        return 2;
    std::wstring name;
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

    wchar_t cwd[MAX_PATH * 2] = L"";
    GetCurrentDirectoryW(MAX_PATH * 2, cwd);

    char line[8192];
    int length = snprintf(line, sizeof(line), "%s\t%llu\t%d\t%s\t%s\r\n", Utf8(name).c_str(),
                          static_cast<unsigned long long>(stamp.QuadPart), show, Utf8(cwd).c_str(),
                          Utf8(commandLine).c_str());
    if (length <= 0)
        return 3;
    if (length >= static_cast<int>(sizeof(line)))
        length = sizeof(line) - 1;
    // Several probes may write at once: appending writes do not overwrite each other.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(output.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
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
