// The Control Panel applet, loaded the way the Control Panel loads it.
#include "TestSupport.h"
#include "win/Util.h"
#include <cpl.h>

namespace {

using AppletProc = LONG(APIENTRY*)(HWND, UINT, LPARAM, LPARAM);

std::string ProbeOutputPath()
{
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "qr_cmdline_probe.txt";
}

class AppletTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = LoadLibraryA(qrtest::ProductApplet().c_str());
        ASSERT_NE(nullptr, library_);
        applet_ = reinterpret_cast<AppletProc>(reinterpret_cast<void*>(GetProcAddress(library_, "CPlApplet")));
        ASSERT_NE(nullptr, applet_);
        installedExe_ = win::SystemDirectory() + "\\Quillrest.exe";
        DeleteFileA(ProbeOutputPath().c_str());
    }
    void TearDown() override
    {
        if (library_)
            FreeLibrary(library_);
        DeleteFileA(installedExe_.c_str());
        DeleteFileA(ProbeOutputPath().c_str());
    }
    std::string LoadAppletString(UINT id)
    {
        char text[256] = "";
        LoadStringA(library_, id, text, sizeof(text));
        return text;
    }

    HMODULE library_ = nullptr;
    AppletProc applet_ = nullptr;
    std::string installedExe_;
};

TEST_F(AppletTest, AnswersControlPanelMessagesWithOneApplet)
{
    EXPECT_EQ(1, applet_(nullptr, CPL_INIT, 0, 0));
    EXPECT_EQ(1, applet_(nullptr, CPL_GETCOUNT, 0, 0));
    CPLINFO info = {0, 0, 0, 99};
    EXPECT_EQ(1, applet_(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(104, info.idIcon);
    EXPECT_EQ(102, info.idName);
    EXPECT_EQ(103, info.idInfo);
    EXPECT_EQ(0, info.lData);
    EXPECT_EQ("Quillrest", LoadAppletString(info.idName));
    EXPECT_EQ("Configure the Quillrest system utility", LoadAppletString(info.idInfo));
    EXPECT_NE(nullptr, LoadIconA(library_, MAKEINTRESOURCEA(info.idIcon)));
    EXPECT_EQ(0, applet_(nullptr, CPL_SELECT, 0, 0));
    EXPECT_EQ(0, applet_(nullptr, CPL_NEWINQUIRE, 0, 0));
    EXPECT_EQ(0, applet_(nullptr, 1234, 0, 0));
    EXPECT_EQ(1, applet_(nullptr, CPL_STOP, 0, 0));
    EXPECT_EQ(1, applet_(nullptr, CPL_EXIT, 0, 0));
}

TEST_F(AppletTest, DoubleClickStartsInstalledProgramWithConfigure)
{
    ASSERT_TRUE(CopyFileA(qrtest::ToolPath("cmdline_probe").c_str(), installedExe_.c_str(), FALSE));
    EXPECT_EQ(1, applet_(nullptr, CPL_DBLCLK, 0, 0));
    std::string written;
    ASSERT_TRUE(qrtest::WaitFor([&] { return win::ReadWholeFile(ProbeOutputPath(), written) && !written.empty(); },
                                10000));
    EXPECT_EQ(win::SystemDirectory() + "\\Quillrest.exe  -configure\r\n", written);
}

TEST_F(AppletTest, DoubleClickWithoutProgramDoesNothingVisible)
{
    DeleteFileA(installedExe_.c_str());
    EXPECT_EQ(1, applet_(nullptr, CPL_DBLCLK, 0, 0));
    EXPECT_FALSE(win::FileExists(ProbeOutputPath()));
}

} // namespace
