// The module's bitmaps on Windows: BITMAP resources of the DLL, found by integer id through
// the module's instance handle.
#include "../../BitmapResources.h"

#include <windows.h>

#include "Module.h"

namespace gui {

std::unique_ptr<PixelBuffer> loadModuleBitmap(std::int32_t id) {
    // As a DIB section the resource keeps its own colours, whatever the screen's depth.
    auto* bitmap = static_cast<HBITMAP>(LoadImageA(static_cast<HINSTANCE>(moduleInstance),
                                                   MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION));
    if (!bitmap) return nullptr;
    std::unique_ptr<PixelBuffer> image;
    BITMAP size{};
    if (GetObjectA(bitmap, sizeof size, &size) && size.bmWidth > 0 && size.bmHeight > 0) {
        image = std::make_unique<PixelBuffer>(size.bmWidth, size.bmHeight);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size.bmWidth;
        info.bmiHeader.biHeight = -size.bmHeight; // top-down, as our surfaces are
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        const int rows = GetDIBits(screen, bitmap, 0, UINT(size.bmHeight), image->row(0), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        if (rows != size.bmHeight) {
            image.reset();
        } else {
            // GetDIBits leaves the fourth byte undefined; our pixels keep it 0.
            for (std::int32_t y = 0; y < image->height(); ++y) {
                Pixel* row = image->row(y);
                for (std::int32_t x = 0; x < image->width(); ++x) row[x] &= 0xFFFFFFu;
            }
            image->clearDamage();
        }
    }
    DeleteObject(bitmap);
    return image;
}

} // namespace gui
