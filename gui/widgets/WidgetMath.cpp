#include "WidgetMath.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

namespace gui {

namespace {

constexpr double pi = std::numbers::pi;

std::int32_t saturate(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Radius of a dial's handle circle.
double dialRadius(std::int32_t width, std::int32_t inset) {
    return (double(width) - 2.0 * double(inset)) / 2.0;
}

// First i in 1 .. count - 1 for which passed(i) holds, count when none does; passed must
// hold for every i after the first that passes (a search, not a walk: counts may be huge).
template <class Passed>
std::int32_t firstPassing(std::int32_t count, Passed passed) {
    std::int32_t low = 1;
    std::int32_t high = count;
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (passed(middle)) high = middle;
        else low = middle + 1;
    }
    return low;
}

} // namespace

std::int32_t truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

Point dialValueToPoint(float value, float min, float max, std::int32_t width, std::int32_t inset, bool rounded) {
    const float range = max - min;
    const double r = dialRadius(width, inset);
    // Clockwise from straight up, starting at 225 degrees.
    const double angle = 4.712389 / range * double(value - min) + 3.9269907;
    const double x = std::sin(angle) * r + r;
    const double y = r - std::cos(angle) * r;
    if (rounded) return Point(truncateToInt(x + inset + 0.5), truncateToInt(y + inset + 0.5));
    return Point(saturate(std::int64_t(truncateToInt(x)) + inset), saturate(std::int64_t(truncateToInt(y)) + inset));
}

float dialPointToValue(Point p, float min, float max, std::int32_t width, std::int32_t inset, LevelPoint level) {
    const float range = max - min;
    const double r = dialRadius(width, inset);
    const double dx = double(p.h) - inset - r;
    const double dy = r - (double(p.v) - inset); // grows upward
    double a = 0.0;
    if (level == LevelPoint::limit) {
        if (std::fabs(dx) < 1e-12 && std::fabs(dy) < 1e-12) a = 0.0;
        else if (dy == 0.0) a = dx > 0.0 ? -pi / 2.0 : pi / 2.0;
        else a = -std::atan(dx / dy);
    } else {
        a = dy != 0.0 ? -std::atan(dx / dy) : (dx > 0.0 ? -pi / 2.0 : pi / 2.0);
    }
    a += pi / 2.0;
    if (dy < 0.0) a += pi;
    // Counter-clockwise from 3 o'clock, as a fraction of a turn.
    const double f = a / (2.0 * pi);
    if (f > 0.625 && f < 0.875) return f < 0.75 ? min : max;
    // 0 at 4:30 (max) counter-clockwise to 0.75 at 7:30 (min).
    const double s = f >= 0.875 ? f - 0.875 : f + 0.125;
    float result = static_cast<float>(min + (range - range * s * 1.3333334));
    if (result > max) result = max;
    if (result < min) result = min;
    return result;
}

HandleSpan faderHandleSpan(float frac, std::int32_t minPos, std::int32_t maxPos, std::int32_t offset,
                           std::int32_t handleLength, std::int32_t localMin, std::int32_t localMax) {
    const double travel = double(maxPos) - double(minPos);
    // A value the mouse made from pixel k (k / travel in single precision) may come back a
    // hair below k; a ten-thousandth of a pixel more keeps it on k, so a click that does not
    // move leaves the handle where it was drawn.
    std::int32_t start = saturate(std::int64_t(truncateToInt(double(frac) * travel + 1e-4)) + offset);
    if (start < localMin) start = localMin;
    std::int32_t end = saturate(std::int64_t(start) + handleLength);
    if (end > localMax) end = localMax;
    return HandleSpan{start, end};
}

float faderValueAt(std::int32_t pos, std::int32_t reference, float origin, std::int32_t travel, bool invert, bool fine,
                   float anchor) {
    if (travel == 0) return anchor;
    const float moved = float(std::int64_t(pos) - reference) / float(travel);
    float value = invert ? origin - moved : origin + moved;
    if (fine) value = anchor + (value - anchor) / 10.0f;
    if (!(value > 0.0f)) return 0.0f; // NaN included
    return value > 1.0f ? 1.0f : value;
}

std::int32_t filmstripFrameTop(float value, std::int32_t frameCount, std::int32_t frameHeight) {
    if (!(value > 0.0f) || frameCount < 2 || frameHeight <= 0) return 0;
    const double last = (double(frameCount) - 1.0) * double(frameHeight);
    const std::int32_t y = truncateToInt(last * double(value));
    if (double(y) >= last) return y;
    return y - y % frameHeight;
}

std::int32_t switchFrameTop(float value, std::int32_t frameCount, std::int32_t frameHeight, bool doubleStep) {
    if (frameCount < 2) return 0;
    std::int32_t frame = 0;
    if (doubleStep) {
        const double step = 1.0 / (double(frameCount) - 1.0);
        frame = firstPassing(frameCount, [&](std::int32_t i) { return double(i) * step > double(value); }) - 1;
    } else {
        const float step = 1.0f / float(frameCount - 1);
        frame = firstPassing(frameCount, [&](std::int32_t i) { return float(i) * step > value; }) - 1;
    }
    return saturate(std::int64_t(frame) * frameHeight);
}

float switchValueAt(std::int32_t d, std::int32_t length, std::int32_t frameCount, bool atEndInside) {
    if (frameCount < 2) return 0.0f;
    const double zone = double(length) / double(frameCount);
    const std::int32_t i = firstPassing(frameCount, [&](std::int32_t k) {
        const std::int32_t end = truncateToInt(double(k) * zone);
        return atEndInside ? d <= end : d < end;
    });
    return float(i - 1) / float(frameCount - 1);
}

} // namespace gui
