// The ad-block server's request parser: a PAC file it opens lies in the server's
// folder whatever the path's spelling; CONNECT is never served; same answer twice.
#include "FuzzSupport.h"
#include "adblock/HttpRequest.h"
#include "win/Bytes.h"
#include <algorithm>

namespace {

std::string UpperAscii(const std::string& text)
{
    return win::AsciiUpper(text, 1252);
}

// The method as a client sent it: the first run of characters between blanks and line feeds.
std::string Method(const std::string& request)
{
    const size_t start = request.find_first_not_of(" \n");
    if (start == std::string::npos)
        return std::string();
    return request.substr(start, request.find_first_of(" \n", start) - start);
}

// How Windows resolves the part of a path after the folder: true when it names a
// file directly in that folder.  Separators are "/" and "\"; a component of dots
// and blanks only goes nowhere or up; trailing dots and blanks are dropped; a
// colon is a drive or a stream; some names are devices in every folder.
bool StaysInFolder(const std::string& rest)
{
    std::string name;
    size_t components = 0;
    size_t at = 0;
    while (at < rest.size()) {
        const size_t end = std::min(rest.find_first_of("/\\", at), rest.size());
        std::string component = rest.substr(at, end - at);
        at = end + 1;
        const bool twoDots = component.find("..") != std::string::npos || std::count(component.begin(), component.end(), '.') > 1;
        while (!component.empty() && (component.back() == '.' || component.back() == ' '))
            component.pop_back();
        if (component.empty() && twoDots)
            return false;    // "..", "...", ". .": may go up
        if (component.empty())
            continue;    // "//", "/./", "/ /": nowhere
        ++components;
        name = component;
    }
    if (components != 1 || name.find_first_of(":*?\"<>|") != std::string::npos)
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    std::string base = UpperAscii(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (base == device)
            return false;
    if ((base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base.size() >= 4) {
        const std::string digit = base.substr(3);
        if ((digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xB9" || digit == "\xB2" ||
            digit == "\xB3" || digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3")
            return false;
    }
    return true;
}

void CheckRequest(const std::string& request, const std::string& root)
{
    std::string joined;
    const RequestVerdict verdict = ParseRequestText(request, root, joined);
    std::string again;
    fuzz::Check(ParseRequestText(request, root, again) == verdict && again == joined, "deterministic", request);

    const std::string method = UpperAscii(Method(request));
    if (method == "CONNECT")
        fuzz::Check(verdict == RequestVerdict::Tunnel || verdict == RequestVerdict::BadRequest,
                    "CONNECT is refused, never served", request);
    if (request.find("..") != std::string::npos)
        fuzz::Check(verdict == RequestVerdict::BadRequest, "\"..\" anywhere is a bad request", request);
    if (verdict == RequestVerdict::Tunnel)
        fuzz::Check(method == "CONNECT" && !joined.empty(), "only CONNECT is a tunnel", request);
    if (verdict != RequestVerdict::Handle)
        return;
    fuzz::Check(method == "GET", "only GET is served", request);
    fuzz::Check(joined.size() < kPathBufferSize, "the joined path fits its buffer", request);
    fuzz::Check(joined.compare(0, root.size(), root) == 0, "the joined path starts with the folder", request);
    // Only a PAC request opens a file: it must be one of the folder.
    if (IsPacRequest(joined))
        fuzz::Check(StaysInFolder(joined.substr(root.size())), "a PAC file is a file of the folder", request);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string request = fuzz::Text(data, size);
    CheckRequest(request, "C:\\WINDOWS\\system32");
    CheckRequest(request, "C:\\pac");
    if (IsRequestComplete(request))
        fuzz::Check(request.find('\n') != std::string::npos, "a complete request holds a line end", request);
    return 0;
}
