// The system DPI and pixel sizes scaled by it.
//
// The program is system-DPI aware (its manifest says so): Windows draws it at the
// DPI the user had at log-on, and every size the program gives in pixels must be
// meant for 96 DPI and scaled here.  Dialog templates scale through their font.
#pragma once
#include <windows.h>

namespace win {

constexpr int kStandardDpi = 96;

// LOGPIXELSY of the screen, asked once per process (a system-aware process keeps
// one DPI for its whole life); 96 where the screen cannot be asked.
int SystemDpi();
// `pixels` meant for 96 DPI, at `dpi`, rounded to the nearest pixel.
int ScaleToDpi(int pixels, int dpi);
// `pixels` meant for 96 DPI, at the system DPI.
int Scaled(int pixels);

} // namespace win
