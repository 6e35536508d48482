// The system's look (visual styles) where it has one.
//
// uxtheme.dll exists from Windows XP on and is loaded by the version-6 common
// controls the manifest asks for; its functions are looked up at run time, and
// without it (Windows 95 to 2000, or visual styles off) the classic look stays.
#pragma once
#include <windows.h>

namespace win {

// A property page takes the tab's own background (themed dialog texture), so
// its texts and pictures sit on the tab's colour, not on grey boxes.
void UseTabBackground(HWND page);

// Draws a check box into `box`: the themed one where `window` has a theme,
// else the classic flat one.
void DrawCheckBox(HWND window, HDC dc, const RECT& box, bool checked, bool disabled);

} // namespace win
