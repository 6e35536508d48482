// The cleaning and internet pages: Cookies, Internet, Temp Files, CD Drivers, FILECHK, Root Size.
#include "ui/CleaningPages.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
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

} // namespace

// ---- Cookies ----

PageCookies::PageCookies() : PropertyPage(IDD_PAGE_COOKIES)
{
}

void PageCookies::LoadSettings()
{
    deleteCookies_ = ProductDwordOrDefault(kDeleteCookies, 0);
    keepOwnCookie_ = ProductDwordOrDefault(kKeepQRCookie, 1);
}

void PageCookies::DoDataExchange(win::DataExchange& dx)
{
    dx.Check(IDC_COOKIES_DELETE, deleteCookies_);
    dx.Check(IDC_COOKIES_KEEP, keepOwnCookie_);
}

void PageCookies::OnSetActive()
{
    LoadSettings();
    win::DataExchange dx(*this, false);
    DoDataExchange(dx);
}

void PageCookies::OnApply()
{
    SetProductDword(kDeleteCookies, deleteCookies_);
    SetProductDword(kKeepQRCookie, keepOwnCookie_);
}

// ---- Internet ----

PageInternet::PageInternet() : PropertyPage(IDD_PAGE_INTERNET)
{
}

void PageInternet::LoadSettings()
{
    clearCache_ = ProductDwordOrDefault(kClearInetCache, 0);
    checkVersion_ = ProductDwordOrDefault(kCheckVersion, 1);
}

void PageInternet::DoDataExchange(win::DataExchange& dx)
{
    dx.Check(IDC_INTERNET_CACHE, clearCache_);
    dx.Check(IDC_INTERNET_VERSION, checkVersion_);
}

void PageInternet::OnSetActive()
{
    LoadSettings();
    win::DataExchange dx(*this, false);
    DoDataExchange(dx);
}

void PageInternet::OnApply()
{
    SetProductDword(kClearInetCache, clearCache_);
    SetProductDword(kCheckVersion, checkVersion_);
}

// ---- Temp Files ----

PageTempFiles::PageTempFiles() : PropertyPage(IDD_PAGE_TEMP)
{
    deleteSafe_ = ProductDwordOrDefault(kDeleteSafeTempFiles, 0);
    deleteAll_ = ProductDwordOrDefault(kDeleteAllTempFiles, 0);
}

void PageTempFiles::DoDataExchange(win::DataExchange& dx)
{
    dx.Check(IDC_TEMP_SAFE, deleteSafe_);
    dx.Check(IDC_TEMP_ALL, deleteAll_);
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
    win::DataExchange dx(*this, false);
    DoDataExchange(dx);
    SendItem(IDC_TEMP_DIRS, LB_SETCURSEL, 0);
}

void PageTempFiles::OnApply()
{
    SetProductDword(kDeleteSafeTempFiles, deleteSafe_);
    SetProductDword(kDeleteAllTempFiles, deleteAll_);
}

bool PageTempFiles::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_TEMP_SHOW && code == BN_CLICKED) {
        ShowSelectedDirectory();
        return true;
    }
    return PropertyPage::OnCommand(id, code, control);
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

PageFileCHK::PageFileCHK() : PropertyPage(IDD_PAGE_FILECHK)
{
    LoadSettings();
}

void PageFileCHK::LoadSettings()
{
    deleteFileChk_ = ProductDwordOrDefault(kDelFileChk, 0);
}

void PageFileCHK::DoDataExchange(win::DataExchange& dx)
{
    dx.Check(IDC_FILECHK_DELETE, deleteFileChk_);
}

void PageFileCHK::OnSetActive()
{
    LoadSettings();
    win::DataExchange dx(*this, false);
    DoDataExchange(dx);
}

bool PageFileCHK::OnKillActive()
{
    if (!PropertyPage::OnKillActive())
        return false;
    SetProductDword(kDelFileChk, deleteFileChk_);
    return true;
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
