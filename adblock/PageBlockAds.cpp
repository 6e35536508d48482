// The Block Ads page: the switch, the list download choice and the browser's
// script-debugger option; switching on archives, writes the PAC files and restarts
// the resident program so that it serves them.
#include "adblock/PageBlockAds.h"
#include "adblock/AdBlock.h"
#include "adblock/ChooseBlockingConnectionsDlg.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "install/System.h"
#include "res/resource.h"
#include "win/Util.h"
#include <shellapi.h>

namespace {

const char* kEnableFailed =
    "Quillrest has failed to enable the ad blocking system.  Your version of Internet Explorer might be too old.  "
    "Nothing on your system has been changed. [%d]";
const char* kPacFileFailed =
    "There has been an error generating a system file which helps filter ads and popups.  Nothing on your system "
    "has been changed.";

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

void PageBlockAds::LoadSettings()
{
    download_ = ProductDwordOrDefault(kDownloadAdBlockInfo, 0) != 0;
    blockAds_ = IsAdBlockingActive();
    std::string debugger;
    ReadSettingString(QR_HKLM, kScriptDebuggerKey, kScriptDebuggerValue, debugger);
    hideErrors_ = lstrcmpiA(debugger.c_str(), "yes") == 0;
}

void PageBlockAds::DoDataExchange(win::DataExchange& dx)
{
    dx.Check(IDC_BLOCKADS_BLOCK, blockAds_);
    dx.Check(IDC_BLOCKADS_DOWNLOAD, download_);
    dx.Check(IDC_BLOCKADS_HIDE_ERRORS, hideErrors_);
}

void PageBlockAds::OnApply()
{
    Traced("PageBlockAds::OnOK", [&] {
        win::DataExchange dx(*this, true);
        DoDataExchange(dx);
        SetProductDword(kDownloadAdBlockInfo, download_ ? 1 : 0);
        SetProductDword(kAdBlockingProxyPort, port_);
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
