// The ad-server list (today's lines and hosts-file lines) and the PAC text made
// from it: every string literal closed and escaped, so no list line (nor the
// earlier proxy's name) changes the script's code; one FindProxyForURL; both
// forms name the same hosts, the ones the list gives.
// Input: the list; after a NUL, the connection's earlier proxy host.
#include "FuzzSupport.h"
#include "adblock/PacScript.h"
#include <cctype>
#include <set>
#include <utility>

namespace {

struct Literal {
    size_t quote;        // where its opening quote stands
    std::string text;    // unescaped
};

// Reads the script's double-quoted strings the way a script engine does; the
// skeleton is the script with every string emptied.  False for an unclosed
// string, an escape this program never writes, a single quote or a comment.
bool ScanScript(const std::string& script, std::vector<Literal>& literals, std::string& skeleton)
{
    for (size_t at = 0; at < script.size(); ++at) {
        const char c = script[at];
        if (c == '\'' || (c == '/' && at + 1 < script.size() && (script[at + 1] == '/' || script[at + 1] == '*')))
            return false;
        if (c != '"') {
            skeleton += c;
            continue;
        }
        Literal literal{at, std::string()};
        for (++at;; ++at) {
            if (at >= script.size() || script[at] == '\r' || script[at] == '\n')
                return false;
            if (script[at] == '"')
                break;
            if (script[at] != '\\') {
                literal.text += script[at];
                continue;
            }
            const char escape = at + 1 < script.size() ? script[at + 1] : '\0';
            if (escape == '\\' || escape == '"') {
                literal.text += escape;
                at += 1;
            } else if (escape == 'x' && at + 3 < script.size() &&
                       isxdigit(static_cast<unsigned char>(script[at + 2])) &&
                       isxdigit(static_cast<unsigned char>(script[at + 3]))) {
                literal.text += static_cast<char>(std::stoi(script.substr(at + 2, 2), nullptr, 16));
                at += 3;
            } else if (script.compare(at, 6, "\\u2028") == 0 || script.compare(at, 6, "\\u2029") == 0) {
                literal.text += script[at + 5] == '8' ? "\xE2\x80\xA8" : "\xE2\x80\xA9";
                at += 5;
            } else {
                return false;
            }
        }
        skeleton += "\"\"";
        literals.push_back(literal);
    }
    return true;
}

// Host rules as (exact, name): "+name" is exactly name, "name" the hosts below it.
using Rules = std::set<std::pair<bool, std::string>>;

Rules RulesOfEntries(const std::vector<std::string>& entries)
{
    Rules rules;
    for (const std::string& entry : entries)
        rules.insert(entry[0] == '+' ? std::make_pair(true, entry.substr(1)) : std::make_pair(false, entry));
    return rules;
}

Rules RulesOfScript(const std::string& script, const std::vector<Literal>& literals, PacForm form)
{
    Rules rules;
    const std::string match = "shExpMatch(host, ";
    const size_t tableStart = script.find("})([");
    const size_t tableEnd = script.find("]);", tableStart == std::string::npos ? 0 : tableStart);
    for (const Literal& literal : literals) {
        if (form == PacForm::Conditions) {
            if (literal.quote < match.size() || script.compare(literal.quote - match.size(), match.size(), match) != 0)
                continue;
            if (literal.text.compare(0, 2, "*.") == 0)
                rules.insert(std::make_pair(false, literal.text.substr(2)));
            else
                rules.insert(std::make_pair(true, literal.text));
        } else if (tableStart != std::string::npos && literal.quote > tableStart && literal.quote < tableEnd) {
            size_t start = 0;
            while (start <= literal.text.size()) {
                const size_t end = std::min(literal.text.find(' ', start), literal.text.size());
                const std::string name = literal.text.substr(start, end - start);
                rules.insert(name[0] == '+' ? std::make_pair(true, name.substr(1)) : std::make_pair(false, name));
                start = end + 1;
            }
        }
    }
    return rules;
}

void CheckForm(const std::vector<std::string>& entries, PacForm form, const ConnectionProxyConfig& earlier,
               const std::string& detail)
{
    const unsigned short port = 8181;
    const std::string script = BuildPacScript(entries, form, earlier, port, nullptr);
    std::vector<Literal> literals;
    std::string skeleton;
    fuzz::Check(ScanScript(script, literals, skeleton), "every string of the script is closed and escaped", detail);

    // The same number of harmless entries gives the same code around the strings.
    std::vector<std::string> plain;
    for (const std::string& entry : entries)
        plain.push_back(entry[0] == '+' ? "+a" : "a");
    ConnectionProxyConfig plainEarlier = earlier;
    if (!plainEarlier.ProxyHost.empty())
        plainEarlier.ProxyHost = "p";
    std::vector<Literal> plainLiterals;
    std::string plainSkeleton;
    ScanScript(BuildPacScript(plain, form, plainEarlier, port, nullptr), plainLiterals, plainSkeleton);
    fuzz::Check(skeleton == plainSkeleton, "no entry or proxy name changes the script's code", detail);
    fuzz::Check(literals.size() == plainLiterals.size(), "no entry adds or removes a string", detail);

    size_t functions = 0;
    for (size_t at = skeleton.find("function FindProxyForURL("); at != std::string::npos;
         at = skeleton.find("function FindProxyForURL(", at + 1))
        ++functions;
    fuzz::Check(functions == 1, "one FindProxyForURL function", detail);
    fuzz::Check(RulesOfScript(script, literals, form) == RulesOfEntries(entries), "the script names the list's hosts",
                detail);

    if (earlier.UseProxy && !earlier.ProxyHost.empty()) {
        const std::string proxy = "PROXY " + earlier.ProxyHost + ":" + std::to_string(earlier.ProxyPort);
        bool found = false;
        for (const Literal& literal : literals)
            found = found || literal.text == proxy;
        fuzz::Check(found, "the earlier proxy stands whole in its string", detail);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = fuzz::Text(data, size);
    const size_t nul = input.find('\0');
    const std::string list = input.substr(0, nul);
    ConnectionProxyConfig earlier("(Default-LAN)");
    if (nul != std::string::npos) {
        earlier.UseProxy = true;
        earlier.ProxyHost = input.substr(nul + 1);
        earlier.ProxyPort = static_cast<unsigned short>(size * 7);
    }

    std::vector<std::string> rejected;
    const std::vector<std::string> entries = ReadAdServerList(list, &rejected);
    std::vector<std::string> rejectedAgain;
    fuzz::Check(ReadAdServerList(list, &rejectedAgain) == entries && rejectedAgain == rejected, "deterministic", list);
    fuzz::Check(CountValidAdServerEntries(list) == entries.size(), "the count is that of the entries", list);
    for (const std::string& entry : entries)
        fuzz::Check(IsValidAdServerEntry(entry), "only host names become entries", entry);
    CheckForm(entries, PacForm::Conditions, earlier, input);
    CheckForm(entries, PacForm::Lookup, earlier, input);
    fuzz::Check(BuildPacScript(list, earlier, 8181, nullptr, nullptr) ==
                    BuildPacScript(entries, PacFormFor(entries), earlier, 8181, nullptr),
                "the list text gives the script of its entries", input);
    return 0;
}
