#pragma once
// The older generation's splash: a click on the widget shows its picture (the base's
// background) over a larger rectangle, as the view's modal widget, until the next click there.
#include "ValueWidget.h"

namespace gui::classic {

class SplashView : public ValueWidget {
public:
    // picture: retained; shown in splashRect from offset.
    SplashView(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* picture, const Rect& splashRect,
               Point offset);

    // Editor thread.
    void draw(DrawPort& port) override;
    void mouse(DrawPort& port, Point where) override;

private:
    Rect splashRect;
    Rect savedRect;
    Point offset;
};

} // namespace gui::classic
