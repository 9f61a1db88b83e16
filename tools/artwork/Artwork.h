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

// One per plug-in, each defined in its own source file, and the widget tests' pictures.
extern const Artwork ombriskArtwork;
extern const Artwork widgetTestArtwork;

} // namespace artwork
