#pragma once
// Helpers for pixel tests: sets of coordinates by colour and a readable dump on failure.
#include "gui/Surface.h"

#include <set>
#include <string>
#include <utility>

namespace gui::test {

using Pixels = std::set<std::pair<int, int>>;

inline Pixels pixelsOf(const Surface& s, Colour c) {
    Pixels out;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) == pixelOf(c)) out.insert({x, y});
    return out;
}

inline Pixels pixelsNot(const Surface& s, Colour c) {
    Pixels out;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) != pixelOf(c)) out.insert({x, y});
    return out;
}

inline Pixels box(int left, int top, int right, int bottom) { // inclusive
    Pixels out;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) out.insert({x, y});
    return out;
}

// The pixels of bitmaps/frames.bmp (30 x 60): each tells where it comes from, except every
// fifth diagonal, which is white, and one pixel just off white.
inline Pixel framesPixel(int x, int y) {
    if ((x + y) % 5 == 0) return pixelOf(whiteColour);
    if (x == 1 && y == 2) return pixelOf(Colour{255, 255, 254, 0});
    return pixelOf(Colour{std::uint8_t(x * 8), std::uint8_t(y * 4), 7, 0});
}

// '#' where the pixel differs from the background, '.' elsewhere, for a corner of the surface.
inline std::string dump(const Surface& s, Colour background, int width = 40, int height = 30) {
    std::string out = "\n";
    for (int y = 0; y < height && y < s.height(); ++y) {
        for (int x = 0; x < width && x < s.width(); ++x)
            out += s.pixel(x, y) == pixelOf(background) ? '.' : '#';
        out += '\n';
    }
    return out;
}

} // namespace gui::test
