// The configuration sheet, run for real and worked by control ids from a second thread.
#include "SheetFixture.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/TempFiles.h"
#include "launch/LaunchFixture.h"
#include "launch/WorkQueue.h"
#include "res/resource.h"
#include "ui/ConfigSheet.h"
#include "ui/SheetText.h"
#include "win/Util.h"
#include <commctrl.h>

using namespace qrtest;

namespace {

const char* const kCaption = kSheetCaption;
const char kSep = '\1';

void SetText(HWND page, int id, const char* text)
{
    SendDlgItemMessageA(page, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool Ticked(HWND page, int id)
{
    return SendDlgItemMessageA(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND page, int id)
{
    SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

void Press(HWND sheet, int button)
{
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
}

DWORD Dword(const char* name)
{
    return GetDword(HKEY_LOCAL_MACHINE, kProductKey, name);
}

// List lines of the launch-order page: name and tick.
std::vector<std::pair<std::string, bool>> LaunchLines(HWND page)
{
    std::vector<std::pair<std::string, bool>> lines;
    HWND list = GetDlgItem(page, IDC_LAUNCH_LIST);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[512] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        lines.emplace_back(text, (SendMessageA(list, LB_GETITEMDATA, i, 0) & 1) != 0);
    }
    return lines;
}

using ConfigSheetTest = ProductTest;

TEST_F(ConfigSheetTest, OkCommitsTheOpenedPagesOnly)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 5);
    ASSERT_TRUE(RunSheet([](HWND sheet) {
        HWND main = CurrentPage(sheet);
        EXPECT_EQ("5", ItemText(main, IDC_MAIN_DELAY));
        SetText(main, IDC_MAIN_DELAY, "12");
        Click(main, IDC_MAIN_MINIMIZED);
        HWND internet = ShowPage(sheet, "Internet");
        Click(internet, IDC_INTERNET_CACHE);
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ(12u, Dword(kDelaySeconds));
    EXPECT_EQ(0u, Dword(kMinimized));
    EXPECT_EQ(1u, Dword(kTransparent));
    EXPECT_EQ(1u, Dword(kClearInetCache));
    EXPECT_EQ(1u, Dword(kCheckVersion));
    // Pages never opened write nothing.
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kDeleteCookies));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kKeepQRCookie));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kSortingOrder));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kIgnoreForLaunch));
}

TEST_F(ConfigSheetTest, DelayValidationKeepsTheSheetOpen)
{
    std::string positive, range;
    bool stayedOpen = false;
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        HWND main = CurrentPage(sheet);
        SetText(main, IDC_MAIN_DELAY, "soon");
        {
            DialogAnswerer box(kCaption, IDOK, kPatienceMs, true);
            Press(sheet, PSBTN_OK);
            positive = box.Text();
        }
        SetText(main, IDC_MAIN_DELAY, "1000");
        {
            DialogAnswerer box(kCaption, IDOK, kPatienceMs, true);
            Press(sheet, PSBTN_OK);
            range = box.Text();
        }
        // Leaving the page is refused the same way.
        SetText(main, IDC_MAIN_DELAY, "0");
        {
            DialogAnswerer box(kCaption, IDOK, kPatienceMs, true);
            SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
            box.Answered();
        }
        stayedOpen = IsWindowVisible(sheet) && CurrentPage(sheet) == main;
        SetText(main, IDC_MAIN_DELAY, "30");
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ("Please enter a positive integer.", positive);
    EXPECT_EQ("Please enter an integer between 1 and 999.", range);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(30u, Dword(kDelaySeconds));
}

TEST_F(ConfigSheetTest, CancelKeepsOnlyFileChkAndTheRestoredOrder)
{
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kSortingOrder, std::string("B") + kSep + "A" + kSep);
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kIgnoreForLaunch, std::string("A") + kSep);
    bool restoredAtOnce = false;
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        SetText(CurrentPage(sheet), IDC_MAIN_DELAY, "20");
        HWND launch = ShowPage(sheet, "Launch Order");
        Click(launch, IDC_LAUNCH_RESTORE);
        restoredAtOnce = ReadString(HKEY_LOCAL_MACHINE, kProductKey, kSortingOrder).empty() &&
                         ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kSortingOrder);
        HWND cookies = ShowPage(sheet, "Cookies");
        Click(cookies, IDC_COOKIES_DELETE);
        HWND fileChk = ShowPage(sheet, "FILECHK");
        EXPECT_FALSE(Ticked(fileChk, IDC_FILECHK_DELETE));
        Click(fileChk, IDC_FILECHK_DELETE);
        ShowPage(sheet, "Root Size");
        EXPECT_EQ(1u, Dword(kDelFileChk)) << "written when the page is left";
        // Unticked again, then cancelled while the page shows: not written.
        fileChk = ShowPage(sheet, "FILECHK");
        EXPECT_TRUE(Ticked(fileChk, IDC_FILECHK_DELETE));
        Click(fileChk, IDC_FILECHK_DELETE);
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_TRUE(restoredAtOnce);
    EXPECT_EQ(8u, Dword(kDelaySeconds));
    EXPECT_EQ(0u, Dword(kDeleteCookies));
    EXPECT_EQ(1u, Dword(kDelFileChk));
    EXPECT_EQ("", ReadString(HKEY_LOCAL_MACHINE, kProductKey, kSortingOrder));
    EXPECT_EQ(std::string("A") + kSep, ReadString(HKEY_LOCAL_MACHINE, kProductKey, kIgnoreForLaunch));
}

TEST_F(ConfigSheetTest, ControlsAPolicyFixesShowItsValueGreyedAndThePageSaysSo)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 12);
    SetPolicy(kDelaySeconds, 3);
    SetPolicy(kMinimized, 0);
    SetPolicy(kNotifyNewEntries, 0);
    SetPolicy(kDownloadAdBlockInfo, 0);
    SetPolicy(kAdBlockListURL, std::string("https://lists.corp.example/ads.txt\0", 35), REG_SZ);
    SetPolicy(kAllowAdBlocking, 0);
    SetPolicy(kCheckVersion, 0);
    const auto enabled = [](HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; };
    const auto managed = [](HWND page) {
        return IsWindowVisible(GetDlgItem(page, IDC_MANAGED)) &&
               ItemText(page, IDC_MANAGED) == "Some settings are managed by your administrator.";
    };
    // Each page with a control a policy fixes says so; those controls are greyed, the
    // first of each a box unticked.
    const struct {
        const char* title;    // nullptr: the first page
        std::vector<int> fixed;
    } pages[] = {{nullptr, {IDC_MAIN_MINIMIZED, IDC_MAIN_DELAY}},
                 {"Launch Order", {IDC_LAUNCH_NOTIFY}},
                 {"Block Ads", {IDC_BLOCKADS_BLOCK, IDC_BLOCKADS_DOWNLOAD, IDC_BLOCKADS_LIST_URL, IDC_BLOCKADS_UPDATE_NOW}},
                 {"Internet", {IDC_INTERNET_VERSION}}};
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        for (const auto& page : pages) {
            HWND shown = page.title ? ShowPage(sheet, page.title) : CurrentPage(sheet);
            EXPECT_TRUE(managed(shown)) << page.fixed[0];
            EXPECT_FALSE(Ticked(shown, page.fixed[0])) << page.fixed[0];
            for (int id : page.fixed)
                EXPECT_FALSE(enabled(shown, id)) << id;
        }
        EXPECT_EQ("3", ItemText(ShowTab(sheet, 0), IDC_MAIN_DELAY));
        EXPECT_TRUE(enabled(ShowTab(sheet, 0), IDC_MAIN_TRANSPARENT));
        HWND ads = ShowPage(sheet, "Block Ads");
        EXPECT_EQ("Your administrator does not allow ad blocking on this computer, so it cannot be switched on here.",
                  ItemText(ads, IDC_BLOCKADS_BLOCK));
        EXPECT_EQ("https://lists.corp.example/ads.txt", ItemText(ads, IDC_BLOCKADS_LIST_URL));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(ShowPage(sheet, "Cookies"), IDC_MANAGED)));
        Press(sheet, PSBTN_OK);
    }));
    // OK wrote the user's own settings only where no policy fixes them.
    EXPECT_EQ(12u, Dword(kDelaySeconds));
    EXPECT_EQ(1u, Dword(kTransparent));
    for (const char* name : {kMinimized, kNotifyNewEntries, kDownloadAdBlockInfo, kAdBlockListURL, kCheckVersion})
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, name)) << name;
}

class ReloadTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        dir_ = MakeTempFolder("qrsheettemp");
        candidates_ = {dir_};
        OverrideTempCandidatesForTest(&candidates_);
    }
    void TearDown() override
    {
        OverrideTempCandidatesForTest(nullptr);
        RemoveTree(dir_);
        ProductTest::TearDown();
    }
    std::string dir_;
    std::vector<std::string> candidates_;
};

TEST_F(ReloadTest, CookiesAndInternetReloadAndTempFilesRecountOnEveryVisit)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteSafeTempFiles, 1);
    WriteFileText(dir_ + "\\~one.tmp", "x");
    WriteFileText(dir_ + "\\notes.txt", "x");
    std::string firstCount, secondCount, other, directory;
    bool cookieTickDropped = false, versionTickBack = false, safeKept = false;
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        HWND cookies = ShowPage(sheet, "Cookies");
        EXPECT_FALSE(Ticked(cookies, IDC_COOKIES_DELETE));
        EXPECT_TRUE(Ticked(cookies, IDC_COOKIES_KEEP));
        Click(cookies, IDC_COOKIES_DELETE);
        HWND internet = ShowPage(sheet, "Internet");
        EXPECT_TRUE(Ticked(internet, IDC_INTERNET_VERSION));
        Click(internet, IDC_INTERNET_VERSION);
        cookies = ShowPage(sheet, "Cookies");
        cookieTickDropped = !Ticked(cookies, IDC_COOKIES_DELETE);
        internet = ShowPage(sheet, "Internet");
        versionTickBack = Ticked(internet, IDC_INTERNET_VERSION);

        HWND temp = ShowPage(sheet, "Temp Files");
        firstCount = ItemText(temp, IDC_TEMP_SAFE_COUNT);
        other = ItemText(temp, IDC_TEMP_OTHER_COUNT);
        char line[MAX_PATH] = "";
        SendDlgItemMessageA(temp, IDC_TEMP_DIRS, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
        directory = line;
        EXPECT_EQ(0, SendDlgItemMessageA(temp, IDC_TEMP_DIRS, LB_GETCURSEL, 0, 0));
        Click(temp, IDC_TEMP_ALL);
        WriteFileText(dir_ + "\\~two.tmp", "x");
        ShowPage(sheet, "Root Size");
        temp = ShowPage(sheet, "Temp Files");
        secondCount = ItemText(temp, IDC_TEMP_SAFE_COUNT);
        safeKept = Ticked(temp, IDC_TEMP_SAFE) && Ticked(temp, IDC_TEMP_ALL);
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_TRUE(cookieTickDropped);
    EXPECT_TRUE(versionTickBack);
    EXPECT_EQ(0u, Dword(kDeleteCookies));
    EXPECT_EQ(1u, Dword(kCheckVersion));
    EXPECT_EQ(dir_, directory);
    EXPECT_EQ("There are 1 temporary files that follow standard naming conventions (these can be safely deleted).",
              firstCount);
    EXPECT_EQ("There are 1 additional files in the temporary file directories that are probably safe to delete, but "
              "which don't follow the standard naming conventions.",
              other);
    EXPECT_EQ("There are 2 temporary files that follow standard naming conventions (these can be safely deleted).",
              secondCount);
    EXPECT_TRUE(safeKept) << "Temp Files keeps its settings between visits";
    EXPECT_EQ(1u, Dword(kDeleteAllTempFiles));
}

TEST_F(ConfigSheetTest, MainPageShowsStatisticsVersionAndProbesRightsOnce)
{
    AddToCounter(kCounterBoots, 5000000000LL);
    AddToCounter(kCounterFilesLaunched, 44);
    AddToCounter(kCounterJunkFiles, 3);
    AddToCounter(kCounterJunkBytes, 1023);
    AddToCounter(kCounterInternetFiles, 4294967296LL);
    AddToCounter(kCounterCookies, 7);
    AddToCounter(kCounterAdsBlocked, 9000000000000LL);
    std::vector<std::string> lines;
    std::string version, junkAfter;
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        HWND main = CurrentPage(sheet);
        for (int id = IDC_MAIN_STAT_BOOTS; id <= IDC_MAIN_STAT_ADS; ++id)
            lines.push_back(ItemText(main, id));
        version = ItemText(main, IDC_MAIN_VERSION);
        // Shown again, the page reads the counters again.
        AddToCounter(kCounterJunkBytes, 1);
        ShowPage(sheet, "Cookies");
        main = ShowPage(sheet, "Basic Options");
        junkAfter = ItemText(main, IDC_MAIN_STAT_JUNK);
        Press(sheet, PSBTN_CANCEL);
    }));
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("5000000000 boots sped up (estimated 2 minutes saved)", lines[0]);
    EXPECT_EQ("3 junk files cleaned up (0 KB total)", lines[1]);
    EXPECT_EQ("4294967296 web page files cleaned up", lines[2]);
    EXPECT_EQ("7 Internet cookies deleted", lines[3]);
    EXPECT_EQ("9000000000000 advertisements blocked", lines[4]);
    EXPECT_EQ("3 junk files cleaned up (1 KB total)", junkAfter);
    EXPECT_NE(std::string::npos, version.find("Version 1.0.0")) << version;
    EXPECT_EQ(version.size() - 13, version.find("Version 1.0.0")) << "the line ends in the version";

    // The rights probe runs once per process: a second sheet does not write "Random".
    DeleteTree(HKEY_LOCAL_MACHINE, kProductKey);
    ASSERT_TRUE(RunSheet([](HWND sheet) { Press(sheet, PSBTN_CANCEL); }));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kRandom));
}

TEST(SheetText, FeedbackAddressAndLaunchStrings)
{
    const DWORD install = 1000000000;
    EXPECT_EQ("http://x/f.asp?D=0", FeedbackAddress("http://x/f.asp", install, install + 86399));
    EXPECT_EQ("http://x/f.asp?D=3", FeedbackAddress("http://x/f.asp", install, install + 3 * 86400 + 5));
    EXPECT_EQ("http://x/f.asp?D=0", FeedbackAddress("http://x/f.asp", install, install - 86400 * 10))
        << "a clock set back is not 49,000 days";
    EXPECT_EQ("C:\\Tools\\a.lnk", WithoutParkedEnding("C:\\Tools\\a.lnk.Quillrest"));
    EXPECT_EQ(".Quillrest", WithoutParkedEnding(".Quillrest"));
    EXPECT_EQ("a.quillrest", WithoutParkedEnding("a.quillrest"));
    std::string order, ignore;
    LaunchOrderStrings({{"B", true}, {"A", false}, {"", false}}, order, ignore);
    EXPECT_EQ(std::string("B\1A\1\1"), order);
    EXPECT_EQ(std::string("A\1\1"), ignore);
    EXPECT_TRUE(IsNameListed("Foo", std::string("Bar\1Foo\1")));
    EXPECT_FALSE(IsNameListed("Foo", std::string("FooBar\1")));
}

class LaunchOrderTest : public CaptureTest {
protected:
    // Where 64-bit Windows' own tools keep machine-wide entries (a 32-bit test's own
    // view there is the 32-bit one); the only view elsewhere.
    static REGSAM MachineView() { return SystemKeyView(Is64BitWindows()); }
    void AddCaptured(const char* name, const std::string& command)
    {
        SetValue(HKEY_LOCAL_MACHINE, CapturePath(kRunKey), name, command + '\0', REG_SZ, MachineView());
    }
};

TEST_F(LaunchOrderTest, MovesUnticksAndSavesWhatTheNextBootLaunches)
{
    const std::string longCommand =
        "C:\\Program Files\\A Vendor With A Long Name\\Some Deep Folder\\Another Folder\\tool.exe -a -b -c -d";
    AddCaptured("QrTestA", "C:\\Tools\\a.lnk.Quillrest");
    AddCaptured("QrTestB", longCommand);
    AddCaptured("QrTestC", "C:\\c.exe");
    // Only whole names count: this entry names none of the three.
    SetString(HKEY_LOCAL_MACHINE, kProductKey, kIgnoreForLaunch, std::string("QrTestAB") + kSep);
    using Lines = std::vector<std::pair<std::string, bool>>;
    Lines initial, afterEdges, afterMoves, afterTicks;
    std::string noSelection, detailsBefore, detailsA, detailsB;
    bool notifyShown = false;
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        HWND page = ShowPage(sheet, "Launch Order");
        HWND list = GetDlgItem(page, IDC_LAUNCH_LIST);
        initial = LaunchLines(page);
        detailsBefore = ItemText(page, IDC_LAUNCH_DETAILS);
        {
            DialogAnswerer box("No Selection", IDOK, kPatienceMs, true);
            PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_LAUNCH_EARLIER, BN_CLICKED), 0);
            noSelection = box.Text();
        }
        // The first line up and the last line down stay where they are, selected.
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        Click(page, IDC_LAUNCH_EARLIER);
        EXPECT_EQ(0, SendMessageA(list, LB_GETCURSEL, 0, 0));
        SendMessageA(list, LB_SETCURSEL, 2, 0);
        Click(page, IDC_LAUNCH_LATER);
        EXPECT_EQ(2, SendMessageA(list, LB_GETCURSEL, 0, 0));
        afterEdges = LaunchLines(page);
        // Selecting with the mouse shows the details; then A goes down one place.
        RECT line;
        SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&line));
        LPARAM onText = MAKELPARAM(line.right - 10, (line.top + line.bottom) / 2);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, onText);
        SendMessageA(list, WM_LBUTTONUP, 0, onText);
        detailsA = ItemText(page, IDC_LAUNCH_DETAILS);
        Click(page, IDC_LAUNCH_LATER);
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_LAUNCH_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        detailsB = ItemText(page, IDC_LAUNCH_DETAILS);
        afterMoves = LaunchLines(page);
        // C (last line) is unticked by a click on its box, A by the space bar and back.
        SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&line));
        LPARAM onBox = MAKELPARAM(line.left + 5, (line.top + line.bottom) / 2);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, onBox);
        SendMessageA(list, WM_LBUTTONUP, 0, onBox);
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
        afterTicks = LaunchLines(page);
        notifyShown = Ticked(page, IDC_LAUNCH_NOTIFY);
        Click(page, IDC_LAUNCH_NOTIFY);
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ((Lines{{"QrTestA", true}, {"QrTestB", true}, {"QrTestC", true}}), initial);
    EXPECT_EQ("<no item selected>", detailsBefore);
    EXPECT_EQ("Please select a program to move up in the list and press this button again", noSelection);
    EXPECT_EQ(initial, afterEdges);
    EXPECT_EQ("C:\\Tools\\a.lnk", detailsA);
    EXPECT_NE(std::string::npos, detailsB.find("...")) << detailsB;
    EXPECT_LT(detailsB.size(), longCommand.size());
    EXPECT_EQ(0u, detailsB.find("C:\\")) << detailsB;
    EXPECT_EQ((Lines{{"QrTestB", true}, {"QrTestA", true}, {"QrTestC", true}}), afterMoves);
    EXPECT_EQ((Lines{{"QrTestB", true}, {"QrTestA", true}, {"QrTestC", false}}), afterTicks);

    EXPECT_EQ(std::string("QrTestB\1QrTestA\1QrTestC\1"), ReadString(HKEY_LOCAL_MACHINE, kProductKey, kSortingOrder));
    EXPECT_EQ(std::string("QrTestC\1"), ReadString(HKEY_LOCAL_MACHINE, kProductKey, kIgnoreForLaunch));
    // Notices of new start-up programs are on until the box is unticked.
    EXPECT_TRUE(notifyShown);
    EXPECT_EQ(0u, Dword(kNotifyNewEntries));
    std::vector<std::string> next;
    for (const WorkItem& item : BuildWorkQueue(true))
        next.push_back(item.Name);
    EXPECT_EQ((std::vector<std::string>{"QrTestB", "QrTestA"}), next);
}

TEST_F(LaunchOrderTest, SwitchedOffLinesAreLockedAndEachViewShowsItsOwnCommand)
{
    // One entry switched off in Windows and, on 64-bit Windows, one name in both registry views.
    const std::string approved = std::string(kStartupApprovedKey) + "\\" + kApprovedRun;
    AddCaptured("QrTestSheetSame", "C:\\same64.exe");
    AddCaptured("QrTestSheetOff", "C:\\off.exe");
    SetValue(HKEY_LOCAL_MACHINE, approved, "QrTestSheetOff", "\x03", REG_BINARY, MachineView());
    const bool windows64 = Is64BitWindows();
    const std::string same32 = "C:\\same32.exe";
    win::UniqueKey wow;
    if (windows64 && RegCreateKeyExA(HKEY_LOCAL_MACHINE, CapturePath(kRunKey).c_str(), 0, nullptr, 0,
                                     KEY_WRITE | KEY_WOW64_32KEY, nullptr, wow.Out(), nullptr) == ERROR_SUCCESS)
        RegSetValueExA(wow.Get(), "QrTestSheetSame", 0, REG_SZ, reinterpret_cast<const BYTE*>(same32.c_str()),
                       static_cast<DWORD>(same32.size() + 1));
    SetProductString(kSortingOrder, "QrTestSheetSame\1QrTestSheetOff\1");
    std::vector<std::pair<std::string, bool>> lines;
    std::vector<std::string> details;
    bool offLocked = false;
    ASSERT_TRUE(RunSheet([&](HWND sheet) {
        HWND page = ShowPage(sheet, "Launch Order");
        HWND list = GetDlgItem(page, IDC_LAUNCH_LIST);
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            SendMessageA(list, LB_SETCURSEL, i, 0);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_LAUNCH_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            details.push_back(ItemText(page, IDC_LAUNCH_DETAILS));
        }
        // The space bar cannot tick the switched-off (last) line.
        SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
        offLocked = (SendMessageA(list, LB_GETITEMDATA, count - 1, 0) & 2) != 0;
        lines = LaunchLines(page);
        Press(sheet, PSBTN_OK);
    }));
    if (wow)
        RegDeleteValueA(wow.Get(), "QrTestSheetSame");
    DeleteValue(HKEY_LOCAL_MACHINE, approved, "QrTestSheetOff", MachineView());

    std::vector<std::pair<std::string, bool>> expectedLines = {{"QrTestSheetSame", true}};
    std::vector<std::string> expectedDetails = {"C:\\same64.exe"};
    if (windows64) {
        expectedLines.push_back({"QrTestSheetSame (32-bit)", true});
        expectedDetails.push_back(same32);
    }
    expectedLines.push_back({"QrTestSheetOff (switched off in Windows)", false});
    expectedDetails.push_back("C:\\off.exe");
    EXPECT_EQ(expectedLines, lines);
    EXPECT_EQ(expectedDetails, details);
    EXPECT_TRUE(offLocked);
    // Saved by name; the system's switch does not become an ignored name of its own.
    EXPECT_EQ(windows64 ? "QrTestSheetSame\1QrTestSheetSame\1QrTestSheetOff\1" : "QrTestSheetSame\1QrTestSheetOff\1",
              ReadString(HKEY_LOCAL_MACHINE, kProductKey, kSortingOrder));
    EXPECT_EQ("", ReadString(HKEY_LOCAL_MACHINE, kProductKey, kIgnoreForLaunch));
}

class SheetTabsTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        hadBat_ = win::ReadWholeFile(kBat, savedBat_);
        DeleteFileA(kBat);
    }
    void TearDown() override
    {
        DeleteFileA(kBat);
        if (hadBat_)
            win::WriteWholeFile(kBat, savedBat_);
        ProductTest::TearDown();
    }
    static constexpr const char* kBat = "C:\\AUTOEXEC.BAT";
    bool hadBat_ = false;
    std::string savedBat_;
};

TEST_F(SheetTabsTest, CdDriversTabOnlyOnceMscdexWasSeen)
{
    const std::vector<std::string> withoutCd = {"Basic Options", "Launch Order", "Boot Report", "Block Ads", "Cookies",
                                                "Internet", "Temp Files", "FILECHK", "Root Size"};
    std::vector<std::string> withCd = withoutCd;
    withCd.insert(withCd.begin() + 7, "CD Drivers");
    std::vector<std::string> tabs;
    std::string status;
    auto look = [&](HWND sheet) {
        tabs = TabTitles(sheet);
        if (tabs.size() == withCd.size())
            status = ItemText(ShowPage(sheet, "CD Drivers"), IDC_CDDRIVES_STATUS);
        Press(sheet, PSBTN_CANCEL);
    };

    ASSERT_TRUE(RunSheet(look));
    EXPECT_EQ(withoutCd, tabs);

    ASSERT_TRUE(WriteFileText(kBat, "@ECHO OFF\r\nC:\\WINDOWS\\COMMAND\\MSCDEX.EXE /D:MSCD001\r\n"));
    ASSERT_TRUE(RunSheet(look));
    EXPECT_EQ(withCd, tabs);
    EXPECT_EQ("This computer DOES currently load the slower MSCDEX program.  To speed up your computer, try the "
              "following:",
              status);
    EXPECT_EQ(1u, Dword(kSawMSCDEX));

    // Seen once, the page stays after the line is gone.
    DeleteFileA(kBat);
    ASSERT_TRUE(RunSheet(look));
    EXPECT_EQ(withCd, tabs);
    EXPECT_EQ("This computer does NOT currently load the slower MSCDEX program.  You can ignore the following steps.",
              status);
}

// The shipped program, started as the first-run installer and as the applet start it.
class SheetProcessTest : public ProductTest {
protected:
    void TearDown() override
    {
        KillProcess(control_);
        if (!installed_.empty())
            DeleteFileA(installed_.c_str());
        ProductTest::TearDown();
    }
    // Waits for a sheet of another process, cancels it and waits for that process to end.
    void CancelForeignSheet(DWORD& exitCode, bool& ended)
    {
        HWND sheet = WaitForWindow(kCaption, 30000);
        ASSERT_NE(nullptr, sheet) << "no sheet";
        DWORD pid = 0;
        GetWindowThreadProcessId(sheet, &pid);
        ASSERT_NE(GetCurrentProcessId(), pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
        ASSERT_NE(nullptr, process);
        char title[128] = "";
        GetWindowTextA(sheet, title, sizeof(title));
        EXPECT_STREQ(kCaption, title);
        Press(sheet, PSBTN_CANCEL);
        ended = WaitForSingleObject(process, 15000) == WAIT_OBJECT_0;
        GetExitCodeProcess(process, &exitCode);
        KillProcess(process);
    }
    HANDLE control_ = nullptr;
    std::string installed_;
};

TEST_F(SheetProcessTest, ConfigureArgumentAndAppletShowTheSheetAndCancelEndsTheProcess)
{
    HANDLE process = StartProcess(ProductExe(), "-noinstall -configure");
    ASSERT_NE(nullptr, process);
    DWORD exitCode = 1;
    bool ended = false;
    CancelForeignSheet(exitCode, ended);
    EXPECT_TRUE(ended);
    EXPECT_EQ(0u, exitCode);
    KillProcess(process);
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kRandom)) << "the rights probe of a fresh process";

    installed_ = win::SystemDirectory() + "\\Quillrest.exe";
    ASSERT_TRUE(CopyFileA(ProductExe().c_str(), installed_.c_str(), FALSE));
    control_ = StartProcess(win::SystemDirectory() + "\\control.exe", "\"" + ProductApplet() + "\"");
    ASSERT_NE(nullptr, control_);
    exitCode = 1;
    ended = false;
    CancelForeignSheet(exitCode, ended);
    EXPECT_TRUE(ended);
    EXPECT_EQ(0u, exitCode);
}

} // namespace
