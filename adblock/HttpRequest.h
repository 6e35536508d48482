// Requests and responses of the ad-block HTTP server as text: no window, socket
// or file here, and no Windows header, so the parser is fuzzed natively too.
#pragma once
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
// A PAC request is handled only when its path is "/" and a plain file name
// (PacFileNameIsPlain), so the file it opens lies directly in `root`.
RequestVerdict ParseRequestText(const std::string& request, const std::string& root, std::string& joined);

// The path asks for one of our PAC scripts (it holds the name marker, any case).
bool IsPacRequest(const std::string& path);
// A name Windows opens as a file of the folder it is joined to: no folder,
// drive or stream separator, no wildcard or control character, no trailing dot
// or blank (Windows drops them), and no device name (NUL, COM1.pac and the like).
bool PacFileNameIsPlain(const std::string& name);

// Bodies go out in pieces of at most 1024 characters; a piece shorter than
// that is the last, so a remainder of exactly 1024 is followed by an empty one.
struct BodyPiece {
    size_t length;
    bool last;
};
BodyPiece NextBodyPiece(size_t remaining);
