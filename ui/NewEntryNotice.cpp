// "Quillrest: new start-up program": names the programs parked while the user works.
#include "ui/NewEntryNotice.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Role.h"
#include "app/Settings.h"
#include "launch/WatchRules.h"
#include "res/resource.h"
#include "ui/SmallDialogs.h"
#include "win/Util.h"
#include <vector>

namespace {
const UINT_PTR kCloseTimer = 1;
const UINT kCloseAfterMs = 30000;

// Windows 2000 and later know WS_EX_NOACTIVATE; older systems may misread the bit.
bool KnowsNoActivate()
{
    const DWORD version = GetVersion();
    return !(version & 0x80000000) && LOBYTE(LOWORD(version)) >= 5;
}
} // namespace

POINT NoticePosition(const RECT& workArea, int width, int height)
{
    POINT at;
    at.x = workArea.right - width - 1;
    at.y = workArea.bottom - height - 1;
    return at;
}

bool NewEntryNoticeDlg::Open(const std::vector<std::string>& names)
{
    names_ = names;
    background_.Reset(CreateSolidBrush(kStatusBackground));
    return Create(IDD_NOTICE, nullptr);
}

bool NewEntryNoticeDlg::OnInit()
{
    const std::string text = NewEntriesNoticeText(names_);
    WriteLog("Showing new start-up program notice: %s", text.c_str());
    SetItemText(IDC_NOTICE_TEXT, text);
    if (KnowsNoActivate())
        SetWindowLongA(hwnd_, GWL_EXSTYLE, GetWindowLongA(hwnd_, GWL_EXSTYLE) | WS_EX_NOACTIVATE);
    RECT workArea = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT frame = {0, 0, 0, 0};
    GetWindowRect(hwnd_, &frame);
    const POINT at = NoticePosition(workArea, frame.right - frame.left, frame.bottom - frame.top);
    // Shown on top of everything but never activated: the user keeps typing where they were.
    SetWindowPos(hwnd_, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    StartTimer(kCloseTimer, kCloseAfterMs);
    return false;    // no focus to any control: that would activate the window
}

void NewEntryNoticeDlg::AddNames(const std::vector<std::string>& names)
{
    // The boot window passes each name once a session.
    names_.insert(names_.end(), names.begin(), names.end());
    const std::string text = NewEntriesNoticeText(names_);
    WriteLog("Updating new start-up program notice: %s", text.c_str());
    SetItemText(IDC_NOTICE_TEXT, text);
    StartTimer(kCloseTimer, kCloseAfterMs);
}

bool NewEntryNoticeDlg::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return true;
    switch (id) {
    case IDC_NOTICE_DONT_START:
        DontStartThem();
        break;
    case IDC_NOTICE_LAUNCH_ORDER:
        OpenLaunchOrder();
        break;
    default:
        // "OK", and Enter or Esc should the notice ever get the keyboard.
        Close("OK");
        break;
    }
    return true;
}

void NewEntryNoticeDlg::OnTimer(UINT_PTR id)
{
    if (id == kCloseTimer)
        Close("closed by itself after 30 seconds");
}

bool NewEntryNoticeDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message == WM_CTLCOLORSTATIC) {
        // Opaque, unlike the status popup's: a text that changes must paint over the old one.
        SetBkColor(reinterpret_cast<HDC>(wParam), kStatusBackground);
        result = reinterpret_cast<LRESULT>(background_.Get());
        return true;
    }
    if (StatusColours(message, wParam, static_cast<HBRUSH>(background_.Get()), result))
        return true;
    if (message == WM_DESTROY)
        StopTimer(kCloseTimer);
    return false;
}

void NewEntryNoticeDlg::Close(const char* choice)
{
    WriteLog("New start-up program notice: %s", choice);
    Destroy();
}

void NewEntryNoticeDlg::DontStartThem()
{
    for (const std::string& name : names_)
        WriteLog("Adding [%s] to %s", name.c_str(), kIgnoreForLaunch);
    SetProductString(kIgnoreForLaunch, AddToNameList(ProductString(kIgnoreForLaunch), names_));
    Close("Don't start it");
}

void NewEntryNoticeDlg::OpenLaunchOrder()
{
    // This very program, as the Control Panel applet starts it, on the Launch Order page.
    const std::string command = "\"" + win::ModulePath() + "\" -configure " + kLaunchOrderSwitch;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    // Windows may write into the command line it is given.
    std::vector<char> buffer(command.begin(), command.end());
    buffer.resize(command.size() + 100, '\0');
    if (CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        // The notice never became the foreground window, so the sheet may come
        // forward only when allowed to (Windows 2000 and later).
        using AllowForeground = BOOL(WINAPI*)(DWORD);
        if (auto allow = win::LookUp<AllowForeground>(GetModuleHandleA("USER32.DLL"), "AllowSetForegroundWindow"))
            allow(process.dwProcessId);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        WriteLog("Started %s", command.c_str());
    } else {
        WriteLog("Failed to CreateProcess [%s]. GLE=%d", command.c_str(), static_cast<int>(GetLastError()));
    }
    Close("Launch Order...");
}
