// "Basic Options": launch delay, boot window display, statistics, trouble, feedback, uninstall.
#pragma once
#include "win/Dialog.h"
#include <string>

class PageMainConfig : public win::PropertyPage {
public:
    // Reads "DelaySeconds", "Minimized" and "Transparent" (created with their defaults).
    PageMainConfig();
    const char* TraceName() const override { return "PageMainConfig"; }

protected:
    bool OnInit() override;
    void DoDataExchange(win::DataExchange& dx) override;
    void OnSetActive() override;
    void OnApply() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ProbeRights();
    void ShowStatistics();
    void SubmitFeedback();
    void Uninstall();

    DWORD delaySeconds_ = 8;
    DWORD minimized_ = 1;
    DWORD transparent_ = 1;
};
