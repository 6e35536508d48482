// PAC scripts: the text byte for byte, the list formats, rejected entries, the
// earlier settings, the list file and its download, and a real PAC engine's
// verdicts on both forms of the script.
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

TEST(PacScriptTest, HostsFileLinesBlockTheirNamesAndTheHostsBelow)
{
    // Each list beside the same list in today's format.
    const struct {
        const char* hosts;
        const char* today;
    } cases[] = {
        {"0.0.0.0 ads.example\r\n127.0.0.1\tpop.example\r\n", "ads.example\r\n+ads.example\r\npop.example\r\n+pop.example"},
        {"# Blocked hosts\n127.0.0.1 localhost\n0.0.0.0 0.0.0.0\n  0.0.0.0 \t  ads.example   # banners\n#0.0.0.0 off.example\n",
         "ads.example\n+ads.example"},
        {"0.0.0.0 a.example b.example\nplain.example\n+exact.example",
         "a.example\n+a.example\nb.example\n+b.example\nplain.example\n+exact.example"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildPacScript(c.today, kDirect, 8181, nullptr, nullptr),
                  BuildPacScript(c.hosts, kDirect, 8181, nullptr, nullptr)) << c.hosts;
    }

    std::vector<std::string> rejected;
    EXPECT_EQ(std::vector<std::string>{"+ok.example"},
              ReadAdServerList("0.0.0.0 bad_name.example\n0.0.0.0 +plus.example\n::1 localhost\n+ok.example\n", &rejected));
    EXPECT_EQ((std::vector<std::string>{"bad_name.example", "+plus.example", "::1 localhost"}), rejected);
}

TEST(PacScriptTest, ListsOfMoreThanAThousandEntriesGetTheLookupForm)
{
    std::string list;
    for (int i = 0; i < 1000; ++i)
        list += win::Format("n%d.example\r\n", i);
    EXPECT_EQ(1000u, Occurrences(BuildPacScript(list, kDirect, 8181, nullptr, nullptr), "shExpMatch"));
    EXPECT_EQ(0u, Occurrences(BuildPacScript(list + "+n1.example\r\n", kDirect, 8181, nullptr, nullptr), "shExpMatch"));
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

// Listed, sub-, bare, "+" and unlisted hosts, and names an object inherits.
TEST_F(PacFilesTest, BothFormsGiveTheEngineTheSameVerdicts)
{
    std::string defaultList;
    ASSERT_TRUE(win::ReadWholeFile(SourcePath("res/default-ad-servers.txt"), defaultList));
    // 100,000 entries: every tenth made-up name exact, and a hosts-file line.
    std::string large = "ads.example\r\n+pop.example\r\n0.0.0.0 hosts.example\r\n";
    for (int i = 0; i < 100000 - 4; ++i)
        large += win::Format("%sn%d.adnet%d.example\r\n", i % 10 ? "" : "+", i, i % 997);
    ConnectionProxyConfig proxy(kLanConnection);
    proxy.UseProxy = true;
    proxy.ProxyHost = "proxy.example";
    proxy.ProxyPort = 8080;
    const std::string blocked = "PROXY 127.0.0.1:8181";
    const struct {
        const std::string& list;
        const ConnectionProxyConfig& earlier;
        size_t entries;
        std::map<std::string, std::string> verdicts;
    } cases[] = {
        {defaultList, kDirect, 399,
         {{"http://img.33across.com/x.gif", blocked}, {"https://a.b.adnxs.com/", blocked}, {"http://33across.com/", "DIRECT"},
          {"http://not33across.com/", "DIRECT"}, {"http://33across.com.site.example/", "DIRECT"},
          {"http://constructor/", "DIRECT"}, {"http://www.example.org/", "DIRECT"}}},
        // Few hosts that no entry blocks: the condition form tests all 100,000 for each.
        {large, proxy, 100000,
         {{"http://x.ads.example/", blocked}, {"http://ads.example/", "PROXY proxy.example:8080"},
          {"http://pop.example/", blocked}, {"http://www.pop.example/", "PROXY proxy.example:8080"},
          {"http://hosts.example/", blocked}, {"http://a.b.hosts.example/", blocked},
          {"http://x.n5.adnet5.example/", blocked}, {"http://n99990.adnet290.example/", blocked},
          {"http://valueOf/", "PROXY proxy.example:8080"}, {"http://www.example.org/", "PROXY proxy.example:8080"}}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> entries = ReadAdServerList(c.list, nullptr);
        ASSERT_EQ(c.entries, entries.size());
        for (PacForm form : {PacForm::Conditions, PacForm::Lookup}) {
            SCOPED_TRACE(win::Format("%u entries, %s form", static_cast<unsigned>(c.entries),
                                     form == PacForm::Lookup ? "lookup" : "conditions"));
            EXPECT_EQ(c.verdicts, Evaluated(BuildPacScript(entries, form, c.earlier, 8181, nullptr), Keys(c.verdicts)));
        }
    }
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
    EXPECT_LE(win::UnixTimeNow() - GetDword(HKEY_LOCAL_MACHINE, kStateKey, kLastAdBlockInfoCheck), 60u);
    win::ReadWholeFile(lanPacPath_, text);
    EXPECT_EQ(BuildPacScript("+fresh.example\r\nnew.example", lan, 8181, nullptr, nullptr), text);

    // An error page, or no page at all: the list and the time of the last check stay.
    SetDword(HKEY_LOCAL_MACHINE, kStateKey, kLastAdBlockInfoCheck, 5);
    site.Put("list.txt", "<html><body>Sorry</body></html>\r\n");
    EXPECT_FALSE(page_.UpdateAdBlockInfo());
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockInfoURL, site.Url("missing.txt"));
    EXPECT_FALSE(page_.UpdateAdBlockInfo());
    win::ReadWholeFile(listPath_, text);
    EXPECT_EQ("+fresh.example\r\nnew.example\r\n", text);
    EXPECT_EQ(5u, GetDword(HKEY_LOCAL_MACHINE, kStateKey, kLastAdBlockInfoCheck));

    // The user's own list (here in the hosts-file format) instead of the
    // vendor's, when its address is a web address.
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockInfoURL, site.Url("list.txt"));
    site.Put("list.txt", "vendor.example\r\n");
    site.Put("own.txt", "0.0.0.0 own.example\n");
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockListURL, "HTTP" + site.Url("own.txt").substr(4));
    EXPECT_TRUE(page_.UpdateAdBlockInfo());
    win::ReadWholeFile(listPath_, text);
    EXPECT_EQ("0.0.0.0 own.example\n", text);
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kAdBlockListURL, "C:\\own.txt");
    EXPECT_TRUE(page_.UpdateAdBlockInfo());
    win::ReadWholeFile(listPath_, text);
    EXPECT_EQ("vendor.example\r\n", text);
    EXPECT_TRUE(LogHas("Not downloading the ad-server list from C:\\own.txt: not a web address"));
}

} // namespace
