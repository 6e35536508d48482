// The check before the browser opens an address (the addresses are settings the
// version file can write): what it accepts begins with http:// or https:// and
// holds nothing that could end the quotes the browser gets it in.
#include "FuzzSupport.h"
#include "app/WebAddress.h"
#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string address = fuzz::Text(data, size);
    const bool plain =
        std::none_of(address.begin(), address.end(), [](unsigned char c) { return c == '"' || c < 0x20 || c == 0x7F; });
    const bool web = fuzz::StartsWithNoCase(address, "http://") || fuzz::StartsWithNoCase(address, "https://");
    fuzz::Check(IsWebAddress(address) == (web && plain), "only plain http:// and https:// addresses", address);
    fuzz::Check(!plain || (IsWebAddress("HTTP://" + address) && IsWebAddress("https://" + address)),
                "a plain address after either prefix is accepted", address);
    return 0;
}
