#pragma once
// A face of the font table at a pixel height, as the platform's font service renders it
// (platform/FontFace.h); faces are resolved once per module and kept, and so are the rendered
// glyphs.
#include "Geometry.h"
#include "Surface.h"

#include <cstdint>

namespace gui {

struct FaceEntry;

class Font {
public:
    // Null when no face could be found.
    static Font* create(FontId id, std::int32_t height);
    // What text uses on a port that has not chosen a font.
    static Font& fallback();

    std::int32_t height() const { return height_; }
    std::int32_t ascent() const;
    std::int32_t lineHeight() const;
    std::int32_t textWidth(const char* text) const;
    // Draws one line with its top-left cell corner at (x, top), clipped to clip (right and
    // bottom exclusive); with opaque, the character cells are painted with background first.
    void draw(Surface& s, const char* text, std::int32_t x, std::int32_t top, const Rect& clip,
              Pixel colour, bool opaque, Pixel background) const;

private:
    Font(FaceEntry* face, std::int32_t height) : face_(face), height_(height) {}
    FaceEntry* face_;
    std::int32_t height_;
};

} // namespace gui
