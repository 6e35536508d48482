// Where start-up entries and the system's own switches for them live on today's Windows: pure rules.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The registry views a walk over HKLM Run covers.  On 64-bit Windows both, each
// named explicitly (KEY_WOW64_64KEY, KEY_WOW64_32KEY); elsewhere only the
// process's own view with no flag at all, since Windows 2000 and 9x reject or
// misread the view flags.
std::vector<REGSAM> HklmRunViews(bool windows64);

// The flag that reaches the keys 64-bit Explorer writes, from either build.
REGSAM SystemKeyView(bool windows64);

// The view as the log shows it at the end of a line: " V=64", " V=32", or
// nothing for the process's own view.
std::string ViewText(REGSAM view);

// Where Windows records whether the user switched an entry off: a root and a
// subkey of "...\Explorer\StartupApproved".
struct ApprovalPlace {
    HKEY root = nullptr;
    const char* subkey = nullptr;
};
// False for a source that Windows never switches (RunServices).
bool StartupApprovalPlace(int source, REGSAM view, ApprovalPlace& place);

// A recorded value switches its entry off when its first byte is odd; a value
// shorter than one byte leaves it on.
bool SwitchedOffByValue(const std::vector<BYTE>& data);

// The name Windows records a Startup-folder shortcut under: its own file name,
// so a parked "...\Photo Sync.lnk.Quillrest" gives "Photo Sync.lnk".
std::string ApprovalValueName(const std::string& parkedPath);

// The Startup folder below a profile folder in the standard layout of Windows
// `majorVersion`: "AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Startup"
// from Vista (6) on, "Start Menu\Programs\Startup" on 9x, NT 4, 2000 and XP.
std::string StandardStartupTail(DWORD majorVersion);

// Another user's shell-folder setting with %USERPROFILE% (any letter case)
// replaced by `profileFolder`.  False when it refers to another variable of a
// user's own (%APPDATA%, %HOMEPATH%, ...), whose value here would be the
// current user's; the machine's own ones (%SystemDrive%, %SystemRoot%, ...)
// stay for the caller to expand.
bool ProfileSettingPath(const std::string& setting, const std::string& profileFolder, std::string& path);
