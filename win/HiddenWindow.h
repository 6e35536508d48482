// A hidden top-level window whose messages go to a C++ object (socket events and the like).
#pragma once
#include "win/Raii.h"

namespace win {

class HiddenWindow {
public:
    HiddenWindow() = default;
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    virtual ~HiddenWindow();

    // Registers `className` (once per process: only its name and procedure) and
    // creates a window of it, titled the same, without styles, size or parent.
    bool Create(const char* className);
    void Destroy();
    // NULL once the window is gone (cleared at WM_NCDESTROY).
    HWND Handle() const { return hwnd_; }

protected:
    // Every message after the window is bound; the default is DefWindowProcA.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// The first window of class `className` that thread `threadId` owns, or NULL.
HWND FindThreadWindow(DWORD threadId, const char* className);

} // namespace win
