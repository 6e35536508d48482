// Requests and responses of the ad-block HTTP server, apart from its window and sockets.
#include "adblock/HttpRequest.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Util.h"
#include <map>
#include <utility>

namespace {

const char* const kStatusTable[] = {
    "200 OK",
    "201 Created",
    "202 Accepted",
    "204 No Content",
    "301 Moved Permanently",
    "302 Moved Temporarily",
    "304 Not Modified",
    "400 Bad Request",
    "401 Unauthorized",
    "403 Forbidden",
    "404 Not Found",
    "500 Internal Server Error",
    "501 Not Implemented",
    "502 Bad Gateway",
    "503 Service Unavailable",
};

constexpr const char* kPacMarker = "quillrestadblocker";
constexpr const char* kAdBody = "   ";
constexpr DWORD kPacCacheSeconds = 60;
constexpr size_t kPieceSize = 1024;

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

// Pieces of the request: runs of characters between blanks and line feeds.
std::string Piece(const std::string& text, size_t& at)
{
    const char* delimiters = " \n";
    size_t start = text.find_first_not_of(delimiters, at);
    if (start == std::string::npos) {
        at = text.size();
        return std::string();
    }
    size_t end = text.find_first_of(delimiters, start);
    if (end == std::string::npos)
        end = text.size();
    at = end;
    return text.substr(start, end - start);
}

} // namespace

const char* StatusText(int index)
{
    const int count = static_cast<int>(sizeof(kStatusTable) / sizeof(kStatusTable[0]));
    return index >= 0 && index < count ? kStatusTable[index] : nullptr;
}

std::string ErrorResponse(int index)
{
    const char* status = StatusText(index);
    if (!status)
        return std::string();
    std::string page = win::Format("<body><h1>%s</h1></body>", status);
    return win::Format("HTTP/1.1 %s\r\nContent-Type: text/html\r\nContent-Length: %d\r\nConnection: close\r\n\r\n",
                       status, static_cast<int>(page.size())) +
           page;
}

std::string OkHeader(const std::string& contentType, size_t bodyLength)
{
    return win::Format("HTTP/1.1 200 OK\r\nContent-Type: %s\r\nContent-Length: %d\r\n\r\n", contentType.c_str(),
                       static_cast<int>(bodyLength));
}

std::string TunnelRefusedResponse()
{
    return win::Format("HTTP/1.1 %s\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", StatusText(kStatusForbidden));
}

bool IsRequestComplete(const std::string& request)
{
    return request.find("\n\n") != std::string::npos || request.find("\n\r\n") != std::string::npos;
}

RequestVerdict ParseRequestText(const std::string& request, const std::string& root, std::string& joined)
{
    joined.clear();
    if (request.find("..") != std::string::npos)
        return RequestVerdict::BadRequest;
    size_t at = 0;
    std::string method = Piece(request, at);
    const bool tunnel = lstrcmpiA(method.c_str(), "CONNECT") == 0;
    if (!tunnel && lstrcmpiA(method.c_str(), "GET") != 0)
        return RequestVerdict::NotImplemented;
    std::string path = Piece(request, at);
    if (path.empty())
        return RequestVerdict::BadRequest;
    if (tunnel) {
        joined = path;
        return RequestVerdict::Tunnel;
    }
    std::string candidate = root + (path.size() > 1 ? path : std::string("/index.html"));
    if (candidate.size() >= kPathBufferSize)
        return RequestVerdict::BadRequest;
    joined = candidate;
    return RequestVerdict::Handle;
}

bool IsPacRequest(const std::string& path)
{
    return win::ToLower(path).find(kPacMarker) != std::string::npos;
}

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

BodyPiece NextBodyPiece(size_t remaining)
{
    if (remaining > kPieceSize)
        return {kPieceSize, false};
    return {remaining, remaining < kPieceSize};
}
