#pragma once
// The older generation's rotary dial: a background with a handle picture (or a drawn line)
// at the value's angle. A drag follows the mouse's angle about the centre without jumping
// across the gap at the bottom; with Alt it is linear, up for more (Shift: finer).
#include "ValueWidget.h"

namespace gui::classic {

class Dial : public ValueWidget {
public:
    // background and handle: retained; either may be null (no handle: a line is drawn).
    Dial(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* background, Picture* handle,
         Point backOffset);

    // Editor thread.
    void draw(DrawPort& port) override;
    bool coversRect() const override;
    void mouse(DrawPort& port, Point where) override;

    // The handle's centre for the current value, local to the widget, to the nearest pixel.
    virtual Point valueToPoint() const;
    // The value for a point local to the widget (its top-left corner at 0, 0).
    virtual float pointToValue(Point where) const;
    virtual void setInset(std::int32_t pixels);
    virtual void setLineColour(Colour colour);
    virtual void setShadowColour(Colour colour);

    std::int32_t getInset() const { return inset; }

private:
    void trackLinear(DrawPort& port, Point where, std::int32_t buttons);
    void trackAngle(DrawPort& port, Point where, std::int32_t buttons);

    HeldPicture handle;
    std::int32_t inset;
    Point backOffset;
    Colour shadowColour = whiteColour;
    Colour lineColour = greyColour;
};

} // namespace gui::classic
