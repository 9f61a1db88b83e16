#include "ToggleButton.h"

namespace gui {

ToggleButton::ToggleButton(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t height,
                           Picture* frames)
    : ValueWidget(size, owner, ownerTag), picture(frames), frameHeight(height) {}

void ToggleButton::drawFrame(DrawPort& port, Point source) {
    float read = getValue();
    const float shown = read > 1.0f ? 1.0f : read < 0.0f ? 0.0f : read;
    // Stored only over the value read: one the host set meanwhile is kept and drawn next.
    if (shown > read || shown < read) value.compare_exchange_strong(read, shown, std::memory_order_relaxed);
    if (shown != 0.0f) source.v += frameHeight;
    if (picture) picture->draw(port, rect, source);
    setOldValue(shown);
}

void ToggleButton::draw(DrawPort& port) {
    drawFrame(port, Point(0, 0));
}

void ToggleButton::mouse(DrawPort& port, Point where) {
    if (!getMouseEnabled()) return;
    const float saved = getValue();
    const float flipped = saved == 0.0f ? 1.0f : 0.0f;
    followPress(port, where, [this, saved, flipped](Point p) { return p.liesIn(rect) ? flipped : saved; });
}

PushButton::PushButton(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t height,
                       Picture* frames, Point source)
    : ToggleButton(size, owner, ownerTag, height, frames), offset(source) {}

void PushButton::draw(DrawPort& port) {
    drawFrame(port, offset);
}

void PushButton::mouse(DrawPort& port, Point where) {
    if (!getMouseEnabled()) return;
    ToggleButton::mouse(port, where);
    setValue(0.0f);
    notify(port);
}

} // namespace gui
