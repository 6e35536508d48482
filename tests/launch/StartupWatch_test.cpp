// The resident Quillrest.exe after its launch phase: newcomers to the start-up places are parked at once and announced.
#include "LaunchFixture.h"
#include "ui/SheetFixture.h"
#include "app/Policy.h"
#include "app/Settings.h"
#include "launch/Restore.h"
#include "launch/WorkOrder.h"
#include "res/resource.h"
#include <algorithm>

using namespace qrtest;

namespace {

constexpr const char* kNoticeTitle = "Quillrest: new start-up program";
const std::string kApprovedRunKey = std::string(kStartupApprovedKey) + "\\" + kApprovedRun;

class StartupWatchTest : public BootFixture {
protected:
    StartupWatchTest() : BootFixture("qrwatch", "starts.txt", 100) {}
    void TearDown() override
    {
        // A sheet the notice opened is a process of its own.
        if (HWND sheet = FindWindowA(nullptr, kSheetCaption)) {
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            WaitFor([&] { return !IsWindow(sheet); }, kPatienceMs);
        }
        KillProcess(process_);
        DeleteValue(HKEY_CURRENT_USER, kApprovedRunKey.c_str(), "QrTestWatchOff");
        BootFixture::TearDown();
    }

    // Starts a boot and waits until its launch phase is over and the watch runs.
    void Boot()
    {
        const size_t watches = LogCount("Watching HKCU Run");
        StartProduct("-noinstall -hklm");
        ASSERT_TRUE(WaitFor([&] { return LogCount("Watching HKCU Run") > watches; }, kPatienceMs));
    }
    // The names the next boot starts, once `count` have started.
    std::vector<std::string> NextBoot(size_t count)
    {
        KillProcess(process_);
        DeleteFileA(out_.c_str());
        Boot();
        std::vector<std::string> started;
        WaitFor([&] { return (started = ProbeNames(out_)).size() >= count; }, kPatienceMs);
        std::sort(started.begin(), started.end());
        return started;
    }
    // Writes a Run value from this process and waits until the capture that
    // parked it is over, notice and all: the milliseconds to its parking.
    DWORD AddRunValue(const std::string& name)
    {
        const size_t decided = Decisions(name);
        SetString(HKEY_CURRENT_USER, kRunKey, name.c_str(), ProbeCommand(name));
        const DWORD written = GetTickCount();
        EXPECT_TRUE(WaitFor([&] { return ValueExists(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), name.c_str()); },
                            kPatienceMs));
        const DWORD took = GetTickCount() - written;
        EXPECT_TRUE(WaitFor([&] { return Decisions(name) > decided; }, kPatienceMs));
        return took;
    }
    // How often a finished capture has logged what became of `name`.
    static size_t Decisions(const std::string& name)
    {
        const std::string mark = "[" + name + "] from ";
        size_t finished = 0;
        size_t open = 0;
        for (const std::string& line : LogMessages()) {
            if (line.find(mark) != std::string::npos) {
                ++open;
            } else if (line == "\tLeaving QuillrestDlg::CaptureChangedPlaces") {
                finished += open;
                open = 0;
            }
        }
        return finished;
    }
    static size_t NoticesShown() { return LogCount("Showing new start-up program notice"); }
    // The notice once it shows (its window exists, still empty, a moment before).
    static HWND Notice()
    {
        HWND notice = FindWindowA(nullptr, kNoticeTitle);
        return notice && IsWindowVisible(notice) ? notice : nullptr;
    }
    static std::string NoticeText()
    {
        char text[1024] = "";
        GetDlgItemTextA(Notice(), IDC_NOTICE_TEXT, text, sizeof(text));
        return text;
    }
    static void Press(int button)
    {
        HWND notice = Notice();
        ASSERT_NE(nullptr, notice);
        PostMessageA(notice, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(notice, button)));
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(notice); }, kPatienceMs));
    }
};

TEST_F(StartupWatchTest, NewcomersAreParkedAtOnceAnnouncedWithoutTakingTheFocusAndStartedAtTheNextBoot)
{
    Boot();
    // Idle, the watch only waits on change notifications.
    const unsigned long long idleFrom = qrtool::ProcessorTime100ns(process_);
    Sleep(5000);    // a measuring window, not a wait for anything
    EXPECT_LT(qrtool::ProcessorTime100ns(process_) - idleFrom, 200000u) << "processor time over 5 s idle, in 100 ns";

    // The window the user is typing in keeps the focus while the notice shows.
    HWND typing = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 120, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, typing);
    SetForegroundWindow(typing);
    SetFocus(typing);
    auto pump = [] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    };
    const bool typingForeground = GetForegroundWindow() == typing;

    const DWORD runTook = AddRunValue("QrTestWatchRun");
    // About two seconds after the last change of a burst: never at once, never much later.
    EXPECT_GE(runTook, 1500u) << "from the write to its parking, ms";
    EXPECT_LT(runTook, 3000u) << "from the write to its parking, ms";
    ASSERT_TRUE(WaitFor([&] { pump(); return Notice() != nullptr; }, kPatienceMs));
    HWND notice = Notice();
    EXPECT_EQ("QrTestWatchRun added itself to your start-up programs. Quillrest will start it after you log on, in its "
              "turn.",
              NoticeText());
    RECT work = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT frame = {0, 0, 0, 0};
    GetWindowRect(notice, &frame);
    EXPECT_EQ(work.right - 1, frame.right);
    EXPECT_EQ(work.bottom - 1, frame.bottom);
    EXPECT_TRUE(GetWindowLongA(notice, GWL_EXSTYLE) & WS_EX_TOPMOST);
    pump();
    if (typingForeground) {
        EXPECT_EQ(typing, GetForegroundWindow());
    }
    DestroyWindow(typing);

    // A shortcut dropped into the Startup folder joins the open notice.
    const std::string link = win::PathJoin(StartupFolder(CSIDL_STARTUP), "QrTestWatchLink.lnk");
    ASSERT_TRUE(MakeShortcut(link, ToolPath("probe"), "\"" + out_ + "\" QrTestWatchLink", "", SW_SHOWNORMAL));
    const DWORD dropped = GetTickCount();
    ASSERT_TRUE(WaitFor([&] { return win::FileExists(link + ".Quillrest"); }, kPatienceMs));
    EXPECT_LT(GetTickCount() - dropped, 3000u) << "from the drop to its parking, ms";
    EXPECT_TRUE(WaitFor([&] {
        return NoticeText() == "QrTestWatchRun and 1 more added themselves to your start-up programs. Quillrest will "
                               "start them after you log on, in their turn.";
    }, kPatienceMs)) << NoticeText();
    EXPECT_EQ(notice, Notice());
    EXPECT_EQ(1u, NoticesShown());

    // "Launch Order..." opens the configuration sheet on that page.
    Press(IDC_NOTICE_LAUNCH_ORDER);
    HWND sheet = WaitForWindow(kSheetCaption);
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ("Launch Order", PageTitle(CurrentPage(sheet)));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sheet); }, kPatienceMs));
    EXPECT_TRUE(LogHas("New start-up program notice: Launch Order..."));

    // The next boot starts each newcomer once.
    EXPECT_EQ((std::vector<std::string>{"QrTestWatchLink", "QrTestWatchRun"}), NextBoot(2));
    EXPECT_TRUE(LogHas("\tLeaving Quillrest::WaitForShutdown"));
    EXPECT_EQ(2u, ProbeNames(out_).size());
}

TEST_F(StartupWatchTest, BurstsRepeatsAndSwitchedOffEntriesAreToldOnceOrNotAtAll)
{
    Boot();
    // An installer's burst of 50 values: one notice.
    std::vector<std::string> burst;
    for (int i = 0; i < 50; ++i)
        burst.push_back(win::Format("QrTestBurst%02d", i));
    for (const std::string& name : burst)
        SetString(HKEY_CURRENT_USER, kRunKey, name.c_str(), ProbeCommand(name));
    ASSERT_TRUE(WaitFor([&] { return ValueNames(HKEY_CURRENT_USER, CapturePath(kRunKey)).size() == burst.size(); },
                        kPatienceMs));
    ASSERT_TRUE(WaitFor([&] { return Notice() != nullptr; }, kPatienceMs));
    EXPECT_NE(std::string::npos, NoticeText().find(" and 49 more added themselves")) << NoticeText();
    EXPECT_EQ(1u, NoticesShown());
    EXPECT_EQ(0u, LogCount("Updating new start-up program notice"));

    // "Don't start it": every named entry goes to the ignore list.
    Press(IDC_NOTICE_DONT_START);
    std::vector<std::string> ignored = SplitNameList(ReadString(HKEY_LOCAL_MACHINE, kProductKey, kIgnoreForLaunch));
    std::sort(ignored.begin(), ignored.end());
    EXPECT_EQ(burst, ignored);

    // An updater that writes its value again and again: told once.
    for (int i = 0; i < 5; ++i)
        AddRunValue("QrTestAgain");
    EXPECT_EQ(2u, NoticesShown());
    EXPECT_EQ(4u, LogCount("Parked [QrTestAgain] from HKCU Run again"));
    EXPECT_EQ("QrTestAgain added itself to your start-up programs. Quillrest will start it after you log on, in its "
              "turn.",
              NoticeText());
    // Left alone, it closes by itself after 30 seconds, as if "OK" were pressed.
    EXPECT_TRUE(WaitFor([] { return Notice() == nullptr; }, kPatienceMs));
    EXPECT_TRUE(LogHas("New start-up program notice: closed by itself after 30 seconds"));

    // Notices switched off: parked all the same.
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kNotifyNewEntries, 0);
    AddRunValue("QrTestQuiet");
    EXPECT_TRUE(LogHas("Parked new start-up entry [QrTestQuiet] from HKCU Run: notices are switched off"));
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kNotifyNewEntries, 1);

    // Switched off in Windows' start-up settings: parked, never told, never started.
    SetString(HKEY_CURRENT_USER, kApprovedRunKey.c_str(), "QrTestWatchOff", std::string("\x03\0\0\0", 4), REG_BINARY);
    AddRunValue("QrTestWatchOff");
    EXPECT_TRUE(LogHas(
        "Parked [QrTestWatchOff] from HKCU Run: switched off in the system's start-up settings, not announced"));
    EXPECT_EQ(2u, NoticesShown());
    EXPECT_EQ(nullptr, Notice());

    // The next boot starts neither the ignored nor the switched-off entries.
    EXPECT_EQ((std::vector<std::string>{"QrTestAgain", "QrTestQuiet"}), NextBoot(2));
    EXPECT_EQ(2u, ProbeNames(out_).size());

    // Uninstall still puts every entry back.
    KillProcess(process_);
    EXPECT_TRUE(RestoreRedirectedApps());
    for (const char* name : {"QrTestBurst00", "QrTestBurst49", "QrTestWatchOff", "QrTestAgain"})
        EXPECT_EQ(ProbeCommand(name), ReadString(HKEY_CURRENT_USER, kRunKey, name)) << name;
}

TEST_F(StartupWatchTest, APolicyRemovedWhileResidentGivesTheUsersSettingBackAtItsNextUse)
{
    SetPolicy(kNotifyNewEntries, 0);
    Boot();
    AddRunValue("QrTestManaged");
    EXPECT_TRUE(LogHas("Parked new start-up entry [QrTestManaged] from HKCU Run: notices are switched off"));

    DeleteValue(HKEY_LOCAL_MACHINE, kPolicyKey, kNotifyNewEntries, PolicyKeyView());
    // What Group Policy broadcasts once it has applied a change.
    DWORD_PTR answer = 0;
    EXPECT_NE(0, SendMessageTimeoutA(BootWindow(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Policy"), SMTO_NORMAL,
                                     kPatienceMs, &answer));
    EXPECT_TRUE(WaitFor([] { return LogHas("\tLeaving QuillrestDlg::OnPolicyChanged"); }, kPatienceMs));
    EXPECT_TRUE(LogHas("Policies in force: none"));
    AddRunValue("QrTestTold");
    EXPECT_TRUE(WaitFor([] { return Notice() != nullptr; }, kPatienceMs));
    EXPECT_EQ(1u, NoticesShown());
}

} // namespace
