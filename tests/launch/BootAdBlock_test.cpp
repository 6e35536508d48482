// The boot window starts the ad-block server once, with its popup, and closes the popup with timer 10.
#include "TestSupport.h"
#include "adblock/HttpServer.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "launch/BootDlg.h"
#include "res/resource.h"
#include "win/Util.h"
#include <winsock.h>
#include <algorithm>
#include <atomic>
#include <thread>

using namespace qrtest;

namespace {

constexpr const char* kPopupLine = "Starting Quillrest ad blocking server.  This is a very small,";
constexpr UINT kEndTest = WM_APP + 7;

unsigned short FreePort()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    int length = sizeof(address);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

// Sends `request` to 127.0.0.1:`port` and reads until the server closes; false
// when nothing listens there.
bool Ask(unsigned short port, const std::string& request, std::string& answer)
{
    answer.clear();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        closesocket(s);
        return false;
    }
    send(s, request.data(), static_cast<int>(request.size()), 0);
    char buffer[1024];
    int got;
    while ((got = recv(s, buffer, sizeof(buffer), 0)) > 0)
        answer.append(buffer, got);
    closesocket(s);
    return true;
}

struct PopupSearch {
    HWND found = nullptr;
};

BOOL CALLBACK FindPopup(HWND hwnd, LPARAM lParam)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char line[256] = "";
    if (pid == GetCurrentProcessId() && GetDlgItemTextA(hwnd, IDC_STATUS_LINE1, line, sizeof(line)) &&
        lstrcmpA(line, kPopupLine) == 0) {
        reinterpret_cast<PopupSearch*>(lParam)->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND ServerPopup()
{
    PopupSearch search;
    EnumWindows(&FindPopup, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The boot window with only the server start in its initialisation.
class ServerBootWindow : public QuillrestDlg {
public:
    explicit ServerBootWindow(unsigned short port) : QuillrestDlg(nullptr), port_(port) {}

protected:
    bool OnInit() override
    {
        StartHTTPServer(port_);
        StartHTTPServer(port_);    // a second start does nothing
        return true;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == kEndTest) {
            End(IDOK);
            return true;
        }
        return QuillrestDlg::OnMessage(message, wParam, lParam, result);
    }

private:
    unsigned short port_;
};

class BootServerTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        FreshLog();
    }
    void TearDown() override
    {
        WSACleanup();
        ProductTest::TearDown();
    }
};

TEST_F(BootServerTest, StartsTheServerOnceWithItsPopupThatTimer10Closes)
{
    const unsigned short port = FreePort();
    ServerBootWindow boot(port);
    std::atomic<bool> popupSeen(false), popupGone(false);
    std::string answer;
    DWORD popupClosedAfter = 0;

    std::thread checker([&] {
        const DWORD start = GetTickCount();
        popupSeen = WaitFor([] { return ServerPopup() != nullptr; }, kPatienceMs);
        WaitFor([&] { return Ask(port, "GET http://ads.example/banner.gif HTTP/1.1\r\n\r\n", answer); }, kPatienceMs);
        popupGone = WaitFor([] { return ServerPopup() == nullptr; }, kPatienceMs);
        popupClosedAfter = GetTickCount() - start;
        WaitFor([&] { return boot.Handle() != nullptr; }, 5000);
        PostMessageA(boot.Handle(), kEndTest, 0, 0);
    });
    boot.DoModal();
    checker.join();

    EXPECT_TRUE(popupSeen);
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n   ");
    EXPECT_TRUE(WaitFor([] { return GetCounter(kCounterAdsBlocked) == 1; }, kPatienceMs));
    EXPECT_TRUE(popupGone);
    EXPECT_GE(popupClosedAfter, 7000u);
    EXPECT_TRUE(LogHas("Entered QuillrestDlg::TimerKillAdBlockMsg"));
    const auto messages = LogMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(),
                         win::Format("!!!!!!!!!! Starting http server on port %u", static_cast<unsigned>(port))),
              1);

    // The server thread would live as long as the process: end it here.
    DWORD serverThread = GetWindowThreadProcessId(FindWindowA("PAC_File_Server", "PAC_File_Server"), nullptr);
    ASSERT_TRUE(StopHTTPServer(serverThread));
    EXPECT_TRUE(WaitFor([&] { std::string ignored; return !Ask(port, "", ignored); }, kPatienceMs));
}

} // namespace
