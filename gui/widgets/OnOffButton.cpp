#include "OnOffButton.h"

#include "WidgetMath.h"

namespace gui {

OnOffButton::OnOffButton(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* frames)
    : ValueWidget(size, owner, ownerTag), picture(frames) {}

void OnOffButton::draw(DrawPort& port) {
    const float shown = getValue();
    if (picture) picture->draw(port, rect, Point(0, shown != 0.0f ? picture->height() / 2 : 0));
    setOldValue(shown);
}

void OnOffButton::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled()) return;
    setValue(truncateToInt(getValue()) != 0 ? 0.0f : 1.0f);
    draw(port);
    notify(port);
}

} // namespace gui
