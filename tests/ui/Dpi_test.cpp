// The real program at 96 and at 144 DPI: its pictures, the check list's lines and
// the boot window's panel follow the system DPI.
#include "SheetFixture.h"
#include "launch/LaunchFixture.h"
#include "res/resource.h"
#include "win/Dpi.h"

using namespace qrtest;

namespace {

const char* const kDesktopKey = "Control Panel\\Desktop";

// The first picture (bitmap static) of a dialog; empty when it has none.
SIZE PictureSize(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char type[16] = "";
        GetClassNameA(child, type, sizeof(type));
        if (lstrcmpiA(type, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
            RECT client;
            GetClientRect(child, &client);
            return {client.right, client.bottom};
        }
    }
    return {0, 0};
}

RECT ChildRect(HWND dialog, int id)
{
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class DpiTest : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        savedDpi_ = GetDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    }
    void TearDown() override
    {
        KillProcess(process_);
        if (savedDpi_ == 0xFFFFFFFF)
            DeleteValue(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
        else
            SetDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", savedDpi_);
        CaptureTest::TearDown();
    }
    // Wine gives every process started from now on this DPI (this one keeps its own).
    void UseDpi(int dpi) { SetDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", static_cast<DWORD>(dpi)); }

    HANDLE process_ = nullptr;
    DWORD savedDpi_ = 0;
};

TEST_F(DpiTest, PicturesCheckListAndBootPanelFollowTheSystemDpi)
{
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        UseDpi(dpi);
        const SIZE pagePicture = {win::ScaleToDpi(64, dpi), win::ScaleToDpi(80, dpi)};
        const int welcomePicture = win::ScaleToDpi(64, dpi);

        process_ = StartProcess(ProductExe(), "-noinstall -configure");
        HWND sheet = WaitForWindow(kSheetCaption);
        ASSERT_NE(nullptr, sheet);
        HWND page = ShowTab(sheet, 1);
        ASSERT_EQ("Launch Order", PageTitle(page));
        // Each line has room for a check box of the system's size and its margin.
        EXPECT_GE(SendDlgItemMessageA(page, IDC_LAUNCH_LIST, LB_GETITEMHEIGHT, 0, 0), win::ScaleToDpi(13 + 2, dpi));
        const SIZE picture = PictureSize(page);
        EXPECT_EQ(pagePicture.cx, picture.cx);
        EXPECT_EQ(pagePicture.cy, picture.cy);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_, kPatienceMs));
        KillProcess(process_);

        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kWelcomeDismissed, 0);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kMinimized, 0);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 60);
        process_ = StartProcess(ProductExe(), "-noinstall");
        HWND boot = WaitForWindow(qrtool::kBootTitle);
        ASSERT_NE(nullptr, boot);
        // The window's edge is 3 dialog units (of the frame's 52) below the frame, less
        // one pixel at 96 DPI, and the whole panel stays in its client area.
        RECT client, window;
        GetClientRect(boot, &client);
        GetWindowRect(boot, &window);
        POINT origin = {0, 0};
        ClientToScreen(boot, &origin);
        const RECT frame = ChildRect(boot, IDC_BOOT_FRAME);
        const double gap = (frame.bottom - frame.top) * 3.0 / 52 - win::ScaleToDpi(1, dpi);
        EXPECT_NEAR(gap, window.bottom - origin.y - frame.bottom, 1.0);
        for (int id : {IDC_BOOT_FRAME, IDC_BOOT_PROGRESS, IDC_BOOT_MINIMIZED, IDC_BOOT_HURRY})
            EXPECT_LE(ChildRect(boot, id).bottom, client.bottom) << id;
        HWND welcome = WaitForWindow("Welcome to Quillrest!");
        ASSERT_NE(nullptr, welcome);
        EXPECT_EQ(welcomePicture, PictureSize(welcome).cx);
        EXPECT_EQ(welcomePicture, PictureSize(welcome).cy);
        KillProcess(process_);
    }
}

} // namespace
