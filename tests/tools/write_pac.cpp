// Writes the LAN connection's PAC file the way switching ad blocking on does:
// write_pac.exe LIST_FILE PORT
// The list goes where the product keeps it and the port into its setting (both
// put back afterwards); the earlier settings are a direct connection.  Prints
// the folder and the name of the file written.
#include "ToolSupport.h"
#include "adblock/PageBlockAds.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return qrtool::Fail(2, "usage: write_pac.exe LIST_FILE PORT");
    std::string list;
    if (!win::ReadWholeFile(argv[1], list))
        return qrtool::Fail(1, "write_pac: cannot read %s", argv[1]);
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
    if (!written)
        return qrtool::Fail(1, "write_pac: the PAC file could not be written");
    printf("%s\n%s\n", win::SystemDirectory().c_str(),
           page.GetPACFileName(SanitizeConnectionName(kLanConnection)).c_str());
    return 0;
}
