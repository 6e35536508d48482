// Writes the PAC script the product makes for a direct LAN connection to a file,
// for bench/pac_eval.sh.  The tools carry no resources, so the list comes as a
// file and is put where the product reads its ad-server list.
//
// Usage: pac_text.exe OUTFILE LISTFILE [conditions|lookup]
// Without a form the script is the one the product writes (its form follows
// the list's size); with one, the list in that form.
#include "adblock/PacScript.h"
#include "adblock/PageBlockAds.h"
#include "win/Util.h"
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4)
        return 2;
    PageBlockAds page;
    const ConnectionProxyConfig direct(kLanConnection);
    std::string script;
    if (argc == 3) {
        if (!CopyFileA(argv[2], page.GetAdServerListPath().c_str(), FALSE))
            return 1;
        script = page.GetPACFileContents(direct);
    } else {
        std::string list;
        if (!win::ReadWholeFile(argv[2], list))
            return 1;
        const PacForm form = strcmp(argv[3], "lookup") == 0 ? PacForm::Lookup : PacForm::Conditions;
        script = BuildPacScript(ReadAdServerList(list, nullptr), form, direct, page.Port(), nullptr);
    }
    if (!win::WriteWholeFile(argv[1], script))
        return 1;
    printf("%u bytes\n", static_cast<unsigned>(script.size()));
    return 0;
}
