// Dials: the handle at the value's angle, the frame a filmstrip shows, and the pointer's angle
// with the dead zone at the bottom, the default click and the notifications of a drag.
#include "PixelTestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/widgets/Dial.h"

#include <gtest/gtest.h>

#include <utility>

namespace gui {
namespace {

using test::Recorder;
using test::TestPicture;

class DialTest : public test::ScriptedFixture {
protected:
    // 40 x 40 at (20, 20) with an 8 x 8 handle: inset 4, radius 16, and the angle taken about
    // (36, 36).
    Dial* makeDial(float value) {
        auto* dial = new Dial(Rect(20, 20, 60, 60), &recorder, 3, background, handle, Point(0, 0));
        dial->setValue(value);
        return add(dial);
    }
    // The handle's pixels (all but its key-coloured corners) as its top-left corner.
    Point handleCorner() {
        const test::Pixels shown = test::pixelsOf(pixels(), magentaColour);
        if (shown.empty()) return Point(-1, -1);
        int left = 1000, top = 1000;
        for (auto [x, y] : shown) left = std::min(left, x), top = std::min(top, y);
        return Point(left, top);
    }

    Recorder recorder;
    TestPicture background{test::dialBackgroundId};
    TestPicture handle{test::dialHandleId};
};

TEST_F(DialTest, HandleSitsAtTheValuesAngle) {
    struct Case {
        float value;
        Point corner;
    } cases[] = {
        {0.0f, Point(24, 47)}, // min at the lower left, 45 degrees below the horizontal
        {0.5f, Point(35, 20)}, // the middle at the top of the circle
        {1.0f, Point(47, 47)}, // max at the lower right
    };
    Dial* dial = makeDial(0.0f);
    EXPECT_EQ(dial->getInset(), 4);
    for (const Case& c : cases) {
        dial->setValue(c.value);
        view->idle();
        EXPECT_EQ(handleCorner(), c.corner) << c.value;
        EXPECT_EQ(test::pixelsOf(pixels(), magentaColour).size(), 60u) << "one handle, corners left out";
        EXPECT_EQ(pixels().pixel(21, 21), pixelOf(greyColour)) << "the background under it";
        EXPECT_EQ(dial->getOldValue(), c.value);
    }
}

TEST_F(DialTest, PressTakesTheAngleAboutTheShiftedCentre) {
    struct Case {
        Point where;
        float expected;
    } cases[] = {
        {Point(36, 55), 1.0f},         // straight below, on the vertical line: max
        {Point(35, 55), 0.0f},         // just left of it: min
        {Point(44, 52), 1.0f},         // in the dead zone's right half
        {Point(28, 52), 0.0f},         // and its left half
        {Point(36, 21), 0.5f},         // straight above: the middle
        {Point(36, 36), 0.5f},         // the centre itself reads straight up
        {Point(55, 36), 5.0f / 6.0f},  // straight right
        {Point(21, 36), 1.0f / 6.0f},  // straight left
    };
    for (const Case& c : cases) {
        Dial* dial = makeDial(0.25f);
        recorder.told.clear();
        click(c.where, leftButton);
        EXPECT_NEAR(dial->getValue(), c.expected, 1e-6) << c.where.h << "," << c.where.v;
        ASSERT_EQ(recorder.told.size(), 1u);
        view->removeWidget(dial);
        delete dial;
    }
}

TEST_F(DialTest, DragTellsEachNewValueOnceAndJumpsAcrossTheDeadZone) {
    Dial* dial = makeDial(0.25f);
    drag(Point(36, 21), leftButton,
         {{Point(36, 21), leftButton},
          {Point(55, 36), leftButton},
          {Point(55, 36), rightButton | leftButton},
          {Point(37, 55), leftButton},
          {Point(35, 55), leftButton},
          {Point(35, 55), 0}});
    ASSERT_EQ(recorder.told.size(), 4u); // not for the repeats
    EXPECT_NEAR(recorder.told[0], 0.5f, 1e-6);
    EXPECT_NEAR(recorder.told[1], 5.0f / 6.0f, 1e-6);
    EXPECT_EQ(recorder.told[2], 1.0f);
    EXPECT_EQ(recorder.told[3], 0.0f);
    EXPECT_EQ(dial->getValue(), 0.0f);
    EXPECT_EQ(handleCorner(), Point(24, 47)) << "drawn by the listener";
}

TEST_F(DialTest, LeftAltRestoresTheDefaultWithoutTracking) {
    Dial* dial = makeDial(0.2f);
    dial->setDefaultValue(0.75f);
    press(Point(55, 36), leftButton | altKey);
    EXPECT_EQ(dial->getValue(), 0.75f);
    EXPECT_EQ(recorder.told, std::vector<float>{0.75f});
    press(Point(55, 36), leftButton | altKey); // already there: not told again
    EXPECT_EQ(recorder.told.size(), 1u);
    EXPECT_EQ(platform.buttonPolls(), 0) << "no tracking";
    // Anything but exactly left+Alt is an ordinary press.
    click(Point(55, 36), leftButton | altKey | shiftKey);
    EXPECT_NEAR(dial->getValue(), 5.0f / 6.0f, 1e-6);
    EXPECT_EQ(recorder.told.size(), 2u);
}

TEST_F(DialTest, FilmstripShowsTheFrameHoldingTheValue) {
    TestPicture strip(test::fiveFramesId);
    auto* dial = add(new FilmstripDial(Rect(100, 20, 120, 40), &recorder, 1, 5, 20, strip, Point(0, 0)));
    EXPECT_EQ(dial->getInset(), 0);
    const struct Case {
        float value;
        Colour frame;
    } cases[] = {
        {0.0f, yellowColour}, {0.49f, magentaColour}, {0.5f, aquaColour}, {0.8f, redColour},
        {1.0f, greenColour},  {-3.0f, yellowColour},
    };
    for (const Case& c : cases) {
        dial->setValue(c.value);
        view->idle();
        EXPECT_EQ(pixels().pixel(110, 30), pixelOf(c.frame)) << c.value;
        EXPECT_EQ(pixels().pixel(100, 20), pixelOf(c.frame)) << c.value;
    }
    // Without an inset the angle is taken about the widget's centre.
    click(Point(110, 21), leftButton);
    EXPECT_NEAR(dial->getValue(), 0.5f, 1e-6);
    click(Point(119, 30), leftButton);
    EXPECT_NEAR(dial->getValue(), 5.0f / 6.0f, 1e-6);
}

} // namespace
} // namespace gui
