// Restoration of start-up entries: puts parked shortcuts and captured Run values back at uninstall.
#include "launch/Restore.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "install/Setup.h"
#include "install/System.h"
#include "launch/CodePageCheck.h"
#include "launch/EntryWriters.h"
#include "launch/Profiles.h"
#include "launch/Redirect.h"
#include "launch/RegValues.h"
#include "launch/StartupPlaces.h"
#include "ui/SmallDialogs.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlobj.h>
#include <algorithm>
#include <set>
#include <vector>

namespace {

const char* kParkedPattern = "*.Quillrest";
// The batch file only renames files; this only guards against a hang.
constexpr DWORD kBatchPatienceMs = 30000;

const char* kCantReadWholeText =
    "Uninstall is unable to inspect the entire registry to ensure all users' start settings have been restored.  If "
    "there is only one user/login that ever uses this computer, this is not a problem and you should continue.  "
    "However, if there are many users with their own usernames/logins, it might mean some users settings aren't "
    "restored.  In this case, you should stop, login as a power user, and then uninstall again.\r\n\r\nWould you "
    "like to ignore this error and continue uninstall?";

// Asks a Yes/No question titled "Error"; true when the user chose to stop.
// Stopping loses nothing (what is still parked stays parked, and the program
// stays installed to put it back), so a quiet run stops.
bool AskStop(const std::string& text, UINT icon)
{
    WriteLog("%s", text.c_str());
    return AskOrTakeSafeAnswer(text, "Error", MB_YESNO | icon, IDYES) == IDYES;
}

// A user's registry that cannot be read: true to go on with the rest.  A
// quiet run goes on; its exit code and the log name what stayed parked.
bool GoOnWithoutRegistry()
{
    WriteLog("%s", kCantReadWholeText);
    if (IsQuietRun()) {
        WriteLog("Quiet run: going on without it");
        return true;
    }
    return ShowMessageDialog(nullptr, kCantReadWholeText, "Can't Read Whole Registry", MB_YESNO, "CANTREADWHOLE") !=
           IDNO;
}

bool AskStartupItemException()
{
    return AskStop(win::Format("There has been an error restoring a Startup item.  You should stop and login as a "
                               "power user (Administrator) on this computer and try again.\r\nDo you want to stop so "
                               "you can login as a different user?\r\n\r\n[exception GLE=%d]",
                               static_cast<int>(GetLastError())),
                   MB_ICONWARNING);
}

void NoteStillParked(std::vector<StillParked>* left, const std::string& entry, const std::string& why,
                     bool registryUnread = false)
{
    if (left)
        left->push_back({entry, why, registryUnread});
}

// "HKLM Run V=64", "HKCU Run", "HKLM RunServices"
std::string RunKeyPlace(HKEY root, const char* path, REGSAM view)
{
    const char* rootName = root == HKEY_LOCAL_MACHINE ? "HKLM" : root == HKEY_CURRENT_USER ? "HKCU" : "registry";
    const char* keyName = win::EndsWithAsciiNoCase(path, "runservices") ? "RunServices" : "Run";
    return win::Format("%s %s%s", rootName, keyName, ViewText(view).c_str());
}

// Names every value of the capture key that could not be reached; the key itself when it can't be read either.
void NoteCaptureKeyLeft(HKEY root, const char* path, REGSAM view, const std::string& place, const std::string& why,
                        std::vector<StillParked>* left)
{
    win::UniqueKey capture;
    const std::string capturePath = win::Format("%s\\%s", path, kCaptureSubkey);
    if (RegOpenKeyExA(root, capturePath.c_str(), 0, KEY_READ | view, capture.Out()) != ERROR_SUCCESS) {
        NoteStillParked(left, place, why);
        return;
    }
    RegValue value;
    for (DWORD index = 0; EnumRegValue(capture.Get(), index, value) == ERROR_SUCCESS; ++index)
        if (value.name != kOwnRunValue)
            NoteStillParked(left, place + "\\" + value.name, why);
}

bool RestoreRunKeyBody(HKEY root, const char* path, REGSAM view, const std::string& place,
                       std::vector<StillParked>* left)
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
        NoteCaptureKeyLeft(root, path, view, place,
                           win::Format("its key could not be opened (error %d)", static_cast<int>(error)), left);
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
    // Put back, or given way to the entry in place: either way no longer parked.
    std::vector<std::string> done;
    bool stop = false;
    RegValue value;
    // The buffers grow for a long value, so it is restored like any other.
    for (DWORD index = 0; !stop && EnumRegValue(capture.Get(), index, value) == ERROR_SUCCESS; ++index) {
        const std::string& name = value.name;
        const std::string text = RegValueText(value);
        WriteLog("Setting [%s] = [%s]", name.c_str(), text.c_str());
        if (name == kOwnRunValue)
            continue;
        // Written back through this code page it would no longer be what was parked.
        if (check && !RegValueSurvives(capture.Get(), index, value)) {
            WriteLog(kLeftInPlaceLog, name.c_str());
            NoteStillParked(left, place + "\\" + name, "its name or command cannot be written in this system's code page");
            continue;
        }
        // Its program wrote it again since it was parked: the newer one stays, as parking lets it win.
        if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            WriteLog("Keeping [%s] in place: its parked copy [%s] is dropped", name.c_str(), text.c_str());
            done.push_back(name);
            continue;
        }
        LONG written = WriteEntryValue(key.Get(), value);
        if (written == ERROR_SUCCESS) {
            done.push_back(name);
            continue;
        }
        NoteStillParked(left, place + "\\" + name,
                        win::Format("could not be written back (error %d)", static_cast<int>(written)));
        // Yes stops the uninstall; No goes on with the rest of the key.
        stop = AskStop(win::Format("Unable to restore a boot setting.  You should sure you're logged in as a "
                                   "power user (Administrator for example) on this computer and try again.\r\n"
                                   "Do you want to stop so you can login as a different user?\r\n\r\n[Set "
                                   "Failed GLE=%d, N=%s, V=%s]",
                                   static_cast<int>(written), name.c_str(), text.c_str()),
                       0);
    }
    // Deleting only after the walk keeps the enumeration indices valid; what
    // failed stays parked for a later uninstall.
    for (const std::string& name : done)
        RegDeleteValueA(capture.Get(), name.c_str());
    return !stop;
}

// The Startup folder of every logged-on profile not visited yet (the others
// come with their registry, at the end).
void RestoreEveryProfileStartup(std::set<std::string>& visited, std::vector<StillParked>* left)
{
    for (const UserProfile& profile : ListUserProfiles()) {
        win::UniqueKey hive;
        if (RegOpenKeyExA(HKEY_USERS, profile.hive.c_str(), 0, KEY_READ, hive.Out()) != ERROR_SUCCESS)
            continue;
        const std::string folder = ProfileStartupFolder(profile.folder, hive.Get());
        if (visited.insert(win::ToLower(folder)).second)
            RestoreStartGroupItems(folder, left);
    }
}

// Both Run keys of one user's hive.
bool RestoreUserRunKeys(HKEY hive, const std::string& place, std::vector<StillParked>* left)
{
    return RestoreRunKey(hive, kRunKey, 0, left, place + " Run") &&
           RestoreRunKey(hive, kRunServicesKey, 0, left, place + " RunServices");
}

// Users who are not logged on: each one's hive file is loaded for as long as
// its Run keys and its Startup folder take.  A hive that cannot be loaded (in
// use, damaged, no rights) is named; its Startup folder is still put back.
bool RestoreProfilesNotLoaded(std::set<std::string>& visited, std::vector<StillParked>* left)
{
    for (const UserProfile& profile : ListUserProfiles()) {
        if (ProfileHiveLoaded(profile))
            continue;
        const std::string place = win::Format("the profile %s (%s)", profile.folder.c_str(), profile.hive.c_str());
        WriteLog("RestoreRunKey on %s", place.c_str());
        LoadedProfileHive hive(profile);
        const std::string folder = ProfileStartupFolder(profile.folder, hive.Key());
        if (visited.insert(win::ToLower(folder)).second)
            RestoreStartGroupItems(folder, left);
        if (hive.Key()) {
            if (!RestoreUserRunKeys(hive.Key(), place, left))
                return false;
            continue;
        }
        // A profile whose folder is gone has nothing parked either.
        if (hive.Error() == ERROR_FILE_NOT_FOUND || hive.Error() == ERROR_PATH_NOT_FOUND) {
            WriteLog("No registry file %s: nothing to restore there", hive.File().c_str());
            continue;
        }
        WriteLog("Unable to load the registry of %s from %s. GLE=%d", place.c_str(), hive.File().c_str(),
                 static_cast<int>(hive.Error()));
        NoteStillParked(left, place,
                        win::Format("its registry could not be loaded (error %d)", static_cast<int>(hive.Error())),
                        true);
        if (!GoOnWithoutRegistry())
            return false;
    }
    return true;
}

// Runs the restore batch file for what the moves left parked (the shortcuts
// from `first` on in `left`) and waits for it; deletes it once every shortcut is back.
void RunRestoreBatch(std::vector<StillParked>& left, size_t first)
{
    const std::string batch = GetUninstallBatchPath();
    if (!win::FileExists(batch))
        return;
    UpgradeRestoreBatchFile();
    win::UniqueHandle process;
    win::ShellExecuteForProcess("open", batch, "", "C:\\", SW_HIDE, process);
    const bool finished = process && WaitForSingleObject(process.Get(), kBatchPatienceMs) == WAIT_OBJECT_0;
    left.erase(std::remove_if(left.begin() + static_cast<long>(first), left.end(),
                              [](const StillParked& parked) { return !win::FileExists(parked.entry); }),
               left.end());
    if (!finished || left.size() > first) {
        WriteLog("Keeping %s: it may still put back shortcuts left parked", batch.c_str());
        return;
    }
    WriteLog("Deleting %s", batch.c_str());
    DeleteFileA(batch.c_str());
}

bool RestoreUserHives(std::vector<StillParked>* left)
{
    for (DWORD index = 0;; ++index) {
        // 500 characters, at up to three bytes each in UTF-8.
        char name[500 * 3];
        DWORD nameLength = sizeof(name);
        if (RegEnumKeyExA(HKEY_USERS, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return true;
        WriteLog("RestoreRunKey on %s", name);
        win::UniqueKey hive;
        const std::string place = win::Format("HKEY_USERS\\%s", name);
        const LONG opened = RegOpenKeyExA(HKEY_USERS, name, 0, KEY_READ | KEY_WRITE | DELETE, hive.Out());
        if (opened != ERROR_SUCCESS) {
            NoteStillParked(left, place, win::Format("could not be opened (error %d)", static_cast<int>(opened)), true);
            if (!GoOnWithoutRegistry())
                return false;
            continue;
        }
        if (!RestoreUserRunKeys(hive.Get(), place, left))
            return false;
    }
}

} // namespace

std::string StillParkedLine(const StillParked& parked)
{
    return parked.entry + ": " + parked.why;
}

bool RestoreStartGroupItems(const std::string& folder, std::vector<StillParked>* left)
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
            if (MoveEntryFile(path, target, false))
                continue;
            const DWORD error = GetLastError();
            if (win::FileExists(target)) {
                // The owner re-created the shortcut since it was parked: the newer one stays.
                WriteLog("Keeping [%s] in place: its parked copy [%s] is dropped", target.c_str(), path.c_str());
                DeleteFileA(path.c_str());
            } else {
                WriteLog("Unable to move [%s] back. GLE=%d", path.c_str(), static_cast<int>(error));
                NoteStillParked(left, path, win::Format("could not be renamed back (error %d)", static_cast<int>(error)));
            }
        } while (FindNextFileA(search.Get(), &found));
        return true;
    } catch (...) {
        WriteLog("###### Exception in %s", traceName.c_str());
        NoteStillParked(left, folder, "an unexpected error");
        return !AskStartupItemException();
    }
}

bool RestoreRunKey(HKEY root, const char* path, REGSAM view, std::vector<StillParked>* left, const std::string& place)
{
    const std::string name = place.empty() ? RunKeyPlace(root, path, view) : place;
    try {
        return RestoreRunKeyBody(root, path, view, name, left);
    } catch (...) {
        NoteStillParked(left, name, "an unexpected error");
        return !AskStop(win::Format("There has been an error restoring a boot setting.  You should stop and login as "
                                    "a power user (Administrator) on this computer and try again.\r\nDo you want to "
                                    "stop so you can login as a different user?\r\n\r\n[exception GLE=%d]",
                                    static_cast<int>(GetLastError())),
                        MB_ICONWARNING);
    }
}

bool RestoreRedirectedApps(std::vector<StillParked>* left)
{
    WriteLog("Entered %s", "RestoreRedirectedApps");
    std::vector<StillParked> own;
    std::vector<StillParked>& list = left ? *left : own;
    try {
        const size_t firstShortcut = list.size();
        std::set<std::string> visited;
        for (int csidl : {CSIDL_COMMON_STARTUP, CSIDL_STARTUP}) {
            std::string folder;
            if (!win::SpecialFolder(csidl, folder))
                continue;
            visited.insert(win::ToLower(folder));
            if (!RestoreStartGroupItems(folder, &list))
                return false;
        }
        RestoreEveryProfileStartup(visited, &list);
        // By now the moves above put back what they could; the batch file only does the rest.
        RunRestoreBatch(list, firstShortcut);
        // Each captured value goes back to the view it was taken from; the system's
        // own start-up switches were never touched, so they still apply.
        for (REGSAM view : HklmRunViews(Is64BitWindows())) {
            WriteLog("RestoreRunKey on HKLM");
            if (!RestoreRunKey(HKEY_LOCAL_MACHINE, kRunKey, view, &list))
                return false;
        }
        if (Is9x()) {
            WriteLog("RestoreRunKey on HKLM_SVC");
            if (!RestoreRunKey(HKEY_LOCAL_MACHINE, kRunServicesKey, 0, &list))
                return false;
        }
        WriteLog("RestoreRunKey on HKCU");
        if (!RestoreRunKey(HKEY_CURRENT_USER, kRunKey, 0, &list))
            return false;
        return RestoreUserHives(&list) && RestoreProfilesNotLoaded(visited, &list);
    } catch (...) {
        WriteLog("###### Exception in %s", "RestoreRedirectedApps");
        return !AskStartupItemException();
    }
}
