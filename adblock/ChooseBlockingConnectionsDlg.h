// "Select Blocking": which connections get ad blocking, when there is more than one way online.
#pragma once
#include "win/CheckListBox.h"
#include "win/Dialog.h"
#include <string>
#include <vector>

class ChooseBlockingConnectionsDlg : public win::ModalDialog {
public:
    // IDOK with the ticked connection names in the box's (sorted) order, or IDCANCEL.
    INT_PTR Run(HWND owner, std::vector<std::string>& chosen);
    const char* TraceName() const override { return "ChooseBlockingConnectionsDlg"; }

protected:
    bool OnInit() override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    win::CheckListBox list_;
    std::vector<std::string> chosen_;
};
