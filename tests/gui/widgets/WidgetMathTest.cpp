// The arithmetic both widget generations share, against the worked examples of the design:
// dial angles and dead zone, fader handle and mouse mapping, strip and switch frames, switch
// zones, and input that must not crash or hang.
#include "gui/widgets/WidgetMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace gui {
namespace {

// A dial 40 pixels wide whose handle circle lies 5 pixels in: radius 15, centre (20, 20).
constexpr std::int32_t dialWidth = 40;
constexpr std::int32_t dialInset = 5;

TEST(DialMathTest, HandleSitsAtTheLowerLeftTopAndLowerRight) {
    struct Case {
        float value;
        Point truncated;
        Point rounded;
    } cases[] = {
        {0.0f, {9, 30}, {9, 31}},    // min: lower left, 45 degrees below the horizontal
        {0.5f, {19, 5}, {20, 5}},    // the middle: the top of the circle
        {1.0f, {30, 30}, {31, 31}},  // max: lower right
        {0.25f, {6, 14}, {6, 14}},
        {0.75f, {33, 14}, {34, 14}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dialValueToPoint(c.value, 0.0f, 1.0f, dialWidth, dialInset, false), c.truncated) << c.value;
        EXPECT_EQ(dialValueToPoint(c.value, 0.0f, 1.0f, dialWidth, dialInset, true), c.rounded) << c.value;
        // Any range: the same angle for the same fraction of it.
        const float scaled = -10.0f + 20.0f * c.value;
        EXPECT_EQ(dialValueToPoint(scaled, -10.0f, 10.0f, dialWidth, dialInset, false), c.truncated) << scaled;
    }
}

TEST(DialMathTest, PointsGiveTheirAngleWithADeadZoneAtTheBottom) {
    const float sixth = 1.0f / 6.0f;
    struct Case {
        Point p;
        float limit;           // newer generation
        float leftUnlessRight; // older generation
    } cases[] = {
        {{20, 35}, 1.0f, 1.0f},                 // straight below, on the vertical line: max
        {{21, 39}, 1.0f, 1.0f},                 // right of it
        {{19, 39}, 0.0f, 0.0f},                 // left of it: min
        {{10, 35}, 0.0f, 0.0f},                 // the dead zone's left half
        {{30, 35}, 1.0f, 1.0f},                 // its right half
        {{20, 5}, 0.5f, 0.5f},                  // straight above: the middle
        {{35, 20}, 5.0f * sixth, 5.0f * sixth}, // straight right
        {{5, 20}, sixth, sixth},                // straight left
        {{20, 20}, 0.5f, sixth},                // the centre: the generations differ
        {{21, 20}, 5.0f * sixth, 5.0f * sixth}, // level, one pixel right
        {{9, 31}, 0.0f, 0.0f},                  // where the handle of min sits (rounded)
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(dialPointToValue(c.p, 0.0f, 1.0f, dialWidth, dialInset, LevelPoint::limit), c.limit, 1e-6)
            << c.p.h << "," << c.p.v;
        EXPECT_NEAR(dialPointToValue(c.p, 0.0f, 1.0f, dialWidth, dialInset, LevelPoint::leftUnlessRight),
                    c.leftUnlessRight, 1e-6)
            << c.p.h << "," << c.p.v;
        // Another range maps the same way and never leaves it.
        const float scaled = dialPointToValue(c.p, 2.0f, 6.0f, dialWidth, dialInset, LevelPoint::limit);
        EXPECT_NEAR(scaled, 2.0f + 4.0f * c.limit, 4e-6) << c.p.h << "," << c.p.v;
        EXPECT_TRUE(scaled >= 2.0f && scaled <= 6.0f) << scaled;
    }
    // Around the circle the value falls steadily from max to min, counter-clockwise.
    float previous = 2.0f;
    for (int degrees = -44; degrees <= 224; degrees += 4) { // 0 degrees: 3 o'clock
        const double a = degrees * 3.14159265358979 / 180.0;
        const Point p(20 + int(std::lround(std::cos(a) * 1000)), 20 - int(std::lround(std::sin(a) * 1000)));
        const float v = dialPointToValue(p, 0.0f, 1.0f, dialWidth, dialInset, LevelPoint::limit);
        EXPECT_LE(v, previous + 1e-6f) << degrees;
        previous = v;
    }
}

TEST(FaderMathTest, HandleSpanFollowsTheValueWithinItsLocalBounds) {
    // A slot whose top is the widget's top: travel 72 pixels, handle 7 high, zero at the bottom
    // (frac = 1 - value): localMin 0, localMax 72 + 7.
    struct Case {
        float frac;
        std::int32_t offset;
        HandleSpan expected;
    } cases[] = {
        {0.0f, 0, {0, 7}},       // value 1: at the top
        {1.0f, 0, {72, 79}},     // value 0: at the bottom
        {0.5f, 0, {36, 43}},
        {0.499f, 0, {35, 42}},   // truncated
        {0.5f, 1, {37, 44}},     // the handle offset moves it
        {-0.5f, 0, {0, 7}},      // value 1.5: raised to localMin
        {1.5f, 0, {108, 79}},    // value -0.5: only the end is held back
        {1.0f, 5, {77, 79}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(faderHandleSpan(c.frac, 100, 172, c.offset, 7, 0, 79), c.expected) << c.frac << " " << c.offset;
    }
    // minPos below the widget's edge moves localMin with it.
    EXPECT_EQ(faderHandleSpan(0.0f, 110, 172, 0, 10, 10, 82), (HandleSpan{10, 20}));
}

// What the mouse makes of a pixel draws on that pixel again: otherwise a click on the handle
// that does not move makes it jump, for about half the pixels of a travel.
TEST(FaderMathTest, ValueFromAPixelDrawsOnThatPixel) {
    for (std::int32_t travel : {72, 73, 90, 149, 500}) {
        for (std::int32_t k = 0; k <= travel; ++k) {
            for (bool invert : {false, true}) {
                const float value = faderValueAt(100 + k, 100, invert ? 1.0f : 0.0f, travel, invert, false, 0.0f);
                const float frac = invert ? 1.0f - value : value;
                const std::int32_t start = faderHandleSpan(frac, 100, 100 + travel, 0, 7, 0, travel + 7).start;
                EXPECT_EQ(start, k) << "travel " << travel << " invert " << invert;
            }
        }
    }
}

TEST(FaderMathTest, MouseMapsPositionToValueWithInversionFineModeAndClamp) {
    // Travel 72 from a reference at 100.
    const float pixel = 1.0f / 72.0f;
    struct Case {
        std::int32_t pos;
        bool invert;
        bool fine;
        float anchor;
        float expected;
    } cases[] = {
        {100, false, false, 0.3f, 0.0f},
        {136, false, false, 0.3f, 0.5f},
        {172, false, false, 0.3f, 1.0f},
        {100, true, false, 0.3f, 1.0f},        // the top gives 1
        {118, true, false, 0.3f, 0.75f},
        {90, false, false, 0.3f, 0.0f},        // clamped below
        {200, false, false, 0.3f, 1.0f},       // and above
        {146, false, true, 0.5f, 0.5f + pixel}, // fine: ten pixels move it by one pixel's worth
        {126, false, true, 0.5f, 0.5f - pixel},
        {126, true, true, 0.5f, 0.5f + pixel},
        {0, false, true, 0.05f, 0.0f},         // fine mode is clamped too
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(faderValueAt(c.pos, 100, c.invert ? 1.0f : 0.0f, 72, c.invert, c.fine, c.anchor), c.expected, 1e-6)
            << c.pos << " invert " << c.invert << " fine " << c.fine;
    }
    EXPECT_EQ(faderValueAt(150, 100, 0.0f, 0, false, false, 0.4f), 0.4f); // no travel: unchanged
    // Measured from a press: the value then, exactly, until the pointer moves.
    for (bool invert : {false, true}) {
        EXPECT_EQ(faderValueAt(130, 130, 0.37f, 72, invert, false, 0.37f), 0.37f);
        EXPECT_EQ(faderValueAt(130, 130, 0.37f, 72, invert, true, 0.37f), 0.37f);
        EXPECT_NEAR(faderValueAt(140, 130, 0.37f, 72, invert, false, 0.37f), invert ? 0.37f - 10.0f / 72.0f : 0.37f + 10.0f / 72.0f, 1e-6);
    }
}

TEST(FrameMathTest, FilmstripShowsTheFrameHoldingTheValue) {
    // 5 frames of 20 pixels.
    struct Case {
        float value;
        std::int32_t y;
    } cases[] = {
        {0.49f, 20}, {0.5f, 40}, {1.0f, 80}, {0.0f, 0}, {-0.3f, 0},
        {0.2f, 0},   {0.25f, 20}, {0.99f, 60}, {std::nanf(""), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(filmstripFrameTop(c.value, 5, 20), c.y) << c.value;
}

TEST(FrameMathTest, SwitchShowsOneFramePerPosition) {
    // 3 frames of 30 pixels: positions 0, 0.5, 1.
    struct Case {
        float value;
        std::int32_t y;
    } cases[] = {
        {0.49f, 0}, {0.5f, 30}, {1.0f, 60}, {0.99f, 30}, {1.5f, 60}, {-1.0f, 0}, {0.0f, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(switchFrameTop(c.value, 3, 30, false), c.y) << c.value;
        EXPECT_EQ(switchFrameTop(c.value, 3, 30, true), c.y) << c.value;
    }
    // Two frames: a toggle.
    EXPECT_EQ(switchFrameTop(0.99f, 2, 12, false), 0);
    EXPECT_EQ(switchFrameTop(1.0f, 2, 12, false), 12);
}

TEST(FrameMathTest, ClickZonesOfVerticalAndHorizontalSwitches) {
    struct Case {
        std::int32_t d;
        float expected;
    };
    // Vertical, 3 frames of 30: the end of a zone belongs to the next one.
    const Case vertical[] = {{-5, 0.0f}, {0, 0.0f}, {9, 0.0f}, {10, 0.5f}, {19, 0.5f}, {20, 1.0f}, {29, 1.0f}, {100, 1.0f}};
    for (const Case& c : vertical) EXPECT_EQ(switchValueAt(c.d, 30, 3, false), c.expected) << c.d;
    // Horizontal, a 90-pixel picture with 3 positions: the end of a zone belongs to it.
    const Case horizontal[] = {{-1, 0.0f}, {0, 0.0f}, {30, 0.0f}, {31, 0.5f}, {60, 0.5f}, {61, 1.0f}, {89, 1.0f}, {500, 1.0f}};
    for (const Case& c : horizontal) EXPECT_EQ(switchValueAt(c.d, 90, 3, true), c.expected) << c.d;
    // Five positions over 100 pixels.
    EXPECT_EQ(switchValueAt(45, 100, 5, false), 0.5f);
    EXPECT_EQ(switchValueAt(79, 100, 5, false), 0.75f);
}

// Frame counts below two, sizes and values far out of range: defined answers, at once.
TEST(FrameMathTest, OutlandishInputGivesDefinedAnswers) {
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    for (std::int32_t count : {1, 0, -3}) {
        EXPECT_EQ(filmstripFrameTop(0.7f, count, 20), 0) << count;
        EXPECT_EQ(switchFrameTop(0.7f, count, 20, false), 0) << count;
        EXPECT_EQ(switchValueAt(15, 30, count, false), 0.0f) << count;
    }
    EXPECT_EQ(filmstripFrameTop(1e30f, 5, 20), big);
    EXPECT_EQ(filmstripFrameTop(0.5f, 5, 0), 0);
    EXPECT_EQ(switchFrameTop(0.5f, big, big, true), big);
    const std::int32_t top = switchFrameTop(1.0f, big, 1, false);
    EXPECT_TRUE(top >= 0 && top <= big - 1) << top;
    const float mid = switchValueAt(big / 2, big, big, true);
    EXPECT_GT(mid, 0.49f);
    EXPECT_LT(mid, 0.51f);
    EXPECT_EQ(faderHandleSpan(1e30f, 0, big, big, big, 0, big), (HandleSpan{big, big}));
    EXPECT_EQ(faderValueAt(5, 0, 0.0f, 10, false, true, std::nanf("")), 0.0f);
    EXPECT_EQ(dialValueToPoint(0.5f, 1.0f, 1.0f, 40, 5, false), Point(5, 5)); // no range
    const float v = dialPointToValue(Point(big, -big), 0.0f, 1.0f, big, big, LevelPoint::limit);
    EXPECT_TRUE(v >= 0.0f && v <= 1.0f);
    EXPECT_EQ(truncateToInt(-2.9), -2);
    EXPECT_EQ(truncateToInt(-1e300), std::numeric_limits<std::int32_t>::min());
}

} // namespace
} // namespace gui
