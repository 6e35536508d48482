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
#include "ui/SheetText.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <shellapi.h>
#include <shlwapi.h>
#include <algorithm>

namespace {

const char* kUninstallCommandSuffix = " -configure";
const char* kQuietUninstallSuffix = " -uninstall -quiet";
const char* kFileTypeDescription = "Quillrest Link";
const int kCopyAttempts = 5;
// Entries named in the last message; the log names every one.
const size_t kListedAtMost = 20;

// Without administrator rights the user is asked whether to go on; true (after
// saying `cancelled`) when they choose to cancel.  Cancelling loses nothing, so
// a quiet run takes that answer, and fails: nobody is there to log on as an
// administrator.  Windows Vista and later ask their own question before the
// work starts (the elevation prompt): a run there goes on as far as its rights allow.
bool StoppedForRights(const char* question, const char* title, const char* cancelled, SetupResult& result)
{
    if (ProcessElevation() == Elevation::Limited || IsAdministrator() ||
        AskOrTakeSafeAnswer(question, title, MB_YESNO, IDYES) != IDYES)
        return false;
    if (IsQuietRun()) {
        result = {SetupOutcome::Failed, "this account has no administrator rights"};
        return true;
    }
    Inform(cancelled, "Cancelled");
    result = {SetupOutcome::Cancelled, "cancelled at the question about rights"};
    return true;
}

// Another install or uninstall runs: this one changes nothing.
SetupResult Busy()
{
    Inform("Another installation or uninstall of Quillrest is running.  Please try again when it has finished.",
           "Quillrest Is Busy");
    return {SetupOutcome::Busy, "another install or uninstall of Quillrest is running"};
}

// The residents of every session end while the program's file is replaced,
// and may start again (at the next log-on, or as this run starts them) after.
struct ResidentsAway {
    ResidentsAway() { EndEveryResident(); }
    ~ResidentsAway() { AllowResidents(); }
};

bool SetStringValue(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ)
{
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

void SetDwordValue(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

ULONGLONG FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
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

enum class Copied { Now, AtRestart, Not };

Copied CopyProgram()
{
    const std::string source = win::ModulePath();
    if (win::ToLower(source).find(win::ToLower(GetInstallDirectory())) != std::string::npos)
        return Copied::Now;
    const std::string destination = GetInstalledExePath();
    for (int attempt = 1; attempt <= kCopyAttempts; ++attempt) {
        SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
        BOOL copied = CopyFileA(source.c_str(), destination.c_str(), FALSE);
        WriteLog("Copy src=%s, dst=%s, Res=%d, GLE=%d", source.c_str(), destination.c_str(), copied ? 1 : 0,
                 static_cast<int>(GetLastError()));
        if (copied)
            return Copied::Now;
        // A resident instance that was just told to end may still hold the file.
        if (attempt < kCopyAttempts)
            Sleep(1000);
    }
    // An installed copy that something still runs (a configuration sheet, say):
    // the new one takes its place at the next restart.
    const std::string pending = destination + ".new";
    if (win::FileExists(destination) && CopyFileA(source.c_str(), pending.c_str(), FALSE) &&
        MoveFileAtReboot(pending, destination.c_str())) {
        WriteLog("%s is in use: the new copy takes its place at the next restart", destination.c_str());
        return Copied::AtRestart;
    }
    DeleteFileA(pending.c_str());
    Inform("Unable to install the Quillrest.exe file.  Please login as a power user (Administrator for example) and "
           "try again.",
           "Can't Install");
    return Copied::Not;
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
        // What deployment tools read: the command that asks nothing, the version
        // they compare, and no Modify or Repair button, which would do nothing.
        SetStringValue(key.Get(), kUninstallQuietString, icon + kQuietUninstallSuffix);
        DWORD versionMS = 0, versionLS = 0;
        OwnFileVersion(versionMS, versionLS);
        SetStringValue(key.Get(), kUninstallDisplayVersion,
                       win::Format("%u.%u.%u.%u", HIWORD(versionMS), LOWORD(versionMS), HIWORD(versionLS),
                                   LOWORD(versionLS)));
        SetStringValue(key.Get(), kUninstallPublisher, kPublisherName);
        SetStringValue(key.Get(), kUninstallInstallLocation, GetInstallDirectory());
        const ULONGLONG bytes = FileSize(win::ModulePath()) + FileSize(AppletPath());
        SetDwordValue(key.Get(), kUninstallEstimatedSize, static_cast<DWORD>((bytes + 1023) / 1024));
        SetDwordValue(key.Get(), kUninstallNoModify, 1);
        SetDwordValue(key.Get(), kUninstallNoRepair, 1);
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
        for (const char* name : {kUninstallDisplayName, kUninstallDisplayIcon, kUninstallString, kUninstallQuietString,
                                 kUninstallDisplayVersion, kUninstallPublisher, kUninstallInstallLocation,
                                 kUninstallEstimatedSize, kUninstallNoModify, kUninstallNoRepair})
            RegDeleteValueA(key.Get(), name);
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

bool AddWinInitEntry(const std::string& path, const char* newPath)
{
    const std::string file = win::Format("%s\\WININIT.INI", win::WindowsDirectory().c_str());
    std::string contents;
    win::ReadWholeFile(file, contents);
    const std::string entry = WinInitEntry(newPath ? ShortPath(newPath) : "NUL", ShortPath(path));
    std::string text = InsertWinInitEntry(WinInitText(contents), entry);
    // Windows 9x expects the terminating NUL byte after the text.
    text.push_back('\0');
    return win::WriteWholeFile(file, text);
}

// After a stop: what was put back is parked again, so the next log-on starts
// nothing twice.  This session's resident does it as it starts; a quiet run
// starts nothing, so it parks them itself.
void ParkAgainAfterStop()
{
    AllowResidents();
    if (IsQuietRun())
        ParkForThisAccount();
    else
        ShellExecuteA(nullptr, "open", GetInstalledExePath().c_str(), "-silent", "C:\\", SW_SHOWNORMAL);
}

// Why an uninstall that went through needs a restart: a user's registry that
// could not be read, whose entries stay parked until it can be (none: "").
std::string RegistriesUnread(const std::vector<StillParked>& left)
{
    std::string unread;
    for (const StillParked& parked : left)
        if (parked.registryUnread)
            unread += (unread.empty() ? "" : "; ") + parked.entry;
    return unread;
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
        WriteLog("The elevated copy ended with exit code %u", static_cast<unsigned>(code));
        exitCode = static_cast<int>(code);
        return true;
    case ElevatedCopy::Declined:
        // As when the user cancels at the rights question of Windows 95 to XP.
        Inform(work == AdminWork::Install ? "Installation cancelled." : "Uninstall cancelled.", "Cancelled");
        WriteLog("Exit code %u: the elevation prompt was declined",
                 static_cast<unsigned>(SetupExitCode(SetupOutcome::Cancelled)));
        exitCode = static_cast<int>(SetupExitCode(SetupOutcome::Cancelled));
        return true;
    case ElevatedCopy::NotNeeded:
    case ElevatedCopy::Failed:
        break;
    }
    return false;
}

SetupResult DoInstall()
{
    WriteLog("DoInstall");
    SetupLock lock;
    if (!lock.Held())
        return Busy();
    SetupResult result;
    if (StoppedForRights(
            "The installation process needs access to a variety of places on the computer to correctly install "
            "Quillrest.  The user you are currently logged in as does not have permission to fully install.\r\n\r\n"
            "You are recommended to cancel the installation, login as an administrator on this computer, and then run "
            "the installation again.\r\n\r\nDo you want to cancel the installation?",
            "Not Enough Rights To Completely Install", "Installation cancelled.", result))
        return result;
    // An older version's residents, in every session, let go of its file.
    ResidentsAway away;
    if (!InstallSelfForBoot()) {
        Inform("You are logged in as a user that doesn't have enough rights on the computer to complete the "
               "installation.  Please login as a power user (Administrator for example) and try the installation "
               "again.",
               "Not Allowed to Install");
        return {SetupOutcome::Failed, "the machine's Run key could not be written"};
    }
    if (!WriteApplet())
        return {SetupOutcome::Failed, "the Control Panel applet could not be written"};
    const Copied copied = CopyProgram();
    if (copied == Copied::Not)
        return {SetupOutcome::Failed, "the program could not be copied to " + GetInstalledExePath()};
    RegisterUninstall();
    RegisterApplet();
    // An upgrade keeps the settings, the parked entries and the first installation's time.
    if (ProductDwordOrDefault(kInstallTime, 0) == 0)
        SetProductDword(kInstallTime, win::UnixTimeNow());
    CreateStateKey();
    ParkForThisAccount();
    RegisterFileType();
    if (copied == Copied::AtRestart) {
        Inform("Setup had to leave the running Quillrest in place.  The new version takes its place the next time "
               "you restart the computer.",
               "Restart Needed");
        return {SetupOutcome::RestartNeeded,
                "the installed program was in use: the new one replaces it at the next restart"};
    }
    return {SetupOutcome::Done, "installed"};
}

SetupResult DoUninstall()
{
    WriteLog("DoUninstall");
    SetupLock lock;
    if (!lock.Held())
        return Busy();
    SetupResult result;
    if (StoppedForRights(
            "Uninstall needs access to a variety of places on the computer to cleanly remove Quillrest.  The user you "
            "are currently logged in as does not have permission to uninstall from all necessary places.\r\n\r\n"
            "You are recommended to cancel the uninstall, login as an administrator on this computer, and then run "
            "the uninstall again.\r\n\r\nDo you want to cancel the uninstall?",
            "Not Enough Rights To Cleanly Uninstall", "Uninstall cancelled.", result))
        return result;
    RestorePreviousProxyConfig(nullptr, !IsQuietRun());
    // No question before this point ends a resident: a cancel there leaves everything as it was.
    EndEveryResident();
    std::vector<StillParked> left;
    const bool restored = RestoreRedirectedApps(&left);
    for (const StillParked& parked : left)
        WriteLog("Still parked: %s", StillParkedLine(parked).c_str());
    if (!restored) {
        WriteLog("Uninstall cancelled");
        ParkAgainAfterStop();
        Inform("Uninstall has been cancelled because of an error.", "Cancelled");
        return {SetupOutcome::Failed, "start-up entries could not be put back (see the lines above); Quillrest "
                                      "stays installed"};
    }
    MoveFileAtReboot(AppletPath());
    MoveFileAtReboot(GetInstalledExePath());
    RemoveFromBoot();
    RemoveUninstallEntry();
    const std::string address =
        FarewellAddress(ProductString(kUninstallLink), ProductDword(kInstallTime, 0), win::UnixTimeNow());
    WriteLog("URL=%s", address.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    Inform(UninstallCompleteText(left), "Uninstall Complete");
    if (!IsQuietRun())
        OpenWebLink(nullptr, address);
    const std::string unread = RegistriesUnread(left);
    if (!unread.empty())
        return {SetupOutcome::RestartNeeded, "uninstalled, but the registry of " + unread +
                                                 " could not be read: its start-up entries stay parked"};
    return {SetupOutcome::Done, "uninstalled"};
}

void ParkForThisAccount()
{
    if (!IsLocalSystem()) {
        PrepForReboot();
        return;
    }
    WriteLog("Running as the SYSTEM account: parking the machine-wide start-up places only; each user's own are "
             "parked at that user's next log-on");
    PrepForReboot(false);
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

bool MoveFileAtReboot(const std::string& path, const char* newPath)
{
    if (!Is9x()) {
        using MoveFileExFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
        win::UniqueLibrary kernel(LoadLibraryA("Kernel32.dll"));
        auto moveFileEx = win::LookUp<MoveFileExFn>(kernel.Get(), "MoveFileExA");
        if (!moveFileEx)
            return false;
        BOOL moved = moveFileEx(path.c_str(), newPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
        WriteLog("MoveFileEx b=%d, gle=%d", moved ? 1 : 0, static_cast<int>(GetLastError()));
        return moved != FALSE;
    }
    return AddWinInitEntry(path, newPath);
}
