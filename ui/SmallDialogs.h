// Small dialogs other parts show: welcome, message with remembered answer, trouble, status popup.
#pragma once
#include "win/Dialog.h"
#include <string>

// "Welcome to Quillrest!" (template 149), modeless, shown by the boot window.
class WelcomeDlg : public win::ModelessDialog {
public:
    bool Create(HWND owner);
    const char* TraceName() const override { return "WelcomeDlg"; }
};

// Message dialog (template 155); `mode` is MB_OK, MB_OKCANCEL or MB_YESNO.
int ShowMessageDialog(HWND owner, const std::string& message, const std::string& title, int mode,
                      const std::string& settingName);
