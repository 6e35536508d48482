// The boot window's weekly ad-server list download (timer 9).
#include "launch/BootDlg.h"
#include "app/Log.h"

void QuillrestDlg::TimerUpdateAdBlockInfo()
{
    Traced("QuillrestDlg::TimerUpdateAdBlockInfo", [] {});
}
