// Multi-byte text in the process's ANSI code page: the trip to and from UTF-16
// and the system's code pages (cutting, splitting and letter case: win/Bytes.h).
//
// The code page is UTF-8 where the manifest's code page is in force (Windows 10
// version 1903 and later, Wine), a double-byte one on East Asian systems, else
// one byte per character; never assume one byte per character.
#pragma once
#include "win/Bytes.h"
#include <windows.h>
#include <string>

namespace win {

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
