// Finds a top-level window of any process by its title for the screenshot scripts.
//
// Usage: window_rect.exe "<title>" [seconds to wait, default 30]
// Prints "x y width height" once the window is visible; exits 1 when it never is.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const DWORD limitMs = static_cast<DWORD>(argc > 2 ? std::atoi(argv[2]) : 30) * 1000;
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while (!((window = FindWindowA(nullptr, argv[1])) && IsWindowVisible(window))) {
        if (GetTickCount() - start > limitMs)
            return 1;
        Sleep(50);
    }
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}
