// The boot window's weekly ad-server list download (timer 9).
#include "launch/BootDlg.h"
#include "adblock/PageBlockAds.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "ui/SmallDialogs.h"
#include "win/Dialog.h"

namespace {

constexpr DWORD kQuietBeforeDownloadMs = 10000;
constexpr DWORD kPopupBeforeDownloadMs = 1000;
constexpr DWORD kPopupShownMs = 8000;

// Dispatches messages until GetTickCount reaches `deadline` (wrap-around safe).
void PumpUntilTick(DWORD deadline)
{
    while (static_cast<LONG>(GetTickCount() - deadline) < 0)
        win::PumpMessages();
}

} // namespace

void QuillrestDlg::TimerUpdateAdBlockInfo()
{
    Traced("QuillrestDlg::TimerUpdateAdBlockInfo", [&] {
        if (IsConnectedToInternet() != 1)
            return;    // still armed: tried again with the next tick
        StopTimer(kTimerUpdateAdBlockInfo);
        PumpUntilTick(GetTickCount() + kQuietBeforeDownloadMs);
        const DWORD start = GetTickCount();

        HWND popup = nullptr;
        if (ProductDword(kDontShowAdBlockInfoCheck, 0) == 0) {
            popup = (new CheckingForUpdatesDlg(GetDesktopWindow(), "Getting newest ad blocking intelligence from",
                                               "the Quillrest web site.", kDontShowAdBlockInfoCheck))
                        ->Create();
            PumpUntilTick(start + kPopupBeforeDownloadMs);
        }
        PageBlockAds page;
        page.UpdateAdBlockInfo();
        if (popup) {
            PumpUntilTick(start + kPopupShownMs);
            // The user may have closed it already through its "Don't show" box.
            if (IsWindow(popup))
                DestroyWindow(popup);
        }
    });
}
