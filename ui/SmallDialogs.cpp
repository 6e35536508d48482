// Small dialogs other parts show: welcome, message with remembered answer, trouble, status popup.
#include "ui/SmallDialogs.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "res/resource.h"
#include "ui/SettingsPage.h"

namespace {

const UINT_PTR kStatusTimer = 1;
const int kStatusSteps = 10;
constexpr DWORD kPopupFirstMs = 1000;
constexpr DWORD kPopupShownMs = 8000;

class MessageDlg : public win::ModalDialog {
public:
    MessageDlg(const std::string& message, const std::string& title, int mode, const std::string& settingName)
        : message_(message), title_(title), mode_(mode), settingName_(settingName)
    {
    }
    const char* TraceName() const override { return "MessageDlg"; }
    int FirstResult() const { return mode_ == MB_YESNO ? IDYES : IDOK; }

protected:
    bool OnInit() override
    {
        if (settingName_.empty())
            ShowItem(IDC_MESSAGE_DONT_SHOW, false);
        if (mode_ == MB_OK) {
            SetItemText(IDOK, "&OK");
            ShowItem(IDCANCEL, false);
        } else if (mode_ == MB_OKCANCEL) {
            SetItemText(IDOK, "&OK");
            SetItemText(IDCANCEL, "&Cancel");
        } else if (mode_ == MB_YESNO) {
            SetItemText(IDOK, "&Yes");
            SetItemText(IDCANCEL, "&No");
        }
        SetWindowTextA(hwnd_, title_.c_str());
        SetItemText(IDC_MESSAGE_TEXT, message_);
        SetChecked(IDC_MESSAGE_DONT_SHOW, false);
        SetForegroundWindow(hwnd_);
        return true;
    }
    void OnOK() override { Finish(FirstResult()); }
    void OnCancel() override
    {
        // With only an OK button, Esc and the close box can mean nothing else.
        if (mode_ == MB_OK)
            Finish(IDOK);
        else
            Finish(mode_ == MB_YESNO ? IDNO : IDCANCEL);
    }

private:
    void Finish(int result)
    {
        if (!settingName_.empty())
            SetProductDword(settingName_.c_str(), IsChecked(IDC_MESSAGE_DONT_SHOW) ? 0 : 1);
        End(result);
    }

    std::string message_;
    std::string title_;
    int mode_;
    std::string settingName_;
};

} // namespace

bool WelcomeDlg::Create(HWND owner)
{
    return ModelessDialog::Create(IDD_WELCOME, owner);
}

bool WelcomeDlg::OnInit()
{
    SetForegroundWindow(hwnd_);
    return true;
}

void WelcomeDlg::OnOK()
{
    SetProductDword(kWelcomeDismissed, 1);
    Destroy();
}

int ShowMessageDialog(HWND owner, const std::string& message, const std::string& title, int mode,
                      const std::string& settingName)
{
    MessageDlg dialog(message, title, mode, settingName);
    if (!settingName.empty()) {
        DWORD remembered = 1;
        if (ReadSettingDword(HKEY_LOCAL_MACHINE, kProductKey, settingName.c_str(), remembered) && remembered == 0)
            return dialog.FirstResult();
    }
    HWND parent = owner && IsWindow(owner) ? owner : nullptr;
    return static_cast<int>(dialog.DoModal(IDD_MESSAGE, parent));
}

INT_PTR TroubleDlg::Run(HWND owner)
{
    return DoModal(IDD_TROUBLE, owner);
}

bool TroubleDlg::OnInit()
{
    SetChecked(IDC_TROUBLE_CREATE_LOGS, ProductDword(kLog, 0) != 0);
    ShowManagedControls(*this, {{IDC_TROUBLE_CREATE_LOGS, kLog}});
    return true;
}

bool TroubleDlg::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_TROUBLE_CREATE_LOGS && code == BN_CLICKED) {
        bool on = IsChecked(IDC_TROUBLE_CREATE_LOGS);
        SetLogSwitch(on);
        SetProductDword(kLog, on ? 1 : 0);
        SetProductDword(kLogBootCount, 5);
        return true;
    }
    return ModalDialog::OnCommand(id, code, control);
}

POINT StatusPopupPosition(const RECT& workArea, int width, int height)
{
    POINT at;
    at.x = (workArea.right - workArea.left) / 2 - width / 2;
    at.y = workArea.bottom - height - 1;
    return at;
}

CheckingForUpdatesDlg::CheckingForUpdatesDlg(HWND owner, const std::string& firstLine, const std::string& secondLine,
                                             const std::string& dontShowValue)
    : owner_(owner), firstLine_(firstLine), secondLine_(secondLine), dontShowValue_(dontShowValue)
{
}

HWND CheckingForUpdatesDlg::Create()
{
    background_.Reset(CreateSolidBrush(kStatusBackground));
    if (!ModelessDialog::Create(IDD_STATUS, owner_)) {
        delete this;
        return nullptr;
    }
    return hwnd_;
}

bool CheckingForUpdatesDlg::OnInit()
{
    WriteLog("Displaying status dialog: %s...", firstLine_.c_str());
    SetItemText(IDC_STATUS_LINE1, firstLine_);
    SetItemText(IDC_STATUS_LINE2, secondLine_);
    SendItem(IDC_STATUS_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kStatusSteps));
    SendItem(IDC_STATUS_PROGRESS, PBM_SETPOS, 0);
    SendItem(IDC_STATUS_PROGRESS, PBM_SETSTEP, 1);
    StartTimer(kStatusTimer, 1000);
    RECT workArea = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT client = {0, 0, 0, 0};
    GetClientRect(hwnd_, &client);
    POINT at = StatusPopupPosition(workArea, client.right, client.bottom);
    SetWindowPos(hwnd_, nullptr, at.x, at.y, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(Item(IDC_STATUS_ENTER_EATER));
    return false;
}

bool CheckingForUpdatesDlg::OnCommand(int id, int code, HWND)
{
    if (id == IDC_STATUS_DONT_SHOW && code == BN_CLICKED) {
        SetProductDword(dontShowValue_.c_str(), 1);
        Destroy();
    }
    // Enter and Esc do nothing: the popup goes when its work is done.
    return true;
}

void CheckingForUpdatesDlg::OnTimer(UINT_PTR id)
{
    if (id != kStatusTimer)
        return;
    LRESULT position = SendItem(IDC_STATUS_PROGRESS, PBM_GETPOS);
    SendItem(IDC_STATUS_PROGRESS, PBM_SETPOS, position >= kStatusSteps ? 0 : position + 1);
}

bool StatusColours(UINT message, WPARAM wParam, HBRUSH background, LRESULT& result)
{
    switch (message) {
    case WM_CTLCOLORDLG:
        result = reinterpret_cast<LRESULT>(background);
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
        return true;
    default:
        return false;
    }
}

bool CheckingForUpdatesDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (StatusColours(message, wParam, static_cast<HBRUSH>(background_.Get()), result))
        return true;
    switch (message) {
    case WM_DESTROY:
        StopTimer(kStatusTimer);
        WriteLog("Destroying status dialog: %s...", firstLine_.c_str());
        return false;
    default:
        return false;
    }
}

void CheckingForUpdatesDlg::OnDestroyed()
{
    delete this;
}

StatusPopup::StatusPopup(bool show, DWORD startTick, const char* firstLine, const char* secondLine,
                         const char* dontShowValue)
    : startTick_(startTick)
{
    if (!show)
        return;
    popup_ = (new CheckingForUpdatesDlg(GetDesktopWindow(), firstLine, secondLine, dontShowValue))->Create();
    win::PumpMessagesUntil(startTick_ + kPopupFirstMs);
}

StatusPopup::~StatusPopup()
{
    // The user may have closed it already through its "Don't show" box.
    if (popup_ && IsWindow(popup_))
        DestroyWindow(popup_);
}

void StatusPopup::Finish() const
{
    if (popup_)
        win::PumpMessagesUntil(startTick_ + kPopupShownMs);
}
