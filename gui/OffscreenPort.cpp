#include "OffscreenPort.h"

#include "Picture.h"
#include "Raster.h"

namespace gui {

OffscreenPort::OffscreenPort(DrawPort& source, const Picture* picture)
    : DrawPort(source.owner(), nullptr, nullptr),
      height_(picture ? picture->height() : 20),
      width_(picture ? picture->width() : 20) {
    bitmap_.resize(width_, height_);
    setSurface(&bitmap_);
    if (picture) {
        picture->draw(*this, Rect(0, 0, width_, height_), Point(0, 0));
    } else {
        setFillColour(blackColour);
        fillRect(Rect(0, 0, width_, height_));
    }
}

OffscreenPort::OffscreenPort(RootView* view, std::int32_t width, std::int32_t height,
                             Colour background)
    : DrawPort(view, nullptr, nullptr), height_(height), width_(width) {
    // Made in the background colour at once: what filling and framing the whole bitmap in it
    // would give, for a widget that makes one on every draw.
    bitmap_.resize(width_, height_, pixelOf(background));
    setSurface(&bitmap_);
    setFillColour(background);
    setPenColour(background);
}

OffscreenPort::~OffscreenPort() = default;

void OffscreenPort::copyTo(DrawPort& port, const Rect& dest, Point src) const {
    if (!port.surface()) return;
    raster::copyBlock(*port.surface(), dest, bitmap_, src);
}

} // namespace gui
