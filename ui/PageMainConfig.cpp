// "Basic Options": launch delay, boot window display, statistics, trouble, feedback, uninstall.
#include "ui/PageMainConfig.h"
#include "app/Links.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "install/Install.h"
#include "res/resource.h"
#include "ui/SheetText.h"
#include "ui/SmallDialogs.h"
#include "win/Util.h"
#include <cstdlib>

namespace {

const DWORD kMinDelay = 1;
const DWORD kMaxDelay = 999;

// Once per process: the user sees the warning once however often the page is shown.
bool g_rightsProbePending = true;

const BoundSetting kMainSettings[] = {
    {IDC_MAIN_DELAY, kDelaySeconds, 8, kMinDelay, kMaxDelay},
    {IDC_MAIN_MINIMIZED, kMinimized, 1, 0, 0},
    {IDC_MAIN_TRANSPARENT, kTransparent, 1, 0, 0},
};

const int kStatisticIds[] = {IDC_MAIN_STAT_BOOTS, IDC_MAIN_STAT_JUNK, IDC_MAIN_STAT_WEBFILES, IDC_MAIN_STAT_COOKIES,
                             IDC_MAIN_STAT_ADS};

} // namespace

PageMainConfig::PageMainConfig()
    : SettingsPage(IDD_PAGE_MAIN, "PageMainConfig", kMainSettings, kReadWhenBuilt, SettingsCommit::OnOK)
{
}

// The sheet has no owner to sit on, so it opens in the middle of the work area.
static void CentreOnWorkArea(HWND window)
{
    RECT area = {0, 0, 0, 0};
    RECT frame = {0, 0, 0, 0};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || !GetWindowRect(window, &frame))
        return;
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(window, nullptr, x > area.left ? x : area.left, y > area.top ? y : area.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool PageMainConfig::OnInit()
{
    CentreOnWorkArea(GetParent(hwnd_));
    DWORD versionMS = 0, versionLS = 0;
    OwnFileVersion(versionMS, versionLS);
    SetItemText(IDC_MAIN_VERSION, VersionLine(versionMS, versionLS));
    if (SheetReadOnly()) {
        ShowItem(IDC_MAIN_INTRO, false);
        ShowItem(IDC_MAIN_READ_ONLY, true);
        EnableItem(IDC_MAIN_UNINSTALL, false);
    }
    return SettingsPage::OnInit();
}

void PageMainConfig::OnSetActive()
{
    ProbeRights();
    ShowStatistics();
}

// Windows 95 to XP: whether the settings can be saved is found by saving one.
// A read-only sheet knows it from the token already.
void PageMainConfig::ProbeRights()
{
    if (!g_rightsProbePending || SheetReadOnly())
        return;
    g_rightsProbePending = false;
    srand(GetTickCount());
    DWORD drawn = static_cast<DWORD>(rand());
    SetProductDword(kRandom, drawn);
    DWORD readBack = drawn + 1;    // a failed read counts as a mismatch
    ReadSettingDword(HKEY_LOCAL_MACHINE, kProductKey, kRandom, readBack);
    if (readBack != drawn)
        MessageBoxA(hwnd_,
                    "It appears that you don't have the proper rights to configure this application.  You should "
                    "login as a power user (Administrator for example) and try again.",
                    "Need More Rights", MB_OK);
}

void PageMainConfig::ShowStatistics()
{
    const std::vector<std::string> lines = StatisticsLines(ReadStatistics());
    for (size_t i = 0; i < lines.size(); ++i)
        SetItemText(kStatisticIds[i], lines[i]);
}

bool PageMainConfig::OnCommand(int id, int code, HWND control)
{
    if (code != BN_CLICKED)
        return SettingsPage::OnCommand(id, code, control);
    switch (id) {
    case IDC_MAIN_TROUBLE: {
        TroubleDlg trouble;
        trouble.Run(hwnd_);
        return true;
    }
    case IDC_MAIN_FEEDBACK:
        SubmitFeedback();
        return true;
    case IDC_MAIN_UNINSTALL:
        Uninstall();
        return true;
    default:
        return SettingsPage::OnCommand(id, code, control);
    }
}

void PageMainConfig::SubmitFeedback()
{
    const std::string address =
        FeedbackAddress(VendorLink(VendorPage::Feedback), ProductDword(kInstallTime, 0), win::UnixTimeNow());
    OpenWebLink(hwnd_, address);
}

void PageMainConfig::Uninstall()
{
    DoUninstall();
    // Cancel, so that no page commits settings into the key the uninstall removed.
    PostMessageA(GetParent(hwnd_), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}
