// The older widget generation where it differs from the newer one: the default-value click
// with Control, the dial's linear drag and its guard against jumping across the gap, the
// fader's free click, the switch that stops on any change of buttons, the dirty flag, presses
// that pass by a widget whose mouse handling is off, and the splash.
#include "ClassicFixture.h"
#include "gui/classic/ValueWidget.h"
#include "gui/Picture.h"
#include "gui/classic/Dial.h"
#include "gui/classic/HorizontalSwitch.h"
#include "gui/classic/SplashView.h"
#include "gui/classic/VerticalFader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace gui::classic {
namespace {

using test::ClassicFixture;

// Pictures that only give sizes (they draw nothing); the test's reference goes at the end.
struct Sized {
    Sized(std::int32_t w, std::int32_t h) : picture(new Picture(w, h)) {}
    ~Sized() { picture->release(); }
    Picture* picture;
};

class ClassicWidgetTest : public ClassicFixture {
protected:
    // A 40 x 40 dial at (20, 20) without pictures: its angle is taken about (40, 40).
    Dial* dial() { return add(new Dial(Rect(20, 20, 60, 60), &recorder, 1, nullptr, nullptr, Point(0, 0))); }
    // A 19 x 100 fader at (100, 20): handle 12 x 20, travel from 20 to 100, 1 at the top.
    VerticalFader* fader(std::int32_t minPos = 20) {
        return add(new VerticalFader(Rect(100, 20, 119, 120), &recorder, 2, minPos, 100, handle.picture, nullptr,
                                     Point(0, 0), styleMouseInvertV));
    }
    // Two positions side by side in a 42 x 17 switch at (150, 10).
    HorizontalSwitch* twoWay() {
        return add(new HorizontalSwitch(Rect(150, 10, 192, 27), &recorder, 3, 17, 2, strip.picture));
    }

    Sized handle{12, 20};
    Sized strip{42, 34};
};

// Control with the left button restores the default; Alt does not (the dial drags linearly
// with it, the fader ignores it, the switch takes the position).
TEST_F(ClassicWidgetTest, DefaultValueClickIsControlNotAlt) {
    const struct {
        const char* widget;
        std::int32_t buttons;
        float expected;
    } cases[] = {
        {"dial", leftButton | controlKey, 0.7f},  {"dial", leftButton | altKey, 0.3f},
        {"fader", leftButton | controlKey, 0.7f}, {"fader", leftButton | altKey, 0.3f},
        {"switch", leftButton | controlKey, 0.7f}, {"switch", leftButton | altKey, 1.0f},
    };
    for (const auto& c : cases) {
        recorder.told.clear();
        ValueWidget* w = c.widget == std::string("dial")    ? static_cast<ValueWidget*>(dial())
                         : c.widget == std::string("fader") ? static_cast<ValueWidget*>(fader())
                                                            : static_cast<ValueWidget*>(twoWay());
        w->setValue(0.3f);
        w->setDefaultValue(0.7f);
        view->idle();
        click(Point(w->getRect().right - 2, w->getRect().top + 2), c.buttons);
        EXPECT_FLOAT_EQ(w->getValue(), c.expected) << c.widget << " " << c.buttons;
        EXPECT_EQ(recorder.told.size(), c.expected == 0.3f ? 0u : 1u) << c.widget << " " << c.buttons;
        view->removeWidget(w);
        delete w;
    }
}

// With Alt the dial follows the mouse up and down, a hundredth of the range per pixel, a
// three-hundredth with Shift; pressing or letting go of Shift mid-drag does not make it jump.
TEST_F(ClassicWidgetTest, DialAltDragIsLinearAndShiftChangesTheStepWithoutAJump) {
    Dial* d = dial();
    d->setValue(0.2f);
    view->idle();
    script({{Point(40, 25), leftButton | altKey},            // 30 up: 0.5
            {Point(40, 25), leftButton | altKey | shiftKey}, // Shift pressed: stays
            {Point(40, -5), leftButton | altKey | shiftKey}, // 30 more up: a tenth
            {Point(40, -5), leftButton | altKey},            // Shift let go: stays
            {Point(40, 95), leftButton | altKey},            // 100 down: clamped at 0
            {Point(0, 0), 0}});
    press(Point(40, 55), leftButton | altKey);
    // The step change may round the value by an ulp, which counts as a change; no more.
    std::vector<float> moves;
    for (float v : recorder.told) {
        if (moves.empty() || std::fabs(v - moves.back()) > 1e-5f) moves.push_back(v);
    }
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_NEAR(moves[0], 0.5f, 1e-5);
    EXPECT_NEAR(moves[1], 0.6f, 1e-5);
    EXPECT_EQ(moves[2], 0.0f);
}

// Dragged from the right over the gap at the bottom to the left, the dial stays at its
// maximum instead of jumping to the minimum, and follows again when the mouse comes back.
TEST_F(ClassicWidgetTest, DialAngleDragDoesNotJumpAcrossTheGap) {
    dial();
    script({{Point(45, 60), leftButton},  // bottom, right of centre: the gap's max half
            {Point(35, 60), leftButton},  // bottom, left of centre: the min half
            {Point(20, 40), leftButton},  // straight left: a sixth of the range
            {Point(60, 40), leftButton},  // back to straight right
            {Point(60, 40), 0}});
    press(Point(60, 40), leftButton); // straight right: five sixths
    ASSERT_EQ(recorder.told.size(), 3u);
    EXPECT_NEAR(recorder.told[0], 5.0f / 6.0f, 1e-4);
    EXPECT_EQ(recorder.told[1], 1.0f);
    EXPECT_NEAR(recorder.told[2], 5.0f / 6.0f, 1e-4);
}

// A click anywhere in the fader brings the handle's centre there at once; with the free click
// off only a click on the handle starts a drag, which keeps the grab point.
TEST_F(ClassicWidgetTest, FaderFreeClickMovesTheHandleToTheMouse) {
    VerticalFader* f = fader();
    f->setValue(0.5f);
    view->idle();
    EXPECT_EQ(f->getLastHandlePos(), 60);
    click(Point(101, 89), leftButton); // beside the handle, low: reference 20 + 10 - 1
    EXPECT_FLOAT_EQ(f->getValue(), 1.0f - (89 - 29) / 80.0f);
    EXPECT_EQ(recorder.told.size(), 1u);
    view->idle();

    f->setFreeClick(false);
    recorder.told.clear();
    press(Point(101, 40), leftButton); // above the handle now at 80..100: not even a poll
    EXPECT_FLOAT_EQ(f->getValue(), 0.25f);
    EXPECT_TRUE(recorder.told.empty());
    script({{Point(105, 70), leftButton}, {Point(105, 70), 0}});
    press(Point(105, 85), leftButton); // on the handle, 5 below its top
    ASSERT_EQ(recorder.told.size(), 1u);
    EXPECT_FLOAT_EQ(recorder.told[0], 0.25f + 15.0f / 80.0f);
}

// Shift pressed mid-drag moves the value a tenth as fast from where it was; let go, the value
// follows the mouse again.
TEST_F(ClassicWidgetTest, FaderShiftMidDragFinesFromTheCurrentValue) {
    VerticalFader* f = fader();
    script({{Point(110, 60), leftButton},
            {Point(110, 40), leftButton | shiftKey},
            {Point(110, 40), leftButton | shiftKey},
            {Point(110, 40), leftButton},
            {Point(110, 40), 0}});
    press(Point(110, 69), leftButton);
    ASSERT_EQ(recorder.told.size(), 4u);
    const float atPress = 1.0f - (69 - 29) / 80.0f;
    const float at60 = 1.0f - (60 - 29) / 80.0f;
    EXPECT_FLOAT_EQ(recorder.told[0], atPress);
    EXPECT_FLOAT_EQ(recorder.told[1], at60);
    EXPECT_NEAR(recorder.told[2], at60 + 20.0f / 80.0f / 10.0f, 1e-6);
    EXPECT_FLOAT_EQ(recorder.told[3], 1.0f - (40 - 29) / 80.0f);
    EXPECT_FLOAT_EQ(f->getValue(), recorder.told[3]);
}

// The switch's drag lasts while the buttons stay exactly as pressed: Shift pressed ends it.
TEST_F(ClassicWidgetTest, SwitchDragEndsWhenAModifierChanges) {
    HorizontalSwitch* s = twoWay();
    s->setValue(1.0f);
    view->idle();
    script({{Point(185, 15), leftButton},
            {Point(185, 15), leftButton},
            {Point(155, 15), leftButton | shiftKey}, // ends the drag here
            {Point(155, 15), leftButton},
            {Point(155, 15), 0}});
    press(Point(155, 15), leftButton);
    EXPECT_EQ(recorder.told, (std::vector<float>{0.0f, 1.0f}));
    EXPECT_EQ(s->getValue(), 1.0f);
    EXPECT_EQ(platform.buttonPolls(), 3);
}

// A short click handled after the user let go and moved on still acts at the press point.
TEST_F(ClassicWidgetTest, ShortClickAlreadyReleasedActsAtThePressPoint) {
    const auto shortClick = [this](Point where) {
        script({{Point(0, 0), 0}}); // by the first poll the pointer is far away
        press(where, leftButton);
    };
    Dial* d = dial();
    shortClick(Point(60, 40));
    EXPECT_NEAR(d->getValue(), 5.0f / 6.0f, 1e-4);
    VerticalFader* f = fader();
    shortClick(Point(110, 29));
    EXPECT_EQ(f->getValue(), 1.0f);
    HorizontalSwitch* s = twoWay();
    shortClick(Point(190, 15));
    EXPECT_EQ(s->getValue(), 1.0f);
    EXPECT_EQ(recorder.told.size(), 3u);
}

// A probe of the older base: counts its draws.
class Probe : public ValueWidget {
public:
    explicit Probe(const Rect& r) : ValueWidget(r, nullptr, 0, nullptr) {}
    void draw(DrawPort& port) override {
        ++draws;
        port.setFillColour(greenColour);
        port.fillRect(rect);
        setDirty(false);
    }
    void mouse(DrawPort&, Point) override { ++presses; }
    int draws = 0;
    int presses = 0;
};

// Dirty: a new widget, a value moved, or the flag set; setDirty(true) moves the value last
// drawn away from the value (also from -1), setDirty(false) onto it; the view's full redraw
// leaves the dirty state as it was, so the next idle still draws what changed.
TEST_F(ClassicWidgetTest, DirtyFlagAndValueDecideWhatUpdateDraws) {
    auto* p = new Probe(Rect(10, 10, 30, 30));
    EXPECT_EQ(p->getOldValue(), 1.0f);
    EXPECT_TRUE(p->isDirty());
    add(p);
    EXPECT_EQ(p->draws, 1);
    EXPECT_FALSE(p->isDirty());

    const struct {
        const char* what;
        void (*change)(Probe&);
        float oldValue;
        bool dirty;
    } steps[] = {
        {"nothing", [](Probe&) {}, 0.0f, false},
        {"value moved", [](Probe& w) { w.setValue(0.4f); }, 0.0f, true},
        {"flag set", [](Probe& w) { w.setDirty(true); }, -1.0f, true},
        {"flag set at -1", [](Probe& w) {
             w.setValue(-1.0f);
             w.setDirty(true);
         },
         0.0f, true},
    };
    for (const auto& s : steps) {
        p->setValue(0.0f);
        p->setDirty(false);
        s.change(*p);
        if (s.dirty) {
            EXPECT_EQ(p->getOldValue(), s.oldValue) << s.what;
        }
        const int before = p->draws;
        view->redrawWidget(nullptr); // the full redraw keeps the state
        EXPECT_EQ(p->isDirty(), s.dirty) << s.what;
        view->idle();
        EXPECT_EQ(p->draws - before, s.dirty ? 2 : 1) << s.what;
        EXPECT_FALSE(p->isDirty()) << s.what;
    }

    Dial* d = dial();
    d->setLineColour(redColour);
    EXPECT_TRUE(d->isDirty());
}

// A press passes by a widget whose mouse handling is off to the one below it.
TEST_F(ClassicWidgetTest, PressesPassByWidgetsWhoseMouseHandlingIsOff) {
    auto* below = add(new Probe(Rect(10, 10, 50, 50)));
    auto* above = add(new Probe(Rect(20, 20, 60, 60)));
    click(Point(30, 30), leftButton);
    EXPECT_EQ(above->presses, 1);
    EXPECT_EQ(below->presses, 0);
    above->setMouseEnabled(false);
    click(Point(30, 30), leftButton);
    EXPECT_EQ(above->presses, 1);
    EXPECT_EQ(below->presses, 1);
    EXPECT_EQ(above->getMouseableArea(), Rect(20, 20, 60, 60));
}

// A click opens the splash over its larger rectangle as the modal widget; the next click in
// it closes it and the whole view is drawn again. Each is told once. While another widget is
// modal, the splash stays closed.
TEST_F(ClassicWidgetTest, SplashOpensOnAClickAndClosesOnTheNext) {
    Sized about(100, 100);
    auto* under = add(new Probe(Rect(120, 20, 140, 40)));
    auto* splash = add(new SplashView(Rect(10, 10, 30, 30), &recorder, 100, about.picture, Rect(100, 10, 200, 110),
                                      Point(0, 0)));
    click(Point(15, 15), leftButton);
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(view->getModalWidget(), splash);
    EXPECT_EQ(splash->getRect(), Rect(100, 10, 200, 110));
    const int drawn = under->draws;
    click(Point(15, 15), leftButton); // outside the splash now: swallowed
    EXPECT_EQ(splash->getValue(), 1.0f);
    click(Point(190, 100), leftButton);
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(view->getModalWidget(), nullptr);
    EXPECT_EQ(splash->getRect(), Rect(10, 10, 30, 30));
    EXPECT_EQ(under->draws, drawn + 1);
    EXPECT_EQ(recorder.told, (std::vector<float>{1.0f, 0.0f}));

    ASSERT_TRUE(view->setModalWidget(under));
    recorder.told.clear();
    DrawPort port(view, nullptr, nullptr);
    port.setPress(Point(15, 15), leftButton);
    splash->mouse(port, Point(15, 15));
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(splash->getRect(), Rect(10, 10, 30, 30));
    EXPECT_TRUE(recorder.told.empty());
}

} // namespace
} // namespace gui::classic
