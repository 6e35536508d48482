// The ad-server list (today's lines and hosts-file lines) and the PAC text made
// from it: every string literal closed and escaped, so no list line (nor the
// earlier proxy's name) changes the script's code; one FindProxyForURL; both
// forms name the same hosts, the ones the list gives.
// Input: the list; after a NUL, the connection's earlier proxy host.
#include "FuzzSupport.h"
#include "adblock/PacScript.h"
#include <algorithm>
#include <set>

namespace {

// Each string of a script: where its opening quote stands, and its text unescaped.
using Literals = std::vector<std::pair<size_t, std::string>>;

// The script's double-quoted strings read the way a script engine reads them,
// and its skeleton (the script with every string emptied).  False for an
// unclosed string, an escape this program never writes, a single quote or a comment.
bool ScanScript(const std::string& script, Literals& literals, std::string& skeleton)
{
    for (size_t at = 0; at < script.size(); ++at) {
        if (script[at] == '\'' || script.compare(at, 2, "//") == 0 || script.compare(at, 2, "/*") == 0)
            return false;
        skeleton += script[at];
        if (script[at] != '"')
            continue;
        literals.emplace_back(at, std::string());
        std::string& text = literals.back().second;
        for (++at; at < script.size() && script[at] != '"'; ++at) {
            const std::string escape = script.substr(at, 6);
            if (script[at] == '\r' || script[at] == '\n' || escape.compare(0, 3, "\xE2\x80\xA8") == 0 ||
                escape.compare(0, 3, "\xE2\x80\xA9") == 0) {    // line ends, to older engines too
                return false;
            } else if (script[at] != '\\' || escape[1] == '\\' || escape[1] == '"') {
                at += script[at] == '\\';
                text += script[at];
            } else if (escape == "\\u2028" || escape == "\\u2029") {
                text += escape == "\\u2028" ? "\xE2\x80\xA8" : "\xE2\x80\xA9";
                at += 5;
            } else if (escape.size() >= 4 && escape[1] == 'x' &&
                       escape.find_first_not_of("0123456789ABCDEFabcdef", 2) >= 4) {
                text += static_cast<char>(std::stoi(escape.substr(2, 2), nullptr, 16));
                at += 3;
            } else {
                return false;
            }
        }
        if (at >= script.size())
            return false;
        skeleton += '"';
    }
    return true;
}

// Host rules as (exact, name): "+name" is exactly name, "name" the hosts below it.
using Rules = std::set<std::pair<bool, std::string>>;
void AddRule(Rules& rules, const std::string& entry)
{
    rules.emplace(entry[0] == '+', entry.substr(entry[0] == '+' ? 1 : 0));
}

// The conditions form tests shExpMatch(host, "name") or "*.name"; the lookup form
// lists the entries, blank-separated, in the strings of its table.
Rules RulesOfScript(const std::string& script, const Literals& literals, PacForm form)
{
    Rules rules;
    const std::string match = "shExpMatch(host, ";
    const size_t tableStart = script.find("})([");
    const size_t tableEnd = script.find("]);", tableStart == std::string::npos ? 0 : tableStart);
    for (const auto& [quote, text] : literals) {
        if (form == PacForm::Conditions && quote >= match.size() &&
            script.compare(quote - match.size(), match.size(), match) == 0) {
            const bool below = text.compare(0, 2, "*.") == 0;
            rules.emplace(!below, text.substr(below ? 2 : 0));
        } else if (form == PacForm::Lookup && tableStart != std::string::npos && quote > tableStart &&
                   quote < tableEnd) {
            for (const std::string& name : win::SplitFields(text, ' ', std::string::npos))
                AddRule(rules, name);
        }
    }
    return rules;
}

void CheckForm(const std::vector<std::string>& entries, PacForm form, const ConnectionProxyConfig& earlier,
               const std::string& detail)
{
    Literals literals, plainLiterals;
    std::string skeleton, plainSkeleton;
    const std::string script = BuildPacScript(entries, form, earlier, 8181, nullptr);
    fuzz::Check(ScanScript(script, literals, skeleton), "every string of the script is closed and escaped", detail);

    // The same number of harmless entries (and proxy name) gives the same code around the strings.
    std::vector<std::string> plain;
    Rules listed;
    for (const std::string& entry : entries) {
        plain.push_back(entry[0] == '+' ? "+a" : "a");
        AddRule(listed, entry);
    }
    ConnectionProxyConfig plainEarlier = earlier;
    plainEarlier.ProxyHost = earlier.ProxyHost.empty() ? "" : "p";
    ScanScript(BuildPacScript(plain, form, plainEarlier, 8181, nullptr), plainLiterals, plainSkeleton);
    fuzz::Check(skeleton == plainSkeleton, "no entry or proxy name changes the script's code or adds a string", detail);
    const std::string function = "function FindProxyForURL(";
    const size_t first = skeleton.find(function);
    fuzz::Check(first != std::string::npos && skeleton.find(function, first + 1) == std::string::npos,
                "one FindProxyForURL function", detail);
    fuzz::Check(RulesOfScript(script, literals, form) == listed, "the script names the list's hosts", detail);

    const std::string proxy = "PROXY " + earlier.ProxyHost + ":" + std::to_string(earlier.ProxyPort);
    fuzz::Check(!earlier.UseProxy || earlier.ProxyHost.empty() ||
                    std::any_of(literals.begin(), literals.end(), [&](const auto& l) { return l.second == proxy; }),
                "the earlier proxy stands whole in its string", detail);
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

    std::vector<std::string> rejected, rejectedAgain;
    const std::vector<std::string> entries = ReadAdServerList(list, &rejected);
    fuzz::Check(ReadAdServerList(list, &rejectedAgain) == entries && rejectedAgain == rejected &&
                    CountValidAdServerEntries(list) == entries.size(),
                "deterministic, and counted as read", list);
    fuzz::Check(std::all_of(entries.begin(), entries.end(), IsValidAdServerEntry), "only host names become entries",
                list);
    CheckForm(entries, PacForm::Conditions, earlier, input);
    CheckForm(entries, PacForm::Lookup, earlier, input);
    fuzz::Check(BuildPacScript(list, earlier, 8181, nullptr, nullptr) ==
                    BuildPacScript(entries, PacFormFor(entries), earlier, 8181, nullptr),
                "the list text gives the script of its entries", input);
    return 0;
}
