// Runs the product's ad-block server on its own: adblock_server.exe PORT PAC_FOLDER [SECONDS]
//
// Prints "listening on PORT" once it accepts connections and, when it ends (after
// SECONDS, or when the event "QuillrestAdServerStop" is set), "connections open
// at stop: N".  QR_ADSERVER_CLOCK may name a file holding the seconds since 1970
// that the PAC cache should see.
#include "ToolSupport.h"
#include "adblock/HttpAnswer.h"
#include "adblock/HttpServer.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include <process.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Arguments {
    unsigned short port;
    std::string folder;
};

class PrintingObserver : public ServerObserver {
public:
    void Listening(unsigned short port, bool ok) override
    {
        printf(ok ? "listening on %u\n" : "cannot listen on %u\n", static_cast<unsigned>(port));
        fflush(stdout);
    }
    void Stopping(size_t openConnections) override
    {
        printf("connections open at stop: %u\n", static_cast<unsigned>(openConnections));
        fflush(stdout);
    }
};

std::string g_clockFile;

DWORD FileClock()
{
    std::string text;
    return win::ReadWholeFile(g_clockFile, text) ? static_cast<DWORD>(strtoul(text.c_str(), nullptr, 10)) : 0;
}

unsigned __stdcall ServerThread(void* argument)
{
    auto* arguments = static_cast<Arguments*>(argument);
    PrintingObserver observer;
    return RunHTTPServer(arguments->port, arguments->folder.c_str(), &observer) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4)
        return qrtool::Fail(2, "usage: adblock_server.exe PORT PAC_FOLDER [SECONDS]");
    char* end = nullptr;
    unsigned long port = strtoul(argv[1], &end, 10);
    unsigned long seconds = argc == 4 ? strtoul(argv[3], nullptr, 10) : 0;
    if (*end || port > 65535)
        return qrtool::Fail(2, "adblock_server: bad port %s", argv[1]);
    if (ProductDword(kLog, 0) != 0)
        SetLogSwitch(true);
    if (const char* clock = getenv("QR_ADSERVER_CLOCK")) {
        g_clockFile = clock;
        SetServerClock(&FileClock);
    }

    HANDLE stop = CreateEventA(nullptr, FALSE, FALSE, "QuillrestAdServerStop");
    Arguments arguments = {static_cast<unsigned short>(port), argv[2]};
    unsigned threadId = 0;
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ServerThread, &arguments, 0, &threadId));
    if (!thread)
        return qrtool::Fail(1, "adblock_server: no server thread");
    HANDLE waits[] = {thread, stop};
    DWORD woke = WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, argc == 4 ? seconds * 1000 : INFINITE);
    if (woke != WAIT_OBJECT_0) {
        // The window may not exist yet right after the start: ask until it does.
        while (!StopHTTPServer(threadId) && WaitForSingleObject(thread, 50) == WAIT_TIMEOUT) {
        }
    }
    DWORD code = 1;
    if (WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0)
        GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    if (stop)
        CloseHandle(stop);
    return static_cast<int>(code);
}
