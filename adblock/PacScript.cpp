// Text of the proxy auto-configuration scripts.
#include "adblock/PacScript.h"
#include "win/Bytes.h"

namespace {
const char* kFindProxy = "FindProxyForURL";
const char* kIndirectFindProxy = "IndirectFindProxyForURL";
const char* kScriptHead = "function FindProxyForURL(url,host)\r\n{\r\n\tif(";

// The lookup form keeps its names in an object, keyed by name: bit 1 blocks
// the hosts below the name, bit 2 the name itself.  A name the object lacks,
// or one it inherits (constructor and the like: functions), gives 0 under "&",
// so the script needs no hasOwnProperty and runs in the oldest PAC engines.
// The object is filled once when the script loads, from string literals that
// hold the list's entries: old engines silently drop the properties of an
// object literal beyond some 65,000 names.
const char* kLookupTableHead =
    "var QuillrestAdServers = {};\r\n"
    "(function (lists) {\r\n"
    "\tfor (var i = 0; i < lists.length; i++) {\r\n"
    "\t\tvar names = lists[i].split(\" \");\r\n"
    "\t\tfor (var j = 0; j < names.length; j++) {\r\n"
    "\t\t\tif (names[j].charAt(0) == \"+\")\r\n"
    "\t\t\t\tQuillrestAdServers[names[j].substring(1)] |= 2;\r\n"
    "\t\t\telse\r\n"
    "\t\t\t\tQuillrestAdServers[names[j]] |= 1;\r\n"
    "\t\t}\r\n"
    "\t}\r\n"
    "})([";
const char* kLookupFunction =
    "function QuillrestIsAdServer(host)\r\n"
    "{\r\n"
    "\tif (QuillrestAdServers[host] & 2)\r\n"
    "\t\treturn true;\r\n"
    "\tfor (var dot = host.indexOf(\".\"); dot >= 0; dot = host.indexOf(\".\", dot + 1))\r\n"
    "\t\tif (QuillrestAdServers[host.substring(dot + 1)] & 1)\r\n"
    "\t\t\treturn true;\r\n"
    "\treturn false;\r\n"
    "}\r\n\r\n";
// Entries per string literal of the lookup form.
constexpr size_t kEntriesPerLiteral = 100;

bool IsNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsHostsFileAddress(const std::string& field)
{
    return field == "0.0.0.0" || field == "127.0.0.1";
}

// Names a hosts file gives the computer itself; blocking them means nothing.
bool IsOwnHostName(const std::string& name)
{
    static const char* const kOwnNames[] = {"localhost", "localhost.localdomain", "local", "broadcasthost",
                                            "ip6-localhost", "ip6-loopback", "0.0.0.0", "127.0.0.1"};
    for (const char* own : kOwnNames) {
        if (name.size() == std::char_traits<char>::length(own) && win::EndsWithAsciiNoCase(name, own))
            return true;
    }
    return false;
}

// The lookup form's object and how it is filled: the entries as they stand,
// a blank between two, in string literals of kEntriesPerLiteral entries.
std::string LookupTable(const std::vector<std::string>& entries)
{
    std::string text = kLookupTableHead;
    text.reserve(text.size() + entries.size() * 24);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i % kEntriesPerLiteral == 0)
            text += i ? "\",\r\n\"" : "\r\n\"";
        else
            text += ' ';
        text += entries[i];
    }
    text += entries.empty() ? "\r\n]);\r\n\r\n" : "\"\r\n]);\r\n\r\n";
    return text;
}
} // namespace

std::vector<std::string> SplitAdServerList(const std::string& listText)
{
    return win::SplitText(listText, "\r\n");
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

std::vector<std::string> ReadAdServerList(const std::string& listText, std::vector<std::string>* rejected)
{
    std::vector<std::string> entries;
    for (const std::string& line : SplitAdServerList(listText)) {
        const std::string text = line.substr(0, line.find('#'));
        const std::vector<std::string> fields = win::SplitText(text, " \t");
        if (fields.empty())
            continue;    // a comment or blanks
        if (fields.size() > 1 && IsHostsFileAddress(fields[0])) {
            for (size_t i = 1; i < fields.size(); ++i) {
                const std::string& name = fields[i];
                if (IsOwnHostName(name))
                    continue;
                if (name[0] == '+' || !IsValidAdServerEntry(name)) {
                    if (rejected)
                        rejected->push_back(name);
                    continue;
                }
                entries.push_back(name);
                entries.push_back("+" + name);
            }
            continue;
        }
        // Today's format: the line as it stands, blanks included.
        if (IsValidAdServerEntry(text))
            entries.push_back(text);
        else if (rejected)
            rejected->push_back(line);
    }
    return entries;
}

PacForm PacFormFor(const std::vector<std::string>& entries)
{
    return entries.size() > kMaxConditionEntries ? PacForm::Lookup : PacForm::Conditions;
}

size_t CountValidAdServerEntries(const std::string& listText)
{
    return ReadAdServerList(listText, nullptr).size();
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

std::string ScriptStringText(const std::string& text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            escaped += win::Format("\\x%02X", c);
        } else if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            // U+2028 and U+2029 in UTF-8 end a line, and so the string, in older engines.
            escaped += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
}

std::string PacElseBranch(const ConnectionProxyConfig& earlier, bool indirect)
{
    if (indirect)
        return "return IndirectFindProxyForURL(url, host);";
    // The host comes from the connection's settings, which any program may have
    // written: it is kept inside its string.
    if (earlier.UseProxy && !earlier.ProxyHost.empty())
        return win::Format(" return \"PROXY %s:%d\";", ScriptStringText(earlier.ProxyHost).c_str(),
                           static_cast<int>(earlier.ProxyPort));
    return " return \"DIRECT\"; ";
}

std::string BuildPacScript(const std::string& listText, const ConnectionProxyConfig& earlier, unsigned short port,
                           const std::string* indirectScript, std::vector<std::string>* rejected)
{
    const std::vector<std::string> entries = ReadAdServerList(listText, rejected);
    return BuildPacScript(entries, PacFormFor(entries), earlier, port, indirectScript);
}

std::string BuildPacScript(const std::vector<std::string>& entries, PacForm form, const ConnectionProxyConfig& earlier,
                           unsigned short port, const std::string* indirectScript)
{
    std::string script;
    if (form == PacForm::Lookup) {
        script = LookupTable(entries) + kLookupFunction + kScriptHead + "\r\n\t\tQuillrestIsAdServer(host) ";
    } else {
        script = kScriptHead;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i)
                script += " || ";
            if (entries[i][0] == '+')
                script += "\r\n\t\tshExpMatch(host, \"" + entries[i].substr(1) + "\") ";
            else
                script += "\r\n\t\tshExpMatch(host, \"*." + entries[i] + "\") ";
        }
    }
    script += "\r\n\t)\r\n\treturn \"PROXY " + ProxyAddress(port) + "\";\r\n";
    if (indirectScript)
        script = *indirectScript + "\r\n\r\n" + script;
    script += "\r\n\t else\r\n\t{\r\n" + PacElseBranch(earlier, indirectScript != nullptr) + "\r\n\t}\r\n}\r\n";
    return script;
}
