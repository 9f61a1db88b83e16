#include "Dial.h"

#include "WidgetMath.h"

namespace gui {

Dial::Dial(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* backgroundPicture,
           Picture* handlePicture, Point offset)
    : ValueWidget(size, owner, ownerTag),
      inset(handlePicture ? handlePicture->width() / 2 : 5),
      background(backgroundPicture),
      handle(handlePicture),
      backOffset(offset) {}

void Dial::draw(DrawPort& port) {
    const float shown = getValue();
    if (background) background->draw(port, rect, backOffset);
    if (handle) {
        const Point p = dialValueToPoint(shown, getMin(), getMax(), rect.width(), inset, false);
        const std::int32_t left = rect.left - inset + p.h;
        const std::int32_t top = rect.top - inset + p.v;
        handle->drawTransparent(port, Rect(left, top, left + handle->width(), top + handle->height()), Point(0, 0));
    }
    setOldValue(shown);
}

void Dial::mouse(DrawPort& port, Point where) {
    if (!getMouseEnabled()) return;
    const std::int32_t buttons = port.mouseButtons();
    if (restoreDefault(port, buttons)) return;
    // The angle is taken about (left + r, top + r): the point is shifted by the inset.
    const Point origin(rect.left - inset, rect.top - inset);
    track(
        port, where, buttons,
        [this, origin](Point p, std::int32_t) { return pointToValue(Point(p.h - origin.h, p.v - origin.v)); },
        [](std::int32_t held) { return held != 0; });
}

void Dial::valueToPoint(Point& out) const {
    out = dialValueToPoint(getValue(), getMin(), getMax(), rect.width(), inset, false);
}

float Dial::pointToValue(Point where) const {
    return dialPointToValue(where, getMin(), getMax(), rect.width(), inset, LevelPoint::limit);
}

void Dial::setBackground(Picture* picture) {
    background.reset(picture);
}

Picture* Dial::getBackground() const {
    return background.get();
}

FilmstripDial::FilmstripDial(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t frames,
                             std::int32_t height, Picture* strip, Point offset)
    : Dial(size, owner, ownerTag, nullptr, strip, offset), frameCount(frames), frameHeight(height) {
    inset = 0;
}

void FilmstripDial::draw(DrawPort& port) {
    const float shown = getValue();
    if (handle) handle->draw(port, rect, Point(0, filmstripFrameTop(shown, frameCount, frameHeight)));
    setOldValue(shown);
}

} // namespace gui
