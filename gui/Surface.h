#pragma once
// A rectangle of 32-bit pixels (0x00RRGGBB) that ports draw into: a window's client area or
// an offscreen bitmap. Drawing widens the damaged area so a window presents only what changed.
#include "Geometry.h"

#include <cstdint>
#include <vector>

namespace gui {

using Pixel = std::uint32_t;

constexpr Pixel pixelOf(Colour c) {
    return (Pixel(c.red) << 16) | (Pixel(c.green) << 8) | Pixel(c.blue);
}
constexpr Colour colourOf(Pixel p) {
    return Colour{std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), 0};
}

class Surface {
public:
    Surface() = default;
    Surface(Pixel* pixels, std::int32_t width, std::int32_t height, std::int32_t stride)
        : pixels_(pixels), width_(width), height_(height), stride_(stride) {}
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    virtual ~Surface() = default;

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t stride() const { return stride_; } // in pixels
    Pixel* row(std::int32_t y) { return pixels_ + std::intptr_t(y) * stride_; }
    const Pixel* row(std::int32_t y) const { return pixels_ + std::intptr_t(y) * stride_; }
    Pixel pixel(std::int32_t x, std::int32_t y) const { return row(y)[x]; }
    bool contains(std::int32_t x, std::int32_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }

    // Damaged area as left, top, right, bottom with right and bottom exclusive; empty when
    // right <= left. Every drawing call widens it by what it may have touched (clipped).
    const Rect& damage() const { return damage_; }
    void addDamage(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    void clearDamage() { damage_ = Rect(); }

protected:
    void reset(Pixel* pixels, std::int32_t width, std::int32_t height, std::int32_t stride) {
        pixels_ = pixels;
        width_ = width;
        height_ = height;
        stride_ = stride;
        damage_ = Rect();
    }

private:
    Pixel* pixels_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t stride_ = 0;
    Rect damage_;
};

inline void Surface::addDamage(std::int32_t left, std::int32_t top, std::int32_t right,
                               std::int32_t bottom) {
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > width_) right = width_;
    if (bottom > height_) bottom = height_;
    if (right <= left || bottom <= top) return;
    if (damage_.right <= damage_.left) {
        damage_ = Rect(left, top, right, bottom);
        return;
    }
    if (left < damage_.left) damage_.left = left;
    if (top < damage_.top) damage_.top = top;
    if (right > damage_.right) damage_.right = right;
    if (bottom > damage_.bottom) damage_.bottom = bottom;
}

// A surface that owns its pixels (offscreen bitmaps, headless windows, decoded pictures).
class PixelBuffer : public Surface {
public:
    PixelBuffer() = default;
    PixelBuffer(std::int32_t width, std::int32_t height, Pixel fill = 0) { resize(width, height, fill); }
    void resize(std::int32_t width, std::int32_t height, Pixel fill = 0) {
        if (width < 0) width = 0;
        if (height < 0) height = 0;
        const std::size_t count = std::size_t(width) * std::size_t(height);
        if (fill == 0) {
            // Cleared as memory is cleared: an offscreen made black on every draw stays cheap.
            store_.clear();
            store_.resize(count);
        } else {
            store_.assign(count, fill);
        }
        reset(store_.data(), width, height, width);
    }

private:
    std::vector<Pixel> store_;
};

} // namespace gui
