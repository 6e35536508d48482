// One network connection's browser proxy settings, as a plain record.
#pragma once
#include <string>

// The name that stands for the local-network settings; always the last connection.
constexpr const char* kLanConnection = "(Default-LAN)";

// One connection's proxy settings.
struct ConnectionProxyConfig {
    explicit ConnectionProxyConfig(const std::string& connection = std::string()) : Connection(connection) {}

    bool AutoDetect = false;        // PROXY_TYPE_AUTO_DETECT
    bool AutoConfig = false;        // PROXY_TYPE_AUTO_PROXY_URL
    std::string AutoConfigURL;
    bool UseProxy = false;          // PROXY_TYPE_PROXY
    std::string ProxyHost;          // without the port
    unsigned short ProxyPort = 80;
    std::string Connection;
};
