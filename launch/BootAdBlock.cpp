// The boot window's ad-blocking handlers: server start, its popup, the list download.
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

void QuillrestDlg::TimerUpdateAdBlockInfo()
{
    Traced("QuillrestDlg::TimerUpdateAdBlockInfo", [] {});
}
