// The boot window's downloads once the computer is online: the version check
// (timer 5) and the weekly ad-server list (timer 9).
#include "launch/BootDlg.h"
#include "adblock/PageBlockAds.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "ui/SmallDialogs.h"
#include "update/VersionCheck.h"
#include "win/Dialog.h"
#include "win/Util.h"
#include <wininet.h>
#include <atomic>

namespace {

constexpr DWORD kQuietBeforeDownloadMs = 10000;

std::atomic<int> g_connectedForTest(-1);

} // namespace

void OverrideIsConnectedToInternetForTest(int answer)
{
    g_connectedForTest = answer;
}

int QuillrestDlg::IsConnectedToInternet()
{
    return TracedResult("QuillrestDlg::IsConnectedToInternet", 0, [] {
        if (g_connectedForTest >= 0)
            return g_connectedForTest.load();
        using IsNetworkAliveFn = BOOL(WINAPI*)(LPDWORD);
        // Loaded once and kept for the life of the process.
        static HMODULE sensapi = LoadLibraryA("SENSAPI.DLL");
        DWORD flags = 0;
        if (auto isNetworkAlive = win::LookUp<IsNetworkAliveFn>(sensapi, "IsNetworkAlive"))
            return static_cast<int>(isNetworkAlive(&flags));
        return static_cast<int>(InternetGetConnectedState(&flags, 0));
    });
}

bool QuillrestDlg::OnlineForDownload(UINT_PTR timer)
{
    if (IsConnectedToInternet() != 1)
        return false;    // still armed: tried again with the next tick
    // Once per boot window, whatever the download brings.
    StopTimer(timer);
    win::PumpMessagesUntil(GetTickCount() + kQuietBeforeDownloadMs);
    return true;
}

bool QuillrestDlg::SwitchedOffByPolicy(const char* setting, UINT_PTR timer)
{
    // Only a policy: the user's own choice takes effect at the next boot, as it always did.
    if (!FixedByPolicy(setting) || ProductDword(setting, 1) != 0)
        return false;
    WriteLog("%s is switched off by policy: nothing is downloaded", setting);
    StopTimer(timer);
    return true;
}

void QuillrestDlg::TimerCheckVersion()
{
    Traced("QuillrestDlg::TimerCheckVersion", [&] {
        if (SwitchedOffByPolicy(kCheckVersion, kTimerCheckVersion))
            return;
        if (OnlineForDownload(kTimerCheckVersion))
            RunVersionCheck(hwnd_, GetTickCount());
    });
}

void QuillrestDlg::TimerUpdateAdBlockInfo()
{
    Traced("QuillrestDlg::TimerUpdateAdBlockInfo", [&] {
        if (SwitchedOffByPolicy(kDownloadAdBlockInfo, kTimerUpdateAdBlockInfo) ||
            !OnlineForDownload(kTimerUpdateAdBlockInfo))
            return;
        const DWORD start = GetTickCount();
        StatusPopup popup(ProductDword(kDontShowAdBlockInfoCheck, 0) == 0, start,
                          "Getting newest ad blocking intelligence from", "the Quillrest web site.",
                          kDontShowAdBlockInfoCheck);
        PageBlockAds page;
        page.UpdateAdBlockInfo();
        popup.Finish();
    });
}
