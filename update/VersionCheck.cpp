// The boot window's version check (timer 5).
#include "launch/BootDlg.h"
#include "app/Log.h"

void QuillrestDlg::TimerCheckVersion()
{
    Traced("QuillrestDlg::TimerCheckVersion", [] {});
}
