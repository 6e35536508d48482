// The ad-block HTTP server: serves our PAC scripts and answers ad requests with nothing.
//
// One thread, non-blocking sockets, events as messages to a hidden window
// (Winsock 1.1 WSAAsyncSelect, which every Windows from 95 on has).
#include "adblock/HttpServer.h"
#include "adblock/HttpAnswer.h"
#include "adblock/HttpRequest.h"
#include "app/Log.h"
#include "win/HiddenWindow.h"
#include "win/Text.h"
#include <winsock.h>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kServerClass = "PAC_File_Server";
constexpr const char* kDefaultRoot = "/WebPages";
constexpr UINT kSocketEvent = WM_USER + 1;
constexpr size_t kRootLimit = 2047;
constexpr unsigned short kHttpPort = 80;
constexpr UINT_PTR kCounterTimer = 1;
constexpr UINT kCounterDelayMs = 1000;
constexpr UINT_PTR kRequestTimer = 2;
// A client has this long from its accept to send a whole request.
constexpr DWORD kRequestSeconds = 30;
// Client connections open at once; one more accept first closes the oldest.
constexpr size_t kMaxConnections = 256;

// Winsock 2 event bits, not in the 1.1 header, that are still logged by name.
constexpr int kEventQos = 64;
constexpr int kEventGroupQos = 128;
constexpr int kEventRoutingInterfaceChange = 256;
constexpr int kEventAddressListChange = 512;

// The events the server is told of but does not act on, by name; NULL for an unknown one.
const char* IgnoredEventName(int event)
{
    switch (event) {
    case FD_OOB:
        return "FD_OOB";
    case FD_CONNECT:
        return "FD_CONNECT";
    case kEventQos:
        return "FD_QOS";
    case kEventGroupQos:
        return "FD_GROUP_QOS";
    case kEventRoutingInterfaceChange:
        return "FD_ROUTING_INTERFACE_CHANGE";
    case kEventAddressListChange:
        return "FD_ADDRESS_LIST_CHANGE";
    default:
        return nullptr;
    }
}

// Socket handles are pointer-sized on 64-bit Windows; the log shows them as numbers.
unsigned Id(SOCKET socket)
{
    return static_cast<unsigned>(socket);
}

struct ClientConnection {
    SOCKET socket = INVALID_SOCKET;
    sockaddr_in peer = {};
    std::string body;
    bool headerSent = false;
    std::string contentType = "text/html";
    std::string request;
    DWORD bodySent = 0;
    DWORD acceptedTick = 0;          // GetTickCount at the accept
    unsigned long long order = 0;    // accepts before this one
    // Still waiting for its request: the answer goes out as soon as the
    // request is whole, so no header sent means no request yet.
    bool Waiting() const { return !headerSent; }
};

class WinsockSession {
public:
    WinsockSession() { started_ = WSAStartup(MAKEWORD(1, 1), &data_) == 0; }
    ~WinsockSession()
    {
        if (started_)
            WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Started() const { return started_; }

private:
    WSADATA data_ = {};
    bool started_ = false;
};

class HttpServer : public win::HiddenWindow {
public:
    explicit HttpServer(const char* root) : rootGiven_(root) {}
    ~HttpServer() override { CloseAll(); }

    bool StartListening(unsigned short port);
    void StopServer();
    unsigned short Port() const { return port_; }
    size_t OpenConnections() const { return connections_.size(); }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnSocketEvent(SOCKET socket, int event, int error);
    void OnAccept(SOCKET socket, int error);
    void OnRead(SOCKET socket, int error);
    void OnWrite(SOCKET socket, int error);
    void OnClose(SOCKET socket, int error);
    void ParseRequest(ClientConnection& connection);
    void SendFile(ClientConnection& connection);
    void SendError(int index, ClientConnection& connection);
    void SendAnswer(const std::string& response, ClientConnection& connection);
    void CloseConnection(ClientConnection& connection);
    bool AbandonListener(const char* format);
    void CloseAll();
    ClientConnection* Find(SOCKET socket);
    void ScheduleCounterWrite();
    void OnCounterTimer();
    void MakeRoom();
    void OnRequestTimer();

    const char* rootGiven_;
    std::string root_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::map<SOCKET, ClientConnection> connections_;
    unsigned long long accepts_ = 0;
    bool counterTimerArmed_ = false;
    bool requestTimerArmed_ = false;
};

bool HttpServer::StartListening(unsigned short port)
{
    root_ = rootGiven_ ? rootGiven_ : kDefaultRoot;
    root_ = win::CutText(root_, kRootLimit);

    // Port 0 stands for the "http" service port.
    port_ = port;
    if (port_ == 0) {
        const servent* service = getservbyname("http", "tcp");
        port_ = service ? ntohs(service->s_port) : kHttpPort;
    }

    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) {
        WriteLog("Could not create listen socket WSE=%d", WSAGetLastError());
        return false;
    }
    // Accepting is all a listening socket does.  Accepted sockets inherit this
    // selection until they get their own, and any other event here would only
    // add a message per connection.
    if (WSAAsyncSelect(listener_, Handle(), kSocketEvent, FD_ACCEPT) != 0)
        return AbandonListener("WSAAsyncSelect() error  WSE=%d");
    // Only programs on this computer use the server (the PAC scripts name
    // 127.0.0.1), and nothing from the network may reach it.
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return AbandonListener("bind() error  WSE=%d");
    if (listen(listener_, 2147483647) != 0)
        return AbandonListener("listen() error WSE=%d");

    char hostName[256] = "";
    std::string dotted;
    if (gethostname(hostName, sizeof(hostName)) == 0) {
        const hostent* host = gethostbyname(hostName);
        if (host && host->h_addr_list && host->h_addr_list[0]) {
            in_addr first;
            memcpy(&first, host->h_addr_list[0], sizeof(first));
            dotted = inet_ntoa(first);
        }
    }
    WriteLog("HTTP Server Started: %s [%s] on port %d", hostName, dotted.c_str(), static_cast<int>(port_));
    return true;
}

// Logs the failed step with its Winsock error (`format` takes it as its one
// %d) and closes the listening socket; always false.
bool HttpServer::AbandonListener(const char* format)
{
    WriteLog(format, WSAGetLastError());
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return false;
}

void HttpServer::CloseAll()
{
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    for (auto& entry : connections_)
        closesocket(entry.first);
    connections_.clear();
}

void HttpServer::StopServer()
{
    KillTimer(Handle(), kRequestTimer);
    requestTimerArmed_ = false;
    CloseAll();
    FlushBlockedAds();
    WriteLog("Server Stopped");
}

void HttpServer::ScheduleCounterWrite()
{
    if (counterTimerArmed_ || !HaveUnwrittenBlockedAds())
        return;
    counterTimerArmed_ = SetTimer(Handle(), kCounterTimer, kCounterDelayMs, nullptr) != 0;
    if (!counterTimerArmed_)
        FlushBlockedAds();
}

void HttpServer::OnCounterTimer()
{
    KillTimer(Handle(), kCounterTimer);
    counterTimerArmed_ = false;
    FlushBlockedAds();
}

// Closes the connection that has waited longest for its request, or when
// every one is answering, the oldest of all.
void HttpServer::MakeRoom()
{
    ClientConnection* oldest = nullptr;
    for (auto& entry : connections_) {
        ClientConnection& candidate = entry.second;
        if (!oldest || (candidate.Waiting() && !oldest->Waiting()) ||
            (candidate.Waiting() == oldest->Waiting() && candidate.order < oldest->order))
            oldest = &candidate;
    }
    if (!oldest)
        return;
    WriteLog("%u connections open: closing socket %u, the oldest %s", static_cast<unsigned>(connections_.size()),
             Id(oldest->socket), oldest->Waiting() ? "still waiting for its request" : "one");
    CloseConnection(*oldest);
}

// Closes the connections whose request is overdue and sets the timer for the
// next one due; with nothing left waiting it stays off.
void HttpServer::OnRequestTimer()
{
    const DWORD now = GetTickCount();
    const DWORD limitMs = kRequestSeconds * 1000;
    std::vector<SOCKET> overdue;
    DWORD nextMs = 0;
    for (const auto& entry : connections_) {
        const ClientConnection& connection = entry.second;
        if (!connection.Waiting())
            continue;
        const DWORD age = now - connection.acceptedTick;
        if (age >= limitMs)
            overdue.push_back(entry.first);
        else if (nextMs == 0 || limitMs - age < nextMs)
            nextMs = limitMs - age;
    }
    for (SOCKET socket : overdue) {
        WriteLog("No complete request on socket %u within %u seconds", Id(socket),
                 static_cast<unsigned>(kRequestSeconds));
        if (ClientConnection* connection = Find(socket))
            CloseConnection(*connection);
    }
    requestTimerArmed_ = nextMs != 0 && SetTimer(Handle(), kRequestTimer, nextMs, nullptr) != 0;
    if (!requestTimerArmed_)
        KillTimer(Handle(), kRequestTimer);
}

LRESULT HttpServer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kSocketEvent:
        OnSocketEvent(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
        return 1;
    case WM_CREATE:
        return 0;
    case WM_TIMER:
        if (wParam == kCounterTimer) {
            OnCounterTimer();
            return 0;
        }
        if (wParam == kRequestTimer) {
            OnRequestTimer();
            return 0;
        }
        break;
    default:
        break;
    }
    return HiddenWindow::OnMessage(message, wParam, lParam);
}

void HttpServer::OnSocketEvent(SOCKET socket, int event, int error)
{
    switch (event) {
    case FD_READ:
        OnRead(socket, error);
        break;
    case FD_WRITE:
        OnWrite(socket, error);
        break;
    case FD_ACCEPT:
        OnAccept(socket, error);
        break;
    case FD_CLOSE:
        OnClose(socket, error);
        break;
    default:
        if (const char* name = IgnoredEventName(event))
            WriteLog("Ignoring %s on socket %u", name, Id(socket));
        else
            WriteLog("#### Unknown event type %d for socket %u", event, Id(socket));
        break;
    }
}

ClientConnection* HttpServer::Find(SOCKET socket)
{
    auto found = connections_.find(socket);
    return found == connections_.end() ? nullptr : &found->second;
}

void HttpServer::OnAccept(SOCKET socket, int error)
{
    WriteLog("OnAccept for socket %u, nErr = %d", Id(socket), error);
    sockaddr_in peer = {};
    int peerLength = sizeof(peer);
    SOCKET client = accept(listener_, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (client == INVALID_SOCKET) {
        WriteLog("accept() error WSE=%d", WSAGetLastError());
        return;
    }
    // Write events only once an answer has to wait for room (SendFile): a new
    // socket is writable at once, and the event would be one more message for
    // every connection.  Without its events the socket would sit in the table
    // for ever.
    if (WSAAsyncSelect(client, Handle(), kSocketEvent, FD_READ | FD_CLOSE) != 0) {
        WriteLog("WSAAsyncSelect() error  WSE=%d", WSAGetLastError());
        closesocket(client);
        return;
    }
    if (connections_.size() >= kMaxConnections)
        MakeRoom();
    ClientConnection& connection = connections_[client];
    connection = ClientConnection();
    connection.socket = client;
    connection.peer = peer;
    connection.acceptedTick = GetTickCount();
    connection.order = accepts_++;
    WriteLog("Connection accepted on socket %u from: %s", Id(client), inet_ntoa(peer.sin_addr));
    // Every connection waiting for its request is due no earlier than this
    // one, so an armed timer is early enough.
    if (!requestTimerArmed_)
        requestTimerArmed_ = SetTimer(Handle(), kRequestTimer, kRequestSeconds * 1000, nullptr) != 0;
}

void HttpServer::OnRead(SOCKET socket, int error)
{
    WriteLog("OnRead for socket %u, nErr = %d", Id(socket), error);
    char buffer[2048];
    ClientConnection* connection = Find(socket);
    if (!connection) {
        std::string last;
        int got;
        while ((got = recv(socket, buffer, sizeof(buffer) - 1, 0)) > 0)
            last.assign(buffer, got);
        WriteLog("###### Got a request on a socket we don't recognize in OnRead for socket %u.  Received: %s",
                 Id(socket), last.c_str());
        closesocket(socket);
        return;
    }

    memset(buffer, 0, sizeof(buffer));
    int got = recv(socket, buffer, sizeof(buffer) - 1, 0);
    if (got == SOCKET_ERROR) {
        int code = WSAGetLastError();
        if (code != WSAEWOULDBLOCK) {
            WriteLog("###### recv() WSE=%d", code);
            CloseConnection(*connection);
        }
        return;
    }
    // One request per connection: whatever follows it is read and dropped.
    if (connection->headerSent)
        return;
    connection->request.append(buffer);
    if (connection->request.size() > kMaxRequestBytes) {
        WriteLog("###### Request on socket %u passed %u bytes without an empty line", Id(socket),
                 static_cast<unsigned>(kMaxRequestBytes));
        SendError(kStatusBadRequest, *connection);
        CloseConnection(*connection);
        return;
    }
    if (IsRequestComplete(connection->request))
        ParseRequest(*connection);
}

void HttpServer::OnWrite(SOCKET socket, int error)
{
    WriteLog("OnWrite for socket %u, nErr = %d", Id(socket), error);
    ClientConnection* connection = Find(socket);
    if (!connection) {
        char buffer[1024];
        while (recv(socket, buffer, sizeof(buffer) - 1, 0) > 0) {
        }
        WriteLog("###### Got a request on a socket we don't recognize in OnWrite for socket %u", Id(socket));
        closesocket(socket);
        return;
    }
    if (connection->body.size() > connection->bodySent)
        SendFile(*connection);
}

void HttpServer::OnClose(SOCKET socket, int error)
{
    WriteLog("OnClose for socket %u, nErr = %d", Id(socket), error);
    ClientConnection* connection = Find(socket);
    if (!connection)
        return;
    // A handle is reused by the next accept at once, and the close event of
    // the connection that had it may still wait in the queue: it must not end
    // the new one.  A connection its client really closed has nothing more to
    // read or an error; data still waiting comes with its own read event.
    char next;
    const int peeked = recv(socket, &next, 1, MSG_PEEK);
    if (peeked > 0 || (peeked == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)) {
        WriteLog("Socket %u is still open: the close event was for an earlier connection", Id(socket));
        return;
    }
    CloseConnection(*connection);
}

void HttpServer::ParseRequest(ClientConnection& connection)
{
    WriteLog("Parsing request %s", connection.request.c_str());
    std::string joined;
    switch (ParseRequestText(connection.request, root_, joined)) {
    case RequestVerdict::BadRequest:
        SendError(kStatusBadRequest, connection);
        CloseConnection(connection);
        return;
    case RequestVerdict::NotImplemented:
        SendError(kStatusNotImplemented, connection);
        CloseConnection(connection);
        return;
    case RequestVerdict::Tunnel:
        HandleTunnel(joined);
        ScheduleCounterWrite();
        SendAnswer(TunnelRefusedResponse(), connection);
        CloseConnection(connection);
        return;
    case RequestVerdict::Handle:
        break;
    }
    connection.bodySent = 0;
    const bool found = HandleRequest(joined, connection.body, connection.contentType);
    ScheduleCounterWrite();
    if (!found) {
        SendError(kStatusNotFound, connection);
        CloseConnection(connection);
        return;
    }
    SendFile(connection);
}

void HttpServer::SendFile(ClientConnection& connection)
{
    WriteLog("Sending file to socket %u", Id(connection.socket));
    if (!connection.headerSent) {
        // A body that is one last piece (every ad answer) goes out with the
        // header: one send instead of two, and the answer in one segment.
        const std::string header = OkHeader(connection.contentType, connection.body.size());
        const bool together = !connection.body.empty() && NextBodyPiece(connection.body.size()).last;
        const std::string first = together ? header + connection.body : header;
        const int sent = send(connection.socket, first.data(), static_cast<int>(first.size()), 0);
        connection.headerSent = true;
        if (sent < static_cast<int>(header.size())) {
            // Not even the header fits a fresh socket: the answer cannot be whole.
            WriteLog("send()  WSE=%d", sent == SOCKET_ERROR ? WSAGetLastError() : WSAEWOULDBLOCK);
            CloseConnection(connection);
            return;
        }
        connection.bodySent = static_cast<DWORD>(sent - header.size());
        if (together && connection.bodySent == connection.body.size()) {
            WriteLog("Finished sending file on socket %u", Id(connection.socket));
            CloseConnection(connection);
            return;
        }
    }
    for (;;) {
        BodyPiece piece = NextBodyPiece(connection.body.size() - connection.bodySent);
        int sent = send(connection.socket, connection.body.data() + connection.bodySent,
                        static_cast<int>(piece.length), 0);
        if (sent == SOCKET_ERROR) {
            int code = WSAGetLastError();
            if (code != WSAEWOULDBLOCK) {
                WriteLog("send()  WSE=%d", code);
                CloseConnection(connection);
                return;
            }
            sent = 0;
        }
        connection.bodySent += static_cast<DWORD>(sent);
        if (static_cast<size_t>(sent) < piece.length) {
            // The next FD_WRITE carries on; it comes once the socket has room again.
            WSAAsyncSelect(connection.socket, Handle(), kSocketEvent, FD_READ | FD_WRITE | FD_CLOSE);
            return;
        }
        if (piece.last) {
            WriteLog("Finished sending file on socket %u", Id(connection.socket));
            CloseConnection(connection);
            return;
        }
    }
}

void HttpServer::SendError(int index, ClientConnection& connection)
{
    const std::string response = ErrorResponse(index);
    if (!response.empty())
        SendAnswer(response, connection);
}

// A short answer in one send; the connection is closed next, so what does not
// fit a fresh socket is not waited for.
void HttpServer::SendAnswer(const std::string& response, ClientConnection& connection)
{
    if (send(connection.socket, response.data(), static_cast<int>(response.size()), 0) == SOCKET_ERROR) {
        int code = WSAGetLastError();
        if (code != WSAEWOULDBLOCK)
            WriteLog("send()@SendError() WSE=%d", code);
    }
}

void HttpServer::CloseConnection(ClientConnection& connection)
{
    const SOCKET socket = connection.socket;
    WriteLog("Closing socket: %u", Id(socket));
    closesocket(socket);
    connections_.erase(socket);
}

} // namespace

bool RunHTTPServer(unsigned short port, const char* root, ServerObserver* observer)
{
    try {
        WinsockSession winsock;
        if (!winsock.Started())
            return false;
        HttpServer server(root);
        if (!server.Create(kServerClass))
            WriteLog("###### Could not create the %s window", kServerClass);
        const bool listening = server.Handle() && server.StartListening(port);
        if (observer)
            observer->Listening(server.Port(), listening);

        WriteLog("Entering message loop");
        MSG message;
        // Closing the window (StopHTTPServer) ends the loop; the filter on the
        // window means WM_QUIT would never arrive here.
        while (server.Handle() && GetMessageA(&message, server.Handle(), 0, 0) > 0)
            DispatchMessageA(&message);
        WriteLog("Leaving message loop");

        if (observer)
            observer->Stopping(server.OpenConnections());
        server.StopServer();
        return true;
    } catch (...) {
        WriteLog("Exception in RunHTTPServer");
        return false;
    }
}

bool StopHTTPServer(DWORD threadId)
{
    HWND window = win::FindThreadWindow(threadId, kServerClass);
    return window && PostMessageA(window, WM_CLOSE, 0, 0);
}
