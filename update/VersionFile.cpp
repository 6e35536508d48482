// The version file from the vendor's site, read into a list of actions (no I/O here).
#include "update/VersionFile.h"
#include "win/Bytes.h"
#include <cstdio>

namespace {

bool IsBlank(char c)
{
    return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

std::string Trim(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

VersionAction ActionFor(const std::string& line, size_t colon, const std::string& ownVersion)
{
    VersionAction action;
    action.name = Trim(line.substr(0, colon));
    action.value = Trim(line.substr(colon + 1));
    if (SameNoCase(action.name, "Version")) {
        if (!SameNoCase(action.value, ownVersion))
            action.kind = VersionActionKind::NewVersion;
    } else if (SameNoCase(action.name, "Reg")) {
        const size_t bar = action.value.find('|');
        if (bar != std::string::npos) {
            action.setting = action.value.substr(0, bar);
            action.text = action.value.substr(bar + 1);
            action.kind = IsDwordText(action.text, action.number) ? VersionActionKind::WriteDword
                                                                  : VersionActionKind::WriteString;
        }
    }
    return action;
}

} // namespace

std::vector<VersionAction> ParseVersionFile(const std::string& text, const std::string& ownVersion)
{
    std::vector<VersionAction> actions;
    for (const std::string& line : win::SplitText(text, "\n")) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            actions.push_back(ActionFor(line, colon, ownVersion));
    }
    return actions;
}

bool IsDwordText(const std::string& data, uint32_t& number)
{
    // Digits only, no leading zero, within 32 bits: then "%u" gives the same text back.
    if (data.empty() || data.size() > 10 || (data[0] == '0' && data.size() > 1))
        return false;
    uint64_t value = 0;
    for (char c : data) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull)
        return false;
    number = static_cast<uint32_t>(value);
    return true;
}

std::string ExpandDoubledPercents(const std::string& message)
{
    std::string shown;
    shown.reserve(message.size());
    for (size_t i = 0; i < message.size(); ++i) {
        shown.push_back(message[i]);
        if (message[i] == '%' && i + 1 < message.size() && message[i + 1] == '%')
            ++i;
    }
    return shown;
}

std::string BuiltInNewVersionMessage(const std::string& productPage)
{
    return "There is a newer version of Quillrest available at " + productPage +
           ".  Downloading and installing the new version will automatically upgrade your existing installation "
           "without changing any of your settings.\r\n\r\nWould you like to open a browser to the Quillrest site?";
}

std::string NewVersionMessage(const std::string& custom, const std::string& productPage)
{
    return custom.empty() ? BuiltInNewVersionMessage(productPage) : ExpandDoubledPercents(custom);
}

std::string OwnVersionText(uint32_t versionMs, uint32_t versionLs)
{
    char text[40];
    snprintf(text, sizeof(text), "%d.%d.%d", static_cast<int>(versionMs >> 16), static_cast<int>(versionMs & 0xFFFF),
             static_cast<int>(versionLs >> 16));
    return text;
}
