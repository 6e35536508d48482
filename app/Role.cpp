// The role a run takes, decided from its argument string and where it lives.
#include "app/Role.h"
#include "win/Text.h"
#include "win/Util.h"

static bool Has(const std::string& text, const char* what)
{
    return text.find(what) != std::string::npos;
}

RoleDecision DecideRole(const std::string& arguments, const std::string& ownPath, const std::string& systemDir)
{
    RoleDecision decision;
    const std::string args = win::ToLower(arguments);
    if (Has(args, ".quillrest")) {
        decision.role = Role::RecentCleanup;
        return decision;
    }
    if (Has(args, "-configure")) {
        decision.role = Role::Configure;
        decision.launchOrderPage = Has(args, kLaunchOrderSwitch);
        return decision;
    }
    if (Has(args, "-uninstall")) {
        decision.role = Role::Uninstall;
        decision.quiet = Has(args, kQuietSwitch);
        return decision;
    }
    decision.silent = Has(args, "-silent");
    if (!Has(args, "-noinstall")) {
        if (win::ToLower(ownPath).find(win::ToLower(systemDir)) == std::string::npos) {
            decision.role = Role::Install;
            decision.silent = false;
            decision.quiet = Has(args, kQuietSwitch);
            return decision;
        }
        if (args.empty()) {
            decision.role = Role::Configure;
            return decision;
        }
    }
    decision.role = Role::Resident;
    return decision;
}

std::string RecentLinkName(const std::string& lowerArguments)
{
    std::string stripped = lowerArguments;
    while (!stripped.empty() && stripped.front() == '"')
        stripped.erase(0, 1);
    while (!stripped.empty() && stripped.back() == '"')
        stripped.pop_back();
    size_t slash = win::LastBackslash(stripped);
    if (slash == std::string::npos)
        return std::string();
    return stripped.substr(slash + 1) + ".lnk";
}
