// Demo start-up program: shows a small note window with its name for a few seconds.
#include <windows.h>
#include <string>

static LRESULT CALLBACK NoteProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        char title[128] = "";
        GetWindowTextA(hwnd, title, sizeof(title));
        RECT client;
        GetClientRect(hwnd, &client);
        DrawTextA(dc, title, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_TIMER:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int show)
{
    std::string name = arguments && *arguments ? arguments : "Sample note";
    WNDCLASSA cls = {};
    cls.lpfnWndProc = NoteProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1);
    cls.lpszClassName = "QuillrestDemoNote";
    RegisterClassA(&cls);
    // Each note gets its own place so the screenshots show them side by side.
    int slot = static_cast<int>(GetTickCount() / 1000 % 5);
    HWND hwnd = CreateWindowA(cls.lpszClassName, name.c_str(), WS_OVERLAPPED | WS_CAPTION, 60 + slot * 230, 300,
                              220, 90, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, show);
    SetTimer(hwnd, 1, 12000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
