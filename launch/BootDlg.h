// The boot window: launches the captured programs one at a time, then stays resident.
#pragma once
#include "launch/CpuSampler.h"
#include "launch/WorkOrder.h"
#include "win/Dialog.h"
#include <memory>
#include <vector>

class WelcomeDlg;
class BootPacer;

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
};

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
    void TimerHide();
    void TimerCleanup();
    void TimerCheckVersion();         // update/VersionCheck.cpp
    void TimerUpdateAdBlockInfo();    // launch/BootAdList.cpp
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
    void TimerSettle();
    void FinishBootReport();

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
};

// Tests decide what IsConnectedToInternet answers (-1: the system decides again).
void OverrideIsConnectedToInternetForTest(int answer);

// Starts one work item as a process, falling back to the shell (never for a
// folder).  Returns true when a process was created.  `program` receives the
// started program's process where the system gives one, the shell's included.
bool StartWorkItem(const WorkItem& item, bool debugPause, FollowedProgram& program);
