// Shows the Block Ads page or the Select Blocking dialog for screenshots, with
// three dial-up connections from the test stand-in for RAS and WinINet.
//
// Usage: adblock_dialogs.exe page|choose [SECONDS]
// Prints "x y width height" of the window once it is shown, closes it after
// SECONDS (default 10) and exits.
#include "ToolSupport.h"
#include "adblock/ChooseBlockingConnectionsDlg.h"
#include "adblock/PageBlockAds.h"
#include "tests/adblock/FakeProxyPlatform.h"
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const DWORD seconds = static_cast<DWORD>(qrtool::IntArg(argc, argv, 2, 10));
    qrtest::FakeProxyPlatform platform;
    platform.phoneBook = {"Zeta Dial", "My ISP: fast", "Alpha Dial"};
    qrtest::ScopedProxyPlatform seam(platform);
    InitCommonControls();
    if (strcmp(argv[1], "page") == 0) {
        return qrtool::ShowModalFor("Quillrest Configuration", seconds, [] {
            PageBlockAds blockAds;
            win::RunPropertySheet(nullptr, "Quillrest Configuration", {&blockAds});
        });
    }
    return qrtool::ShowModalFor("Select Blocking", seconds, [] {
        std::vector<std::string> chosen;
        ChooseBlockingConnectionsDlg().Run(nullptr, chosen);
    });
}
