#include "ValueWidget.h"

#include "../GuiEditorBase.h"
#include "../RootView.h"

namespace gui::classic {

ValueWidget::ValueWidget(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* picture)
    : gui::ValueWidget(size, owner, ownerTag), background(picture), mouseableArea(size) {
    setOldValue(1.0f);
}

void ValueWidget::update(DrawPort& port) {
    if (!isDirty()) return;
    draw(port);
    setDirty(false);
}

void ValueWidget::idleWhileTracking() {
    if (parent && parent->getEditor()) parent->getEditor()->idleWhileTracking();
}

bool ValueWidget::takesPresses() const {
    return getMouseEnabled();
}

void ValueWidget::drawInView(DrawPort& port) {
    const bool wasDirty = isDirty();
    draw(port);
    setDirty(wasDirty);
}

bool ValueWidget::isDirty() const {
    return dirty || getValue() != getOldValue();
}

void ValueWidget::setDirty(bool on) {
    dirty = on;
    if (!on) {
        setOldValue(getValue());
        return;
    }
    // Anything but the value itself.
    setOldValue(getValue() == -1.0f ? 0.0f : -1.0f);
}

void ValueWidget::setMouseableArea(const Rect& area) {
    mouseableArea = area;
}

Rect ValueWidget::getMouseableArea() const {
    return mouseableArea;
}

void ValueWidget::setTransparency(bool on) {
    transparent = on;
}

bool ValueWidget::getTransparency() const {
    return transparent;
}

void ValueWidget::setBackground(Picture* picture) {
    background.reset(picture);
}

Picture* ValueWidget::getBackground() const {
    return background.get();
}

void ValueWidget::notifyIfDirty(DrawPort& port) {
    if (isDirty()) notify(port);
}

bool ValueWidget::restoreDefault(DrawPort& port, std::int32_t buttons) {
    if (buttons != (leftButton | controlKey)) return false;
    setValue(getDefaultValue());
    notifyIfDirty(port);
    return true;
}

bool ValueWidget::backgroundCovers(const Rect& dest, Point src) const {
    return background && !transparent && background->covers(dest, src);
}

void ValueWidget::drawBackground(DrawPort& port, const Rect& dest, Point src) const {
    if (!background) return;
    if (transparent) background->drawTransparent(port, dest, src);
    else background->draw(port, dest, src);
}

} // namespace gui::classic
