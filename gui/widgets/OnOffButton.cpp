#include "OnOffButton.h"

#include "WidgetMath.h"

namespace gui {

OnOffButton::OnOffButton(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* frames)
    : ValueWidget(size, owner, ownerTag), picture(frames) {}

// The frame of a value: the top half of the picture for off, the bottom half for on.
Point OnOffButton::frameOf(float shown) const {
    return Point(0, shown != 0.0f ? picture->height() / 2 : 0);
}

bool OnOffButton::coversRect() const {
    return picture && picture->covers(rect, frameOf(getValue()));
}

void OnOffButton::draw(DrawPort& port) {
    const float shown = getValue();
    if (picture) picture->draw(port, rect, frameOf(shown));
    setOldValue(shown);
}

void OnOffButton::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled()) return;
    setValue(truncateToInt(getValue()) != 0 ? 0.0f : 1.0f);
    draw(port);
    notify(port);
}

} // namespace gui
