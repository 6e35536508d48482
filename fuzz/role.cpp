// The argument string (anyone may start the program with any) and the role it
// gives; the Recent entry a ".quillrest" argument deletes is a name in the
// Recent folder, never a path out of it.
#include "FuzzSupport.h"
#include "app/Role.h"
#include "win/Bytes.h"

namespace {

bool Has(const std::string& text, const char* what)
{
    return text.find(what) != std::string::npos;
}

void CheckDecision(const std::string& arguments, const std::string& ownPath, const std::string& systemDir)
{
    const RoleDecision decision = DecideRole(arguments, ownPath, systemDir);
    const RoleDecision again = DecideRole(arguments, ownPath, systemDir);
    fuzz::Check(decision.role == again.role && decision.silent == again.silent &&
                    decision.launchOrderPage == again.launchOrderPage,
                "deterministic", arguments);
    const std::string lower = win::ToLower(arguments);
    fuzz::Check((decision.role == Role::RecentCleanup) == Has(lower, ".quillrest"),
                "Recent clean-up exactly for .quillrest", arguments);
    if (decision.role == Role::Uninstall)
        fuzz::Check(Has(lower, "-uninstall") && !Has(lower, "-configure"), "uninstall only when asked, never with -configure",
                    arguments);
    if (decision.silent)
        fuzz::Check(decision.role == Role::Resident && Has(lower, "-silent"), "silent only as a resident", arguments);
    if (decision.launchOrderPage)
        fuzz::Check(decision.role == Role::Configure, "the Launch Order page only with the sheet", arguments);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const unsigned codePage = fuzz::CodePageFor(size);
    fuzz::UseCodePage(codePage);
    const std::string arguments = fuzz::Text(data, size);
    CheckDecision(arguments, "C:\\WINDOWS\\system32\\Quillrest.exe", "C:\\WINDOWS\\system32");
    CheckDecision(arguments, "C:\\Downloads\\Quillrest.exe", "C:\\WINDOWS\\system32");

    const std::string name = RecentLinkName(win::ToLower(arguments));
    if (name.empty())
        return 0;
    fuzz::Check(name.size() >= 4 && name.compare(name.size() - 4, 4, ".lnk") == 0, "the entry ends in .lnk", arguments);
    fuzz::Check(win::LastBackslash(name, codePage) == std::string::npos && name.find_first_of("/:") == std::string::npos,
                "the entry is a name in the Recent folder", arguments);
    return 0;
}
