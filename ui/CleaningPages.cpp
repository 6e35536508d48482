// The cleaning and internet pages: Cookies, Internet, Temp Files, CD Drivers, FILECHK, Root Size.
#include "ui/CleaningPages.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "clean/Mscdex.h"
#include "clean/TempFiles.h"
#include "res/resource.h"
#include "ui/SheetText.h"
#include "win/Util.h"
#include <shellapi.h>

namespace {

void OpenFolder(HWND owner, const std::string& folder)
{
    WriteLog("Showing directory %s", folder.c_str());
    ShellExecuteA(owner, "open", folder.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}

const BoundSetting kCookieSettings[] = {
    {IDC_COOKIES_DELETE, kDeleteCookies, 0, 0, 0},
    {IDC_COOKIES_KEEP, kKeepQRCookie, 1, 0, 0},
};
const BoundSetting kInternetSettings[] = {
    {IDC_INTERNET_CACHE, kClearInetCache, 0, 0, 0},
    {IDC_INTERNET_VERSION, kCheckVersion, 1, 0, 0},
};
const BoundSetting kTempFileSettings[] = {
    {IDC_TEMP_SAFE, kDeleteSafeTempFiles, 0, 0, 0},
    {IDC_TEMP_ALL, kDeleteAllTempFiles, 0, 0, 0},
};
const BoundSetting kFileChkSettings[] = {
    {IDC_FILECHK_DELETE, kDelFileChk, 0, 0, 0},
};

} // namespace

// ---- Cookies and Internet ----

PageCookies::PageCookies()
    : SettingsPage(IDD_PAGE_COOKIES, "PageCookies", kCookieSettings, kReadWhenShown, SettingsCommit::OnOK)
{
}

PageInternet::PageInternet()
    : SettingsPage(IDD_PAGE_INTERNET, "PageInternet", kInternetSettings, kReadWhenShown, SettingsCommit::OnOK)
{
}

// ---- Temp Files ----

PageTempFiles::PageTempFiles()
    : SettingsPage(IDD_PAGE_TEMP, "PageTempFiles", kTempFileSettings, kReadWhenBuilt, SettingsCommit::OnOK)
{
}

void PageTempFiles::OnSetActive()
{
    SendItem(IDC_TEMP_DIRS, LB_RESETCONTENT);
    for (const std::string& directory : GetTempDirectories())
        SendItem(IDC_TEMP_DIRS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(directory.c_str()));
    const TempFileCounts counts = CountTempFiles();
    SetItemText(IDC_TEMP_SAFE_COUNT,
                win::Format("There are %lld temporary files that follow standard naming conventions (these can be "
                            "safely deleted).",
                            counts.safeFiles));
    SetItemText(IDC_TEMP_OTHER_COUNT,
                win::Format("There are %lld additional files in the temporary file directories that are probably "
                            "safe to delete, but which don't follow the standard naming conventions.",
                            counts.otherFiles));
    ShowSettings();
    SendItem(IDC_TEMP_DIRS, LB_SETCURSEL, 0);
}

bool PageTempFiles::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_TEMP_SHOW && code == BN_CLICKED) {
        ShowSelectedDirectory();
        return true;
    }
    return SettingsPage::OnCommand(id, code, control);
}

void PageTempFiles::ShowSelectedDirectory()
{
    LRESULT selected = SendItem(IDC_TEMP_DIRS, LB_GETCURSEL);
    if (selected < 0) {
        MessageBoxA(hwnd_, "Please select a directory in the list to the left and try again.",
                    "No directory selected", MB_OK);
        return;
    }
    LRESULT length = SendItem(IDC_TEMP_DIRS, LB_GETTEXTLEN, static_cast<WPARAM>(selected));
    if (length <= 0)
        return;
    // The length is an upper bound for multi-byte text; the copy tells the real one.
    std::string directory(static_cast<size_t>(length) + 1, '\0');
    LRESULT got =
        SendItem(IDC_TEMP_DIRS, LB_GETTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&directory[0]));
    directory.resize(got > 0 && got <= length ? static_cast<size_t>(got) : 0);
    OpenFolder(hwnd_, directory);
}

// ---- CD Drivers ----

PageCDDrives::PageCDDrives() : PropertyPage(IDD_PAGE_CDDRIVES)
{
}

void PageCDDrives::OnSetActive()
{
    // AUTOEXEC.BAT belongs to the whole machine.
    EnableItem(IDC_CDDRIVES_REMOVE, !SheetReadOnly());
    EnableItem(IDC_CDDRIVES_RESTORE, !SheetReadOnly());
    SetItemText(IDC_CDDRIVES_STATUS, "This computer does NOT currently load the slower MSCDEX program.  You can ignore "
                                     "the following steps.");
    if (IsMSCDEXLoaded())
        SetItemText(IDC_CDDRIVES_STATUS, "This computer DOES currently load the slower MSCDEX program.  To speed up "
                                         "your computer, try the following:");
}

bool PageCDDrives::OnCommand(int id, int code, HWND control)
{
    if (code == BN_CLICKED && id == IDC_CDDRIVES_REMOVE) {
        RemoveMSCDEX(hwnd_);
        return true;
    }
    if (code == BN_CLICKED && id == IDC_CDDRIVES_RESTORE) {
        RestoreMSCDEX(hwnd_);
        return true;
    }
    return PropertyPage::OnCommand(id, code, control);
}

// ---- FILECHK ----

PageFileCHK::PageFileCHK()
    : SettingsPage(IDD_PAGE_FILECHK, "PageFileCHK", kFileChkSettings, kReadWhenBuilt | kReadWhenShown,
                   SettingsCommit::WhenLeft)
{
}

// ---- Root Size ----

PageRootDir::PageRootDir() : PropertyPage(IDD_PAGE_ROOTDIR)
{
}

void PageRootDir::OnSetActive()
{
    SetItemText(IDC_ROOTDIR_COUNT,
                win::Format("You currently have %d files in your C:\\ directory (some of which might be hidden). A "
                            "healthy number of files is approximately 40 or less.",
                            CountVisibleFiles("C:\\*.*")));
}

bool PageRootDir::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_ROOTDIR_SHOW && code == BN_CLICKED) {
        OpenFolder(hwnd_, "C:\\");
        return true;
    }
    return PropertyPage::OnCommand(id, code, control);
}
