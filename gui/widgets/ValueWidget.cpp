#include "ValueWidget.h"

#include "../RootView.h"

namespace gui {

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
}

ValueWidget::ValueWidget(const Rect& size, ValueListener* owner, std::int32_t ownerTag)
    : Widget(size), listener(owner), tag(ownerTag) {}

void ValueWidget::update(DrawPort& port) {
    // draw records what it drew; recording the value read here instead would mark a value
    // stored in between as drawn.
    if (value.load(relaxed) != oldValue.load(relaxed)) draw(port);
}

void ValueWidget::idleWhileTracking() {
    if (parent) parent->idleWhileTracking();
}

void ValueWidget::notify(DrawPort& port) {
    if (listener) listener->valueChanged(port, this);
}

void ValueWidget::notifyIfChanged(DrawPort& port) {
    if (getValue() != getOldValue()) notify(port);
}

bool ValueWidget::restoreDefault(DrawPort& port, std::int32_t buttons) {
    if (buttons != (leftButton | altKey)) return false;
    setValue(getDefaultValue());
    notifyIfChanged(port);
    return true;
}

void ValueWidget::setValue(float v) {
    value.store(v, relaxed);
}

float ValueWidget::getValue() const {
    return value.load(relaxed);
}

void ValueWidget::setMin(float v) {
    min.store(v, relaxed);
}

float ValueWidget::getMin() const {
    return min.load(relaxed);
}

void ValueWidget::setMax(float v) {
    max.store(v, relaxed);
}

float ValueWidget::getMax() const {
    return max.load(relaxed);
}

void ValueWidget::setOldValue(float v) {
    oldValue.store(v, relaxed);
}

float ValueWidget::getOldValue() const {
    return oldValue.load(relaxed);
}

void ValueWidget::setDefaultValue(float v) {
    defaultValue.store(v, relaxed);
}

float ValueWidget::getDefaultValue() const {
    return defaultValue.load(relaxed);
}

void ValueWidget::setMouseEnabled(bool on) {
    mouseEnabled.store(on, relaxed);
}

bool ValueWidget::getMouseEnabled() const {
    return mouseEnabled.load(relaxed);
}

} // namespace gui
