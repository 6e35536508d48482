// "Basic Options": launch delay, boot window display, statistics, trouble, feedback, uninstall.
#pragma once
#include "ui/SettingsPage.h"
#include <string>

class PageMainConfig : public SettingsPage {
public:
    // Reads "DelaySeconds", "Minimized" and "Transparent" (created with their defaults).
    PageMainConfig();

protected:
    bool OnInit() override;
    void OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ProbeRights();
    void ShowStatistics();
    void SubmitFeedback();
    void Uninstall();
};
