// The browser's per-connection proxy settings and their registry archive.
#include "adblock/ProxyConfig.h"
#include "adblock/ProxyPlatform.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "win/Text.h"
#include "win/Util.h"
#include <cstdlib>

namespace {

constexpr DWORD kRasEntrySize = sizeof(RasEntryRecord);

// The three options both WinINet calls exchange, in this order.
enum { kOptionUrl, kOptionFlags, kOptionServer, kOptionCount };

struct OptionList {
    INTERNET_PER_CONN_OPTIONA options[kOptionCount];
    INTERNET_PER_CONN_OPTION_LISTA list;

    explicit OptionList(const std::string& connection)
    {
        ZeroMemory(options, sizeof(options));
        ZeroMemory(&list, sizeof(list));
        options[kOptionUrl].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
        options[kOptionFlags].dwOption = INTERNET_PER_CONN_FLAGS;
        options[kOptionServer].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
        list.dwSize = sizeof(list);
        // WinINet names the LAN settings with no connection name at all.
        list.pszConnection = connection == kLanConnection ? nullptr : const_cast<char*>(connection.c_str());
        list.dwOptionCount = kOptionCount;
        list.pOptions = options;
    }
};

// Takes a string WinINet allocated for the caller, and frees it.
bool TakeString(char*& value, std::string& out)
{
    if (!value)
        return false;
    out = value;
    GlobalFree(value);
    value = nullptr;
    return true;
}

} // namespace

bool EnumerateConnections(std::vector<std::string>& names)
{
    names.clear();
    ProxyPlatform& platform = CurrentProxyPlatform();
    RasEntryRecord probe;
    ZeroMemory(&probe, sizeof(probe));
    probe.dwSize = kRasEntrySize;
    DWORD bytes = 0;
    DWORD count = 0;
    platform.EnumEntries(&probe, &bytes, &count);

    std::vector<RasEntryRecord> records(bytes / kRasEntrySize + 1);
    ZeroMemory(records.data(), records.size() * kRasEntrySize);
    records[0].dwSize = kRasEntrySize;
    bytes = static_cast<DWORD>(records.size() * kRasEntrySize);
    count = 0;
    if (platform.EnumEntries(records.data(), &bytes, &count) != 0) {
        WriteLog("Failed to RasEnumEntries");
        return false;
    }
    for (DWORD i = 0; i < count && i < records.size(); ++i) {
        records[i].szEntryName[sizeof(records[i].szEntryName) - 1] = '\0';
        names.push_back(records[i].szEntryName);
    }
    names.push_back(kLanConnection);
    for (const std::string& name : names)
        WriteLog("Found connection %s", name.c_str());
    return true;
}

std::string SanitizeConnectionName(const std::string& name, UINT codePage)
{
    static const char kUnfit[] = {'<', '>', ':', '"', '\\', '/', '|', ' '};
    std::string out = name;
    for (char unfit : kUnfit) {
        for (size_t i = 0; i < out.size(); ++i) {
            if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(out[i])) && i + 1 < out.size()) {
                ++i;    // skip the trail byte: it may look like a backslash
                continue;
            }
            if (out[i] == unfit)
                out[i] = '_';
        }
    }
    return out;
}

bool GetCurrentSystemConfig(ConnectionProxyConfig& config)
{
    OptionList request(config.Connection);
    DWORD size = sizeof(request.list);
    if (!CurrentProxyPlatform().QueryOption(INTERNET_OPTION_PER_CONNECTION_OPTION, &request.list, &size))
        return false;
    TakeString(request.options[kOptionUrl].Value.pszValue, config.AutoConfigURL);
    const DWORD flags = request.options[kOptionFlags].Value.dwValue;
    if (flags & PROXY_TYPE_AUTO_PROXY_URL)
        config.AutoConfig = true;
    if (flags & PROXY_TYPE_AUTO_DETECT)
        config.AutoDetect = true;
    if (flags & PROXY_TYPE_PROXY)
        config.UseProxy = true;
    std::string server;
    if (TakeString(request.options[kOptionServer].Value.pszValue, server))
        ParseProxyServer(server, config);
    return true;
}

bool SetCurrentSystemConfig(const ConnectionProxyConfig& config)
{
    OptionList request(config.Connection);
    std::string url = config.AutoConfigURL;
    std::string server = ProxyServerText(config);
    request.options[kOptionUrl].Value.pszValue = &url[0];
    request.options[kOptionFlags].Value.dwValue = (config.AutoConfig ? PROXY_TYPE_AUTO_PROXY_URL : 0) |
                                                  (config.AutoDetect ? PROXY_TYPE_AUTO_DETECT : 0) |
                                                  (config.UseProxy ? PROXY_TYPE_PROXY : 0);
    request.options[kOptionServer].Value.pszValue = &server[0];
    ProxyPlatform& platform = CurrentProxyPlatform();
    if (!platform.SetOption(INTERNET_OPTION_PER_CONNECTION_OPTION, &request.list, sizeof(request.list)))
        return false;
    platform.SetOption(INTERNET_OPTION_REFRESH, nullptr, 0);
    return true;
}

std::string ArchivedConfigText(const ConnectionProxyConfig& config)
{
    return win::Format("%d\n%d\n%s\n%d\n%s\n%d\n%s", config.AutoDetect ? 1 : 0, config.AutoConfig ? 1 : 0,
                       config.AutoConfigURL.c_str(), config.UseProxy ? 1 : 0, config.ProxyHost.c_str(),
                       static_cast<int>(config.ProxyPort), config.Connection.c_str());
}

bool ParseArchivedConfig(const std::string& text, ConnectionProxyConfig& config)
{
    const std::vector<std::string> lines = win::SplitText(text, "\n");
    auto line = [&](size_t i) -> const std::string& { return lines[i]; };
    const size_t n = lines.size();
    if (n > 0)
        config.AutoDetect = atoi(line(0).c_str()) != 0;
    if (n > 1)
        config.AutoConfig = atoi(line(1).c_str()) != 0;
    if (n > 2)
        config.AutoConfigURL = line(2);
    if (n > 3)
        config.UseProxy = atoi(line(3).c_str()) != 0;
    if (n > 4)
        config.ProxyHost = line(4);
    if (n > 5)
        config.ProxyPort = static_cast<unsigned short>(atoi(line(5).c_str()));
    config.Connection = n > 6 ? line(6) : std::string();
    return n >= 6;
}

void ParseProxyServer(const std::string& text, ConnectionProxyConfig& config)
{
    config.ProxyHost = text;
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return;
    config.ProxyHost = text.substr(0, colon);
    config.ProxyPort = static_cast<unsigned short>(atoi(text.c_str() + colon + 1));
}

std::string ProxyServerText(const ConnectionProxyConfig& config)
{
    if (config.ProxyHost.empty())
        return std::string();
    return win::Format("%s:%d", config.ProxyHost.c_str(), static_cast<int>(config.ProxyPort));
}

bool ArchiveConfigToRegistry(ConnectionProxyConfig& config, HKEY root, const char* key, const char* prefix)
{
    if (config.AutoConfigURL.empty())
        config.AutoConfigURL = " ";
    if (config.ProxyHost.empty())
        config.ProxyHost = " ";
    const std::string name = win::Format("%s - %s", prefix, config.Connection.c_str());
    return WriteSettingString(root, key, name.c_str(), ArchivedConfigText(config), REG_SZ);
}

bool ReadArchivedConfig(ConnectionProxyConfig& config, HKEY root, const char* key, const char* prefix)
{
    const std::string name = win::Format("%s - %s", prefix, config.Connection.c_str());
    std::string text;
    if (!ReadSettingString(root, key, name.c_str(), text))
        return false;
    return ParseArchivedConfig(text, config);
}
