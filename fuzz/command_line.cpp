// A start-up entry's command (installers of every kind write them) split into
// program and arguments as CreateProcess splits it: the parts give the command
// back, a quoted program holds no quote, an unquoted one no blank.
#include "FuzzSupport.h"
#include "launch/CommandLine.h"
#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string command = fuzz::Text(data, size);
    const CommandParts parts = SplitCommandLine(command);
    const CommandParts again = SplitCommandLine(command);
    fuzz::Check(parts.program == again.program && parts.arguments == again.arguments && parts.quoted == again.quoted,
                "deterministic", command);
    fuzz::Check(parts.program.find_first_of(parts.quoted ? "\"" : " \t") == std::string::npos,
                "a quoted program holds no quote, an unquoted one no blank", command);
    fuzz::Check(parts.arguments.find_first_of(" \t") != 0, "the arguments start after the blanks", command);

    // Put back together: blanks, the program (in its quotes), blanks, the arguments.
    const std::string body = command.substr(std::min(command.find_first_not_of(" \t"), command.size()));
    std::string head = parts.quoted ? "\"" + parts.program : parts.program;
    if (parts.quoted && body.size() > head.size() && body[head.size()] == '"')
        head += '"';
    fuzz::Check(body.compare(0, head.size(), head) == 0, "the command starts with its program", command);
    const std::string between = body.substr(head.size(), body.size() - head.size() - parts.arguments.size());
    fuzz::Check(between.find_first_not_of(" \t") == std::string::npos &&
                    body.compare(body.size() - parts.arguments.size(), std::string::npos, parts.arguments) == 0,
                "only blanks stand between program and arguments", command);
    return 0;
}
