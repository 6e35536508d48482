// Per-connection proxy settings: the archive format, file-name sanitizing, the
// connection list and the proxy strings, through the stand-in for RAS and WinINet.
#include "FakeProxyPlatform.h"
#include "TestSupport.h"
#include "adblock/ProxyConfig.h"
#include "app/RegNames.h"

using namespace qrtest;

namespace {

class ProxyConfigTest : public ProductTest {
protected:
    FakeProxyPlatform platform_;
    ScopedProxyPlatform seam_{platform_};
};

TEST_F(ProxyConfigTest, ArchiveRoundTripKeepsEveryLineNonEmpty)
{
    ConnectionProxyConfig plain("My ISP: fast");
    ASSERT_TRUE(ArchiveConfigToRegistry(plain, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings));
    EXPECT_EQ(" ", plain.AutoConfigURL);
    EXPECT_EQ("0\n0\n \n0\n \n80\nMy ISP: fast",
              ReadString(HKEY_LOCAL_MACHINE, kProductKey, "PreviousProxyConfigSettings - My ISP: fast"));
    ConnectionProxyConfig back("My ISP: fast");
    ASSERT_TRUE(ReadArchivedConfig(back, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings));
    EXPECT_EQ(" ", back.AutoConfigURL);
    EXPECT_EQ(" ", back.ProxyHost);
    EXPECT_EQ(80, back.ProxyPort);

    ConnectionProxyConfig full(kLanConnection);
    full.AutoDetect = full.AutoConfig = full.UseProxy = true;
    full.AutoConfigURL = "http://wpad.example/proxy.pac";
    full.ProxyHost = "proxy.example";
    full.ProxyPort = 3128;
    ASSERT_TRUE(ArchiveConfigToRegistry(full, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings));
    ConnectionProxyConfig read(kLanConnection);
    ASSERT_TRUE(ReadArchivedConfig(read, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings));
    EXPECT_EQ(ArchivedConfigText(full), ArchivedConfigText(read));
    EXPECT_TRUE(read.AutoDetect && read.AutoConfig && read.UseProxy);

    ConnectionProxyConfig none("Never archived");
    EXPECT_FALSE(ReadArchivedConfig(none, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings));
    // Runs of line feeds count as one; fewer than six lines is no archive, but what was there is kept.
    ConnectionProxyConfig parsed;
    EXPECT_TRUE(ParseArchivedConfig("1\n\n0\nurl\n\n1\nhost\n81", parsed));
    EXPECT_EQ("1\n0\nurl\n1\nhost\n81\n", ArchivedConfigText(parsed));
    ConnectionProxyConfig shortOne;
    EXPECT_FALSE(ParseArchivedConfig("0\n1\nhttp://x/p.pac\n1\nhost", shortOne));
    EXPECT_EQ("http://x/p.pac", shortOne.AutoConfigURL);
    EXPECT_EQ("host", shortOne.ProxyHost);
}

TEST(ConnectionNames, SanitizedForFileNamesByCharacter)
{
    EXPECT_EQ("My_ISP__fast", SanitizeConnectionName("My ISP: fast"));
    EXPECT_EQ("(Default-LAN)", SanitizeConnectionName(kLanConnection));
    EXPECT_EQ("a_b_c_d_e_f_g_h", SanitizeConnectionName("a<b>c\"d\\e/f|g h"));
    // Shift-JIS: the second byte of 0x95 0x5C is not a backslash.
    EXPECT_EQ("Dial_\x95\x5C_1", SanitizeConnectionName("Dial \x95\x5C\\1", 932));
}

TEST_F(ProxyConfigTest, ConnectionsArePhoneBookEntriesThenTheLan)
{
    std::vector<std::string> names;
    EXPECT_TRUE(EnumerateConnections(names));
    EXPECT_EQ(std::vector<std::string>{kLanConnection}, names);
    platform_.phoneBook = {"Zeta Dial", "Alpha Dial"};
    EXPECT_TRUE(EnumerateConnections(names));
    EXPECT_EQ((std::vector<std::string>{"Zeta Dial", "Alpha Dial", kLanConnection}), names);
    EXPECT_TRUE(LogHas("Found connection Alpha Dial"));
    platform_.failEnumeration = true;
    EXPECT_FALSE(EnumerateConnections(names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(LogHas("Failed to RasEnumEntries"));
}

TEST_F(ProxyConfigTest, ProxyStringsAndFlagsThroughWinInet)
{
    struct Case {
        const char* server;
        DWORD flags;
        const char* host;
        int port;
    } cases[] = {
        {"proxy.example:81", PROXY_TYPE_PROXY | PROXY_TYPE_DIRECT, "proxy.example", 81},
        {"proxy.example", PROXY_TYPE_PROXY, "proxy.example", 80},
        {"http=a.example:8080;https=b.example:8443", PROXY_TYPE_PROXY, "http=a.example", 8080},
        {"", PROXY_TYPE_DIRECT, "", 80},
    };
    for (const Case& c : cases) {
        platform_.Of("Dial").server = c.server;
        platform_.Of("Dial").flags = c.flags;
        ConnectionProxyConfig read("Dial");
        ASSERT_TRUE(GetCurrentSystemConfig(read));
        EXPECT_EQ(c.host, read.ProxyHost);
        EXPECT_EQ(c.port, read.ProxyPort);
        EXPECT_EQ((c.flags & PROXY_TYPE_PROXY) != 0, read.UseProxy);
    }
    platform_.Of(kLanConnection) = {"http://wpad.example/p.pac", PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_AUTO_DETECT, ""};
    ConnectionProxyConfig lan(kLanConnection);
    ASSERT_TRUE(GetCurrentSystemConfig(lan));
    EXPECT_TRUE(lan.AutoConfig && lan.AutoDetect && !lan.UseProxy);
    EXPECT_EQ("http://wpad.example/p.pac", lan.AutoConfigURL);

    // An archived direct connection goes back with its one-blank host and the proxy flag as read.
    ConnectionProxyConfig archived(kLanConnection);
    ASSERT_TRUE(ParseArchivedConfig("0\n0\n \n1\n \n80\n(Default-LAN)", archived));
    ASSERT_TRUE(SetCurrentSystemConfig(archived));
    EXPECT_EQ(" :80", platform_.Of(kLanConnection).server);
    EXPECT_EQ(" ", platform_.Of(kLanConnection).url);
    EXPECT_EQ(static_cast<DWORD>(PROXY_TYPE_PROXY), platform_.Of(kLanConnection).flags);
    EXPECT_EQ(1, platform_.refreshes);

    platform_.failQuery = true;
    ConnectionProxyConfig refused("Dial");
    EXPECT_FALSE(GetCurrentSystemConfig(refused));
    EXPECT_EQ("", refused.ProxyHost);
}

} // namespace
