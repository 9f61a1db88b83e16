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

void Picture::drawTransparent(DrawPort& port, const Rect& dest, Point src) {
    if (!bitmap_) return;
    if (mask_.empty()) {
        // Made once and kept: 1 where the pixel is exactly the key colour.
        const Pixel key = pixelOf(transparentColour);
        mask_.resize(std::size_t(width_) * std::size_t(height_));
        for (std::int32_t y = 0; y < height_; ++y) {
            const Pixel* row = bitmap_->row(y);
            for (std::int32_t x = 0; x < width_; ++x) {
                mask_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = (row[x] & 0xFFFFFFu) == key;
            }
        }
    }
    if (!port.surface()) return;
    raster::copyBlock(*port.surface(), dest, *bitmap_, src, mask_.data());
}

} // namespace gui
