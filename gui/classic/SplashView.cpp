#include "SplashView.h"

#include "../DrawPort.h"
#include "../RootView.h"

namespace gui::classic {

SplashView::SplashView(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* picture,
                       const Rect& splash, Point pictureOffset)
    : ValueWidget(size, owner, ownerTag, picture), splashRect(splash), offset(pictureOffset) {}

void SplashView::draw(DrawPort& port) {
    if (getValue() != 0.0f) drawBackground(port, splashRect, offset);
    setDirty(false);
}

void SplashView::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled() || !(port.mouseButtons() & leftButton) || !parent) return;
    // Open is being the modal widget, whatever the value says: a splash that another modal
    // widget kept from opening would otherwise "close" into a rectangle it never saved.
    if (parent->getModalWidget() != this) {
        if (!parent->setModalWidget(this)) return;
        setValue(1.0f);
        savedRect = rect;
        rect = splashRect;
        draw(port);
    } else {
        setValue(0.0f);
        rect = savedRect;
        parent->setModalWidget(nullptr);
        parent->draw(port);
    }
    notify(port);
}

} // namespace gui::classic
