// The start-up routine every run goes through, and the message pump for long work.
#include "app/Entry.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Role.h"
#include "app/Settings.h"
#include "install/Elevation.h"
#include "install/Install.h"
#include "install/Residents.h"
#include "install/Setup.h"
#include "install/System.h"
#include "launch/BootDlg.h"
#include "launch/Redirect.h"
#include "ui/ConfigSheet.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <vector>

namespace {

// The four parts of the program's own file version, from its version resource.
bool OwnFileVersion(WORD parts[4])
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_VERSION));
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DWORD size = found ? SizeofResource(nullptr, found) : 0;
    if (!data)
        return false;
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        const VS_FIXEDFILEINFO* info = reinterpret_cast<const VS_FIXEDFILEINFO*>(data + offset);
        if (info->dwSignature == 0xFEEF04BD) {
            parts[0] = HIWORD(info->dwFileVersionMS);
            parts[1] = LOWORD(info->dwFileVersionMS);
            parts[2] = HIWORD(info->dwFileVersionLS);
            parts[3] = LOWORD(info->dwFileVersionLS);
            return true;
        }
    }
    return false;
}

void WriteBanner(const char* arguments)
{
    WriteLog("************* CmdLine: %s", arguments);
    OSVERSIONINFOA os;
    ZeroMemory(&os, sizeof(os));
    os.dwOSVersionInfoSize = sizeof(os);
    GetVersionExA(&os);
    WriteLog("Platform:%d  %d.%d.%d  %s", static_cast<int>(os.dwPlatformId), static_cast<int>(os.dwMajorVersion),
             static_cast<int>(os.dwMinorVersion), static_cast<int>(os.dwBuildNumber), os.szCSDVersion);
    std::vector<char> buffer(32768, '\0');
    DWORD len = GetEnvironmentVariableA("path", buffer.data(), 32767);
    if (len >= 32767)
        buffer[0] = '\0';
    buffer[32767] = '\0';
    WriteLog("Path: %s", buffer.data());
    buffer[0] = '\0';
    len = GetCurrentDirectoryA(32767, buffer.data());
    if (len >= 32767)
        buffer[0] = '\0';
    WriteLog("CWD: %s", buffer.data());
    WORD version[4] = {0, 0, 0, 0};
    OwnFileVersion(version);
    WriteLog("Quillrest Version: %d.%d.%d.%d", version[0], version[1], version[2], version[3]);
    // 65001 where the manifest's UTF-8 code page is in force.
    WriteLog("Code pages: ANSI %u, OEM %u", GetACP(), GetOEMCP());
    LogPolicies();
}

// A parked shortcut was opened: remove its Recent-documents entry.
void CleanRecentEntry(const std::string& lowerArguments)
{
    std::string recent;
    if (!win::SpecialFolder(CSIDL_RECENT, recent)) {
        WriteLog("Failed to get CSIDL_RECENT");
        return;
    }
    std::string name = RecentLinkName(lowerArguments);
    if (name.empty())
        return;
    std::string path = win::PathJoin(recent, name);
    WriteLog("Deleting %s", path.c_str());
    DeleteFileA(path.c_str());
}

// A sheet with administrator rights parks, once as it opens, what the resident
// instance left to Windows for want of them: the machine-wide places only, since
// an elevated sheet may run in another account than the user's.  Only while the
// program starts at log-on (its own Run value stands), or nothing would start
// what it parks.
void ParkMachinePlacesForSheet(bool readOnly)
{
    if (readOnly || !IsAdministrator())
        return;
    win::UniqueKey run;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, run.Out()) != ERROR_SUCCESS ||
        RegQueryValueExA(run.Get(), kOwnRunValue, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        WriteLog("Not parking the machine-wide start-up places: Quillrest is not started at log-on");
        return;
    }
    PrepForReboot(false);
}

void LaunchInstalledCopy(const std::string& exe, const char* argument)
{
    ShellExecuteA(nullptr, "open", exe.c_str(), argument, "C:\\", SW_SHOWNORMAL);
}

// The one place where the outcome of an install or uninstall becomes the
// process's exit code, which deployment tools read.
int FinishSetup(const SetupResult& result)
{
    const DWORD code = SetupExitCode(result.outcome);
    WriteLog("Exit code %u: %s", static_cast<unsigned>(code), result.reason.c_str());
    return static_cast<int>(code);
}

} // namespace

DWORD WINAPI ShutdownWatchProc(LPVOID)
{
    WriteLog("ShutdownWatchProc started");
    // This session's shutdown event, and the uninstall signal every session hears.
    HANDLE signals[2];
    DWORD count = 0;
    for (HANDLE signal : {CreateEventA(nullptr, FALSE, FALSE, kShutdownEvent), OpenUninstallSignal()})
        if (signal)
            signals[count++] = signal;
    if (count)
        WaitForMultipleObjects(count, signals, FALSE, INFINITE);
    WriteLog("Received shutdown notification");
    ExitProcess(0);
}

int RunApplication(const char* arguments)
{
    CoInitialize(nullptr);
    InitCommonControls();

    const std::string ownPath = win::ModulePath();
    const std::string systemDir = GetInstallDirectory();
    const RoleDecision decision = DecideRole(arguments, ownPath, systemDir);

    if (ProductDword(kLog, 0) != 0)
        SetLogSwitch(true);
    // A quiet run keeps its own log for the deployment tool, whatever the switch says.
    if (decision.quiet) {
        SetQuietRun(true);
        SetSetupLogFile(SetupLogPath());
    }
    WriteBanner(arguments);

    if (decision.role == Role::RecentCleanup) {
        CleanRecentEntry(win::ToLower(arguments));
        return 0;
    }
    if (IsLogSwitchOn())
        RunLoggingCountdown();

    int exitCode = 0;
    switch (decision.role) {
    case Role::Configure: {
        DWORD copyExitCode = 0;
        if (StartElevatedCopy(arguments, decision.elevatedCopy, copyExitCode) == ElevatedCopy::Finished)
            return static_cast<int>(copyExitCode);
        // Declined, or still without administrator rights: the settings are only shown.
        const bool readOnly = ProcessElevation() == Elevation::Limited;
        ParkMachinePlacesForSheet(readOnly);
        ShowConfigurationSheet(decision.launchOrderPage, readOnly);
        return 0;
    }
    case Role::Uninstall:
        if (HandOverToElevatedCopy(AdminWork::Uninstall, arguments, decision.elevatedCopy, exitCode))
            return exitCode;
        return FinishSetup(DoUninstall());
    case Role::Install: {
        const std::string installed = win::PathJoin(systemDir, kExeName);
        if (HandOverToElevatedCopy(AdminWork::Install, arguments, decision.elevatedCopy, exitCode)) {
            // The elevated copy opened the sheet (unless quiet); the resident instance
            // starts from here, with the user's own token, as Windows will start it at
            // log-on.  A quiet run starts nothing.
            if (exitCode == 0 && !decision.quiet)
                LaunchInstalledCopy(installed, "-silent");
            return exitCode;
        }
        // The install ends every session's resident itself, once nothing can cancel it.
        WriteLog("%s", decision.quiet ? "Installing quietly" : "Installing then configuring");
        const SetupResult result = DoInstall();
        if (result.outcome != SetupOutcome::Done && result.outcome != SetupOutcome::RestartNeeded) {
            WriteLog("#### install failed--shutting down");
            return FinishSetup(result);
        }
        // A quiet run starts nothing: the resident starts at the next log-on.
        if (!decision.quiet) {
            WriteLog("Launching new instances after install");
            LaunchInstalledCopy(installed, "-configure");
            if (!decision.elevatedCopy)
                LaunchInstalledCopy(installed, "-silent");
        }
        return FinishSetup(result);
    }
    default:
        break;
    }

    if (!JoinResidents()) {
        WriteLog("Shutting down: an uninstall is under way");
        return 0;
    }
    DWORD threadId = 0;
    HANDLE watch = CreateThread(nullptr, 0, ShutdownWatchProc, nullptr, 0, &threadId);
    if (watch)
        CloseHandle(watch);
    WriteLog("Created shutdown thread");

    CreateMutexA(nullptr, TRUE, kRunningMutex);    // held until the process ends
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        WriteLog("Shutting down after mutex check");
        return 0;
    }

    PrepForReboot();

    DWORD waitStart = GetTickCount();
    while (!GetDesktopWindow())
        Sleep(2000);
    WriteLog("Waited %d ms for desktop to create", static_cast<int>(GetTickCount() - waitStart));

    QuillrestDlg boot(GetDesktopWindow());
    boot.SetSilent(decision.silent);
    if (!decision.silent)
        AddToCounter(kCounterBoots, 1);
    boot.DoModal();
    return 0;
}
