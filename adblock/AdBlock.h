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

// False while a policy ("AllowAdBlocking" 0) keeps ad blocking off.
bool AdBlockingAllowed();
// Where a policy does not allow ad blocking and some connection blocks ads,
// switches it off as the Block Ads page does: every archived connection gets
// its earlier proxy settings back.  Shows nothing; logs what it did.
void SwitchOffBarredAdBlocking();
