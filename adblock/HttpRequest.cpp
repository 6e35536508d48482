// Requests and responses of the ad-block HTTP server as text.
#include "adblock/HttpRequest.h"
#include "win/Bytes.h"

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
constexpr size_t kPieceSize = 1024;

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

bool SameAsciiNoCase(const std::string& text, const char* ascii)
{
    return text.size() == std::char_traits<char>::length(ascii) && win::EndsWithAsciiNoCase(text, ascii);
}

// Names that open a device instead of a file in any folder, also with an
// extension after them ("nul.pac") and blanks before that.  Windows 10 and later
// count COM and LPT with 0 and the superscript digits too.
bool IsDeviceName(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (SameAsciiNoCase(base, device))
            return true;
    if (base.size() < 4 || !(SameAsciiNoCase(base.substr(0, 3), "COM") || SameAsciiNoCase(base.substr(0, 3), "LPT")))
        return false;
    const std::string number = base.substr(3);
    // 0 to 9; superscript 1, 2 and 3 in the Western code page or in UTF-8.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xB9" || number == "\xB2" ||
           number == "\xB3" || number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
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
    const bool tunnel = SameAsciiNoCase(method, "CONNECT");
    if (!tunnel && !SameAsciiNoCase(method, "GET"))
        return RequestVerdict::NotImplemented;
    std::string path = Piece(request, at);
    if (path.empty())
        return RequestVerdict::BadRequest;
    if (tunnel) {
        joined = path;
        return RequestVerdict::Tunnel;
    }
    const std::string asked = path.size() > 1 ? path : std::string("/index.html");
    std::string candidate = root + asked;
    if (candidate.size() >= kPathBufferSize)
        return RequestVerdict::BadRequest;
    // Only a PAC request opens a file: it must name one directly in the root.
    if (IsPacRequest(candidate) && (asked[0] != '/' || !PacFileNameIsPlain(asked.substr(1))))
        return RequestVerdict::BadRequest;
    joined = candidate;
    return RequestVerdict::Handle;
}

bool IsPacRequest(const std::string& path)
{
    return win::FindAsciiNoCase(path, kPacMarker) != std::string::npos;
}

bool PacFileNameIsPlain(const std::string& name)
{
    if (name.empty() || name.back() == '.' || name.back() == ' ')
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::char_traits<char>::find("\\/:*?\"<>|", 9, c))
            return false;
    return !IsDeviceName(name);
}

BodyPiece NextBodyPiece(size_t remaining)
{
    if (remaining > kPieceSize)
        return {kPieceSize, false};
    return {remaining, remaining < kPieceSize};
}
