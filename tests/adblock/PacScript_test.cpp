// PAC scripts: the text byte for byte, the list forms, rejected entries, the
// earlier settings, the list file and its download, and a real PAC engine's verdicts.
#include "FakeProxyPlatform.h"
#include "PacEngine.h"
#include "TestSupport.h"
#include "adblock/PacScript.h"
#include "adblock/PageBlockAds.h"
#include "app/RegNames.h"
#include "win/Util.h"

using namespace qrtest;

namespace {

const ConnectionProxyConfig kDirect(kLanConnection);

std::vector<std::string> Keys(const std::map<std::string, std::string>& verdicts)
{
    std::vector<std::string> keys;
    for (const auto& v : verdicts)
        keys.push_back(v.first);
    return keys;
}

size_t Occurrences(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(PacScriptTest, WorkedExampleByteForByteInEveryListForm)
{
    const std::string expected = "function FindProxyForURL(url,host)\r\n"
                                 "{\r\n"
                                 "\tif(\r\n"
                                 "\t\tshExpMatch(host, \"*.ads.example\")  || \r\n"
                                 "\t\tshExpMatch(host, \"pop.example\") \r\n"
                                 "\t)\r\n"
                                 "\treturn \"PROXY 127.0.0.1:8181\";\r\n"
                                 "\r\n"
                                 "\t else\r\n"
                                 "\t{\r\n"
                                 " return \"DIRECT\"; \r\n"
                                 "\t}\r\n"
                                 "}\r\n";
    for (const char* list : {"ads.example\r\n+pop.example\r\n", "ads.example\n+pop.example", "\r\n\r\nads.example\r\n\r\n\n+pop.example\r\n\r\n"}) {
        EXPECT_EQ(expected, BuildPacScript(list, kDirect, 8181, nullptr, nullptr)) << list;
    }
}

TEST(PacScriptTest, OnlyHostNamesGetIntoTheScript)
{
    std::vector<std::string> rejected;
    const std::string script = BuildPacScript(
        "good-1.example\r\nx.example\"); alert(1); //\r\nback\\slash\r\n*.star.example\r\nwith blank\r\n+\r\n"
        "+Exact.example\r\nunder_score.example\r\n+*\r\n",
        kDirect, 8181, nullptr, &rejected);
    EXPECT_EQ(2u, Occurrences(script, "shExpMatch"));
    EXPECT_NE(std::string::npos, script.find("shExpMatch(host, \"*.good-1.example\")  || \r\n"));
    EXPECT_NE(std::string::npos, script.find("shExpMatch(host, \"Exact.example\") \r\n"));
    const std::vector<std::string> expected = {"x.example\"); alert(1); //", "back\\slash", "*.star.example",
                                               "with blank", "+", "under_score.example", "+*"};
    EXPECT_EQ(expected, rejected);
}

TEST(PacScriptTest, OtherHostsGoTheWayTheConnectionWentBefore)
{
    ConnectionProxyConfig proxy(kLanConnection);
    proxy.UseProxy = true;
    proxy.ProxyHost = "proxy.example";
    EXPECT_NE(std::string::npos,
              BuildPacScript("a.example", proxy, 8181, nullptr, nullptr).find("\r\n\t{\r\n return \"PROXY proxy.example:80\";\r\n\t}"));
    EXPECT_NE(std::string::npos,
              BuildPacScript("a.example", kDirect, 81, nullptr, nullptr).find("\treturn \"PROXY 127.0.0.1:81\";\r\n"));

    // An earlier script keeps its logic under a new name and comes first; its
    // longer names that begin with FindProxyForURL are renamed too.
    std::string earlier;
    ASSERT_TRUE(RewriteEarlierScript("function FindProxyForURL(u, h) { return FindProxyForURLEx(u, h); }", earlier));
    EXPECT_EQ("function IndirectFindProxyForURL(u, h) { return IndirectFindProxyForURLEx(u, h); }", earlier);
    EXPECT_FALSE(RewriteEarlierScript("function Other(u, h) {}", earlier));
    const std::string script = BuildPacScript("a.example", proxy, 8181, &earlier, nullptr);
    EXPECT_EQ(0u, script.find(earlier + "\r\n\r\nfunction FindProxyForURL(url,host)\r\n"));
    EXPECT_NE(std::string::npos, script.find("\t{\r\nreturn IndirectFindProxyForURL(url, host);\r\n\t}\r\n}\r\n"));
    EXPECT_EQ(std::string::npos, script.find("proxy.example"));
}

class PacFilesTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        DeleteFileA(listPath_.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(listPath_.c_str());
        DeleteFileA(lanPacPath_.c_str());
        RemoveTree(folder_);
        ProductTest::TearDown();
    }
    // The engine's verdicts on `script`, one per URL.
    std::map<std::string, std::string> Evaluated(const std::string& script, const std::vector<std::string>& urls)
    {
        const std::string path = win::PathJoin(folder_, "eval.pac");
        WriteFileText(path, script);
        return EvaluatePac(path, urls);
    }

    PageBlockAds page_;
    FakeProxyPlatform platform_;
    ScopedProxyPlatform seam_{platform_};
    const std::string listPath_ = page_.GetAdServerListPath();
    const std::string lanPacPath_ = win::PathJoin(win::SystemDirectory(), "QuillrestAdBlocker_(Default-LAN).pac");
    const std::string folder_ = MakeTempFolder("qrpac");
};

TEST_F(PacFilesTest, ListFileElseTheDefaultList)
{
    std::string defaultList;
    ASSERT_TRUE(win::ReadWholeFile(SourcePath("res/default-ad-servers.txt"), defaultList));
    const std::string fromDefault = BuildPacScript(defaultList, kDirect, 8181, nullptr, nullptr);
    EXPECT_EQ(399u, Occurrences(fromDefault, "shExpMatch(host, \"*."));
    EXPECT_EQ(fromDefault, page_.GetPACFileContents(kDirect));
    // Empty, or nothing but line breaks (which would make an "if" without a condition).
    for (const char* unusable : {"", "\r\n\r\n"}) {
        WriteFileText(listPath_, unusable);
        EXPECT_EQ(fromDefault, page_.GetPACFileContents(kDirect));
    }
    WriteFileText(listPath_, "ads.example\n+pop.example\nbad\"entry\n");
    EXPECT_EQ(BuildPacScript("ads.example\r\n+pop.example", kDirect, 8181, nullptr, nullptr),
              page_.GetPACFileContents(kDirect));
    EXPECT_TRUE(LogHas("Skipping ad-server list entry that is not a host name: bad\"entry"));
}

TEST_F(PacFilesTest, PacEngineFollowsTheScripts)
{
    VendorSite site;
    ASSERT_TRUE(site.Running());
    site.Put("old.pac", "function FindProxyForURL(url, host) { return \"PROXY old.example:3128\"; }");
    site.Put("nothing.pac", "function Other(url, host) { return \"DIRECT\"; }");
    WriteFileText(listPath_, "ads.example\r\n+pop.example\r\n");

    ConnectionProxyConfig earlier(kLanConnection);
    earlier.AutoConfig = true;
    earlier.UseProxy = true;
    earlier.ProxyHost = "proxy.example";
    earlier.ProxyPort = 8080;
    earlier.AutoConfigURL = site.Url("old.pac");
    const std::string indirect = page_.GetPACFileContents(earlier);
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    EXPECT_FALSE(win::FileExists(win::PathJoin(temp, "~qrpac.tmp")));
    for (const char* unusable : {"missing.pac", "nothing.pac"}) {
        earlier.AutoConfigURL = site.Url(unusable);
        EXPECT_NE(std::string::npos, page_.GetPACFileContents(earlier).find(" return \"PROXY proxy.example:8080\";"));
    }

    const std::map<std::string, std::string> direct = {
        {"http://x.ads.example/banner.gif", "PROXY 127.0.0.1:8181"},
        {"http://a.b.ads.example/", "PROXY 127.0.0.1:8181"},
        {"http://ads.example/", "DIRECT"},                 // a plain entry blocks its subdomains only
        {"http://pop.example/", "PROXY 127.0.0.1:8181"},   // a "+" entry blocks exactly its name
        {"http://www.pop.example/", "DIRECT"},
        {"http://news.example/", "DIRECT"},
    };
    EXPECT_EQ(direct, Evaluated(page_.GetPACFileContents(kDirect), Keys(direct)));
    const std::map<std::string, std::string> throughEarlier = {
        {"http://news.example/", "PROXY old.example:3128"}, {"http://x.ads.example/", "PROXY 127.0.0.1:8181"}};
    EXPECT_EQ(throughEarlier, Evaluated(indirect, Keys(throughEarlier)));

    DeleteFileA(listPath_.c_str());
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockingProxyPort, 81);
    const std::map<std::string, std::string> defaultListOnPort81 = {
        {"http://ib.adnxs.com/x", "PROXY 127.0.0.1:81"}, {"http://www.example.org/", "DIRECT"}};
    EXPECT_EQ(defaultListOnPort81, Evaluated(PageBlockAds().GetPACFileContents(kDirect), Keys(defaultListOnPort81)));
}

TEST_F(PacFilesTest, DownloadedListReplacesTheOldOneOnlyWithHostNames)
{
    VendorSite site;
    ASSERT_TRUE(site.Running());
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockInfoURL, site.Url("list.txt"));
    ConnectionProxyConfig lan(kLanConnection);
    ASSERT_TRUE(ArchiveConfigToRegistry(lan, HKEY_LOCAL_MACHINE, kProductKey, kPreviousProxyConfigSettings));
    WriteFileText(listPath_, "old.example\r\n");

    site.Put("list.txt", "+fresh.example\r\nnew.example\r\n");
    EXPECT_TRUE(page_.UpdateAdBlockInfo());
    std::string text;
    win::ReadWholeFile(listPath_, text);
    EXPECT_EQ("+fresh.example\r\nnew.example\r\n", text);
    EXPECT_LE(win::UnixTimeNow() - GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLastAdBlockInfoCheck), 60u);
    win::ReadWholeFile(lanPacPath_, text);
    EXPECT_EQ(BuildPacScript("+fresh.example\r\nnew.example", lan, 8181, nullptr, nullptr), text);

    // An error page, or no page at all: the list and the time of the last check stay.
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLastAdBlockInfoCheck, 5);
    site.Put("list.txt", "<html><body>Sorry</body></html>\r\n");
    EXPECT_FALSE(page_.UpdateAdBlockInfo());
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockInfoURL, site.Url("missing.txt"));
    EXPECT_FALSE(page_.UpdateAdBlockInfo());
    win::ReadWholeFile(listPath_, text);
    EXPECT_EQ("+fresh.example\r\nnew.example\r\n", text);
    EXPECT_EQ(5u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLastAdBlockInfoCheck));
}

} // namespace
