// The boot window's ad-block server start and its start-up popup.
#include "launch/BootDlg.h"
#include "adblock/HttpServer.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "ui/SmallDialogs.h"
#include "win/Dialog.h"
#include "win/Util.h"
#include <process.h>
#include <memory>
#include <string>

namespace {

// Once per process, whatever the number of boot windows.
bool g_serverStarted = false;

// Handed to the server thread, which frees it.
struct ServerStart {
    std::string root;
    unsigned short port;
};

unsigned __stdcall ServerThread(void* argument)
{
    std::unique_ptr<ServerStart> start(static_cast<ServerStart*>(argument));
    RunHTTPServer(start->port, start->root.c_str());
    return 0;
}

} // namespace

void QuillrestDlg::StartHTTPServer(unsigned short port)
{
    Traced("QuillrestDlg::StartHTTPServer", [&] {
        if (g_serverStarted)
            return;
        WriteLog("!!!!!!!!!! Starting http server on port %d", static_cast<int>(port));
        if (ProductDword(kDontShowAdBlockStart, 0) == 0)
            adBlockPopup_ = (new CheckingForUpdatesDlg(GetDesktopWindow(),
                                                       "Starting Quillrest ad blocking server.  This is a very small,",
                                                       "safe server that helps block ads and popups.",
                                                       kDontShowAdBlockStart))
                                ->Create();
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 1000)
            win::PumpMessages();

        auto* argument = new ServerStart{win::SystemDirectory(), port};
        uintptr_t thread = _beginthreadex(nullptr, 0, &ServerThread, argument, 0, nullptr);
        if (thread) {
            CloseHandle(reinterpret_cast<HANDLE>(thread));
        } else {
            WriteLog("###### Could not start the http server thread");
            delete argument;
        }
        StartTimer(kTimerKillAdBlockMsg, 8000);
        g_serverStarted = true;
    });
}

void QuillrestDlg::TimerKillAdBlockMsg()
{
    Traced("QuillrestDlg::TimerKillAdBlockMsg", [&] {
        StopTimer(kTimerKillAdBlockMsg);
        // The user may have closed it already through its "Don't show" box.
        if (adBlockPopup_ && IsWindow(adBlockPopup_))
            DestroyWindow(adBlockPopup_);
        adBlockPopup_ = nullptr;
    });
}
