// Pictures saved by plughost.
#pragma once

#include <string>
#include <vector>

// Writes 8-bit RGB rows as a PNG file, which appears only when complete; false with error.
bool writePngFile(const std::string& path, const std::vector<unsigned char>& rgb, int width, int height,
                  std::string& error);
