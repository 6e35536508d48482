// The ad-server list file, the PAC file of each connection and the list download.
#include "adblock/PacScript.h"
#include "adblock/PageBlockAds.h"
#include "app/Download.h"
#include "app/Links.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "res/resource.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <shlobj.h>

namespace {

const char* kListDownloadTempName = "~qrlist.tmp";

std::string DefaultAdServerList()
{
    HMODULE module = win::ResourceModule();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_AD_SERVER_LIST), "FILE");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) {
        WriteLog("#### The default ad-server list is missing");
        return std::string();
    }
    return std::string(data, SizeofResource(module, found));
}

std::string TempFilePath(const char* name)
{
    char folder[2058] = "";
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    return win::PathJoin(length && length < sizeof(folder) ? folder : win::WindowsDirectory(), name);
}

} // namespace

std::string PageBlockAds::GetAdServerListPath() const
{
    char folder[MAX_PATH * 2] = "";
    // Windows 95 without a newer shell knows no local application-data folder.
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_LOCAL_APPDATA, TRUE) &&
        !SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, TRUE))
        lstrcpynA(folder, win::WindowsDirectory().c_str(), sizeof(folder));
    return win::PathJoin(folder, kAdServerListFileName);
}

std::string PageBlockAds::GetPACFileName(const std::string& sanitizedName) const
{
    return PacFileName(sanitizedName);
}

std::string PageBlockAds::GetPACFileURL(const std::string& sanitizedName) const
{
    return PacFileURL(sanitizedName, port_);
}

std::string PageBlockAds::GetProxyAddress() const
{
    return ProxyAddress(port_);
}

std::string PageBlockAds::GetPACFileContents(const ConnectionProxyConfig& earlier) const
{
    WriteLog("GetPACFileContents for %s", earlier.Connection.c_str());
    std::string list;
    std::vector<std::string> rejected, entries;
    if (win::ReadWholeFile(GetAdServerListPath(), list, 0))
        entries = ReadAdServerList(list, &rejected);
    // A list without a single usable entry would give a script that does not even parse.
    if (entries.empty()) {
        rejected.clear();
        entries = ReadAdServerList(DefaultAdServerList(), &rejected);
    }

    std::string indirect, elseBranch;
    const bool haveIndirect = earlier.AutoConfig && !earlier.AutoConfigURL.empty() &&
                              GetIndirectPACScript(earlier.AutoConfigURL, indirect, elseBranch);
    std::string script =
        BuildPacScript(entries, PacFormFor(entries), earlier, port_, haveIndirect ? &indirect : nullptr);
    for (const std::string& entry : rejected)
        WriteLog("Skipping ad-server list entry that is not a host name: %s", entry.c_str());
    return script;
}

bool PageBlockAds::GetIndirectPACScript(const std::string& url, std::string& script, std::string& elseBranch) const
{
    const std::string path = TempFilePath(kEarlierPacTempName);
    DeleteFileA(path.c_str());
    if (!DownloadToFile(url, path))
        return false;
    std::string text;
    const bool read = win::ReadWholeFile(path, text, 0);
    DeleteFileA(path.c_str());
    if (!read || !RewriteEarlierScript(text, script))
        return false;
    elseBranch = PacElseBranch(ConnectionProxyConfig(), true);
    return true;
}

bool PageBlockAds::GenerateAndSavePACFile(const ConnectionProxyConfig& earlier) const
{
    WriteLog("GenerateAndSavePACFile for %s", earlier.Connection.c_str());
    const std::string script = GetPACFileContents(earlier);
    const std::string path =
        win::PathJoin(win::SystemDirectory(), GetPACFileName(SanitizeConnectionName(earlier.Connection)));
    win::UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    if (!script.empty())
        WriteFile(file.Get(), script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    return true;
}

void PageBlockAds::RegeneratePACFiles() const
{
    WriteLog("RegeneratePACFiles");
    std::vector<std::string> names;
    EnumerateConnections(names);
    for (const std::string& name : names) {
        ConnectionProxyConfig archived(name);
        if (ReadArchivedConfig(archived, QR_HKLM, kProductKey, kPreviousProxyConfigSettings))
            GenerateAndSavePACFile(archived);
    }
}

std::string PageBlockAds::GetAdServerListURL() const
{
    const std::string own = ProductString(kAdBlockListURL);
    if (own.empty())
        return VendorLink(VendorPage::AdServerList);
    if (IsWebAddress(own))
        return own;
    WriteLog("Not downloading the ad-server list from %s: not a web address", own.c_str());
    return VendorLink(VendorPage::AdServerList);
}

bool PageBlockAds::UpdateAdBlockInfo() const
{
    WriteLog("UpdateAdBlockInfo");
    return UpdateAdBlockInfoFrom(GetAdServerListURL()) == ListUpdate::Updated;
}

PageBlockAds::ListUpdate PageBlockAds::UpdateAdBlockInfoFrom(const std::string& url) const
{
    // Into a file of its own first: a failed or garbled download must not replace a good list.
    const std::string temp = TempFilePath(kListDownloadTempName);
    DeleteFileA(temp.c_str());
    if (!DownloadToFile(url, temp))
        return ListUpdate::DownloadFailed;
    std::string list;
    const bool usable = win::ReadWholeFile(temp, list, 0) && CountValidAdServerEntries(list) > 0;
    if (!usable) {
        WriteLog("The ad-server list from %s holds no host name; the old list stays", url.c_str());
        DeleteFileA(temp.c_str());
        return ListUpdate::NoHostNames;
    }
    const std::string path = GetAdServerListPath();
    const bool replaced = CopyFileA(temp.c_str(), path.c_str(), FALSE) != FALSE;
    DeleteFileA(temp.c_str());
    if (!replaced) {
        WriteLog("Could not replace %s", path.c_str());
        return ListUpdate::NotSaved;
    }
    RegeneratePACFiles();
    SetProductDword(kLastAdBlockInfoCheck, win::UnixTimeNow());
    return ListUpdate::Updated;
}
