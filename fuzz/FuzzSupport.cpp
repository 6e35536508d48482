// The stand-in for what Windows says about its code pages (win/Bytes.h declares
// them; win/Text.cpp and win/Util.cpp give Windows' own), as Windows documents
// them for three code pages: UTF-8 text is case-mapped through UTF-16 with
// U+FFFD for each byte that is not UTF-8, so a mapped text may change length;
// 1252 maps its letters in place; 932 has two-byte characters whose second byte
// may look like "\" or a letter.
#include "FuzzSupport.h"
#include "win/Bytes.h"
#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {

unsigned g_codePage = win::kUtf8CodePage;

// The next code point; U+FFFD for a byte that starts no valid sequence.
unsigned long DecodeUtf8(const std::string& text, size_t& at)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    unsigned long point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
        point = (next & 0xC0) == 0x80 ? (point << 6) | (next & 0x3F) : 0xFFFFFFFF;
    }
    const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (length == 0 || point < smallest[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
        ++at;
        return 0xFFFD;
    }
    at += length;
    return point;
}

void EncodeUtf8(unsigned long point, std::string& out)
{
    const int length = point < 0x80 ? 1 : point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
    const unsigned char leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(length == 1 ? point : leads[length] | (point >> (6 * (length - 1))));
    for (int i = length - 2; i >= 0; --i)
        out += static_cast<char>(0x80 | ((point >> (6 * i)) & 0x3F));
}

// Lower case of a code point: ASCII, Latin-1, Greek, Cyrillic, and the three
// letters whose lower case is shorter in UTF-8.
unsigned long LowerPoint(unsigned long c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    return c == 0x130 ? 'i' : c == 0x212A ? 'k' : c == 0x212B ? 0xE5 : c;
}

} // namespace

void Fail(const char* property, const std::string& detail)
{
    std::fprintf(stderr, "PROPERTY FAILED: %s\n  detail (%zu bytes): ", property, detail.size());
    for (unsigned char c : detail.substr(0, 400))
        std::fprintf(stderr, c >= 0x20 && c < 0x7F && c != '\\' ? "%c" : "\\x%02X", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

unsigned UseCodePageFor(size_t selector)
{
    static const unsigned kCodePages[] = {win::kUtf8CodePage, 1252, 932};
    return g_codePage = kCodePages[selector % 3];
}

} // namespace fuzz

namespace win {

unsigned ProcessCodePage()
{
    return fuzz::g_codePage;
}

bool IsDoubleByteCodePage(unsigned codePage)
{
    return codePage == 932;
}

bool IsLeadByte(unsigned codePage, unsigned char byte)
{
    return codePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// No parser upper-cases with the code page (win::ToUpper): none is given here.
std::string ToLower(std::string text)
{
    if (fuzz::g_codePage == kUtf8CodePage) {
        std::string mapped;
        for (size_t at = 0; at < text.size();)
            fuzz::EncodeUtf8(fuzz::LowerPoint(fuzz::DecodeUtf8(text, at)), mapped);
        return mapped;
    }
    for (size_t at = 0; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (IsLeadByte(fuzz::g_codePage, c))
            ++at;    // a two-byte character: neither byte is a letter of its own
        else if (c < 0x80 || fuzz::g_codePage == 1252)
            text[at] = static_cast<char>(fuzz::LowerPoint(c));    // 1252's letters from 0xC0 are Latin-1's
    }
    return text;
}

} // namespace win
