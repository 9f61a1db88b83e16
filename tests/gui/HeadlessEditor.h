// The test plug-in's editor as the headless backend draws it, and pictures read back from PNG
// files, for the tests that compare what a real window shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// 0xRRGGBB pixels, row by row.
using Image = std::vector<std::uint32_t>;

constexpr int testEditorWidth = 568;
constexpr int testEditorHeight = 290;

// The editor with the toggle, the level and the press pad at these values, drawn in this
// process.
Image headlessEditorPixels(float toggle, float level, float pad = 0.0f);

// The PNG file's pixels and size; empty when it cannot be read.
Image readPngPixels(const std::string& path, int& width, int& height);
