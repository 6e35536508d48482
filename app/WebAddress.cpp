// The check that only web addresses are opened.
#include "app/WebAddress.h"
#include "win/Bytes.h"

namespace {

// ASCII only: a locale-aware comparison could disagree about "I" and "i".
bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t length = std::char_traits<char>::length(prefix);
    return text.size() >= length && win::EndsWithAsciiNoCase(text.substr(0, length), prefix);
}

} // namespace

bool IsWebAddress(const std::string& address)
{
    for (char c : address)
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}
