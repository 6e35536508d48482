// Thin dialog framework: dialogs, property pages and sheets from numeric templates.
//
// One dialog procedure binds `this` at WM_INITDIALOG (pages: from
// PROPSHEETPAGEA::lParam) and switches to typed virtual handlers.  Every call
// into a handler runs under a catch-all, so no exception unwinds through user32.
#pragma once
#include "win/Raii.h"
#include <commctrl.h>
#include <string>
#include <vector>

namespace win {

// Receives the framework's trace lines (the product points it at its log).
using TraceSink = void (*)(const char* line);
void SetTraceSink(TraceSink sink);
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

HINSTANCE ResourceModule();

class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    HWND Handle() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked) const;
    void ShowItem(int id, bool show) const;
    void EnableItem(int id, bool enable) const;
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Class name used in trace lines ("QuillrestDlg", "PageMainConfig", ...).
    virtual const char* TraceName() const { return "Dialog"; }

protected:
    // Return false from OnInit when the handler set the focus itself.
    virtual bool OnInit() { return true; }
    // Return true when the command was handled.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnNotify(int id, NMHDR* header, LRESULT& result);
    virtual void OnTimer(UINT_PTR id) { (void)id; }
    // Any other message; return true and set `result` to handle it.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual void OnOK() {}
    virtual void OnCancel() {}
    // The window is gone (WM_NCDESTROY); the handle is already cleared.
    virtual void OnDestroyed() {}

    void StartTimer(UINT_PTR id, UINT milliseconds) const { SetTimer(hwnd_, id, milliseconds, nullptr); }
    void StopTimer(UINT_PTR id) const { KillTimer(hwnd_, id); }

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd);

    HWND hwnd_ = nullptr;
    bool initialising_ = false;   // true while OnInit fills the controls

private:
    std::vector<UniqueGdi> pictures_;    // the pictures at the system DPI, while the controls show them
};

class ModalDialog : public Dialog {
public:
    INT_PTR DoModal(int templateId, HWND parent);
    void End(INT_PTR result);

protected:
    void OnOK() override { End(IDOK); }
    void OnCancel() override { End(IDCANCEL); }
};

class ModelessDialog : public Dialog {
public:
    bool Create(int templateId, HWND parent);
    void Destroy();
    bool IsOpen() const { return hwnd_ != nullptr; }

protected:
    void OnOK() override { Destroy(); }
    void OnCancel() override { Destroy(); }
};

// Moves data between controls and members.  `saving` is true from controls
// to members; a validation failure shows its message, focuses the control and
// makes the exchange fail.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool Saving() const { return saving_; }
    bool Ok() const { return ok_; }
    void Check(int id, bool& value);
    void Check(int id, DWORD& value);
    void Text(int id, std::string& value);
    // Unsigned integer edit: "Please enter a positive integer." for text that is
    // not one, "Please enter an integer between %1 and %2." outside the range.
    void UInt(int id, DWORD& value, DWORD minimum, DWORD maximum);
    // Rejects what control `id` holds: shows `message`, focuses the control and
    // makes the exchange fail (only the first failure of an exchange is shown).
    void Fail(int id, const std::string& message);

private:
    Dialog& dialog_;
    bool saving_;
    bool ok_ = true;
};

// Fills "%1" and "%2" in a message template.
std::string FillPlaceholders(const std::string& text, const std::string& first, const std::string& second);
// Parses an unsigned decimal number with optional blanks around it.
bool ParseUnsigned(const std::string& text, DWORD& value);

class PropertyPage : public Dialog {
public:
    explicit PropertyPage(int templateId) : templateId_(templateId) {}
    PROPSHEETPAGEA Describe();
    bool WasOpened() const { return opened_; }

protected:
    // Data exchange of the page's members and controls.
    virtual void DoDataExchange(DataExchange& dx) { (void)dx; }
    // Load the members (from the registry) before the controls are filled.
    virtual void LoadSettings() {}
    // Commit the members (to the registry); only pages that were opened.
    virtual void OnApply() {}
    virtual void OnSetActive() {}
    // Leaving the page: false keeps the user on it.
    virtual bool OnKillActive();

    bool OnInit() override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    void SetResult(LRESULT result) const { SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result); }

    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    int templateId_;
    bool opened_ = false;
};

// Runs a modal property sheet without Help and Apply buttons, opened on page
// number `startPage`.  Returns true when the user pressed OK.
bool RunPropertySheet(HWND owner, const char* caption, const std::vector<PropertyPage*>& pages, size_t startPage = 0);

// Dispatches every waiting message of the calling thread, then sleeps 100 ms:
// long work on a window's thread calls it so the window stays alive.
void PumpMessages();
// PumpMessages until GetTickCount reaches `deadline` (safe across its wrap-around).
void PumpMessagesUntil(DWORD deadline);

} // namespace win
