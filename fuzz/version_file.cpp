// The version file from the vendor's site (plain HTTP: anyone on the way may
// change it): the same actions every time, registry writes only from "Reg" lines
// (a DWORD only for data that is exactly its "%u" text, the value name ending at
// the first bar), and a message that never reaches a printf-style format
// ("%s%n%x" comes back as it is).
#include "FuzzSupport.h"
#include "update/VersionFile.h"
#include <algorithm>

namespace {

bool Trimmed(const std::string& text)
{
    return text.empty() || (text.find_first_of(" \t\r\n") != 0 && text.find_last_of(" \t\r\n") != text.size() - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = fuzz::Text(data, size);
    const std::vector<VersionAction> actions = ParseVersionFile(text, "1.3.2");
    const std::vector<VersionAction> again = ParseVersionFile(text, "1.3.2");
    const std::vector<std::string> lines = win::SplitLines(text);
    const size_t colonLines =
        std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return fuzz::Has(line, ":"); });
    fuzz::Check(actions.size() == colonLines && again.size() == colonLines, "one action per line with a colon", text);
    for (size_t i = 0; i < actions.size(); ++i) {
        const VersionAction& action = actions[i];
        const VersionActionKind kind = action.kind;
        fuzz::Check(kind == again[i].kind && action.value == again[i].value, "deterministic", text);
        fuzz::Check(!fuzz::Has(action.name, ":") && Trimmed(action.name) && Trimmed(action.value),
                    "the name ends at the first colon; name and value are trimmed", action.name + ":" + action.value);
        const bool reg = fuzz::SameNoCase(action.name, "Reg");
        fuzz::Check(kind != VersionActionKind::Ignore || !reg || !fuzz::Has(action.value, "|"),
                    "a Reg line with a bar is acted on", action.value);
        fuzz::Check(kind != VersionActionKind::NewVersion ||
                        (fuzz::SameNoCase(action.name, "Version") && !fuzz::SameNoCase(action.value, "1.3.2")),
                    "a new version is a Version line naming another version", action.value);
        fuzz::Check(kind != VersionActionKind::WriteDword || (reg && std::to_string(action.number) == action.text),
                    "a DWORD is written only for its own \"%u\" text", action.text);
        uint32_t number = 0;
        fuzz::Check(kind != VersionActionKind::WriteString || (reg && !IsDwordText(action.text, number)),
                    "a string is written for any other data", action.text);
        fuzz::Check(kind != VersionActionKind::WriteString ||
                        (action.setting + "|" + action.text == action.value && !fuzz::Has(action.setting, "|")),
                    "the value name ends at the first bar", action.value);
    }

    // The message as shown (whatever "NewVerMsg" the file sets is text of the file): the
    // text itself, each "%%" one "%", or the built-in one for none.
    std::string shown;
    for (size_t i = 0; i < text.size(); i += text.compare(i, 2, "%%") == 0 ? 2 : 1)
        shown += text[i];
    fuzz::Check(NewVersionMessage(text, "http://x/") == (text.empty() ? BuiltInNewVersionMessage("http://x/") : shown),
                "the message is shown, never formatted", text);
    return 0;
}
