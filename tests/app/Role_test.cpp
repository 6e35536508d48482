// Role decision: every rule of the start-up routine against the pure function.
#include <gtest/gtest.h>
#include "app/Role.h"

namespace {
const char* kSys = "C:\\Windows\\System32";
const char* kInstalled = "C:\\WINDOWS\\system32\\Quillrest.exe";
const char* kDownloads = "C:\\users\\me\\Downloads\\Quillrest.exe";

struct RoleCase {
    const char* arguments;
    const char* path;
    Role role;
    bool silent;
};

const RoleCase kCases[] = {
    // Recent clean-up wins over everything, wherever ".quillrest" occurs.
    {"\"C:\\Users\\me\\Start Menu\\Startup\\Tool.lnk.Quillrest\"", kInstalled, Role::RecentCleanup, false},
    {"-configure C:\\my.QUILLREST.files\\x", kInstalled, Role::RecentCleanup, false},
    {"-uninstall -silent x.quillrest", kDownloads, Role::RecentCleanup, false},
    // Configure: case-insensitive substring, also after other words, and before uninstall.
    {"foo -CONFIGURE", kInstalled, Role::Configure, false},
    {"-Configure", kDownloads, Role::Configure, false},
    {"-uninstall -configure", kInstalled, Role::Configure, false},
    {"x-configurex", kInstalled, Role::Configure, false},
    // Uninstall, also with silent.
    {"-uninstall -silent", kInstalled, Role::Uninstall, false},
    {"-UnInstall", kDownloads, Role::Uninstall, false},
    // Outside the system directory without -noinstall: install, never silent itself.
    {"-silent", kDownloads, Role::Install, false},
    {"", kDownloads, Role::Install, false},
    {"-hklm", kDownloads, Role::Install, false},
    // Installed copy: empty arguments open the sheet; anything else runs the boot window.
    {"", kInstalled, Role::Configure, false},
    {"-hklm", kInstalled, Role::Resident, false},
    {"-silent", kInstalled, Role::Resident, true},
    {"whatever", kInstalled, Role::Resident, false},
    // -noinstall skips both location rules.
    {"-noinstall", kDownloads, Role::Resident, false},
    {"-NOINSTALL -silent", kDownloads, Role::Resident, true},
    {"-noinstall", kInstalled, Role::Resident, false},
    // The elevated copy's switch counts for nothing.
    {"-elevated", kInstalled, Role::Configure, false},
    {"-elevated", kDownloads, Role::Install, false},
    {"-uninstall -elevated", kInstalled, Role::Uninstall, false},
    {"-silent -elevated", kInstalled, Role::Resident, true},
    {"-sil-elevatedent", kInstalled, Role::Resident, false},    // no word is made of its two sides
};
} // namespace

TEST(RoleDecision, FollowsTheStartUpRulesInOrder)
{
    for (const RoleCase& c : kCases) {
        RoleDecision decision = DecideRole(c.arguments, c.path, kSys);
        EXPECT_EQ(static_cast<int>(c.role), static_cast<int>(decision.role)) << c.arguments << " | " << c.path;
        if (decision.role == Role::Resident) {
            EXPECT_EQ(c.silent, decision.silent) << c.arguments;
        }
    }
}

TEST(RoleDecision, LaunchOrderSwitchOpensTheSheetOnThatPage)
{
    EXPECT_TRUE(DecideRole("\"x\" -configure -LaunchOrder", kDownloads, kSys).launchOrderPage);
    EXPECT_FALSE(DecideRole("-configure", kInstalled, kSys).launchOrderPage);
    EXPECT_TRUE(DecideRole("-configure -ELEVATED", kInstalled, kSys).elevatedCopy);
    EXPECT_EQ(Role::Resident, DecideRole("-launchorder", kInstalled, kSys).role);
}

TEST(RoleDecision, InstalledMeansSystemDirectoryAnywhereInThePath)
{
    // A substring test, case-insensitive: a copy in a subfolder counts as installed.
    EXPECT_EQ(Role::Resident, DecideRole("-hklm", "c:\\windows\\SYSTEM32\\sub\\q.exe", kSys).role);
    EXPECT_EQ(Role::Install, DecideRole("-hklm", "C:\\Windows\\System\\Quillrest.exe", kSys).role);
}

TEST(RecentLink, LastComponentOfLowerCasedArgumentWithLnk)
{
    EXPECT_EQ("tool.lnk.quillrest.lnk", RecentLinkName("\"c:\\start menu\\startup\\tool.lnk.quillrest\""));
    EXPECT_EQ("a b.lnk.quillrest.lnk", RecentLinkName("c:\\x\\a b.lnk.quillrest"));
    EXPECT_EQ("", RecentLinkName("\"tool.lnk.quillrest\""));
    // Nothing but a name in the Recent folder: no slash, no drive.
    EXPECT_EQ("evil.quillrest.lnk", RecentLinkName("c:\\x\\a/../../c:evil.quillrest"));
}
