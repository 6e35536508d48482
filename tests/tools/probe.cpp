// Test probe started by the boot window: appends one line describing how it was started.
//
// Usage: probe.exe <output file> <name> [anything...]
// Line: name TAB creation time (100 ns since 1601) TAB show command (-1 when
// none was given) TAB working directory TAB full command line CR LF, in UTF-8
// from the W calls, so every character arrives as it was given.
#include "ToolSupport.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    return win::Narrow(text, CP_UTF8);
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

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    wchar_t cwd[MAX_PATH * 2] = L"";
    GetCurrentDirectoryW(MAX_PATH * 2, cwd);

    // The creation time is stamped by CreateProcess itself, before any start-up cost here.
    const std::string line = win::Format("%s\t%llu\t%d\t%s\t%s\r\n", Utf8(name).c_str(),
                                         qrtool::CreationTime100ns(GetCurrentProcess()), show, Utf8(cwd).c_str(),
                                         Utf8(commandLine).c_str());
    // Several probes may write at once.
    return qrtool::AppendToFile(output, line) ? 0 : 4;
}
