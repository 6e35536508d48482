// Works a property sheet of another process from the screenshot script.
//
// Usage: sheet_page.exe "<caption>" <page index>   shows that page and prints
//                                                   "x y width height tab title"
//        sheet_page.exe "<caption>" cancel         presses Cancel
// Exits 1 when there is no such sheet or page.
#include "ToolSupport.h"
#include <commctrl.h>
#include <prsht.h>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HWND sheet = nullptr;
    if (!qrtool::Await([&] { return (sheet = FindWindowA(nullptr, argv[1])) != nullptr; }, 10000))
        return 1;
    if (strcmp(argv[2], "cancel") == 0) {
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        return 0;
    }
    int index = atoi(argv[2]);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    if (!tabs || index < 0 || index >= static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0)))
        return 1;
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    char title[256] = "";
    if (page)
        GetWindowTextA(page, title, sizeof(title));
    SetForegroundWindow(sheet);
    qrtool::PrintRect(sheet, title);
    return 0;
}
