// A start-up entry's command split into program and arguments.
#include "launch/CommandLine.h"

namespace {
const char* const kBlanks = " \t";
}

CommandParts SplitCommandLine(const std::string& command)
{
    CommandParts parts;
    const size_t start = command.find_first_not_of(kBlanks);
    if (start == std::string::npos)
        return parts;
    size_t end;
    size_t rest;
    if (command[start] == '"') {
        parts.quoted = true;
        end = command.find('"', start + 1);
        if (end == std::string::npos)
            end = command.size();
        parts.program = command.substr(start + 1, end - start - 1);
        rest = end < command.size() ? end + 1 : end;
    } else {
        end = command.find_first_of(kBlanks, start);
        if (end == std::string::npos)
            end = command.size();
        parts.program = command.substr(start, end - start);
        rest = end;
    }
    const size_t arguments = command.find_first_not_of(kBlanks, rest);
    if (arguments != std::string::npos)
        parts.arguments = command.substr(arguments);
    return parts;
}
