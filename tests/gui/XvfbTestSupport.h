#pragma once
// What the tests of editors on a private X server share: the server, started once before a
// test program's first test and stopped after its last, and the pictures plughost saves.
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

// Register once per program: ::testing::AddGlobalTestEnvironment(new XvfbEnvironment).
class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override { server_ = new XvfbServer; }
    void TearDown() override {
        delete server_;
        server_ = nullptr;
    }
    // Null, or not running, when Xvfb could not be started.
    static XvfbServer* server() { return server_; }

private:
    static inline XvfbServer* server_ = nullptr;
};

// A PNG file's pixels as 0x00RRGGBB, row by row; empty when it cannot be read or has another
// size.
inline std::vector<std::uint32_t> readPng(const std::string& path, unsigned width, unsigned height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) || image.width != width ||
        image.height != height)
        return {};
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.push_back(std::uint32_t(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]));
    return out;
}
