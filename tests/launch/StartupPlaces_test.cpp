// The rules for registry views and the system's own start-up switches.
#include "app/RegNames.h"
#include "launch/StartupPlaces.h"
#include "launch/WorkOrder.h"
#include <gtest/gtest.h>

namespace {

TEST(StartupPlaces, ViewsApprovalPlacesAndValues)
{
    // No view flag ever reaches a system that is not 64-bit.
    EXPECT_EQ(std::vector<REGSAM>{0}, HklmRunViews(false));
    EXPECT_EQ(std::vector<REGSAM>({KEY_WOW64_64KEY, KEY_WOW64_32KEY}), HklmRunViews(true));
    EXPECT_EQ(0u, SystemKeyView(false));
    EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_64KEY), SystemKeyView(true));

    const struct {
        int source;
        REGSAM view;
        bool found;
        HKEY root;
        const char* subkey;
        const char* viewText;
    } places[] = {
        {SourceHklmRun, 0, true, HKEY_LOCAL_MACHINE, kApprovedRun, ""},
        {SourceHklmRun, KEY_WOW64_64KEY, true, HKEY_LOCAL_MACHINE, kApprovedRun, " V=64"},
        {SourceHklmRun, KEY_WOW64_32KEY, true, HKEY_LOCAL_MACHINE, kApprovedRun32, " V=32"},
        {SourceHkcuRun, 0, true, HKEY_CURRENT_USER, kApprovedRun, ""},
        {SourceUserStartup, 0, true, HKEY_CURRENT_USER, kApprovedStartupFolder, ""},
        {SourceCommonStartup, 0, true, HKEY_LOCAL_MACHINE, kApprovedStartupFolder, ""},
        {SourceHklmRunServices, 0, false, nullptr, nullptr, ""},
    };
    for (const auto& p : places) {
        ApprovalPlace place;
        ASSERT_EQ(p.found, StartupApprovalPlace(p.source, p.view, place)) << p.source << " " << p.view;
        EXPECT_EQ(p.viewText, ViewText(p.view));
        if (!p.found)
            continue;
        EXPECT_EQ(p.root, place.root) << p.source << " " << p.view;
        EXPECT_STREQ(p.subkey, place.subkey) << p.source << " " << p.view;
    }

    const struct {
        std::vector<BYTE> data;
        bool off;
    } values[] = {
        {{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        {{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        {{0x03, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x01}, true},
        {{0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},
        {{0x01}, true},
        {{}, false},
    };
    for (const auto& v : values)
        EXPECT_EQ(v.off, SwitchedOffByValue(v.data)) << (v.data.empty() ? -1 : v.data[0]);

    EXPECT_EQ("Photo Sync.lnk", ApprovalValueName("C:\\Startup\\Photo Sync.lnk.Quillrest"));
    EXPECT_EQ("Photo Sync.lnk", ApprovalValueName("Photo Sync.lnk.QUILLREST"));
    EXPECT_EQ("Plain.lnk", ApprovalValueName("C:\\Startup\\Plain.lnk"));

    // Page lines: a name that itself ends like a mark keeps it.
    WorkItem literal;
    literal.Name = "Sync (32-bit)";
    literal.View = KEY_WOW64_64KEY;
    WorkItem narrow = literal;
    narrow.Name = "Sync";
    narrow.View = KEY_WOW64_32KEY;
    narrow.SwitchedOff = true;
    const std::vector<WorkItem> queue = {literal, narrow};
    EXPECT_EQ("Sync (32-bit)", WorkItemLine(literal));
    EXPECT_EQ("Sync (32-bit) (switched off in Windows)", WorkItemLine(narrow));
    EXPECT_EQ("Sync (32-bit)", WorkItemLineName(queue, WorkItemLine(literal)));
    EXPECT_EQ("Sync", WorkItemLineName(queue, WorkItemLine(narrow)));
    EXPECT_EQ("Gone", WorkItemLineName(queue, "Gone (32-bit) (switched off in Windows)"));
}

} // namespace
