// Install and uninstall with the shipped program, from a downloads folder to the system directory and back.
#include "TestSupport.h"
#include "install/InstallFixture.h"
#include "install/TestHive.h"
#include "app/RegNames.h"
#include "app/Log.h"
#include "install/System.h"
#include "launch/StartupPlaces.h"
#include "ui/SheetFixture.h"
#include "ui/SheetText.h"
#include "res/resource.h"
#include "win/Util.h"
#include <shlobj.h>
#include <map>
#include <atomic>
#include <set>
#include <thread>

namespace {

using qrtest::EndInstalledInstances;
using qrtest::FileContents;
using qrtest::MutexExists;
using qrtest::RemoveInstallation;
using qrtest::SystemFile;

const std::string kRun = kRunKey;
const std::string kCapture = kRun + "\\Quillrest";
const char* kSampleUser = "QrSampleUser";
const char* kSampleMachine = "QrSampleMachine";
const char* kSampleLink = "QrSample.lnk";
const char* kCommonLink = "QrCommon.lnk";

std::string Folder(int csidl)
{
    std::string path;
    win::SpecialFolder(csidl, path);
    return path;
}

// The start-up places as a comparable listing: Run values with type and data,
// Startup folder files with their contents.
std::map<std::string, std::string> StartupPlaces()
{
    std::map<std::string, std::string> places;
    struct Place {
        HKEY root;
        REGSAM view;
        std::string label;
    };
    std::vector<Place> keys = {{HKEY_CURRENT_USER, 0, "HKCU"}};
    for (REGSAM view : HklmRunViews(Is64BitWindows()))    // both views on 64-bit Windows
        keys.push_back({HKEY_LOCAL_MACHINE, view, "HKLM" + ViewText(view)});
    for (const Place& key : keys) {
        for (const std::string& name : qrtest::ValueNames(key.root, kRun, key.view)) {
            DWORD type = 0;
            std::string data;
            qrtest::GetRaw(key.root, kRun, name, type, data, key.view);
            places[key.label + "\\" + name] = std::to_string(type) + ":" + data;
        }
    }
    for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
        std::string folder = Folder(csidl);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                places[folder + "\\" + found.cFileName] = FileContents(folder + "\\" + found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return places;
}

// Runs a program as a deployment tool would; `shown` collects meanwhile (every 10 ms) the
// titles of the visible top-level windows of every Quillrest process.
qrtest::RunResult RunWatched(const std::string& exe, const std::string& arguments, const std::string& folder,
                             std::set<std::string>& shown)
{
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        for (; !done; Sleep(10)) {
            std::pair<std::set<DWORD>, std::set<std::string>*> seen({}, &shown);
            HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            PROCESSENTRY32 entry = {sizeof(entry)};
            for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
                if (win::ToLower(entry.szExeFile).find("quillrest.exe") != std::string::npos)
                    seen.first.insert(entry.th32ProcessID);
            CloseHandle(snapshot);
            EnumWindows([](HWND window, LPARAM param) -> BOOL {
                auto* seen = reinterpret_cast<std::pair<std::set<DWORD>, std::set<std::string>*>*>(param);
                DWORD pid = 0;
                char title[256] = "";
                GetWindowThreadProcessId(window, &pid);
                if (IsWindowVisible(window) && seen->first.count(pid)) {
                    GetWindowTextA(window, title, sizeof(title));
                    seen->second->insert(title);
                }
                return TRUE;
            }, reinterpret_cast<LPARAM>(&seen));
        }
    });
    const qrtest::RunResult run = qrtest::RunProcess(exe, arguments, 60000, folder);
    done = true;
    watcher.join();
    return run;
}

class InstallProcessTest : public qrtest::ProductTest {
protected:
    void SetUp() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        ProductTest::SetUp();
        // The product logs for its own runs too: the test reads what they did.
        qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 1);
        qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 100);
        downloads_ = qrtest::MakeTempFolder("downloads");
        downloaded_ = downloads_ + "\\Quillrest.exe";
        ASSERT_TRUE(CopyFileA(qrtest::ProductExe().c_str(), downloaded_.c_str(), FALSE));
        probe_ = qrtest::ToolPath("cmdline_probe");
        qrtest::SetString(HKEY_CURRENT_USER, kRunKey, kSampleUser, "\"" + probe_ + "\" user");
        qrtest::SetString(HKEY_LOCAL_MACHINE, kRunKey, kSampleMachine, "\"" + probe_ + "\" machine");
        qrtest::WriteFileText(Folder(CSIDL_STARTUP) + "\\" + kSampleLink, "user shortcut");
        qrtest::WriteFileText(Folder(CSIDL_COMMON_STARTUP) + "\\" + kCommonLink, "common shortcut");
    }
    void TearDown() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            for (const char* name : {kSampleUser, kSampleMachine}) {
                qrtest::DeleteValue(root, kRun, name);
                qrtest::DeleteValue(root, kCapture, name);
            }
        }
        for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
            for (const char* name : {kSampleLink, kCommonLink}) {
                std::string path = Folder(csidl) + "\\" + name;
                DeleteFileA(path.c_str());
                DeleteFileA((path + ".Quillrest").c_str());
            }
        }
        qrtest::RemoveTree(downloads_);
        RemoveDirectoryA(downloads_.c_str());
        ProductTest::TearDown();
    }
    void Install()
    {
        qrtest::RunResult run = qrtest::RunProcess(downloaded_, "", 60000, downloads_);
        ASSERT_TRUE(run.finished);
        ASSERT_TRUE(qrtest::LogHas("Launching new instances after install"));
    }
    static bool LogContains(const std::string& part)
    {
        for (const std::string& line : qrtest::LogMessages())
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::string downloads_;
    std::string downloaded_;
    std::string probe_;
};

TEST_F(InstallProcessTest, InstallRegistersEverythingAndStartsTwoInstances)
{
    Install();
    const std::string exe = SystemFile(kExeName);
    const std::string applet = SystemFile(kAppletName);
    EXPECT_EQ(FileContents(qrtest::ProductExe()), FileContents(exe));
    EXPECT_EQ(FileContents(qrtest::ProductApplet()), FileContents(applet));
    EXPECT_FALSE(FileContents(applet).empty());

    EXPECT_EQ(exe + " -hklm", qrtest::ReadString(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue));
    EXPECT_EQ("Quillrest", qrtest::ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
    EXPECT_EQ("\"" + exe + "\"", qrtest::ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"));
    EXPECT_EQ("\"" + exe + "\" -configure", qrtest::ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(qrtest::GetRaw(HKEY_LOCAL_MACHINE, kCplsKey, "Quillrest", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(applet, std::string(data.c_str()));
    char mmcpl[MAX_PATH] = "";
    GetPrivateProfileStringA("MMCPL", kAppletName, "", mmcpl, sizeof(mmcpl), "control.ini");
    EXPECT_EQ(applet, mmcpl);
    DWORD installTime = qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kInstallTime);
    EXPECT_LE(win::UnixTimeNow() - installTime, 120u);

    EXPECT_EQ("QuillrestLink", qrtest::ReadString(HKEY_CLASSES_ROOT, ".Quillrest", nullptr));
    EXPECT_EQ("Quillrest Link", qrtest::ReadString(HKEY_CLASSES_ROOT, "QuillrestLink", nullptr));
    EXPECT_EQ("\"" + exe + "\" \"%1\"", qrtest::ReadString(HKEY_CLASSES_ROOT, "QuillrestLink\\Shell\\Open\\Command", nullptr));

    // The first capture.
    EXPECT_FALSE(qrtest::ValueExists(HKEY_CURRENT_USER, kRunKey, kSampleUser));
    EXPECT_EQ("\"" + probe_ + "\" user", qrtest::ReadString(HKEY_CURRENT_USER, kCapture.c_str(), kSampleUser));
    EXPECT_TRUE(win::FileExists(Folder(CSIDL_STARTUP) + "\\" + kSampleLink + ".Quillrest"));

    // A standard user may write what the program records while it runs, and
    // nothing that decides what starts or what the program does for everyone.
    EXPECT_TRUE(qrtest::LimitedTokenMaySetValues(HKEY_LOCAL_MACHINE, kStateKey));
    for (const std::string& key : {std::string(kProductKey), kRun, kCapture})
        EXPECT_FALSE(qrtest::LimitedTokenMaySetValues(HKEY_LOCAL_MACHINE, key.c_str())) << key;

    EXPECT_TRUE(qrtest::WaitFor([] { return LogContains("CmdLine: -configure"); }, qrtest::kPatienceMs));
    EXPECT_TRUE(qrtest::WaitFor([] { return LogContains("CmdLine: -silent"); }, qrtest::kPatienceMs));

    // A second install keeps the first installation's time.
    EndInstalledInstances();
    qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kInstallTime, 1000);
    Install();
    EXPECT_EQ(1000u, qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kInstallTime));
}

TEST_F(InstallProcessTest, QuietInstallAndItsQuietUninstallShowNothingAndReturnTheirCodes)
{
    // The deployment tool's own log, whether or not the diagnostic one is on.
    qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 0);
    const std::string setupLog = SetupLogPath();
    DeleteFileA(setupLog.c_str());
    const std::map<std::string, std::string> before = StartupPlaces();

    // Another install or uninstall holds the lock: this one ends at once, having changed nothing.
    HANDLE other = CreateMutexA(nullptr, TRUE, kSetupMutex);
    EXPECT_EQ(1618u, qrtest::RunProcess(downloaded_, "-quiet", 60000, downloads_).exitCode);
    CloseHandle(other);
    EXPECT_FALSE(qrtest::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue));

    std::set<std::string> shown;
    const qrtest::RunResult run = RunWatched(downloaded_, "-quiet", downloads_, shown);
    EXPECT_EQ(std::set<std::string>(), shown);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);

    // Apps & Features: this test program carries the program's version resource.
    const std::string exe = SystemFile(kExeName);
    DWORD versionMS = 0, versionLS = 0;
    OwnFileVersion(versionMS, versionLS);
    const std::pair<const char*, std::string> strings[] = {
        {"QuietUninstallString", "\"" + exe + "\" -uninstall -quiet"},
        {"DisplayVersion", win::Format("%u.%u.%u.%u", HIWORD(versionMS), LOWORD(versionMS), HIWORD(versionLS),
                                       LOWORD(versionLS))},
        {"Publisher", "Hollowmere"}, {"InstallLocation", GetInstallDirectory()}};
    for (const auto& value : strings)
        EXPECT_EQ(value.second, qrtest::ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, value.first)) << value.first;
    const size_t bytes = FileContents(exe).size() + FileContents(SystemFile(kAppletName)).size();
    const std::pair<const char*, DWORD> dwords[] = {
        {"EstimatedSize", static_cast<DWORD>((bytes + 1023) / 1024)}, {"NoModify", 1}, {"NoRepair", 1}};
    for (const auto& value : dwords)
        EXPECT_EQ(value.second, qrtest::GetDword(HKEY_LOCAL_MACHINE, kUninstallKey, value.first)) << value.first;

    EXPECT_EQ("\"" + probe_ + "\" machine", qrtest::ReadString(HKEY_LOCAL_MACHINE, kCapture.c_str(), kSampleMachine));
    EXPECT_TRUE(win::FileExists(Folder(CSIDL_STARTUP) + "\\" + kSampleLink + ".Quillrest"));
    EXPECT_FALSE(MutexExists(kRunningMutex));    // nothing started: the resident waits for the next log-on

    // The same version again upgrades in place: settings and parked entries stay.
    qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 3);
    EXPECT_EQ(0u, qrtest::RunProcess(downloaded_, "-quiet", 60000, downloads_).exitCode);
    EXPECT_EQ(3u, qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds));
    EXPECT_EQ("\"" + probe_ + "\" user", qrtest::ReadString(HKEY_CURRENT_USER, kCapture.c_str(), kSampleUser));

    // The installed program in use (a sheet still open, say): the new one waits for the next restart.
    HANDLE inUse = CreateFileA(exe.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(3010u, qrtest::RunProcess(downloaded_, "-quiet", 60000, downloads_).exitCode);
    CloseHandle(inUse);
    EXPECT_TRUE(DeleteFileA((exe + ".new").c_str()));

    // The tool runs the quiet uninstall command as it stands; nothing shows either.
    std::set<std::string> shownByUninstall;
    const qrtest::RunResult uninstall = RunWatched(exe, "-uninstall -quiet", "C:\\", shownByUninstall);
    EXPECT_EQ(std::set<std::string>(), shownByUninstall);
    ASSERT_TRUE(uninstall.finished);
    EXPECT_EQ(0u, uninstall.exitCode);
    EXPECT_EQ(before, StartupPlaces());
    HKEY gone;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &gone));

    const std::string log = FileContents(setupLog);
    for (const char* line : {"Exit code 1618: another install or uninstall of Quillrest is running",
                             "Exit code 0: installed", "Exit code 3010: the installed program was in use",
                             "Exit code 0: uninstalled"})
        EXPECT_NE(std::string::npos, log.find(line)) << line;
    DeleteFileA(setupLog.c_str());
}

TEST_F(InstallProcessTest, WithAStandardUsersTokenEachStartsItselfElevatedOnceAndEndsWithTheCopysExitCode)
{
    // Through the launcher of a standard user's token (tools/limited), with a fresh log each time.
    const auto limited = [&](const std::string& options, const std::string& exe, const std::string& arguments) {
        qrtest::FreshLog();
        return qrtest::RunProcess(qrtest::ToolPath("limited"), options + " \"" + exe + "\" " + arguments,
                                  qrtest::kPatienceMs, downloads_);
    };
    // What these tests stand on (a Wine that changes it changes what they show): this process
    // has the full token of an elevated administrator, the launcher's copy a limited one, not
    // elevated, with the group for denying only.
    EXPECT_EQ(211u, qrtool::TokenSummary());
    EXPECT_EQ(300u, limited("", qrtest::ToolPath("limited"), "--token").exitCode);
    {
        qrtest::DialogAnswerer cancelled("Cancelled", IDOK);
        EXPECT_EQ(1602u, limited("--decline-elevation", downloaded_, "").exitCode);    // cancelled by the user
        EXPECT_EQ("Installation cancelled.", cancelled.Text());
    }
    EXPECT_FALSE(win::FileExists(SystemFile(kExeName)));

    // The copy is no more elevated than its starter under Wine: it never asks
    // again, goes as far as its rights allow, and its failure is the run's.
    {
        qrtest::DialogAnswerer refused("Not Allowed to Install", IDOK);
        EXPECT_EQ(1603u, limited("--refuse-writes", downloaded_, "").exitCode);    // failed
        EXPECT_TRUE(refused.Answered());
    }
    EXPECT_EQ(1u, qrtest::LogCount("Starting "));
    EXPECT_EQ(1u, qrtest::LogCount("************* CmdLine: -elevated"));
    EXPECT_EQ(1u, qrtest::LogCount("Could not write HKLM\\software\\microsoft\\windows\\currentversion\\run: error 5"));

    // The copy installs and opens the sheet; the run the user started starts the resident instance.
    EXPECT_EQ(0u, limited("", downloaded_, "").exitCode);
    EXPECT_EQ(FileContents(qrtest::ProductExe()), FileContents(SystemFile(kExeName)));
    EXPECT_TRUE(qrtest::LogHas("************* CmdLine: -elevated"));
    EXPECT_TRUE(qrtest::WaitFor([] { return MutexExists(kRunningMutex); }, qrtest::kPatienceMs));
    EXPECT_EQ(1u, qrtest::LogCount("************* CmdLine: -silent"));
    // That sheet, still without the rights, asked once more and only shows the settings.
    HWND sheet = qrtest::WaitForWindow(qrtest::kSheetCaption);
    ASSERT_NE(nullptr, sheet);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(qrtest::CurrentPage(sheet), IDC_MAIN_READ_ONLY)));
    EXPECT_TRUE(qrtest::LogHas("************* CmdLine: -configure -elevated"));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);

    qrtest::SetString(HKEY_LOCAL_MACHINE, kProductKey, kUninstallLink, "qrtest-none:farewell");
    {
        qrtest::DialogAnswerer complete("Uninstall Complete", IDOK);
        EXPECT_EQ(0u, limited("", SystemFile(kExeName), "-uninstall").exitCode);
        EXPECT_TRUE(complete.Answered());
    }
    EXPECT_EQ(1u, qrtest::LogCount("Starting "));
    EXPECT_TRUE(qrtest::LogHas("************* CmdLine: -uninstall -elevated"));
    EXPECT_FALSE(qrtest::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue));
    EXPECT_FALSE(MutexExists(kRunningMutex));
}

TEST_F(InstallProcessTest, InstallBootUninstallLeavesStartupPlacesAsBefore)
{
    qrtest::TestHive hive("QrSecondUser", [](HKEY root) {
        qrtest::SetRaw(root, kCapture, "QrOtherUserApp", REG_SZ, std::string("C:\\other.exe") + '\0');
    });
    ASSERT_TRUE(hive.Loaded());
    std::map<std::string, std::string> before = StartupPlaces();

    Install();
    const std::string exe = SystemFile(kExeName);
    EndInstalledInstances();

    // A log-on: Windows starts the program's own Run value.
    HANDLE boot = qrtest::StartProcess(exe, "-hklm", "C:\\");
    EXPECT_TRUE(qrtest::WaitFor([] { return MutexExists(kRunningMutex); }, qrtest::kPatienceMs));
    EndInstalledInstances();
    qrtest::KillProcess(boot);

    qrtest::SetString(HKEY_LOCAL_MACHINE, kProductKey, kUninstallLink, "qrtest-none:farewell");
    {
        // A user's Run key that cannot hold the capture key (a volatile one): stop at its question.
        qrtest::TestHive volatileUser("QrVolatileUser", [](HKEY root) {
            qrtest::SetRaw(root, "Software\\Microsoft\\Windows\\CurrentVersion", "QrTest", REG_SZ, std::string(1, '\0'));
        });
        ASSERT_TRUE(volatileUser.Loaded());
        HKEY run = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_USERS, ("QrVolatileUser\\" + kRun).c_str(), 0, nullptr,
                                                 REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &run, nullptr));
        RegCloseKey(run);
        qrtest::DialogAnswerer stop("Error", IDYES, 60000);
        qrtest::DialogAnswerer cancelled("Cancelled", IDOK, 60000);
        EXPECT_TRUE(qrtest::RunProcess(exe, "-uninstall", 60000, "C:\\").finished);
        EXPECT_TRUE(stop.Answered());
        EXPECT_TRUE(cancelled.Answered());
        qrtest::DeleteTree(HKEY_USERS, ("QrVolatileUser\\" + kRun).c_str());
    }
    // This session's resident runs again and parks again what was already put back.
    EXPECT_TRUE(qrtest::WaitFor([] {
        return MutexExists(kRunningMutex) && !qrtest::ValueExists(HKEY_CURRENT_USER, kRunKey, kSampleUser) &&
               qrtest::ValueExists(HKEY_CURRENT_USER, kCapture.c_str(), kSampleUser);
    }, qrtest::kPatienceMs));

    // Written again while nothing runs: the newer shortcut stays, its parked copy goes
    // (a newer value: RestoreTest.PutsBackCapturedValuesOfEveryHive).
    EndInstalledInstances();
    const std::string common = Folder(CSIDL_COMMON_STARTUP) + "\\" + kCommonLink;
    ASSERT_TRUE(qrtest::WriteFileText(common, before[common] = "newer shortcut"));
    {
        qrtest::DialogAnswerer complete("Uninstall Complete", IDOK, 60000);
        qrtest::RunResult run = qrtest::RunProcess(exe, "-uninstall", 60000, "C:\\");
        EXPECT_TRUE(run.finished);
        EXPECT_TRUE(complete.Answered());
        EXPECT_EQ("Quillrest has been removed from the system.  The next time you reboot, the remaining product files "
                  "will be cleaned up.\r\n\r\nThank you for trying Quillrest.",
                  complete.Text());
    }
    EXPECT_TRUE(qrtest::LogHas("URL=qrtest-none:farewell?D=0"));
    EXPECT_FALSE(win::FileExists(SystemFile(kBatchName)));    // run and deleted once every shortcut was back
    EXPECT_FALSE(qrtest::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue));
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key));

    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (const std::string& name : qrtest::ValueNames(root, kCapture))
            EXPECT_TRUE(name != kSampleUser && name != kSampleMachine) << name;
    }
    const std::string other = "QrSecondUser\\" + kRun;
    EXPECT_EQ("C:\\other.exe", qrtest::ReadString(HKEY_USERS, other.c_str(), "QrOtherUserApp"));
    EXPECT_TRUE(qrtest::ValueNames(HKEY_USERS, other + "\\Quillrest").empty());

    // The program's files go at the next reboot.
    EXPECT_TRUE(win::FileExists(exe));
    qrtest::RunProcess("C:\\windows\\system32\\wineboot.exe", "-r", 60000, "C:\\");
    EXPECT_TRUE(qrtest::WaitFor([&] { return !win::FileExists(exe) && !win::FileExists(SystemFile(kAppletName)); },
                                10000));

    // The restore batch file runs on its own; give it time to finish.
    qrtest::WaitFor([&] { return StartupPlaces() == before; }, 5000);
    EXPECT_EQ(before, StartupPlaces());
}

} // namespace
