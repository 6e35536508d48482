// A start-up entry's command split into program and arguments.  Installers of
// every kind write these commands: no Windows header here, so the split is
// fuzzed natively.
#pragma once
#include <string>

struct CommandParts {
    std::string program;      // without its quotes
    std::string arguments;    // after the blanks and TABs that follow the program
    bool quoted = false;      // the program stands in double quotes
};

// As CreateProcess takes a command line given without a program name: blanks
// and TABs before it are skipped; a program in double quotes runs to the next
// quote (or the end), any other to the first blank or TAB.
CommandParts SplitCommandLine(const std::string& command);
