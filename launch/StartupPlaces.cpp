// Where start-up entries and the system's own switches for them live on today's Windows: pure rules.
#include "launch/StartupPlaces.h"
#include "app/RegNames.h"
#include "launch/WorkOrder.h"
#include "win/Text.h"

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
