#pragma once
// The font service: a face of the font table as this system provides it, rendered glyph by
// glyph into coverage masks. FreeType and fontconfig on Linux (platform/freetype), GDI on
// Windows (platform/win32); caching, layout and blending are the same everywhere (Font.cpp).
#include "../Geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gui {

// One character's image: coverage 0..255, rows top to bottom, placed relative to the pen
// position on the baseline.
struct Glyph {
    bool loaded = false;
    std::int32_t left = 0;    // first column, right of the pen
    std::int32_t top = 0;     // first row, above the baseline
    std::int32_t width = 0;
    std::int32_t rows = 0;
    std::int32_t advance = 0; // pen movement
    std::vector<std::uint8_t> coverage;
};

class FontFace {
public:
    virtual ~FontFace() = default;
    // Rows above and below the baseline at a pixel height.
    virtual void metrics(std::int32_t height, std::int32_t& ascent, std::int32_t& descent) = 0;
    // The character of the 8-bit Western code page at a pixel height; an empty glyph when the
    // face has none.
    virtual Glyph render(std::int32_t height, unsigned char c) = 0;
};

// Editor thread. The system's face for a row of the font table (its face name and weight);
// null when there is none.
std::unique_ptr<FontFace> loadFontFace(const FontRow& row);

} // namespace gui
