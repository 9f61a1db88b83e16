#pragma once
// A three-state momentary switch: -1 while held on its left half, 1 on its right half, and
// back to 0 when let go.
#include "HeldPicture.h"
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class RockerSwitch : public ValueWidget {
public:
    // picture (retained) from source offset: frame 0 (value -1, and any value but 0 and 1),
    // frame 1 (value 0), frame 2 (value 1), each frameHeight high.
    RockerSwitch(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameHeight,
                 Picture* picture, Point offset);

    // Editor thread.
    void draw(DrawPort& port) override;
    // Editor thread: follows the held pointer over the halves (the middle column belongs to
    // the left), then always 0 and told so.
    void mouse(DrawPort& port, Point where) override;

protected:
    HeldPicture picture;
    Point offset;
    std::int32_t frameHeight;
};

} // namespace gui
