#pragma once
// N-position switches: a strip of frameCount frames, one per position, the positions' values
// k / (frameCount - 1). A press picks the position under the pointer and follows it while held:
// the vertical switch divides its height into zones from the top, the horizontal one its
// picture's width from the left.
#include "HeldPicture.h"
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

// What the two switches share; they differ only in the axis.
class Switch : public ValueWidget {
public:
    // Editor thread: the frame of the position the value has reached.
    void draw(DrawPort& port) override;
    // Editor thread: left+Alt restores the default (0 unless changed); any other press
    // follows the pointer until every button is let go.
    void mouse(DrawPort& port, Point where) override;

protected:
    enum class Axis { vertical, horizontal };
    // strip retained; frameCount below 2 has a single position, 0.
    Switch(Axis axis, const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameHeight,
           std::int32_t frameCount, Picture* strip);

    HeldPicture picture;
    std::int32_t frameHeight;
    std::int32_t frameCount;

private:
    float valueAt(Point p) const;

    Axis axis;
};

class VerticalSwitch : public Switch {
public:
    VerticalSwitch(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameHeight,
                   std::int32_t frameCount, Picture* strip);
};

class HorizontalSwitch : public Switch {
public:
    HorizontalSwitch(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameHeight,
                     std::int32_t frameCount, Picture* strip);
};

} // namespace gui
