// The boot window: launches the captured programs one at a time, then stays resident.
#include "launch/BootDlg.h"
#include "adblock/AdBlock.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/CheckFiles.h"
#include "clean/InetCache.h"
#include "clean/TempFiles.h"
#include "install/System.h"
#include "launch/BootPacer.h"
#include "launch/BootRules.h"
#include "launch/Launcher.h"
#include "launch/PolicyWatch.h"
#include "launch/Redirect.h"
#include "launch/StartupWatch.h"
#include "launch/WorkQueue.h"
#include "res/resource.h"
#include "ui/NewEntryNotice.h"
#include "ui/SmallDialogs.h"
#include "win/Dpi.h"
#include "win/Util.h"
#include <ctime>
#include <utility>

namespace {
// Client row (dialog units) above which the window is cut: only the panel stays.
constexpr int kPanelBottomDlu = 57;
constexpr BYTE kHalfTransparent = 128;
}

QuillrestDlg::QuillrestDlg(HWND parent)
    : parent_(parent),
      icon_(LoadIconA(win::ResourceModule(), MAKEINTRESOURCEA(IDI_QUILLREST))),
      // The caption's icon from the icon's own small image, not the big one shrunk.
      smallIcon_(static_cast<HICON>(LoadImageA(win::ResourceModule(), MAKEINTRESOURCEA(IDI_QUILLREST), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED))),
      launchDelay_(LaunchDelayFromSetting(ProductDword(kDelaySeconds, 0)))
{
}

QuillrestDlg::~QuillrestDlg() = default;

INT_PTR QuillrestDlg::DoModal()
{
    return ModalDialog::DoModal(IDD_BOOT, parent_);
}

bool QuillrestDlg::OnInit()
{
    return TracedResult("QuillrestDlg::OnInitDialog", false, [&] {
        SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : icon_));
        policyWatch_.reset(new PolicyWatch);
        policyWatch_->Start(hwnd_, kPolicyChanged);
        SwitchOffBarredAdBlocking();
        if (IsAdBlockingActive())
            StartHTTPServer(static_cast<unsigned short>(ProductDword(kAdBlockingProxyPort, kDefaultAdBlockingPort)));
        const bool transparent = ProductDwordOrDefault(kTransparent, 1) != 0;
        if (ProductDwordOrDefault(kCheckVersion, 1) != 0)
            StartTimer(kTimerCheckVersion, 30000);
        if (ProductDwordOrDefault(kDownloadAdBlockInfo, 0) != 0 &&
            AdListDownloadDue(win::UnixTimeNow(), ProductDwordOrDefault(kLastAdBlockInfoCheck, 0)))
            StartTimer(kTimerUpdateAdBlockInfo, 180000);

        CleanUp();
        StartTimer(kTimerCleanup, 3300000);

        if (silent_) {
            SetWindowPos(hwnd_, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
            // DialogBox shows the window once its loop first idles; timer 4 hides it again.
            StartTimer(kTimerHide, 500);
            WaitForShutdown();
            return false;
        }

        RECT panel = {0, 0, 0, kPanelBottomDlu};
        MapDialogRect(hwnd_, &panel);
        RECT frame;
        GetWindowRect(hwnd_, &frame);
        POINT clientOrigin = {0, 0};
        ClientToScreen(hwnd_, &clientOrigin);
        const int width = frame.right - frame.left;
        const int height = CutWindowHeight(clientOrigin.y - frame.top, panel.bottom, win::Scaled(1));
        SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

        if (transparent)
            MakeTransparent();

        RECT desktop;
        GetWindowRect(GetDesktopWindow(), &desktop);
        MoveWindow(hwnd_, CentredLeft(desktop.right - desktop.left, width), 0, width, height, TRUE);

        StartLaunching();

        if (ProductDword(kMinimized, 0) != 0)
            ShowWindow(hwnd_, SW_SHOWMINIMIZED);
        else
            ShowWindow(hwnd_, SW_SHOWNORMAL);
        BeginPacing();
        SetFocus(Item(IDOK));

        if (ProductDword(kWelcomeDismissed, 0) == 0) {
            WriteLog("Showing welcome dialog");
            welcome_.reset(new WelcomeDlg);
            welcome_->Create(nullptr);
        }
        return false;
    });
}

void QuillrestDlg::StartLaunching()
{
    queue_ = BuildWorkQueue(true);
    StartTimer(kTimerTick, 1000);
    StartTimer(kTimerLaunch, static_cast<UINT>(launchDelay_) * 1000);
    AddToCounter(kCounterFilesLaunched, static_cast<long long>(queue_.size()));
}

void QuillrestDlg::MakeTransparent()
{
    // Windows 95, 98, ME and NT 4 have no layered windows: stay opaque there.
    using SetLayered = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    win::UniqueLibrary user32(LoadLibraryA("USER32.DLL"));
    auto setLayered = win::LookUp<SetLayered>(user32.Get(), "SetLayeredWindowAttributes");
    if (!setLayered)
        return;
    SetWindowLongA(hwnd_, GWL_EXSTYLE, GetWindowLongA(hwnd_, GWL_EXSTYLE) | WS_EX_LAYERED);
    setLayered(hwnd_, 0, kHalfTransparent, LWA_ALPHA);
}

bool QuillrestDlg::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_BOOT_HURRY:
        if (code == BN_CLICKED) {
            StartTimer(kTimerLaunch, 1000);
            NoteHurryUp();
            SetFocus(Item(IDOK));
        }
        return true;
    case IDC_BOOT_MINIMIZED:
        if (code == BN_CLICKED) {
            ShowWindow(hwnd_, SW_MINIMIZE);
            SetProductDword(kMinimized, 1);
        }
        return true;
    default:
        return ModalDialog::OnCommand(id, code, control);
    }
}

void QuillrestDlg::OnTimer(UINT_PTR id)
{
    if (id == kTimerSettle) {
        TimerSettle();    // several times a second: kept out of the traced dispatch
        return;
    }
    const std::string name = win::Format("QuillrestDlg::OnTimer(%d)", static_cast<int>(id));
    Traced(name.c_str(), [&] {
        switch (id) {
        case kTimerTick:
            TimerTick();
            break;
        case kTimerLaunch:
            TimerLaunch();
            break;
        case kTimerHide:
            TimerHide();
            break;
        case kTimerCheckVersion:
            TimerCheckVersion();
            break;
        case kTimerCleanup:
            TimerCleanup();
            break;
        case kTimerUpdateAdBlockInfo:
            TimerUpdateAdBlockInfo();
            break;
        case kTimerKillAdBlockMsg:
            TimerKillAdBlockMsg();
            break;
        case kTimerWatch:
            TimerWatch();
            break;
        case kTimerWatchPoll:
            TimerWatchPoll();
            break;
        default:
            break;
        }
    });
}

void QuillrestDlg::TimerTick()
{
    Traced("QuillrestDlg::TimerTick", [&] {
        if (tickCount_ == 0) {
            SendItem(IDC_BOOT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, ProgressUpperBound(queue_.size(), ProgressUnit())));
            SendItem(IDC_BOOT_PROGRESS, PBM_SETSTEP, 1);
        } else if (!ItemProgress()) {
            SendItem(IDC_BOOT_PROGRESS, PBM_STEPIT);
        }
        ++tickCount_;
    });
}

void QuillrestDlg::TimerLaunch()
{
    Traced("QuillrestDlg::TimerLaunch", [&] {
        ++launchIndex_;
        if (launchIndex_ >= static_cast<int>(queue_.size())) {
            SendItem(IDC_BOOT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            SendItem(IDC_BOOT_PROGRESS, PBM_SETPOS, 100);
            StopTimer(kTimerLaunch);
            StopTimer(kTimerTick);
            CloseWelcome();
            WaitForShutdown();
            queue_.clear();
            NotePhaseEnded();
            return;
        }
        const WorkItem item = queue_[static_cast<size_t>(launchIndex_)];
        SendItem(IDC_BOOT_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(launchIndex_) * static_cast<WPARAM>(ProgressUnit()));
        SetItemText(IDC_BOOT_COMMAND, item.CommandLine);
        SetItemText(IDC_BOOT_NAME, item.Name);
        FollowedProgram program;
        StartWorkItem(ExpandedForLaunch(item), ProductDword(kDebugDelayPause, 0) != 0, program);
        NoteLaunched(item.Name, std::move(program));
    });
}

void QuillrestDlg::TimerSettle()
{
    // Not traced: it ticks several times a second and would flood the log.
    try {
        CpuSample now;
        if (!pacer_ || !SampleSystemCpu(now)) {
            StopTimer(kTimerSettle);
            return;
        }
        ProgramSample program;
        FollowedProgram* followed = pacer_->Following();
        if (followed)
            SampleProgram(*followed, program);
        switch (pacer_->Sample(now, followed ? &program : nullptr)) {
        case BootPacer::Step::StartNext:
            WriteLog("The computer has settled: starting the next program");
            // The launch timer stays the upper bound, counted from this start.
            StartTimer(kTimerLaunch, static_cast<UINT>(launchDelay_) * 1000);
            TimerLaunch();
            break;
        case BootPacer::Step::Done:
            FinishBootReport();
            break;
        case BootPacer::Step::Wait:
            break;
        }
    } catch (...) {
        WriteLog("###### Exception in %s", "QuillrestDlg::TimerSettle");
    }
}

void QuillrestDlg::TimerHide()
{
    Traced("QuillrestDlg::TimerHide", [&] {
        ShowWindow(hwnd_, SW_HIDE);
        StopTimer(kTimerHide);
    });
}

void QuillrestDlg::TimerCleanup()
{
    Traced("QuillrestDlg::TimerCleanup", [&] {
        time_t now = time(nullptr);
        const tm* local = localtime(&now);
        if (local && local->tm_hour == 0)
            CleanUp();
    });
}

void QuillrestDlg::CleanUp()
{
    Traced("QuillrestDlg::CleanUp", [] {
        ClearInternetCache();
        DeleteInternetCookies();
        DeleteCheckFiles();
        DeleteTempFiles();
    });
}

void QuillrestDlg::WaitForShutdown()
{
    Traced("Quillrest::WaitForShutdown", [&] {
        ShowWindow(hwnd_, SW_HIDE);
        InstallSelfForBoot();
        PrepForReboot();
        StartWatch();
    });
}

void QuillrestDlg::OnEndSession()
{
    // The work is done also when another program cancels the log-off.
    Traced("QuillrestDlg::OnEndSession", [&] {
        InstallSelfForBoot();
        PrepForReboot();
        CleanUp();
    });
}

void QuillrestDlg::OnPolicyChanged()
{
    Traced("QuillrestDlg::OnPolicyChanged", [] {
        LogPolicies();
        SwitchOffBarredAdBlocking();
    });
}

void QuillrestDlg::CloseWelcome()
{
    if (welcome_ && welcome_->IsOpen())
        welcome_->Destroy();
    welcome_.reset();
}

void QuillrestDlg::PaintIcon()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(hwnd_, &paint);
}

bool QuillrestDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case kStartupPlaceChanged:
        OnStartupPlaceChanged(static_cast<size_t>(wParam));
        result = 0;
        return true;
    case kPolicyChanged:
        OnPolicyChanged();
        result = 0;
        return true;
    case WM_SETTINGCHANGE:
        // Group Policy says "Policy" once it has applied a change (any letter case).
        if (lParam && lstrcmpiA(reinterpret_cast<const char*>(lParam), "Policy") == 0)
            OnPolicyChanged();
        return false;
    case WM_DESTROY:
        StopWatch();
        policyWatch_.reset();
        return false;
    case WM_ENDSESSION:
        OnEndSession();
        return false;    // and the default handling
    case WM_PAINT:
        if (!IsIconic(hwnd_))
            return false;
        PaintIcon();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(icon_);
        return true;
    default:
        return false;
    }
}
