// The role a run takes, decided from its argument string and where it lives.
#include "app/Role.h"
#include "win/Bytes.h"

static bool Has(const std::string& text, const char* what)
{
    return text.find(what) != std::string::npos;
}

RoleDecision DecideRole(const std::string& arguments, const std::string& ownPath, const std::string& systemDir)
{
    RoleDecision decision;
    std::string args = win::ToLower(arguments);
    // The elevated copy's switch counts only as the last word, where its starter
    // put it: cut out of the middle, its two sides would join into another word
    // ("-sil-elevatedent" is no "-silent").
    const std::string elevated(kElevatedSwitch);
    const size_t end = args.find_last_not_of(" \t") + 1;    // npos + 1: nothing but blanks
    const size_t marker = end >= elevated.size() ? end - elevated.size() : std::string::npos;
    if (marker != std::string::npos && args.compare(marker, elevated.size(), elevated) == 0 &&
        (marker == 0 || args[marker - 1] == ' ' || args[marker - 1] == '\t')) {
        decision.elevatedCopy = true;
        args.erase(marker > 0 ? marker - 1 : 0);    // with the blank that joined it
    }
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
    // The name is joined to the Recent folder: a slash or a drive after the
    // last backslash would lead out of it.  Neither is a byte of a double-byte
    // character, so a plain search finds them.
    const size_t other = stripped.find_last_of("/:");
    if (other != std::string::npos && other > slash)
        slash = other;
    return stripped.substr(slash + 1) + ".lnk";
}
