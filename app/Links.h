// The vendor's web addresses, and the one way the program opens a web page.
#pragma once
#include "app/WebAddress.h"
#include <windows.h>
#include <string>

enum class VendorPage {
    Version,         // the version file; override "VersionURL"
    AdServerList,    // the ad-server list; override "AdBlockInfoURL"
    Main,            // the product page; override "MAIN_LINK"
    Uninstall,       // the farewell page after uninstall; override "UNINSTALL_LINK"
    Feedback,        // the feedback page; override "FEEDBACK_LINK"
};

// The built-in address of a page on the vendor's site.
std::string DefaultVendorLink(VendorPage page);
// The override setting when it is not empty, else the built-in address.
std::string VendorLink(VendorPage page);

// Opens a web address in the browser (ShellExecuteA "open", empty parameters,
// working directory C:\, shown normally).  Anything that is not a web address is
// logged and not opened: the links can be set from the network.
bool OpenWebLink(HWND owner, const std::string& address);

// Tests see what OpenWebLink would open instead of a browser starting
// (nullptr: the shell opens it again).
using WebLinkOpener = bool (*)(HWND owner, const std::string& address);
void OverrideWebLinkOpenerForTest(WebLinkOpener opener);
