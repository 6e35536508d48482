// "Quillrest: new start-up program": names the programs parked while the user works.
#pragma once
#include "win/Dialog.h"
#include <string>
#include <vector>

// A small pale notice in the bottom-right corner (template 182), in the style
// of the status popup.  It never takes the focus from the window the user is
// typing in, and closes itself after 30 seconds as if "OK" were pressed.
class NewEntryNoticeDlg : public win::ModelessDialog {
public:
    // Shows the notice for these names; false when it could not be made.
    bool Open(const std::vector<std::string>& names);
    // A later burst joins the open notice, which then starts its 30 seconds again.
    void AddNames(const std::vector<std::string>& names);
    const char* TraceName() const override { return "NewEntryNoticeDlg"; }

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Close(const char* choice);
    void DontStartThem();
    void OpenLaunchOrder();

    std::vector<std::string> names_;
    win::UniqueGdi background_;
};

// Where the notice goes: its bottom-right corner one pixel inside the work area's.
POINT NoticePosition(const RECT& workArea, int width, int height);
