// Control Panel applet: one icon that opens the installed program's configuration sheet.
#include <windows.h>
#include <cpl.h>
#include <cstring>
#include "AppletRes.h"

static HINSTANCE g_module;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

static void StartConfiguration()
{
    char commandLine[260 + 64];
    UINT len = GetSystemDirectoryA(commandLine, 260);
    if (len == 0 || len >= 260)
        return;
    lstrcatA(commandLine, "\\Quillrest.exe  -configure");
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    std::memset(&process, 0, sizeof(process));
    if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

extern "C" LONG APIENTRY CPlApplet(HWND, UINT message, LPARAM, LPARAM lParam2)
{
    switch (message) {
    case CPL_INIT:
    case CPL_GETCOUNT:
    case CPL_STOP:
    case CPL_EXIT:
        return 1;
    case CPL_INQUIRE: {
        CPLINFO* info = reinterpret_cast<CPLINFO*>(lParam2);
        if (info) {
            info->idIcon = IDI_APPLET;
            info->idName = IDS_APPLET_NAME;
            info->idInfo = IDS_APPLET_DESC;
            info->lData = 0;
        }
        return 1;
    }
    case CPL_DBLCLK:
        StartConfiguration();
        return 1;
    default:
        return 0;
    }
}
