// The resident Quillrest.exe under Wine: boot window, launch schedule, silent start, log-off.
#include "LaunchFixture.h"
#include "app/Settings.h"
#include "install/TestHive.h"
#include "res/resource.h"
#include <algorithm>

using namespace qrtest;

namespace {

using qrtool::Seconds;

class BootTest : public BootFixture {
protected:
    BootTest() : BootFixture("qrboot", "starts.txt", 5) {}

    void Start(const char* arguments)
    {
        StartProduct(arguments);
        started_ = qrtool::CreationTime100ns(process_);
    }
    bool StillResident()
    {
        DWORD_PTR answer = 0;
        return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT &&
               SendMessageTimeoutA(BootWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) != 0;
    }

    unsigned long long started_ = 0;
};

TEST_F(BootTest, LaunchesEveryEntryOncePerPeriodInOrder)
{
    // Fresh entries in all places: start-up parks them, the window launches them.
    SetString(HKEY_LOCAL_MACHINE, kRunKey, "QrTestM", ProbeCommand("QrTestM"));
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestU", ProbeCommand("QrTestU"));
    ASSERT_TRUE(MakeShortcut(win::PathJoin(StartupFolder(CSIDL_STARTUP), "QrTestLinkU.lnk"), ToolPath("probe"),
                             "\"" + out_ + "\" QrTestLinkU", outFolder_, SW_SHOWNORMAL));
    ASSERT_TRUE(MakeShortcut(win::PathJoin(StartupFolder(CSIDL_COMMON_STARTUP), "QrTestLinkC.lnk"), ToolPath("probe"),
                             "\"" + out_ + "\" QrTestLinkC", "", SW_SHOWNORMAL));
    SetProductString(kSortingOrder, "QrTestLinkU\1QrTestU\1QrTestM\1");
    SetProductString(kIgnoreForLaunch, "QrTestLinkUX\1");

    Start("-noinstall -hklm");
    ASSERT_TRUE(WaitVisible(20000));
    HWND window = BootWindow();

    // Top centre, cut below the panel, half transparent.
    RECT frame, panel;
    GetWindowRect(window, &frame);
    GetWindowRect(GetDlgItem(window, IDC_BOOT_FRAME), &panel);
    POINT clientOrigin = {0, 0};
    ClientToScreen(window, &clientOrigin);
    EXPECT_EQ(0, frame.top);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2, frame.left);
    const double pixelsPerUnit = (panel.bottom - panel.top) / 52.0;
    const int expectedBottom = clientOrigin.y + static_cast<int>(57 * pixelsPerUnit + 0.5) - 1;
    EXPECT_NEAR(expectedBottom, frame.bottom, 2);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(window, nullptr, &alpha, &flags)) {
        EXPECT_EQ(128, alpha);
    }

    ASSERT_TRUE(WaitHidden(kPatienceMs));
    EXPECT_TRUE(StillResident());
    std::vector<ProbeStart> starts;
    ASSERT_TRUE(WaitFor([&] { starts = ReadProbeStarts(out_); return starts.size() >= 4; }, kPatienceMs));
    ASSERT_EQ(4u, starts.size());
    // Not named in the order first, then the order's names.
    std::vector<std::string> names;
    for (const ProbeStart& s : starts)
        names.push_back(s.name);
    EXPECT_EQ(std::vector<std::string>({"QrTestLinkC", "QrTestLinkU", "QrTestU", "QrTestM"}), names);
    // One period after start, then one per period (tolerant of a loaded machine).
    EXPECT_GE(Seconds(started_, starts[0].created), 0.9);
    for (size_t i = 1; i < starts.size(); ++i) {
        const double gap = Seconds(starts[i - 1].created, starts[i].created);
        EXPECT_GT(gap, 0.6) << i;
        EXPECT_LT(gap, 2.5) << i;
    }
    EXPECT_EQ(outFolder_, starts[1].workingDir);
    EXPECT_EQ(win::ToLower(win::WindowsDirectory()), win::ToLower(starts[2].workingDir));
    EXPECT_EQ(SW_SHOWNORMAL, starts[2].show);

    EXPECT_EQ(4, GetCounter(kCounterFilesLaunched));
    EXPECT_EQ(1, GetCounter(kCounterBoots));
    // Timers 1 and 2 are gone after the phase; the process stays.
    const size_t linesAfterHide = LogMessages().size();
    EXPECT_FALSE(WaitFor([&] {
        const std::vector<std::string> later = LogMessages();
        return std::find(later.begin() + static_cast<long>(std::min(linesAfterHide, later.size())), later.end(),
                         "Entered QuillrestDlg::TimerLaunch") != later.end();
    }, 1500));
    EXPECT_TRUE(StillResident());
    // Nothing started twice.
    EXPECT_EQ(4u, ReadProbeStarts(out_).size());
}

TEST_F(BootTest, HurryUpStartsTheRestOneSecondApart)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 3);
    for (const char* name : {"QrTest1", "QrTest2", "QrTest3", "QrTest4"})
        SetString(HKEY_CURRENT_USER, kRunKey, name, ProbeCommand(name));
    SetProductString(kSortingOrder, "QrTest1\1QrTest2\1QrTest3\1QrTest4\1");
    Start("-noinstall -hklm");
    ASSERT_TRUE(WaitVisible(20000));
    ASSERT_TRUE(WaitFor([&] { return ReadProbeStarts(out_).size() >= 1; }, kPatienceMs));
    HWND window = BootWindow();
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_BOOT_HURRY, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_BOOT_HURRY)));
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    std::vector<ProbeStart> starts = ReadProbeStarts(out_);
    ASSERT_EQ(4u, starts.size());
    EXPECT_GE(Seconds(started_, starts[0].created), 2.5);
    for (size_t i = 2; i < starts.size(); ++i)
        EXPECT_LT(Seconds(starts[i - 1].created, starts[i].created), 2.0) << i;
}

TEST_F(BootTest, DocumentUsesTheShellAndFolderIsLeftAlone)
{
    // A fresh prefix has no .txt association: register one that runs the probe.
    const std::string previous = ReadString(HKEY_CLASSES_ROOT, ".txt", "");
    SetString(HKEY_CLASSES_ROOT, ".txt", "", "QrTestTxtFile");
    SetString(HKEY_CLASSES_ROOT, "QrTestTxtFile\\shell\\open\\command", "", ProbeCommand("QrTestDoc") + " \"%1\"");
    const std::string document = win::PathJoin(outFolder_, "note.txt");
    ASSERT_TRUE(WriteFileText(document, "text"));
    const std::string folder = win::PathJoin(outFolder_, "folder");
    CreateDirectoryA(folder.c_str(), nullptr);
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestDocument", document);
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestFolder", folder);
    // The same in quotes, as installers write paths with blanks: the shell gets
    // the quoted document apart from its arguments, and the quoted folder is left alone.
    const std::string quotedDocument = win::PathJoin(outFolder_, "note two.txt");
    ASSERT_TRUE(WriteFileText(quotedDocument, "text"));
    const std::string quotedFolder = win::PathJoin(outFolder_, "folder two");
    CreateDirectoryA(quotedFolder.c_str(), nullptr);
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestQuotedDocument", "\"" + quotedDocument + "\" /p");
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestQuotedFolder", "\"" + quotedFolder + "\"");

    Start("-noinstall -hklm");
    const bool hidden = WaitHidden(kPatienceMs);
    const bool docStarted = WaitFor([&] { return ReadProbeStarts(out_).size() >= 2; }, kPatienceMs);
    if (previous.empty())
        DeleteTree(HKEY_CLASSES_ROOT, ".txt");
    else
        SetString(HKEY_CLASSES_ROOT, ".txt", "", previous);
    DeleteTree(HKEY_CLASSES_ROOT, "QrTestTxtFile");

    ASSERT_TRUE(hidden);
    ASSERT_TRUE(docStarted);
    std::vector<ProbeStart> starts = ReadProbeStarts(out_);
    ASSERT_EQ(2u, starts.size());
    const std::string both = starts[0].commandLine + starts[1].commandLine;
    EXPECT_NE(std::string::npos, both.find("note.txt"));
    EXPECT_NE(std::string::npos, both.find("note two.txt"));
    EXPECT_TRUE(LogHas("Trying secondary ShellExecute"));
    EXPECT_TRUE(LogHas(folder + " is a directory, so not ShellExecuting"));
    EXPECT_TRUE(LogHas("\"" + quotedFolder + "\" is a directory, so not ShellExecuting"));
}

TEST_F(BootTest, EntriesStartOnceAsWindowsWouldStartThem)
{
    // Written again beside its parked copy: parked first, only the newer one starts.
    SetString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTestTwin", ProbeCommand("QrTestOld"));
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestTwin", ProbeCommand("QrTestNew"));
    // One that cannot be parked (held open) beside its parked copy: Windows starts it, the boot does not.
    const std::string held = win::PathJoin(StartupFolder(CSIDL_COMMON_STARTUP), "QrTestHeld.lnk");
    ASSERT_TRUE(MakeShortcut(held + ".Quillrest", ToolPath("probe"), "\"" + out_ + "\" QrTestHeldOld", "", 1));
    ASSERT_TRUE(MakeShortcut(held, ToolPath("probe"), "\"" + out_ + "\" QrTestHeldNew", "", 1));
    win::UniqueFile hold(CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    // REG_EXPAND_SZ with arguments, as Windows ships one.
    const std::string probe = win::PathJoin(outFolder_, "probe.exe");
    ASSERT_TRUE(CopyFileA(ToolPath("probe").c_str(), probe.c_str(), FALSE));
    ASSERT_EQ(0, probe.compare(0, 2, "C:"));
    const std::string expand = "\"%SystemDrive%" + probe.substr(2) + "\" \"" + out_ + "\" QrTestExpand /arg";
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestExpand", expand, REG_EXPAND_SZ);

    Start("-noinstall -hklm");
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    std::vector<std::string> names = ProbeNames(out_);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::vector<std::string>({"QrTestExpand", "QrTestNew"}), names);
    EXPECT_EQ(1u, LogCount("Skipping QrTestHeld: Windows starts the entry of its name that could not be parked"));
    const std::string started = "\"" + probe + "\" \"" + out_ + "\" QrTestExpand /arg";
    for (const ProbeStart& start : ReadProbeStarts(out_))
        EXPECT_TRUE(start.name != "QrTestExpand" || start.commandLine == started) << start.commandLine;
    hold.Reset();
    // Parked as it was stored, references unexpanded.
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(GetRaw(HKEY_CURRENT_USER, CapturePath(kRunKey), "QrTestExpand", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(expand + '\0', data);
}

TEST_F(BootTest, SilentStartLaunchesAndCountsNothing)
{
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestSilent", ProbeCommand("QrTestSilent"));
    Start("-noinstall -silent");
    ASSERT_TRUE(WaitFor([&] { return LogHas("\tLeaving QuillrestDlg::TimerHide"); }, kPatienceMs));
    EXPECT_FALSE(IsWindowVisible(BootWindow()));
    // Parked by start-up, but not started.
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, "QrTestSilent"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTestSilent"));
    EXPECT_FALSE(WaitFor([&] { return !ReadProbeStarts(out_).empty(); }, 2500));
    EXPECT_EQ(0, GetCounter(kCounterFilesLaunched));
    EXPECT_EQ(0, GetCounter(kCounterBoots));
    EXPECT_FALSE(LogHas("BuildWorkQueue"));
    EXPECT_TRUE(LogHas("Entered QuillrestDlg::CleanUp"));
    EXPECT_TRUE(StillResident());
}

TEST_F(BootTest, ButtonsWelcomeAndSwallowedCloseRequests)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 4);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kWelcomeDismissed, 0);
    Start("-noinstall -hklm");
    ASSERT_TRUE(WaitVisible(20000));
    const DWORD shown = GetTickCount();
    HWND window = BootWindow();
    EXPECT_TRUE(WaitFor([] { return LogHas("Showing welcome dialog"); }, kPatienceMs));
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, "Welcome to Quillrest!") != nullptr; }, kPatienceMs));

    // Enter, Escape and the close request leave the window where it is.
    DWORD_PTR answer = 0;
    const struct { UINT message; WPARAM wParam; } requests[] = {
        {WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
        {WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {WM_CLOSE, 0},
    };
    for (const auto& request : requests) {
        ASSERT_NE(0, SendMessageTimeoutA(window, request.message, request.wParam, 0, SMTO_NORMAL, 5000, &answer));
        EXPECT_TRUE(IsWindowVisible(window)) << request.message << " " << request.wParam;
    }
    ASSERT_NE(0, SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(IDC_BOOT_MINIMIZED, BN_CLICKED),
                                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_BOOT_MINIMIZED)), SMTO_NORMAL,
                                     5000, &answer));
    EXPECT_TRUE(IsIconic(window));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kMinimized));

    // An empty queue ends the phase at the first launch tick, one delay after start.
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    EXPECT_GE(GetTickCount() - shown, 3000u);
    EXPECT_EQ(0, GetCounter(kCounterFilesLaunched));
    EXPECT_TRUE(WaitFor([] { return FindWindowA(nullptr, "Welcome to Quillrest!") == nullptr; }, kPatienceMs));
    EXPECT_TRUE(StillResident());
}

class Windows98Test : public BootTest {
protected:
    // Wine reports Windows 98 to one executable name when asked to.
    const char* appDefaults_ = "Software\\Wine\\AppDefaults\\Quillrest.exe";
    void SetUp() override
    {
        if (Is64BitWindows())
            GTEST_SKIP() << "Windows 9x is 32-bit Windows only: 64-bit Windows and its programs never meet it";
        BootTest::SetUp();
        SetString(HKEY_CURRENT_USER, appDefaults_, "Version", "win98");
    }
    void TearDown() override
    {
        if (IsSkipped())
            return;
        BootTest::TearDown();
        DeleteTree(HKEY_CURRENT_USER, appDefaults_);
    }
};

TEST_F(Windows98Test, RunServicesEntriesStartFirstAndHidden)
{
    SetString(HKEY_LOCAL_MACHINE, kRunKey, "QrTestRun", ProbeCommand("QrTestRun"));
    SetString(HKEY_LOCAL_MACHINE, kRunServicesKey, "QrTestService", ProbeCommand("QrTestService"));
    Start("-noinstall -hklm");
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    bool platform98 = false;
    for (const std::string& line : LogMessages())
        platform98 = platform98 || line.compare(0, 16, "Platform:1  4.10") == 0;
    EXPECT_TRUE(platform98);
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, CapturePath(kRunServicesKey).c_str(), "QrTestService"));
    std::vector<ProbeStart> starts;
    ASSERT_TRUE(WaitFor([&] { starts = ReadProbeStarts(out_); return starts.size() >= 2; }, kPatienceMs));
    ASSERT_EQ(2u, starts.size());
    EXPECT_EQ("QrTestService", starts[0].name);
    EXPECT_EQ(SW_HIDE, starts[0].show);
    EXPECT_EQ("QrTestRun", starts[1].name);
    EXPECT_EQ(SW_SHOWNORMAL, starts[1].show);
}

class EndSessionTest : public BootTest {
protected:
    // wineboot ends every process that owns a window; COM would give this one a window.
    EndSessionTest() { useCom_ = false; }
};

TEST_F(EndSessionTest, LogOffCapturesAndCleans)
{
    Start("-noinstall -hklm");
    ASSERT_TRUE(WaitHidden(kPatienceMs));
    DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue);
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestLate", "late.exe");

    RunResult wineboot = RunProcess(win::PathJoin(win::SystemDirectory(), "wineboot.exe"), "-e", 60000);
    EXPECT_TRUE(wineboot.finished);
    EXPECT_TRUE(LogHas("Entered QuillrestDlg::OnEndSession"));
    EXPECT_TRUE(LogHas("\tLeaving QuillrestDlg::OnEndSession"));
    EXPECT_TRUE(LogHas("InstallSelfForBoot"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue));
    EXPECT_EQ("late.exe", ReadString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTestLate"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, "QrTestLate"));
    // The log-off ended the process after its handler ran.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_, kPatienceMs));
}

} // namespace
