// The boot window's ad-block server start and its start-up popup.
#include "launch/BootDlg.h"
#include "app/Log.h"

void QuillrestDlg::StartHTTPServer(unsigned short)
{
    Traced("QuillrestDlg::StartHTTPServer", [] {});
}

void QuillrestDlg::TimerKillAdBlockMsg()
{
    Traced("QuillrestDlg::TimerKillAdBlockMsg", [&] { StopTimer(kTimerKillAdBlockMsg); });
}
