// The browser's proxy settings per network connection: listing the connections,
// reading and applying one connection's settings, and archiving them in the registry.
#pragma once
#include "adblock/ConnectionProxyConfig.h"
#include <windows.h>
#include <string>
#include <vector>

// The phone-book entry names in RAS's order, then kLanConnection.  False (and an
// empty list) when RAS refuses to enumerate.
bool EnumerateConnections(std::vector<std::string>& names);

// The name made fit for a file name: < > : " \ / | and blank become "_", stepping
// by the characters of `codePage` (a trail byte is never replaced).
std::string SanitizeConnectionName(const std::string& name, UINT codePage = CP_ACP);

// Reads the named connection's settings into a fresh record; false when WinINet refuses.
bool GetCurrentSystemConfig(ConnectionProxyConfig& config);
// Applies the record to its connection and tells WinINet to reload.
bool SetCurrentSystemConfig(const ConnectionProxyConfig& config);

// Writes the record as "<prefix> - <connection>" under root\key.  Empty URL and
// proxy host become one blank first, in the record too, so no archived line is empty.
bool ArchiveConfigToRegistry(ConnectionProxyConfig& config, HKEY root, const char* key, const char* prefix);
// Reads the archive of config.Connection; true when its first six lines were there.
bool ReadArchivedConfig(ConnectionProxyConfig& config, HKEY root, const char* key, const char* prefix);

// Text forms, exposed for tests.
std::string ArchivedConfigText(const ConnectionProxyConfig& config);
bool ParseArchivedConfig(const std::string& text, ConnectionProxyConfig& config);
// "host:port" into ProxyHost and ProxyPort (cut at the first colon); no colon keeps the port.
void ParseProxyServer(const std::string& text, ConnectionProxyConfig& config);
// The proxy server string that SetCurrentSystemConfig sends.
std::string ProxyServerText(const ConnectionProxyConfig& config);
