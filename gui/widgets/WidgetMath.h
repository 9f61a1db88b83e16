#pragma once
// The arithmetic that both widget generations share, written once: dial angles, fader handle
// positions and mouse mapping, frame selection of strips and switches. Where the generations
// differ (rounding, a point level with a dial's centre, insets, references), the caller says
// which. Positions are integers; every conversion to one truncates toward zero (in double
// precision) and saturates instead of overflowing.
#include "../Geometry.h"

#include <cstdint>

namespace gui {

// Truncation toward zero into the 32-bit range; NaN gives 0.
std::int32_t truncateToInt(double value);

// The handle's centre for value on a dial width pixels wide whose handle circle lies inset
// pixels inside its edge, in the widget's local coordinates: 270 degrees of travel clockwise
// from the lower left (min) over the top to the lower right (max). rounded: the older
// generation rounds to the nearest pixel where the newer truncates.
Point dialValueToPoint(float value, float min, float max, std::int32_t width, std::int32_t inset, bool rounded);

// How a point level with the dial's centre (dy == 0) is read.
enum class LevelPoint : std::int32_t {
    limit,           // newer: the limit of the angle (straight left or right); the centre reads straight up
    leftUnlessRight, // older: straight right when dx > 0, straight left otherwise (the centre too)
};

// The value for a point p on a dial (coordinates relative to where the handle circle starts
// less the inset, as each generation's mouse makes them): the angle about the circle's centre,
// min at the lower left to max at the lower right; the bottom quarter between them is a dead
// zone that gives min on its left half and max on its right half. Clamped to min..max.
float dialPointToValue(Point p, float min, float max, std::int32_t width, std::int32_t inset, LevelPoint level);

// A fader handle's extent along the fader's axis, local to the widget; end = start + length.
struct HandleSpan {
    std::int32_t start = 0;
    std::int32_t end = 0;
    constexpr bool operator==(const HandleSpan&) const = default;
};

// frac: the value, or 1 - value when zero sits at the far end (bottom or right). The start is
// frac of the travel (maxPos - minPos) plus offset, raised to at least localMin; the end is
// start + handleLength, lowered to at most localMax. A fraction that faderValueAt made from a
// pixel gives that pixel back, single-precision rounding notwithstanding.
HandleSpan faderHandleSpan(float frac, std::int32_t minPos, std::int32_t maxPos, std::int32_t offset,
                           std::int32_t handleLength, std::int32_t localMin, std::int32_t localMax);

// A fader's value for the pointer at pos along its axis: origin (the value at reference) plus
// the fraction of travel from reference, minus it when invert, moving a tenth as fast around
// anchor when fine, clamped to 0..1. The generations place the reference differently: the
// older at a fixed point of the travel (origin 0, or 1 when inverted), the newer where the
// press was (origin the value then). A fader without travel keeps anchor.
float faderValueAt(std::int32_t pos, std::int32_t reference, float origin, std::int32_t travel, bool invert, bool fine,
                   float anchor);

// Source y of the frame a filmstrip shows for value: the frame holding the point value of the
// way down to the last frame's top (0 for values of 0 or less; a y at or beyond the last
// frame's top is used as it is).
std::int32_t filmstripFrameTop(float value, std::int32_t frameCount, std::int32_t frameHeight);

// Source y of the frame an N-position switch shows: position k covers values from
// k / (frameCount - 1) up to the next position; at or above 1 the last frame, at or below 0
// the first. doubleStep: the older generation computes the step in double precision.
std::int32_t switchFrameTop(float value, std::int32_t frameCount, std::int32_t frameHeight, bool doubleStep);

// A switch's value for a click d pixels from its top (vertical) or left (horizontal) edge:
// length is divided into frameCount zones, zone k giving k / (frameCount - 1). The vertical
// switch takes d < the zone's end as inside (atEndInside false), the horizontal d <= it (true).
float switchValueAt(std::int32_t d, std::int32_t length, std::int32_t frameCount, bool atEndInside);

} // namespace gui
