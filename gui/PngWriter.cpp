#include "PngWriter.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace gui {

bool savePng(const Surface& surface, const char* path) {
    if (!path || surface.width() <= 0 || surface.height() <= 0) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(surface.width());
    image.height = png_uint_32(surface.height());
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(std::size_t(surface.width()) * std::size_t(surface.height()) * 3);
    std::size_t i = 0;
    for (std::int32_t y = 0; y < surface.height(); ++y) {
        const Pixel* row = surface.row(y);
        for (std::int32_t x = 0; x < surface.width(); ++x) {
            rgb[i++] = png_byte(row[x] >> 16);
            rgb[i++] = png_byte(row[x] >> 8);
            rgb[i++] = png_byte(row[x]);
        }
    }
    int ok = png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

} // namespace gui
