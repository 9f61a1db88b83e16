// Switches and buttons: the frame each value shows, the zones of the N-position switches, and
// what press, drag and release do to the toggle, push and rocker buttons and the on/off button.
#include "PixelTestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/widgets/OnOffButton.h"
#include "gui/widgets/RockerSwitch.h"
#include "gui/widgets/Switch.h"
#include "gui/widgets/ToggleButton.h"

#include <gtest/gtest.h>

#include <vector>

namespace gui {
namespace {

using test::Recorder;
using test::TestPicture;
using Told = std::vector<float>;

// Frames of the three-frame strip.
constexpr Colour frame0 = redColour;
constexpr Colour frame1 = greenColour;
constexpr Colour frame2 = blueColour;

// Every widget below is one 90 x 30 frame at (20, 20).
constexpr Rect place(20, 20, 110, 50);

class SwitchTest : public test::ScriptedFixture {
protected:
    Colour shown() { return colourOf(pixels().pixel(60, 35)); }
    template <class W>
    W* fresh(W* widget, float value) {
        widget->setValue(value);
        recorder.told.clear();
        return add(widget);
    }
    void drop(Widget* widget) {
        view->removeWidget(widget);
        delete widget;
        platform.setPointer(Point(), 0);
    }

    Recorder recorder;
    TestPicture strip{test::threeFramesId};
};

TEST_F(SwitchTest, SwitchShowsThePositionTheValueReached) {
    const struct Case {
        float value;
        Colour frame;
    } cases[] = {{0.0f, frame0}, {0.49f, frame0}, {0.5f, frame1}, {0.99f, frame1},
                 {1.0f, frame2}, {3.0f, frame2},  {-1.0f, frame0}};
    for (bool vertical : {true, false}) {
        Switch* s = vertical ? static_cast<Switch*>(new VerticalSwitch(place, &recorder, 0, 30, 3, strip))
                             : new HorizontalSwitch(place, &recorder, 0, 30, 3, strip);
        EXPECT_EQ(s->getDefaultValue(), 0.0f);
        add(s);
        for (const Case& c : cases) {
            s->setValue(c.value);
            view->idle();
            EXPECT_EQ(shown(), c.frame) << vertical << " " << c.value;
        }
        drop(s);
    }
}

TEST_F(SwitchTest, PressPicksTheZoneUnderThePointer) {
    // Three zones of 10 pixels down the vertical switch's frame, of 30 across the horizontal
    // switch's picture, whose zone ends belong to the zone before them.
    const struct Case {
        bool vertical;
        std::int32_t d;
        float expected;
    } cases[] = {
        {true, 0, 0.0f},   {true, 9, 0.0f},   {true, 10, 0.5f},  {true, 19, 0.5f},   {true, 20, 1.0f},
        {true, 30, 1.0f},  {false, 0, 0.0f},  {false, 30, 0.0f}, {false, 31, 0.5f},  {false, 60, 0.5f},
        {false, 61, 1.0f}, {false, 90, 1.0f},
    };
    for (const Case& c : cases) {
        Switch* s = c.vertical ? static_cast<Switch*>(new VerticalSwitch(place, &recorder, 0, 30, 3, strip))
                               : new HorizontalSwitch(place, &recorder, 0, 30, 3, strip);
        fresh(s, 0.25f);
        click(c.vertical ? Point(60, 20 + c.d) : Point(20 + c.d, 35), leftButton);
        EXPECT_EQ(s->getValue(), c.expected) << c.vertical << " d " << c.d;
        EXPECT_EQ(recorder.told, Told{c.expected});
        drop(s);
    }
}

TEST_F(SwitchTest, DragFollowsTheZonesAndLeftAltGoesToTheDefault) {
    auto* s = fresh(new VerticalSwitch(place, &recorder, 0, 30, 3, strip), 0.0f);
    drag(Point(60, 22), leftButton,
         {{Point(60, 25), leftButton},
          {Point(60, 32), leftButton},
          {Point(60, 38), leftButton},
          {Point(60, 90), leftButton}, // below the switch: the last position
          {Point(60, 5), leftButton},  // above it: the first
          {Point(60, 5), 0}});
    EXPECT_EQ(recorder.told, (Told{0.5f, 1.0f, 0.0f}));
    EXPECT_EQ(shown(), frame0);
    s->setValue(1.0f);
    view->idle();
    press(Point(60, 45), leftButton | altKey);
    EXPECT_EQ(recorder.told, (Told{0.5f, 1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(shown(), frame0);
    press(Point(60, 45), leftButton | altKey);
    EXPECT_EQ(recorder.told.size(), 4u) << "at the default already";
}

TEST_F(SwitchTest, ToggleFlipsWhileThePressIsOverIt) {
    const Point inside(60, 35);
    const Point outside(60, 70);
    const struct Case {
        const char* what;
        std::vector<test::PointerStep> after;
        Told told;
        float value;
    } cases[] = {
        {"press and release", {{inside, 0}}, {1.0f}, 1.0f},
        {"dragged out and let go", {{outside, leftButton}, {outside, 0}}, {1.0f, 0.0f}, 0.0f},
        {"out and back in", {{outside, leftButton}, {inside, leftButton}, {inside, 0}}, {1.0f, 0.0f, 1.0f}, 1.0f},
    };
    for (const Case& c : cases) {
        auto* toggle = fresh(new ToggleButton(place, &recorder, 0, 30, strip), 0.0f);
        for (const auto& step : c.after) script({step});
        press(inside, leftButton);
        EXPECT_EQ(recorder.told, c.told) << c.what;
        EXPECT_EQ(toggle->getValue(), c.value) << c.what;
        EXPECT_EQ(shown(), c.value != 0.0f ? frame1 : frame0) << c.what;
        drop(toggle);
    }
}

TEST_F(SwitchTest, ToggleAndPushDrawOnlyZeroOrOne) {
    auto* toggle = fresh(new ToggleButton(place, &recorder, 0, 30, strip), 3.0f);
    EXPECT_EQ(toggle->getValue(), 1.0f) << "stored as drawn";
    EXPECT_EQ(shown(), frame1);
    toggle->setValue(-2.0f);
    view->idle();
    EXPECT_EQ(toggle->getValue(), 0.0f);
    EXPECT_EQ(shown(), frame0);
    drop(toggle);
    // The push button's frames start at its offset.
    auto* push = fresh(new PushButton(place, &recorder, 0, 30, strip, Point(0, 30)), 0.0f);
    EXPECT_EQ(shown(), frame1);
    push->setValue(0.4f);
    view->idle();
    EXPECT_EQ(shown(), frame2);
    drop(push);
}

TEST_F(SwitchTest, PushIsOnWhileHeldAndAlwaysEndsAtZero) {
    const Point inside(60, 35);
    const Point outside(150, 35);
    const struct Case {
        const char* what;
        std::vector<test::PointerStep> after;
        Told told;
    } cases[] = {
        {"press and release", {{inside, 0}}, {1.0f, 0.0f}},
        {"held, then let go", {{inside, leftButton}, {inside, leftButton}, {inside, 0}}, {1.0f, 0.0f}},
        {"dragged off", {{outside, leftButton}, {outside, 0}}, {1.0f, 0.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        auto* push = fresh(new PushButton(place, &recorder, 0, 30, strip, Point(0, 0)), 0.0f);
        for (const auto& step : c.after) script({step});
        press(inside, leftButton);
        EXPECT_EQ(recorder.told, c.told) << c.what;
        EXPECT_EQ(push->getValue(), 0.0f);
        EXPECT_EQ(shown(), frame0) << c.what;
        drop(push);
    }
}

TEST_F(SwitchTest, RockerFollowsTheHalvesAndSpringsBack) {
    auto* rocker = fresh(new RockerSwitch(place, &recorder, 0, 30, strip, Point(0, 0)), 0.0f);
    const struct Frame {
        float value;
        Colour frame;
    } frames[] = {{-1.0f, frame0}, {0.0f, frame1}, {1.0f, frame2}, {0.5f, frame0}};
    for (const Frame& f : frames) {
        rocker->setValue(f.value);
        view->idle();
        EXPECT_EQ(shown(), f.frame) << f.value;
    }
    rocker->setValue(0.0f);
    view->idle();
    // The middle column (20 + 90 / 2) belongs to the left half.
    const struct Case {
        Point at;
        std::vector<test::PointerStep> after;
        Told told;
    } cases[] = {
        {Point(30, 35), {{Point(30, 35), 0}}, {-1.0f, 0.0f}},
        {Point(65, 35), {{Point(65, 35), 0}}, {-1.0f, 0.0f}},
        {Point(66, 35), {{Point(66, 35), 0}}, {1.0f, 0.0f}},
        {Point(30, 35),
         {{Point(100, 35), leftButton}, {Point(100, 80), leftButton}, {Point(100, 80), 0}},
         {-1.0f, 1.0f, 0.0f, 0.0f}}, // over, then off it: as before the press
    };
    for (const Case& c : cases) {
        recorder.told.clear();
        for (const auto& step : c.after) script({step});
        press(c.at, leftButton);
        EXPECT_EQ(recorder.told, c.told) << c.at.h;
        EXPECT_EQ(rocker->getValue(), 0.0f);
        EXPECT_EQ(shown(), frame1);
    }
}

TEST_F(SwitchTest, OnOffButtonFlipsOnAnyPressAndDrawsAtOnce) {
    TestPicture frames(test::twoFramesId); // off yellow above, on aqua below, 12 each
    const Rect button(20, 60, 52, 72);
    const struct Case {
        float value;
        std::int32_t buttons;
        float expected;
    } cases[] = {
        {1.0f, leftButton, 0.0f},  {0.7f, leftButton, 1.0f},           {0.3f, leftButton, 1.0f},
        {0.0f, rightButton, 1.0f}, {-1.0f, leftButton | altKey, 0.0f}, {1.5f, leftButton, 0.0f},
    };
    for (const Case& c : cases) {
        auto* onOff = new OnOffButton(button, nullptr, 6, frames);
        fresh(onOff, c.value);
        EXPECT_EQ(colourOf(pixels().pixel(30, 65)), c.value != 0.0f ? aquaColour : yellowColour) << c.value;
        press(Point(30, 65), c.buttons);
        EXPECT_EQ(onOff->getValue(), c.expected) << c.value;
        EXPECT_EQ(colourOf(pixels().pixel(30, 65)), c.expected != 0.0f ? aquaColour : yellowColour)
            << "drawn before anyone is told";
        EXPECT_EQ(platform.buttonPolls(), 0) << "buttons not even looked at";
        drop(onOff);
    }
    // Told on every press, even when its listener does not redraw it.
    struct Quiet : ValueListener {
        void valueChanged(DrawPort&, ValueWidget* widget) override { told.push_back(widget->getValue()); }
        Told told;
    } quiet;
    add(new OnOffButton(button, &quiet, 6, frames));
    press(Point(30, 65), leftButton);
    press(Point(30, 65), leftButton);
    EXPECT_EQ(quiet.told, (Told{1.0f, 0.0f}));
    // Without a picture it draws nothing.
    auto* bare = add(new OnOffButton(Rect(60, 60, 92, 72), nullptr, 7, nullptr));
    bare->setValue(1.0f);
    view->idle();
    EXPECT_EQ(colourOf(pixels().pixel(70, 65)), colourOf(pixels().pixel(95, 65)));
}

} // namespace
} // namespace gui
