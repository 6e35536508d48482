// Writes the PAC script the product makes for a direct LAN connection to a file,
// for bench/pac_eval.sh.  The tools carry no resources, so the list comes as a
// file and is put where the product reads its ad-server list.
//
// Usage: pac_text.exe OUTFILE LISTFILE
#include "adblock/PageBlockAds.h"
#include "win/Util.h"
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    PageBlockAds page;
    if (!CopyFileA(argv[2], page.GetAdServerListPath().c_str(), FALSE))
        return 1;
    const std::string script = page.GetPACFileContents(ConnectionProxyConfig(kLanConnection));
    if (!win::WriteWholeFile(argv[1], script))
        return 1;
    printf("%u bytes\n", static_cast<unsigned>(script.size()));
    return 0;
}
