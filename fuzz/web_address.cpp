// The check before the browser opens an address (the addresses are settings the
// version file can write): what it accepts begins with http:// or https:// and
// holds nothing that could end the quotes the browser gets it in.
#include "FuzzSupport.h"
#include "app/WebAddress.h"
#include "win/Bytes.h"

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    return win::EndsWithAsciiNoCase(text.substr(0, std::char_traits<char>::length(prefix)), prefix);
}

bool Plain(const std::string& text)
{
    for (char c : text)
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string address = fuzz::Text(data, size);
    const bool web = StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
    fuzz::Check(IsWebAddress(address) == (web && Plain(address)), "only plain http:// and https:// addresses", address);
    if (Plain(address))
        fuzz::Check(IsWebAddress("HTTP://" + address) && IsWebAddress("https://" + address),
                    "a plain address after either prefix is accepted", address);
    return 0;
}
