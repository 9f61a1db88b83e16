#include "Switch.h"

#include "WidgetMath.h"

namespace gui {

Switch::Switch(Axis switchAxis, const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t height,
               std::int32_t frames, Picture* strip)
    : ValueWidget(size, owner, ownerTag), picture(strip), frameHeight(height), frameCount(frames), axis(switchAxis) {
    setDefaultValue(0.0f);
}

void Switch::draw(DrawPort& port) {
    const float shown = getValue();
    if (picture) picture->draw(port, rect, Point(0, switchFrameTop(shown, frameCount, frameHeight, false)));
    setOldValue(shown);
}

void Switch::mouse(DrawPort& port, Point where) {
    if (!getMouseEnabled()) return;
    const std::int32_t buttons = port.mouseButtons();
    if (restoreDefault(port, buttons)) return;
    track(port, where, buttons, [this](Point p, std::int32_t) { return valueAt(p); },
          [](std::int32_t held) { return held != 0; });
}

float Switch::valueAt(Point p) const {
    // A point before the first zone gives position 0, one beyond the last the last position.
    if (axis == Axis::vertical) return switchValueAt(p.v - rect.top, frameHeight, frameCount, false);
    return switchValueAt(p.h - rect.left, picture ? picture->width() : 0, frameCount, true);
}

VerticalSwitch::VerticalSwitch(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t height,
                               std::int32_t frames, Picture* strip)
    : Switch(Axis::vertical, size, owner, ownerTag, height, frames, strip) {}

HorizontalSwitch::HorizontalSwitch(const Rect& size, ValueListener* owner, std::int32_t ownerTag,
                                   std::int32_t height, std::int32_t frames, Picture* strip)
    : Switch(Axis::horizontal, size, owner, ownerTag, height, frames, strip) {}

} // namespace gui
