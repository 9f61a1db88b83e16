#pragma once
// The plug-ins' bitmaps, drawn with the toolkit's own drawing port and fonts so that they can
// be made again at any time (a designer's files may replace them later). Each plug-in gives
// one Artwork: its bitmaps, each with its resource id, file name, size, depth and a function
// that draws it.
#include "BmpWriter.h"
#include "gui/DrawPort.h"

#include <cstdint>
#include <span>

namespace artwork {

struct Bitmap {
    std::int32_t id;   // the resource id the editor loads it by
    const char* name;  // the file is "<id>-<name>.bmp"
    std::int32_t width;
    std::int32_t height;
    BmpDepth depth;
    void (*draw)(gui::DrawPort& port); // onto a black surface of the bitmap's size
};

struct Artwork {
    const char* plugin; // as named on make_artwork's command line
    std::span<const Bitmap> bitmaps;
};

// Drawing the artworks share.
// Fills the box from (left, top) to (right, bottom), both corners included.
void fillBox(gui::DrawPort& port, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
             gui::Colour colour);
// One line of text in box, in a font of the table at a pixel height (0: the table's).
void drawLabel(gui::DrawPort& port, const char* words, gui::FontId font, std::int32_t height, const gui::Rect& box,
               gui::TextAlign align, gui::Colour colour);

// One per plug-in, each defined in its own source file, and the widget tests' pictures.
extern const Artwork ombriskArtwork;
extern const Artwork vorlaneArtwork;
extern const Artwork widgetTestArtwork;

} // namespace artwork
