// Small text and path helpers over the ANSI Win32 calls.
#include "win/Util.h"
#include "win/Raii.h"
#include "win/Text.h"
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <cstdio>
#include <utility>
#include <vector>

namespace win {

namespace {

using CaseMapW = DWORD(WINAPI*)(LPWSTR, DWORD);

// In UTF-8 a letter and its other case may differ in length ("\xC4\xB0" and "i"),
// which the in-place A calls cannot express: map such text through UTF-16.  The
// W calls are looked up because Windows 9x has none (nor a UTF-8 code page).
std::string MapCase(std::string text, CaseMapW wideMap, DWORD(WINAPI* narrowMap)(LPSTR, DWORD))
{
    if (text.empty())
        return text;
    if (GetACP() == CP_UTF8) {
        std::wstring wide = Widen(text, CP_UTF8);
        if (wideMap && !wide.empty()) {
            wideMap(&wide[0], static_cast<DWORD>(wide.size()));
            return Narrow(wide, CP_UTF8);
        }
    }
    narrowMap(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

} // namespace

std::string ToLower(std::string text)
{
    static const auto wideMap = LookUp<CaseMapW>(GetModuleHandleA("USER32.DLL"), "CharLowerBuffW");
    return MapCase(std::move(text), wideMap, CharLowerBuffA);
}

std::string ToUpper(std::string text)
{
    static const auto wideMap = LookUp<CaseMapW>(GetModuleHandleA("USER32.DLL"), "CharUpperBuffW");
    return MapCase(std::move(text), wideMap, CharUpperBuffA);
}

int DrawCodePageText(HDC dc, const std::string& text, RECT& rect, UINT format)
{
    using DrawTextWFn = int(WINAPI*)(HDC, LPCWSTR, int, LPRECT, UINT);
    if (GetACP() == CP_UTF8) {
        static const DrawTextWFn drawTextW = LookUp<DrawTextWFn>(GetModuleHandleA("USER32.DLL"), "DrawTextW");
        const std::wstring wide = Widen(text);
        if (drawTextW && (text.empty() || !wide.empty()))
            return drawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
    }
    return DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

std::string SystemDirectory()
{
    char buffer[MAX_PATH * 8];
    UINT len = GetSystemDirectoryA(buffer, sizeof(buffer));
    return len && len < sizeof(buffer) ? std::string(buffer, len) : std::string();
}

std::string EnvironmentVariable(const char* name)
{
    char buffer[256];
    DWORD len = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
    return len && len < sizeof(buffer) ? std::string(buffer, len) : std::string();
}

std::string WindowsDirectory()
{
    char buffer[MAX_PATH * 8];
    UINT len = GetWindowsDirectoryA(buffer, sizeof(buffer));
    return len && len < sizeof(buffer) ? std::string(buffer, len) : std::string();
}

std::string ModulePath(HMODULE module)
{
    char buffer[2048];
    DWORD len = GetModuleFileNameA(module, buffer, sizeof(buffer));
    return len && len < sizeof(buffer) ? std::string(buffer, len) : std::string();
}

OSVERSIONINFOA OsVersion()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExA(&info);
    return info;
}

bool ShellExecuteForProcess(const char* verb, const std::string& file, const std::string& parameters,
                            const char* directory, int show, UniqueHandle& process, HINSTANCE* instance)
{
    SHELLEXECUTEINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = verb;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = directory;
    info.nShow = show;
    const BOOL started = ShellExecuteExA(&info);
    const DWORD error = GetLastError();
    process.Reset(info.hProcess);
    if (instance)
        *instance = info.hInstApp;
    SetLastError(error);
    return started != FALSE;
}

bool SpecialFolder(int csidl, std::string& path)
{
    char buffer[MAX_PATH * 2] = "";
    if (!SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE))
        return false;
    path = buffer;
    return true;
}

std::string PathJoin(const std::string& dir, const std::string& name)
{
    std::vector<char> buffer(dir.size() + name.size() + MAX_PATH);
    lstrcpynA(buffer.data(), dir.c_str(), static_cast<int>(buffer.size()));
    if (!PathAppendA(buffer.data(), name.c_str())) {
        std::string joined = dir;
        if (!joined.empty() && joined.back() != '\\')
            joined += '\\';
        return joined + name;
    }
    return buffer.data();
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadWholeFile(const std::string& path, std::string& contents, DWORD share)
{
    contents.clear();
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE)
        return false;
    contents.resize(size);
    DWORD got = 0;
    if (size && !ReadFile(file.Get(), &contents[0], size, &got, nullptr))
        return false;
    contents.resize(got);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& contents)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return contents.empty() ||
           (WriteFile(file.Get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
            written == contents.size());
}

std::string ExpandEnvironment(const std::string& text)
{
    std::vector<char> buffer(text.size() + MAX_PATH, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (needed == 0)
            return text;
        if (needed <= buffer.size())
            return buffer.data();
        buffer.assign(needed + 1, '\0');
    }
    return text;
}

DWORD UnixTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<DWORD>((FileTimeTicks(now) - 116444736000000000ULL) / 10000000ULL);
}

unsigned long long FileTimeTicks(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart;
}

} // namespace win
