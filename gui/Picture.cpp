#include "Picture.h"

#include "BitmapResources.h"
#include "DrawPort.h"
#include "Raster.h"

namespace gui {

Picture::Picture(std::int32_t resourceId) : resourceId_(resourceId) {
    bitmap_ = loadModuleBitmap(resourceId & 0xFFFF);
    if (bitmap_) {
        width_ = bitmap_->width();
        height_ = bitmap_->height();
    }
}

Picture::Picture(std::int32_t width, std::int32_t height)
    : resourceId_(0), width_(width), height_(height) {}

Picture::~Picture() = default;

void Picture::release() {
    if (--referenceCount_ == 0) delete this;
}

void Picture::draw(DrawPort& port, const Rect& dest, Point src) const {
    if (!bitmap_ || !port.surface()) return;
    raster::copyBlock(*port.surface(), dest, *bitmap_, src);
}

void Picture::drawAround(DrawPort& port, const Rect& dest, Point src, const Rect* holes,
                         std::int32_t holeCount) const {
    if (!bitmap_ || !port.surface()) return;
    raster::copyBlockAround(*port.surface(), dest, *bitmap_, src, holes, holeCount);
}

bool Picture::covers(const Rect& dest, Point src) const {
    return bitmap_ && src.h >= 0 && src.v >= 0 && dest.width() >= 0 && dest.height() >= 0 &&
           std::int64_t(src.h) + dest.width() <= width_ && std::int64_t(src.v) + dest.height() <= height_;
}

void Picture::drawTransparent(DrawPort& port, const Rect& dest, Point src) {
    if (!bitmap_) return;
    if (mask_.empty()) {
        // Made once and kept: all ones where the pixel is exactly the key colour.
        const Pixel key = pixelOf(transparentColour);
        mask_.resize(std::size_t(width_) * std::size_t(height_));
        for (std::int32_t y = 0; y < height_; ++y) {
            const Pixel* row = bitmap_->row(y);
            for (std::int32_t x = 0; x < width_; ++x) {
                mask_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = (row[x] & 0xFFFFFFu) == key ? ~Pixel(0) : Pixel(0);
            }
        }
    }
    if (!port.surface()) return;
    raster::copyBlock(*port.surface(), dest, *bitmap_, src, mask_.data());
}

} // namespace gui
