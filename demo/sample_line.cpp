// Demo start-up program: appends one line with its name and the time to C:\quillrest-demo.txt.
#include <windows.h>
#include <cstdio>
#include <cstring>

int main()
{
    // Everything after the program's own name, so names with blanks stay whole.
    const char* arguments = GetCommandLineA();
    if (*arguments == '"') {
        arguments = std::strchr(arguments + 1, '"');
        arguments = arguments ? arguments + 1 : "";
    } else {
        while (*arguments && *arguments != ' ')
            ++arguments;
    }
    while (*arguments == ' ')
        ++arguments;
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILE* out = std::fopen("C:\\quillrest-demo.txt", "a");
    if (!out)
        return 1;
    std::fprintf(out, "%02d:%02d:%02d.%03d started %s\n", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                 *arguments ? arguments : "sample_line");
    std::fclose(out);
    return 0;
}
