// Pictures of dialogs at the system DPI.
#include "win/Picture.h"
#include "win/Dpi.h"
#include "win/PixelResize.h"

namespace win {

namespace {

// A 32-bit bottom-up DIB description; the row order does not matter to resizing.
BITMAPINFO PixelFormat(int width, int height)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

bool IsBitmapStatic(HWND control)
{
    char className[16] = "";
    GetClassNameA(control, className, sizeof(className));
    return lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

// A copy of `source` resized smoothly to `width` x `height`; NULL on failure.
HBITMAP ResizedBitmap(HBITMAP source, int width, int height)
{
    BITMAP size;
    if (!source || width <= 0 || height <= 0 || !GetObjectA(source, sizeof(size), &size) || size.bmWidth <= 0 ||
        size.bmHeight <= 0)
        return nullptr;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return nullptr;
    HBITMAP resized = nullptr;
    std::vector<uint32_t> pixels(static_cast<size_t>(size.bmWidth) * static_cast<size_t>(size.bmHeight));
    BITMAPINFO from = PixelFormat(size.bmWidth, size.bmHeight);
    if (GetDIBits(screen, source, 0, static_cast<UINT>(size.bmHeight), pixels.data(), &from, DIB_RGB_COLORS) ==
        size.bmHeight) {
        std::vector<uint32_t> scaled = ResizePixels(pixels, size.bmWidth, size.bmHeight, width, height);
        BITMAPINFO to = PixelFormat(width, height);
        // A bitmap of the screen's own format: no alpha channel for the static to interpret.
        if (!scaled.empty())
            resized = CreateDIBitmap(screen, &to.bmiHeader, CBM_INIT, scaled.data(), &to, DIB_RGB_COLORS);
    }
    ReleaseDC(nullptr, screen);
    return resized;
}

} // namespace

void FitPicturesToDpi(HWND dialog, std::vector<UniqueGdi>& owned)
{
    const int dpi = SystemDpi();
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsBitmapStatic(control))
            continue;
        HBITMAP drawn = reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP size;
        if (!drawn || !GetObjectA(drawn, sizeof(size), &size))
            continue;
        UniqueGdi fitted(ResizedBitmap(drawn, MulDiv(size.bmWidth, dpi, kPictureDpi),
                                       MulDiv(size.bmHeight, dpi, kPictureDpi)));
        if (!fitted)
            continue;
        // The control sizes itself to the new picture; the image it loaded is ours to delete now.
        HGDIOBJ old = reinterpret_cast<HGDIOBJ>(
            SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fitted.Get())));
        if (old && old != fitted.Get())
            DeleteObject(old);
        owned.push_back(std::move(fitted));
    }
}

} // namespace win
