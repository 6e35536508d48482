// The small dialogs: message dialog answers, status popup, trouble and welcome dialogs.
#include "TestSupport.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "res/resource.h"
#include "ui/SmallDialogs.h"
#include <commctrl.h>
#include <functional>
#include <thread>

namespace {

// Finds our dialog by title on another thread, lets `drive` act on it, and
// records whether it was found.
class DialogDriver {
public:
    DialogDriver(const char* title, std::function<void(HWND)> drive, DWORD timeoutMs = 10000)
        : thread_([=] {
              HWND dialog = nullptr;
              // Visible: a modal dialog is found before WM_INITDIALOG has shown it.
              qrtest::WaitFor([&] { return (dialog = FindWindowA("#32770", title)) && IsWindowVisible(dialog); },
                              timeoutMs);
              if (dialog && IsWindowVisible(dialog)) {
                  found_ = true;
                  drive(dialog);
              }
          })
    {
    }
    ~DialogDriver() { Join(); }
    bool Found()
    {
        Join();
        return found_;
    }

private:
    void Join()
    {
        if (thread_.joinable())
            thread_.join();
    }
    bool found_ = false;
    std::thread thread_;
};

std::string ControlText(HWND dialog, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

bool ControlVisible(HWND dialog, int id)
{
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

struct MessageCase {
    int mode;
    int button;      // control id clicked
    bool tick;
    int result;
    DWORD stored;
    const char* first;
    const char* second;
};

using MessageDialogTest = qrtest::ProductTest;

TEST_F(MessageDialogTest, AnswersAndRemembersInEveryMode)
{
    const MessageCase cases[] = {
        {MB_OK, IDOK, true, IDOK, 0, "&OK", nullptr},
        {MB_OKCANCEL, IDCANCEL, false, IDCANCEL, 1, "&OK", "&Cancel"},
        {MB_OKCANCEL, IDOK, true, IDOK, 0, "&OK", "&Cancel"},
        {MB_YESNO, IDCANCEL, true, IDNO, 0, "&Yes", "&No"},
        {MB_YESNO, IDOK, false, IDYES, 1, "&Yes", "&No"},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " button " << c.button << " tick " << c.tick);
        qrtest::ResetProductKey();
        std::string first, second, text;
        bool secondVisible = false, boxVisible = false;
        {
            DialogDriver driver("Question title", [&](HWND dialog) {
                first = ControlText(dialog, IDOK);
                second = ControlText(dialog, IDCANCEL);
                secondVisible = ControlVisible(dialog, IDCANCEL);
                boxVisible = ControlVisible(dialog, IDC_MESSAGE_DONT_SHOW);
                text = ControlText(dialog, IDC_MESSAGE_TEXT);
                if (c.tick)
                    SendDlgItemMessageA(dialog, IDC_MESSAGE_DONT_SHOW, BM_SETCHECK, BST_CHECKED, 0);
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
            });
            EXPECT_EQ(c.result, ShowMessageDialog(nullptr, "Message text", "Question title", c.mode, "QrRemembered"));
            ASSERT_TRUE(driver.Found());
        }
        EXPECT_EQ(c.first, first);
        EXPECT_EQ(c.second != nullptr, secondVisible);
        if (c.second) {
            EXPECT_EQ(c.second, second);
        }
        EXPECT_TRUE(boxVisible);
        EXPECT_EQ("Message text", text);
        EXPECT_EQ(c.stored, qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, "QrRemembered"));

        // A remembered "don't show" answers with the first button without showing anything.
        if (c.stored == 0) {
            DialogDriver watcher("Question title", [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); },
                                 1500);
            EXPECT_EQ(c.mode == MB_YESNO ? IDYES : IDOK,
                      ShowMessageDialog(nullptr, "Message text", "Question title", c.mode, "QrRemembered"));
            EXPECT_FALSE(watcher.Found());
        }
    }
}

TEST_F(MessageDialogTest, WithoutSettingNameHasNoBoxAndWritesNothing)
{
    bool boxVisible = true;
    DialogDriver driver("Plain question", [&](HWND dialog) {
        boxVisible = ControlVisible(dialog, IDC_MESSAGE_DONT_SHOW);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(IDNO, ShowMessageDialog(nullptr, "text", "Plain question", MB_YESNO, ""));
    EXPECT_TRUE(driver.Found());
    EXPECT_FALSE(boxVisible);
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key));
}

TEST(StatusPopupPosition, CentresAboveWorkAreaBottom)
{
    struct Case {
        RECT work;
        int width, height;
        LONG x, y;
    } cases[] = {
        {{0, 0, 1024, 738}, 426, 34, 299, 703},
        {{0, 0, 800, 600}, 427, 35, 187, 564},
        {{100, 0, 1124, 768}, 400, 30, 312, 737},
    };
    for (const Case& c : cases) {
        POINT at = StatusPopupPosition(c.work, c.width, c.height);
        EXPECT_EQ(c.x, at.x);
        EXPECT_EQ(c.y, at.y);
    }
}

using StatusPopupTest = qrtest::ProductTest;

TEST_F(StatusPopupTest, ShowsLinesAtBottomCentreAndCyclesProgress)
{
    HWND popup = (new CheckingForUpdatesDlg(GetDesktopWindow(), "First line", "Second line", "QrDontShowTest"))->Create();
    ASSERT_NE(nullptr, popup);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_EQ("First line", ControlText(popup, IDC_STATUS_LINE1));
    EXPECT_EQ("Second line", ControlText(popup, IDC_STATUS_LINE2));
    EXPECT_EQ(GetDlgItem(popup, IDC_STATUS_ENTER_EATER), GetFocus());
    RECT work, window;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(popup, &window);
    EXPECT_EQ((work.right - work.left) / 2 - (window.right - window.left) / 2, window.left);
    EXPECT_EQ(work.bottom - 1, window.bottom);

    HWND bar = GetDlgItem(popup, IDC_STATUS_PROGRESS);
    std::vector<LRESULT> positions;
    for (int tick = 0; tick < 12; ++tick) {
        SendMessageA(popup, WM_TIMER, 1, 0);
        positions.push_back(SendMessageA(bar, PBM_GETPOS, 0, 0));
    }
    EXPECT_EQ((std::vector<LRESULT>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1}), positions);

    DestroyWindow(popup);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(0xFFFFFFFFu, qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, "QrDontShowTest"));
    EXPECT_TRUE(qrtest::LogHas("Displaying status dialog: First line..."));
    EXPECT_TRUE(qrtest::LogHas("Destroying status dialog: First line..."));
}

TEST_F(StatusPopupTest, DontShowBoxWritesValueAndCloses)
{
    HWND popup = (new CheckingForUpdatesDlg(GetDesktopWindow(), "Line", "", "QrDontShowTest"))->Create();
    ASSERT_NE(nullptr, popup);
    SendDlgItemMessageA(popup, IDC_STATUS_DONT_SHOW, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(1u, qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, "QrDontShowTest"));
    // The caller's own close afterwards finds nothing to do.
    EXPECT_FALSE(DestroyWindow(popup));
}

using TroubleDialogTest = qrtest::ProductTest;

TEST_F(TroubleDialogTest, CreateLogsSwitchesLogAtOnceAndRestartsCountdown)
{
    qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 0);
    qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 2);
    SetLogSwitch(false);
    bool initiallyTicked = true, switchAfterTick = false, switchAfterUntick = true;
    DWORD logAfterTick = 0, countAfterTick = 0, logAfterUntick = 9, countAfterUntick = 0;
    DialogDriver driver("Reporting Trouble", [&](HWND dialog) {
        initiallyTicked = IsDlgButtonChecked(dialog, IDC_TROUBLE_CREATE_LOGS) == BST_CHECKED;
        SendDlgItemMessageA(dialog, IDC_TROUBLE_CREATE_LOGS, BM_CLICK, 0, 0);
        switchAfterTick = IsLogSwitchOn();
        logAfterTick = qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog);
        countAfterTick = qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount);
        qrtest::SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 3);
        SendDlgItemMessageA(dialog, IDC_TROUBLE_CREATE_LOGS, BM_CLICK, 0, 0);
        switchAfterUntick = IsLogSwitchOn();
        logAfterUntick = qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog);
        countAfterUntick = qrtest::GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    TroubleDlg trouble;
    EXPECT_EQ(IDOK, trouble.Run(nullptr));
    ASSERT_TRUE(driver.Found());
    EXPECT_FALSE(initiallyTicked);
    EXPECT_TRUE(switchAfterTick);
    EXPECT_EQ(1u, logAfterTick);
    EXPECT_EQ(5u, countAfterTick);
    EXPECT_FALSE(switchAfterUntick);
    EXPECT_EQ(0u, logAfterUntick);
    EXPECT_EQ(5u, countAfterUntick);
    SetLogSwitch(true);
}

using WelcomeDialogTest = qrtest::ProductTest;

TEST_F(WelcomeDialogTest, EscKeepsItForNextBootAndOkDismissesForGood)
{
    WelcomeDlg welcome;
    ASSERT_TRUE(welcome.Create(nullptr));
    HWND dialog = welcome.Handle();
    char title[64] = "";
    GetWindowTextA(dialog, title, sizeof(title));
    EXPECT_STREQ("Welcome to Quillrest!", title);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(0, GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU) << "no close box";
    EXPECT_EQ("&OK - and don't show again", ControlText(dialog, IDOK));
    int pictures = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP && SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0))
            ++pictures;
    EXPECT_EQ(2, pictures);

    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(welcome.IsOpen());
    EXPECT_EQ(0xFFFFFFFFu, qrtest::GetDword(HKEY_LOCAL_MACHINE, kStateKey, kWelcomeDismissed));

    ASSERT_TRUE(welcome.Create(nullptr));
    SendMessageA(welcome.Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(welcome.IsOpen());
    EXPECT_EQ(1u, qrtest::GetDword(HKEY_LOCAL_MACHINE, kStateKey, kWelcomeDismissed));
}

} // namespace
