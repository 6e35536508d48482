// The smallest WSAAsyncSelect server, a yardstick for the ad-block server: min_responder.exe PORT
#include <windows.h>
#include <winsock.h>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr UINT kSocketEvent = WM_USER + 1;
const char kAnswer[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n   ";
SOCKET g_listener = INVALID_SOCKET;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kSocketEvent)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    SOCKET socket = static_cast<SOCKET>(wParam);
    if (WSAGETSELECTEVENT(lParam) == FD_ACCEPT) {
        SOCKET client = accept(g_listener, nullptr, nullptr);
        if (client != INVALID_SOCKET)
            WSAAsyncSelect(client, hwnd, kSocketEvent, FD_READ | FD_CLOSE);
    } else if (WSAGETSELECTEVENT(lParam) == FD_READ) {
        char buffer[2048];
        if (recv(socket, buffer, sizeof(buffer), 0) > 0)
            send(socket, kAnswer, sizeof(kAnswer) - 1, 0);
        closesocket(socket);
    } else if (WSAGETSELECTEVENT(lParam) == FD_CLOSE) {
        closesocket(socket);
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    WSADATA data;
    if (argc != 2 || WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 2;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = "MinResponder";
    RegisterClassA(&windowClass);
    HWND hwnd = CreateWindowExA(0, "MinResponder", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    g_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(atoi(argv[1])));
    if (!hwnd || bind(g_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(g_listener, 2147483647) != 0 || WSAAsyncSelect(g_listener, hwnd, kSocketEvent, FD_ACCEPT) != 0)
        return 1;
    printf("listening on %s\n", argv[1]);
    fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
