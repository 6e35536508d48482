// The boot window: launches the captured programs one at a time, then stays resident.
#pragma once
#include "launch/CpuSampler.h"
#include "launch/WatchRules.h"
#include "launch/WorkOrder.h"
#include "win/Dialog.h"
#include <memory>
#include <set>
#include <string>
#include <vector>

class WelcomeDlg;
class BootPacer;
class StartupWatch;
class NewEntryNoticeDlg;
class PolicyWatch;

// Timer ids of the boot window.
enum BootTimer : UINT_PTR {
    kTimerTick = 1,
    kTimerLaunch = 2,
    kTimerHide = 4,
    kTimerCheckVersion = 5,
    kTimerCleanup = 6,
    kTimerUpdateAdBlockInfo = 9,
    kTimerKillAdBlockMsg = 10,
    kTimerSettle = 11,    // CPU samples while the launch phase is paced or measured
    kTimerWatch = 12,     // a burst of changes in the start-up places has settled
    kTimerWatchPoll = 13, // looks at the Run keys where they cannot be watched (Windows 9x)
};

// Posted by the start-up watch: a place changed (wParam: its index).
constexpr UINT kStartupPlaceChanged = WM_APP + 1;
// Posted by the policy watch: Group Policy applied a change.
constexpr UINT kPolicyChanged = WM_APP + 2;

class QuillrestDlg : public win::ModalDialog {
public:
    explicit QuillrestDlg(HWND parent);
    ~QuillrestDlg() override;
    void SetSilent(bool silent) { silent_ = silent; }
    INT_PTR DoModal();
    const char* TraceName() const override { return "QuillrestDlg"; }

    // 1 when the computer is online (network alive, or WinINet says connected).
    int IsConnectedToInternet();

    // Ad blocking: starts the ad-block server once per process (launch/BootAdBlock.cpp).
    void StartHTTPServer(unsigned short port);

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override {}        // the hidden default button eats the Enter key
    void OnCancel() override {}    // Escape and the close request do nothing either

private:
    void StartLaunching();
    void MakeTransparent();
    void TimerTick();
    void TimerLaunch();
    void TimerSettle();    // CPU samples while the launch phase is paced or measured
    void TimerHide();
    void TimerCleanup();
    // The downloads once online (launch/BootDownloads.cpp): false while offline;
    // else stops `timer` and lets the computer work for 10 s first.
    bool OnlineForDownload(UINT_PTR timer);
    // A policy switched the download off after `timer` was armed: the timer stops.
    bool SwitchedOffByPolicy(const char* setting, UINT_PTR timer);
    void TimerCheckVersion();
    void TimerUpdateAdBlockInfo();
    void TimerKillAdBlockMsg();       // launch/BootAdBlock.cpp
    void CleanUp();
    void WaitForShutdown();
    void OnEndSession();
    void CloseWelcome();
    void PaintIcon();
    // Pacing and the boot report (launch/BootPacing.cpp)
    void BeginPacing();
    bool ItemProgress() const;    // the progress bar counts items, not seconds
    short ProgressUnit() const;
    void NoteLaunched(const std::string& name, FollowedProgram program);
    void NotePhaseEnded();
    void NoteHurryUp();
    void FinishBootReport();
    // The watch of the start-up places after the launch phase (launch/BootWatch.cpp)
    void StartWatch();
    void StopWatch();
    void OnStartupPlaceChanged(size_t index);
    void TimerWatch();
    void TimerWatchPoll();
    void CaptureChangedPlaces(const std::set<size_t>& places);
    void ShowNewEntryNotice(const std::vector<std::string>& names);
    // The administrator's policy changed: settings take it at their next use;
    // ad blocking it does not allow is switched off at once.
    void OnPolicyChanged();

    HWND parent_;
    HICON icon_;
    HICON smallIcon_;
    bool silent_ = false;
    std::unique_ptr<WelcomeDlg> welcome_;
    std::vector<WorkItem> queue_;
    short launchDelay_;
    int launchIndex_ = -1;
    int tickCount_ = 0;
    HWND adBlockPopup_ = nullptr;    // the server's start-up popup while it may be open
    std::unique_ptr<BootPacer> pacer_;    // during the launch phase and until its report is written
    std::unique_ptr<StartupWatch> watch_;
    std::vector<WatchPlace> watchPlaces_;
    std::set<size_t> changedPlaces_;      // waiting for their burst to settle
    DWORD burstStart_ = 0;
    std::set<std::string> announced_;     // lower-cased names told of in this session
    std::unique_ptr<NewEntryNoticeDlg> notice_;
    std::unique_ptr<PolicyWatch> policyWatch_;
};

// Tests decide what IsConnectedToInternet answers (-1: the system decides again).
void OverrideIsConnectedToInternetForTest(int answer);
