#pragma once
// Value types shared by every drawing and widget class: rectangles, points, colours, the font
// table and the small enumerations of the drawing port.
#include <cstdint>

namespace gui {

struct Point {
    std::int32_t h = 0;
    std::int32_t v = 0;

    constexpr Point() = default;
    constexpr Point(std::int32_t hh, std::int32_t vv) : h(hh), v(vv) {}

    // Edges included on all four sides.
    constexpr bool liesIn(const struct Rect& r) const;
    constexpr bool operator==(const Point&) const = default;
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
        : left(l), top(t), right(r), bottom(b) {}

    // Two corners in any order; the result is sorted.
    static constexpr Rect fromCorners(std::int32_t x1, std::int32_t y1, std::int32_t x2,
                                      std::int32_t y2) {
        return Rect(x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1);
    }

    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }
    constexpr bool operator==(const Rect&) const = default;
};

constexpr bool Point::liesIn(const Rect& r) const {
    return r.left <= h && h <= r.right && r.top <= v && v <= r.bottom;
}

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t spare = 0;

    // The spare byte is carried along but never compared.
    constexpr bool operator!=(const Colour& o) const {
        return red != o.red || green != o.green || blue != o.blue;
    }
    constexpr bool operator==(const Colour& o) const { return !(*this != o); }
};

inline constexpr Colour transparentColour{255, 255, 255, 0};
inline constexpr Colour blackColour{0, 0, 0, 0};
inline constexpr Colour whiteColour{255, 255, 255, 0};
inline constexpr Colour greyColour{127, 127, 127, 0};
inline constexpr Colour redColour{255, 0, 0, 0};
inline constexpr Colour greenColour{0, 255, 0, 0};
inline constexpr Colour blueColour{0, 0, 255, 0};
inline constexpr Colour yellowColour{255, 255, 0, 0};
inline constexpr Colour magentaColour{255, 0, 255, 0};
inline constexpr Colour aquaColour{0, 255, 255, 0};

using FontId = std::int32_t;
inline constexpr FontId fontBold = 0;
inline constexpr FontId fontLarge = 1;
inline constexpr FontId fontMedium = 2;
inline constexpr FontId fontNormal = 3;
inline constexpr FontId fontSmall = 4;
inline constexpr FontId fontTiny = 5;
inline constexpr FontId fontSymbol = 6;

struct FontRow {
    const char* face;
    std::int32_t height;
    std::int32_t weight;
    std::int32_t pitchAndFamily;
};

inline constexpr FontRow fontTable[7] = {
    {"Arial", 12, 700, 0x22}, {"Arial", 18, 400, 0x22},       {"Arial", 14, 400, 0x22},
    {"Arial", 12, 400, 0x22}, {"Arial", 11, 400, 0x22},       {"Small Fonts", 9, 400, 0x22},
    {"Symbol", 13, 400, 0x50},
};

// Ids outside the table fall back to the first row.
constexpr const FontRow& fontRow(FontId id) {
    return fontTable[(id >= 0 && id <= 6) ? id : 0];
}

enum LineStyle : std::int32_t { solidLine = 0, dottedLine = 1 };
enum TextAlign : std::int32_t { alignLeft = 0, alignCentre = 1, alignRight = 2 };

enum MouseButtons : std::int32_t {
    leftButton = 1,
    middleButton = 2,
    rightButton = 4,
    shiftKey = 8,
    controlKey = 16,
    altKey = 32,
};

} // namespace gui
