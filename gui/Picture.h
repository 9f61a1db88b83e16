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
    // draw, leaving out what lies inside the holes (right and bottom exclusive).
    void drawAround(DrawPort& port, const Rect& dest, Point src, const Rect* holes, std::int32_t holeCount) const;
    // Whether draw to dest from src sets every pixel of dest: the picture has a bitmap that
    // holds the whole source block.
    bool covers(const Rect& dest, Point src) const;
    // Leaves out pixels that equal transparentColour exactly.
    void drawTransparent(DrawPort& port, const Rect& dest, Point src);

private:
    ~Picture();

    std::int32_t resourceId_;
    std::unique_ptr<PixelBuffer> bitmap_;
    // All ones where the pixel is the key colour, pixel for pixel so that copies select whole
    // pixels at a time; built on the first transparent draw.
    std::vector<Pixel> mask_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t referenceCount_ = 1;
};

} // namespace gui
