// Small text and path helpers over the ANSI Win32 calls.
#pragma once
#include "win/Bytes.h"
#include "win/Raii.h"
#include <windows.h>
#include <string>

namespace win {

// DrawTextA for text in the process's code page.  Where that is UTF-8 the text
// goes through DrawTextW (looked up at run time): GDI's A calls may read the
// bytes in the font's code page instead.
int DrawCodePageText(HDC dc, const std::string& text, RECT& rect, UINT format);

// GetVersionExA's answer: platform, version numbers, service pack.
OSVERSIONINFOA OsVersion();
std::string SystemDirectory();
// The environment variable's value; empty when it is not set.
std::string EnvironmentVariable(const char* name);
std::string WindowsDirectory();
std::string ModulePath(HMODULE module = nullptr);
// SHGetSpecialFolderPathA without creating the folder; false when the shell has none.
bool SpecialFolder(int csidl, std::string& path);
// PathAppendA semantics on strings.
std::string PathJoin(const std::string& dir, const std::string& name);

// ShellExecuteExA without error boxes, asking for the started program's process,
// which comes back in `process` (none when a running program takes the request
// over).  False when nothing started, GetLastError saying why; `instance`, when
// given, receives the shell's own result.
bool ShellExecuteForProcess(const char* verb, const std::string& file, const std::string& parameters,
                            const char* directory, int show, UniqueHandle& process, HINSTANCE* instance = nullptr);

bool FileExists(const std::string& path);
// Reads a file whole, shared with readers and writers unless `share` says
// otherwise (0: no one else may have it open); false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& contents, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE);
// Replaces the file's contents; false when it cannot be created or written.
bool WriteWholeFile(const std::string& path, const std::string& contents);

// `text` with its environment references (%NAME%) expanded; unknown ones stay as they are.
std::string ExpandEnvironment(const std::string& text);
// Seconds since 1970-01-01 00:00 UTC.
DWORD UnixTimeNow();
// A FILETIME as one number of 100-ns units.
unsigned long long FileTimeTicks(const FILETIME& time);

} // namespace win
