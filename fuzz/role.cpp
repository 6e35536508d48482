// The argument string (anyone may start the program with any) and the role it
// gives; the Recent entry a ".quillrest" argument deletes is a name in the
// Recent folder, never a path out of it.
#include "FuzzSupport.h"
#include "app/Role.h"

namespace {

void CheckDecision(const std::string& arguments, const std::string& ownPath)
{
    const RoleDecision decision = DecideRole(arguments, ownPath, "C:\\WINDOWS\\system32");
    const RoleDecision again = DecideRole(arguments, ownPath, "C:\\WINDOWS\\system32");
    fuzz::Check(decision.role == again.role && decision.silent == again.silent &&
                    decision.launchOrderPage == again.launchOrderPage,
                "deterministic", arguments);
    const std::string lower = win::ToLower(arguments);
    fuzz::Check((decision.role == Role::RecentCleanup) == fuzz::Has(lower, ".quillrest"),
                "Recent clean-up exactly for .quillrest", arguments);
    fuzz::Check(decision.role != Role::Uninstall || (fuzz::Has(lower, "-uninstall") && !fuzz::Has(lower, "-configure")),
                "uninstall only when asked, never with -configure", arguments);
    fuzz::Check(!decision.silent || (decision.role == Role::Resident && fuzz::Has(lower, "-silent")),
                "silent only as a resident", arguments);
    fuzz::Check(!decision.launchOrderPage || decision.role == Role::Configure,
                "the Launch Order page only with the sheet", arguments);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const unsigned codePage = fuzz::UseCodePageFor(size);
    const std::string arguments = fuzz::Text(data, size);
    CheckDecision(arguments, "C:\\WINDOWS\\system32\\Quillrest.exe");
    CheckDecision(arguments, "C:\\Downloads\\Quillrest.exe");

    const std::string name = RecentLinkName(win::ToLower(arguments));
    const bool lnk = name.size() >= 4 && name.compare(name.size() - 4, 4, ".lnk") == 0;
    fuzz::Check(name.empty() || (lnk && name.find_first_of("/:") == std::string::npos &&
                                 win::LastBackslash(name, codePage) == std::string::npos),
                "the entry is a name in the Recent folder, ending in .lnk", arguments);
    return 0;
}
