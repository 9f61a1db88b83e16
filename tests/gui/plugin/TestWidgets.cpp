#include "TestWidgets.h"

#include "TestPanel.h"
#include "gui/DrawPort.h"
#include "gui/Picture.h"
#include "gui/RootView.h"

#include <cstdio>

using namespace gui;

ToggleWidget::ToggleWidget(const Rect& r, TestPanel* owner, std::int32_t t, Picture* f)
    : Widget(r), panel(owner), tag(t), frames(f) {
    if (frames) frames->retain();
}

ToggleWidget::~ToggleWidget() {
    if (frames) frames->release();
}

void ToggleWidget::draw(DrawPort& port) {
    drawnValue = value;
    if (!frames) return;
    const std::int32_t frame = value > 0.5f ? 1 : 0;
    frames->drawTransparent(port, Rect(rect.left, rect.top, rect.left + frames->width(), rect.top + frames->width()),
                            Point(0, frame * frames->width()));
}

void ToggleWidget::mouse(DrawPort& port, Point) {
    // Acts on the press alone.
    panel->valueChanged(tag, value > 0.5f ? 0.0f : 1.0f);
    draw(port);
}

void ToggleWidget::update(DrawPort& port) {
    if (value != drawnValue) draw(port);
}

FaderWidget::FaderWidget(const Rect& r, TestPanel* owner, std::int32_t t, Picture* h)
    : Widget(r), panel(owner), tag(t), handle(h) {
    if (handle) handle->retain();
}

FaderWidget::~FaderWidget() {
    if (handle) handle->release();
}

float FaderWidget::valueAt(Point where) const {
    const std::int32_t travel = rect.height() - (handle ? handle->height() : 0);
    if (travel <= 0) return 0.0f;
    const double offset = where.v - rect.top - (handle ? handle->height() / 2 : 0);
    double v = 1.0 - offset / travel;
    return static_cast<float>(v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v));
}

void FaderWidget::draw(DrawPort& port) {
    drawnValue = value;
    port.setFillColour(Colour{25, 25, 35, 0});
    port.fillRect(Rect(rect.left - 1, rect.top - 1, rect.right, rect.bottom));
    if (!handle) return;
    const std::int32_t travel = rect.height() - handle->height();
    const auto top = rect.top + static_cast<std::int32_t>((1.0 - value) * travel);
    handle->drawTransparent(port, Rect(rect.left, top, rect.left + handle->width(), top + handle->height()), Point(0, 0));
}

void FaderWidget::mouse(DrawPort& port, Point where) {
    // Follows the pointer until every button is up.
    while (true) {
        const float v = valueAt(where);
        if (v != value) {
            panel->valueChanged(tag, v);
            draw(port);
        }
        if (port.mouseButtons() == 0) break;
        port.mousePosition(where);
        getParent()->idleWhileTracking();
    }
}

void FaderWidget::update(DrawPort& port) {
    if (value != drawnValue) draw(port);
}

ReadoutWidget::ReadoutWidget(const Rect& r, const char* text) : ValueText(r, nullptr, 0), label(text) {}

void ReadoutWidget::draw(DrawPort& port) {
    const float shown = getValue();
    setOldValue(shown);
    char text[64];
    std::snprintf(text, sizeof text, "%s %.2f", label, static_cast<double>(shown));
    port.setFont(fontNormal);
    port.setFillColour(Colour{10, 10, 20, 0});
    port.setTextColour(Colour{230, 230, 160, 0});
    port.fillRect(Rect(rect.left - 1, rect.top - 1, rect.right, rect.bottom));
    port.drawText(text, rect, false, alignLeft);
}

PressPad::PressPad(const Rect& r, ValueListener* owner, std::int32_t t) : ValueWidget(r, owner, t) {}

void PressPad::draw(DrawPort& port) {
    const float shown = getValue();
    const auto level = static_cast<std::uint8_t>(60 + 3 * static_cast<int>(shown * 64.0f));
    port.setFillColour(Colour{level, level, 90, 0});
    port.fillRect(Rect(rect.left - 1, rect.top - 1, rect.right, rect.bottom));
    setOldValue(shown);
}

void PressPad::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled()) return;
    setValue(static_cast<float>(port.mouseButtons()) / 64.0f);
    listener->valueChanged(port, this);
    Point where;
    do {
        port.mousePosition(where);
        idleWhileTracking();
    } while (port.mouseButtons() != 0);
}
