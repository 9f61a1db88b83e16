#include "ValueText.h"

#include "../DrawPort.h"
#include "../Picture.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>

namespace gui {

ValueText::ValueText(const Rect& size, Picture* picture, std::int32_t textStyle)
    : ValueText(size, nullptr, 0, picture, textStyle) {}

ValueText::ValueText(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* picture,
                     std::int32_t textStyle)
    : ValueWidget(size, owner, ownerTag), style(textStyle), background(picture) {
    if (background) background->retain();
}

ValueText::~ValueText() {
    if (background) background->release();
}

void ValueText::draw(DrawPort& port) {
    const float shown = getValue();
    const auto bits = std::bit_cast<std::uint32_t>(shown);
    // The text of a value is only worked out again when the value or the function changed.
    if (!formattedValid || bits != formattedBits || valueToString != formattedBy) {
        char text[256];
        text[0] = 0;
        if (valueToString) {
            valueToString(shown, text);
            text[sizeof text - 1] = 0;
        } else {
            std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(shown));
        }
        formatted = text;
        formattedBits = bits;
        formattedBy = valueToString;
        formattedValid = true;
    }
    drawText(port, formatted.c_str(), nullptr, shown);
}

void ValueText::drawText(DrawPort& port, const char* text, Picture* picture, float shown) {
    Picture* box = picture ? picture : background;
    const Look look{rect,        box,        backOffset,  style,        fontId,
                    textColour, backColour, frameColour, shadowColour, alignment};
    if (kept.holdsAny() && look == keptLook && keptText == text) {
        kept.show(port);
        settleLikeDrawing(port, box);
        setOldValue(shown);
        return;
    }
    const bool edges = (style & (style3DIn | style3DOut)) != 0;
    if (box) {
        box->draw(port, rect, backOffset);
    } else {
        port.setFillColour(backColour);
        port.fillRect(rect);
        if (!edges) {
            port.setPenColour(frameColour);
            port.frameRect(rect);
        }
    }
    if (edges) {
        const bool sunken = (style & style3DIn) != 0;
        port.setPenColour(sunken ? backColour : frameColour);
        port.moveTo(Point(rect.left, rect.bottom));
        port.lineTo(Point(rect.left, rect.top));
        port.lineTo(Point(rect.right + 1, rect.top));
        port.setPenColour(sunken ? frameColour : backColour);
        port.moveTo(Point(rect.right, rect.top + 1));
        port.lineTo(Point(rect.right, rect.bottom));
        port.lineTo(Point(rect.left, rect.bottom));
    }
    port.setFont(fontId);
    if (style & styleShadowText) {
        port.setTextColour(shadowColour);
        port.drawText(text, Rect(rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1), false, alignment);
    }
    port.setTextColour(textColour);
    port.drawText(text, rect, false, alignment);
    // Kept only when every pixel drawn followed from the look and the text alone.
    const Rect area = determinedArea(box);
    if (port.drawsInFont(fontId) && area.right > area.left && kept.keep(port, area, box)) {
        keptLook = look;
        keptText = text;
        keptPen = port.penPlace();
    }
    setOldValue(shown);
}

Rect ValueText::determinedArea(Picture* box) const {
    const bool edges = (style & (style3DIn | style3DOut)) != 0;
    if (std::int64_t(rect.right) - rect.left < 1 || std::int64_t(rect.bottom) - rect.top < 1 || rect.right == INT32_MAX ||
        rect.bottom == INT32_MAX) {
        return Rect();
    }
    // Text is clipped to the box, shadow text to the box moved one pixel right and down.
    const Rect outline(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
    if (!box) return outline;
    if (!box->covers(rect, backOffset)) return Rect();
    if (edges) return outline;
    return (style & styleShadowText) ? Rect() : rect;
}

void ValueText::settleLikeDrawing(DrawPort& port, Picture* box) const {
    const bool edges = (style & (style3DIn | style3DOut)) != 0;
    if (!box) {
        port.setFillColour(backColour);
        if (!edges) port.setPenColour(frameColour);
    }
    if (edges) port.setPenColour((style & style3DIn) ? frameColour : backColour);
    if (!box || edges) port.setPenPlace(keptPen);
    port.setFont(fontId);
    port.setTextColour(textColour);
}

void ValueText::forceRedraw() {
    const float v = getValue();
    float forced = v + 0.1f;
    // Far from zero (or infinite) the tenth is lost in rounding; any other value will do.
    if (forced == v) forced = std::nextafter(v, v > 0.0f ? -INFINITY : INFINITY);
    setOldValue(forced);
}

template <class Setting>
void ValueText::changeLook(Setting& setting, Setting wanted) {
    if (wanted != setting) forceRedraw();
    setting = wanted;
}

void ValueText::setFontId(FontId id) {
    changeLook(fontId, id);
}

void ValueText::setTextColour(Colour colour) {
    changeLook(textColour, colour);
}

void ValueText::setBackColour(Colour colour) {
    changeLook(backColour, colour);
}

void ValueText::setFrameColour(Colour colour) {
    changeLook(frameColour, colour);
}

void ValueText::setShadowColour(Colour colour) {
    changeLook(shadowColour, colour);
}

void ValueText::setTextAlign(TextAlign align) {
    changeLook(alignment, align);
}

void ValueText::setBackOffset(Point offset) {
    backOffset = offset;
}

void ValueText::setValueToString(ValueToString function) {
    valueToString = function;
}

} // namespace gui
