#pragma once
// A whole number shown digit by digit from a strip of the ten digit images 0 to 9, each at its
// own place in the window, leading zeros included. Display only.
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class Picture;

class DigitDisplay : public ValueWidget {
public:
    static constexpr std::int32_t maxDigits = 7;

    // Positions are window coordinates of each digit's top-left corner, most significant
    // first (null arrays put every digit at 0); at most 7 digits are shown. The value runs
    // from 0 to 10^digits - 1. digits (retained) is the strip.
    DigitDisplay(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t initialValue,
                 std::int32_t digitCount, const std::int32_t* xPositions, const std::int32_t* yPositions,
                 std::int32_t digitWidth, std::int32_t digitHeight, Picture* digits);
    ~DigitDisplay() override;

    // Editor thread: the value truncated and held within min and max.
    void draw(DrawPort& port) override;
    // Any thread: value / max, within 0..1.
    virtual float getNormalisedValue() const;

private:
    Picture* picture;
    std::int32_t digitCount;
    std::int32_t x[maxDigits] = {};
    std::int32_t y[maxDigits] = {};
    std::int32_t digitWidth;
    std::int32_t digitHeight;
};

} // namespace gui
