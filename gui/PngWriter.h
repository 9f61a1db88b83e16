#pragma once
// Saves a surface as an 8-bit RGB PNG file.
#include "Surface.h"

namespace gui {

bool savePng(const Surface& surface, const char* path);

} // namespace gui
