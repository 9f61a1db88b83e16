#include "VerticalFader.h"

#include "../DrawPort.h"
#include "../Picture.h"
#include "../widgets/WidgetMath.h"

namespace gui::classic {

namespace {

constexpr std::int32_t plainDrag = leftButton;
constexpr std::int32_t fineDrag = leftButton | shiftKey;

bool drags(std::int32_t buttons) {
    return buttons == plainDrag || buttons == fineDrag;
}

} // namespace

VerticalFader::VerticalFader(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t minPosition,
                             std::int32_t maxPosition, Picture* handlePicture, Picture* slot, Point offset,
                             std::int32_t styleBits)
    : ValueWidget(size, owner, ownerTag, slot), backOffset(offset), minPos(minPosition), maxPos(maxPosition),
      style(styleBits), lastHandlePos(maxPosition), width(size.width()), height(size.height()) {
    setHandle(handlePicture);
    localMin = minPos - rect.top;
    localMax = maxPos + handleHeight - rect.top;
}

void VerticalFader::setTransparentHandle(bool on) {
    transparentHandle = on;
}

void VerticalFader::setFreeClick(bool on) {
    freeClick = on;
}

bool VerticalFader::getFreeClick() const {
    return freeClick;
}

void VerticalFader::setHandleOffset(Point offset) {
    handleOffset = offset;
}

void VerticalFader::setHandle(Picture* picture) {
    handle.reset(picture);
    if (handle) {
        handleWidth = handle->width();
        handleHeight = handle->height();
    }
}

Picture* VerticalFader::getHandle() const {
    return handle.get();
}

bool VerticalFader::coversRect() const {
    return image.exists() && width == rect.width() && height == rect.height();
}

void VerticalFader::draw(DrawPort& port) {
    const float shown = getValue();
    const float frac = (style & styleZeroTop) ? shown : 1.0f - shown;
    const HandleSpan span = faderHandleSpan(frac, minPos, maxPos, handleOffset.v, handleHeight, localMin, localMax);
    FaderImage::Look look;
    look.background = background.get();
    look.backOffset = backOffset;
    look.transparentBackground = getTransparency();
    if (handle) {
        look.handle = handle.get();
        look.handleAt = Rect(handleOffset.h, span.start, handleOffset.h + handleWidth, span.end);
        look.transparentHandle = transparentHandle;
    }
    // Slot and handle reach the window in one copy.
    if (!image.draw(port, parent, width, height, look, rect)) return;
    lastHandlePos = rect.top + span.start;
    setDirty(false);
}

void VerticalFader::mouse(DrawPort& port, Point where) {
    // The press's own buttons and point, however long ago it was let go.
    std::int32_t buttons = port.mouseButtons();
    port.mousePosition(where);
    if (!getMouseEnabled() || restoreDefault(port, buttons) || !drags(buttons)) return;
    std::int32_t reference = minPos + handleHeight / 2 - 1; // the handle's centre follows the mouse
    if (!freeClick) {
        const Rect drawnHandle(rect.left, lastHandlePos, rect.left + handleWidth, lastHandlePos + handleHeight);
        if (!where.liesIn(drawnHandle)) return;
        reference = minPos + (where.v - lastHandlePos); // the grab point follows it
    }
    const std::int32_t travel = maxPos - minPos;
    float anchor = getValue();
    std::int32_t lastButtons = buttons;
    // Each pass works with the buttons and pointer of one poll, the first with the press's own.
    for (;;) {
        // Fine moves are made around the value where Shift was pressed.
        if (!(buttons & shiftKey) || buttons != lastButtons) anchor = getValue();
        lastButtons = buttons;
        // The reference is a fixed point of the travel: 0 there, or 1 when inverted.
        const bool invert = (style & styleMouseInvertV) != 0;
        setValue(faderValueAt(where.v, reference, invert ? 1.0f : 0.0f, travel, invert, (buttons & shiftKey) != 0,
                              anchor));
        notifyIfDirty(port);
        idleWhileTracking();
        const std::int32_t held = port.mouseButtons();
        port.mousePosition(where);
        if (!drags(buttons) || !(held & leftButton)) return;
        buttons = held;
    }
}

} // namespace gui::classic
