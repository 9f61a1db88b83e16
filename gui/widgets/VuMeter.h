#pragma once
// A level meter: the lit part from one picture, the rest from another, in steps; the shown
// level rises at once and falls by at most the decay per draw. Display only.
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class Picture;

// VuMeter style bit: horizontal (lit from the left) instead of vertical (lit from the bottom).
inline constexpr std::int32_t styleHorizontal = 1;

class VuMeter : public ValueWidget {
public:
    // onPicture and offPicture (retained; offPicture may be null) have the widget's size;
    // fewer than 1 step counts as 1.
    VuMeter(const Rect& size, Picture* onPicture, Picture* offPicture, std::int32_t steps, std::int32_t style);
    ~VuMeter() override;

    // Editor thread: stores the level it shows (held within min..max, decayed).
    void draw(DrawPort& port) override;
    // Editor thread: how far the level may fall per draw.
    virtual void setDecay(float decay);

private:
    Picture* onPicture;
    Picture* offPicture;
    std::int32_t steps;
    std::int32_t style;
    float decay = 1.0f;
    Rect onRect;
    Rect offRect;
};

} // namespace gui
