// The version file from the vendor's site (plain HTTP: anyone on the way may
// change it): actions in file order, trimmed names and values, DWORDs only for
// data that is exactly their "%u" text, and a message that never reaches a
// printf-style format ("%s%n%x" comes back as it is).
#include "FuzzSupport.h"
#include "update/VersionFile.h"
#include "win/Bytes.h"
#include <cstdio>

namespace {

bool IsBlank(char c)
{
    return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

bool Trimmed(const std::string& text)
{
    return text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()));
}

bool SameAsciiNoCase(const std::string& a, const char* b)
{
    return a.size() == std::char_traits<char>::length(b) && win::EndsWithAsciiNoCase(a, b);
}

// What a message box shows for a text that is never a format: each "%%" one "%".
std::string Shown(const std::string& message)
{
    std::string shown;
    for (size_t i = 0; i < message.size(); ++i) {
        shown += message[i];
        if (message.compare(i, 2, "%%") == 0)
            ++i;
    }
    return shown;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = fuzz::Text(data, size);
    const std::string own = "1.3.2";
    const std::vector<VersionAction> actions = ParseVersionFile(text, own);
    const std::vector<VersionAction> again = ParseVersionFile(text, own);
    fuzz::Check(actions.size() == again.size(), "deterministic", text);

    size_t colonLines = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        colonLines += text.substr(start, end - start).find(':') != std::string::npos;
        start = end + 1;
    }
    fuzz::Check(actions.size() == colonLines, "one action per line with a colon", text);

    for (const VersionAction& action : actions) {
        fuzz::Check(Trimmed(action.name) && Trimmed(action.value), "name and value are trimmed", text);
        fuzz::Check(action.name.find(':') == std::string::npos, "the name ends at the first colon", action.name);
        switch (action.kind) {
        case VersionActionKind::NewVersion:
            fuzz::Check(SameAsciiNoCase(action.name, "Version") && !SameAsciiNoCase(action.value, own.c_str()),
                        "a new version is a Version line naming another version", action.value);
            break;
        case VersionActionKind::WriteDword: {
            char printed[16];
            snprintf(printed, sizeof(printed), "%u", static_cast<unsigned>(action.number));
            fuzz::Check(SameAsciiNoCase(action.name, "Reg") && action.text == printed,
                        "a DWORD is written only for its own \"%u\" text", action.text);
            break;
        }
        case VersionActionKind::WriteString: {
            uint32_t number = 0;
            fuzz::Check(SameAsciiNoCase(action.name, "Reg") && !IsDwordText(action.text, number),
                        "a string is written for any other data", action.text);
            fuzz::Check(action.setting + "|" + action.text == action.value, "the value is cut at the first bar",
                        action.value);
            fuzz::Check(action.setting.find('|') == std::string::npos, "the value name holds no bar", action.value);
            // The version file may set "NewVerMsg": shown as it stands.
            fuzz::Check(NewVersionMessage(action.text, "http://x/") ==
                            (action.text.empty() ? BuiltInNewVersionMessage("http://x/") : Shown(action.text)),
                        "the message is shown, never formatted", action.text);
            break;
        }
        case VersionActionKind::Ignore:
            fuzz::Check(!SameAsciiNoCase(action.name, "Reg") || action.value.find('|') == std::string::npos,
                        "a Reg line with a bar is acted on", action.value);
            break;
        }
    }
    fuzz::Check(NewVersionMessage(text, "http://x/") == (text.empty() ? BuiltInNewVersionMessage("http://x/") : Shown(text)),
                "the message is shown, never formatted", text);
    fuzz::Check(NewVersionMessage("%s%n%x" + text.substr(0, 0), "") == "%s%n%x", "%s%n%x comes back as it is");
    return 0;
}
