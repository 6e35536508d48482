// Small dialogs other parts show: welcome, message with remembered answer, trouble, status popup.
#pragma once
#include "win/Dialog.h"
#include <string>

// "Welcome to Quillrest!" (template 149), modeless, shown by the boot window.
class WelcomeDlg : public win::ModelessDialog {
public:
    bool Create(HWND owner);
    const char* TraceName() const override { return "WelcomeDlg"; }

protected:
    bool OnInit() override;
    void OnOK() override;
};

// Message dialog (template 155); `mode` is MB_OK, MB_OKCANCEL or MB_YESNO.
int ShowMessageDialog(HWND owner, const std::string& message, const std::string& title, int mode,
                      const std::string& settingName);

// "Reporting Trouble" (template 150): switches the diagnostic log on and off.
class TroubleDlg : public win::ModalDialog {
public:
    INT_PTR Run(HWND owner);
    const char* TraceName() const override { return "TroubleDlg"; }

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
};

// Status popup (template 156): a pale strip above the taskbar while background
// work runs.  Allocate it with new: it releases itself when its window is
// destroyed (by the caller's DestroyWindow or its own "Don't show" box), and
// when Create fails.
class CheckingForUpdatesDlg : public win::ModelessDialog {
public:
    CheckingForUpdatesDlg(HWND owner, const std::string& firstLine, const std::string& secondLine,
                          const std::string& dontShowValue);
    // The popup's window, or NULL (the object is then gone already).
    HWND Create();
    const char* TraceName() const override { return "CheckingForUpdatesDlg"; }

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroyed() override;

private:
    HWND owner_;
    std::string firstLine_;
    std::string secondLine_;
    std::string dontShowValue_;
    win::UniqueGdi background_;
};

// The status popup around background work that starts at `startTick`: shown
// unless `show` is false, and then the work waits until the popup has been up
// for a second; Finish keeps it until 8 seconds after the start.  It is closed
// on every way out, unless the user closed it already.
class StatusPopup {
public:
    StatusPopup(bool show, DWORD startTick, const char* firstLine, const char* secondLine, const char* dontShowValue);
    ~StatusPopup();
    StatusPopup(const StatusPopup&) = delete;
    StatusPopup& operator=(const StatusPopup&) = delete;
    void Finish() const;

private:
    DWORD startTick_;
    HWND popup_ = nullptr;
};

// Where the status popup goes: horizontally centred on the work area, its
// bottom one pixel above the work area's bottom.
POINT StatusPopupPosition(const RECT& workArea, int width, int height);

// The status popup's colours, shared by the notices in its style: a pale
// yellow background and every control drawn on it without a background.
constexpr COLORREF kStatusBackground = RGB(255, 255, 220);
// True (with `result` set) when `message` asks for a colour.
bool StatusColours(UINT message, WPARAM wParam, HBRUSH background, LRESULT& result);
