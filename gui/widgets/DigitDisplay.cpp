#include "DigitDisplay.h"

#include "../Picture.h"
#include "WidgetMath.h"

#include <algorithm>

namespace gui {

namespace {
std::int32_t shownDigits(std::int32_t digitCount) {
    return std::clamp(digitCount, 0, DigitDisplay::maxDigits);
}
} // namespace

DigitDisplay::DigitDisplay(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t initialValue,
                           std::int32_t digits, const std::int32_t* xPositions, const std::int32_t* yPositions,
                           std::int32_t width, std::int32_t height, Picture* strip)
    : ValueWidget(size, owner, ownerTag), picture(strip), digitCount(digits), digitWidth(width),
      digitHeight(height) {
    if (picture) picture->retain();
    setValue(float(initialValue));
    const std::int32_t n = shownDigits(digitCount);
    std::int32_t largest = 0;
    for (std::int32_t k = 0; k < n; ++k) {
        x[k] = xPositions ? xPositions[k] : 0;
        y[k] = yPositions ? yPositions[k] : 0;
        largest = largest * 10 + 9;
    }
    setMax(float(largest));
    setMin(0.0f);
}

DigitDisplay::~DigitDisplay() {
    if (picture) picture->release();
}

void DigitDisplay::draw(DrawPort& port) {
    const float shown = getValue();
    const std::int64_t low = truncateToInt(getMin());
    const std::int64_t high = truncateToInt(getMax());
    std::int64_t v = truncateToInt(shown);
    if (v > high) v = high;
    if (v < low) v = low;
    // The place value of the first digit; a max set below 9 leaves no places to divide by.
    std::int64_t place = (high + 1) / 10;
    for (std::int32_t k = 0; k < shownDigits(digitCount); ++k) {
        const std::int64_t digit = place > 0 ? v / place : 0;
        if (place > 0) v -= digit * place;
        place /= 10;
        const std::int32_t d = std::int32_t(std::clamp<std::int64_t>(digit, 0, 9));
        if (picture) {
            picture->draw(port, Rect(x[k], y[k], x[k] + digitWidth, y[k] + digitHeight),
                          Point(0, truncateToInt(double(d) * digitHeight)));
        }
    }
    setOldValue(shown);
}

float DigitDisplay::getNormalisedValue() const {
    const float normalised = getValue() / getMax();
    if (!(normalised > 0.0f)) return 0.0f; // NaN included
    return normalised > 1.0f ? 1.0f : normalised;
}

} // namespace gui
