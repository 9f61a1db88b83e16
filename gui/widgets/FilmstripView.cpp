#include "FilmstripView.h"

#include "../Picture.h"
#include "WidgetMath.h"

namespace gui {

namespace {
// The top of the nearest frame: the view rounds where the dials' strips round down.
std::int32_t nearestFrameTop(float value, std::int32_t frameCount, std::int32_t frameHeight) {
    if (!(value > 0.0f)) return 0;
    const std::int32_t frame = truncateToInt((double(frameCount) - 1.0) * double(value) + 0.5);
    return truncateToInt(double(frame) * double(frameHeight));
}
} // namespace

FilmstripView::FilmstripView(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t frames,
                             std::int32_t height, Picture* strip, Point stripOffset)
    : ValueWidget(size, owner, ownerTag), picture(strip), offset(stripOffset), frameCount(frames),
      frameHeight(height) {
    if (picture) picture->retain();
}

FilmstripView::~FilmstripView() {
    if (picture) picture->release();
}

void FilmstripView::draw(DrawPort& port) {
    float shown = getValue();
    if (shown > 1.0f) {
        // Unless the host stored a new value meanwhile: the next update draws that one.
        float seen = shown;
        value.compare_exchange_strong(seen, 1.0f, std::memory_order_relaxed);
        shown = 1.0f;
    }
    const Point source(offset.h, truncateToInt(double(offset.v) + nearestFrameTop(shown, frameCount, frameHeight)));
    if (picture) picture->draw(port, rect, source);
    setOldValue(shown);
}

} // namespace gui
