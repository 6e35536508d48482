// The ad-block server's answers that need the system: PAC files from disk and the ad tally.
#include "adblock/HttpAnswer.h"
#include "adblock/HttpRequest.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Util.h"
#include <map>
#include <utility>

namespace {

constexpr const char* kAdBody = "   ";
constexpr DWORD kPacCacheSeconds = 60;

ServerClock g_clock = nullptr;
// Blocked ads not yet added to the counter; only the server thread touches it.
long long g_unwrittenAds = 0;

// Lower-cased joined path -> (time stored, content).  Only the server thread
// uses it; it lives as long as the process.
std::map<std::string, std::pair<DWORD, std::string>>& PacCache()
{
    static std::map<std::string, std::pair<DWORD, std::string>> cache;
    return cache;
}

} // namespace

void SetServerClock(ServerClock clock)
{
    g_clock = clock;
}

bool HandleRequest(const std::string& path, std::string& body, std::string& contentType)
{
    // The line is built only when someone reads it: every ad request passes here.
    const bool logging = IsLogSwitchOn();
    std::string line = logging ? win::Format("HTTP request for %s .... returning ", path.c_str()) : std::string();

    if (!IsPacRequest(path)) {
        body = kAdBody;
        if (logging)
            WriteLog("%snothing!", line.c_str());
        ++g_unwrittenAds;
        return true;
    }

    const DWORD now = g_clock ? g_clock() : win::UnixTimeNow();
    const std::string key = win::ToLower(path);
    auto& cache = PacCache();
    auto cached = cache.find(key);
    const bool fromCache = cached != cache.end() && cached->second.first + kPacCacheSeconds >= now;
    if (fromCache) {
        body = cached->second.second;
    } else {
        // An absolute path is left as it is; a relative one is below the system directory.
        const std::string file = win::PathJoin(win::SystemDirectory(), path);
        std::string content;
        if (!win::ReadWholeFile(file, content, FILE_SHARE_READ)) {
            WriteLog("%s", line.c_str());
            WriteLog("######## Can't get %s!!", file.c_str());
            return false;
        }
        cache[key] = std::make_pair(now, content);
        body = content;
    }
    if (logging)
        WriteLog("%sPAC file%s", line.c_str(), fromCache ? " from cache" : "");
    contentType = "application/x-ns-proxy-autoconfig";
    return true;
}

void HandleTunnel(const std::string& host)
{
    WriteLog("HTTP tunnel request for %s .... returning %s", host.c_str(), StatusText(kStatusForbidden));
    ++g_unwrittenAds;
}

bool HaveUnwrittenBlockedAds()
{
    return g_unwrittenAds != 0;
}

void FlushBlockedAds()
{
    if (g_unwrittenAds == 0)
        return;
    AddToCounter(kCounterAdsBlocked, g_unwrittenAds);
    g_unwrittenAds = 0;
}
