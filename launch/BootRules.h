// Pure rules of the boot window: launch delay, progress range, window geometry.
#pragma once
#include <windows.h>

constexpr short kDefaultLaunchDelay = 8;
constexpr short kMaxLaunchDelay = 60;

// "DelaySeconds" as stored (0 when missing): 0 gives 8 seconds, above 60 gives 60.
short LaunchDelayFromSetting(DWORD stored);

// Upper bound of the progress bar: the expected launch phase in seconds,
// (items + 1) periods, kept within the bar's 16-bit range.
WORD ProgressUpperBound(size_t queuedItems, short launchDelay);

// Left edge that centres a window of `windowWidth` on a desktop of `desktopWidth`.
int CentredLeft(int desktopWidth, int windowWidth);

// Window height that makes the window end `pixel` (one pixel at 96 DPI, scaled
// to the system DPI) above client row `clientRowPixels`; the client area starts
// `clientTop` pixels below the window's top.
int CutWindowHeight(int clientTop, int clientRowPixels, int pixel);

constexpr DWORD kAdListPeriodSeconds = 604800;    // seven days

// True when more than seven days have passed since the last list download.
bool AdListDownloadDue(DWORD now, DWORD lastCheck);
