#pragma once
// The older generation's vertical fader: a handle picture over a slot (the base's
// background), composed offscreen. By default a click anywhere in the fader puts the handle's
// centre under the mouse (free click); Shift drags finely.
#include "../widgets/Fader.h"
#include "../widgets/FaderImage.h"
#include "ValueWidget.h"

namespace gui::classic {

class VerticalFader : public ValueWidget {
public:
    // minPos, maxPos: the handle's travel, window coordinates of its top edge. handle and
    // background: retained; without a handle it counts as 1 x 1. style: styleZeroTop,
    // styleMouseInvertV (the newer generation's bits).
    VerticalFader(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t minPos,
                  std::int32_t maxPos, Picture* handle, Picture* background, Point backOffset, std::int32_t style);

    // Editor thread.
    void draw(DrawPort& port) override;
    // Once its offscreen exists, which goes to the window whole.
    bool coversRect() const override;
    void mouse(DrawPort& port, Point where) override;

    virtual void setTransparentHandle(bool on);
    // Off: a drag starts only on the handle as last drawn, and keeps the grab point.
    virtual void setFreeClick(bool on);
    virtual bool getFreeClick() const;
    virtual void setHandleOffset(Point offset);
    virtual void setHandle(Picture* picture);
    virtual Picture* getHandle() const;

    // Window coordinate of the handle's top edge as last drawn.
    std::int32_t getLastHandlePos() const { return lastHandlePos; }

private:
    HeldPicture handle;
    std::int32_t handleWidth = 1;
    std::int32_t handleHeight = 1;
    Point backOffset;
    Point handleOffset;
    std::int32_t minPos;
    std::int32_t maxPos;
    std::int32_t style;
    std::int32_t lastHandlePos;
    bool transparentHandle = true;
    bool freeClick = true;
    std::int32_t localMin;
    std::int32_t localMax;
    std::int32_t width;
    std::int32_t height;
    // Slot and handle composed here before one copy to the window.
    FaderImage image;
};

} // namespace gui::classic
