// The real Quillrest.exe on today's Windows: both registry views, and entries the user switched off.
#include "LaunchFixture.h"
#include "app/Settings.h"
#include "install/Install.h"
#include "launch/BootRules.h"
#include "launch/Restore.h"
#include "res/resource.h"
#include <tlhelp32.h>
#include <map>
#include <sstream>

using namespace qrtest;

namespace {

constexpr const char* kBootTitle = "Quillrest (tm) Hollowmere";
// Where a 32-bit program's HKLM Run lives, as the 64-bit view sees it.
constexpr const char* kWowRunKey = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

void SetInView(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& data,
               REGSAM view)
{
    win::UniqueKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, key.Out(), nullptr) ==
        ERROR_SUCCESS)
        RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
}

// The data of a value, with its type in front ("1:..."); empty when it is missing.
std::string GetInView(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Out()) != ERROR_SUCCESS)
        return std::string();
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::string();
    std::string data(size, '\0');
    if (size)
        RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    return std::to_string(type) + ":" + data;
}

std::string Sz(const std::string& text)
{
    return std::to_string(REG_SZ) + ":" + text + '\0';
}

// The names of the test's values in one key and view.
std::vector<std::string> TestNamesInView(HKEY root, const std::string& path, REGSAM view)
{
    std::vector<std::string> names;
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Out()) != ERROR_SUCCESS)
        return names;
    char name[512];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof(name);
        if (RegEnumValueA(key.Get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (std::string(name).compare(0, 6, kTestPrefix) == 0)
            names.push_back(name);
    }
    return names;
}

void CleanView(REGSAM view, const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            const std::vector<std::string> names = TestNamesInView(root, path, view);
            win::UniqueKey key;
            if (!names.empty() && RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | view, key.Out()) == ERROR_SUCCESS)
                for (const std::string& name : names)
                    RegDeleteValueA(key.Get(), name.c_str());
        }
    }
}

std::vector<std::string> ProbeNames(const std::string& path)
{
    std::vector<std::string> names;
    std::string text;
    win::ReadWholeFile(path, text);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line.find('\t') != std::string::npos)
            names.push_back(line.substr(0, line.find('\t')));
    return names;
}

size_t LogCount(const std::string& start)
{
    size_t count = 0;
    for (const std::string& line : LogMessages())
        count += line.compare(0, start.size(), start) == 0;
    return count;
}

class TodaysWindowsTest : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        windows64_ = Is64BitWindows();
        systemView_ = windows64_ ? KEY_WOW64_64KEY : 0;
        CleanOtherPlaces();
        outFolder_ = MakeTempFolder("qrviews");
        out_ = win::PathJoin(outFolder_, "starts.txt");
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 1);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 100);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 1);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kWelcomeDismissed, 1);
        for (const char* cleaner : {kDeleteSafeTempFiles, kDeleteAllTempFiles, kDelFileChk, kClearInetCache, kDeleteCookies})
            SetDword(HKEY_LOCAL_MACHINE, kProductKey, cleaner, 0);
    }
    void TearDown() override
    {
        KillProcess(process_);
        CleanOtherPlaces();
        RemoveTree(outFolder_);
        CaptureTest::TearDown();
    }
    // What the shared fixture leaves: the 32-bit view and the system's start-up switches.
    void CleanOtherPlaces()
    {
        CleanView(systemView_, ApprovalPaths());
        if (windows64_)
            for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
                CleanView(view, {kRunKey, CapturePath(kRunKey)});
    }
    static std::vector<std::string> ApprovalPaths()
    {
        std::vector<std::string> paths;
        for (const char* subkey : {kApprovedRun, kApprovedRun32, kApprovedStartupFolder})
            paths.push_back(std::string(kStartupApprovedKey) + "\\" + subkey);
        return paths;
    }
    std::string ProbeCommand(const std::string& name) const
    {
        return "\"" + ToolPath("probe") + "\" \"" + out_ + "\" " + name;
    }
    void SetApproval(HKEY root, const char* subkey, const std::string& name, const std::string& bytes)
    {
        SetInView(root, std::string(kStartupApprovedKey) + "\\" + subkey, name, REG_BINARY, bytes, systemView_);
    }
    // Every test value of the system's start-up switches, byte for byte.
    std::map<std::string, std::string> Approvals() const
    {
        std::map<std::string, std::string> values;
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (const std::string& path : ApprovalPaths())
                for (const std::string& name : TestNamesInView(root, path, systemView_))
                    values[path + "\\" + name + (root == HKEY_CURRENT_USER ? " (user)" : "")] =
                        GetInView(root, path, name, systemView_);
        return values;
    }
    HWND BootWindow() const { return FindWindowA(nullptr, kBootTitle); }
    bool WaitHidden(DWORD timeoutMs)
    {
        return WaitFor([&] {
            HWND w = BootWindow();
            return LogHas("\tLeaving Quillrest::WaitForShutdown") && w && !IsWindowVisible(w);
        }, timeoutMs);
    }

    bool windows64_ = false;
    REGSAM systemView_ = 0;
    std::string outFolder_;
    std::string out_;
    HANDLE process_ = nullptr;
};

TEST_F(TodaysWindowsTest, SwitchedOffEntriesAreParkedNeverStartedAndRestoredUntouched)
{
    const std::string off1 = std::string("\x03\0\0\0\x10\x32\x54\x76\x98\xBA\xDC\x01", 12);
    const std::string off2 = std::string("\x07\0\0\0\x01\x02\x03\x04\x05\x06\x07\x01", 12);
    const std::string on1 = std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12);
    const std::string on2 = std::string("\x06\0\0\0\0\0\0\0\0\0\0\0", 12);
    struct Entry {
        const char* name;
        HKEY root;        // Run key root, or nullptr for a Startup-folder shortcut
        REGSAM view;      // KEY_WOW64_32KEY: the WOW6432Node Run (64-bit Windows only)
        int csidl;
        bool starts;
    };
    std::vector<Entry> entries = {
        {"QrTestUserOff", HKEY_CURRENT_USER, 0, 0, false},
        {"QrTestUserOn", HKEY_CURRENT_USER, 0, 0, true},
        {"QrTestUserCross", HKEY_CURRENT_USER, 0, 0, true},    // switched off for HKLM only
        {"QrTestMachineOff", HKEY_LOCAL_MACHINE, systemView_, 0, false},
        {"QrTestMachineOn", HKEY_LOCAL_MACHINE, systemView_, 0, true},    // switched off in Run32 only
        {"QrTestMachineMissing", HKEY_LOCAL_MACHINE, systemView_, 0, true},
        {"QrTestMachineEmpty", HKEY_LOCAL_MACHINE, systemView_, 0, true},
        {"QrTestLinkUserOff", nullptr, 0, CSIDL_STARTUP, false},
        {"QrTestLinkUserOn", nullptr, 0, CSIDL_STARTUP, true},
        {"QrTestLinkCommonOff", nullptr, 0, CSIDL_COMMON_STARTUP, false},
        {"QrTestLinkCommonOn", nullptr, 0, CSIDL_COMMON_STARTUP, true},
    };
    SetApproval(HKEY_CURRENT_USER, kApprovedRun, "QrTestUserOff", off1);
    SetApproval(HKEY_CURRENT_USER, kApprovedRun, "QrTestUserOn", on1);
    SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun, "QrTestUserCross", off1);
    SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun, "QrTestMachineOff", off2);
    SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun, "QrTestMachineOn", on2);
    SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun32, "QrTestMachineOn", off1);
    SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun, "QrTestMachineEmpty", std::string());
    SetApproval(HKEY_CURRENT_USER, kApprovedStartupFolder, "QrTestLinkUserOff.lnk", off1);
    SetApproval(HKEY_CURRENT_USER, kApprovedStartupFolder, "QrTestLinkUserOn.lnk", on1);
    SetApproval(HKEY_LOCAL_MACHINE, kApprovedStartupFolder, "QrTestLinkCommonOff.lnk", off2);
    SetApproval(HKEY_LOCAL_MACHINE, kApprovedStartupFolder, "QrTestLinkCommonOn.lnk", std::string());
    if (windows64_) {
        entries.push_back({"QrTestWowOff", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, 0, false});
        entries.push_back({"QrTestWowOn", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, 0, true});
        SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun32, "QrTestWowOff", off2);
        SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun32, "QrTestWowOn", on1);
        SetApproval(HKEY_LOCAL_MACHINE, kApprovedRun, "QrTestWowOn", off1);    // not its place
    }
    std::string order;
    std::vector<std::string> expected;
    size_t switchedOff = 0;
    for (const Entry& entry : entries) {
        if (entry.root)
            SetInView(entry.root, kRunKey, entry.name, REG_SZ, ProbeCommand(entry.name) + '\0', entry.view);
        else
            ASSERT_TRUE(MakeShortcut(win::PathJoin(StartupFolder(entry.csidl), std::string(entry.name) + ".lnk"),
                                     ToolPath("probe"), "\"" + out_ + "\" " + entry.name, "", SW_SHOWNORMAL));
        order += std::string(entry.name) + "\1";
        if (entry.starts)
            expected.push_back(entry.name);
        else
            ++switchedOff;
    }
    SetProductString(kSortingOrder, order);
    const std::map<std::string, std::string> approvals = Approvals();

    process_ = StartProcess(ProductExe(), "-noinstall -hklm");
    ASSERT_NE(nullptr, process_);
    ASSERT_TRUE(WaitFor([&] { return LogHas("\tLeaving QuillrestDlg::TimerTick"); }, 30000));
    HWND progress = GetDlgItem(BootWindow(), IDC_BOOT_PROGRESS);
    const LRESULT range = SendMessageA(progress, PBM_GETRANGE, FALSE, 0);
    ASSERT_TRUE(WaitHidden(60000));

    // What started, in order: exactly the entries Windows itself would start.
    EXPECT_EQ(expected, ProbeNames(out_));
    EXPECT_EQ(static_cast<long long>(expected.size()), GetCounter(kCounterFilesLaunched));
    EXPECT_EQ(ProgressUpperBound(expected.size(), 1), range);
    EXPECT_EQ(switchedOff, LogCount("Skipping "));
    for (const Entry& entry : entries) {
        if (!entry.starts) {
            EXPECT_TRUE(LogHas(std::string("Skipping ") + entry.name +
                               ": switched off in the system's start-up settings"))
                << entry.name;
        }
        // Every entry is parked, switched off or not.
        if (entry.root) {
            EXPECT_EQ("", GetInView(entry.root, kRunKey, entry.name, entry.view)) << entry.name;
            EXPECT_EQ(Sz(ProbeCommand(entry.name)), GetInView(entry.root, CapturePath(kRunKey), entry.name, entry.view))
                << entry.name;
        } else {
            EXPECT_TRUE(win::FileExists(win::PathJoin(StartupFolder(entry.csidl), std::string(entry.name) +
                                                                                     ".lnk.Quillrest")))
                << entry.name;
        }
    }
    // A system that is not 64-bit sees one view and gets no view flag; a 64-bit one walks both.
    const std::string redirect = "RedirectRegKeyToQuillrest HK=x80000002, p=software\\microsoft\\windows\\"
                                 "currentversion\\run, l=503";
    if (windows64_) {
        EXPECT_TRUE(LogHas(redirect + " V=64"));
        EXPECT_TRUE(LogHas(redirect + " V=32"));
    } else {
        EXPECT_TRUE(LogHas(redirect));
        EXPECT_EQ(std::string::npos, ReadLog().find(" V=64"));
        EXPECT_EQ(std::string::npos, ReadLog().find(" V=32"));
    }

    KillProcess(process_);
    EXPECT_TRUE(RestoreRedirectedApps());
    for (const Entry& entry : entries) {
        if (entry.root)
            EXPECT_EQ(Sz(ProbeCommand(entry.name)), GetInView(entry.root, kRunKey, entry.name, entry.view))
                << entry.name;
        else
            EXPECT_TRUE(win::FileExists(win::PathJoin(StartupFolder(entry.csidl), std::string(entry.name) + ".lnk")))
                << entry.name;
    }
    EXPECT_EQ(approvals, Approvals());
}

bool MutexExists(const char* name)
{
    win::UniqueHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, name));
    return mutex.Valid();
}

// Ends the instances an install or a boot left: the resident one through its
// shutdown event, anything else (a configuration sheet) by force.
void EndInstalledInstances()
{
    if (MutexExists(kRunningMutex)) {
        ShutdownRunningApps();
        WaitFor([] { return !MutexExists(kRunningMutex); }, 5000);
    }
    win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (win::ToLower(entry.szExeFile).find("quillrest.exe") == std::string::npos)
            continue;
        win::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process) {
            TerminateProcess(process.Get(), 1);
            WaitForSingleObject(process.Get(), 5000);
        }
    }
}

class ViewsInstallTest : public TodaysWindowsTest {
protected:
    void SetUp() override
    {
        if (!Is64BitWindows())
            GTEST_SKIP() << "only 64-bit Windows has two registry views; here the program sees one, as before";
        EndInstalledInstances();
        TodaysWindowsTest::SetUp();
        installed_ = GetInstalledExePath();
        downloads_ = MakeTempFolder("qrdownloads");
        downloaded_ = win::PathJoin(downloads_, kExeName);
        ASSERT_TRUE(CopyFileA(ProductExe().c_str(), downloaded_.c_str(), FALSE));
    }
    void TearDown() override
    {
        if (IsSkipped())
            return;
        EndInstalledInstances();
        DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
        DeleteValue(HKEY_LOCAL_MACHINE, kCplsKey, kOwnRunValue);
        DeleteTree(HKEY_CLASSES_ROOT, kFileTypeKey);
        DeleteTree(HKEY_CLASSES_ROOT, kFileTypeClass);
        WritePrivateProfileStringA("MMCPL", kAppletName, nullptr, "control.ini");
        for (const std::string& path : {installed_, win::PathJoin(win::SystemDirectory(), kAppletName)}) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        RemoveTree(downloads_);
        RemoveDirectoryA(downloads_.c_str());
        TodaysWindowsTest::TearDown();
    }

    std::string installed_;
    std::string downloads_;
    std::string downloaded_;
};

TEST_F(ViewsInstallTest, InstallBootUninstallKeepEachViewApart)
{
    // One name in both views of HKLM Run, one in the shared HKCU Run.
    const struct {
        HKEY root;
        REGSAM view;
        const char* name;
        const char* probe;
    } entries[] = {
        {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "QrTestSame", "QrTestSame64"},
        {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "QrTestSame", "QrTestSame32"},
        {HKEY_CURRENT_USER, 0, "QrTestUser", "QrTestUser"},
    };
    for (const auto& entry : entries)
        SetInView(entry.root, kRunKey, entry.name, REG_SZ, ProbeCommand(entry.probe) + '\0', entry.view);

    RunResult install = RunProcess(downloaded_, "", 60000, downloads_);
    ASSERT_TRUE(install.finished);
    ASSERT_TRUE(LogHas("Launching new instances after install"));
    EndInstalledInstances();
    for (const auto& entry : entries) {
        EXPECT_EQ("", GetInView(entry.root, kRunKey, entry.name, entry.view)) << entry.probe;
        EXPECT_EQ(Sz(ProbeCommand(entry.probe)), GetInView(entry.root, CapturePath(kRunKey), entry.name, entry.view))
            << entry.probe;
    }
    // The 32-bit view's capture key is the one under WOW6432Node.
    EXPECT_EQ(Sz(ProbeCommand("QrTestSame32")),
              GetInView(HKEY_LOCAL_MACHINE, CapturePath(kWowRunKey), "QrTestSame", KEY_WOW64_64KEY));

    // A log-on: Windows starts the installed program's own Run value.
    FreshLog();
    process_ = StartProcess(installed_, "-hklm", "C:\\");
    ASSERT_TRUE(WaitHidden(60000));
    std::vector<std::string> started;
    EXPECT_TRUE(WaitFor([&] { started = ProbeNames(out_); return started.size() >= 3; }, 10000));
    EXPECT_EQ(std::vector<std::string>({"QrTestSame64", "QrTestSame32", "QrTestUser"}), started);
    const std::string windowsDir = win::WindowsDirectory();
    EXPECT_TRUE(LogHas("WI: N=[QrTestSame] P=[" + ProbeCommand("QrTestSame32") + "] Pa=[" + windowsDir +
                       "] C=1 S=1 V=32"));
    KillProcess(process_);
    EndInstalledInstances();

    SetString(HKEY_LOCAL_MACHINE, kProductKey, kUninstallLink, "qrtest-none:farewell");
    {
        DialogAnswerer complete("Uninstall Complete", IDOK, 60000);
        RunResult uninstall = RunProcess(installed_, "-uninstall", 60000, "C:\\");
        EXPECT_TRUE(uninstall.finished);
        EXPECT_TRUE(complete.Answered());
    }
    for (const auto& entry : entries) {
        EXPECT_EQ(Sz(ProbeCommand(entry.probe)), GetInView(entry.root, kRunKey, entry.name, entry.view))
            << entry.probe;
        EXPECT_EQ("", GetInView(entry.root, CapturePath(kRunKey), entry.name, entry.view)) << entry.probe;
    }
}

} // namespace
