// Small text and path helpers over the ANSI Win32 calls.
#pragma once
#include <windows.h>
#include <cstdarg>
#include <string>

namespace win {

// printf-style formatting into a string (any length).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// Case mapping of multi-byte text in the process's ANSI code page; the result
// may differ in length (UTF-8).
std::string ToLower(std::string text);
std::string ToUpper(std::string text);

// DrawTextA for text in the process's code page.  Where that is UTF-8 the text
// goes through DrawTextW (looked up at run time): GDI's A calls may read the
// bytes in the font's code page instead.
int DrawCodePageText(HDC dc, const std::string& text, RECT& rect, UINT format);

std::string SystemDirectory();
std::string WindowsDirectory();
std::string ModulePath(HMODULE module = nullptr);
// SHGetSpecialFolderPathA without creating the folder; false when the shell has none.
bool SpecialFolder(int csidl, std::string& path);
// PathAppendA semantics on strings.
std::string PathJoin(const std::string& dir, const std::string& name);

bool FileExists(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& contents);
// Replaces the file's contents; false when it cannot be created or written.
bool WriteWholeFile(const std::string& path, const std::string& contents);

// Seconds since 1970-01-01 00:00 UTC.
DWORD UnixTimeNow();

} // namespace win
