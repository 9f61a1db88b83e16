#include "Dial.h"

#include "../DrawPort.h"
#include "../Picture.h"
#include "../widgets/WidgetMath.h"

namespace gui::classic {

namespace {

// Mouse pixels for the whole range in the linear drag, and with Shift.
constexpr float linearSpan = 100.0f;
constexpr float fineLinearSpan = 300.0f;

float clampTo(float value, float low, float high) {
    if (value > high) return high;
    if (value < low) return low;
    return value;
}

} // namespace

Dial::Dial(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* backgroundPicture,
           Picture* handlePicture, Point offset)
    : ValueWidget(size, owner, ownerTag, backgroundPicture), handle(handlePicture),
      inset(handlePicture ? truncateToInt(handlePicture->width() * 0.5 + 2.5) : 3), backOffset(offset) {}

Point Dial::valueToPoint() const {
    return dialValueToPoint(getValue(), getMin(), getMax(), rect.width(), inset, true);
}

float Dial::pointToValue(Point where) const {
    return dialPointToValue(where, getMin(), getMax(), rect.width(), inset, LevelPoint::leftUnlessRight);
}

void Dial::setInset(std::int32_t pixels) {
    inset = pixels;
}

void Dial::setLineColour(Colour colour) {
    lineColour = colour;
    setDirty(true);
}

void Dial::setShadowColour(Colour colour) {
    shadowColour = colour;
    setDirty(true);
}

bool Dial::coversRect() const {
    return backgroundCovers(rect, backOffset);
}

void Dial::draw(DrawPort& port) {
    drawBackground(port, rect, backOffset);
    const Point p = valueToPoint();
    if (handle) {
        const std::int32_t left = rect.left + p.h - handle->width() / 2;
        const std::int32_t top = rect.top + p.v - handle->height() / 2;
        handle->drawTransparent(port, Rect(left, top, left + handle->width(), top + handle->height()), Point(0, 0));
    } else {
        const Point tip(rect.left - 1 + p.h, rect.top + p.v);
        const Point centre(rect.left - 1 + rect.width() / 2, rect.top + rect.height() / 2);
        port.setPenColour(lineColour);
        port.moveTo(tip);
        port.lineTo(centre);
        port.setPenColour(shadowColour);
        port.moveTo(Point(tip.h + 1, tip.v - 1));
        port.lineTo(Point(centre.h + 1, centre.v - 1));
    }
    setDirty(false);
}

void Dial::mouse(DrawPort& port, Point where) {
    // The press's own buttons and point, however long ago it was let go.
    const std::int32_t buttons = port.mouseButtons();
    port.mousePosition(where);
    if (!getMouseEnabled() || !(buttons & leftButton) || restoreDefault(port, buttons)) return;
    if (buttons & altKey) trackLinear(port, where, buttons);
    else trackAngle(port, where, buttons);
}

// Each pass works with the buttons and pointer of one poll, the first pass with the press's
// own. The poll that finds the button let go ends the drag without moving the value: for a
// short click handled late, the pointer it reads may be anywhere by then.
void Dial::trackLinear(DrawPort& port, Point where, std::int32_t buttons) {
    const auto stepFor = [this](std::int32_t held) {
        return (getMax() - getMin()) / ((held & shiftKey) ? fineLinearSpan : linearSpan);
    };
    const Point start = where;
    float step = stepFor(buttons);
    float base = getValue();
    std::int32_t previous = buttons;
    for (;;) {
        const float rise = float(start.v - where.v);
        if (buttons != previous) {
            // The value stays where it is when Shift changes the step.
            const float newStep = stepFor(buttons);
            base += (step - newStep) * rise;
            step = newStep;
            previous = buttons;
        }
        setValue(clampTo(rise * step + base, getMin(), getMax()));
        notifyIfDirty(port);
        idleWhileTracking();
        buttons = port.mouseButtons();
        if (!(buttons & leftButton)) return;
        port.mousePosition(where);
    }
}

void Dial::trackAngle(DrawPort& port, Point where, std::int32_t buttons) {
    const Point origin(rect.left, rect.top);
    const auto local = [origin](Point p) { return Point(p.h - origin.h, p.v - origin.v); };
    float last = pointToValue(local(where));
    const float half = (getMax() - getMin()) * 0.5f;
    for (;;) {
        const float v = pointToValue(local(where));
        // A move across the gap at the bottom would jump from one end to the other: the
        // value stays at the end it left until the mouse comes back.
        if (last - v > half) setValue(getMax());
        else if (v - last > half) setValue(getMin());
        else {
            setValue(v);
            last = v;
        }
        notifyIfDirty(port);
        idleWhileTracking();
        buttons = port.mouseButtons();
        if (!(buttons & leftButton)) return;
        port.mousePosition(where);
    }
}

} // namespace gui::classic
