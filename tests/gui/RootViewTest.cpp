// The widget tree, the root view's window handling and the editor base, on the headless
// platform with a fake clock and a scripted pointer.
#include "PixelTestSupport.h"
#include "gui/DrawPort.h"
#include "gui/GuiEditorBase.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include "EffectBaseExt.h"
#include "Module.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace gui {
namespace {

using test::pixelsOf;

// Everything the widgets and the host see, in order.
std::vector<std::string> journal;
HeadlessPlatform* currentPlatform = nullptr;
NativeWindow hostOpenedWindow = 0;

VstIntPtr fakeHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    switch (opcode) {
    case audioMasterIdle:
        journal.push_back("host idle");
        return 0;
    case audioMasterOpenWindow: {
        auto* description = static_cast<VstWindow*>(ptr);
        journal.push_back("open window " + std::string(description->title) + " " +
                          std::to_string(description->xPos) + "," + std::to_string(description->yPos) + " " +
                          std::to_string(description->width) + "x" + std::to_string(description->height));
        hostOpenedWindow = currentPlatform->createHostWindow(
            0, Rect(description->xPos, description->yPos, description->xPos + description->width,
                    description->yPos + description->height));
        return VstIntPtr(hostOpenedWindow);
    }
    case audioMasterCloseWindow:
        journal.push_back("close window");
        return 1;
    default:
        return 0;
    }
}

class Effect : public EffectBaseExt {
public:
    Effect() : EffectBaseExt(fakeHost, 1, 2) {}
    void process(float**, float**, VstInt32) override {}
};

class Editor : public GuiEditorBase {
public:
    explicit Editor(EffectBase* edited) : GuiEditorBase(edited) {}
    void refresh() override { journal.push_back("refresh"); }
    void idle() override {
        journal.push_back("editor idle");
        GuiEditorBase::idle();
    }
    void setView(RootView* view) { rootView = view; }
    ERect& size() { return rect; }
};

// Fills its rectangle; records draws, presses, updates and edits.
class Probe : public Widget {
public:
    Probe(const char* name, const Rect& r, Colour c) : Widget(r), name_(name), colour_(c) {}
    ~Probe() override { journal.push_back(name_ + " destroyed"); }
    void draw(DrawPort& port) override {
        journal.push_back(name_ + " draw");
        port.setFillColour(colour_);
        port.fillRect(Rect(rect.left - 1, rect.top - 1, rect.right, rect.bottom));
    }
    void mouse(DrawPort&, Point where) override {
        journal.push_back(name_ + " mouse " + std::to_string(where.h) + "," + std::to_string(where.v));
        if (startsEdit) {
            parent->setFocusWidget(this);
            beginEditing();
        }
    }
    void update(DrawPort&) override { journal.push_back(name_ + " update"); }
    void endEditing() override { journal.push_back(name_ + " end edit"); }
    void beginEditing() override { journal.push_back(name_ + " begin edit"); }
    bool startsEdit = false;

private:
    std::string name_;
    Colour colour_;
};

// Follows a drag by polling the port until every button and key is released.
class Tracker : public Widget {
public:
    explicit Tracker(const Rect& r) : Widget(r) {}
    void mouse(DrawPort& port, Point) override {
        for (std::int32_t buttons = port.mouseButtons(); buttons != 0; buttons = port.mouseButtons()) {
            Point p;
            port.mousePosition(p);
            if (passes == 0) {
                firstButtons = buttons;
                first = p;
            }
            last = p;
            ++passes;
            if (duringPass) duringPass(passes);
            parent->idleWhileTracking();
        }
    }
    std::int32_t firstButtons = 0;
    Point first;
    Point last;
    int passes = 0;
    std::function<void(int)> duringPass;
};

class RootViewTest : public ::testing::Test {
protected:
    RootViewTest() {
        journal.clear();
        currentPlatform = &platform;
        Platform::install(&platform);
        host = platform.createHostWindow(0, Rect(200, 100, 400, 250));
        effect = new Effect;
        editor = new Editor(effect);
    }
    ~RootViewTest() override {
        editor->setView(nullptr);
        delete view;
        delete effect; // destroys the editor
        Platform::install(nullptr);
        currentPlatform = nullptr;
    }
    RootView* makeView(const Rect& r = Rect(0, 0, 100, 80)) {
        view = new RootView(r, reinterpret_cast<void*>(host), editor);
        editor->setView(view);
        return view;
    }
    NativeWindow child() const { return view->getWindow(); }
    const Surface& pixels() { return *platform.surfaceOf(child()); }
    void paint() {
        platform.postPaint(child());
        platform.dispatchPendingEvents();
    }
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(journal);
        return out;
    }

    HeadlessPlatform platform;
    NativeWindow host = 0;
    Effect* effect = nullptr;
    Editor* editor = nullptr;
    RootView* view = nullptr;
};

using Lines = std::vector<std::string>;

TEST_F(RootViewTest, LaterWidgetWinsTheOverlapAndIsDrawnOnTop) {
    makeView();
    view->addWidget(new Probe("a", Rect(10, 10, 40, 40), redColour));
    view->addWidget(new Probe("b", Rect(30, 30, 60, 60), blueColour));
    platform.dispatchPendingEvents(); // the first paint
    EXPECT_EQ(take(), (Lines{"a draw", "b draw"}));
    EXPECT_EQ(pixels().pixel(35, 35), pixelOf(blueColour));
    EXPECT_EQ(pixels().pixel(20, 20), pixelOf(redColour));
    struct Case {
        Point where;
        Lines expected;
    } cases[] = {
        {{35, 35}, {"b mouse 35,35"}},
        {{40, 40}, {"b mouse 40,40"}}, // edges belong to the rectangle
        {{15, 12}, {"a mouse 15,12"}},
        {{61, 61}, {}},
        {{10, 10}, {"a mouse 10,10"}},
    };
    for (const Case& c : cases) {
        platform.postButtonPress(child(), c.where);
        platform.dispatchPendingEvents();
        EXPECT_EQ(take(), c.expected) << c.where.h << "," << c.where.v;
    }
}

TEST_F(RootViewTest, ModalWidgetAloneTakesPressesAndUpdatesAndIsDrawnLast) {
    makeView();
    auto* a = new Probe("a", Rect(0, 0, 50, 50), redColour);
    auto* m = new Probe("m", Rect(20, 20, 30, 30), greenColour);
    auto* b = new Probe("b", Rect(25, 25, 70, 70), blueColour);
    view->addWidget(a);
    view->addWidget(m);
    view->addWidget(b);
    EXPECT_TRUE(view->setModalWidget(m));
    EXPECT_FALSE(view->setModalWidget(a));
    EXPECT_EQ(view->getModalWidget(), m);
    platform.dispatchPendingEvents();
    EXPECT_EQ(take(), (Lines{"a draw", "m draw", "b draw", "m draw"}));
    EXPECT_EQ(pixels().pixel(27, 27), pixelOf(greenColour));
    platform.postButtonPress(child(), Point(40, 40)); // outside the modal widget: swallowed
    platform.postButtonPress(child(), Point(26, 26));
    platform.dispatchPendingEvents();
    view->idle();
    EXPECT_EQ(take(), (Lines{"m mouse 26,26", "m update"}));
    EXPECT_TRUE(view->setModalWidget(nullptr));
    view->idle();
    EXPECT_EQ(take(), (Lines{"a update", "m update", "b update"}));
}

TEST_F(RootViewTest, PressOutsideTheFocusWidgetEndsItsEditFirst) {
    makeView();
    auto* a = new Probe("a", Rect(0, 0, 20, 20), redColour);
    auto* b = new Probe("b", Rect(30, 0, 50, 20), blueColour);
    a->startsEdit = b->startsEdit = true;
    view->addWidget(a);
    view->addWidget(b);
    platform.dispatchPendingEvents();
    take();
    platform.postButtonPress(child(), Point(5, 5));
    platform.dispatchPendingEvents();
    EXPECT_EQ(view->getFocusWidget(), a);
    platform.postButtonPress(child(), Point(20, 20)); // on a's edge: the edit goes on
    platform.postButtonPress(child(), Point(35, 5));
    platform.dispatchPendingEvents();
    EXPECT_EQ(take(), (Lines{"a mouse 5,5", "a begin edit", "a mouse 20,20", "a begin edit", "a end edit",
                             "b mouse 35,5", "b begin edit"}));
    EXPECT_EQ(view->getFocusWidget(), b);
    // Destroying the view ends the edit before the widgets go.
    editor->setView(nullptr);
    delete view;
    view = nullptr;
    EXPECT_EQ(take(), (Lines{"b end edit", "a destroyed", "b destroyed"}));
}

TEST_F(RootViewTest, IdleDrawsNothingBeforeTheFirstPaintAndOnlyChangesAfter) {
    makeView();
    view->addWidget(new Probe("a", Rect(0, 0, 20, 20), redColour));
    view->idle();
    EXPECT_TRUE(take().empty());
    EXPECT_TRUE(view->isFirstPaintPending());
    platform.dispatchPendingEvents();
    EXPECT_FALSE(view->isFirstPaintPending());
    const int presentsAfterPaint = platform.presentCount(child());
    view->idle();
    EXPECT_EQ(take(), (Lines{"a draw", "a update"}));
    // An update that draws nothing sends nothing to the screen.
    EXPECT_EQ(platform.presentCount(child()), presentsAfterPaint);
}

TEST_F(RootViewTest, RedrawWidgetDrawsOneWidgetOrEverything) {
    makeView();
    auto* a = new Probe("a", Rect(0, 0, 20, 20), redColour);
    auto* b = new Probe("b", Rect(30, 0, 50, 20), blueColour);
    view->addWidget(a);
    view->addWidget(b);
    platform.dispatchPendingEvents();
    take();
    b->redraw();
    EXPECT_EQ(take(), (Lines{"b draw"}));
    Probe stranger("x", Rect(0, 0, 5, 5), greenColour);
    view->redrawWidget(&stranger);
    view->redrawWidget(nullptr);
    EXPECT_EQ(take(), (Lines{"a draw", "b draw", "a draw", "b draw"}));
    // Without a parent, redraw does nothing.
    stranger.redraw();
    EXPECT_EQ(take(), (Lines{}));
}

TEST_F(RootViewTest, ListGrowsByTenAndRemovalKeepsOrder) {
    makeView();
    EXPECT_EQ(view->widgetCapacity(), 0);
    std::vector<Probe*> probes;
    for (int i = 0; i < 11; ++i) {
        probes.push_back(new Probe(std::to_string(i).c_str(), Rect(0, 0, 1, 1), redColour));
        EXPECT_TRUE(view->addWidget(probes.back()));
        EXPECT_EQ(view->widgetCapacity(), i < 10 ? 10 : 20);
        EXPECT_EQ(probes.back()->getParent(), view);
    }
    EXPECT_EQ(view->widgetCount(), 11);
    EXPECT_TRUE(view->removeWidget(probes[3]));
    Probe outsider("o", Rect(), redColour);
    EXPECT_TRUE(view->removeWidget(&outsider));
    EXPECT_EQ(view->widgetCount(), 10);
    EXPECT_EQ(view->widgetAt(3), probes[4]);
    EXPECT_EQ(view->widgetAt(9), probes[10]);
    delete probes[3]; // no longer the view's
}

TEST_F(RootViewTest, BackgroundIsHeldByReferenceAndDrawnFirst) {
    makeView();
    // A 0 x 0 picture (no bitmap with this id) is still a valid background.
    Picture* empty = new Picture(12345);
    view->setBackground(empty);
    view->setBackground(empty); // the same again keeps it alive
    empty->release();           // the view's reference remains
    EXPECT_EQ(empty->width(), 0);
    view->setBackground(nullptr);
}

TEST_F(RootViewTest, ChildWindowClassTitleAndRegistrationCount) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(moduleInstance)));
    makeView(Rect(0, 0, 120, 90));
    EXPECT_STREQ(platform.classOf(child()), expected);
    EXPECT_STREQ(platform.titleOf(child()), "Window");
    EXPECT_EQ(platform.parentOf(child()), host);
    EXPECT_EQ(pixels().width(), 120);
    EXPECT_EQ(pixels().height(), 90);
    RootView* second = new RootView(Rect(0, 0, 10, 10), reinterpret_cast<void*>(host), editor);
    EXPECT_EQ(platform.classRegistrations(expected), 1); // one class for the module
    delete second;
    EXPECT_EQ(platform.classRegistrations(expected), 1);
    editor->setView(nullptr);
    delete view;
    view = nullptr;
    EXPECT_EQ(platform.classRegistrations(expected), 0);
    // No parent: no window, nothing registered, nothing drawn.
    RootView orphan(Rect(0, 0, 10, 10), nullptr, editor);
    EXPECT_EQ(orphan.getWindow(), 0u);
    orphan.redrawWidget(nullptr);
    orphan.idle();
    EXPECT_EQ(platform.classRegistrations(expected), 0);
}

TEST_F(RootViewTest, HostDestroyingItsWindowClosesTheView) {
    makeView();
    view->addWidget(new Probe("a", Rect(0, 0, 20, 20), redColour));
    platform.dispatchPendingEvents();
    take();
    platform.destroyWindow(host);
    platform.dispatchPendingEvents();
    EXPECT_FALSE(view->isWindowOpen());
    view->idle();
    view->redrawWidget(nullptr);
    EXPECT_TRUE(take().empty());
    // Closing the editor afterwards is safe.
    editor->setView(nullptr);
    delete view;
    view = nullptr;
    EXPECT_EQ(take(), (Lines{"a destroyed"}));
}

TEST_F(RootViewTest, EditorRectRefreshAndIdleForwarding) {
    ERect* out = nullptr;
    EXPECT_EQ(editor->getRect(&out), 1);
    EXPECT_EQ(out, &editor->size());
    EXPECT_TRUE(effect->getAEffect()->flags & effFlagsHasEditor);
    editor->idle(); // no view: nothing fails
    EXPECT_EQ(take(), (Lines{"editor idle"}));
    editor->setParameter(0, 0.5f);
    EXPECT_TRUE(take().empty()); // only the flag
    editor->open(reinterpret_cast<void*>(host));
    makeView();
    view->addWidget(new Probe("a", Rect(0, 0, 20, 20), redColour));
    editor->idle(); // handles the first paint, then the refresh, then the view's idle
    EXPECT_EQ(take(), (Lines{"editor idle", "a draw", "refresh", "a update"}));
    editor->idle();
    EXPECT_EQ(take(), (Lines{"editor idle", "a update"}));
    editor->redraw(nullptr);
    EXPECT_EQ(take(), (Lines{"a draw"}));
}

TEST_F(RootViewTest, TrackingIdleIsThrottledToFiftyMilliseconds) {
    platform.setClock(10000);
    editor->idleWhileTracking(); // 9000 ms since construction: runs
    EXPECT_EQ(take(), (Lines{"editor idle", "host idle"}));
    platform.advanceClock(30);
    editor->idleWhileTracking();
    EXPECT_TRUE(take().empty());
    platform.advanceClock(20);
    editor->idleWhileTracking();
    EXPECT_EQ(take(), (Lines{"editor idle", "host idle"}));
    platform.advanceClock(49);
    editor->idleWhileTracking();
    EXPECT_TRUE(take().empty());
    // Across the wrap of the millisecond counter.
    platform.setClock(0xFFFFFFF0u);
    editor->idleWhileTracking();
    take();
    platform.setClock(0x30u);
    editor->idleWhileTracking();
    EXPECT_EQ(take(), (Lines{"editor idle", "host idle"}));
}

TEST_F(RootViewTest, DragPollsUntilReleaseInClientCoordinatesWithThrottledIdle) {
    makeView();
    auto* tracker = new Tracker(Rect(0, 0, 100, 80));
    view->addWidget(tracker);
    platform.dispatchPendingEvents();
    platform.setClock(5000);
    editor->idleWhileTracking();
    take();
    // 20 polls 10 ms apart with the button held, then Shift alone, then nothing.
    for (int i = 0; i < 20; ++i) platform.queuePointer(Point(210 + i, 120), leftButton, 10);
    platform.queuePointer(Point(250, 130), shiftKey, 10);
    platform.queuePointer(Point(250, 130), 0, 10);
    platform.postButtonPress(child(), Point(10, 20));
    platform.dispatchPendingEvents();
    // The press itself, 20 polls with the button held, one with Shift alone: a modifier still
    // held keeps the loop going.
    EXPECT_EQ(tracker->passes, 22);
    EXPECT_EQ(tracker->last, Point(50, 30)); // host window at (200, 100)
    int hostIdles = 0;
    for (const auto& line : take()) hostIdles += line == "host idle";
    EXPECT_EQ(hostIdles, 4); // 210 ms of dragging, idle every 50 ms
}

// A short click is handled after the user let go: the widget still sees the press's buttons
// and point on its first poll, and its tracking loop then sees the release and ends.
TEST_F(RootViewTest, PressHandledAfterReleaseKeepsItsButtonsAndModifiers) {
    makeView();
    platform.dispatchPendingEvents();
    platform.setPointer(Point(290, 170), 0); // everything let go, the pointer moved on
    const std::int32_t cases[] = {leftButton | altKey, leftButton | shiftKey, leftButton, rightButton | controlKey};
    for (std::int32_t buttons : cases) {
        auto* tracker = new Tracker(Rect(0, 0, 100, 80));
        view->addWidget(tracker);
        platform.postButtonPress(child(), Point(12, 34), buttons);
        platform.dispatchPendingEvents();
        EXPECT_EQ(tracker->firstButtons, buttons);
        EXPECT_EQ(tracker->first, Point(12, 34));
        EXPECT_EQ(tracker->passes, 1) << buttons;
        view->removeWidget(tracker);
        delete tracker;
    }
}

// The host destroys its window while the mouse is held: the view closes and the drag ends
// although the pointer still reports the button.
TEST_F(RootViewTest, HostDestroyingItsWindowMidDragEndsTheDrag) {
    makeView();
    auto* tracker = new Tracker(Rect(0, 0, 100, 80));
    view->addWidget(tracker);
    platform.dispatchPendingEvents();
    for (int i = 0; i < 1000; ++i) platform.queuePointer(Point(220, 120), leftButton, 20);
    tracker->duringPass = [this](int pass) {
        if (pass == 5) platform.destroyWindow(host);
    };
    platform.postButtonPress(child(), Point(20, 20));
    platform.dispatchPendingEvents();
    EXPECT_EQ(tracker->passes, 5);
    EXPECT_FALSE(view->isWindowOpen());
}

TEST_F(RootViewTest, WindowPortDrawsOutsideWindowEventsWhileTheWindowIsOpen) {
    makeView();
    platform.dispatchPendingEvents();
    const int presents = platform.presentCount(child());
    EXPECT_TRUE(view->withWindowPort([](DrawPort& port) {
        port.setFillColour(yellowColour);
        port.fillRect(Rect(4, 4, 10, 10));
    }));
    EXPECT_EQ(pixels().pixel(5, 5), pixelOf(yellowColour));
    EXPECT_EQ(platform.presentCount(child()), presents + 1); // shown at once
    platform.destroyWindow(host);
    platform.dispatchPendingEvents();
    bool ran = false;
    EXPECT_FALSE(view->withWindowPort([&ran](DrawPort&) { ran = true; }));
    EXPECT_FALSE(ran);
}

TEST_F(RootViewTest, PressesWaitWhileAPressIsBeingHandled) {
    makeView();
    auto* tracker = new Tracker(Rect(0, 0, 50, 80));
    view->addWidget(tracker);
    view->addWidget(new Probe("p", Rect(60, 0, 100, 80), redColour));
    platform.dispatchPendingEvents();
    take();
    platform.queuePointer(Point(210, 110), leftButton, 60);
    platform.queuePointer(Point(210, 110), 0, 60);
    platform.postButtonPress(child(), Point(5, 5));
    platform.postButtonPress(child(), Point(70, 5));
    platform.dispatchPendingEvents();
    // The second press was not handled inside the drag's idle, but after it.
    Lines lines = take();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "p mouse 70,5");
}

TEST_F(RootViewTest, SizeAndPositionFollowTheWindowTree) {
    // Screen: frame (100, 50) 580 x 320 > host window at (6, 24) in it > our child.
    NativeWindow frame = platform.createHostWindow(0, Rect(100, 50, 680, 370));
    host = platform.createHostWindow(frame, Rect(6, 24, 574, 314));
    makeView(Rect(0, 0, 568, 290));
    std::int32_t x = -1, y = -1;
    EXPECT_TRUE(view->getPosition(x, y)); // the frame's corner on the screen
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
    Rect size;
    EXPECT_TRUE(view->getSize(size));
    EXPECT_EQ(size, Rect(100 + 6, 50 + 24, 100 + 6 + 568, 50 + 24 + 290));
    EXPECT_FALSE(view->setSize(568, 290)); // unchanged
    EXPECT_TRUE(view->setSize(600, 300));
    Rect r;
    ASSERT_TRUE(platform.screenRect(child(), r));
    EXPECT_EQ(r.width(), 600);
    EXPECT_EQ(r.height(), 300);
    ASSERT_TRUE(platform.screenRect(host, r));
    EXPECT_EQ(r.width(), 600); // host window had no border around the child
    ASSERT_TRUE(platform.screenRect(frame, r));
    EXPECT_EQ(r.width(), 612); // the frame keeps its 12 x 30 border
    EXPECT_EQ(r.height(), 330);
    EXPECT_EQ(pixels().width(), 600);
    EXPECT_EQ(view->getRect(), Rect(0, 0, 600, 300));
    // A window much larger than its child is not resized.
    NativeWindow desk = platform.createHostWindow(0, Rect(0, 0, 2000, 2000));
    NativeWindow inner = platform.createHostWindow(desk, Rect(10, 10, 110, 90));
    RootView small(Rect(0, 0, 100, 80), reinterpret_cast<void*>(inner), editor);
    EXPECT_TRUE(small.setSize(120, 90));
    ASSERT_TRUE(platform.screenRect(desk, r));
    EXPECT_EQ(r.width(), 2000);
    ASSERT_TRUE(platform.screenRect(inner, r));
    EXPECT_EQ(r.width(), 120);
}

TEST_F(RootViewTest, HostWindowModeAsksTheHostForAWindow) {
    RootView hosted(Rect(0, 0, 200, 100), "Splash", editor, 3);
    EXPECT_FALSE(hosted.isWindowOpen());
    EXPECT_FALSE(hosted.closeHostWindow());
    Point where(40, 30);
    EXPECT_TRUE(hosted.openHostWindow(&where));
    EXPECT_EQ(take(), (Lines{"open window Splash 40,30 200x100"}));
    EXPECT_EQ(platform.parentOf(hosted.getWindow()), hostOpenedWindow);
    EXPECT_FALSE(hosted.openHostWindow(nullptr)); // already open: brought to the top
    EXPECT_EQ(platform.raiseCount(hostOpenedWindow), 1);
    EXPECT_TRUE(hosted.closeHostWindow());
    EXPECT_EQ(take(), (Lines{"close window"}));
    // An embedded view has no host window mode.
    makeView();
    EXPECT_FALSE(view->openHostWindow(nullptr));
    EXPECT_FALSE(view->closeHostWindow());
}

TEST_F(RootViewTest, HostWindowOpenedAgainKeepsOneChildWindowAndRegistration) {
    const std::string className = RootView::windowClassName();
    {
        RootView hosted(Rect(0, 0, 200, 100), "Again", editor, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(hosted.openHostWindow(nullptr));
            EXPECT_EQ(platform.childrenOf(hostOpenedWindow).size(), 1u);
            EXPECT_TRUE(hosted.closeHostWindow());
            // Our test host leaves closing to us; a real one destroys its window, and ours with it.
            platform.destroyWindow(hostOpenedWindow);
            platform.dispatchPendingEvents();
            EXPECT_FALSE(hosted.isWindowOpen());
        }
    }
    EXPECT_EQ(platform.classRegistrations(className), 0);
}

} // namespace
} // namespace gui
