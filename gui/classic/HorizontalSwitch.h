#pragma once
// The older generation's N-position switch: one frame of a vertical strip (the base's
// background) per position, chosen by where along the strip's width the mouse is. A drag ends
// when any button or modifier changes.
#include "ValueWidget.h"

namespace gui::classic {

class HorizontalSwitch : public ValueWidget {
public:
    // strip: frameCount frames of frameHeight, stacked from the top; retained. The default
    // value is 0.
    HorizontalSwitch(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameHeight,
                     std::int32_t frameCount, Picture* strip);

    // Editor thread.
    void draw(DrawPort& port) override;
    bool coversRect() const override;
    void mouse(DrawPort& port, Point where) override;

private:
    std::int32_t frameHeight;
    std::int32_t frameCount;
};

} // namespace gui::classic
