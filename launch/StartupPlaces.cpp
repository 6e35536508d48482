// Where start-up entries and the system's own switches for them live on today's Windows: pure rules.
#include "launch/StartupPlaces.h"
#include "app/RegNames.h"
#include "launch/WorkOrder.h"
#include "win/Text.h"
#include <algorithm>
#include <iterator>

std::vector<REGSAM> HklmRunViews(bool windows64)
{
    if (!windows64)
        return {0};
    return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
}

REGSAM SystemKeyView(bool windows64)
{
    return windows64 ? KEY_WOW64_64KEY : 0;
}

std::string ViewText(REGSAM view)
{
    if (view & KEY_WOW64_64KEY)
        return " V=64";
    if (view & KEY_WOW64_32KEY)
        return " V=32";
    return std::string();
}

bool StartupApprovalPlace(int source, REGSAM view, ApprovalPlace& place)
{
    switch (source) {
    case SourceHklmRun:
        place = {HKEY_LOCAL_MACHINE, (view & KEY_WOW64_32KEY) ? kApprovedRun32 : kApprovedRun};
        return true;
    case SourceHkcuRun:
        place = {HKEY_CURRENT_USER, kApprovedRun};
        return true;
    case SourceUserStartup:
        place = {HKEY_CURRENT_USER, kApprovedStartupFolder};
        return true;
    case SourceCommonStartup:
        place = {HKEY_LOCAL_MACHINE, kApprovedStartupFolder};
        return true;
    default:
        return false;
    }
}

bool SwitchedOffByValue(const std::vector<BYTE>& data)
{
    return !data.empty() && (data[0] & 1) != 0;
}

std::string ApprovalValueName(const std::string& parkedPath)
{
    const size_t slash = win::LastBackslash(parkedPath);
    std::string name = slash == std::string::npos ? parkedPath : parkedPath.substr(slash + 1);
    const char ending[] = ".quillrest";
    const size_t endingLength = sizeof(ending) - 1;
    if (name.size() > endingLength && win::EndsWithAsciiNoCase(name, ending))
        name.resize(name.size() - endingLength);
    return name;
}

std::string StandardStartupTail(DWORD majorVersion)
{
    return majorVersion >= 6 ? "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"
                             : "Start Menu\\Programs\\Startup";
}

bool ProfileSettingPath(const std::string& setting, const std::string& profileFolder, std::string& path)
{
    static const char* const kMachineVariables[] = {"SYSTEMDRIVE", "SYSTEMROOT", "WINDIR", "PROGRAMDATA",
                                                    "ALLUSERSPROFILE", "PUBLIC", "PROGRAMFILES"};
    path.clear();
    size_t at = 0;
    for (size_t open; (open = setting.find('%', at)) != std::string::npos;) {
        const size_t close = setting.find('%', open + 1);
        if (close == std::string::npos)
            break;
        // Variable names are ASCII: upper-cased byte by byte.
        const std::string name = win::AsciiUpper(setting.substr(open + 1, close - open - 1), CP_ACP);
        path += setting.substr(at, open - at);
        if (name == "USERPROFILE") {
            path += profileFolder;
        } else if (std::find(std::begin(kMachineVariables), std::end(kMachineVariables), name) !=
                   std::end(kMachineVariables)) {
            path += setting.substr(open, close - open + 1);
        } else {
            return false;
        }
        at = close + 1;
    }
    path += setting.substr(at);
    return !path.empty();
}
