// Tells a window when Group Policy has applied a change to the machine's policies.
#include "launch/PolicyWatch.h"
#include "app/Log.h"
#include <process.h>

PolicyWatch::~PolicyWatch()
{
    Stop();
}

bool PolicyWatch::Start(HWND window, UINT message)
{
    if (thread_)
        return true;
    using RegisterFn = BOOL(WINAPI*)(HANDLE, BOOL);
    userenv_.Reset(LoadLibraryA("USERENV.DLL"));
    auto registerFn = win::LookUp<RegisterFn>(userenv_.Get(), "RegisterGPNotification");
    unregister_ = win::LookUp<UnregisterFn>(userenv_.Get(), "UnregisterGPNotification");
    window_ = window;
    message_ = message;
    changed_.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    stop_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!registerFn || !unregister_ || !changed_ || !stop_ || !registerFn(changed_.Get(), TRUE)) {
        WriteLog("No policy change notifications here; WM_SETTINGCHANGE tells of changes");
        unregister_ = nullptr;
        Stop();
        return false;
    }
    thread_.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, 0, nullptr)));
    if (!thread_) {
        Stop();
        return false;
    }
    return true;
}

void PolicyWatch::Stop()
{
    if (thread_) {
        SetEvent(stop_.Get());
        WaitForSingleObject(thread_.Get(), INFINITE);    // it only ever waits: it ends at once
        thread_.Reset();
    }
    if (unregister_ && changed_)
        unregister_(changed_.Get());
    unregister_ = nullptr;
    changed_.Reset();
    stop_.Reset();
    userenv_.Reset();
}

unsigned __stdcall PolicyWatch::ThreadProc(void* self)
{
    PolicyWatch& watch = *static_cast<PolicyWatch*>(self);
    const HANDLE waits[] = {watch.stop_.Get(), watch.changed_.Get()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        PostMessageA(watch.window_, watch.message_, 0, 0);
    return 0;
}
