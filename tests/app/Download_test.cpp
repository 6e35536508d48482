// Downloads with a deadline of their own, against a local site and a server that never answers.
#include "TestSupport.h"
#include "update/VendorSite.h"
#include "app/Download.h"

using namespace qrtest;

namespace {

int g_ticks = 0;

void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_ticks;
}

TEST(DownloadTest, SucceedsOnlyWithAFileInTime)
{
    VendorSite site;
    ASSERT_TRUE(site.Running());
    const std::string folder = MakeTempFolder("qrdownload");
    site.Put("list.txt", "first\nsecond\n");

    const std::string good = win::PathJoin(folder, "good.txt");
    EXPECT_TRUE(DownloadToFile(site.Url("list.txt"), good, 20000));
    std::string text;
    EXPECT_TRUE(win::ReadWholeFile(good, text));
    EXPECT_EQ("first\nsecond\n", text);

    // The error page that comes with a 404 is not a download.
    const std::string missing = win::PathJoin(folder, "missing.txt");
    EXPECT_FALSE(DownloadToFile(site.Url("missing.txt"), missing, 20000));
    EXPECT_FALSE(win::FileExists(missing));

    // A server that accepts and never answers: the deadline ends the wait, and
    // this thread's messages go on being dispatched meanwhile.
    SilentServer silent;
    ASSERT_TRUE(silent.Listening());
    g_ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, CountTick);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(DownloadToFile(silent.Url("list.txt"), win::PathJoin(folder, "silent.txt"), 1500));
    const DWORD waited = GetTickCount() - start;
    KillTimer(nullptr, timer);
    EXPECT_GE(waited, 1450u);
    EXPECT_LE(waited, 4000u);
    EXPECT_GE(g_ticks, 8);
    RemoveTree(folder);
}

} // namespace
