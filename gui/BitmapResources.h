#pragma once
// The module's bitmaps, made at build time from BMP files beside each plug-in's code and
// found by integer id: bitmap resources of the DLL on Windows, a table embedded in the code
// elsewhere; and the decoder for BMP files.
#include "Surface.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace gui {

struct EmbeddedBitmap {
    std::int32_t id;
    const std::uint8_t* data; // the BMP file's bytes
    std::size_t size;
};

// Defined by the table generated for each module (add_vst_plugin BITMAPS); empty tables exist
// too, so every module that links the toolkit has one.
extern const EmbeddedBitmap embeddedBitmaps[];
extern const std::size_t embeddedBitmapCount;

// Null when no bitmap has this id.
const EmbeddedBitmap* findEmbeddedBitmap(std::int32_t id);

// Editor thread. The module's bitmap with this id as pixels; null when there is none. The
// platform decides where it is kept (platform/embedded or platform/win32).
std::unique_ptr<PixelBuffer> loadModuleBitmap(std::int32_t id);

// Decodes a 24-bit or 8-bit palette BMP, bottom-up or top-down; null for anything else or any
// malformed input.
std::unique_ptr<PixelBuffer> decodeBmp(const std::uint8_t* data, std::size_t size);

} // namespace gui
