#pragma once
// The pictures plughost editor saves, read back for comparison.
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

// A PNG file's pixels as 0x00RRGGBB, row by row, and its size; empty when it cannot be read.
inline std::vector<std::uint32_t> readPngPixels(const std::string& path, int& width, int& height)
{
    width = height = 0;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return {};
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.push_back(std::uint32_t(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]));
    width = int(image.width);
    height = int(image.height);
    return out;
}

// The same, empty unless the picture is width x height.
inline std::vector<std::uint32_t> readPng(const std::string& path, int width, int height)
{
    int w = 0;
    int h = 0;
    std::vector<std::uint32_t> pixels = readPngPixels(path, w, h);
    if (w != width || h != height)
        return {};
    return pixels;
}
