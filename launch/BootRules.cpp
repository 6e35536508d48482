// Pure rules of the boot window: launch delay, progress range, window geometry.
#include "launch/BootRules.h"

short LaunchDelayFromSetting(DWORD stored)
{
    if (stored == 0)
        return kDefaultLaunchDelay;
    return stored > static_cast<DWORD>(kMaxLaunchDelay) ? kMaxLaunchDelay : static_cast<short>(stored);
}

WORD ProgressUpperBound(size_t queuedItems, short launchDelay)
{
    unsigned long long bound = (static_cast<unsigned long long>(queuedItems) + 1) *
                               static_cast<unsigned long long>(launchDelay > 0 ? launchDelay : 0);
    return bound > 0xFFFF ? WORD(0xFFFF) : static_cast<WORD>(bound);
}

int CentredLeft(int desktopWidth, int windowWidth)
{
    return (desktopWidth - windowWidth) / 2;
}

int CutWindowHeight(int clientTop, int clientRowPixels, int pixel)
{
    return clientTop + clientRowPixels - pixel;
}

bool AdListDownloadDue(DWORD now, DWORD lastCheck)
{
    return static_cast<long long>(now) - static_cast<long long>(lastCheck) > kAdListPeriodSeconds;
}
