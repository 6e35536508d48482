// Watches the start-up places from a thread of its own and tells a window when one changes.
#pragma once
#include "launch/WatchRules.h"
#include "win/Raii.h"
#include <string>
#include <vector>

// The thread waits on change notifications only (no polling), so an idle
// watch costs no processor time.  It holds its keys and notification handles
// for as long as it runs: the notifications live on them.
class StartupWatch {
public:
    StartupWatch() = default;
    StartupWatch(const StartupWatch&) = delete;
    StartupWatch& operator=(const StartupWatch&) = delete;
    ~StartupWatch();

    // Starts the thread, which posts `message` to `window` with the place's
    // index in `places` as wParam each time that place changes.
    bool Start(HWND window, UINT message, const std::vector<WatchPlace>& places);
    // Ends the thread, which releases everything it opened, and waits for it.
    void Stop();
    // No registry change notifications here (Windows 9x): the caller looks at
    // the registry places itself from time to time.
    bool RegistryUnwatched() const { return notify_ == nullptr; }

private:
    using NotifyFn = LONG(WINAPI*)(HKEY, BOOL, DWORD, HANDLE, BOOL);
    static unsigned __stdcall ThreadProc(void* self);
    void Watch();

    HWND window_ = nullptr;
    UINT message_ = 0;
    std::vector<WatchPlace> places_;
    NotifyFn notify_ = nullptr;
    win::UniqueHandle stop_;
    win::UniqueHandle thread_;
};

// Parks the entries of one place as the capture at log-off does and tells
// what it parked.
std::vector<ParkedEntry> CapturePlace(const WatchPlace& place);
