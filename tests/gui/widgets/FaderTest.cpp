// Faders: where the handle is drawn for a value and a style, the slot behind it, and the mouse:
// only the handle starts a drag, a click that does not move leaves the value where it is
// drawn, Shift fines the drag, left+Alt restores the default.
#include "PixelTestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/widgets/Fader.h"

#include <gtest/gtest.h>

#include <vector>

namespace gui {
namespace {

using test::Recorder;
using test::TestPicture;

class FaderTest : public test::ScriptedFixture {
protected:
    // 12 x 80 at (20, 30) as the delay editor has them: the 10 x 7 handle travels 72 pixels
    // from the top (1) down (0), drawn one pixel in from the slot's left edge.
    VerticalFader* makeVertical(float value, std::int32_t style = styleMouseInvertV, std::int32_t minPos = 30,
                                Point handleOffset = Point(1, 0)) {
        auto* fader = new VerticalFader(Rect(20, 30, 32, 110), &recorder, 2, minPos, minPos + 72, handle, slot,
                                        Point(0, 0), style);
        fader->setHandleOffset(handleOffset);
        fader->setValue(value);
        return add(fader);
    }
    // 100 x 6 at (10, 150): the handle travels 90 pixels from the left (0) to the right (1).
    HorizontalFader* makeHorizontal(float value, std::int32_t minPos = 10, Point handleOffset = Point(0, 0)) {
        auto* fader = new HorizontalFader(Rect(10, 150, 110, 156), &recorder, 0, minPos, minPos + 90, handle,
                                          horizontalSlot, Point(0, 0), styleZeroLeft);
        fader->setHandleOffset(handleOffset);
        fader->setValue(value);
        return add(fader);
    }
    // The handle's red pixels: a 10 x 7 box less its key-coloured corners.
    static test::Pixels handleAt(int left, int top) {
        test::Pixels box = test::box(left, top, left + 9, top + 6);
        for (auto corner : {std::pair(left, top), std::pair(left + 9, top), std::pair(left, top + 6),
                            std::pair(left + 9, top + 6)})
            box.erase(corner);
        return box;
    }

    Recorder recorder;
    TestPicture handle{test::faderHandleId};
    TestPicture slot{test::verticalSlotId};
    TestPicture horizontalSlot{test::horizontalSlotId};
};

TEST_F(FaderTest, VerticalHandleFollowsTheValueInsideItsTravel) {
    struct Case {
        float value;
        std::int32_t style;
        int top; // -1: nothing drawn
    } cases[] = {
        {1.0f, styleMouseInvertV, 30},  {0.5f, styleMouseInvertV, 66},   {0.0f, styleMouseInvertV, 102},
        {0.0f, styleZeroTop, 30},       {0.25f, styleZeroTop, 48},       // 0 at the top
        {7.0f, styleMouseInvertV, 30},  // raised to the top of the travel
        {-0.5f, styleMouseInvertV, -1}, // below the travel: its end is lowered past its start
    };
    for (const Case& c : cases) {
        VerticalFader* fader = makeVertical(c.value, c.style);
        const test::Pixels red = test::pixelsOf(pixels(), redColour);
        if (c.top < 0) {
            EXPECT_TRUE(red.empty()) << c.value;
        } else {
            EXPECT_EQ(red, handleAt(21, c.top)) << c.value;
            EXPECT_EQ(fader->getLastHandlePos(), c.top);
        }
        EXPECT_EQ(pixels().pixel(31, 31), pixelOf(blueColour)) << "the slot beside the handle";
        if (c.top >= 0) {
            EXPECT_EQ(pixels().pixel(21, c.top), pixelOf((c.top - 30) % 8 == 0 ? aquaColour : blueColour))
                << "the slot through the handle's corner";
        }
        view->removeWidget(fader);
        delete fader;
    }
}

TEST_F(FaderTest, HorizontalHandleFollowsTheValue) {
    struct Case {
        float value;
        int left;
    } cases[] = {{0.0f, 10}, {0.5f, 55}, {1.0f, 100}, {-2.0f, 10}};
    for (const Case& c : cases) {
        HorizontalFader* fader = makeHorizontal(c.value);
        // The 7-pixel handle is cut to the 6-pixel slot's height: its lower corners go with it.
        test::Pixels expected = test::box(c.left, 150, c.left + 9, 155);
        expected.erase({c.left, 150});
        expected.erase({c.left + 9, 150});
        EXPECT_EQ(test::pixelsOf(pixels(), redColour), expected) << c.value;
        EXPECT_EQ(pixels().pixel(c.left, 150), pixelOf(greenColour));
        EXPECT_EQ(fader->getLastHandlePos(), c.left);
        view->removeWidget(fader);
        delete fader;
    }
}

TEST_F(FaderTest, SlotDrawnFromItsOffsetOverBlack) {
    auto* fader =
        new VerticalFader(Rect(20, 30, 32, 110), &recorder, 2, 30, 102, handle, slot, Point(0, 4), styleMouseInvertV);
    fader->setValue(1.0f);
    add(fader);
    // Slot rows 0, 8, 16 ... are aqua: with the offset, local rows 4, 12, ...; the last four
    // rows have no slot left and stay black.
    EXPECT_EQ(pixels().pixel(25, 30 + 12), pixelOf(aquaColour));
    EXPECT_EQ(pixels().pixel(25, 30 + 13), pixelOf(blueColour));
    EXPECT_EQ(pixels().pixel(25, 30 + 77), pixelOf(blackColour));
    // Without transparency the handle's corners are its own (the key colour).
    fader->setTransparentHandle(false);
    fader->setOldValue(-1.0f);
    view->idle();
    EXPECT_EQ(pixels().pixel(20, 30), pixelOf(transparentColour));
}

TEST_F(FaderTest, OnlyTheHandleAsDrawnStartsADrag) {
    VerticalFader* fader = makeVertical(0.5f); // handle rows 66..72
    struct Case {
        Point where;
        std::int32_t buttons;
        bool moves;
    } cases[] = {
        {Point(25, 65), leftButton, false},          // just above the handle
        {Point(25, 74), leftButton, false},          // just below it
        {Point(31, 68), leftButton, false},          // beside it, right of its width from the edge
        {Point(25, 68), rightButton, false},         // the right button
        {Point(25, 68), leftButton | controlKey, false},
        {Point(20, 66), leftButton, true},           // its corner, edges included
        {Point(30, 73), leftButton, true},
    };
    for (const Case& c : cases) {
        fader->setValue(0.5f);
        view->idle();
        recorder.told.clear();
        drag(c.where, c.buttons, {{Point(25, 40), leftButton}, {Point(25, 40), 0}});
        EXPECT_EQ(fader->getValue() != 0.5f, c.moves) << c.where.h << "," << c.where.v;
        if (!c.moves) {
            EXPECT_TRUE(recorder.told.empty());
        }
        platform.setPointer(Point(), 0); // drops the script a refused press left unread
    }
}

TEST_F(FaderTest, ClickWithoutMovingChangesNothing) {
    // minPos and the handle offset place the travel (the delay editor's tempo fader starts 3
    // pixels in and is drawn 1 further); values off the pixel grid and at the clamped ends
    // included, a click on the handle that does not move keeps the value and tells nobody,
    // and a drag by some pixels moves the handle by as many.
    struct Case {
        bool vertical;
        std::int32_t minPos;
        Point offset;
    } cases[] = {
        {true, 30, Point(1, 0)}, {true, 33, Point(0, 2)}, {false, 10, Point(0, 0)}, {false, 13, Point(1, 0)},
    };
    for (const Case& c : cases) {
        for (int step = 0; step <= 20; ++step) {
            const float value = float(step) / 20.0f;
            Fader* fader = c.vertical ? static_cast<Fader*>(makeVertical(value, styleMouseInvertV, c.minPos, c.offset))
                                      : makeHorizontal(value, c.minPos, c.offset);
            recorder.told.clear();
            const std::int32_t drawnAt = fader->getLastHandlePos();
            const auto at = [&](std::int32_t d) { return c.vertical ? Point(25, d) : Point(d, 152); };
            click(at(drawnAt + 2), leftButton);
            view->idle();
            EXPECT_EQ(fader->getValue(), value) << c.vertical << " " << c.minPos << " " << value;
            EXPECT_TRUE(recorder.told.empty());
            EXPECT_EQ(fader->getLastHandlePos(), drawnAt);
            // Away from the ends, five pixels towards 0 move the handle by five.
            if (step >= 4 && step <= 16) {
                const std::int32_t towardsZero = c.vertical ? 5 : -5;
                drag(at(drawnAt + 2), leftButton, {{at(drawnAt + 2 + towardsZero), leftButton}, {at(0), 0}});
                EXPECT_EQ(fader->getLastHandlePos(), drawnAt + towardsZero) << c.vertical << " " << value;
            }
            view->removeWidget(fader);
            delete fader;
        }
    }
}

TEST_F(FaderTest, DragMapsThePointerAndTellsEachValueOnce) {
    VerticalFader* fader = makeVertical(0.5f); // grabbed 2 below the handle's top (66)
    drag(Point(25, 68), leftButton,
         {{Point(25, 40), leftButton},
          {Point(25, 40), leftButton},
          {Point(25, 10), leftButton},  // past the top: 1
          {Point(25, 200), leftButton}, // past the bottom: 0
          {Point(25, 59), leftButton},
          {Point(25, 59), 0}});
    const std::vector<float> expected = {1.0f - 8.0f / 72.0f, 1.0f, 0.0f, 1.0f - 27.0f / 72.0f};
    ASSERT_EQ(recorder.told.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(recorder.told[i], expected[i], 1e-6) << i;
    EXPECT_EQ(fader->getLastHandlePos(), 59 - 2) << "drawn by the listener where the pointer holds it";
}

TEST_F(FaderTest, ShiftFinesTheDragAroundAnAnchor) {
    const float pixel = 1.0f / 72.0f;
    // Shift from the start: ten pixels move the value by one pixel's worth.
    VerticalFader* fader = makeVertical(0.25f); // handle at 84
    drag(Point(25, 86), leftButton | shiftKey, {{Point(25, 76), leftButton | shiftKey}, {Point(25, 76), 0}});
    ASSERT_EQ(recorder.told.size(), 1u);
    EXPECT_NEAR(recorder.told[0], 0.25f + pixel, 1e-6);

    // Shift pressed during the drag fines around the value reached; let go and pressed again,
    // around that first anchor still.
    fader->setValue(0.5f);
    view->idle();
    recorder.told.clear();
    const float at60 = 1.0f - 28.0f * pixel;
    const float at50 = 1.0f - 18.0f * pixel;
    const float fine = at60 + (at50 - at60) / 10.0f;
    drag(Point(25, 68), leftButton,
         {{Point(25, 60), leftButton},
          {Point(25, 60), leftButton | shiftKey},
          {Point(25, 50), leftButton | shiftKey},
          {Point(25, 50), leftButton},
          {Point(25, 50), leftButton | shiftKey},
          {Point(25, 50), 0}});
    const std::vector<float> expected = {at60, fine, at50, fine};
    ASSERT_EQ(recorder.told.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(recorder.told[i], expected[i], 1e-6) << i;
}

TEST_F(FaderTest, DragEndsWhenTheButtonsChange) {
    VerticalFader* fader = makeVertical(0.5f);
    drag(Point(25, 66), leftButton,
         {{Point(25, 40), leftButton}, {Point(25, 40), leftButton | controlKey}, {Point(25, 20), leftButton},
          {Point(25, 20), 0}});
    EXPECT_NEAR(fader->getValue(), 1.0f - 10.0f / 72.0f, 1e-6) << "stopped at the control key";
}

TEST_F(FaderTest, LeftAltAnywhereRestoresTheDefault) {
    VerticalFader* fader = makeVertical(0.2f);
    fader->setDefaultValue(0.75f);
    press(Point(22, 35), leftButton | altKey); // far from the handle
    EXPECT_EQ(fader->getValue(), 0.75f);
    EXPECT_EQ(recorder.told, std::vector<float>{0.75f});
    press(Point(22, 100), leftButton | altKey);
    EXPECT_EQ(recorder.told.size(), 1u) << "the value drawn already";
    EXPECT_EQ(platform.buttonPolls(), 0);
}

} // namespace
} // namespace gui
