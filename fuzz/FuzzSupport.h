// What every fuzz target shares: the property check, a few byte helpers, and the
// code page the text helpers see (a stand-in for Windows' own, chosen per input).
#pragma once
#include "win/Bytes.h"
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Aborts with the property that failed (libFuzzer then keeps the input).
[[noreturn]] void Fail(const char* property, const std::string& detail);
inline void Check(bool holds, const char* property, const std::string& detail = std::string())
{
    if (!holds)
        Fail(property, detail);
}

// Makes the process's code page for this input one of UTF-8 (65001), Western
// (1252) or Japanese (932, double-byte), as Windows documents them, chosen by
// `selector`; returns it.
unsigned UseCodePageFor(size_t selector);

inline std::string Text(const uint8_t* data, size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}
inline bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}
// Letter case of A to Z ignored.
inline bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    return win::EndsWithAsciiNoCase(text.substr(0, std::char_traits<char>::length(prefix)), prefix);
}
inline bool SameNoCase(const std::string& text, const char* other)
{
    return text.size() == std::char_traits<char>::length(other) && StartsWithNoCase(text, other);
}

} // namespace fuzz
