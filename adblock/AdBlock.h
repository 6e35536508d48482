// Ad blocking as the rest of the program sees it.
#pragma once
#include <windows.h>

// Some connection's browser settings name that connection's own PAC script.
bool IsAdBlockingActive();
// Puts back every connection's archived proxy settings; false on failure.
bool RestorePreviousProxyConfig();
