// Owner-drawn list box with a check box before each line.
//
// The template's list box needs LBS_OWNERDRAWFIXED | LBS_HASSTRINGS (and
// LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP; LBS_SORT where sorted).  The owning
// dialog forwards WM_MEASUREITEM and WM_DRAWITEM for the control's id.  A click
// on the box or the space bar toggles the line's tick and sends the owner
// WM_COMMAND with the notification code kCheckChanged.
#pragma once
#include <windows.h>
#include <string>

namespace win {

class CheckListBox {
public:
    static const int kCheckChanged = 40;

    CheckListBox() = default;
    CheckListBox(const CheckListBox&) = delete;
    CheckListBox& operator=(const CheckListBox&) = delete;
    ~CheckListBox();

    // Takes over list box `id` of `dialog`; call from the dialog's WM_INITDIALOG.
    bool Attach(HWND dialog, int id);
    HWND Handle() const { return list_; }

    // Appends (or, in a sorted box, sorts in) a line; returns its index or -1.
    int Add(const std::string& text, bool checked);
    // Inserts a line at `index` (-1 appends); returns its index or -1.
    int Insert(int index, const std::string& text, bool checked);
    void Delete(int index);
    void Clear();
    int Count() const;
    std::string Text(int index) const;
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    // A disabled line is greyed and the user cannot change its tick.
    void SetEnabled(int index, bool enabled);
    bool Enabled(int index) const;
    // The selected line, or -1.
    int Selection() const;
    void Select(int index);

    bool OnMeasureItem(MEASUREITEMSTRUCT& measure);
    bool OnDrawItem(const DRAWITEMSTRUCT& draw);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ListProc(UINT message, WPARAM wParam, LPARAM lParam);
    void Detach();
    int ItemHeight() const;
    int BoxSide(int itemHeight) const;
    void ToggleByUser(int index);
    DWORD Flags(int index) const;
    void SetFlags(int index, DWORD flags);

    HWND list_ = nullptr;
    int id_ = 0;
    WNDPROC original_ = nullptr;
};

} // namespace win
