#include "VuMeter.h"

#include "../Picture.h"
#include "WidgetMath.h"

#include <algorithm>

namespace gui {

VuMeter::VuMeter(const Rect& size, Picture* on, Picture* off, std::int32_t stepCount, std::int32_t meterStyle)
    : ValueWidget(size, nullptr, 0), onPicture(on), offPicture(off), steps(std::max(stepCount, 1)),
      style(meterStyle),
      onRect(Rect::fromCorners(size.left, size.top, size.right, size.bottom)), offRect(onRect) {
    if (onPicture) onPicture->retain();
    if (offPicture) offPicture->retain();
}

VuMeter::~VuMeter() {
    if (onPicture) onPicture->release();
    if (offPicture) offPicture->release();
}

void VuMeter::draw(DrawPort& port) {
    if (!onPicture) return;
    const float low = getMin();
    const float high = getMax();
    const float stored = getValue();
    float level = stored;
    if (!(level >= low)) level = low; // NaN included
    if (level > high) level = high;
    const float floor = std::max(getOldValue() - decay, low);
    if (level < floor) level = floor;
    // Unless the host stored a new level meanwhile: the next update draws that one.
    float seen = stored;
    value.compare_exchange_strong(seen, level, std::memory_order_relaxed);
    setOldValue(level);

    Point onSource;
    Point offSource;
    if (style & styleHorizontal) {
        const std::int32_t c = truncateToInt(double(steps) * level + 0.5);
        const std::int32_t d = truncateToInt(double(onPicture->width()) * c / steps);
        onRect.right = offRect.left = rect.left + d;
        offSource = Point(d, 0);
    } else {
        const std::int32_t c = truncateToInt((double(high) - level) * steps + 0.5);
        const std::int32_t e = truncateToInt(double(onPicture->height()) * c / steps);
        onRect.top = offRect.bottom = rect.top + e;
        onSource = Point(0, e);
    }
    if (offPicture) offPicture->draw(port, offRect, offSource);
    onPicture->draw(port, onRect, onSource);
}

void VuMeter::setDecay(float d) {
    decay = d;
}

} // namespace gui
