// The boot window: launches the captured programs one at a time, then stays resident.
#pragma once
#include "win/Dialog.h"

class QuillrestDlg : public win::ModalDialog {
public:
    explicit QuillrestDlg(HWND parent);
    void SetSilent(bool silent) { silent_ = silent; }
    INT_PTR DoModal();
    const char* TraceName() const override { return "QuillrestDlg"; }

protected:
    bool OnInit() override;
    void OnOK() override {}        // Enter does nothing
    void OnCancel() override {}    // nor do Esc and the close request

private:
    HWND parent_;
    bool silent_ = false;
};
