// Multi-byte text in the process's ANSI code page: what Windows says about its
// code pages, and the trip to and from UTF-16.
#include "win/Text.h"
#include "win/Raii.h"
#include <cstdlib>

namespace win {

static_assert(kUtf8CodePage == CP_UTF8, "the same code page");

namespace {

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

} // namespace

unsigned ProcessCodePage()
{
    return GetACP();
}

bool IsDoubleByteCodePage(unsigned codePage)
{
    CPINFO info;
    return codePage != CP_UTF8 && GetCPInfo(codePage, &info) && info.MaxCharSize == 2;
}

bool IsLeadByte(unsigned codePage, unsigned char byte)
{
    return IsDBCSLeadByteEx(codePage, byte) != FALSE;
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

} // namespace win
