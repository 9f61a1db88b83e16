#pragma once
// A drawing port over a memory bitmap, for composing a widget's image before one copy.
#include "DrawPort.h"

namespace gui {

class Picture;

class OffscreenPort : public DrawPort {
public:
    // 20 x 20 black, or a copy of the picture at its size.
    explicit OffscreenPort(DrawPort& source, const Picture* picture = nullptr);
    // width x height filled with background, border included.
    OffscreenPort(RootView* view, std::int32_t width, std::int32_t height, Colour background);
    ~OffscreenPort() override;

    void copyTo(DrawPort& port, const Rect& dest, Point src) const;
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    const Surface& bitmap() const { return bitmap_; }

private:
    PixelBuffer bitmap_;
    std::int32_t height_;
    std::int32_t width_;
};

} // namespace gui
