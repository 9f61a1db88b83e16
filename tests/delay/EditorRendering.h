// Ombrisk's editor drawn by the headless backend: what every other rendering of it (a real X
// server's, a reopened editor's) must equal.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "gui/platform/headless/HeadlessPlatform.h"

using Image = std::vector<std::uint32_t>;

// The editor of a fresh DelayPlugin whose parameters were set to values, opened in a window
// of platform (which must be installed) and idled once.
Image renderEditor(gui::HeadlessPlatform& platform, const std::vector<std::pair<int, float>>& values);
// The pixels of a surface, row by row.
Image pixelsOf(const gui::Surface& surface);
