// The resident instance under an administrator's policy: the launch delay, the log
// and the boot report at the start of a boot, and ad blocking that is not allowed.
#include "LaunchFixture.h"
#include "adblock/AdBlock.h"
#include "adblock/FakeProxyPlatform.h"
#include "adblock/PacScript.h"
#include "adblock/PageBlockAds.h"
#include "app/Policy.h"
#include "app/Settings.h"
#include "launch/BootDlg.h"
#include "launch/BootReport.h"
#include "res/resource.h"

using namespace qrtest;

namespace {

class BootPolicyTest : public BootFixture {
protected:
    BootPolicyTest() : BootFixture("qrpolicy", "starts.txt", 5) {}
    void TearDown() override
    {
        BootFixture::TearDown();
        DeleteFileA(BootReportPath().c_str());
    }
};

TEST_F(BootPolicyTest, APolicyDelayPacesTheBootAndTheLogAndReportSayWhatIsInForce)
{
    DeleteFileA(BootReportPath().c_str());
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 8);
    SetPolicy(kDelaySeconds, 3);
    for (const char* name : {"QrTestFirst", "QrTestSecond"})
        SetString(HKEY_CURRENT_USER, kRunKey, name, ProbeCommand(name));
    SetProductString(kSortingOrder, "QrTestFirst\1QrTestSecond\1");
    StartProduct("-noinstall -hklm");
    ASSERT_TRUE(WaitVisible(kPatienceMs));
    HWND progress = GetDlgItem(BootWindow(), IDC_BOOT_PROGRESS);
    DWORD_PTR range = 100;
    EXPECT_TRUE(WaitFor([&] {
        return SendMessageTimeoutA(progress, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 5000, &range) && range != 100;
    }, kPatienceMs));
    EXPECT_EQ(3u * 3u, range) << "(2 programs + 1) times the policy's 3 seconds";
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    std::vector<ProbeStart> starts;
    ASSERT_TRUE(WaitFor([&] { return (starts = ReadProbeStarts(out_)).size() >= 2; }, kPatienceMs));
    EXPECT_GE(qrtool::Seconds(starts[0].created, starts[1].created), 2.5);

    EXPECT_TRUE(LogHas("Policies in force: DelaySeconds=3"));
    ASSERT_TRUE(WaitFor([] { return LogCount("Boot report: 2 programs") > 0; }, kPatienceMs));
    std::vector<BootRecord> boots;
    ASSERT_EQ(ReportState::Loaded, LoadBootReport(BootReportPath(), boots));
    ASSERT_EQ(1u, boots.size());
    EXPECT_EQ(std::vector<std::string>{"DelaySeconds=3"}, boots[0].policies);
}

constexpr UINT kEndTest = WM_APP + 7;

// The resident instance's boot window in this process, where it meets the stand-in
// for RAS and WinINet; it ends once its start has run.
class ResidentWindow : public QuillrestDlg {
public:
    ResidentWindow() : QuillrestDlg(nullptr) { SetSilent(true); }

protected:
    bool OnInit() override
    {
        const bool result = QuillrestDlg::OnInit();
        PostMessageA(Handle(), kEndTest, 0, 0);
        return result;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message != kEndTest)
            return QuillrestDlg::OnMessage(message, wParam, lParam, result);
        End(IDOK);
        return true;
    }
};

TEST_F(BootPolicyTest, AdBlockingNotAllowedIsSwitchedOffAtStartWithTheEarlierSettingsBack)
{
    FakeProxyPlatform platform;
    ScopedProxyPlatform seam(platform);
    platform.phoneBook = {"My ISP"};
    const FakeProxyPlatform::Settings lan = {"http://wpad.corp.example/proxy.pac",
                                             PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_PROXY, "proxy.corp.example:3128"};
    const FakeProxyPlatform::Settings isp = {"http://isp.example/isp.pac", PROXY_TYPE_AUTO_DETECT | PROXY_TYPE_PROXY,
                                             "cache.isp.example:8080"};
    platform.Of(kLanConnection) = lan;
    platform.Of("My ISP") = isp;
    PageBlockAds page;
    ASSERT_TRUE(page.EnableProxyAutoConfig({"My ISP", kLanConnection}));
    ASSERT_TRUE(IsAdBlockingActive());

    SetPolicy(kAllowAdBlocking, 0);
    EXPECT_FALSE(page.EnableProxyAutoConfig({"My ISP"}));
    ResidentWindow().DoModal();

    for (const auto& connection : {std::make_pair(kLanConnection, lan), std::make_pair("My ISP", isp)}) {
        const FakeProxyPlatform::Settings& now = platform.Of(connection.first);
        EXPECT_EQ(connection.second.url + "|" + connection.second.server, now.url + "|" + now.server);
        EXPECT_EQ(connection.second.flags, now.flags);
    }
    EXPECT_TRUE(LogHas("Ad blocking is not allowed by policy: not switching it on"));
    EXPECT_TRUE(LogHas("Ad blocking is not allowed by policy: switching it off"));
    EXPECT_TRUE(LogHas("Ad blocking switched off: the connections have their earlier proxy settings again"));
    EXPECT_EQ(0u, LogCount("!!!!!!!!!! Starting http server"));
    for (const char* name : {"(Default-LAN)", "My_ISP"})
        DeleteFileA(win::PathJoin(win::SystemDirectory(), PacFileName(name)).c_str());
}

} // namespace
