// A hidden top-level window whose messages go to a C++ object (socket events and the like).
#include "win/HiddenWindow.h"
#include "win/Dialog.h"

namespace win {

HiddenWindow::~HiddenWindow()
{
    Destroy();
}

bool HiddenWindow::Create(const char* className)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &HiddenWindow::WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    // A second window of the class in this process finds it registered already.
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    return CreateWindowExA(0, className, className, 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                           this) != nullptr;
}

void HiddenWindow::Destroy()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

LRESULT HiddenWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK HiddenWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    HiddenWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<HiddenWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<HiddenWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // Later messages (none should come) must not reach a dead object.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        Trace("###### Exception in window procedure, message %u", message);
        return 0;
    }
}

namespace {
struct ThreadWindowSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<ThreadWindowSearch*>(lParam);
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof(name));
    if (lstrcmpiA(name, search->className) != 0)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}
} // namespace

HWND FindThreadWindow(DWORD threadId, const char* className)
{
    ThreadWindowSearch search = {className, nullptr};
    EnumThreadWindows(threadId, &MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace win
