// The version file from the vendor's site (plain HTTP: anyone on the way may
// change it): the same actions every time, registry writes only from "Reg" lines
// (a DWORD only for data that is exactly its "%u" text, the value name ending at
// the first bar), and a message that never reaches a printf-style format
// ("%s%n%x" comes back as it is).
#include "FuzzSupport.h"
#include "update/VersionFile.h"

namespace {

bool Trimmed(const std::string& text)
{
    return text.empty() || (text.find_first_of(" \t\r\n") != 0 && text.find_last_of(" \t\r\n") != text.size() - 1);
}

// The message as shown: the text itself (each "%%" one "%"), or the built-in one for none.
void CheckMessage(const std::string& custom)
{
    std::string shown;
    for (size_t i = 0; i < custom.size(); i += custom.compare(i, 2, "%%") == 0 ? 2 : 1)
        shown += custom[i];
    const std::string expected = custom.empty() ? BuiltInNewVersionMessage("http://x/") : shown;
    fuzz::Check(NewVersionMessage(custom, "http://x/") == expected, "the message is shown, never formatted", custom);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = fuzz::Text(data, size);
    const std::vector<VersionAction> actions = ParseVersionFile(text, "1.3.2");
    const std::vector<VersionAction> again = ParseVersionFile(text, "1.3.2");
    size_t colonLines = 0;
    for (const std::string& line : win::SplitLines(text))
        colonLines += fuzz::Has(line, ":");
    fuzz::Check(actions.size() == colonLines && again.size() == colonLines, "one action per line with a colon", text);
    for (size_t i = 0; i < actions.size(); ++i) {
        const VersionAction& action = actions[i];
        fuzz::Check(action.kind == again[i].kind && action.value == again[i].value, "deterministic", text);
        fuzz::Check(!fuzz::Has(action.name, ":") && Trimmed(action.name) && Trimmed(action.value),
                    "the name ends at the first colon; name and value are trimmed", action.name + ":" + action.value);
        const bool reg = fuzz::SameNoCase(action.name, "Reg");
        fuzz::Check(action.kind != VersionActionKind::Ignore || !reg || !fuzz::Has(action.value, "|"),
                    "a Reg line with a bar is acted on", action.value);
        if (action.kind == VersionActionKind::NewVersion)
            fuzz::Check(fuzz::SameNoCase(action.name, "Version") && !fuzz::SameNoCase(action.value, "1.3.2"),
                        "a new version is a Version line naming another version", action.value);
        if (action.kind == VersionActionKind::WriteDword)
            fuzz::Check(reg && std::to_string(action.number) == action.text,
                        "a DWORD is written only for its own \"%u\" text", action.text);
        if (action.kind != VersionActionKind::WriteString)
            continue;
        uint32_t number = 0;
        fuzz::Check(reg && !IsDwordText(action.text, number), "a string is written for any other data", action.text);
        fuzz::Check(action.setting + "|" + action.text == action.value && action.setting.find('|') == std::string::npos,
                    "the value name ends at the first bar", action.value);
        CheckMessage(action.text);    // the version file may set "NewVerMsg"
    }
    CheckMessage(text);
    fuzz::Check(NewVersionMessage("%s%n%x", "") == "%s%n%x", "%s%n%x comes back as it is");
    return 0;
}
