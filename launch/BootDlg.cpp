// The boot window: launches the captured programs one at a time, then stays resident.
#include "launch/BootDlg.h"
#include "app/Log.h"
#include "res/resource.h"

QuillrestDlg::QuillrestDlg(HWND parent) : parent_(parent) {}

INT_PTR QuillrestDlg::DoModal()
{
    return ModalDialog::DoModal(IDD_BOOT, parent_);
}

bool QuillrestDlg::OnInit()
{
    return TracedResult("QuillrestDlg::OnInit", false, [&] {
        if (silent_)
            ShowWindow(hwnd_, SW_HIDE);
        return false;
    });
}
