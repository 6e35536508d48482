// The cleaning and internet pages: Cookies, Internet, Temp Files, CD Drivers, FILECHK, Root Size.
#pragma once
#include "win/Dialog.h"

// Reloads its two settings every time it becomes active; commits on OK.
class PageCookies : public win::PropertyPage {
public:
    PageCookies();
    const char* TraceName() const override { return "PageCookies"; }

protected:
    void LoadSettings() override;
    void DoDataExchange(win::DataExchange& dx) override;
    void OnSetActive() override;
    void OnApply() override;

private:
    DWORD deleteCookies_ = 0;
    DWORD keepOwnCookie_ = 1;
};

// Reloads its two settings every time it becomes active; commits on OK.
class PageInternet : public win::PropertyPage {
public:
    PageInternet();
    const char* TraceName() const override { return "PageInternet"; }

protected:
    void LoadSettings() override;
    void DoDataExchange(win::DataExchange& dx) override;
    void OnSetActive() override;
    void OnApply() override;

private:
    DWORD clearCache_ = 0;
    DWORD checkVersion_ = 1;
};

// Settings read once with the sheet; the directories and counts anew on every activation.
class PageTempFiles : public win::PropertyPage {
public:
    PageTempFiles();
    const char* TraceName() const override { return "PageTempFiles"; }

protected:
    void DoDataExchange(win::DataExchange& dx) override;
    void OnSetActive() override;
    void OnApply() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ShowSelectedDirectory();
    DWORD deleteSafe_ = 0;
    DWORD deleteAll_ = 0;
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

// Commits whenever it is left (OK included), so a later Cancel keeps the choice.
class PageFileCHK : public win::PropertyPage {
public:
    PageFileCHK();
    const char* TraceName() const override { return "PageFileCHK"; }

protected:
    void LoadSettings() override;
    void DoDataExchange(win::DataExchange& dx) override;
    void OnSetActive() override;
    bool OnKillActive() override;

private:
    DWORD deleteFileChk_ = 0;
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
