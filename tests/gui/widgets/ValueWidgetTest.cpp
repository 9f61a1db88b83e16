// The value widget base: redraw on change, values stored as given, the tracking idle through
// the parent view, mouse handling switched off, and values set from another thread while the
// editor thread draws.
#include "WidgetFixture.h"
#include "gui/DrawPort.h"
#include "gui/widgets/ValueWidget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace gui {
namespace {

// Records every value it draws.
class Meter : public ValueWidget {
public:
    Meter(const Rect& r, ValueListener* owner = nullptr, std::int32_t ownerTag = 0) : ValueWidget(r, owner, ownerTag) {}
    void draw(DrawPort& port) override {
        const float shown = getValue();
        drawn.push_back(shown);
        port.setFillColour(greenColour);
        port.fillRect(rect);
        setOldValue(shown);
    }
    // Sets 1 and tells the listener when that differs from what was drawn.
    void mouse(DrawPort& port, Point) override {
        if (!getMouseEnabled()) return;
        setValue(1.0f);
        if (getValue() != getOldValue()) listener->valueChanged(port, this);
    }
    std::vector<float> drawn;
};

class Listener : public ValueListener {
public:
    void valueChanged(DrawPort& port, ValueWidget* widget) override {
        told.push_back(widget->getTag());
        widget->update(port);
    }
    std::vector<std::int32_t> told;
};

class ValueWidgetTest : public test::WidgetFixture {};

TEST_F(ValueWidgetTest, RedrawsOnlyWhenTheValueMovedSinceItWasDrawn) {
    auto* meter = new Meter(Rect(10, 10, 30, 30));
    EXPECT_EQ(meter->getOldValue(), -1.0f);
    EXPECT_EQ(meter->getDefaultValue(), 0.5f);
    EXPECT_EQ(meter->getValue(), 0.0f);
    EXPECT_EQ(meter->getMin(), 0.0f);
    EXPECT_EQ(meter->getMax(), 1.0f);
    EXPECT_TRUE(meter->getMouseEnabled());
    view->addWidget(meter);
    using Drawn = std::vector<float>;
    struct Step {
        const char* what;
        void (*change)(Meter&);
        Drawn drawnSoFar;
    } steps[] = {
        {"a new widget is drawn by the first update", [](Meter&) {}, {0.0f}},
        {"nothing changed: nothing drawn", [](Meter&) {}, {0.0f}},
        {"a new value is drawn once", [](Meter& m) { m.setValue(0.3f); }, {0.0f, 0.3f}},
        {"the same value again draws nothing", [](Meter& m) { m.setValue(0.3f); }, {0.0f, 0.3f}},
        {"out of range: stored and drawn as given", [](Meter& m) { m.setValue(7.5f); }, {0.0f, 0.3f, 7.5f}},
        {"bounds and default only store", [](Meter& m) { m.setMin(-2.0f), m.setMax(9.0f), m.setDefaultValue(0.1f); },
         {0.0f, 0.3f, 7.5f}},
        {"moving oldValue forces a redraw", [](Meter& m) { m.setOldValue(0.0f); }, {0.0f, 0.3f, 7.5f, 7.5f}},
    };
    for (const Step& s : steps) {
        s.change(*meter);
        view->idle();
        EXPECT_EQ(meter->drawn, s.drawnSoFar) << s.what;
    }
    EXPECT_EQ(meter->getValue(), 7.5f);
    EXPECT_EQ(meter->getMin(), -2.0f);
    EXPECT_EQ(meter->getMax(), 9.0f);
    EXPECT_EQ(meter->getDefaultValue(), 0.1f);
    EXPECT_EQ(pixels().pixel(20, 20), pixelOf(greenColour));
    // A new widget whose value is exactly -1 is not drawn by the first update.
    auto* unset = new Meter(Rect(40, 10, 60, 30));
    unset->setValue(-1.0f);
    view->addWidget(unset);
    view->idle();
    EXPECT_TRUE(unset->drawn.empty());
}

TEST_F(ValueWidgetTest, TrackingIdleGoesThroughTheParentView) {
    Meter loose(Rect(0, 0, 5, 5));
    loose.idleWhileTracking(); // no parent: nothing happens
    EXPECT_EQ(hostIdles, 0);
    auto* meter = new Meter(Rect(0, 0, 5, 5));
    view->addWidget(meter);
    platform.advanceClock(1000);
    meter->idleWhileTracking();
    EXPECT_EQ(hostIdles, 1);
    meter->idleWhileTracking(); // throttled by the editor
    EXPECT_EQ(hostIdles, 1);
    hostIdles = 0;
}

// A press on a widget whose mouse handling is off changes nothing, tells nobody and reaches no
// widget below it; switched on again, one press tells the listener once.
TEST_F(ValueWidgetTest, MouseSwitchedOffIgnoresPresses) {
    Listener listener;
    auto* below = new Meter(Rect(0, 0, 100, 100), &listener, 1);
    auto* meter = new Meter(Rect(20, 20, 40, 40), &listener, 2);
    view->addWidget(below);
    view->addWidget(meter);
    view->idle();
    meter->setMouseEnabled(false);
    EXPECT_FALSE(meter->getMouseEnabled());
    press(Point(30, 30), leftButton);
    EXPECT_TRUE(listener.told.empty());
    EXPECT_EQ(meter->getValue(), 0.0f);
    meter->setMouseEnabled(true);
    press(Point(30, 30), leftButton);
    press(Point(30, 30), leftButton); // already 1 and drawn: not told again
    EXPECT_EQ(listener.told, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(meter->drawn.back(), 1.0f);
}

// The host's parameter thread sets values while the editor thread runs idle passes: every
// value drawn is one that was set, and the last one set is drawn in the end.
TEST_F(ValueWidgetTest, ValuesSetFromAnotherThreadAreDrawnNotLost) {
    auto* meter = new Meter(Rect(10, 10, 30, 30));
    view->addWidget(meter);
    constexpr int last = 20000;
    std::atomic<bool> drawing(false);
    std::atomic<bool> done(false);
    std::thread parameters([&] {
        while (!drawing) std::this_thread::yield();
        for (int i = 1; i <= last; ++i) {
            meter->setValue(float(i));
            if (i % 50 == 0) std::this_thread::yield();
        }
        done = true;
    });
    while (!done) {
        view->idle();
        drawing = true;
    }
    parameters.join();
    view->idle();
    ASSERT_FALSE(meter->drawn.empty());
    EXPECT_EQ(meter->drawn.back(), float(last));
    float previous = -1.0f;
    for (float v : meter->drawn) {
        EXPECT_EQ(v, float(int(v)));
        EXPECT_GT(v, previous);
        previous = v;
    }
}

} // namespace
} // namespace gui
