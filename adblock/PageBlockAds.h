// The Block Ads page of the configuration sheet.  It also carries the ad-blocking
// port and the ad-blocking operations, so code outside the sheet (boot window,
// uninstaller) builds one without showing it.
#pragma once
#include "adblock/ProxyConfig.h"
#include "win/Dialog.h"
#include <string>
#include <vector>

class PageBlockAds : public win::PropertyPage {
public:
    PageBlockAds();    // reads the port
    const char* TraceName() const override { return "PageBlockAds"; }
    unsigned short Port() const { return port_; }

    // Ad-server list and PAC files (adblock/PacFiles.cpp)
    std::string GetAdServerListPath() const;
    std::string GetPACFileName(const std::string& sanitizedName) const;
    std::string GetPACFileURL(const std::string& sanitizedName) const;
    std::string GetProxyAddress() const;
    std::string GetPACFileContents(const ConnectionProxyConfig& earlier) const;
    bool GetIndirectPACScript(const std::string& url, std::string& script, std::string& elseBranch) const;
    bool GenerateAndSavePACFile(const ConnectionProxyConfig& earlier) const;
    void RegeneratePACFiles() const;
    // "AdBlockListURL" when it holds a web address, else the vendor's list.
    std::string GetAdServerListURL() const;
    bool UpdateAdBlockInfo() const;
    enum class ListUpdate { Updated, DownloadFailed, NoHostNames, NotSaved };
    // Downloads the list from `url`; anything but Updated keeps the old list.
    ListUpdate UpdateAdBlockInfoFrom(const std::string& url) const;

    // Switches ad blocking on for each named connection; stops at the first
    // failure with its message (connections already switched on stay on).
    bool EnableProxyAutoConfig(std::vector<std::string> names);

protected:
    bool OnInit() override;
    void LoadSettings() override;
    void DoDataExchange(win::DataExchange& dx) override;
    void OnApply() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void UpdateNow();

    bool blockAds_ = false;
    bool download_ = false;
    unsigned short port_;
    bool hideErrors_ = false;
    std::string listURL_;
};

// The installed program is started again with "-silent" after ad blocking was
// switched on.  Tests see the path and parameters instead.
using ProgramStarter = void (*)(const std::string& path, const std::string& parameters);
void OverrideProgramStarterForTest(ProgramStarter starter);
