#pragma once
// BMP files as the plug-ins' bitmap tables take them, written from a surface.
#include "gui/Surface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace artwork {

enum class BmpDepth {
    rgb24,    // 24 bits per pixel
    palette8, // 8 bits per pixel with a palette of the colours used (at most 256)
};

// The file's bytes: bottom-up rows, the palette (if any) sorted by colour, so equal pixels
// always give equal files. False with a reason when the surface does not fit the depth.
bool encodeBmp(const gui::Surface& surface, BmpDepth depth, std::vector<std::uint8_t>& out, std::string& error);

} // namespace artwork
