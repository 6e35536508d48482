// Check list box: ticks follow their lines, the box and the space bar toggle, disabled lines stay put.
#include "TestSupport.h"
#include "win/CheckListBox.h"

namespace {

const int kListId = 300;
int g_checkChanges = 0;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == kListId && HIWORD(wParam) == win::CheckListBox::kCheckChanged)
        ++g_checkChanges;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class CheckListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA type = {};
        type.lpfnWndProc = OwnerProc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "QrCheckListOwner";
        RegisterClassA(&type);
        owner_ = CreateWindowExA(0, "QrCheckListOwner", "owner", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner_);
        CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY,
                        0, 0, 280, 180, owner_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                        GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(list_.Attach(owner_, kListId));
        g_checkChanges = 0;
    }
    void TearDown() override
    {
        if (owner_)
            DestroyWindow(owner_);
    }
    void ClickBox(int index)
    {
        RECT line;
        SendMessageA(list_.Handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&line));
        LPARAM at = MAKELPARAM(line.left + 5, (line.top + line.bottom) / 2);
        SendMessageA(list_.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list_.Handle(), WM_LBUTTONUP, 0, at);
    }
    void Space(int index)
    {
        list_.Select(index);
        SendMessageA(list_.Handle(), WM_KEYDOWN, VK_SPACE, 0);
        SendMessageA(list_.Handle(), WM_CHAR, ' ', 0);
    }

    HWND owner_ = nullptr;
    win::CheckListBox list_;
};

TEST_F(CheckListBoxTest, TicksMoveWithLinesAndOnlyEnabledLinesToggle)
{
    EXPECT_EQ(0, list_.Add("alpha", true));
    EXPECT_EQ(1, list_.Add("beta", false));
    EXPECT_EQ(2, list_.Add("gamma", true));
    EXPECT_EQ(0, list_.Insert(0, "zero", false));
    ASSERT_EQ(4, list_.Count());
    EXPECT_EQ("alpha", list_.Text(1));
    EXPECT_TRUE(list_.Checked(1));
    EXPECT_FALSE(list_.Checked(2));
    list_.Delete(0);
    EXPECT_EQ("alpha", list_.Text(0));
    EXPECT_TRUE(list_.Checked(0));

    ClickBox(0);
    EXPECT_FALSE(list_.Checked(0));
    Space(2);
    EXPECT_FALSE(list_.Checked(2));
    EXPECT_EQ(2, g_checkChanges);

    list_.SetEnabled(1, false);
    EXPECT_FALSE(list_.Enabled(1));
    ClickBox(1);
    Space(1);
    EXPECT_FALSE(list_.Checked(1)) << "a disabled line cannot be ticked";
    EXPECT_EQ(2, g_checkChanges);
    EXPECT_EQ(1, list_.Selection());
    list_.SetEnabled(1, true);
    Space(1);
    EXPECT_TRUE(list_.Checked(1));

    // A click on the text selects without toggling.
    RECT line;
    SendMessageA(list_.Handle(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&line));
    LPARAM onText = MAKELPARAM(line.right - 20, (line.top + line.bottom) / 2);
    SendMessageA(list_.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, onText);
    SendMessageA(list_.Handle(), WM_LBUTTONUP, 0, onText);
    EXPECT_EQ(2, list_.Selection());
    EXPECT_FALSE(list_.Checked(2));
    EXPECT_EQ("beta", list_.Text(1));
}

} // namespace
