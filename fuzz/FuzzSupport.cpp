// The stand-in for what Windows says about its code pages (win/Bytes.h declares
// them; win/Text.cpp and win/Util.cpp give Windows' own), as Windows documents
// them for the three code pages the fuzz targets use: UTF-8 text is case-mapped
// through UTF-16, with U+FFFD for every byte that is not UTF-8, so a mapped text
// may differ in length; code page 1252 maps its letters in place; code page 932
// has two-byte characters whose second byte may look like "\" or a letter.
#include "FuzzSupport.h"
#include "win/Bytes.h"
#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {

unsigned g_codePage = win::kUtf8CodePage;

// The next code point of UTF-8 text; U+FFFD for a byte that starts no valid sequence.
unsigned long DecodeUtf8(const std::string& text, size_t& at)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return 0xFFFD;
    }
    unsigned long point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        point = (point << 6) | (next & 0x3F);
    }
    const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < smallest[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
        ++at;
        return 0xFFFD;
    }
    at += length;
    return point;
}

void EncodeUtf8(unsigned long point, std::string& out)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

unsigned long LowerPoint(unsigned long c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    switch (c) {
    case 0x130: return 'i';      // I with dot: two bytes become one
    case 0x212A: return 'k';     // Kelvin sign: three bytes become one
    case 0x212B: return 0xE5;    // Angstrom sign
    default: return c;
    }
}

unsigned long UpperPoint(unsigned long c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    return c == 0xFF ? 0x178 : c;
}

unsigned char Lower1252(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
    }
}

unsigned char Upper1252(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
    }
}

std::string MapCase(std::string text, bool lower)
{
    if (g_codePage == win::kUtf8CodePage) {
        std::string mapped;
        for (size_t at = 0; at < text.size();) {
            const unsigned long point = DecodeUtf8(text, at);
            EncodeUtf8(lower ? LowerPoint(point) : UpperPoint(point), mapped);
        }
        return mapped;
    }
    for (size_t at = 0; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (win::IsLeadByte(g_codePage, c)) {
            ++at;    // a two-byte character: neither byte is a letter of its own
            continue;
        }
        if (g_codePage == 1252)
            text[at] = static_cast<char>(lower ? Lower1252(c) : Upper1252(c));
        else if (lower ? (c >= 'A' && c <= 'Z') : (c >= 'a' && c <= 'z'))
            text[at] = static_cast<char>(lower ? c + 0x20 : c - 0x20);
    }
    return text;
}

} // namespace

void Fail(const char* property, const std::string& detail)
{
    std::fprintf(stderr, "PROPERTY FAILED: %s\n", property);
    if (!detail.empty()) {
        std::fprintf(stderr, "  detail (%zu bytes): ", detail.size());
        for (unsigned char c : detail.substr(0, 400))
            std::fprintf(stderr, c >= 0x20 && c < 0x7F && c != '\\' ? "%c" : "\\x%02X", c);
        std::fprintf(stderr, "\n");
    }
    std::abort();
}

void UseCodePage(unsigned codePage)
{
    g_codePage = codePage;
}

unsigned CodePageFor(size_t selector)
{
    static const unsigned kCodePages[] = {win::kUtf8CodePage, 1252, 932};
    return kCodePages[selector % 3];
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

std::string ToLower(std::string text)
{
    return fuzz::MapCase(std::move(text), true);
}

std::string ToUpper(std::string text)
{
    return fuzz::MapCase(std::move(text), false);
}

} // namespace win
