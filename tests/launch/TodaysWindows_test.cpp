// The real Quillrest.exe on today's Windows: both registry views, and entries the user switched off.
#include "LaunchFixture.h"
#include "app/Settings.h"
#include "launch/BootRules.h"
#include "launch/Restore.h"
#include "res/resource.h"
#include <map>

using namespace qrtest;

namespace {

// Type and data as "type:data"; empty when the value is missing.
std::string GetInView(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    win::UniqueKey key;
    DWORD type = 0;
    DWORD size = 0;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Out()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::string();
    std::string data(size, '\0');
    if (size)
        RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    return std::to_string(type) + ":" + data;
}

// One start-up entry: a Run value (root set) or a Startup-folder shortcut (csidl set).
struct Entry {
    std::string name;
    HKEY root;
    REGSAM view;
    int csidl;
    std::string probe;    // what the probe reports when the entry starts; empty: never starts
};

// A value of the system's start-up switches.
struct Approval {
    HKEY root;
    const char* subkey;
    std::string name;
    std::string bytes;
    std::string Path() const { return std::string(kStartupApprovedKey) + "\\" + subkey; }
};

class TodaysWindowsTest : public BootFixture {
protected:
    TodaysWindowsTest() : BootFixture("qrviews", "starts.txt", 100) {}
    void SetUp() override
    {
        BootFixture::SetUp();
        windows64_ = Is64BitWindows();
        systemView_ = windows64_ ? KEY_WOW64_64KEY : 0;
    }
    void TearDown() override
    {
        KillProcess(process_);
        // The shared fixture cleans the process's own view and the Startup folders.
        for (const Entry& entry : entries_) {
            if (entry.root) {
                DeleteValue(entry.root, kRunKey, entry.name, entry.view);
                DeleteValue(entry.root, CapturePath(kRunKey), entry.name, entry.view);
            }
        }
        for (const Approval& approval : approvals_)
            DeleteValue(approval.root, approval.Path(), approval.name, systemView_);
        BootFixture::TearDown();
    }
    std::string Captured(const Entry& entry) const
    {
        return std::to_string(REG_SZ) + ":" + ProbeCommand(entry.probe.empty() ? entry.name : entry.probe) + '\0';
    }
    std::map<std::string, std::string> ApprovalValues() const
    {
        std::map<std::string, std::string> values;
        for (const Approval& a : approvals_)
            values[a.Path() + "\\" + a.name + (a.root == HKEY_CURRENT_USER ? " (user)" : "")] =
                GetInView(a.root, a.Path(), a.name, systemView_);
        return values;
    }

    bool windows64_ = false;
    REGSAM systemView_ = 0;
    std::vector<Entry> entries_;
    std::vector<Approval> approvals_;
};

TEST_F(TodaysWindowsTest, StartsWhatWindowsWouldFromEachViewAndRestoresEverythingUntouched)
{
    const std::string off3 = std::string("\x03\0\0\0\x10\x32\x54\x76\x98\xBA\xDC\x01", 12);
    const std::string off7 = std::string("\x07\0\0\0\x01\x02\x03\x04\x05\x06\x07\x01", 12);
    const std::string on2 = std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12);
    const std::string on6 = std::string("\x06\0\0\0\0\0\0\0\0\0\0\0", 12);
    const HKEY hkcu = HKEY_CURRENT_USER;
    const HKEY hklm = HKEY_LOCAL_MACHINE;
    const REGSAM machine = systemView_;    // the 64-bit view on 64-bit Windows, else the only one
    entries_ = {
        {"QrTestUserOff", hkcu, 0, 0, ""},
        {"QrTestUserOn", hkcu, 0, 0, "QrTestUserOn"},
        {"QrTestUserCross", hkcu, 0, 0, "QrTestUserCross"},
        {"QrTestMachineOff", hklm, machine, 0, ""},
        {"QrTestMachineOn", hklm, machine, 0, "QrTestMachineOn"},
        {"QrTestMachineMissing", hklm, machine, 0, "QrTestMachineMissing"},
        {"QrTestMachineEmpty", hklm, machine, 0, "QrTestMachineEmpty"},
        {"QrTestLinkUserOff", nullptr, 0, CSIDL_STARTUP, ""},
        {"QrTestLinkUserOn", nullptr, 0, CSIDL_STARTUP, "QrTestLinkUserOn"},
        {"QrTestLinkCommonOff", nullptr, 0, CSIDL_COMMON_STARTUP, ""},
        {"QrTestLinkCommonOn", nullptr, 0, CSIDL_COMMON_STARTUP, "QrTestLinkCommonOn"},
    };
    approvals_ = {
        {hkcu, kApprovedRun, "QrTestUserOff", off3},
        {hkcu, kApprovedRun, "QrTestUserOn", on2},
        {hklm, kApprovedRun, "QrTestUserCross", off3},    // HKLM's switch: not this HKCU entry's
        {hklm, kApprovedRun, "QrTestMachineOff", off7},
        {hklm, kApprovedRun, "QrTestMachineOn", on6},
        {hklm, kApprovedRun32, "QrTestMachineOn", off3},    // the other view's switch
        {hklm, kApprovedRun, "QrTestMachineEmpty", ""},
        {hkcu, kApprovedStartupFolder, "QrTestLinkUserOff.lnk", off3},
        {hkcu, kApprovedStartupFolder, "QrTestLinkUserOn.lnk", on2},
        {hklm, kApprovedStartupFolder, "QrTestLinkCommonOff.lnk", off7},
        {hklm, kApprovedStartupFolder, "QrTestLinkCommonOn.lnk", ""},
    };
    if (windows64_) {
        // One name in both views: two entries that must never overwrite each other.
        entries_.push_back({"QrTestSame", hklm, KEY_WOW64_64KEY, 0, "QrTestSame64"});
        entries_.push_back({"QrTestSame", hklm, KEY_WOW64_32KEY, 0, "QrTestSame32"});
        entries_.push_back({"QrTestWowOff", hklm, KEY_WOW64_32KEY, 0, ""});
        approvals_.push_back({hklm, kApprovedRun32, "QrTestWowOff", off7});
        approvals_.push_back({hklm, kApprovedRun, "QrTestSame", on2});
        approvals_.push_back({hklm, kApprovedRun, "QrTestWowOff", on2});    // not its place
    }
    std::string order;
    std::vector<std::string> expected;
    for (const Entry& entry : entries_) {
        const std::string probe = entry.probe.empty() ? entry.name : entry.probe;
        if (entry.root)
            SetValue(entry.root, kRunKey, entry.name, ProbeCommand(probe) + '\0', REG_SZ, entry.view);
        else
            ASSERT_TRUE(MakeShortcut(win::PathJoin(StartupFolder(entry.csidl), entry.name + ".lnk"), ToolPath("probe"),
                                     "\"" + out_ + "\" " + probe, "", SW_SHOWNORMAL));
        order += entry.name + "\1";
        if (!entry.probe.empty())
            expected.push_back(entry.probe);
    }
    for (const Approval& approval : approvals_)
        SetValue(approval.root, approval.Path(), approval.name, approval.bytes, REG_BINARY, systemView_);
    SetProductString(kSortingOrder, order);
    const std::map<std::string, std::string> approvalsBefore = ApprovalValues();

    StartProduct("-noinstall -hklm");
    ASSERT_TRUE(WaitFor([&] { return LogHas("\tLeaving QuillrestDlg::TimerTick"); }, 30000));
    const LRESULT range = SendMessageA(GetDlgItem(BootWindow(), IDC_BOOT_PROGRESS), PBM_GETRANGE, FALSE, 0);
    ASSERT_TRUE(WaitFor([&] { return LogHas("\tLeaving Quillrest::WaitForShutdown"); }, 60000));

    // Exactly what Windows itself would start, in the saved order; the rest is
    // parked, logged as skipped and counted nowhere.
    EXPECT_EQ(expected, ProbeNames(out_));
    EXPECT_EQ(static_cast<long long>(expected.size()), GetCounter(kCounterFilesLaunched));
    EXPECT_EQ(ProgressUpperBound(expected.size(), 1), range);
    EXPECT_EQ(entries_.size() - expected.size(), LogCount("Skipping "));
    for (const Entry& entry : entries_) {
        if (entry.probe.empty()) {
            EXPECT_TRUE(LogHas("Skipping " + entry.name + ": switched off in the system's start-up settings"));
        }
        if (entry.root) {
            EXPECT_EQ("", GetInView(entry.root, kRunKey, entry.name, entry.view)) << entry.name;
            EXPECT_EQ(Captured(entry), GetInView(entry.root, CapturePath(kRunKey), entry.name, entry.view))
                << entry.name << " " << entry.view;
        } else {
            EXPECT_TRUE(win::FileExists(win::PathJoin(StartupFolder(entry.csidl), entry.name + ".lnk.Quillrest")));
        }
    }
    // Views are named only on 64-bit Windows; elsewhere no view flag is passed.
    const std::string redirect = "RedirectRegKeyToQuillrest HK=x80000002, p=" + std::string(kRunKey) + ", l=503";
    if (windows64_) {
        EXPECT_TRUE(LogHas(redirect + " V=64"));
        EXPECT_TRUE(LogHas(redirect + " V=32"));
        EXPECT_TRUE(LogHas("WI: N=[QrTestSame] P=[" + ProbeCommand("QrTestSame32") + "] Pa=[" +
                           win::WindowsDirectory() + "] C=1 S=1 V=32"));
    } else {
        EXPECT_TRUE(LogHas(redirect));
        EXPECT_EQ(std::string::npos, ReadLog().find(" V="));
    }

    // Uninstall's restoration: each entry back in its own place and view, the switches untouched.
    KillProcess(process_);
    EXPECT_TRUE(RestoreRedirectedApps());
    for (const Entry& entry : entries_) {
        if (entry.root)
            EXPECT_EQ(Captured(entry), GetInView(entry.root, kRunKey, entry.name, entry.view)) << entry.name;
        else
            EXPECT_TRUE(win::FileExists(win::PathJoin(StartupFolder(entry.csidl), entry.name + ".lnk")));
    }
    EXPECT_EQ(approvalsBefore, ApprovalValues());
}

} // namespace
