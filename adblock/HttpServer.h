// The ad-block HTTP server: serves our PAC scripts and answers ad requests with nothing.
#pragma once
#include <windows.h>
#include <cstddef>

// What a host of the server may watch (the helper program, tests); the boot
// window passes none.  Both calls come on the server thread.
class ServerObserver {
public:
    virtual ~ServerObserver() = default;
    // After the listening socket was set up (or failed to be); `port` is the
    // one asked for, the "http" service port for 0.
    virtual void Listening(unsigned short port, bool ok) = 0;
    // The message loop has ended; `openConnections` are about to be closed.
    virtual void Stopping(size_t openConnections) = 0;
};

// Runs the server on the calling thread until its window is closed.  `root`
// is the folder the PAC files are served from (NULL: "/WebPages").  False when
// Winsock cannot start or an exception ended it.
bool RunHTTPServer(unsigned short port, const char* root, ServerObserver* observer = nullptr);

// Ends the message loop of the server running on thread `threadId`; false
// while that thread has no server window (not yet, or no longer).
bool StopHTTPServer(DWORD threadId);
