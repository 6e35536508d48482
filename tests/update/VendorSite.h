// The vendor's web site for the download tests: a python3 http.server on
// 127.0.0.1 serving a temp folder, and a server that accepts but never answers.
#pragma once
#include "TestSupport.h"
#include "win/Util.h"
#include <winsock2.h>
#include <string>

namespace qrtest {

// Winsock for the lifetime of the object.
struct WinsockUser {
    WinsockUser()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};

// A listening socket on 127.0.0.1 with a port the system chose.
inline SOCKET ListenOnFreePort(unsigned short& port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    int length = sizeof(address);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0 || listen(s, 5) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

// A port nothing listens on (it was free a moment ago).
inline unsigned short FreePort()
{
    WinsockUser winsock;
    unsigned short port = 0;
    SOCKET s = ListenOnFreePort(port);
    if (s != INVALID_SOCKET)
        closesocket(s);
    return port;
}

// Sends `request` to 127.0.0.1:`port`; true when something could connect.
inline bool Poke(unsigned short port, const char* request)
{
    WinsockUser winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    const bool connected = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (connected && request) {
        send(s, request, static_cast<int>(strlen(request)), 0);
        char answer[256];
        recv(s, answer, sizeof(answer), 0);
    }
    closesocket(s);
    return connected;
}

// Wine's own name for a Windows path on the Unix side.
inline std::string UnixPath(const std::string& windowsPath)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix)
        return std::string();
    wchar_t wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
    char* unix = toUnix(wide);
    if (!unix)
        return std::string();
    std::string path = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

// python3 http.server as the vendor's site, stopped by the destructor (and by
// itself after a time limit, should the test die first).
class VendorSite {
public:
    VendorSite() : folder_(MakeTempFolder("qrsite")), port_(FreePort())
    {
        const std::string command = win::Format(
            "python3 \"%s\" %u \"%s\" 110", UnixPath(SourcePath("tests/update/vendor_site.py")).c_str(),
            static_cast<unsigned>(port_), UnixPath(folder_).c_str());
        // Wine starts a Unix program itself; no Windows process handle comes back.
        HANDLE process = StartProcess("Z:\\usr\\bin\\python3", command.substr(command.find(' ') + 1));
        if (process)
            CloseHandle(process);
        running_ = WaitFor([&] { return Poke(port_, nullptr); }, kPatienceMs);
    }
    ~VendorSite()
    {
        if (running_) {
            Poke(port_, "GET /stop HTTP/1.0\r\n\r\n");
            WaitFor([&] { return !Poke(port_, nullptr); }, 5000);
        }
        RemoveTree(folder_);
    }
    VendorSite(const VendorSite&) = delete;
    VendorSite& operator=(const VendorSite&) = delete;

    bool Running() const { return running_; }
    std::string Url(const std::string& name) const
    {
        return win::Format("http://127.0.0.1:%u/%s", static_cast<unsigned>(port_), name.c_str());
    }
    void Put(const std::string& name, const std::string& text) const
    {
        WriteFileText(win::PathJoin(folder_, name), text);
    }

private:
    std::string folder_;
    unsigned short port_;
    bool running_ = false;
};

// Accepts connections (the system completes them) and never answers.
class SilentServer {
public:
    SilentServer() { socket_ = ListenOnFreePort(port_); }
    ~SilentServer()
    {
        if (socket_ != INVALID_SOCKET)
            closesocket(socket_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    bool Listening() const { return socket_ != INVALID_SOCKET; }
    std::string Url(const char* name) const
    {
        return win::Format("http://127.0.0.1:%u/%s", static_cast<unsigned>(port_), name);
    }

private:
    WinsockUser winsock_;
    SOCKET socket_ = INVALID_SOCKET;
    unsigned short port_ = 0;
};

} // namespace qrtest
