// The version check against a local stand-in for the vendor's site: registry
// effects, the new-version message, failures, and the boot window's timer 5.
#include "launch/LaunchFixture.h"
#include "update/VendorSite.h"
#include "app/Links.h"
#include "app/Settings.h"
#include "launch/BootDlg.h"
#include "res/resource.h"
#include "update/VersionCheck.h"
#include "update/VersionFile.h"
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

using namespace qrtest;

namespace {

constexpr const char* kBoxTitle = "New Version Available";
constexpr const char* kPopupLine1 = "Downloading a tiny version file from the Quillrest web site";

// What OpenWebLink was asked to open, from any thread.
std::mutex g_openedLock;
std::vector<std::string> g_opened;

bool RecordOpened(HWND, const std::string& address)
{
    std::lock_guard<std::mutex> lock(g_openedLock);
    g_opened.push_back(address);
    return true;
}

std::vector<std::string> Opened()
{
    std::lock_guard<std::mutex> lock(g_openedLock);
    return g_opened;
}

// From now on OpenWebLink records instead of opening.
void RecordLinks()
{
    std::lock_guard<std::mutex> lock(g_openedLock);
    g_opened.clear();
    OverrideWebLinkOpenerForTest(RecordOpened);
}

// Answers every new-version message box with `button` until stopped, keeping their texts.
class BoxWatcher {
public:
    explicit BoxWatcher(int button) : button_(button), thread_([this] { Run(); }) {}
    ~BoxWatcher() { Stop(); }
    // The texts of the boxes answered so far (stops watching first).
    std::vector<std::string> Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        return texts_;
    }

private:
    void Run()
    {
        while (!stop_) {
            HWND box = FindWindowA("#32770", kBoxTitle);
            if (box && IsWindowVisible(box)) {
                char text[4096] = "";
                GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
                texts_.push_back(text);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, button_)));
                for (int i = 0; i < 250 && IsWindow(box); ++i)
                    Sleep(20);
            }
            Sleep(20);
        }
    }
    int button_;
    std::atomic<bool> stop_{false};
    std::vector<std::string> texts_;
    std::thread thread_;
};

DWORD ValueType(const char* name)
{
    win::UniqueKey key;
    DWORD type = REG_NONE;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, key.Out()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

size_t LogCount(const std::string& message)
{
    const std::vector<std::string> lines = LogMessages();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), message));
}

// The status popup of the version check, if one is open in this process.
HWND FindStatusPopup()
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char text[256] = "";
        if (process == GetCurrentProcessId() && GetDlgItemTextA(window, IDC_STATUS_LINE1, text, sizeof(text)) &&
            std::string(text) == kPopupLine1)
            return window;
    }
    return nullptr;
}

class VersionCheckTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        RecordLinks();
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDontShowUpdateCheck, 1);
        ASSERT_TRUE(site_.Running());
    }
    void TearDown() override
    {
        OverrideWebLinkOpenerForTest(nullptr);
        DeleteFileA(VersionFilePath().c_str());
        ProductTest::TearDown();
    }
    // Serves `text` as `name`, points "VersionURL" at it and runs the check.
    void Check(const std::string& name, const std::string& text)
    {
        site_.Put(name, text);
        SetProductString(kVersionURL, site_.Url(name));
        RunVersionCheck(nullptr, GetTickCount());
    }

    VendorSite site_;
};

TEST_F(VersionCheckTest, LinesSetValuesInOrderAndTheMessageShowsAsItStands)
{
    BoxWatcher yes(IDYES);
    Check("v1.txt",
          "no colon at all\n"
          "\t Reg : DelaySeconds|10 \r\n"
          "reg:QrLeadingZero|010\n"
          "Reg:QrNoBar\n"
          "\n"
          "Reg:AdBlockInfoURL|http://127.0.0.1:1/list.txt?a=1|2\n"
          "Reg:NewVerMsg|50%% off %s%n%x!\n"
          "Reg:MAIN_LINK|C:\\windows\\notepad.exe\n"
          "\tversion : 9.4.0 \r\n");
    const std::vector<std::string> boxes = yes.Stop();

    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("50% off %s%n%x!", boxes[0]);
    // Yes, but the link is a program, not a web address.
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(LogHas("Not opening C:\\windows\\notepad.exe: not a web address"));
    EXPECT_EQ(GetOwnVersionString(), ProductString(kLastVerWarning));

    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), ValueType(kDelaySeconds));
    EXPECT_EQ(10u, ProductDword(kDelaySeconds, 0));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), ValueType("QrLeadingZero"));
    EXPECT_EQ("010", ProductString("QrLeadingZero"));
    EXPECT_EQ(static_cast<DWORD>(REG_NONE), ValueType("QrNoBar"));
    EXPECT_EQ("http://127.0.0.1:1/list.txt?a=1|2", ProductString(kAdBlockInfoURL));

    EXPECT_TRUE(LogHas("n[Reg]=v[DelaySeconds|10]"));
    EXPECT_TRUE(LogHas("n[version]=v[9.4.0]"));
    EXPECT_EQ(0u, LogCount("Displaying status dialog: " + std::string(kPopupLine1) + "..."));
    EXPECT_FALSE(win::FileExists(VersionFilePath()));
}

TEST_F(VersionCheckTest, NewVersionIsOfferedOncePerOwnVersion)
{
    const std::string own = GetOwnVersionString();
    EXPECT_NE("0.0.0", own);
    {
        BoxWatcher no(IDNO);
        Check("same.txt", "Version:" + own + "\n");
        EXPECT_TRUE(no.Stop().empty());
        EXPECT_EQ(static_cast<DWORD>(REG_NONE), ValueType(kLastVerWarning));
    }
    {
        // An older version counts as well; the built-in text names the product page.
        BoxWatcher no(IDNO);
        Check("older.txt", "Version:0.0.1\n");
        const std::vector<std::string> boxes = no.Stop();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(BuiltInNewVersionMessage("http://www.hollowmere.example/quillrest/"), boxes[0]);
        EXPECT_TRUE(Opened().empty());
        EXPECT_EQ(own, ProductString(kLastVerWarning));
    }
    {
        // Next boot, another newer version: already told at this own version.
        BoxWatcher yes(IDYES);
        Check("newer.txt", "version:99.0.0\n");
        EXPECT_TRUE(yes.Stop().empty());
    }
}

TEST_F(VersionCheckTest, FailedDownloadChangesNothing)
{
    const std::string stale = "Reg:QrStale|1\nVersion:99.0.0\n";
    BoxWatcher yes(IDYES);
    // Not found, and a port that refuses: a leftover file from earlier is not read either.
    for (const std::string& url : {site_.Url("missing.txt"), win::Format("http://127.0.0.1:%u/version.asp",
                                                                          static_cast<unsigned>(FreePort()))}) {
        WriteFileText(VersionFilePath(), stale);
        SetProductString(kVersionURL, url);
        RunVersionCheck(nullptr, GetTickCount());
        EXPECT_FALSE(win::FileExists(VersionFilePath())) << url;
    }
    EXPECT_TRUE(yes.Stop().empty());
    std::vector<std::string> names = ValueNames(HKEY_LOCAL_MACHINE, kProductKey);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::vector<std::string>({kDontShowUpdateCheck, kVersionURL}), names);
    EXPECT_TRUE(Opened().empty());
}

TEST(LinksTest, OnlyWebAddressesAreOpened)
{
    RecordLinks();
    const struct {
        const char* address;
        bool opened;
    } cases[] = {
        {"http://www.hollowmere.example/quillrest/", true},
        {"HTTPS://host/page", true},
        {"httpx://host", false},
        {" http://host", false},
        {"C:\\windows\\notepad.exe", false},
        {"file:///C:/windows/notepad.exe", false},
        {"http://host/\" --new-window file:///C:/", false},    // a quote ends the browser's argument
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        EXPECT_EQ(c.opened, OpenWebLink(nullptr, c.address)) << c.address;
        if (c.opened)
            expected.push_back(c.address);
    }
    EXPECT_EQ(expected, Opened());
    OverrideWebLinkOpenerForTest(nullptr);
}

// The real boot window, run on a thread of the test; the test reaches into its
// thread through a message to check and shorten timer 5.
constexpr UINT kRunOnWindowThread = WM_APP + 77;

class DrivenBootDlg : public QuillrestDlg {
public:
    explicit DrivenBootDlg(std::atomic<HWND>& window) : QuillrestDlg(nullptr), window_(window) {}

protected:
    bool OnInit() override
    {
        const bool result = QuillrestDlg::OnInit();
        window_ = hwnd_;
        return result;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message != kRunOnWindowThread)
            return QuillrestDlg::OnMessage(message, wParam, lParam, result);
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        result = 0;
        return true;
    }

private:
    std::atomic<HWND>& window_;
};

class BootVersionCheckTest : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        RecordLinks();
        for (const char* cleaner : {kDeleteSafeTempFiles, kDeleteAllTempFiles, kDelFileChk, kClearInetCache, kDeleteCookies})
            SetDword(HKEY_LOCAL_MACHINE, kProductKey, cleaner, 0);
    }
    void TearDown() override
    {
        EndBootWindow();
        OverrideIsConnectedToInternetForTest(-1);
        OverrideWebLinkOpenerForTest(nullptr);
        DeleteFileA(VersionFilePath().c_str());
        CaptureTest::TearDown();
    }

    void StartBootWindow()
    {
        ui_ = std::thread([this] {
            CoInitialize(nullptr);
            {
                DrivenBootDlg boot(window_);
                boot.SetSilent(true);
                boot.DoModal();
            }
            window_ = nullptr;
            CoUninitialize();
        });
    }
    void EndBootWindow()
    {
        HWND window = window_;
        if (window)
            OnWindowThread([window] { EndDialog(window, 0); });
        if (ui_.joinable())
            ui_.join();
    }
    bool OnWindowThread(std::function<void()> work)
    {
        DWORD_PTR answer = 0;
        return SendMessageTimeoutA(window_, kRunOnWindowThread, 0, reinterpret_cast<LPARAM>(&work), SMTO_NORMAL,
                                   30000, &answer) != 0;
    }
    // Whether timer 5 is armed; an armed one is set again with `periodMs`.
    bool TimerArmed(UINT periodMs)
    {
        bool armed = false;
        HWND window = window_;
        EXPECT_TRUE(OnWindowThread([&] {
            armed = KillTimer(window, kTimerCheckVersion) != 0;
            if (armed)
                SetTimer(window, kTimerCheckVersion, periodMs, nullptr);
        }));
        return armed;
    }

    std::atomic<HWND> window_{nullptr};
    std::thread ui_;
};

TEST_F(BootVersionCheckTest, TimerWaitsForAConnectionThenChecksOnce)
{
    VendorSite site;
    ASSERT_TRUE(site.Running());
    const std::string product = site.Url("product");
    site.Put("boot.txt", "Reg:MAIN_LINK|" + product + "\nVersion:99.0.0\n");
    SetProductString(kVersionURL, site.Url("boot.txt"));
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDontShowUpdateCheck, 2);
    OverrideIsConnectedToInternetForTest(0);

    StartBootWindow();
    ASSERT_TRUE(WaitFor([&] { return window_ != nullptr; }, kPatienceMs));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kCheckVersion));
    // Armed at 30 s by the window; shortened so the test need not wait for it.
    ASSERT_TRUE(TimerArmed(200));

    // Offline: each tick gives up and the timer stays.
    const std::string entered = "Entered QuillrestDlg::TimerCheckVersion";
    ASSERT_TRUE(WaitFor([&] { return LogCount(entered) >= 3; }, kPatienceMs));
    EXPECT_TRUE(TimerArmed(200));
    EXPECT_EQ(nullptr, FindStatusPopup());
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, kLastVerWarning));

    // Online: ten seconds of waiting, then the popup for eight seconds around the check.
    BoxWatcher yes(IDYES);
    const DWORD online = GetTickCount();
    OverrideIsConnectedToInternetForTest(1);
    HWND popup = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (popup = FindStatusPopup()) != nullptr; }, kPatienceMs));
    const DWORD shown = GetTickCount();
    EXPECT_GE(shown - online, 9800u);
    EXPECT_LE(shown - online, 12500u);
    EXPECT_TRUE(IsWindowVisible(popup));
    char second[256] = "";
    GetDlgItemTextA(popup, IDC_STATUS_LINE2, second, sizeof(second));
    EXPECT_STREQ("to see if a newer version is available.", second);
    // Hidden first: without a window manager Wine then waits up to 2 s before destroying it.
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(popup); }, kPatienceMs));
    const DWORD hidden = GetTickCount();
    EXPECT_GE(hidden - shown, 7500u);
    EXPECT_LE(hidden - shown, 9000u);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(popup); }, kPatienceMs));
    // The handler has returned once the window thread answers again.
    ASSERT_TRUE(OnWindowThread([] {}));
    EXPECT_EQ(LogCount(entered), LogCount("\tLeaving QuillrestDlg::TimerCheckVersion"));
    EXPECT_EQ(0u, LogCount("###### Exception in QuillrestDlg::TimerCheckVersion"));

    EXPECT_EQ(1u, yes.Stop().size());
    EXPECT_EQ(std::vector<std::string>{product}, Opened());
    EXPECT_EQ(GetOwnVersionString(), ProductString(kLastVerWarning));
    EXPECT_FALSE(win::FileExists(VersionFilePath()));
    // Once per boot window: the timer is gone.
    EXPECT_FALSE(TimerArmed(200));
}

} // namespace
