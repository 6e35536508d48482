// Shows the program's small dialogs, or finds one of its windows, for the
// screenshot script.  Carries the program's resources and manifest, so it runs
// at the system DPI like the program and prints real pixels.
//
// Usage: dialog_shot.exe find "<title>" [CHILD ID]
//            waits for a visible window of that title (and, given an id, for
//            that child to hold text) and prints "x y width height"
//        dialog_shot.exe gone "<title>"
//            waits until no window of that title is visible
//        dialog_shot.exe show welcome|trouble|message|status [SECONDS]
//            shows that dialog, prints "x y width height" once it is shown and
//            closes it after SECONDS (default 10)
// Exits 1 when the window does not appear (or does not go).
#include "ToolSupport.h"
#include "res/resource.h"
#include "ui/SmallDialogs.h"
#include <cstring>

using namespace qrtool;

namespace {

const char* kMessageTitle = "Can't Read Whole Registry";
// The longest message the message dialog shows (asked at uninstall).
const char* kMessageText =
    "Uninstall is unable to inspect the entire registry to ensure all users' start settings have been restored.  If "
    "there is only one user/login that ever uses this computer, this is not a problem and you should continue.  "
    "However, if there are many users with their own usernames/logins, it might mean some users settings aren't "
    "restored.  In this case, you should stop, login as a power user, and then uninstall again.\r\n\r\nWould you "
    "like to ignore this error and continue uninstall?";

// A visible window of that title whose child `childId` (if not 0) holds text.
HWND WaitForWindow(const char* title, int childId, DWORD timeoutMs)
{
    HWND window = nullptr;
    return Await([&] {
        char text[8] = "";
        window = VisibleWindow(title);
        return window && (childId == 0 || GetDlgItemTextA(window, childId, text, sizeof(text)) > 0);
    }, timeoutMs) ? window : nullptr;
}

// Pumps messages for the given time while the window lives, then closes it.
int RunModeless(HWND window, DWORD seconds)
{
    if (!window)
        return 1;
    PrintRect(window);
    UINT_PTR timer = SetTimer(nullptr, 0, seconds * 1000, nullptr);
    MSG message;
    while (IsWindow(window) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == timer)
            break;
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    KillTimer(nullptr, timer);
    if (IsWindow(window))
        DestroyWindow(window);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    if (strcmp(argv[1], "find") == 0) {
        HWND window = WaitForWindow(argv[2], IntArg(argc, argv, 3, 0), 30000);
        if (!window)
            return 1;
        PrintRect(window);
        return 0;
    }
    if (strcmp(argv[1], "gone") == 0)
        return Await([&] { return VisibleWindow(argv[2]) == nullptr; }, 30000) ? 0 : 1;
    if (strcmp(argv[1], "show") != 0)
        return 2;
    InitCommonControls();
    const DWORD seconds = static_cast<DWORD>(IntArg(argc, argv, 3, 10));
    const char* what = argv[2];
    if (strcmp(what, "welcome") == 0) {
        WelcomeDlg welcome;
        return welcome.Create(nullptr) ? RunModeless(welcome.Handle(), seconds) : 1;
    }
    if (strcmp(what, "status") == 0) {
        // The longest lines a popup shows.  The popup releases itself when its window goes.
        auto* popup = new CheckingForUpdatesDlg(GetDesktopWindow(),
                                                "Starting Quillrest ad blocking server.  This is a very small,",
                                                "safe server that helps block ads and popups.", "DontShowAdBlockStart");
        return RunModeless(popup->Create(), seconds);
    }
    if (strcmp(what, "trouble") == 0)
        return ShowModalFor("Reporting Trouble", seconds, [] { TroubleDlg().Run(nullptr); });
    if (strcmp(what, "message") == 0)
        return ShowModalFor(kMessageTitle, seconds,
                        [] { ShowMessageDialog(nullptr, kMessageText, kMessageTitle, MB_YESNO, "QrShotsMessage"); });
    return 2;
}
