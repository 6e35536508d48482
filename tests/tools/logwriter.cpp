// Test helper: writes N log lines of a recognisable pattern, for the concurrency test.
// Usage: logwriter <tag> <count>
#include "app/Log.h"
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    SetLogSwitch(true);
    std::string tag = argv[1];
    int count = std::atoi(argv[2]);
    std::string body(300, tag.empty() ? 'x' : tag[0]);
    for (int i = 0; i < count; ++i)
        WriteLog("%s %04d %s", tag.c_str(), i, body.c_str());
    return 0;
}
