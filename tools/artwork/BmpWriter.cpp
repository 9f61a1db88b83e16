#include "BmpWriter.h"

#include <algorithm>

namespace artwork {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

} // namespace

bool encodeBmp(const gui::Surface& surface, BmpDepth depth, std::vector<std::uint8_t>& out, std::string& error) {
    const std::int32_t width = surface.width();
    const std::int32_t height = surface.height();
    if (width <= 0 || height <= 0) {
        error = "the picture is empty";
        return false;
    }
    std::vector<gui::Pixel> palette;
    if (depth == BmpDepth::palette8) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) palette.push_back(surface.pixel(x, y) & 0xFFFFFFu);
            std::sort(palette.begin(), palette.end());
            palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
        }
        if (palette.size() > 256) {
            error = "the picture has " + std::to_string(palette.size()) + " colours; an 8-bit one holds 256";
            return false;
        }
    }
    const std::uint32_t bits = depth == BmpDepth::rgb24 ? 24 : 8;
    const std::uint32_t rowBytes = ((std::uint32_t(width) * bits + 31) / 32) * 4;
    const std::uint32_t pixelOffset = 14 + 40 + 4 * std::uint32_t(palette.size());
    const std::uint32_t imageBytes = rowBytes * std::uint32_t(height);

    out.clear();
    out.reserve(pixelOffset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + imageBytes);
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height)); // positive: bottom-up
    put16(out, 1);
    put16(out, bits);
    put32(out, 0); // no compression
    put32(out, imageBytes);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, std::uint32_t(palette.size()));
    put32(out, 0);
    for (gui::Pixel p : palette) put32(out, p); // blue, green, red, 0 in the file
    for (std::int32_t y = height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (std::int32_t x = 0; x < width; ++x) {
            const gui::Pixel p = surface.pixel(x, y) & 0xFFFFFFu;
            if (depth == BmpDepth::rgb24) {
                out.push_back(std::uint8_t(p));
                out.push_back(std::uint8_t(p >> 8));
                out.push_back(std::uint8_t(p >> 16));
            } else {
                out.push_back(std::uint8_t(std::lower_bound(palette.begin(), palette.end(), p) - palette.begin()));
            }
        }
        out.resize(rowStart + rowBytes, 0);
    }
    return true;
}

} // namespace artwork
