// Requests and responses of the ad-block HTTP server, apart from its window and sockets.
#pragma once
#include <windows.h>
#include <string>

// Indexes into the status table that the server uses for its error pages.
constexpr int kStatusBadRequest = 7;
constexpr int kStatusNotFound = 10;
constexpr int kStatusNotImplemented = 12;
constexpr int kStatusForbidden = 9;

// "404 Not Found" and the like; NULL for an index outside the table.
const char* StatusText(int index);
// A whole error response (status line, headers, page); empty outside the table.
std::string ErrorResponse(int index);
// The header that goes before a 200 body.
std::string OkHeader(const std::string& contentType, size_t bodyLength);
// The answer to a tunnel request (CONNECT): refused, with nothing after it.
std::string TunnelRefusedResponse();

// A request that grows past this without an empty line is refused.
constexpr size_t kMaxRequestBytes = 16 * 1024;
// The joined path must fit a buffer of this size, its NUL included.
constexpr size_t kPathBufferSize = 2048;

// The request text so far holds an empty line.
bool IsRequestComplete(const std::string& request);

enum class RequestVerdict { Handle, Tunnel, BadRequest, NotImplemented };
// Checks a complete request; for Handle, `joined` is `root` followed by the
// requested path ("/" asks for "/index.html"); for Tunnel (a CONNECT, which a
// browser sends for an HTTPS address), `joined` is the host and port asked for.
RequestVerdict ParseRequestText(const std::string& request, const std::string& root, std::string& joined);

// The path asks for one of our PAC scripts (it holds the name marker, any case).
bool IsPacRequest(const std::string& path);

// Seconds since 1970 as the PAC cache sees them; tests put a fake clock in.
using ServerClock = DWORD (*)();
void SetServerClock(ServerClock clock);    // NULL: the system clock

// Produces the 200 answer for a joined path: three blanks for an ad (tallied),
// the PAC file (read at most once a minute per path) for a PAC request.  False
// when the PAC file cannot be read.
bool HandleRequest(const std::string& path, std::string& body, std::string& contentType);

// Refuses a tunnel to `host`: the PAC script sends only listed hosts to us, so
// it is an ad over HTTPS and tallied like one.
void HandleTunnel(const std::string& host);

// "AdsBlocked" lives in the registry, and writing it costs more than answering
// the request, so blocked ads are tallied here and written by FlushBlockedAds,
// which the server calls a second after the first unwritten one.
bool HaveUnwrittenBlockedAds();
void FlushBlockedAds();

// Bodies go out in pieces of at most 1024 characters; a piece shorter than
// that is the last, so a remainder of exactly 1024 is followed by an empty one.
struct BodyPiece {
    size_t length;
    bool last;
};
BodyPiece NextBodyPiece(size_t remaining);
