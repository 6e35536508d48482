// Dialog framework: a two-page property sheet driven by control ids from another thread.
#include "TestSupport.h"
#include "win/DemoIds.h"
#include "win/Dialog.h"
#include <atomic>

using namespace qrtest;

namespace {

const char* kCaption = "Framework Sheet";

class NumberPage : public win::PropertyPage {
public:
    NumberPage() : PropertyPage(IDD_DEMO_PAGE1) {}
    bool flag = true;
    DWORD number = 5;
    int applied = 0;

protected:
    void DoDataExchange(win::DataExchange& dx) override
    {
        dx.Check(IDC_DEMO_CHECK, flag);
        dx.UInt(IDC_DEMO_NUMBER, number, 1, 999);
    }
    void OnApply() override { ++applied; }
};

class TextPage : public win::PropertyPage {
public:
    TextPage() : PropertyPage(IDD_DEMO_PAGE2) {}
    std::string text = "start";
    int applied = 0;
    std::string appliedText;

protected:
    void DoDataExchange(win::DataExchange& dx) override { dx.Text(IDC_DEMO_TEXT, text); }
    void OnApply() override
    {
        ++applied;
        appliedText = text;
    }
};

HWND FindSheet()
{
    HWND sheet = FindWindowA(nullptr, kCaption);
    return sheet && IsWindowVisible(sheet) ? sheet : nullptr;
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

std::string Text(HWND control)
{
    char buffer[256] = "";
    SendMessageA(control, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// Runs the sheet on this thread while `drive` works it from a second thread.
struct SheetRun {
    std::function<void(HWND)> drive;
    static DWORD WINAPI Thread(LPVOID self)
    {
        SheetRun* run = static_cast<SheetRun*>(self);
        HWND sheet = nullptr;
        for (int i = 0; i < 500 && !(sheet = FindSheet()); ++i)
            Sleep(20);
        if (sheet)
            run->drive(sheet);
        return 0;
    }
    bool Run(std::vector<win::PropertyPage*> pages)
    {
        DWORD id = 0;
        HANDLE thread = CreateThread(nullptr, 0, &SheetRun::Thread, this, 0, &id);
        bool ok = win::RunPropertySheet(nullptr, kCaption, pages);
        WaitForSingleObject(thread, 30000);
        CloseHandle(thread);
        return ok;
    }
};

} // namespace

TEST(FrameworkSheet, ValidatesNumbersAndCommitsOnlyOpenedPagesOnOk)
{
    NumberPage numbers;
    TextPage text;
    std::atomic<bool> sawMembers{false};
    std::string positiveText, rangeText;
    SheetRun run;
    run.drive = [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        HWND edit = GetDlgItem(page, IDC_DEMO_NUMBER);
        sawMembers = Text(edit) == "5" && SendMessageA(GetDlgItem(page, IDC_DEMO_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageA(GetDlgItem(page, IDC_DEMO_CHECK), BM_CLICK, 0, 0);
        {
            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
            DialogAnswerer box(kCaption, IDOK, kPatienceMs, true);
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
            positiveText = box.Text();
        }
        {
            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1000"));
            DialogAnswerer box(kCaption, IDOK, kPatienceMs, true);
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
            rangeText = box.Text();
        }
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(" 42 "));
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    EXPECT_TRUE(run.Run({&numbers, &text}));
    EXPECT_TRUE(sawMembers) << "controls filled from the members";
    EXPECT_EQ("Please enter a positive integer.", positiveText);
    EXPECT_EQ("Please enter an integer between 1 and 999.", rangeText);
    EXPECT_EQ(1, numbers.applied);
    EXPECT_EQ(42u, numbers.number);
    EXPECT_FALSE(numbers.flag);
    EXPECT_FALSE(text.WasOpened());
    EXPECT_EQ(0, text.applied) << "a page never opened is not committed";
}

TEST(FrameworkSheet, SecondPageVisitedIsCommittedAndCancelDiscards)
{
    NumberPage numbers;
    TextPage text;
    SheetRun ok;
    ok.drive = [&](HWND sheet) {
        SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
        SendMessageA(GetDlgItem(CurrentPage(sheet), IDC_DEMO_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    EXPECT_TRUE(ok.Run({&numbers, &text}));
    EXPECT_TRUE(text.WasOpened());
    EXPECT_EQ(1, text.applied);
    EXPECT_EQ("typed", text.appliedText);
    EXPECT_EQ(1, numbers.applied);

    NumberPage numbers2;
    TextPage text2;
    SheetRun cancel;
    cancel.drive = [&](HWND sheet) {
        SendMessageA(GetDlgItem(CurrentPage(sheet), IDC_DEMO_NUMBER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7"));
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    EXPECT_FALSE(cancel.Run({&numbers2, &text2}));
    EXPECT_EQ(0, numbers2.applied);
    EXPECT_EQ(5u, numbers2.number);
}

TEST(FrameworkSheet, HasNoHelpOrApplyButton)
{
    NumberPage numbers;
    bool help = true, apply = true;
    SheetRun run;
    run.drive = [&](HWND sheet) {
        HWND helpButton = GetDlgItem(sheet, IDHELP);
        HWND applyButton = GetDlgItem(sheet, 0x3021);    // ID_APPLY_NOW
        help = helpButton && IsWindowVisible(helpButton);
        apply = applyButton && IsWindowVisible(applyButton);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    run.Run({&numbers});
    EXPECT_FALSE(help);
    EXPECT_FALSE(apply);
}

TEST(DataExchangeText, PlaceholdersAndNumbers)
{
    EXPECT_EQ("between 1 and 999.", win::FillPlaceholders("between %1 and %2.", "1", "999"));
    DWORD value = 0;
    EXPECT_TRUE(win::ParseUnsigned(" 17 ", value));
    EXPECT_EQ(17u, value);
    EXPECT_TRUE(win::ParseUnsigned("4294967295", value));
    EXPECT_FALSE(win::ParseUnsigned("4294967296", value));
    EXPECT_FALSE(win::ParseUnsigned("-1", value));
    EXPECT_FALSE(win::ParseUnsigned("", value));
    EXPECT_FALSE(win::ParseUnsigned("1 2", value));
}
