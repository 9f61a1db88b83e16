#include "RockerSwitch.h"

namespace gui {

RockerSwitch::RockerSwitch(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t height,
                           Picture* frames, Point source)
    : ValueWidget(size, owner, ownerTag), picture(frames), offset(source), frameHeight(height) {}

void RockerSwitch::draw(DrawPort& port) {
    const float shown = getValue();
    Point source = offset;
    if (shown == 1.0f) source.v += 2 * frameHeight;
    else if (shown == 0.0f) source.v += frameHeight;
    if (picture) picture->draw(port, rect, source);
    setOldValue(shown);
}

void RockerSwitch::mouse(DrawPort& port, Point where) {
    if (!getMouseEnabled()) return;
    const float saved = getValue();
    const std::int32_t mid = rect.left + rect.width() / 2;
    followPress(port, where, [this, saved, mid](Point p) {
        if (p.v < rect.top || p.v > rect.bottom) return saved;
        if (p.h >= rect.left && p.h <= mid) return -1.0f;
        if (p.h >= mid && p.h <= rect.right) return 1.0f;
        return saved;
    });
    setValue(0.0f);
    notify(port);
}

} // namespace gui
