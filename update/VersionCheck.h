// The once-per-boot version check against the vendor's version file.
#pragma once
#include <windows.h>
#include <string>

// The running program's version as "major.minor.patch"; "0.0.0" when its file
// carries no version.
std::string GetOwnVersionString();

// Where the version file is downloaded to: "~qrverchk.tmp" in the temp directory.
std::string VersionFilePath();

// The check after the boot window's wait: status popup (unless
// "DontShowUpdateCheck" is exactly 1) kept until `startTick` + 8 s, download,
// then every line of the file acted on.  Message boxes have `owner` as owner.
void RunVersionCheck(HWND owner, DWORD startTick);

// Acts on the version file's text: logs each line, offers a new version once
// per own version, writes the "Reg" values.
void ApplyVersionFile(HWND owner, const std::string& text);
