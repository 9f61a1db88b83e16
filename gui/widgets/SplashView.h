#pragma once
// A small area that opens a picture over the editor on a click; while open it is the view's
// modal widget, and the next click anywhere on the picture closes it. Both tell the listener.
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class Picture;

class SplashView : public ValueWidget {
public:
    // picture (retained) is shown in splashRect from offset while the value is not 0.
    SplashView(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* picture, const Rect& splashRect,
               Point offset);
    ~SplashView() override;

    // Editor thread, both.
    void draw(DrawPort& port) override;
    void mouse(DrawPort& port, Point where) override;

    bool isOpen() const { return open; }

private:
    Rect splashRect;
    Rect savedRect;
    Picture* picture;
    Point offset;
    bool open = false;
};

} // namespace gui
