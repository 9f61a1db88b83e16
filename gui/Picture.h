#pragma once
// A reference-counted bitmap from the module's embedded bitmap table, found by integer id.
// Loaded, drawn and released on the editor thread.
#include "Geometry.h"
#include "Surface.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gui {

class DrawPort;

class Picture {
public:
    // Loads the bitmap with this id (low 16 bits) from the module; empty 0 x 0 when missing.
    explicit Picture(std::int32_t resourceId);
    // An empty picture of the given size without a bitmap: draws nothing.
    Picture(std::int32_t width, std::int32_t height);
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    void retain() { ++referenceCount_; }
    void release(); // the last release destroys the picture

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t resourceId() const { return resourceId_; }
    const Surface* bitmap() const { return bitmap_.get(); } // null when there is no bitmap

    void draw(DrawPort& port, const Rect& dest, Point src) const;
    // Leaves out pixels that equal transparentColour exactly.
    void drawTransparent(DrawPort& port, const Rect& dest, Point src);

private:
    ~Picture();

    std::int32_t resourceId_;
    std::unique_ptr<PixelBuffer> bitmap_;
    std::vector<std::uint8_t> mask_; // 1 = key colour; built on the first transparent draw
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t referenceCount_ = 1;
};

} // namespace gui
