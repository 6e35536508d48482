// Writes the LAN connection's PAC file the way switching ad blocking on does:
// write_pac.exe LIST_FILE PORT
// The list goes where the product keeps it and the port into its setting (both
// put back afterwards); the earlier settings are a direct connection.  Prints
// the folder and the name of the file written.
#include "adblock/PageBlockAds.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Util.h"
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: write_pac.exe LIST_FILE PORT\n");
        return 2;
    }
    std::string list;
    if (!win::ReadWholeFile(argv[1], list)) {
        fprintf(stderr, "write_pac: cannot read %s\n", argv[1]);
        return 1;
    }
    DWORD oldPort = 0;
    const bool hadPort = ReadSettingDword(QR_HKLM, kProductKey, kAdBlockingProxyPort, oldPort);
    SetProductDword(kAdBlockingProxyPort, static_cast<DWORD>(strtoul(argv[2], nullptr, 10)));

    PageBlockAds page;
    const std::string listPath = page.GetAdServerListPath();
    std::string oldList;
    const bool hadList = win::ReadWholeFile(listPath, oldList);
    bool written = win::WriteWholeFile(listPath, list) &&
                   page.GenerateAndSavePACFile(ConnectionProxyConfig(kLanConnection));

    if (hadList)
        win::WriteWholeFile(listPath, oldList);
    else
        DeleteFileA(listPath.c_str());
    if (hadPort)
        SetProductDword(kAdBlockingProxyPort, oldPort);
    if (!written) {
        fprintf(stderr, "write_pac: the PAC file could not be written\n");
        return 1;
    }
    printf("%s\n%s\n", win::SystemDirectory().c_str(),
           page.GetPACFileName(SanitizeConnectionName(kLanConnection)).c_str());
    return 0;
}
