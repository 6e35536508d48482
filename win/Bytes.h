// Text as bytes: formatting, splitting, ASCII letter case and cutting between
// characters, with no Windows header, so that every parser of text from outside
// the program builds and is fuzzed natively as well.
//
// The few facts about the process's code page they need are the platform's:
// win/Text.cpp and win/Util.cpp give them on Windows, the native fuzzing build
// gives a stand-in that behaves as Windows documents.
#pragma once
#include <cstdarg>
#include <string>
#include <vector>

namespace win {

// CP_UTF8, the code page where the manifest's one is in force.
constexpr unsigned kUtf8CodePage = 65001;

// printf-style formatting into a string (any length).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// The code page the process's ANSI text is in (GetACP).
unsigned ProcessCodePage();
// A code page of one- and two-byte characters (never UTF-8).
bool IsDoubleByteCodePage(unsigned codePage);
// `byte` starts a two-byte character of `codePage`.
bool IsLeadByte(unsigned codePage, unsigned char byte);
// Case mapping of multi-byte text in the process's ANSI code page; the result
// may differ in length (UTF-8).
std::string ToLower(std::string text);
std::string ToUpper(std::string text);

// The largest length up to `maxBytes` that ends on a character boundary of
// `text` in `codePage` (CP_UTF8, a double-byte code page or a single-byte one).
size_t CharBoundary(const std::string& text, size_t maxBytes, unsigned codePage);
// `text` cut to at most `maxBytes`, never inside a character (process code page).
std::string CutText(const std::string& text, size_t maxBytes);

// The last backslash before `end` that is a character of its own: in a
// double-byte code page the second byte of a character may have its value.
// npos when there is none.
size_t LastBackslash(const std::string& text, unsigned codePage, size_t end = std::string::npos);
size_t LastBackslash(const std::string& text);

// True when `text` ends in `asciiEnding`, letter case of A to Z ignored.  Safe
// on multi-byte text: an ASCII ending never starts inside a character.
bool EndsWithAsciiNoCase(const std::string& text, const char* asciiEnding);
// The first occurrence of `asciiPart` in `text`, letter case of A to Z ignored.
size_t FindAsciiNoCase(const std::string& text, const char* asciiPart);
// `text` with the letters a to z in upper case, and every other character as it
// is (the second byte of a double-byte character is never taken for a letter).
std::string AsciiUpper(std::string text, unsigned codePage);

// The lines of `text`, split at LF with a CR before it dropped; text after the
// last LF is a line too, an LF at the very end adds no empty one.
std::vector<std::string> SplitLines(const std::string& text);
// The pieces of `text` between any of the `separators` characters, empty ones left out.
std::vector<std::string> SplitText(const std::string& text, const char* separators);
// The fields of `line` between `separator` characters, at most `maxFields`:
// the last holds the rest of the line, separators and all; empty fields kept.
std::vector<std::string> SplitFields(const std::string& line, char separator, size_t maxFields);

} // namespace win
