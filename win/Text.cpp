// Multi-byte text in the process's ANSI code page: cutting at character
// boundaries, finding path separators, and the trip to and from UTF-16.
#include "win/Text.h"
#include "win/Raii.h"
#include <cstdlib>

namespace win {

namespace {

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDoubleByte(UINT codePage)
{
    CPINFO info;
    return codePage != CP_UTF8 && GetCPInfo(codePage, &info) && info.MaxCharSize == 2;
}

UINT RecordedCodePage(const char* valueName, UINT own)
{
    if (own != CP_UTF8)
        return own;
    win::UniqueKey key;
    char text[16] = "";
    DWORD size = sizeof(text) - 1;
    DWORD type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0, KEY_QUERY_VALUE,
                      key.Out()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return own;
    const UINT recorded = static_cast<UINT>(std::strtoul(text, nullptr, 10));
    return recorded ? recorded : own;
}

bool SameAsciiNoCase(const char* a, const char* b, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

} // namespace

size_t CharBoundary(const std::string& text, size_t maxBytes, UINT codePage)
{
    if (maxBytes >= text.size())
        return text.size();
    if (codePage == CP_UTF8) {
        size_t cut = maxBytes;
        while (cut > 0 && IsUtf8Continuation(text[cut]))
            --cut;
        return cut;
    }
    // A trail byte cannot be told from a lead byte by its value: walk from the start.
    size_t at = 0;
    while (at < maxBytes) {
        const size_t next = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])) ? at + 2 : at + 1;
        if (next > maxBytes)
            break;
        at = next;
    }
    return at;
}

std::string CutText(const std::string& text, size_t maxBytes)
{
    return text.substr(0, CharBoundary(text, maxBytes, GetACP()));
}

size_t LastBackslash(const std::string& text, UINT codePage, size_t end)
{
    const size_t limit = end < text.size() ? end : text.size();
    if (!IsDoubleByte(codePage)) {
        if (limit == 0)
            return std::string::npos;
        return text.rfind('\\', limit - 1);
    }
    size_t found = std::string::npos;
    for (size_t at = 0; at < limit;) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at]))) {
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
    return LastBackslash(text, GetACP());
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

std::string AsciiUpper(std::string text, UINT codePage)
{
    const bool doubleByte = IsDoubleByte(codePage);
    for (size_t at = 0; at < text.size(); ++at) {
        if (doubleByte && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])))
            ++at;
        else if (text[at] >= 'a' && text[at] <= 'z')
            text[at] = static_cast<char>(text[at] - 'a' + 'A');
    }
    return text;
}

std::wstring Widen(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], needed);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage)
{
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, &narrow[0], needed, nullptr, nullptr);
    return narrow;
}

UINT SystemAnsiCodePage()
{
    static const UINT codePage = RecordedCodePage("ACP", GetACP());
    return codePage;
}

UINT SystemOemCodePage()
{
    static const UINT codePage = RecordedCodePage("OEMCP", GetOEMCP());
    return codePage;
}

namespace {

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
