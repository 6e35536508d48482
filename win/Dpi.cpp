// The system DPI and pixel sizes scaled by it.
#include "win/Dpi.h"

namespace win {

int SystemDpi()
{
    // Asked by the first caller; a second thread asking at the same time gets the same answer.
    static int dpi = 0;
    if (dpi == 0) {
        int asked = 0;
        if (HDC screen = GetDC(nullptr)) {
            asked = GetDeviceCaps(screen, LOGPIXELSY);
            ReleaseDC(nullptr, screen);
        }
        dpi = asked > 0 ? asked : kStandardDpi;
    }
    return dpi;
}

int ScaleToDpi(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, kStandardDpi);
}

int Scaled(int pixels)
{
    return ScaleToDpi(pixels, SystemDpi());
}

} // namespace win
