// The role a run takes, decided from its argument string and where it lives.
// No Windows header: the argument string is anyone's to write, and this is fuzzed natively.
#pragma once
#include <string>

enum class Role {
    RecentCleanup,   // started by opening a parked shortcut
    Configure,       // configuration sheet
    Uninstall,
    Install,         // first run from outside the system directory
    Resident,        // boot window (second instances end at the mutex test)
};

// With "-configure": open the configuration sheet on its Launch Order page.
constexpr const char* kLaunchOrderSwitch = "-launchorder";

// Added to the arguments of the copy that a run starts elevated for
// administrator work (install/Elevation.h): that copy never asks again.  The
// role is decided as if it were not there.
constexpr const char* kElevatedSwitch = "-elevated";

// With an install or "-uninstall": no window, no question, nothing started after.
constexpr const char* kQuietSwitch = "-quiet";

struct RoleDecision {
    Role role = Role::Resident;
    bool elevatedCopy = false;       // started with the elevated switch
    bool silent = false;
    bool quiet = false;              // an install or uninstall for a deployment tool
    bool launchOrderPage = false;    // the configuration sheet opens on the Launch Order page
};

// `arguments` as the system passes them; `ownPath` the executable's full path.
// Every test is a case-insensitive substring search, first match wins.
RoleDecision DecideRole(const std::string& arguments, const std::string& ownPath, const std::string& systemDir);

// The Recent-folder entry to delete for a ".quillrest" argument: the last path
// component of the lower-cased argument (quotes stripped; after its last
// backslash, slash or colon) plus ".lnk"; empty when the argument has no backslash.
std::string RecentLinkName(const std::string& lowerArguments);
