// The cleaning and internet pages: Cookies, Internet, Temp Files, CD Drivers, FILECHK, Root Size.
#pragma once
#include "ui/SettingsPage.h"
#include "win/Dialog.h"

// Reads its two settings every time it becomes active; commits on OK.
class PageCookies : public SettingsPage {
public:
    PageCookies();
};

// Reads its two settings every time it becomes active; commits on OK.
class PageInternet : public SettingsPage {
public:
    PageInternet();
};

// Settings read once with the sheet; the directories and counts anew on every activation.
class PageTempFiles : public SettingsPage {
public:
    PageTempFiles();

protected:
    void OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ShowSelectedDirectory();
};

// Whether AUTOEXEC.BAT loads MSCDEX, and the buttons that take it out and put it back.
class PageCDDrives : public win::PropertyPage {
public:
    PageCDDrives();
    const char* TraceName() const override { return "PageCDDrives"; }

protected:
    void OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;
};

// Reads its setting with the sheet and on every activation; commits whenever it
// is left (OK included), so a later Cancel keeps the choice.
class PageFileCHK : public SettingsPage {
public:
    PageFileCHK();
};

// How many files lie in C:\ and a button that shows them; deletes nothing.
class PageRootDir : public win::PropertyPage {
public:
    PageRootDir();
    const char* TraceName() const override { return "PageRootDir"; }

protected:
    void OnSetActive() override;
    bool OnCommand(int id, int code, HWND control) override;
};
