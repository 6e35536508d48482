// Multi-byte text in the process's ANSI code page: cutting at character
// boundaries, finding path separators, and the trip to and from UTF-16.
//
// The code page is UTF-8 where the manifest's code page is in force (Windows 10
// version 1903 and later, Wine), a double-byte one on East Asian systems, else
// one byte per character; never assume one byte per character.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace win {

// The largest length up to `maxBytes` that ends on a character boundary of
// `text` in `codePage` (CP_UTF8, a double-byte code page or a single-byte one).
size_t CharBoundary(const std::string& text, size_t maxBytes, UINT codePage);
// `text` cut to at most `maxBytes`, never inside a character (process code page).
std::string CutText(const std::string& text, size_t maxBytes);

// The last backslash before `end` that is a character of its own: in a
// double-byte code page the second byte of a character may have its value.
// npos when there is none.
size_t LastBackslash(const std::string& text, UINT codePage, size_t end = std::string::npos);
size_t LastBackslash(const std::string& text);

// True when `text` ends in `asciiEnding`, letter case of A to Z ignored.  Safe
// on multi-byte text: an ASCII ending never starts inside a character.
bool EndsWithAsciiNoCase(const std::string& text, const char* asciiEnding);
// The first occurrence of `asciiPart` in `text`, letter case of A to Z ignored.
size_t FindAsciiNoCase(const std::string& text, const char* asciiPart);
// `text` with the letters a to z in upper case, and every other character as it
// is (the second byte of a double-byte character is never taken for a letter).
std::string AsciiUpper(std::string text, UINT codePage);

// The lines of `text`, split at LF with a CR before it dropped; text after the
// last LF is a line too, an LF at the very end adds no empty one.
std::vector<std::string> SplitLines(const std::string& text);
// The pieces of `text` between any of the `separators` characters, empty ones left out.
std::vector<std::string> SplitText(const std::string& text, const char* separators);
// The fields of `line` between `separator` characters, at most `maxFields`:
// the last holds the rest of the line, separators and all; empty fields kept.
std::vector<std::string> SplitFields(const std::string& line, char separator, size_t maxFields);

// Code-page text to UTF-16 and back (CP_ACP: the process's code page).  The
// way back gives a best-fit copy of a character the code page lacks, as the A
// calls do; both keep embedded NULs.
std::wstring Widen(const std::string& text, UINT codePage = CP_ACP);
std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP);

// The system's ANSI and OEM code pages, those of programs without the
// manifest's UTF-8 one (and of cmd.exe reading a batch file): the process's
// own where they are not UTF-8, else what the system records.
UINT SystemAnsiCodePage();
UINT SystemOemCodePage();

} // namespace win
