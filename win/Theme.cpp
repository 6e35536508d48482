// The system's look (visual styles) where it has one.
#include "win/Theme.h"
#include "win/Raii.h"

namespace win {

namespace {
// From uxtheme.h, which declares them only for Windows XP and later builds.
using HTHEME = HANDLE;
const DWORD kEnableTabTexture = 0x6;    // ETDT_ENABLE | ETDT_USETABTEXTURE
const int kPartCheckBox = 3;            // BP_CHECKBOX
const int kUncheckedNormal = 1;         // CBS_UNCHECKEDNORMAL
const int kUncheckedDisabled = 4;       // CBS_UNCHECKEDDISABLED
const int kCheckedNormal = 5;           // CBS_CHECKEDNORMAL
const int kCheckedDisabled = 8;         // CBS_CHECKEDDISABLED

// uxtheme.dll when the process already has it: the common controls load it
// when they draw themed.  Not loading it ourselves keeps a classic process classic.
HMODULE ThemeLibrary()
{
    return GetModuleHandleA("UXTHEME.DLL");
}
} // namespace

void UseTabBackground(HWND page)
{
    using EnableTexture = HRESULT(WINAPI*)(HWND, DWORD);
    if (auto enable = LookUp<EnableTexture>(ThemeLibrary(), "EnableThemeDialogTexture"))
        enable(page, kEnableTabTexture);
}

void DrawCheckBox(HWND window, HDC dc, const RECT& box, bool checked, bool disabled)
{
    using OpenTheme = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using CloseTheme = HRESULT(WINAPI*)(HTHEME);
    using DrawBackground = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    HMODULE library = ThemeLibrary();
    auto open = LookUp<OpenTheme>(library, "OpenThemeData");
    auto close = LookUp<CloseTheme>(library, "CloseThemeData");
    auto draw = LookUp<DrawBackground>(library, "DrawThemeBackground");
    if (open && close && draw) {
        if (HTHEME theme = open(window, L"Button")) {
            const int state = checked ? (disabled ? kCheckedDisabled : kCheckedNormal)
                                      : (disabled ? kUncheckedDisabled : kUncheckedNormal);
            HRESULT drawn = draw(theme, dc, kPartCheckBox, state, &box, nullptr);
            close(theme);
            if (SUCCEEDED(drawn))
                return;
        }
    }
    RECT classic = box;
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (checked)
        state |= DFCS_CHECKED;
    if (disabled)
        state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &classic, DFC_BUTTON, state);
}

} // namespace win
