// The configuration property sheet.
#include "ui/ConfigSheet.h"
#include "adblock/PageBlockAds.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/Mscdex.h"
#include "ui/CleaningPages.h"
#include "ui/PageBootReport.h"
#include "ui/PageLaunchOrder.h"
#include "ui/PageMainConfig.h"
#include "ui/SettingsPage.h"
#include <algorithm>
#include <vector>

namespace {
const char* const kSheetCaption = "Quillrest Configuration";

// The CD Drivers page stays once MSCDEX has been seen, even after it was taken out.
bool WantsCDDrivesPage()
{
    DWORD saw = 0;
    ReadSettingDword(HKEY_LOCAL_MACHINE, kProductKey, kSawMSCDEX, saw);
    return saw == 1 || IsMSCDEXLoaded();
}
} // namespace

void ShowConfigurationSheet(bool onLaunchOrder, bool readOnly)
{
    Traced("ShowConfigurationSheet", [onLaunchOrder, readOnly] {
        if (readOnly)
            WriteLog("Without administrator rights: the settings are only shown");
        SetSheetReadOnly(readOnly);
        // Each page reads the settings it keeps for the whole sheet now.
        PageMainConfig mainPage;
        PageLaunchOrder launchOrder;
        PageBootReport bootReport;
        PageBlockAds blockAds;
        PageCookies cookies;
        PageInternet internet;
        PageTempFiles tempFiles;
        PageCDDrives cdDrives;
        PageFileCHK fileChk;
        PageRootDir rootDir;

        std::vector<win::PropertyPage*> pages = {&mainPage, &launchOrder, &blockAds, &cookies, &internet, &tempFiles};
        // The boot report sits right after the launch order it reports on.
        pages.insert(std::find(pages.begin(), pages.end(), &launchOrder) + 1, &bootReport);
        if (WantsCDDrivesPage())
            pages.push_back(&cdDrives);
        pages.push_back(&fileChk);
        pages.push_back(&rootDir);
        const auto launchOrderAt = std::find(pages.begin(), pages.end(), &launchOrder);
        win::RunPropertySheet(nullptr, kSheetCaption, pages,
                              onLaunchOrder ? static_cast<size_t>(launchOrderAt - pages.begin()) : 0);
        SetSheetReadOnly(false);
    });
}
