// The version check after the boot window's wait: downloads the vendor's version file and acts on it.
#include "update/VersionCheck.h"
#include "app/Download.h"
#include "app/Links.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "ui/SmallDialogs.h"
#include "update/VersionFile.h"
#include "win/Util.h"
#include <vector>

namespace {

void OfferNewVersion(HWND owner, const std::string& ownVersion)
{
    if (ProductString(kLastVerWarning) == ownVersion)
        return;
    SetProductString(kLastVerWarning, ownVersion);
    // The text may come from the network: shown as it stands, never used as a format.
    const std::string message = NewVersionMessage(ProductString(kNewVerMsg), DefaultVendorLink(VendorPage::Main));
    if (MessageBoxA(owner, message.c_str(), "New Version Available", MB_YESNO | MB_ICONINFORMATION) == IDYES)
        OpenWebLink(owner, VendorLink(VendorPage::Main));
}

} // namespace

std::string GetOwnVersionString()
{
    const std::string path = win::ModulePath(nullptr);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return "0.0.0";
    std::vector<char> data(size);
    void* block = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", &block, &length) || !block || length < sizeof(VS_FIXEDFILEINFO))
        return "0.0.0";
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(block);
    return OwnVersionText(info->dwFileVersionMS, info->dwFileVersionLS);
}

std::string VersionFilePath()
{
    char temp[2058] = "";
    GetTempPathA(sizeof(temp), temp);
    return std::string(temp) + "~qrverchk.tmp";
}

void ApplyVersionFile(HWND owner, const std::string& text)
{
    const std::string ownVersion = GetOwnVersionString();
    // In file order, reading the registry as each line comes: a "Reg" line
    // affects a later "Version" line only through what it wrote.
    for (const VersionAction& action : ParseVersionFile(text, ownVersion)) {
        WriteLog("n[%s]=v[%s]", action.name.c_str(), action.value.c_str());
        switch (action.kind) {
        case VersionActionKind::NewVersion:
            OfferNewVersion(owner, ownVersion);
            break;
        case VersionActionKind::WriteDword:
            SetProductDword(action.setting.c_str(), action.number);
            break;
        case VersionActionKind::WriteString:
            SetProductString(action.setting.c_str(), action.text);
            break;
        case VersionActionKind::Ignore:
            break;
        }
    }
}

void RunVersionCheck(HWND owner, DWORD startTick)
{
    const std::string url = VendorLink(VendorPage::Version);
    StatusPopup popup(ProductDword(kDontShowUpdateCheck, 0) != 1, startTick,
                      "Downloading a tiny version file from the Quillrest web site",
                      "to see if a newer version is available.", kDontShowUpdateCheck);
    const std::string path = VersionFilePath();
    DeleteFileA(path.c_str());
    if (DownloadToFile(url, path)) {
        std::string text;
        win::ReadWholeFile(path, text, 0);
        DeleteFileA(path.c_str());
        ApplyVersionFile(owner, text);
    }
    popup.Finish();
}
