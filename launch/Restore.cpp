// Restoration of start-up entries: puts parked shortcuts and captured Run values back at uninstall.
#include "launch/Restore.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "launch/CodePageCheck.h"
#include "launch/RegValues.h"
#include "launch/StartupPlaces.h"
#include "ui/SmallDialogs.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shellapi.h>
#include <shlobj.h>
#include <vector>

namespace {

const char* kParkedPattern = "*.Quillrest";

const char* kCantReadWholeText =
    "Uninstall is unable to inspect the entire registry to ensure all users' start settings have been restored.  If "
    "there is only one user/login that ever uses this computer, this is not a problem and you should continue.  "
    "However, if there are many users with their own usernames/logins, it might mean some users settings aren't "
    "restored.  In this case, you should stop, login as a power user, and then uninstall again.\r\n\r\nWould you "
    "like to ignore this error and continue uninstall?";

// Asks a Yes/No question titled "Error"; true when the user chose to stop.
bool AskStop(const std::string& text, UINT icon)
{
    WriteLog("%s", text.c_str());
    return MessageBoxA(nullptr, text.c_str(), "Error", MB_YESNO | icon) == IDYES;
}

bool AskStartupItemException()
{
    return AskStop(win::Format("There has been an error restoring a Startup item.  You should stop and login as a "
                               "power user (Administrator) on this computer and try again.\r\nDo you want to stop so "
                               "you can login as a different user?\r\n\r\n[exception GLE=%d]",
                               static_cast<int>(GetLastError())),
                   MB_ICONWARNING);
}

bool RestoreRunKeyBody(HKEY root, const char* path, REGSAM view)
{
    WriteLog("RestoreRunKey hk=x%0X, p=%s%s", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(root)), path,
             ViewText(view).c_str());
    win::UniqueKey key;
    win::UniqueKey capture;
    LONG opened = RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WRITE | view, key.Out());
    // Registry calls return their error instead of setting the thread's last error.
    LONG error = opened;
    if (opened == ERROR_SUCCESS) {
        std::string capturePath = win::Format("%s\\%s", path, kCaptureSubkey);
        error = RegCreateKeyExA(root, capturePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE | view, nullptr, capture.Out(), nullptr);
    }
    if (!key || !capture) {
        unsigned captureHandle = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(capture.Get()));
        unsigned keyHandle = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(key.Get()));
        capture.Reset();
        key.Reset();
        if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND)
            return true;
        return !AskStop(win::Format("Unable to restore a boot setting.  You should stop and login as a power user "
                                    "(Administrator) on this computer and try again.\r\nDo you want to stop so you "
                                    "can login as a different user?\r\n\r\n[Open/Create Failed GLE=%d, hB=%u, hR=%u]",
                                    static_cast<int>(error), captureHandle, keyHandle),
                        MB_ICONWARNING);
    }
    // An earlier version's mangled copy of an entry that is in place is not put back beside it.
    const bool check = !Is9x();
    if (check)
        DropBestFitCopies(key.Get(), capture.Get());
    std::vector<std::string> restored;
    RegValue value;
    // The buffers grow for a long value, so it is restored like any other.
    for (DWORD index = 0; EnumRegValue(capture.Get(), index, value) == ERROR_SUCCESS; ++index) {
        const std::string& name = value.name;
        const std::string text = RegValueText(value);
        WriteLog("Setting [%s] = [%s]", name.c_str(), text.c_str());
        if (name == kOwnRunValue)
            continue;
        // Written back through this code page it would no longer be what was parked.
        if (check && !RegValueSurvives(capture.Get(), index, value)) {
            WriteLog(kLeftInPlaceLog, name.c_str());
            continue;
        }
        LONG written = RegSetValueExA(key.Get(), name.c_str(), 0, value.type, value.data.data(),
                                      static_cast<DWORD>(value.data.size()));
        if (written != ERROR_SUCCESS) {
            // Nothing is deleted from the capture key: a later uninstall finds every value again.
            return !AskStop(win::Format("Unable to restore a boot setting.  You should sure you're logged in as a "
                                        "power user (Administrator for example) on this computer and try again.\r\n"
                                        "Do you want to stop so you can login as a different user?\r\n\r\n[Set "
                                        "Failed GLE=%d, N=%s, V=%s]",
                                        static_cast<int>(written), name.c_str(), text.c_str()),
                            0);
        }
        restored.push_back(name);
    }
    for (const std::string& name : restored)
        RegDeleteValueA(capture.Get(), name.c_str());
    return true;
}

// The profiles of other users: every folder beside the user's own profile.
void RestoreOtherUsersStartup()
{
    std::string startup;
    if (!win::SpecialFolder(CSIDL_STARTUP, startup)) {
        WriteLog("Failed to get CSIDL_STARTUP");
        return;
    }
    std::string parent, tail;
    if (!SplitStartupPath(startup, parent, tail))
        return;
    WIN32_FIND_DATAA found;
    win::UniqueFind search(FindFirstFileA(win::Format("%s\\*.*", parent.c_str()).c_str(), &found));
    if (!search)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RestoreStartGroupItems(win::Format("%s\\%s%s", parent.c_str(), found.cFileName, tail.c_str()));
    } while (FindNextFileA(search.Get(), &found));
}

bool RestoreUserHives()
{
    for (DWORD index = 0;; ++index) {
        // 500 characters, at up to three bytes each in UTF-8.
        char name[500 * 3];
        DWORD nameLength = sizeof(name);
        if (RegEnumKeyExA(HKEY_USERS, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return true;
        WriteLog("RestoreRunKey on %s", name);
        win::UniqueKey hive;
        if (RegOpenKeyExA(HKEY_USERS, name, 0, KEY_READ | KEY_WRITE | DELETE, hive.Out()) != ERROR_SUCCESS) {
            WriteLog("%s", kCantReadWholeText);
            if (ShowMessageDialog(nullptr, kCantReadWholeText, "Can't Read Whole Registry", MB_YESNO,
                                  "CANTREADWHOLE") == IDNO)
                return false;
            continue;
        }
        if (!RestoreRunKey(hive.Get(), kRunKey))
            return false;
    }
}

} // namespace

bool SplitStartupPath(const std::string& startupPath, std::string& profilesParent, std::string& tail)
{
    const std::string upper = win::ToUpper(startupPath);
    size_t startMenu = upper.find("\\START MENU");
    if (startMenu == std::string::npos)
        return false;
    tail = upper.substr(startMenu);
    size_t profile = win::LastBackslash(upper, GetACP(), startMenu);
    profilesParent = profile == std::string::npos ? std::string() : upper.substr(0, profile);
    return true;
}

bool RestoreStartGroupItems(const std::string& folder)
{
    const std::string traceName = win::Format("RestoreStartGroupItems in [%s]", folder.c_str());
    WriteLog("Entered %s", traceName.c_str());
    try {
        WIN32_FIND_DATAA found;
        win::UniqueFind search(FindFirstFileA(win::PathJoin(folder, kParkedPattern).c_str(), &found));
        if (!search)
            return true;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            const std::string path = win::PathJoin(folder, found.cFileName);
            const std::string target = path.substr(0, path.rfind('.'));
            WriteLog("Moving [%s] to [%s]", path.c_str(), target.c_str());
            // The owner re-created the shortcut meanwhile: its new one wins.
            if (!MoveFileA(path.c_str(), target.c_str()) && win::FileExists(target))
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search.Get(), &found));
        return true;
    } catch (...) {
        WriteLog("###### Exception in %s", traceName.c_str());
        return !AskStartupItemException();
    }
}

bool RestoreRunKey(HKEY root, const char* path, REGSAM view)
{
    try {
        return RestoreRunKeyBody(root, path, view);
    } catch (...) {
        return !AskStop(win::Format("There has been an error restoring a boot setting.  You should stop and login as "
                                    "a power user (Administrator) on this computer and try again.\r\nDo you want to "
                                    "stop so you can login as a different user?\r\n\r\n[exception GLE=%d]",
                                    static_cast<int>(GetLastError())),
                        MB_ICONWARNING);
    }
}

bool RestoreRedirectedApps()
{
    WriteLog("Entered %s", "RestoreRedirectedApps");
    try {
        std::string folder;
        if (win::SpecialFolder(CSIDL_COMMON_STARTUP, folder) && !RestoreStartGroupItems(folder))
            return false;
        if (win::SpecialFolder(CSIDL_STARTUP, folder) && !RestoreStartGroupItems(folder))
            return false;
        RestoreOtherUsersStartup();
        // By now the moves above put back what they could; the batch file only does the rest.
        ShellExecuteA(nullptr, "open", GetUninstallBatchPath().c_str(), "", "C:\\", SW_HIDE);
        // Each captured value goes back to the view it was taken from; the system's
        // own start-up switches were never touched, so they still apply.
        for (REGSAM view : HklmRunViews(Is64BitWindows())) {
            WriteLog("RestoreRunKey on HKLM");
            if (!RestoreRunKey(HKEY_LOCAL_MACHINE, kRunKey, view))
                return false;
        }
        if (Is9x()) {
            WriteLog("RestoreRunKey on HKLM_SVC");
            if (!RestoreRunKey(HKEY_LOCAL_MACHINE, kRunServicesKey))
                return false;
        }
        WriteLog("RestoreRunKey on HKCU");
        if (!RestoreRunKey(HKEY_CURRENT_USER, kRunKey))
            return false;
        return RestoreUserHives();
    } catch (...) {
        WriteLog("###### Exception in %s", "RestoreRedirectedApps");
        return !AskStartupItemException();
    }
}
