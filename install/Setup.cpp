// What every install and uninstall run shares: outcome, exit code, quiet answers and the lock.
#include "install/Setup.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "win/Util.h"

namespace {

bool g_quiet = false;

// The codes of Windows Installer, which every deployment tool reads; the
// packaging check reads this table too.
const struct {
    SetupOutcome outcome;
    DWORD exitCode;
} kExitCodes[] = {
    {SetupOutcome::Done, 0},
    {SetupOutcome::Cancelled, 1602},        // ERROR_INSTALL_USEREXIT
    {SetupOutcome::Failed, 1603},           // ERROR_INSTALL_FAILURE
    {SetupOutcome::RestartNeeded, 3010},    // ERROR_SUCCESS_REBOOT_REQUIRED
    {SetupOutcome::Busy, 1618},             // ERROR_INSTALL_ALREADY_RUNNING
};

const char* AnswerName(int answer)
{
    switch (answer) {
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    case IDCANCEL:
        return "Cancel";
    default:
        return "OK";
    }
}

// Windows 2000 and later keep named objects per session, but for the global namespace.
const char* SetupMutexName()
{
    const OSVERSIONINFOA info = win::OsVersion();
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 5 ? kSetupMutex : kSetupMutexOld;
}

} // namespace

DWORD SetupExitCode(SetupOutcome outcome)
{
    for (const auto& entry : kExitCodes)
        if (entry.outcome == outcome)
            return entry.exitCode;
    return 1603;
}

void SetQuietRun(bool quiet)
{
    g_quiet = quiet;
}

bool IsQuietRun()
{
    return g_quiet;
}

int AskOrTakeSafeAnswer(const std::string& text, const char* title, UINT style, int safeAnswer)
{
    if (!g_quiet)
        return MessageBoxA(nullptr, text.c_str(), title, style);
    WriteLog("Quiet run, message \"%s\": %s", title, text.c_str());
    if ((style & MB_TYPEMASK) != MB_OK)
        WriteLog("Quiet run: taking the answer %s", AnswerName(safeAnswer));
    return safeAnswer;
}

void Inform(const std::string& text, const char* title)
{
    AskOrTakeSafeAnswer(text, title, MB_OK, IDOK);
}

SetupLock::SetupLock()
{
    const char* name = SetupMutexName();
    mutex_.Reset(CreateMutexA(nullptr, FALSE, name));
    // No handle at all: another account's run holds one that this account may not open.
    if (!mutex_) {
        WriteLog("Another install or uninstall holds %s. GLE=%d", name, static_cast<int>(GetLastError()));
        return;
    }
    const DWORD waited = WaitForSingleObject(mutex_.Get(), 0);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

SetupLock::~SetupLock()
{
    if (held_)
        ReleaseMutex(mutex_.Get());
}
