#include "Fader.h"

#include "WidgetMath.h"

namespace gui {

Fader::Fader(Axis faderAxis, const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t from,
             std::int32_t to, Picture* handlePicture, Picture* backgroundPicture, Point offset,
             std::int32_t faderStyle)
    : ValueWidget(size, owner, ownerTag),
      handle(handlePicture),
      background(backgroundPicture),
      handleWidth(handlePicture ? handlePicture->width() : 0),
      handleHeight(handlePicture ? handlePicture->height() : 0),
      backOffset(offset),
      minPos(from),
      maxPos(to),
      style(faderStyle),
      lastHandlePos(to),
      width(size.width()),
      height(size.height()),
      axis(faderAxis) {
    localMin = minPos - edge();
    localMax = maxPos + handleLength() - edge();
}

Fader::~Fader() = default;

bool Fader::coversRect() const {
    return image.exists() && width == rect.width() && height == rect.height();
}

void Fader::draw(DrawPort& port) {
    const float shown = getValue();
    const std::int32_t zeroBit = axis == Axis::vertical ? styleZeroTop : styleZeroLeft;
    const float frac = (style & zeroBit) ? shown : 1.0f - shown;
    const HandleSpan span =
        faderHandleSpan(frac, minPos, maxPos, along(handleOffset), handleLength(), localMin, localMax);
    FaderImage::Look look;
    look.background = background.get();
    look.backOffset = backOffset;
    if (handle) {
        look.handle = handle.get();
        look.handleAt = axis == Axis::vertical ? Rect(handleOffset.h, span.start, handleOffset.h + handleWidth, span.end)
                                               : Rect(span.start, handleOffset.v, span.end, handleOffset.v + handleHeight);
        look.transparentHandle = transparentHandle;
    }
    image.draw(port, parent, width, height, look, rect);
    lastHandlePos = edge() + span.start;
    setOldValue(shown);
}

void Fader::mouse(DrawPort& port, Point where) {
    if (!getMouseEnabled()) return;
    const std::int32_t buttons = port.mouseButtons();
    if (restoreDefault(port, buttons)) return;
    if (buttons != leftButton && buttons != (leftButton | shiftKey)) return;
    const Rect grip = axis == Axis::vertical
                          ? Rect(rect.left, lastHandlePos, rect.left + handleWidth, lastHandlePos + handleHeight)
                          : Rect(lastHandlePos, rect.top, lastHandlePos + handleWidth, rect.top + handleHeight);
    if (!where.liesIn(grip)) return;
    // The drag is measured from the press and the value then: a click that does not move
    // changes nothing, and the grabbed point stays under the pointer wherever minPos and the
    // handle offset place the travel.
    const float start = getValue();
    const std::int32_t pressedAt = along(where);
    const std::int32_t invertBit = axis == Axis::vertical ? styleMouseInvertV : styleMouseInvertH;
    const bool invert = (style & invertBit) != 0;
    // Fine mode moves around the value before the drag, or where Shift was first pressed.
    float anchor = start;
    std::int32_t lastButtons = buttons;
    track(
        port, where, buttons,
        [&](Point p, std::int32_t held) {
            if (held != lastButtons && (held & shiftKey)) {
                anchor = getValue();
                lastButtons = held;
            }
            return faderValueAt(along(p), pressedAt, start, maxPos - minPos, invert, (held & shiftKey) != 0, anchor);
        },
        [](std::int32_t held) { return held == leftButton || held == (leftButton | shiftKey); });
}

void Fader::setTransparentHandle(bool on) {
    transparentHandle = on;
}

void Fader::setHandleOffset(Point offset) {
    handleOffset = offset;
}

VerticalFader::VerticalFader(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t from,
                             std::int32_t to, Picture* handlePicture, Picture* backgroundPicture, Point offset,
                             std::int32_t faderStyle)
    : Fader(Axis::vertical, size, owner, ownerTag, from, to, handlePicture, backgroundPicture, offset, faderStyle) {}

HorizontalFader::HorizontalFader(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t from,
                                 std::int32_t to, Picture* handlePicture, Picture* backgroundPicture, Point offset,
                                 std::int32_t faderStyle)
    : Fader(Axis::horizontal, size, owner, ownerTag, from, to, handlePicture, backgroundPicture, offset,
            faderStyle) {}

} // namespace gui
