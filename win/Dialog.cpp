// Thin dialog framework: dialogs, property pages and sheets from numeric templates.
#include "win/Dialog.h"
#include "win/Picture.h"
#include "win/Theme.h"
#include "win/Util.h"
#include <cstdarg>

namespace win {

namespace {
TraceSink g_traceSink = nullptr;

const char* kPositiveInteger = "Please enter a positive integer.";
const char* kIntegerBetween = "Please enter an integer between %1 and %2.";

// Messages whose dialog-procedure result is the value itself, not DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

HWND TopLevel(HWND hwnd)
{
    while (hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        hwnd = GetParent(hwnd);
    return hwnd;
}
} // namespace

void SetTraceSink(TraceSink sink)
{
    g_traceSink = sink;
}

void Trace(const char* format, ...)
{
    if (!g_traceSink)
        return;
    va_list args;
    va_start(args, format);
    std::string line = FormatV(format, args);
    va_end(args);
    g_traceSink(line.c_str());
}

HINSTANCE ResourceModule()
{
    return GetModuleHandleA(nullptr);
}

Dialog::~Dialog() = default;

std::string Dialog::ItemText(int id) const
{
    HWND item = Item(id);
    int length = item ? GetWindowTextLengthA(item) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (length > 0)
        GetWindowTextA(item, &text[0], length + 1);
    text.resize(length > 0 ? lstrlenA(text.c_str()) : 0);
    return text;
}

void Dialog::SetItemText(int id, const std::string& text) const
{
    SetDlgItemTextA(hwnd_, id, text.c_str());
}

bool Dialog::IsChecked(int id) const
{
    return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Dialog::SetChecked(int id, bool checked) const
{
    CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Dialog::ShowItem(int id, bool show) const
{
    ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
}

void Dialog::EnableItem(int id, bool enable) const
{
    EnableWindow(Item(id), enable);
}

LRESULT Dialog::SendItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const
{
    return SendDlgItemMessageA(hwnd_, id, message, wParam, lParam);
}

bool Dialog::OnCommand(int id, int, HWND)
{
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool Dialog::OnNotify(int, NMHDR*, LRESULT&)
{
    return false;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void Dialog::Attach(HWND hwnd)
{
    hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        if (self)
            self->Attach(hwnd);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self)
        return FALSE;
    return self->Dispatch(message, wParam, lParam);
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        switch (message) {
        case WM_INITDIALOG: {
            FitPicturesToDpi(hwnd_, pictures_);
            initialising_ = true;
            bool result = OnInit();
            initialising_ = false;
            return result ? TRUE : FALSE;
        }
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
        case WM_NOTIFY: {
            NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
            LRESULT result = 0;
            if (!OnNotify(static_cast<int>(wParam), header, result))
                return FALSE;
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case WM_NCDESTROY: {
            HWND gone = hwnd_;
            SetWindowLongPtrA(gone, DWLP_USER, 0);
            hwnd_ = nullptr;
            pictures_.clear();    // the controls that showed them are gone
            OnDestroyed();        // may release this object
            return FALSE;
        }
        default: {
            LRESULT result = 0;
            if (!OnMessage(message, wParam, lParam, result))
                return FALSE;
            if (ReturnsValueDirectly(message))
                return static_cast<INT_PTR>(result);
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        }
    } catch (...) {
        initialising_ = false;
        Trace("###### Exception in %s", TraceName());
        return FALSE;
    }
}

INT_PTR ModalDialog::DoModal(int templateId, HWND parent)
{
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
}

void ModalDialog::End(INT_PTR result)
{
    if (hwnd_)
        EndDialog(hwnd_, result);
}

bool ModelessDialog::Create(int templateId, HWND parent)
{
    HWND created = CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                                      reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
    return created != nullptr;
}

void ModelessDialog::Destroy()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

// ---- data exchange ----

std::string FillPlaceholders(const std::string& text, const std::string& first, const std::string& second)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
            out += text[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool ParseUnsigned(const std::string& text, DWORD& value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    size_t digitsStart = i;
    unsigned long long number = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
        if (number > 0xFFFFFFFFULL)
            return false;
        ++i;
    }
    if (i == digitsStart)
        return false;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i != text.size())
        return false;
    value = static_cast<DWORD>(number);
    return true;
}

void DataExchange::Fail(int id, const std::string& message)
{
    if (!ok_)
        return;     // one message per exchange
    ok_ = false;
    HWND owner = TopLevel(dialog_.Handle());
    std::string caption;
    const int length = owner ? GetWindowTextLengthA(owner) : 0;
    if (length > 0) {
        caption.assign(static_cast<size_t>(length) + 1, '\0');
        caption.resize(static_cast<size_t>(GetWindowTextA(owner, &caption[0], length + 1)));
    }
    MessageBoxA(owner, message.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
    HWND item = dialog_.Item(id);
    if (item) {
        SetFocus(item);
        SendMessageA(item, EM_SETSEL, 0, -1);
    }
}

void DataExchange::Check(int id, bool& value)
{
    if (saving_)
        value = dialog_.IsChecked(id);
    else
        dialog_.SetChecked(id, value);
}

void DataExchange::Check(int id, DWORD& value)
{
    if (saving_)
        value = dialog_.IsChecked(id) ? 1 : 0;
    else
        dialog_.SetChecked(id, value != 0);
}

void DataExchange::Text(int id, std::string& value)
{
    if (saving_)
        value = dialog_.ItemText(id);
    else
        dialog_.SetItemText(id, value);
}

void DataExchange::UInt(int id, DWORD& value, DWORD minimum, DWORD maximum)
{
    if (!saving_) {
        dialog_.SetItemText(id, Format("%lu", static_cast<unsigned long>(value)));
        return;
    }
    DWORD parsed = 0;
    if (!ParseUnsigned(dialog_.ItemText(id), parsed)) {
        Fail(id, kPositiveInteger);
        return;
    }
    if (parsed < minimum || parsed > maximum) {
        Fail(id, FillPlaceholders(kIntegerBetween, Format("%lu", static_cast<unsigned long>(minimum)),
                                  Format("%lu", static_cast<unsigned long>(maximum))));
        return;
    }
    value = parsed;
}

// ---- property pages and sheet ----

PROPSHEETPAGEA PropertyPage::Describe()
{
    PROPSHEETPAGEA page;
    ZeroMemory(&page, sizeof(page));
    page.dwSize = PROPSHEETPAGEA_V1_SIZE;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = ResourceModule();
    page.pszTemplate = MAKEINTRESOURCEA(templateId_);
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const PROPSHEETPAGEA* page = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        PropertyPage* self = page ? reinterpret_cast<PropertyPage*>(page->lParam) : nullptr;
        if (!self)
            return FALSE;
        self->Attach(hwnd);
        UseTabBackground(hwnd);
        return self->Dispatch(message, wParam, lParam);
    }
    return DialogProc(hwnd, message, wParam, lParam);
}

bool PropertyPage::OnInit()
{
    opened_ = true;
    LoadSettings();
    DataExchange dx(*this, false);
    DoDataExchange(dx);
    return true;
}

bool PropertyPage::OnKillActive()
{
    DataExchange dx(*this, true);
    DoDataExchange(dx);
    return dx.Ok();
}

bool PropertyPage::OnNotify(int, NMHDR* header, LRESULT& result)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        OnSetActive();
        result = 0;
        return true;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_APPLY:
        OnApply();
        result = PSNRET_NOERROR;
        return true;
    case PSN_RESET:
        result = 0;
        return true;
    default:
        return false;
    }
}

bool RunPropertySheet(HWND owner, const char* caption, const std::vector<PropertyPage*>& pages, size_t startPage)
{
    InitCommonControls();
    // The sheet walks the page array in steps of each page's dwSize, so the
    // version-1 records (what old comctl32 understands) are packed back to back.
    std::vector<BYTE> described(pages.size() * PROPSHEETPAGEA_V1_SIZE);
    for (size_t i = 0; i < pages.size(); ++i) {
        PROPSHEETPAGEA page = pages[i]->Describe();
        CopyMemory(&described[i * PROPSHEETPAGEA_V1_SIZE], &page, PROPSHEETPAGEA_V1_SIZE);
    }
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof(header));
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
    header.hwndParent = owner;
    header.hInstance = ResourceModule();
    header.pszCaption = caption;
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = startPage < pages.size() ? static_cast<UINT>(startPage) : 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(described.data());
    return PropertySheetA(&header) > 0;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!GetMessageA(&msg, nullptr, 0, 0))
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Sleep(100);
}

void PumpMessagesUntil(DWORD deadline)
{
    while (static_cast<LONG>(GetTickCount() - deadline) < 0)
        PumpMessages();
}

} // namespace win
