// The vendor's web addresses, and the one way the program opens a web page.
#include "app/Links.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Util.h"
#include <shellapi.h>

namespace {

// The vendor's site is outside the program; the host is a placeholder under a
// reserved name, and every address can be overridden by its setting.
const char* const kVendorSite = "http://www.hollowmere.example";

struct PageInfo {
    const char* setting;
    const char* path;
};

PageInfo Info(VendorPage page)
{
    switch (page) {
    case VendorPage::Version:
        return {kVersionURL, "/quillrest/version.asp"};
    case VendorPage::AdServerList:
        return {kAdBlockInfoURL, "/quillrest/adserverlist.asp"};
    case VendorPage::Main:
        return {kMainLink, "/quillrest/"};
    case VendorPage::Uninstall:
        return {kUninstallLink, "/Quillrest/uninstall.asp"};
    case VendorPage::Feedback:
        return {kFeedbackLink, "/Quillrest/feedback.asp"};
    }
    return {"", "/"};
}

WebLinkOpener g_openerForTest = nullptr;

} // namespace

std::string DefaultVendorLink(VendorPage page)
{
    return std::string(kVendorSite) + Info(page).path;
}

std::string VendorLink(VendorPage page)
{
    const std::string own = ProductString(Info(page).setting);
    return own.empty() ? DefaultVendorLink(page) : own;
}

bool OpenWebLink(HWND owner, const std::string& address)
{
    if (!IsWebAddress(address)) {
        WriteLog("Not opening %s: not a web address", address.c_str());
        return false;
    }
    WriteLog("Opening %s", address.c_str());
    if (g_openerForTest)
        return g_openerForTest(owner, address);
    return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", address.c_str(), "", "C:\\", SW_SHOWNORMAL)) > 32;
}

void OverrideWebLinkOpenerForTest(WebLinkOpener opener)
{
    g_openerForTest = opener;
}
