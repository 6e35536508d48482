// The Block Ads page: the switch, the list download choice and the browser's
// script-debugger option; switching on archives, writes the PAC files and restarts
// the resident program so that it serves them.
#include "adblock/PageBlockAds.h"
#include "adblock/AdBlock.h"
#include "adblock/ChooseBlockingConnectionsDlg.h"
#include "app/Links.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "install/System.h"
#include "res/resource.h"
#include "ui/SettingsPage.h"
#include "win/Util.h"
#include <shellapi.h>

namespace {

const char* kEnableFailed =
    "Quillrest has failed to enable the ad blocking system.  Your version of Internet Explorer might be too old.  "
    "Nothing on your system has been changed. [%d]";
const char* kPacFileFailed =
    "There has been an error generating a system file which helps filter ads and popups.  Nothing on your system "
    "has been changed.";

// Takes the place of the block box's own text while a policy keeps ad blocking off.
const char* kNotAllowed =
    "Your administrator does not allow ad blocking on this computer, so it cannot be switched on here.";

const char* kNotWebAddress = "The block list address must begin with http:// or https://.";
const char* kListUpdatedTitle = "Block List Updated";
const char* kListNotUpdatedTitle = "Block List Not Updated";

std::string WithoutOuterBlanks(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void StartInstalledProgram(const std::string& path, const std::string& parameters)
{
    ShellExecuteA(nullptr, "open", path.c_str(), parameters.c_str(), "C:\\", SW_SHOWNORMAL);
}

ProgramStarter g_starter = StartInstalledProgram;

} // namespace

void OverrideProgramStarterForTest(ProgramStarter starter)
{
    g_starter = starter ? starter : StartInstalledProgram;
}

PageBlockAds::PageBlockAds() : win::PropertyPage(IDD_PAGE_BLOCKADS), port_(ReadAdBlockingPort())
{
}

bool PageBlockAds::OnInit()
{
    const bool result = PropertyPage::OnInit();
    const bool barred = !AdBlockingAllowed();
    if (barred) {
        SetItemText(IDC_BLOCKADS_BLOCK, kNotAllowed);
        EnableItem(IDC_BLOCKADS_BLOCK, false);
    }
    // Downloads switched off by policy: no list comes by hand either.
    EnableItem(IDC_BLOCKADS_UPDATE_NOW, download_ || !FixedByPolicy(kDownloadAdBlockInfo));
    ShowManagedControls(*this, {{IDC_BLOCKADS_DOWNLOAD, kDownloadAdBlockInfo}, {IDC_BLOCKADS_LIST_URL, kAdBlockListURL}},
                        barred);
    // The list download by hand stays: it writes only this user's own files.
    if (SheetReadOnly())
        for (int id : {IDC_BLOCKADS_BLOCK, IDC_BLOCKADS_HIDE_ERRORS})
            EnableItem(id, false);
    return result;
}

void PageBlockAds::LoadSettings()
{
    download_ = (SheetReadOnly() ? ProductDword(kDownloadAdBlockInfo, 0)
                                 : ProductDwordOrDefault(kDownloadAdBlockInfo, 0)) != 0;
    // Not allowed: shown off, and OK switches off what is still on.
    blockAds_ = AdBlockingAllowed() && IsAdBlockingActive();
    std::string debugger;
    ReadSettingString(QR_HKLM, kScriptDebuggerKey, kScriptDebuggerValue, debugger);
    hideErrors_ = lstrcmpiA(debugger.c_str(), "yes") == 0;
    listURL_ = ProductString(kAdBlockListURL);
}

void PageBlockAds::DoDataExchange(win::DataExchange& dx)
{
    dx.Check(IDC_BLOCKADS_BLOCK, blockAds_);
    dx.Check(IDC_BLOCKADS_DOWNLOAD, download_);
    dx.Check(IDC_BLOCKADS_HIDE_ERRORS, hideErrors_);
    dx.Text(IDC_BLOCKADS_LIST_URL, listURL_);
    if (dx.Saving()) {
        listURL_ = WithoutOuterBlanks(listURL_);
        if (!listURL_.empty() && !IsWebAddress(listURL_))
            dx.Fail(IDC_BLOCKADS_LIST_URL, kNotWebAddress);
    }
}

bool PageBlockAds::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_BLOCKADS_UPDATE_NOW && code == BN_CLICKED) {
        Traced("PageBlockAds::UpdateNow", [&] { UpdateNow(); });
        return true;
    }
    return PropertyPage::OnCommand(id, code, control);
}

// Downloads the list from the address in the box (the vendor's when it is
// empty) and says how it went; the address itself is saved with OK.
void PageBlockAds::UpdateNow()
{
    win::DataExchange dx(*this, true);
    DoDataExchange(dx);
    if (!dx.Ok())
        return;
    const std::string url = listURL_.empty() ? VendorLink(VendorPage::AdServerList) : listURL_;
    // The download keeps the sheet painted; nothing else may start meanwhile.
    HWND sheet = GetParent(hwnd_);
    EnableWindow(sheet, FALSE);
    const ListUpdate result = UpdateAdBlockInfoFrom(url);
    EnableWindow(sheet, TRUE);
    switch (result) {
    case ListUpdate::Updated:
        MessageBoxA(hwnd_, win::Format("The ad-server list from %s is now in use.", url.c_str()).c_str(),
                    kListUpdatedTitle, MB_OK | MB_ICONINFORMATION);
        break;
    case ListUpdate::DownloadFailed:
        MessageBoxA(hwnd_,
                    win::Format("The ad-server list could not be downloaded from %s.  The old list stays in use.",
                                url.c_str()).c_str(),
                    kListNotUpdatedTitle, MB_OK | MB_ICONEXCLAMATION);
        break;
    case ListUpdate::NoHostNames:
        MessageBoxA(hwnd_,
                    win::Format("The list at %s holds no host names.  The old list stays in use.", url.c_str()).c_str(),
                    kListNotUpdatedTitle, MB_OK | MB_ICONEXCLAMATION);
        break;
    case ListUpdate::NotSaved:
        MessageBoxA(hwnd_, "The new ad-server list could not be saved.  The old list stays in use.",
                    kListNotUpdatedTitle, MB_OK | MB_ICONEXCLAMATION);
        break;
    }
}

void PageBlockAds::OnApply()
{
    Traced("PageBlockAds::OnOK", [&] {
        if (SheetReadOnly())
            return;
        win::DataExchange dx(*this, true);
        DoDataExchange(dx);
        if (!FixedByPolicy(kDownloadAdBlockInfo))
            SetProductDword(kDownloadAdBlockInfo, download_ ? 1 : 0);
        SetProductDword(kAdBlockingProxyPort, port_);
        if (dx.Ok() && !FixedByPolicy(kAdBlockListURL))
            SetProductString(kAdBlockListURL, listURL_);
        WriteSettingString(QR_HKLM, kScriptDebuggerKey, kScriptDebuggerValue, hideErrors_ ? "yes" : "no", REG_SZ);

        if (blockAds_ == IsAdBlockingActive())
            return;
        if (!blockAds_) {
            RestorePreviousProxyConfig(hwnd_, true);
            return;
        }
        std::vector<std::string> names;
        EnumerateConnections(names);
        if (names.size() > 2) {
            ChooseBlockingConnectionsDlg choose;
            if (choose.Run(hwnd_, names) != IDOK)
                return;
        }
        EnableProxyAutoConfig(names);
        ShutdownRunningApps();
        g_starter(GetInstalledExePath(), "-silent");
    });
}

bool PageBlockAds::EnableProxyAutoConfig(std::vector<std::string> names)
{
    if (!AdBlockingAllowed()) {
        WriteLog("Ad blocking is not allowed by policy: not switching it on");
        return false;
    }
    for (const std::string& name : names) {
        WriteLog("EnableProxyAutoConfig for %s", name.c_str());
        ConnectionProxyConfig config(name);
        if (!GetCurrentSystemConfig(config)) {
            MessageBoxA(hwnd_, win::Format(kEnableFailed, 1).c_str(), "Error", MB_OK);
            WriteLog("########  Failed to GetCurrentSystemConfig in EnableProxyAutoConfig");
            return false;
        }
        if (!ArchiveConfigToRegistry(config, QR_HKLM, kProductKey, kPreviousProxyConfigSettings)) {
            MessageBoxA(hwnd_, win::Format(kEnableFailed, 2).c_str(), "Error", MB_OK);
            WriteLog("####### Failed to ArchiveConfigToRegistry in EnableProxyAutoConfig");
            return false;
        }
        if (!GenerateAndSavePACFile(config)) {
            WriteLog("####### Failed to generate PAC file");
            MessageBoxA(hwnd_, kPacFileFailed, "Error", MB_OK);
            return false;
        }
        config.AutoConfig = true;
        config.AutoConfigURL = GetPACFileURL(SanitizeConnectionName(name));
        if (!SetCurrentSystemConfig(config)) {
            WriteLog("######## Failed to SetCurrentSystemConfig in EnableProxyAutoConfig");
            MessageBoxA(hwnd_, win::Format(kEnableFailed, 3).c_str(), "Error", MB_OK);
            return false;
        }
    }
    return true;
}
