// System helpers shared by install, capture and the boot window.
#pragma once
#include <string>

bool Is9x();
// True on 64-bit Windows: always for the 64-bit build; for the 32-bit one when
// IsWow64Process (looked up at run time, missing before XP SP2) says so.
bool Is64BitWindows();
// Cached for the process after the first call.  Where it exists (Windows 2000
// and later) the token's membership in the Administrators group decides, so an
// administrator's filtered token (Windows Vista and later) does not count.
bool IsAdministrator();

// What the process's token holds, decided once per process from the token.
enum class Elevation {
    NotSeparated,    // Windows 95 to XP: a program runs with every right of its user
    Elevated,        // Windows Vista and later, an elevated token
    Limited,         // Windows Vista and later, a token without administrator rights
};
Elevation ProcessElevation();
// True when the process runs as the LocalSystem account (its token's user is
// S-1-5-18), as deployment tools run installers; never on Windows 9x.
bool IsLocalSystem();
// Where the program's own files live: the system directory; for the 32-bit
// program on 64-bit Windows the folder its writes to system32 really land in
// (SysWOW64), since a 64-bit caller of "system32\Quillrest.exe" would not find it.
std::string GetInstallDirectory();
std::string GetInstalledExePath();
std::string GetUninstallBatchPath();
// Writes the program's own Run value "<system dir>\Quillrest.exe -hklm".
bool InstallSelfForBoot();
// Signals "Quillrest_Shutdown" for one second so a resident instance ends.
void ShutdownRunningApps();

// Test seams: force the answers of Is9x / IsAdministrator (-1 restores the real test).
void OverrideIs9xForTest(int value);
void OverrideIsAdministratorForTest(int value);
// Wine cannot start a process as LocalSystem: forces IsLocalSystem (-1 restores the real test).
void OverrideIsLocalSystemForTest(int value);
