// Text as bytes: formatting, splitting, ASCII letter case and cutting between characters.
#include "win/Bytes.h"
#include <cstdio>

namespace win {

std::string FormatV(const char* format, va_list args)
{
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int needed = vsnprintf(small, sizeof(small), format, copy);
    va_end(copy);
    if (needed < 0)
        return std::string();
    if (static_cast<size_t>(needed) < sizeof(small))
        return std::string(small, needed);
    std::vector<char> big(static_cast<size_t>(needed) + 1);
    vsnprintf(big.data(), big.size(), format, args);
    return std::string(big.data(), needed);
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

namespace {

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameAsciiNoCase(const char* a, const char* b, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// The pieces of `text` between any of the `separators`; nothing follows a
// separator at the very end.
std::vector<std::string> Split(const std::string& text, const char* separators, bool keepEmpty)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(separators, start);
        if (end == std::string::npos)
            end = text.size();
        if (keepEmpty || end > start)
            pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

} // namespace

size_t CharBoundary(const std::string& text, size_t maxBytes, unsigned codePage)
{
    if (maxBytes >= text.size())
        return text.size();
    if (codePage == kUtf8CodePage) {
        size_t cut = maxBytes;
        while (cut > 0 && IsUtf8Continuation(text[cut]))
            --cut;
        return cut;
    }
    // A trail byte cannot be told from a lead byte by its value: walk from the start.
    size_t at = 0;
    while (at < maxBytes) {
        const size_t next = IsLeadByte(codePage, static_cast<unsigned char>(text[at])) ? at + 2 : at + 1;
        if (next > maxBytes)
            break;
        at = next;
    }
    return at;
}

std::string CutText(const std::string& text, size_t maxBytes)
{
    return text.substr(0, CharBoundary(text, maxBytes, ProcessCodePage()));
}

size_t LastBackslash(const std::string& text, unsigned codePage, size_t end)
{
    const size_t limit = end < text.size() ? end : text.size();
    if (!IsDoubleByteCodePage(codePage)) {
        if (limit == 0)
            return std::string::npos;
        return text.rfind('\\', limit - 1);
    }
    size_t found = std::string::npos;
    for (size_t at = 0; at < limit;) {
        if (IsLeadByte(codePage, static_cast<unsigned char>(text[at]))) {
            at += 2;
            continue;
        }
        if (text[at] == '\\')
            found = at;
        ++at;
    }
    return found;
}

size_t LastBackslash(const std::string& text)
{
    return LastBackslash(text, ProcessCodePage());
}

bool EndsWithAsciiNoCase(const std::string& text, const char* asciiEnding)
{
    const size_t length = std::char_traits<char>::length(asciiEnding);
    return text.size() >= length && SameAsciiNoCase(text.c_str() + text.size() - length, asciiEnding, length);
}

size_t FindAsciiNoCase(const std::string& text, const char* asciiPart)
{
    const size_t length = std::char_traits<char>::length(asciiPart);
    for (size_t at = 0; at + length <= text.size(); ++at)
        if (SameAsciiNoCase(text.c_str() + at, asciiPart, length))
            return at;
    return std::string::npos;
}

std::string AsciiUpper(std::string text, unsigned codePage)
{
    const bool doubleByte = IsDoubleByteCodePage(codePage);
    for (size_t at = 0; at < text.size(); ++at) {
        if (doubleByte && IsLeadByte(codePage, static_cast<unsigned char>(text[at])))
            ++at;
        else if (text[at] >= 'a' && text[at] <= 'z')
            text[at] = static_cast<char>(text[at] - 'a' + 'A');
    }
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines = Split(text, "\n", true);
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    return lines;
}

std::vector<std::string> SplitText(const std::string& text, const char* separators)
{
    return Split(text, separators, false);
}

std::vector<std::string> SplitFields(const std::string& line, char separator, size_t maxFields)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() + 1 < maxFields) {
        const size_t end = line.find(separator, start);
        if (end == std::string::npos)
            break;
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

} // namespace win
