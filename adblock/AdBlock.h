// Ad blocking as the rest of the program sees it.
#pragma once
#include <windows.h>

// "AdBlockingProxyPort" (8181, written back when absent) as a 16-bit port.
unsigned short ReadAdBlockingPort();
// Some connection's browser settings name that connection's own PAC script.
bool IsAdBlockingActive();
// Puts back every connection's archived proxy settings; stops at the first
// connection that cannot be set (with a message owned by `owner` when `show`).
bool RestorePreviousProxyConfig(HWND owner, bool show);
