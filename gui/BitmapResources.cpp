#include "BitmapResources.h"

#include <cstring>

namespace gui {

namespace {

std::uint32_t u16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
std::uint32_t u32(const std::uint8_t* p) {
    return u16(p) | (u16(p + 2) << 16);
}

// Large enough for any editor bitmap, small enough that a corrupt header cannot exhaust memory.
constexpr std::int64_t maxPixels = std::int64_t(1) << 26;

} // namespace

std::unique_ptr<PixelBuffer> decodeBmp(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return nullptr;
    const std::uint32_t pixelOffset = u32(data + 10);
    const std::uint8_t* info = data + 14;
    const std::uint32_t infoSize = u32(info);
    if (infoSize < 40 || 14 + std::uint64_t(infoSize) > size) return nullptr;
    const auto width = std::int32_t(u32(info + 4));
    const auto rawHeight = std::int32_t(u32(info + 8));
    const std::uint32_t planes = u16(info + 12);
    const std::uint32_t bits = u16(info + 14);
    const std::uint32_t compression = u32(info + 16);
    std::uint32_t coloursUsed = u32(info + 32);
    if (planes != 1 || compression != 0 || (bits != 24 && bits != 8)) return nullptr;
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return nullptr;
    const bool topDown = rawHeight < 0;
    const std::int32_t height = topDown ? -rawHeight : rawHeight;
    if (std::int64_t(width) * height > maxPixels) return nullptr;

    Pixel palette[256] = {};
    if (bits == 8) {
        if (coloursUsed == 0) coloursUsed = 256;
        if (coloursUsed > 256) return nullptr;
        const std::uint64_t paletteAt = 14 + std::uint64_t(infoSize);
        if (paletteAt + 4ull * coloursUsed > size) return nullptr;
        for (std::uint32_t i = 0; i < coloursUsed; ++i) {
            const std::uint8_t* q = data + paletteAt + 4 * i;
            palette[i] = (Pixel(q[2]) << 16) | (Pixel(q[1]) << 8) | Pixel(q[0]);
        }
    }
    const std::uint64_t rowBytes = ((std::uint64_t(width) * bits + 31) / 32) * 4;
    if (pixelOffset > size || rowBytes * std::uint64_t(height) > size - pixelOffset) return nullptr;

    auto image = std::make_unique<PixelBuffer>(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t fileRow = topDown ? y : height - 1 - y;
        const std::uint8_t* src = data + pixelOffset + rowBytes * std::uint64_t(fileRow);
        Pixel* dst = image->row(y);
        if (bits == 24) {
            for (std::int32_t x = 0; x < width; ++x, src += 3) {
                dst[x] = (Pixel(src[2]) << 16) | (Pixel(src[1]) << 8) | Pixel(src[0]);
            }
        } else {
            for (std::int32_t x = 0; x < width; ++x) dst[x] = palette[src[x]];
        }
    }
    image->clearDamage();
    return image;
}

} // namespace gui
