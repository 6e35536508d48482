// Text of the proxy auto-configuration scripts.
#include "adblock/PacScript.h"
#include "win/Util.h"

namespace {
const char* kFindProxy = "FindProxyForURL";
const char* kIndirectFindProxy = "IndirectFindProxyForURL";

bool IsNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}
} // namespace

std::vector<std::string> SplitAdServerList(const std::string& listText)
{
    std::vector<std::string> entries;
    size_t start = 0;
    while (start < listText.size()) {
        size_t end = listText.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = listText.size();
        if (end > start)
            entries.push_back(listText.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

bool IsValidAdServerEntry(const std::string& entry)
{
    const size_t first = !entry.empty() && entry[0] == '+' ? 1 : 0;
    if (first >= entry.size())
        return false;
    for (size_t i = first; i < entry.size(); ++i) {
        if (!IsNameCharacter(entry[i]))
            return false;
    }
    return true;
}

size_t CountValidAdServerEntries(const std::string& listText)
{
    size_t valid = 0;
    for (const std::string& entry : SplitAdServerList(listText))
        valid += IsValidAdServerEntry(entry) ? 1 : 0;
    return valid;
}

std::string PacFileName(const std::string& sanitizedName)
{
    return win::Format("%s_%s.pac", kPacFilePrefix, sanitizedName.c_str());
}

std::string PacFileURL(const std::string& sanitizedName, unsigned short port)
{
    return win::Format("%s:%d/%s", kPacServerAddress, static_cast<int>(port), PacFileName(sanitizedName).c_str());
}

std::string ProxyAddress(unsigned short port)
{
    return win::Format("127.0.0.1:%d", static_cast<int>(port));
}

bool RewriteEarlierScript(const std::string& text, std::string& rewritten)
{
    if (text.find(kFindProxy) == std::string::npos)
        return false;
    rewritten.clear();
    const size_t length = std::char_traits<char>::length(kFindProxy);
    size_t start = 0;
    for (size_t at = text.find(kFindProxy); at != std::string::npos; at = text.find(kFindProxy, start)) {
        rewritten.append(text, start, at - start);
        rewritten += kIndirectFindProxy;
        start = at + length;
    }
    rewritten.append(text, start, std::string::npos);
    return true;
}

std::string PacElseBranch(const ConnectionProxyConfig& earlier, bool indirect)
{
    if (indirect)
        return "return IndirectFindProxyForURL(url, host);";
    if (earlier.UseProxy && !earlier.ProxyHost.empty())
        return win::Format(" return \"PROXY %s:%d\";", earlier.ProxyHost.c_str(), static_cast<int>(earlier.ProxyPort));
    return " return \"DIRECT\"; ";
}

std::string BuildPacScript(const std::string& listText, const ConnectionProxyConfig& earlier, unsigned short port,
                           const std::string* indirectScript, std::vector<std::string>* rejected)
{
    std::string script = "function FindProxyForURL(url,host)\r\n{\r\n\tif(";
    bool first = true;
    for (const std::string& entry : SplitAdServerList(listText)) {
        if (!IsValidAdServerEntry(entry)) {
            if (rejected)
                rejected->push_back(entry);
            continue;
        }
        if (!first)
            script += " || ";
        first = false;
        if (entry[0] == '+')
            script += "\r\n\t\tshExpMatch(host, \"" + entry.substr(1) + "\") ";
        else
            script += "\r\n\t\tshExpMatch(host, \"*." + entry + "\") ";
    }
    script += "\r\n\t)\r\n\treturn \"PROXY " + ProxyAddress(port) + "\";\r\n";
    if (indirectScript)
        script = *indirectScript + "\r\n\r\n" + script;
    script += "\r\n\t else\r\n\t{\r\n" + PacElseBranch(earlier, indirectScript != nullptr) + "\r\n\t}\r\n}\r\n";
    return script;
}
