// Shows the Block Ads page or the Select Blocking dialog for screenshots, with
// three dial-up connections from the test stand-in for RAS and WinINet.
//
// Usage: adblock_dialogs.exe page|choose [SECONDS]
// Prints "x y width height" of the window once it is shown, closes it after
// SECONDS (default 10) and exits.
#include "adblock/ChooseBlockingConnectionsDlg.h"
#include "adblock/PageBlockAds.h"
#include "tests/adblock/FakeProxyPlatform.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Watch {
    const char* title;
    DWORD seconds;
};

DWORD WINAPI ReportAndClose(LPVOID argument)
{
    const Watch* watch = static_cast<const Watch*>(argument);
    HWND window = nullptr;
    for (int i = 0; i < 500 && !((window = FindWindowA(nullptr, watch->title)) && IsWindowVisible(window)); ++i)
        Sleep(20);
    if (!window)
        return 1;
    RECT rect;
    GetWindowRect(window, &rect);
    printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    fflush(stdout);
    Sleep(watch->seconds * 1000);
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const bool page = strcmp(argv[1], "page") == 0;
    Watch watch = {page ? "Quillrest Configuration" : "Select Blocking",
                   static_cast<DWORD>(argc > 2 ? atoi(argv[2]) : 10)};
    qrtest::FakeProxyPlatform platform;
    platform.phoneBook = {"Zeta Dial", "My ISP: fast", "Alpha Dial"};
    qrtest::ScopedProxyPlatform seam(platform);
    InitCommonControls();
    HANDLE watcher = CreateThread(nullptr, 0, ReportAndClose, &watch, 0, nullptr);
    if (page) {
        PageBlockAds blockAds;
        win::RunPropertySheet(nullptr, watch.title, {&blockAds});
    } else {
        std::vector<std::string> chosen;
        ChooseBlockingConnectionsDlg().Run(nullptr, chosen);
    }
    WaitForSingleObject(watcher, 20000);
    CloseHandle(watcher);
    return 0;
}
