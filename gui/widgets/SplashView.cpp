#include "SplashView.h"

#include "../Picture.h"
#include "../RootView.h"

namespace gui {

SplashView::SplashView(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* splash,
                       const Rect& area, Point splashOffset)
    : ValueWidget(size, owner, ownerTag), splashRect(area), picture(splash), offset(splashOffset) {
    if (picture) picture->retain();
}

SplashView::~SplashView() {
    if (picture) picture->release();
}

void SplashView::draw(DrawPort& port) {
    const float shown = getValue();
    if (shown != 0.0f && picture) picture->draw(port, splashRect, offset);
    setOldValue(shown);
}

void SplashView::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled()) return;
    if (getValue() == 0.0f) {
        // Opens only as the view's modal widget; otherwise the click changes nothing.
        if (!parent || !parent->setModalWidget(this)) return;
        setValue(1.0f);
        open = true;
        savedRect = rect;
        rect = splashRect;
        draw(port);
        if (listener) listener->valueChanged(port, this);
        return;
    }
    setValue(0.0f);
    // A splash the owner showed by its value alone was never opened: its area stays.
    if (open) {
        rect = savedRect;
        open = false;
        if (parent && parent->getModalWidget() == this) parent->setModalWidget(nullptr);
    }
    if (parent) parent->draw(port);
    if (listener) listener->valueChanged(port, this);
}

} // namespace gui
