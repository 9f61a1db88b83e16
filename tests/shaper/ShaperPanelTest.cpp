// Vorlane's editor, headless: its layout from the pictures, widgets that show the effect's
// values and change them as automation, the about splash, the curve whose edits reach the
// sound, and the host changing parameters and loading chunks from another thread while the
// editor opens, draws and closes.
#include "CurveView.h"
#include "ShaperPanel.h"
#include "ShaperParameters.h"
#include "ShaperPlugin.h"
#include "gui/DrawPort.h"
#include "gui/OffscreenPort.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace gui;

struct Automation {
    VstInt32 index;
    float value;
    bool operator==(const Automation&) const = default;
};

// What the host hears; the hook runs on every audioMasterIdle.
std::mutex heardMutex;
std::vector<Automation> heard;
std::function<void()> onIdle;

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterAutomate) {
        const std::lock_guard<std::mutex> lock(heardMutex);
        heard.push_back({index, opt});
    }
    if (opcode == audioMasterIdle && onIdle)
        onIdle();
    return 0;
}

std::vector<char> chunkOf(const std::vector<CurvePoint>& points, float dryWet)
{
    std::vector<char> b(13, 0);
    std::memcpy(b.data(), "Vorlane v1.0", 12);
    const auto put = [&b](const void* p, size_t n) {
        const char* c = static_cast<const char*>(p);
        b.insert(b.end(), c, c + n);
    };
    const std::int32_t n = std::int32_t(points.size());
    put(&n, 4);
    for (CurvePoint p : points) {
        put(&p.x, 4);
        put(&p.y, 4);
    }
    const float values[7] = {0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, dryWet};
    put(values, sizeof values);
    return b;
}

// A pixel of one of the module's pictures.
Pixel pictureAt(std::int32_t id, std::int32_t x, std::int32_t y)
{
    Picture* picture = new Picture(id);
    const Pixel p = picture->bitmap() ? picture->bitmap()->pixel(x, y) : 0;
    picture->release();
    return p;
}

class ShaperPanelTest : public ::testing::Test {
protected:
    ShaperPanelTest()
    {
        heard.clear();
        onIdle = nullptr;
        Platform::install(&platform);
        platform.setClock(100000);
        hostWindow = platform.createHostWindow(0, Rect(hostAt.h, hostAt.v, hostAt.h + 568, hostAt.v + 290));
        effect = std::make_unique<ShaperPlugin>(host);
        panel = static_cast<ShaperPanel*>(effect->getEditor());
    }
    ~ShaperPanelTest() override
    {
        onIdle = nullptr;
        panel->close();
        effect.reset();
        Platform::install(nullptr);
    }

    void open()
    {
        ASSERT_EQ(panel->open(reinterpret_cast<void*>(hostWindow)), 1);
        panel->idle(); // the first paint, then the widgets' idle
    }
    RootView* view() const { return panel->getRootView(); }
    Surface& pixels() { return *platform.surfaceOf(view()->getWindow()); }
    // Polls after the press, 10 ms apart, in the editor's coordinates; end with buttons 0.
    void script(std::initializer_list<std::pair<Point, std::int32_t>> polls)
    {
        for (const auto& [where, buttons] : polls)
            platform.queuePointer(Point(hostAt.h + where.h, hostAt.v + where.v), buttons, 10);
    }
    void press(Point where, std::int32_t buttons = leftButton)
    {
        platform.postButtonPress(view()->getWindow(), where, buttons);
        platform.dispatchPendingEvents();
    }
    void click(Point where, std::int32_t buttons = leftButton)
    {
        script({{Point(0, 0), 0}});
        press(where, buttons);
    }
    std::vector<Automation> takeHeard()
    {
        const std::lock_guard<std::mutex> lock(heardMutex);
        return std::exchange(heard, {});
    }
    gui::ValueWidget* widget(int index) const { return static_cast<gui::ValueWidget*>(view()->widgetAt(index)); }

    static constexpr Point hostAt{100, 100};
    HeadlessPlatform platform;
    NativeWindow hostWindow = 0;
    std::unique_ptr<ShaperPlugin> effect;
    ShaperPanel* panel = nullptr;
};

TEST_F(ShaperPanelTest, LayoutComesFromThePictures)
{
    EXPECT_EQ(effect->getAEffect()->uniqueID, fourCharCode("VorE"));
    ERect* r = nullptr;
    ASSERT_EQ(panel->getRect(&r), 1);
    EXPECT_EQ(r->right - r->left, 568);
    EXPECT_EQ(r->bottom - r->top, 290);
    open();
    const struct {
        Rect rect;
        std::int32_t tag;
    } expected[] = {
        {Rect(14, 18, 89, 268), 100},  {Rect(167, 11, 434, 278), 0}, {Rect(108, 71, 151, 114), 1},
        {Rect(107, 207, 150, 250), 2}, {Rect(453, 207, 496, 250), 3}, {Rect(453, 71, 496, 114), 4},
        {Rect(107, 262, 149, 279), 5}, {Rect(454, 130, 496, 147), 6}, {Rect(539, 22, 558, 265), 7},
    };
    ASSERT_EQ(view()->widgetCount(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(widget(i)->getRect(), expected[i].rect) << i;
        EXPECT_EQ(widget(i)->getTag(), expected[i].tag) << i;
    }
    EXPECT_EQ(view()->widgetAt(1), panel->getCurveView());
}

// The widgets open with the effect's values; a host change reaches them only at the next idle,
// and as the effect's stored value.
TEST_F(ShaperPanelTest, HostChangesReachTheWidgetsAtIdleAsTheEffectsValues)
{
    effect->setParameter(vorlane::preGain, 0.8f);
    effect->setParameter(vorlane::postSwitch, 1.0f);
    open();
    EXPECT_EQ(widget(2)->getValue(), 0.8f);
    EXPECT_EQ(widget(7)->getValue(), 1.0f);
    effect->setParameter(vorlane::dryWet, 0.25f);
    EXPECT_EQ(widget(8)->getValue(), 0.0f) << "not before the editor's idle";
    panel->idle();
    EXPECT_EQ(widget(8)->getValue(), 0.25f);
    effect->setParameter(vorlane::dryWet, std::numeric_limits<float>::quiet_NaN());
    panel->idle();
    EXPECT_EQ(widget(8)->getValue(), 0.25f) << "the effect's value, not the one sent";
    effect->setParameter(vorlane::shaper, 0.7f);
    panel->idle();
    EXPECT_EQ(widget(1)->getValue(), 0.0f);
}

// The PreSwitch's right half selects high-pass pre filters, told to the host as automation;
// the switch then shows its second frame (the red block on the right).
TEST_F(ShaperPanelTest, SwitchMovesItsParameterAndShowsItsFrame)
{
    open();
    const Point left(107 + 5, 262 + 8), right(107 + 36, 262 + 8);
    EXPECT_EQ(colourOf(pixels().pixel(left.h, left.v)), redColour);
    EXPECT_NE(colourOf(pixels().pixel(right.h, right.v)), redColour);
    click(Point(107 + 35, 270));
    EXPECT_EQ(takeHeard(), (std::vector<Automation>{{5, 1.0f}}));
    EXPECT_EQ(effect->getParameter(vorlane::preSwitch), 1.0f);
    effect->processReplacing(nullptr, nullptr, 0); // the audio thread takes the change
    EXPECT_EQ(effect->getPreFilterLeft().getMode(), 1);
    panel->idle();
    EXPECT_NE(colourOf(pixels().pixel(left.h, left.v)), redColour);
    EXPECT_EQ(colourOf(pixels().pixel(right.h, right.v)), redColour);
}

// A click on the name panel shows the about picture over the curve area; the next click there
// hides it. Nothing is automated.
TEST_F(ShaperPanelTest, NamePanelShowsAndHidesTheAboutPicture)
{
    open();
    const Point inside(300, 140);
    const Pixel curveArea = pixels().pixel(inside.h, inside.v);
    click(Point(50, 100));
    EXPECT_EQ(pixels().pixel(inside.h, inside.v), pictureAt(ShaperPanel::aboutId, inside.h - 167, inside.v - 11));
    click(inside);
    EXPECT_EQ(pixels().pixel(inside.h, inside.v), curveArea);
    EXPECT_TRUE(takeHeard().empty());
}

// A drag in the curve area moves a point; the sound follows while the mouse is held (the table
// changes before the release), and the host hears of it once, at the release.
TEST_F(ShaperPanelTest, CurveDragReachesTheSoundWhileHeldAndIsAutomatedOnce)
{
    open();
    // The audio thread takes the newest table at the start of each block.
    const auto played = [&] {
        effect->processReplacing(nullptr, nullptr, 0);
        return effect->getShapeTable()[512];
    };
    std::vector<float> heardAtIdle;
    onIdle = [&] { heardAtIdle.push_back(played()); };
    const float before = played();
    CurveView* curveView = panel->getCurveView();
    const auto window = [&](float x, float y) {
        const Point p = curveView->toPixel({x, y});
        return Point(167 + p.h, 11 + p.v);
    };
    for (int i = 0; i <= 20; ++i)
        script({{window(0.5f, 0.5f - 0.02f * float(i)), leftButton}});
    script({{window(0.5f, 0.1f), 0}});
    press(window(0.5f, 0.5f));
    ASSERT_FALSE(heardAtIdle.empty());
    EXPECT_GT(heardAtIdle.back(), before + 0.1f) << "the table followed the drag";
    EXPECT_EQ(takeHeard(), (std::vector<Automation>{{0, 0.0f}}));
    EXPECT_EQ(effect->getCurve().getCount(), 3);
    std::vector<float> expected(1024);
    effect->getCurve().fillTable(expected.data(), 1024);
    played();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), effect->getShapeTable()));
}

// Closed and opened again, the editor shows the effect's values of the moment.
TEST_F(ShaperPanelTest, CloseThenOpenShowsTheCurrentValues)
{
    open();
    panel->close();
    EXPECT_EQ(panel->getRootView(), nullptr);
    effect->setParameter(vorlane::postGain, 0.9f);
    panel->idle();
    open();
    EXPECT_EQ(widget(4)->getValue(), 0.9f);
}

// The host's thread sets parameters and loads chunks while the editor thread opens, idles,
// draws and closes the editor: nothing breaks, and the open editor ends up showing the last
// chunk's curve and values.
TEST_F(ShaperPanelTest, ChangesFromAnotherThreadWhileTheEditorOpensDrawsAndCloses)
{
    const std::vector<CurvePoint> curves[2] = {{{0, 1}, {0.3f, 0.2f}, {0.6f, 0.7f}, {1, 0}},
                                               {{0, 0.5f}, {0.5f, 0.1f}, {1, 0.9f}}};
    std::atomic<bool> done{false};
    std::atomic<int> loads{0};
    std::thread hostThread([&] {
        for (int i = 0; !done; ++i) {
            std::vector<char> chunk = chunkOf(curves[i % 2], float(i % 100) / 100.0f);
            effect->getAEffect()->dispatcher(effect->getAEffect(), effSetChunk, 0, VstIntPtr(chunk.size()),
                                             chunk.data(), 0.0f);
            effect->getAEffect()->setParameter(effect->getAEffect(), 1 + i % 7, 0.5f);
            ++loads;
        }
    });
    for (int round = 0; round < 20; ++round) {
        open();
        for (int i = 0; i < 10; ++i) {
            panel->idle();
            panel->redraw(nullptr);
        }
        panel->close();
    }
    while (loads < 20)
        std::this_thread::yield();
    done = true;
    hostThread.join();

    std::vector<char> last = chunkOf(curves[1], 0.75f);
    effect->getAEffect()->dispatcher(effect->getAEffect(), effSetChunk, 0, VstIntPtr(last.size()), last.data(), 0.0f);
    open();
    EXPECT_EQ(widget(8)->getValue(), 0.75f);
    const Point mark = panel->getCurveView()->toPixel(curves[1][1]);
    EXPECT_EQ(pixels().pixel(167 + mark.h, 11 + mark.v), pictureAt(ShaperPanel::pointId, 6, 6));
}

// A chunk loaded from another thread while the editor is open: the host thread only marks the
// view, the editor thread's next idle draws the new curve.
TEST_F(ShaperPanelTest, ChunkLoadedFromAnotherThreadWhileOpenIsDrawnAtTheNextIdle)
{
    open();
    const std::vector<CurvePoint> points = {{0, 1}, {0.25f, 0.25f}, {1, 0}};
    const Point mark = panel->getCurveView()->toPixel(points[1]);
    const Pixel before = pixels().pixel(167 + mark.h, 11 + mark.v);
    std::thread hostThread([&] {
        std::vector<char> chunk = chunkOf(points, 0.0f);
        effect->getAEffect()->dispatcher(effect->getAEffect(), effSetChunk, 0, VstIntPtr(chunk.size()),
                                         chunk.data(), 0.0f);
    });
    hostThread.join();
    EXPECT_EQ(pixels().pixel(167 + mark.h, 11 + mark.v), before) << "drawn by the editor thread only";
    panel->idle();
    EXPECT_EQ(pixels().pixel(167 + mark.h, 11 + mark.v), pictureAt(ShaperPanel::pointId, 6, 6));
}

}  // namespace
