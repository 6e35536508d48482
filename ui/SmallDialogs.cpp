// Small dialogs other parts show: welcome, message with remembered answer, trouble, status popup.
#include "ui/SmallDialogs.h"
#include "res/resource.h"

bool WelcomeDlg::Create(HWND owner)
{
    (void)owner;
    return false;
}

int ShowMessageDialog(HWND, const std::string&, const std::string&, int mode, const std::string&)
{
    return mode == MB_YESNO ? IDYES : IDOK;
}
