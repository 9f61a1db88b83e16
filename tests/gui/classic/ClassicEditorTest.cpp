// The older editor base's tracking idle: every pass refreshes and idles the view, sleeps 10 ms
// while the host had idle time less than 100 ms ago, and gives the host idle time and one
// pending paint (never a press) only once 50 ms have passed; a host that idles the editor from
// its idle callback finds it busy.
#include "ClassicFixture.h"
#include "gui/classic/ValueWidget.h"

#include <gtest/gtest.h>

namespace gui::classic {
namespace {

using test::ClassicFixture;

// Counts the view's idle passes (updates) and full draws.
class Counter : public ValueWidget {
public:
    explicit Counter(const Rect& r) : ValueWidget(r, nullptr, 0, nullptr) {}
    void draw(DrawPort&) override {
        ++draws;
        setDirty(false);
    }
    void update(DrawPort& port) override {
        ++updates;
        ValueWidget::update(port);
    }
    void mouse(DrawPort&, Point) override { ++presses; }
    int draws = 0;
    int updates = 0;
    int presses = 0;
};

class ClassicEditorTest : public ClassicFixture {};

TEST_F(ClassicEditorTest, TrackingIdleSleepsEveryPassAndIdlesTheHostEveryFiftyMilliseconds) {
    auto* counter = add(new Counter(Rect(0, 0, 20, 20)));
    const int updates = counter->updates;
    const std::uint32_t start = platform.tickCount();
    for (int pass = 1; pass <= 20; ++pass) {
        const int hostIdlesBefore = hostIdles;
        editor->idleWhileTracking();
        EXPECT_EQ(hostIdles - hostIdlesBefore, pass % 5 == 0 ? 1 : 0) << pass;
    }
    EXPECT_EQ(platform.tickCount() - start, 200u); // a 10 ms sleep on every pass
    EXPECT_EQ(counter->updates - updates, 20);

    // Long after the host last had idle time: no sleep, the host idles at once.
    platform.advanceClock(150);
    const std::uint32_t before = platform.tickCount();
    editor->idleWhileTracking();
    EXPECT_EQ(platform.tickCount(), before);
    EXPECT_EQ(hostIdles, 5);
}

TEST_F(ClassicEditorTest, TrackingIdleHandlesOnePaintAndLeavesPressesQueued) {
    auto* counter = add(new Counter(Rect(0, 0, 20, 20)));
    platform.advanceClock(1000);
    platform.postPaint(view->getWindow());
    platform.postPaint(view->getWindow());
    platform.postButtonPress(view->getWindow(), Point(5, 5), leftButton);
    const int draws = counter->draws;
    editor->idleWhileTracking();
    EXPECT_EQ(counter->draws, draws + 1);
    EXPECT_EQ(counter->presses, 0);
    EXPECT_EQ(platform.pendingEvents(), 2u);
}

// A host that answers its idle callback by idling the editor: the nested idle does nothing,
// so presses are not handled inside a drag and the view is not idled twice.
TEST_F(ClassicEditorTest, EditorIdleInsideTheTrackingIdleDoesNothing) {
    auto* counter = add(new Counter(Rect(0, 0, 20, 20)));
    platform.advanceClock(1000);
    onHostIdle = [this] { editor->idle(); };
    platform.postButtonPress(view->getWindow(), Point(5, 5), leftButton);
    const int updates = counter->updates;
    editor->idleWhileTracking();
    EXPECT_EQ(hostIdles, 1);
    EXPECT_EQ(counter->updates, updates + 1);
    EXPECT_EQ(counter->presses, 0);
    onHostIdle = nullptr;
    editor->idle(); // outside a drag, idle works as always
    EXPECT_EQ(counter->presses, 1);
    EXPECT_EQ(counter->updates, updates + 2);
}

} // namespace
} // namespace gui::classic
