// Shows the Select Blocking dialog for screenshots, with three dial-up
// connections from the test stand-in for RAS and WinINet.
//
// Usage: adblock_dialogs.exe choose [SECONDS]
// Prints "x y width height" of the dialog once it is shown, closes it after
// SECONDS (default 10) and exits.
#include "ToolSupport.h"
#include "adblock/ChooseBlockingConnectionsDlg.h"
#include "tests/adblock/FakeProxyPlatform.h"
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2 || strcmp(argv[1], "choose") != 0)
        return 2;
    qrtest::FakeProxyPlatform platform;
    platform.phoneBook = {"Zeta Dial", "My ISP: fast", "Alpha Dial"};
    qrtest::ScopedProxyPlatform seam(platform);
    InitCommonControls();
    return qrtool::ShowModalFor("Select Blocking", static_cast<DWORD>(qrtool::IntArg(argc, argv, 2, 10)), [] {
        std::vector<std::string> chosen;
        ChooseBlockingConnectionsDlg().Run(nullptr, chosen);
    });
}
