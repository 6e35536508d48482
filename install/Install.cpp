// Install and uninstall: the system-directory copy, its registrations, and their removal.
#include "install/Install.h"
#include "adblock/AdBlock.h"
#include "app/Links.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "install/Elevation.h"
#include "install/Residents.h"
#include "install/System.h"
#include "install/WinInit.h"
#include "launch/Redirect.h"
#include "launch/Restore.h"
#include "res/resource.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <shellapi.h>
#include <shlwapi.h>
#include <algorithm>

namespace {

const char* kUninstallCommandSuffix = " -configure";
const char* kFileTypeDescription = "Quillrest Link";
const int kCopyAttempts = 5;
// Entries named in the last message; the log names every one.
const size_t kListedAtMost = 20;

void Inform(const char* text, const char* title)
{
    MessageBoxA(nullptr, text, title, MB_OK);
}

// Without administrator rights the user is asked whether to go on; true (after
// saying `cancelled`) when they choose to cancel.  Windows Vista and later ask
// their own question before the work starts: a run there goes on as far as its
// rights allow.
bool CancelledForRights(const char* question, const char* title, const char* cancelled)
{
    if (ProcessElevation() == Elevation::Limited || IsAdministrator() ||
        MessageBoxA(nullptr, question, title, MB_YESNO) != IDYES)
        return false;
    Inform(cancelled, "Cancelled");
    return true;
}

bool SetStringValue(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ)
{
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::string AppletPath()
{
    return win::PathJoin(GetInstallDirectory(), kAppletName);
}

// The installed program's path in double quotes, as Add/Remove Programs shows it.
std::string QuotedInstalledPath()
{
    return win::Format("\"%s\"", GetInstalledExePath().c_str());
}

HANDLE CreateAppletFile(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Writes the embedded applet out byte for byte; false only when the file can't be created.
bool WriteApplet()
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_APPLET_FILE), "FILE");
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return true;
    DWORD size = SizeofResource(nullptr, found);
    const std::string path = AppletPath();
    win::UniqueFile file(CreateAppletFile(path));
    if (!file) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        file.Reset(CreateAppletFile(path));
    }
    if (!file) {
        WriteLog("Failed to create %s", path.c_str());
        Inform("Unable to install a file.  Please login as a power user (Administrator for example) and try the "
               "installation again.",
               "Can't Install");
        return false;
    }
    DWORD written = 0;
    WriteFile(file.Get(), data, size, &written, nullptr);
    file.Reset();
    WriteLog("Installed %s", path.c_str());
    return true;
}

bool CopyProgram()
{
    const std::string source = win::ModulePath();
    if (win::ToLower(source).find(win::ToLower(GetInstallDirectory())) != std::string::npos)
        return true;
    const std::string destination = GetInstalledExePath();
    for (int attempt = 1; attempt <= kCopyAttempts; ++attempt) {
        SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
        BOOL copied = CopyFileA(source.c_str(), destination.c_str(), FALSE);
        WriteLog("Copy src=%s, dst=%s, Res=%d, GLE=%d", source.c_str(), destination.c_str(), copied ? 1 : 0,
                 static_cast<int>(GetLastError()));
        if (copied)
            return true;
        // A resident instance that was just told to end may still hold the file.
        if (attempt < kCopyAttempts)
            Sleep(1000);
    }
    Inform("Unable to install the Quillrest.exe file.  Please login as a power user (Administrator for example) and "
           "try again.",
           "Can't Install");
    return false;
}

void RegisterUninstall()
{
    win::UniqueKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Out(), nullptr) != ERROR_SUCCESS) {
        WriteLog("Failed to RegCreateKeyEx for uninstall");
    } else {
        bool named = SetStringValue(key.Get(), kUninstallDisplayName, "Quillrest");
        if (!named)
            WriteLog("Failed to RegSetValueEx for uninstall DisplayName");
        const std::string icon = QuotedInstalledPath();
        SetStringValue(key.Get(), kUninstallDisplayIcon, icon);
        SetStringValue(key.Get(), kUninstallString, icon + kUninstallCommandSuffix);
        key.Reset();
        if (named)
            return;
    }
    Inform("Unable to add Quillrest to Add/Remove Programs in Control Panel.  The installation will continue, but "
           "you should install again while logged in as Administrator (or another power user) to correct this.",
           "Can't Add Uninstall");
}

void RegisterApplet()
{
    const std::string applet = AppletPath();
    int registered = 0;
    if (WritePrivateProfileStringA("MMCPL", kAppletName, applet.c_str(), "control.ini"))
        ++registered;
    else
        WriteLog("Failed to WritePrivateProfileString for control panel");
    win::UniqueKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCplsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Out(), nullptr) != ERROR_SUCCESS) {
        WriteLog("Failed to RegCreateKeyEx for control panel");
    } else if (!SetStringValue(key.Get(), kOwnRunValue, applet, REG_EXPAND_SZ)) {
        WriteLog("Failed to RegSetValueEx for control panel");
    } else {
        ++registered;
    }
    if (registered < 2) {
        const char* text = "For some reason, Quillrest has run into problems installing its Control Panel applet.  "
                           "You can fix this by installing again as a power user (Administrator for example).";
        WriteLog("%s", text);
        Inform(text, "Can't Install Applet");
    }
}

void SetDefaultValue(const char* path, const char* text)
{
    win::UniqueKey key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Out(),
                        nullptr) == ERROR_SUCCESS &&
        text)
        SetStringValue(key.Get(), nullptr, text);
}

void RemoveUninstallEntry()
{
    win::UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_WRITE, key.Out()) == ERROR_SUCCESS) {
        RegDeleteValueA(key.Get(), kUninstallDisplayName);
        RegDeleteValueA(key.Get(), kUninstallDisplayIcon);
        RegDeleteValueA(key.Get(), kUninstallString);
    }
    key.Reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
}

std::string ShortPath(const std::string& path)
{
    char buffer[MAX_PATH * 2] = "";
    DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
    // A path that has no short form (or no longer exists) is written as it is.
    return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : path;
}

void AddWinInitEntry(const std::string& path, const char* newPath)
{
    const std::string file = win::Format("%s\\WININIT.INI", win::WindowsDirectory().c_str());
    std::string contents;
    win::ReadWholeFile(file, contents);
    const std::string entry = WinInitEntry(newPath ? ShortPath(newPath) : "NUL", ShortPath(path));
    std::string text = InsertWinInitEntry(WinInitText(contents), entry);
    // Windows 9x expects the terminating NUL byte after the text.
    text.push_back('\0');
    win::WriteWholeFile(file, text);
}

} // namespace

std::string FarewellAddress(const std::string& link, DWORD installTime, DWORD now)
{
    long long days = (static_cast<long long>(now) - static_cast<long long>(installTime)) / 86400;
    const std::string page = link.empty() ? DefaultVendorLink(VendorPage::Uninstall) : link;
    return win::Format("%s?D=%d", page.c_str(), static_cast<int>(days));
}

std::string UninstallCompleteText(const std::vector<StillParked>& left)
{
    std::string text = "Quillrest has been removed from the system.  The next time you reboot, the remaining product "
                       "files will be cleaned up.\r\n\r\n";
    if (!left.empty()) {
        text += "These start-up entries could not be put back and are still parked:\r\n";
        const size_t shown = std::min(left.size(), kListedAtMost);
        for (size_t i = 0; i < shown; ++i)
            text += "    " + StillParkedLine(left[i]) + "\r\n";
        if (left.size() > shown)
            text += win::Format("    and %u more\r\n", static_cast<unsigned>(left.size() - shown));
        text += "\r\n";
    }
    return text + "Thank you for trying Quillrest.";
}

bool HandOverToElevatedCopy(AdminWork work, const std::string& arguments, bool startedElevated, int& exitCode)
{
    DWORD code = 0;
    switch (StartElevatedCopy(arguments, startedElevated, code)) {
    case ElevatedCopy::Finished:
        exitCode = static_cast<int>(code);
        return true;
    case ElevatedCopy::Declined:
        // As when the user cancels at the rights question of Windows 95 to XP.
        Inform(work == AdminWork::Install ? "Installation cancelled." : "Uninstall cancelled.", "Cancelled");
        exitCode = ERROR_CANCELLED;
        return true;
    case ElevatedCopy::NotNeeded:
    case ElevatedCopy::Failed:
        break;
    }
    return false;
}

bool DoInstall()
{
    WriteLog("DoInstall");
    if (CancelledForRights(
            "The installation process needs access to a variety of places on the computer to correctly install "
            "Quillrest.  The user you are currently logged in as does not have permission to fully install.\r\n\r\n"
            "You are recommended to cancel the installation, login as an administrator on this computer, and then run "
            "the installation again.\r\n\r\nDo you want to cancel the installation?",
            "Not Enough Rights To Completely Install", "Installation cancelled."))
        return false;
    if (!InstallSelfForBoot()) {
        Inform("You are logged in as a user that doesn't have enough rights on the computer to complete the "
               "installation.  Please login as a power user (Administrator for example) and try the installation "
               "again.",
               "Not Allowed to Install");
        return false;
    }
    if (!WriteApplet())
        return false;
    if (!CopyProgram())
        return false;
    RegisterUninstall();
    RegisterApplet();
    if (ProductDwordOrDefault(kInstallTime, 0) == 0)
        SetProductDword(kInstallTime, win::UnixTimeNow());
    CreateStateKey();
    PrepForReboot();
    RegisterFileType();
    return true;
}

void DoUninstall()
{
    WriteLog("DoUninstall");
    if (CancelledForRights(
            "Uninstall needs access to a variety of places on the computer to cleanly remove Quillrest.  The user you "
            "are currently logged in as does not have permission to uninstall from all necessary places.\r\n\r\n"
            "You are recommended to cancel the uninstall, login as an administrator on this computer, and then run "
            "the uninstall again.\r\n\r\nDo you want to cancel the uninstall?",
            "Not Enough Rights To Cleanly Uninstall", "Uninstall cancelled."))
        return;
    RestorePreviousProxyConfig(nullptr, true);
    // No question before this point ends a resident: a cancel there leaves everything as it was.
    EndEveryResident();
    std::vector<StillParked> left;
    const bool restored = RestoreRedirectedApps(&left);
    for (const StillParked& parked : left)
        WriteLog("Still parked: %s", StillParkedLine(parked).c_str());
    if (!restored) {
        WriteLog("Uninstall cancelled");
        // This session's resident parks again what was already put back, so the
        // next log-on starts nothing twice.
        AllowResidents();
        ShellExecuteA(nullptr, "open", GetInstalledExePath().c_str(), "-silent", "C:\\", SW_SHOWNORMAL);
        Inform("Uninstall has been cancelled because of an error.", "Cancelled");
        ExitProcess(0);
    }
    MoveFileAtReboot(AppletPath());
    MoveFileAtReboot(GetInstalledExePath());
    RemoveFromBoot();
    RemoveUninstallEntry();
    const std::string address =
        FarewellAddress(ProductString(kUninstallLink), ProductDword(kInstallTime, 0), win::UnixTimeNow());
    WriteLog("URL=%s", address.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    Inform(UninstallCompleteText(left).c_str(), "Uninstall Complete");
    OpenWebLink(nullptr, address);
}

void RemoveFromBoot()
{
    WriteLog("RemoveFromBoot");
    win::UniqueKey run;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, run.Out()) != ERROR_SUCCESS) {
        WriteLog("Failed to RegOpenKeyEx for RemoteFromBoot");
        return;
    }
    if (RegDeleteValueA(run.Get(), kOwnRunValue) != ERROR_SUCCESS)
        WriteLog("Failed to RegDeleteValue for RemoteFromBoot");
}

void RegisterFileType()
{
    WriteLog("RegisterFileType");
    const std::string command = QuotedInstalledPath() + " \"%1\"";
    SetDefaultValue(kFileTypeKey, kFileTypeClass);
    SetDefaultValue(kFileTypeClass, kFileTypeDescription);
    const std::string shell = std::string(kFileTypeClass) + "\\Shell";
    SetDefaultValue(shell.c_str(), nullptr);
    SetDefaultValue((shell + "\\Open").c_str(), nullptr);
    SetDefaultValue((shell + "\\Open\\Command").c_str(), command.c_str());
}

void MoveFileAtReboot(const std::string& path, const char* newPath)
{
    if (!Is9x()) {
        using MoveFileExFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
        win::UniqueLibrary kernel(LoadLibraryA("Kernel32.dll"));
        auto moveFileEx = win::LookUp<MoveFileExFn>(kernel.Get(), "MoveFileExA");
        if (!moveFileEx)
            return;
        BOOL moved = moveFileEx(path.c_str(), newPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
        WriteLog("MoveFileEx b=%d, gle=%d", moved ? 1 : 0, static_cast<int>(GetLastError()));
        return;
    }
    AddWinInitEntry(path, newPath);
}
