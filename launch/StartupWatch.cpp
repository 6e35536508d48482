// Watches the start-up places from a thread of its own and tells a window when one changes.
#include "launch/StartupWatch.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "launch/Redirect.h"
#include "launch/RegValues.h"
#include "launch/StartupPlaces.h"
#include "launch/WorkOrder.h"
#include "launch/WorkQueue.h"
#include "win/Util.h"
#include <process.h>
#include <set>

namespace {

struct ChangeTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindCloseChangeNotification(h); }
};
using UniqueChange = win::Unique<ChangeTraits>;

// One place while the thread watches it.  The key is declared last so that it
// closes first, ending its notification before the event goes.
struct Watched {
    size_t index = 0;
    win::UniqueHandle event;    // registry: signalled by the notification
    UniqueChange change;        // folder
    win::UniqueKey key;
    HANDLE Waitable() const { return change ? change.Get() : event.Get(); }
};

HKEY PlaceRoot(const WatchPlace& place)
{
    return place.source == SourceHkcuRun ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

const char* PlaceKey(const WatchPlace& place)
{
    return place.source == SourceHklmRunServices ? kRunServicesKey : kRunKey;
}

// The numbers the capture at log-off gives each key in its failure log.
int PlaceLogNumber(const WatchPlace& place)
{
    switch (place.source) {
    case SourceHklmRun:
        return 503;
    case SourceHklmRunServices:
        return 506;
    default:
        return 509;
    }
}

// Lower-cased names of what the place holds parked now.
std::set<std::string> ParkedNames(const WatchPlace& place)
{
    std::set<std::string> names;
    if (place.IsFolder()) {
        std::string folder;
        if (!win::SpecialFolder(place.Csidl(), folder))
            return names;
        WIN32_FIND_DATAA found;
        win::UniqueFind find(FindFirstFileA(win::PathJoin(folder, "*.Quillrest").c_str(), &found));
        if (!find)
            return names;
        do {
            names.insert(win::ToLower(ApprovalValueName(found.cFileName)));
        } while (FindNextFileA(find.Get(), &found));
        return names;
    }
    const std::string capturePath = std::string(PlaceKey(place)) + "\\" + kCaptureSubkey;
    win::UniqueKey key;
    if (RegOpenKeyExA(PlaceRoot(place), capturePath.c_str(), 0, KEY_READ | place.view, key.Out()) != ERROR_SUCCESS)
        return names;
    RegValue value;
    for (DWORD index = 0; EnumRegValue(key.Get(), index, value) == ERROR_SUCCESS; ++index)
        names.insert(win::ToLower(value.name));
    return names;
}

} // namespace

std::vector<ParkedEntry> CapturePlace(const WatchPlace& place)
{
    const std::set<std::string> before = ParkedNames(place);
    std::vector<std::string> parked;
    if (place.IsFolder())
        RedirectStartupLinkToQuillrest(place.Csidl(), &parked);
    else
        RedirectRegKeyToQuillrest(PlaceRoot(place), PlaceKey(place), PlaceLogNumber(place), place.view, &parked);
    std::vector<ParkedEntry> entries;
    for (const std::string& moved : parked) {
        ParkedEntry entry;
        if (place.IsFolder()) {
            const std::string file = ApprovalValueName(moved);
            entry.name = LinkDisplayName(moved);
            entry.parkedBefore = before.count(win::ToLower(file)) != 0;
            entry.switchedOff = SwitchedOffInWindows(place.source, 0, file);
        } else {
            entry.name = moved;
            entry.parkedBefore = before.count(win::ToLower(moved)) != 0;
            entry.switchedOff = SwitchedOffInWindows(place.source, place.view, moved);
        }
        entries.push_back(entry);
    }
    return entries;
}

StartupWatch::~StartupWatch()
{
    Stop();
}

bool StartupWatch::Start(HWND window, UINT message, const std::vector<WatchPlace>& places)
{
    if (thread_)
        return true;
    window_ = window;
    message_ = message;
    places_ = places;
    // Windows 9x has no registry change notifications.
    notify_ = Is9x() ? nullptr
                     : win::LookUp<NotifyFn>(GetModuleHandleA("ADVAPI32.DLL"), "RegNotifyChangeKeyValue");
    stop_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!stop_)
        return false;
    thread_.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, 0, nullptr)));
    if (!thread_) {
        WriteLog("Unable to start the start-up watch. GLE=%d", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

void StartupWatch::Stop()
{
    if (!thread_)
        return;
    SetEvent(stop_.Get());
    // The thread only ever waits, on this event among others: it ends at once.
    WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    stop_.Reset();
}

unsigned __stdcall StartupWatch::ThreadProc(void* self)
{
    Traced("StartupWatch::Watch", [self] { static_cast<StartupWatch*>(self)->Watch(); });
    return 0;
}

void StartupWatch::Watch()
{
    // Registry notifications belong to the thread that asked for them (older
    // Windows ends them with it), so this thread registers and re-arms them all.
    auto arm = [&](Watched& watched) {
        if (watched.change)
            return FindNextChangeNotification(watched.change.Get()) != FALSE;
        // Registry calls return their error instead of setting the last one.
        const LONG result = notify_(watched.key.Get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, watched.event.Get(), TRUE);
        SetLastError(static_cast<DWORD>(result));
        return result == ERROR_SUCCESS;
    };
    std::vector<Watched> watching;
    for (size_t index = 0; index < places_.size(); ++index) {
        const WatchPlace& place = places_[index];
        Watched watched;
        watched.index = index;
        bool ready = false;
        if (place.IsFolder()) {
            std::string folder;
            if (win::SpecialFolder(place.Csidl(), folder)) {
                watched.change.Reset(FindFirstChangeNotificationA(
                    folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE));
                ready = watched.change.Valid();
            }
        } else if (notify_) {
            // Created when missing, so that the first entry ever written there is seen too.
            const LONG result = RegCreateKeyExA(PlaceRoot(place), PlaceKey(place), 0, nullptr, 0,
                                                KEY_NOTIFY | place.view, nullptr, watched.key.Out(), nullptr);
            watched.event.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
            ready = result == ERROR_SUCCESS && watched.event && arm(watched);
            if (result != ERROR_SUCCESS)
                SetLastError(static_cast<DWORD>(result));
        } else {
            continue;    // looked at once a minute by the boot window
        }
        if (!ready) {
            WriteLog("Unable to watch %s. GLE=%d", WatchPlaceText(place).c_str(), static_cast<int>(GetLastError()));
            continue;
        }
        WriteLog("Watching %s", WatchPlaceText(place).c_str());
        watching.push_back(std::move(watched));
    }

    std::vector<HANDLE> waitables;
    for (;;) {
        waitables.assign(1, stop_.Get());
        for (const Watched& watched : watching)
            waitables.push_back(watched.Waitable());
        const DWORD result =
            WaitForMultipleObjects(static_cast<DWORD>(waitables.size()), waitables.data(), FALSE, INFINITE);
        if (result == WAIT_OBJECT_0)
            break;
        const size_t which = static_cast<size_t>(result - WAIT_OBJECT_0) - 1;
        if (result < WAIT_OBJECT_0 + 1 || which >= watching.size()) {
            WriteLog("StartupWatch wait failed. GLE=%d", static_cast<int>(GetLastError()));
            break;
        }
        Watched& changed = watching[which];
        // Re-armed before the window hears of it, so that no later change is missed.
        const bool rearmed = arm(changed);
        PostMessageA(window_, message_, changed.index, 0);
        if (!rearmed) {
            // A folder or key that went away would signal for ever.
            WriteLog("Stopped watching %s. GLE=%d", WatchPlaceText(places_[changed.index]).c_str(),
                     static_cast<int>(GetLastError()));
            watching.erase(watching.begin() + static_cast<long>(which));
        }
    }
}
