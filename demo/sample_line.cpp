// Demo start-up program: appends one line with its name and the time to C:\quillrest-demo.txt.
#include <windows.h>
#include <cstdio>

int main(int argc, char** argv)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILE* out = std::fopen("C:\\quillrest-demo.txt", "a");
    if (!out)
        return 1;
    std::fprintf(out, "%02d:%02d:%02d.%03d started %s\n", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                 argc > 1 ? argv[1] : "sample_line");
    std::fclose(out);
    return 0;
}
