// Ad blocking as the rest of the program sees it: whether it is on, and switching it off.
#include "adblock/AdBlock.h"
#include "adblock/PacScript.h"
#include "adblock/ProxyConfig.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Util.h"
#include <vector>

unsigned short ReadAdBlockingPort()
{
    return static_cast<unsigned short>(ProductDwordOrDefault(kAdBlockingProxyPort, kDefaultAdBlockingPort));
}

bool IsAdBlockingActive()
{
    const unsigned short port = ReadAdBlockingPort();
    std::vector<std::string> names;
    EnumerateConnections(names);
    for (const std::string& name : names) {
        ConnectionProxyConfig current(name);
        GetCurrentSystemConfig(current);
        if (current.AutoConfig &&
            lstrcmpiA(current.AutoConfigURL.c_str(), PacFileURL(SanitizeConnectionName(name), port).c_str()) == 0)
            return true;
    }
    return false;
}

bool RestorePreviousProxyConfig(HWND owner, bool show)
{
    std::vector<std::string> names;
    EnumerateConnections(names);
    for (const std::string& name : names) {
        ConnectionProxyConfig archived(name);
        if (!ReadArchivedConfig(archived, QR_HKLM, kProductKey, kPreviousProxyConfigSettings))
            continue;
        if (SetCurrentSystemConfig(archived))
            continue;
        if (show) {
            const std::string message = win::Format(
                "Your computer won't allow Quillrest to restore the previous proxy settings for the '%s' connection in "
                "Internet Explorer.  You can do it manually by clicking Tools->Options->Connections and then either "
                "the Settings button or the LAN Settings button.",
                name.c_str());
            MessageBoxA(owner, message.c_str(), "Error", MB_OK);
        }
        WriteLog("########### SetCurrentSystemConfig failed");
        return false;
    }
    return true;
}

bool AdBlockingAllowed()
{
    return ProductDword(kAllowAdBlocking, 1) != 0;
}

void SwitchOffBarredAdBlocking()
{
    if (AdBlockingAllowed() || !IsAdBlockingActive())
        return;
    WriteLog("Ad blocking is not allowed by policy: switching it off");
    if (RestorePreviousProxyConfig(nullptr, false))
        WriteLog("Ad blocking switched off: the connections have their earlier proxy settings again");
}
