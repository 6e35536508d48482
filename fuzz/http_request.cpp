// The ad-block server's request parser: a PAC file it opens lies in the server's
// folder whatever the path's spelling; CONNECT is never served; same answer twice.
#include "FuzzSupport.h"
#include "adblock/HttpRequest.h"
#include <algorithm>
#include <set>

namespace {

// How Windows resolves the part of a path after the folder: true when it names a
// file directly in that folder.  Separators are "/" and "\"; a component of dots
// and blanks only goes nowhere or up; trailing dots and blanks are dropped; a
// colon is a drive or a stream; some names are devices in every folder.
bool StaysInFolder(const std::string& rest)
{
    std::vector<std::string> components;
    for (size_t at = 0; at < rest.size();) {
        const size_t end = std::min(rest.find_first_of("/\\", at), rest.size());
        std::string component = rest.substr(at, end - at);
        at = end + 1;
        const bool twoDots = std::count(component.begin(), component.end(), '.') > 1;
        component.erase(component.find_last_not_of(". ") + 1);
        if (component.empty() && twoDots)
            return false;    // "..", "...", ". .": may go up
        if (!component.empty())
            components.push_back(component);    // "//", "/./", "/ /": nowhere
    }
    if (components.size() != 1 || components[0].find_first_of(":*?\"<>|") != std::string::npos ||
        std::any_of(components[0].begin(), components[0].end(), [](unsigned char c) { return c < 0x20; }))
        return false;
    std::string base = win::AsciiUpper(components[0].substr(0, components[0].find('.')), 1252);
    base.erase(base.find_last_not_of(' ') + 1);
    // COM and LPT take a digit, or a superscript one, two or three (Latin-1 or UTF-8).
    std::set<std::string> devices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const std::string port : {"COM", "LPT"})
        for (const char* number : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "\xB9", "\xB2", "\xB3", "\xC2\xB9",
                                   "\xC2\xB2", "\xC2\xB3"})
            devices.insert(port + number);
    return devices.count(base) == 0;
}

void CheckRequest(const std::string& request, const std::string& root)
{
    std::string joined, again;
    const RequestVerdict verdict = ParseRequestText(request, root, joined);
    fuzz::Check(ParseRequestText(request, root, again) == verdict && again == joined, "deterministic", request);

    // The method as a client sent it: the first run of characters between blanks and line feeds.
    const size_t start = std::min(request.find_first_not_of(" \n"), request.size());
    const std::string method =
        win::AsciiUpper(request.substr(start, request.find_first_of(" \n", start) - start), 1252);
    fuzz::Check(method != "CONNECT" || verdict == RequestVerdict::Tunnel || verdict == RequestVerdict::BadRequest,
                "CONNECT is refused, never served", request);
    fuzz::Check(!fuzz::Has(request, "..") || verdict == RequestVerdict::BadRequest, "\"..\" anywhere is a bad request",
                request);
    fuzz::Check(verdict != RequestVerdict::Tunnel || (method == "CONNECT" && !joined.empty()),
                "only CONNECT is a tunnel", request);
    if (verdict != RequestVerdict::Handle)
        return;
    fuzz::Check(method == "GET", "only GET is served", request);
    fuzz::Check(joined.size() < kPathBufferSize && joined.compare(0, root.size(), root) == 0,
                "the joined path fits its buffer and starts with the folder", request);
    // Only a PAC request opens a file: it must be one of the folder.
    fuzz::Check(!IsPacRequest(joined) || StaysInFolder(joined.substr(root.size())),
                "a PAC file is a file of the folder", request);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string request = fuzz::Text(data, size);
    CheckRequest(request, "C:\\WINDOWS\\system32");
    CheckRequest(request, "C:\\pac");
    fuzz::Check(!IsRequestComplete(request) || fuzz::Has(request, "\n"), "a complete request holds a line end",
                request);
    return 0;
}
