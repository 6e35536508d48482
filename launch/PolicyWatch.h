// Tells a window when Group Policy has applied a change to the machine's
// policies, where the system can say so (RegisterGPNotification, looked up at
// run time).  WM_SETTINGCHANGE with "Policy" tells the window directly too.
#pragma once
#include "win/Raii.h"

class PolicyWatch {
public:
    PolicyWatch() = default;
    PolicyWatch(const PolicyWatch&) = delete;
    PolicyWatch& operator=(const PolicyWatch&) = delete;
    ~PolicyWatch();

    // Starts a thread that posts `message` to `window` at each change; false
    // where the system has no such notification.
    bool Start(HWND window, UINT message);
    // Ends the thread and the notification.
    void Stop();

private:
    using UnregisterFn = BOOL(WINAPI*)(HANDLE);
    static unsigned __stdcall ThreadProc(void* self);

    HWND window_ = nullptr;
    UINT message_ = 0;
    win::UniqueLibrary userenv_;
    UnregisterFn unregister_ = nullptr;
    win::UniqueHandle changed_;
    win::UniqueHandle stop_;
    win::UniqueHandle thread_;
};
