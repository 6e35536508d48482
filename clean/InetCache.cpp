// Browser cache and cookie cleaner.
#include "clean/InetCache.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/CleanRules.h"
#include <windows.h>
#include <wininet.h>
#include <string>
#include <vector>

namespace {

constexpr DWORD kEntryBufferSize = 8192;

// Closes the enumeration on every path out of the walk.
struct CacheSearch {
    HANDLE handle = nullptr;
    ~CacheSearch()
    {
        if (handle)
            FindCloseUrlCache(handle);
    }
};

} // namespace

void ClearIECache(const char* pattern, const char* exclusion1, const char* exclusion2, const char* counterName)
{
    WriteLog("ClearIECache(%s, ex1=%s, ex2=%s)", pattern, exclusion1 ? exclusion1 : "null",
             exclusion2 ? exclusion2 : "null");
    // DWORD-aligned block: the record's pointers point into it.
    std::vector<DWORD> buffer(kEntryBufferSize / sizeof(DWORD));
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    int deleted = 0;

    DWORD size = kEntryBufferSize;
    CacheSearch search;
    search.handle = FindFirstUrlCacheEntryA(nullptr, entry, &size);
    if (search.handle) {
        do {
            // Copy the URL first: deleting the entry may invalidate the record's text.
            std::string url = entry->lpszSourceUrlName ? entry->lpszSourceUrlName : "";
            if (IsUrlSelected(url, pattern)) {
                if (IsUrlExcluded(url, exclusion1, exclusion2)) {
                    WriteLog("Skipping %s", url.c_str());
                } else {
                    WriteLog("Deleting from cache %s", url.c_str());
                    if (DeleteUrlCacheEntryA(url.c_str()))
                        ++deleted;
                    else
                        WriteLog("Failed to delete %s", url.c_str());
                }
            }
            size = kEntryBufferSize;
        } while (FindNextUrlCacheEntryA(search.handle, entry, &size));
    }

    WriteLog("Deleted %d cached items", deleted);
    if (deleted)
        AddToCounter(counterName, deleted);
}

void ClearInternetCache()
{
    if (!ProductDword(kClearInetCache, 0))
        return;
    WriteLog("ClearInternetCache");
    ClearIECache("*", "cookie:", "visited:", kCounterInternetFiles);
}

void DeleteInternetCookies()
{
    if (!ProductDword(kDeleteCookies, 0))
        return;
    WriteLog("DeleteInternetCookies");
    bool keepOwn = ProductDword(kKeepQRCookie, 1) != 0;
    ClearIECache("cookie:", keepOwn ? "HOLLOWMERE" : nullptr, keepOwn ? "QUILLREST" : nullptr, kCounterCookies);
}
