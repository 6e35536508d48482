// An in-memory stand-in for RAS and WinINet's per-connection proxy options, kept
// the way Windows keeps them: one record per connection name, no name for the LAN.
#pragma once
#include "adblock/ProxyPlatform.h"
#include <raserror.h>
#include <map>
#include <string>
#include <vector>

namespace qrtest {

class FakeProxyPlatform : public ProxyPlatform {
public:
    struct Settings {
        std::string url;                    // INTERNET_PER_CONN_AUTOCONFIG_URL
        DWORD flags = PROXY_TYPE_DIRECT;    // INTERNET_PER_CONN_FLAGS
        std::string server;                 // INTERNET_PER_CONN_PROXY_SERVER
    };

    std::vector<std::string> phoneBook;
    bool failEnumeration = false;
    bool failQuery = false;
    bool failSet = false;
    int refreshes = 0;

    // The settings of a connection; "(Default-LAN)" means the LAN, which WinINet
    // names with a NULL connection (a connection really named so would be another).
    Settings& Of(const std::string& connection) { return settings_[Key(connection)]; }
    bool Has(const std::string& connection) const { return settings_.count(Key(connection)) != 0; }

    DWORD EnumEntries(RasEntryRecord* entries, DWORD* bytes, DWORD* count) override
    {
        if (failEnumeration)
            return ERROR_CANNOT_OPEN_PHONEBOOK;
        if (!entries || entries[0].dwSize != sizeof(RasEntryRecord))
            return ERROR_INVALID_SIZE;
        const DWORD needed = static_cast<DWORD>(phoneBook.size() * sizeof(RasEntryRecord));
        *count = static_cast<DWORD>(phoneBook.size());
        if (*bytes < needed) {
            *bytes = needed;
            return ERROR_BUFFER_TOO_SMALL;
        }
        *bytes = needed;
        for (size_t i = 0; i < phoneBook.size(); ++i) {
            entries[i].dwSize = sizeof(RasEntryRecord);
            lstrcpynA(entries[i].szEntryName, phoneBook[i].c_str(), sizeof(entries[i].szEntryName));
        }
        return 0;
    }

    BOOL QueryOption(DWORD option, void* buffer, DWORD* length) override
    {
        auto* list = static_cast<INTERNET_PER_CONN_OPTION_LISTA*>(buffer);
        if (failQuery || option != INTERNET_OPTION_PER_CONNECTION_OPTION || !list || !length ||
            *length < sizeof(*list) || list->dwSize != sizeof(*list)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const Settings current = settings_[Key(list->pszConnection)];
        for (DWORD i = 0; i < list->dwOptionCount; ++i) {
            INTERNET_PER_CONN_OPTIONA& o = list->pOptions[i];
            if (o.dwOption == INTERNET_PER_CONN_FLAGS)
                o.Value.dwValue = current.flags;
            else if (o.dwOption == INTERNET_PER_CONN_AUTOCONFIG_URL)
                o.Value.pszValue = Allocated(current.url);
            else if (o.dwOption == INTERNET_PER_CONN_PROXY_SERVER)
                o.Value.pszValue = Allocated(current.server);
        }
        return TRUE;
    }

    BOOL SetOption(DWORD option, void* buffer, DWORD length) override
    {
        if (option == INTERNET_OPTION_REFRESH) {
            ++refreshes;
            return TRUE;
        }
        auto* list = static_cast<INTERNET_PER_CONN_OPTION_LISTA*>(buffer);
        if (failSet || option != INTERNET_OPTION_PER_CONNECTION_OPTION || !list || length != sizeof(*list) ||
            list->dwSize != sizeof(*list)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        Settings& target = settings_[Key(list->pszConnection)];
        for (DWORD i = 0; i < list->dwOptionCount; ++i) {
            const INTERNET_PER_CONN_OPTIONA& o = list->pOptions[i];
            if (o.dwOption == INTERNET_PER_CONN_FLAGS)
                target.flags = o.Value.dwValue;
            else if (o.dwOption == INTERNET_PER_CONN_AUTOCONFIG_URL)
                target.url = o.Value.pszValue ? o.Value.pszValue : "";
            else if (o.dwOption == INTERNET_PER_CONN_PROXY_SERVER)
                target.server = o.Value.pszValue ? o.Value.pszValue : "";
        }
        return TRUE;
    }

private:
    static std::string Key(const char* connection) { return connection ? connection : kLan; }
    static std::string Key(const std::string& connection) { return connection == "(Default-LAN)" ? kLan : connection; }
    static constexpr const char* kLan = "\x01 LAN";
    // WinINet hands out strings the caller frees with GlobalFree; nothing when unset.
    static char* Allocated(const std::string& text)
    {
        if (text.empty())
            return nullptr;
        char* copy = static_cast<char*>(GlobalAlloc(GMEM_FIXED, text.size() + 1));
        lstrcpyA(copy, text.c_str());
        return copy;
    }
    std::map<std::string, Settings> settings_;
};

// Installs a stand-in for the lifetime of the object.
class ScopedProxyPlatform {
public:
    explicit ScopedProxyPlatform(ProxyPlatform& platform) { InstallProxyPlatformForTest(&platform); }
    ~ScopedProxyPlatform() { InstallProxyPlatformForTest(nullptr); }
    ScopedProxyPlatform(const ScopedProxyPlatform&) = delete;
    ScopedProxyPlatform& operator=(const ScopedProxyPlatform&) = delete;
};

} // namespace qrtest
