// The check that only web addresses are opened: the addresses come from settings
// that the version file can write from the network.  No Windows header: the
// check is fuzzed natively.
#pragma once
#include <string>

// True for an address that begins with "http://" or "https://" (any letter case)
// and holds no double quote or control character: the browser is started with
// the address in quotes, and a quote in it would end them and pass the rest on
// as the browser's own arguments.
bool IsWebAddress(const std::string& address);
