// Pictures of dialogs at the system DPI.
//
// The picture resources are drawn at twice the standard size (for 192 DPI), so
// that a smooth reduction shows them sharp at 96, 120, 144 DPI and anything between.
#pragma once
#include "win/Raii.h"
#include <vector>

namespace win {

constexpr int kPictureDpi = 192;

// Gives every bitmap static of `dialog` its picture at the system DPI.  The new
// bitmaps go into `owned`, which must outlive the controls; a picture that
// cannot be resized keeps its resource image.
void FitPicturesToDpi(HWND dialog, std::vector<UniqueGdi>& owned);

} // namespace win
