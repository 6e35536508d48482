// The ad-blocking switch end to end through the stand-in for RAS and WinINet:
// on and off, the Block Ads page with the Select Blocking dialog, every failure message.
#include "FakeProxyPlatform.h"
#include "TestSupport.h"
#include "adblock/AdBlock.h"
#include "adblock/PacScript.h"
#include "adblock/PageBlockAds.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "update/VendorSite.h"
#include "res/resource.h"
#include "win/Util.h"
#include <thread>

using namespace qrtest;

namespace {

std::string g_started;

void RecordStart(const std::string& path, const std::string& parameters)
{
    g_started = path + " " + parameters;
}

class AdBlockSwitchTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        DeleteFileA(PageBlockAds().GetAdServerListPath().c_str());
        g_started.clear();
        OverrideProgramStarterForTest(RecordStart);
    }
    void TearDown() override
    {
        OverrideProgramStarterForTest(nullptr);
        for (const char* name : {"(Default-LAN)", "My_ISP", "Alpha_Dial", "Zeta_Dial", "Blocked"})
            DeleteFileA(PacPath(name).c_str());
        ProductTest::TearDown();
    }
    static std::string PacPath(const std::string& sanitized)
    {
        return win::PathJoin(win::SystemDirectory(), PacFileName(sanitized));
    }
    bool PointsAtOurPac(const std::string& connection, const std::string& sanitized)
    {
        const FakeProxyPlatform::Settings& s = platform_.Of(connection);
        return (s.flags & PROXY_TYPE_AUTO_PROXY_URL) && s.url == PacFileURL(sanitized, 8181);
    }

    FakeProxyPlatform platform_;
    ScopedProxyPlatform seam_{platform_};
};

TEST_F(AdBlockSwitchTest, OnAndOffThroughTheSeam)
{
    platform_.phoneBook = {"My ISP"};
    platform_.Of(kLanConnection) = {"", PROXY_TYPE_PROXY, "proxy.example:8080"};
    EXPECT_FALSE(IsAdBlockingActive());

    PageBlockAds page;
    ASSERT_TRUE(page.EnableProxyAutoConfig({"My ISP", kLanConnection}));
    EXPECT_EQ("0\n0\n \n0\n \n80\nMy ISP",
              ReadString(HKEY_LOCAL_MACHINE, kProductKey, "PreviousProxyConfigSettings - My ISP"));
    EXPECT_TRUE(PointsAtOurPac("My ISP", "My_ISP"));
    EXPECT_EQ("http://127.0.0.1:8181/QuillrestAdBlocker_My_ISP.pac", platform_.Of("My ISP").url);
    EXPECT_TRUE(PointsAtOurPac(kLanConnection, "(Default-LAN)"));
    EXPECT_EQ("proxy.example:8080", platform_.Of(kLanConnection).server);
    std::string lanScript;
    ASSERT_TRUE(win::ReadWholeFile(PacPath("(Default-LAN)"), lanScript));
    EXPECT_NE(std::string::npos, lanScript.find(" return \"PROXY proxy.example:8080\";"));
    EXPECT_TRUE(win::FileExists(PacPath("My_ISP")));
    EXPECT_TRUE(IsAdBlockingActive());

    ASSERT_TRUE(RestorePreviousProxyConfig(nullptr, true));
    EXPECT_EQ(static_cast<DWORD>(PROXY_TYPE_PROXY), platform_.Of(kLanConnection).flags);
    EXPECT_EQ("proxy.example:8080", platform_.Of(kLanConnection).server);
    EXPECT_EQ(0u, platform_.Of("My ISP").flags);
    EXPECT_FALSE(IsAdBlockingActive());
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, "PreviousProxyConfigSettings - My ISP"));
}

TEST_F(AdBlockSwitchTest, BlockAdsPageAsksWhichConnectionsAndRestartsTheProgram)
{
    platform_.phoneBook = {"Zeta Dial", "Alpha Dial"};
    SetString(HKEY_LOCAL_MACHINE, kScriptDebuggerKey, kScriptDebuggerValue, "YES");
    std::vector<std::string> listed;
    std::vector<bool> ticked;
    bool hideStartedSet = false;
    std::thread user([&] {
        HWND sheet = WaitForWindow("Ad Test Sheet"), choose = nullptr;
        if (!sheet)
            return;
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        hideStartedSet = IsDlgButtonChecked(page, IDC_BLOCKADS_HIDE_ERRORS) == BST_CHECKED;
        SendDlgItemMessageA(page, IDC_BLOCKADS_BLOCK, BM_CLICK, 0, 0);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        if (!(choose = WaitForWindow("Select Blocking")))
            return;
        HWND list = GetDlgItem(choose, IDC_SELECT_BLOCKING_LIST);
        for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
            char text[300] = "";
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            listed.push_back(text);
            ticked.push_back(SendMessageA(list, LB_GETITEMDATA, i, 0) & 1);
        }
        SendMessageA(list, LB_SETCURSEL, 2, 0);
        SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
        PostMessageA(choose, WM_COMMAND, IDOK, 0);
    });
    PageBlockAds page;
    EXPECT_TRUE(win::RunPropertySheet(nullptr, "Ad Test Sheet", {&page}));
    user.join();

    EXPECT_TRUE(hideStartedSet);
    EXPECT_EQ((std::vector<std::string>{kLanConnection, "Alpha Dial", "Zeta Dial"}), listed);
    EXPECT_EQ((std::vector<bool>{true, true, true}), ticked);
    EXPECT_TRUE(PointsAtOurPac(kLanConnection, "(Default-LAN)"));
    EXPECT_TRUE(PointsAtOurPac("Alpha Dial", "Alpha_Dial"));
    EXPECT_EQ(static_cast<DWORD>(PROXY_TYPE_DIRECT), platform_.Of("Zeta Dial").flags);
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, "PreviousProxyConfigSettings - Zeta Dial"));
    EXPECT_EQ(GetInstalledExePath() + " -silent", g_started);
    EXPECT_EQ(0u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kDownloadAdBlockInfo));
    EXPECT_EQ(8181u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockingProxyPort));
    EXPECT_EQ("yes", ReadString(HKEY_LOCAL_MACHINE, kScriptDebuggerKey, kScriptDebuggerValue));
}

TEST_F(AdBlockSwitchTest, UpdateNowDownloadsTheListInTheBoxOrSaysWhyNot)
{
    VendorSite site;
    ASSERT_TRUE(site.Running());
    site.Put("hosts.txt", "# My list\n0.0.0.0 banner.example\n");
    site.Put("comments.txt", "# nothing here yet\n");
    const std::string listPath = PageBlockAds().GetAdServerListPath();
    const std::string oldList = "old.example\r\n";
    WriteFileText(listPath, oldList);
    ConnectionProxyConfig lan(kLanConnection);
    ASSERT_TRUE(ArchiveConfigToRegistry(lan, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings));
    const std::string kept = ".  The old list stays in use.";
    const struct {
        std::string address;
        const char* title;
        std::string message;
        std::string list;
    } steps[] = {
        {"ftp://list.example/x", "Ad Test Sheet", "The block list address must begin with http:// or https://.", oldList},
        {site.Url("missing.txt"), "Block List Not Updated",
         "The ad-server list could not be downloaded from " + site.Url("missing.txt") + kept, oldList},
        {site.Url("comments.txt"), "Block List Not Updated",
         "The list at " + site.Url("comments.txt") + " holds no host names" + kept, oldList},
        {" " + site.Url("hosts.txt") + " ", "Block List Updated",
         "The ad-server list from " + site.Url("hosts.txt") + " is now in use.", "# My list\n0.0.0.0 banner.example\n"},
    };
    std::vector<std::string> shown, lists;
    std::thread user([&] {
        HWND sheet = WaitForWindow("Ad Test Sheet");
        if (!sheet)
            return;
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        for (const auto& step : steps) {
            SetDlgItemTextA(page, IDC_BLOCKADS_LIST_URL, step.address.c_str());
            DialogAnswerer answer(step.title, IDOK, kPatienceMs, true);
            PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_BLOCKADS_UPDATE_NOW, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_BLOCKADS_UPDATE_NOW)));
            shown.push_back(answer.Text());
            std::string list;
            win::ReadWholeFile(listPath, list);
            lists.push_back(list);
        }
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    PageBlockAds page;
    EXPECT_TRUE(win::RunPropertySheet(nullptr, "Ad Test Sheet", {&page}));
    user.join();

    ASSERT_EQ(4u, shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(steps[i].message, shown[i]);
        EXPECT_EQ(steps[i].list, lists[i]) << steps[i].address;
    }
    EXPECT_EQ(site.Url("hosts.txt"), ReadString(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockListURL));
    std::string lanScript;
    ASSERT_TRUE(win::ReadWholeFile(PacPath("(Default-LAN)"), lanScript));
    EXPECT_NE(std::string::npos, lanScript.find("shExpMatch(host, \"banner.example\")"));
}

TEST_F(AdBlockSwitchTest, EveryFailureShowsItsMessage)
{
    const std::string enableFailed = "Quillrest has failed to enable the ad blocking system.  Your version of Internet "
                                     "Explorer might be too old.  Nothing on your system has been changed. ";
    const std::string blockedDir = PacPath("Blocked");
    CreateDirectoryA(blockedDir.c_str(), nullptr);
    struct Case {
        std::string connection;
        bool failQuery, failSet;
        std::string message;
        const char* logged;
    } cases[] = {
        {"Dial", true, false, enableFailed + "[1]", "########  Failed to GetCurrentSystemConfig in EnableProxyAutoConfig"},
        // Longer than any registry value name may be.
        {std::string(17000, 'n'), false, false, enableFailed + "[2]", "####### Failed to ArchiveConfigToRegistry in EnableProxyAutoConfig"},
        {"Blocked", false, false, "There has been an error generating a system file which helps filter ads and popups.  "
                                  "Nothing on your system has been changed.", "####### Failed to generate PAC file"},
        {"Dial", false, true, enableFailed + "[3]", "######## Failed to SetCurrentSystemConfig in EnableProxyAutoConfig"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        platform_.failQuery = c.failQuery;
        platform_.failSet = c.failSet;
        DialogAnswerer answer("Error", IDOK, kPatienceMs, true);
        EXPECT_FALSE(PageBlockAds().EnableProxyAutoConfig({c.connection, kLanConnection}));
        EXPECT_EQ(c.message, answer.Text());
        EXPECT_TRUE(LogHas(c.logged));
        EXPECT_FALSE(platform_.Has(kLanConnection));    // the later connection was not touched
    }
    RemoveDirectoryA(blockedDir.c_str());

    // Switching off stops at the first connection that cannot be set, and names it.
    platform_.phoneBook = {"Dial"};
    platform_.failSet = true;
    for (const char* name : {"Dial", kLanConnection}) {
        ConnectionProxyConfig archived(name);
        ArchiveConfigToRegistry(archived, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings);
    }
    DialogAnswerer answer("Error", IDOK, kPatienceMs, true);
    EXPECT_FALSE(RestorePreviousProxyConfig(nullptr, true));
    EXPECT_EQ("Your computer won't allow Quillrest to restore the previous proxy settings for the 'Dial' connection in "
              "Internet Explorer.  You can do it manually by clicking Tools->Options->Connections and then either the "
              "Settings button or the LAN Settings button.",
              answer.Text());
    EXPECT_TRUE(LogHas("########### SetCurrentSystemConfig failed"));
}

} // namespace
