// Browser cache and cookie cleaner over Wine's real URL cache.
#include "TestSupport.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/InetCache.h"
#include "win/Util.h"
#include <wininet.h>
#include <algorithm>

using namespace qrtest;

namespace {

const char* const kPage = "http://www.example.com/qrtest/page.html";
const char* const kOwnPage = "http://www.quillrest.com/qrtest/logo.gif";
const char* const kCookie = "Cookie:ann@example.com/";
const char* const kOwnCookie = "Cookie:ann@www.quillrest.com/";
const char* const kCompanyCookie = "Cookie:ann@hollowmere.net/";
const char* const kVisited = "Visited: ann@http://www.example.com/qrtest/page.html";

std::vector<std::string> CacheUrls()
{
    std::vector<std::string> urls;
    std::vector<DWORD> buffer(8192 / sizeof(DWORD));
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    DWORD size = 8192;
    HANDLE search = FindFirstUrlCacheEntryA(nullptr, entry, &size);
    if (!search)
        return urls;
    do {
        urls.push_back(entry->lpszSourceUrlName);
        size = 8192;
    } while (FindNextUrlCacheEntryA(search, entry, &size));
    FindCloseUrlCache(search);
    return urls;
}

bool InCache(const std::string& url)
{
    std::vector<std::string> urls = CacheUrls();
    return std::find(urls.begin(), urls.end(), url) != urls.end();
}

bool AddEntry(const char* url, DWORD type)
{
    char file[MAX_PATH] = "";
    if (!CreateUrlCacheEntryA(url, 0, "", file, 0))
        return false;
    WriteFileText(file, "cached");
    FILETIME none{};
    return CommitUrlCacheEntryA(url, file, none, none, type, nullptr, 0, nullptr, nullptr) != FALSE;
}

class InetCacheTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        EmptyCache();
    }
    void TearDown() override
    {
        EmptyCache();
        ProductTest::TearDown();
    }
    static void EmptyCache()
    {
        for (const std::string& url : CacheUrls())
            DeleteUrlCacheEntryA(url.c_str());
    }
    static void FillCache()
    {
        ASSERT_TRUE(AddEntry(kPage, NORMAL_CACHE_ENTRY));
        ASSERT_TRUE(AddEntry(kOwnPage, NORMAL_CACHE_ENTRY));
        ASSERT_TRUE(AddEntry(kCookie, COOKIE_CACHE_ENTRY));
        ASSERT_TRUE(AddEntry(kOwnCookie, COOKIE_CACHE_ENTRY));
        ASSERT_TRUE(AddEntry(kCompanyCookie, COOKIE_CACHE_ENTRY));
        ASSERT_TRUE(AddEntry(kVisited, URLHISTORY_CACHE_ENTRY));
        ASSERT_EQ(6u, CacheUrls().size());
    }
};

TEST_F(InetCacheTest, SwitchedOffDoesNothingAndCreatesNoValue)
{
    FillCache();
    ClearInternetCache();
    DeleteInternetCookies();
    EXPECT_EQ(6u, CacheUrls().size());
    EXPECT_TRUE(LogMessages().empty());
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kClearInetCache));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kDeleteCookies));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kKeepQRCookie));
}

TEST_F(InetCacheTest, CacheCleaningSparesCookiesAndHistory)
{
    FillCache();
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kClearInetCache, 1);
    ClearInternetCache();
    EXPECT_FALSE(InCache(kPage));
    EXPECT_FALSE(InCache(kOwnPage));
    for (const char* kept : {kCookie, kOwnCookie, kCompanyCookie, kVisited}) {
        EXPECT_TRUE(InCache(kept)) << kept;
        EXPECT_TRUE(LogHas(std::string("Skipping ") + kept)) << kept;
    }
    EXPECT_TRUE(LogHas("ClearInternetCache"));
    EXPECT_TRUE(LogHas("ClearIECache(*, ex1=cookie:, ex2=visited:)"));
    EXPECT_TRUE(LogHas(std::string("Deleting from cache ") + kPage));
    EXPECT_TRUE(LogHas(std::string("Deleting from cache ") + kOwnPage));
    EXPECT_TRUE(LogHas("Deleted 2 cached items"));
    EXPECT_EQ(2, GetCounter(kCounterInternetFiles));
    EXPECT_EQ(0, GetCounter(kCounterCookies));
}

TEST_F(InetCacheTest, CookieWalkKeepsOwnCookiesUnlessTold)
{
    struct Case { DWORD keep; const char* logLine; std::vector<const char*> gone, kept; } cases[] = {
        {0xFFFFFFFF, "ClearIECache(cookie:, ex1=HOLLOWMERE, ex2=QUILLREST)", {kCookie}, {kOwnCookie, kCompanyCookie}},
        {0, "ClearIECache(cookie:, ex1=null, ex2=null)", {kCookie, kOwnCookie, kCompanyCookie}, {}},
    };
    for (const Case& c : cases) {
        ResetProductKey();
        FreshLog();
        EmptyCache();
        FillCache();
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteCookies, 1);
        if (c.keep != 0xFFFFFFFF)
            SetDword(HKEY_LOCAL_MACHINE, kProductKey, kKeepQRCookie, c.keep);
        AddToCounter(kCounterCookies, 10);
        DeleteInternetCookies();
        EXPECT_TRUE(LogHas("DeleteInternetCookies"));
        EXPECT_TRUE(LogHas(c.logLine));
        for (const char* url : c.gone)
            EXPECT_FALSE(InCache(url)) << url;
        for (const char* url : c.kept) {
            EXPECT_TRUE(InCache(url)) << url;
            EXPECT_TRUE(LogHas(std::string("Skipping ") + url)) << url;
        }
        for (const char* url : {kPage, kOwnPage, kVisited}) {
            EXPECT_TRUE(InCache(url)) << url;
            EXPECT_FALSE(LogHas(std::string("Skipping ") + url)) << url;    // not selected: no line at all
        }
        EXPECT_TRUE(LogHas(win::Format("Deleted %u cached items", static_cast<unsigned>(c.gone.size()))));
        EXPECT_EQ(10 + static_cast<long long>(c.gone.size()), GetCounter(kCounterCookies));
        EXPECT_EQ(c.keep, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kKeepQRCookie));    // never created here
    }
}

TEST_F(InetCacheTest, EmptyCacheLogsZeroAndLeavesCountersAlone)
{
    ClearIECache("*", nullptr, nullptr, kCounterInternetFiles);
    std::vector<std::string> expected{"ClearIECache(*, ex1=null, ex2=null)", "Deleted 0 cached items"};
    EXPECT_EQ(expected, LogMessages());
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, "Counter - DeletedInternetFiles"));
}

// An entry in use (its file retrieved and not yet unlocked) is refused by the cache.
TEST_F(InetCacheTest, RefusedDeletionIsLoggedAndNotCounted)
{
    ASSERT_TRUE(AddEntry(kPage, NORMAL_CACHE_ENTRY));
    ASSERT_TRUE(AddEntry(kOwnPage, NORMAL_CACHE_ENTRY));
    std::vector<DWORD> buffer(8192 / sizeof(DWORD));
    DWORD size = 8192;
    ASSERT_TRUE(RetrieveUrlCacheEntryFileA(kPage, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()), &size, 0));
    ClearIECache("http:", nullptr, nullptr, kCounterInternetFiles);
    UnlockUrlCacheEntryFileA(kPage, 0);
    EXPECT_TRUE(LogHas(std::string("Deleting from cache ") + kPage));
    EXPECT_TRUE(LogHas(std::string("Failed to delete ") + kPage));
    EXPECT_FALSE(LogHas(std::string("Failed to delete ") + kOwnPage));
    EXPECT_TRUE(LogHas("Deleted 1 cached items"));
    EXPECT_EQ(1, GetCounter(kCounterInternetFiles));
}

} // namespace
