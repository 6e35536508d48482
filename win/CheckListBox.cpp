// Owner-drawn list box with a check box before each line.
#include "win/CheckListBox.h"
#include "win/Dpi.h"
#include "win/Theme.h"
#include "win/Util.h"
#include <vector>

namespace win {

namespace {
// The window property that leads the subclassed list box back to its object.
const char* kSelfProperty = "QuillrestCheckList";
// Per-line state, kept in the line's item data so it moves with the line.
const DWORD kFlagChecked = 1;
const DWORD kFlagDisabled = 2;

// Sizes in pixels at the system DPI: a check box's usual side is 13 pixels at 96 DPI.
int Margin()
{
    return Scaled(2);
}

int StandardBox()
{
    return Scaled(13);
}

HFONT ListFont(HWND list)
{
    return reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
}
} // namespace

CheckListBox::~CheckListBox()
{
    Detach();
}

bool CheckListBox::Attach(HWND dialog, int id)
{
    Detach();
    HWND list = GetDlgItem(dialog, id);
    if (!list)
        return false;
    list_ = list;
    id_ = id;
    SetPropA(list_, kSelfProperty, reinterpret_cast<HANDLE>(this));
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CheckListBox::SubclassProc)));
    // WM_MEASUREITEM came before the control had its font; measure again now.
    SendMessageA(list_, LB_SETITEMHEIGHT, 0, MAKELPARAM(ItemHeight(), 0));
    return true;
}

void CheckListBox::Detach()
{
    if (!list_)
        return;
    if (IsWindow(list_)) {
        if (original_)
            SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropA(list_, kSelfProperty);
    }
    list_ = nullptr;
    original_ = nullptr;
}

int CheckListBox::Add(const std::string& text, bool checked)
{
    return Insert(-1, text, checked);
}

int CheckListBox::Insert(int index, const std::string& text, bool checked)
{
    if (!list_)
        return -1;
    UINT message = index < 0 ? LB_ADDSTRING : LB_INSERTSTRING;
    LRESULT at = SendMessageA(list_, message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
    if (at < 0)
        return -1;
    int line = static_cast<int>(at);
    SetFlags(line, checked ? kFlagChecked : 0);
    return line;
}

void CheckListBox::Delete(int index)
{
    if (list_)
        SendMessageA(list_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void CheckListBox::Clear()
{
    if (list_)
        SendMessageA(list_, LB_RESETCONTENT, 0, 0);
}

int CheckListBox::Count() const
{
    if (!list_)
        return 0;
    LRESULT count = SendMessageA(list_, LB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

std::string CheckListBox::Text(int index) const
{
    if (!list_)
        return std::string();
    LRESULT length = SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return got > 0 ? std::string(buffer.data(), static_cast<size_t>(got)) : std::string();
}

DWORD CheckListBox::Flags(int index) const
{
    if (!list_)
        return 0;
    LRESULT data = SendMessageA(list_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == LB_ERR ? 0 : static_cast<DWORD>(data);
}

void CheckListBox::SetFlags(int index, DWORD flags)
{
    if (!list_)
        return;
    SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(flags));
    RECT line;
    if (SendMessageA(list_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line)) != LB_ERR)
        InvalidateRect(list_, &line, TRUE);
}

bool CheckListBox::Checked(int index) const
{
    return (Flags(index) & kFlagChecked) != 0;
}

void CheckListBox::SetChecked(int index, bool checked)
{
    DWORD flags = Flags(index);
    SetFlags(index, checked ? (flags | kFlagChecked) : (flags & ~kFlagChecked));
}

void CheckListBox::SetEnabled(int index, bool enabled)
{
    DWORD flags = Flags(index);
    SetFlags(index, enabled ? (flags & ~kFlagDisabled) : (flags | kFlagDisabled));
}

bool CheckListBox::Enabled(int index) const
{
    return index >= 0 && index < Count() && (Flags(index) & kFlagDisabled) == 0;
}

int CheckListBox::Selection() const
{
    if (!list_)
        return -1;
    LRESULT selected = SendMessageA(list_, LB_GETCURSEL, 0, 0);
    return selected < 0 ? -1 : static_cast<int>(selected);
}

void CheckListBox::Select(int index)
{
    if (list_)
        SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int CheckListBox::ItemHeight() const
{
    int height = StandardBox() + Margin();
    if (!list_)
        return height;
    HDC dc = GetDC(list_);
    if (!dc)
        return height;
    HGDIOBJ old = SelectObject(dc, ListFont(list_));
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, &metrics) && metrics.tmHeight + Margin() > height)
        height = metrics.tmHeight + Margin();
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    return height;
}

int CheckListBox::BoxSide(int itemHeight) const
{
    int side = itemHeight - Margin();
    return side > StandardBox() ? StandardBox() : side;
}

bool CheckListBox::OnMeasureItem(MEASUREITEMSTRUCT& measure)
{
    if (measure.CtlType != ODT_LISTBOX || (id_ && static_cast<int>(measure.CtlID) != id_))
        return false;
    UINT height = static_cast<UINT>(ItemHeight());
    if (measure.itemHeight < height)
        measure.itemHeight = height;
    return true;
}

bool CheckListBox::OnDrawItem(const DRAWITEMSTRUCT& draw)
{
    if (draw.CtlType != ODT_LISTBOX || (id_ && static_cast<int>(draw.CtlID) != id_))
        return false;
    HDC dc = draw.hDC;
    RECT whole = draw.rcItem;
    if (draw.itemID == static_cast<UINT>(-1)) {
        if (draw.itemState & ODS_FOCUS)
            DrawFocusRect(dc, &whole);
        return true;
    }
    DWORD flags = static_cast<DWORD>(draw.itemData);
    bool grey = (flags & kFlagDisabled) || (draw.itemState & ODS_DISABLED);
    bool selected = (draw.itemState & ODS_SELECTED) != 0;

    FillRect(dc, &whole, GetSysColorBrush(COLOR_WINDOW));
    int side = BoxSide(whole.bottom - whole.top);
    RECT box;
    box.left = whole.left + Margin();
    box.top = whole.top + (whole.bottom - whole.top - side) / 2;
    box.right = box.left + side;
    box.bottom = box.top + side;
    DrawCheckBox(draw.hwndItem, dc, box, (flags & kFlagChecked) != 0, grey);

    RECT label = whole;
    label.left = box.right + Margin() * 2;
    if (selected)
        FillRect(dc, &label, GetSysColorBrush(COLOR_HIGHLIGHT));
    std::string text;
    LRESULT length = SendMessageA(draw.hwndItem, LB_GETTEXTLEN, draw.itemID, 0);
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(draw.hwndItem, LB_GETTEXT, draw.itemID, reinterpret_cast<LPARAM>(buffer.data()));
        text = buffer.data();
    }
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(
        dc, GetSysColor(grey ? COLOR_GRAYTEXT : (selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT)));
    RECT textArea = label;
    textArea.left += Margin();
    DrawCodePageText(dc, text, textArea, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EXPANDTABS | DT_END_ELLIPSIS);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (draw.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &label);
    return true;
}

void CheckListBox::ToggleByUser(int index)
{
    if (index < 0 || index >= Count() || !Enabled(index))
        return;
    SetChecked(index, !Checked(index));
    HWND owner = GetParent(list_);
    if (owner)
        SendMessageA(owner, WM_COMMAND, MAKEWPARAM(id_, kCheckChanged), reinterpret_cast<LPARAM>(list_));
}

LRESULT CALLBACK CheckListBox::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CheckListBox* self = reinterpret_cast<CheckListBox*>(GetPropA(hwnd, kSelfProperty));
    if (!self || !self->original_)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return self->ListProc(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CheckListBox::ListProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = original_;
    HWND list = list_;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        LRESULT result = CallWindowProcA(original, list, message, wParam, lParam);
        LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0) {
            int index = LOWORD(hit);
            RECT line;
            if (SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&line)) != LB_ERR) {
                int x = static_cast<short>(LOWORD(lParam));
                int boxRight = line.left + Margin() + BoxSide(line.bottom - line.top) + Margin();
                if (x < boxRight)
                    ToggleByUser(index);
            }
        }
        return result;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            LRESULT caret = SendMessageA(list, LB_GETCARETINDEX, 0, 0);
            ToggleByUser(caret < 0 ? Selection() : static_cast<int>(caret));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == ' ')
            return 0;    // the list box would otherwise search for a line starting with a blank
        break;
    case WM_NCDESTROY: {
        LRESULT result = CallWindowProcA(original, list, message, wParam, lParam);
        Detach();
        return result;
    }
    default:
        break;
    }
    return CallWindowProcA(original, list, message, wParam, lParam);
}

} // namespace win
