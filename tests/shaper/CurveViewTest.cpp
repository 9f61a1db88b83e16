// The curve view, headless: where clicks and drags put points (inserted, selected, held between
// their neighbours, removed with the right button), what the listener is told, what the image
// shows against the curve's own evaluation, and points replaced from outside, also from
// another thread while the view draws.
#include "CurveView.h"
#include "ShaperCurve.h"
#include "classic/ClassicFixture.h"
#include "gui/OffscreenPort.h"
#include "gui/Picture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

using namespace gui;
using Points = std::vector<CurvePoint>;

constexpr std::int32_t graphId = 102;
constexpr std::int32_t pointId = 106;
// The view's corner in the window.
constexpr Point corner{10, 10};

class CurveViewTest : public classic::test::ClassicFixture {
protected:
    CurveViewTest() : ClassicFixture(300, 300), graph(new Picture(graphId)), mark(new Picture(pointId))
    {
        curveView = add(new CurveView(Rect(corner.h, corner.v, corner.h + graph->width(), corner.v + graph->height()),
                                      &recorder, 0, graph, mark, curve));
    }
    ~CurveViewTest() override
    {
        // The view goes before the curve it is attached to, as the editor closes before the
        // effect goes.
        view->removeWidget(curveView);
        delete curveView;
        graph->release();
        mark->release();
    }

    // The window pixel of a curve point (the nearest one).
    Point at(float x, float y) const
    {
        const Point image = curveView->toPixel({x, y});
        return Point(corner.h + image.h, corner.v + image.v);
    }
    Points points() const
    {
        const ShaperCurve::Shape s = curve.shape();
        return Points(s.points.begin(), s.points.begin() + s.count);
    }
    void set(const Points& p) { curve.setPoints(p.data(), int(p.size())); }
    // Press the left button at from, move to to, let go there.
    void drag(Point from, Point to, std::int32_t buttons = leftButton)
    {
        script({{to, buttons}, {to, 0}});
        press(from, buttons);
    }
    const Surface& image() const { return curveView->getImage()->bitmap(); }

    ShaperCurve curve;
    Picture* graph;
    Picture* mark;
    CurveView* curveView = nullptr;
};

// One pixel of the span in curve units.
constexpr float pixel = 1.0f / 244.0f;

void expectNear(const Points& got, const Points& expected, float tolerance, const char* what)
{
    ASSERT_EQ(got.size(), expected.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, expected[i].x, tolerance) << what << ", point " << i;
        EXPECT_NEAR(got[i].y, expected[i].y, tolerance) << what << ", point " << i;
    }
}

TEST_F(CurveViewTest, SpanMapsTheCurveOntoTheImageInsideTheMarksHalf)
{
    EXPECT_EQ(curveView->toPixel({0, 0}), Point(11, 11));
    EXPECT_EQ(curveView->toPixel({1, 1}), Point(255, 255));
    const CurvePoint c = curveView->toCurve(at(0.25f, 0.75f));
    EXPECT_NEAR(c.x, 0.25f, pixel);
    EXPECT_NEAR(c.y, 0.75f, pixel);
    EXPECT_EQ(curveView->getValue(), 0.0f);
}

// A left click on empty space inserts a point in x order (never before the first, after the
// last when beyond it), one within the hit distance of a point takes that point (the lower
// index when two are in range) and moves it to the click.
TEST_F(CurveViewTest, LeftClickInsertsOrTakesThePointUnderIt)
{
    const struct {
        const char* what;
        Points before;
        CurvePoint click;
        Points after;
    } cases[] = {
        {"insert in the middle", {{0, 1}, {1, 0}}, {0.5f, 0.5f}, {{0, 1}, {0.5f, 0.5f}, {1, 0}}},
        {"insert before the second", {{0, 1}, {0.5f, 0.5f}, {1, 0}}, {0.2f, 0.3f},
         {{0, 1}, {0.2f, 0.3f}, {0.5f, 0.5f}, {1, 0}}},
        {"beyond the last point", {{0, 1}, {0.8f, 0.2f}}, {0.9f, 0.6f}, {{0, 1}, {0.8f, 0.2f}, {0.9f, 0.6f}}},
        {"near a point: taken and moved", {{0, 1}, {0.5f, 0.5f}, {1, 0}}, {0.52f, 0.53f},
         {{0, 1}, {0.52f, 0.53f}, {1, 0}}},
        {"two in range: the lower index", {{0, 1}, {0.5f, 0.5f}, {0.54f, 0.5f}, {1, 0}}, {0.52f, 0.51f},
         {{0, 1}, {0.52f, 0.51f}, {0.54f, 0.5f}, {1, 0}}},
    };
    for (const auto& c : cases) {
        set(c.before);
        recorder.told.clear();
        click(at(c.click.x, c.click.y), leftButton);
        expectNear(points(), c.after, pixel, c.what);
        EXPECT_EQ(recorder.told, (std::vector<float>{0.0f})) << c.what;
        EXPECT_EQ(curveView->getSelected(), -1) << c.what;
    }
}

// Dragged, interior points stay strictly between their neighbours, the first and last keep
// their x, and y stays within 0..1.
TEST_F(CurveViewTest, DragsRespectNeighboursEndsAndTheArea)
{
    const Points diagonal = {{0, 1}, {0.3f, 0.7f}, {0.6f, 0.4f}, {1, 0}};
    // x exactly where the limits put it, or within a pixel of where the mouse went.
    enum { exact, nearby };
    const struct {
        const char* what;
        int point;
        Point to;
        CurvePoint expected;
        int x;
    } cases[] = {
        {"inside its neighbours", 1, at(0.4f, 0.2f), {0.4f, 0.2f}, nearby},
        {"beyond the right neighbour", 1, at(0.9f, 0.5f), {0.6f - 0.00001f, 0.5f}, exact},
        {"beyond the left neighbour", 2, at(0.1f, 0.5f), {0.3f + 0.00001f, 0.5f}, exact},
        {"the first point sideways", 0, at(0.3f, 0.2f), {0.0f, 0.2f}, exact},
        {"the last point above the area", 3, Point(at(0.5f, 0).h, 2), {1.0f, 0.0f}, exact},
        {"below the area", 1, Point(at(0.2f, 0).h, 295), {0.2f, 1.0f}, nearby},
    };
    for (const auto& c : cases) {
        set(diagonal);
        recorder.told.clear();
        script({{c.to, leftButton}, {c.to, leftButton}, {c.to, 0}});
        press(at(diagonal[c.point].x, diagonal[c.point].y), leftButton);
        const Points got = points();
        ASSERT_EQ(got.size(), 4u) << c.what;
        if (c.x == exact)
            EXPECT_FLOAT_EQ(got[c.point].x, c.expected.x) << c.what;
        else
            EXPECT_NEAR(got[c.point].x, c.expected.x, pixel) << c.what;
        EXPECT_NEAR(got[c.point].y, c.expected.y, pixel) << c.what;
        EXPECT_EQ(recorder.told.size(), 1u) << c.what;
    }
}

// The right button removes an interior point under the mouse; on the first or last point, or
// on empty space, it removes nothing and still tells; outside the area it does nothing at all.
TEST_F(CurveViewTest, RightClickRemovesInteriorPointsOnly)
{
    const Points four = {{0, 1}, {0.3f, 0.7f}, {0.6f, 0.4f}, {1, 0}};
    const struct {
        const char* what;
        Point where;
        Points after;
        size_t told;
    } cases[] = {
        {"an interior point", at(0.3f, 0.7f), {{0, 1}, {0.6f, 0.4f}, {1, 0}}, 1},
        {"the first point", at(0, 1), four, 1},
        {"the last point", at(1, 0), four, 1},
        {"empty space", at(0.5f, 0.1f), four, 1},
        {"outside the area", Point(corner.h + 3, corner.v + 100), four, 0},
    };
    for (const auto& c : cases) {
        set(four);
        recorder.told.clear();
        click(c.where, rightButton);
        EXPECT_EQ(points(), c.after) << c.what;
        EXPECT_EQ(recorder.told.size(), c.told) << c.what;
    }
}

// Letting go of the left button while the right one is held removes the point just dragged.
TEST_F(CurveViewTest, ReleaseWithTheRightButtonHeldRemovesThePoint)
{
    set({{0, 1}, {0.3f, 0.7f}, {0.6f, 0.4f}, {1, 0}});
    const Point to = at(0.45f, 0.45f);
    script({{to, leftButton}, {to, leftButton | rightButton}, {to, rightButton}, {to, 0}});
    press(at(0.3f, 0.7f), leftButton);
    EXPECT_EQ(points(), (Points{{0, 1}, {0.6f, 0.4f}, {1, 0}}));
    EXPECT_EQ(recorder.told.size(), 1u);
}

// Fifty points take no more: a click on empty space changes nothing and is told once, without
// waiting for the button; clicks outside the area are not told at all.
TEST_F(CurveViewTest, FiftyPointsTakeNoMoreAndClicksOutsideTheAreaAreIgnored)
{
    Points line;
    for (int i = 0; i < 50; ++i)
        line.push_back({float(i) / 49.0f, 0.5f});
    set(line);
    script({{at(0.5f, 0.95f), leftButton}});
    platform.postButtonPress(view->getWindow(), at(0.5f, 0.95f), leftButton);
    platform.dispatchPendingEvents();
    EXPECT_EQ(points(), line);
    EXPECT_EQ(recorder.told.size(), 1u);
    EXPECT_EQ(platform.buttonPolls(), 0) << "no tracking without a point";

    set({{0, 1}, {1, 0}});
    recorder.told.clear();
    for (Point outside : {Point(corner.h + 2, corner.v + 100), Point(corner.h + 100, corner.v + 263)}) {
        click(outside, leftButton);
        EXPECT_EQ(points(), (Points{{0, 1}, {1, 0}}));
    }
    EXPECT_TRUE(recorder.told.empty());
}

// A short click handled after the user let go and moved the pointer on puts the point where
// the click was.
TEST_F(CurveViewTest, ShortClickAlreadyReleasedLandsWhereItWasMade)
{
    script({{Point(0, 0), 0}}); // by the first poll the pointer is far away
    press(at(0.25f, 0.4f), leftButton);
    expectNear(points(), {{0, 1}, {0.25f, 0.4f}, {1, 0}}, pixel, "short click");
}

// The whole image against the curve's own evaluation: every white pixel lies on the curve
// (within a pixel and a half of a dense evaluation), the curve is drawn all along, and each
// control point carries its mark. Two and three points make a Bezier curve, from four on a
// B-spline.
TEST_F(CurveViewTest, ImageShowsTheCurvesOwnEvaluation)
{
    const Points cases[] = {
        {{0, 1}, {1, 0}},
        {{0, 1}, {0.2f, 0.1f}, {1, 0.3f}},
        {{0, 1}, {0.1f, 0.1f}, {0.6f, 0.9f}, {1, 0}},
        {{0, 0.8f}, {0.2f, 0.1f}, {0.35f, 0.9f}, {0.5f, 0.2f}, {0.7f, 0.8f}, {0.85f, 0.1f}, {1, 0.5f}},
    };
    const Surface& background = *graph->bitmap();
    for (const Points& p : cases) {
        set(p);
        view->idle();
        std::vector<Point> curvePixels;
        const int n = int(p.size()) - 1;
        if (p.size() < 4) {
            for (int k = 0; k <= 4000; ++k)
                curvePixels.push_back(curveView->toPixel(bezierPoint(p.data(), 0, n, float(k) / 4000.0f)));
        } else {
            std::vector<CurvePoint> dense(4000);
            splinePolyline(n, 4, p.data(), dense.data(), int(dense.size()));
            for (CurvePoint c : dense)
                curvePixels.push_back(curveView->toPixel(c));
        }
        const auto underAMark = [&](std::int32_t x, std::int32_t y) {
            for (CurvePoint c : p) {
                const Point m = curveView->toPixel(c);
                if (std::abs(x - m.h) <= mark->width() / 2 && std::abs(y - m.v) <= mark->height() / 2)
                    return true;
            }
            return false;
        };
        const auto distance = [&](std::int32_t x, std::int32_t y) {
            double best = 1e9;
            for (Point c : curvePixels)
                best = std::min(best, std::hypot(double(x - c.h), double(y - c.v)));
            return best;
        };
        const Pixel white = pixelOf(whiteColour);
        int strays = 0;
        for (std::int32_t y = 0; y < image().height(); ++y) {
            for (std::int32_t x = 0; x < image().width(); ++x) {
                if (image().pixel(x, y) == white && background.pixel(x, y) != white && !underAMark(x, y) &&
                    distance(x, y) > 1.5)
                    ++strays;
            }
        }
        EXPECT_EQ(strays, 0) << p.size() << " points";
        int gaps = 0;
        for (size_t k = 0; k < curvePixels.size(); k += 10) {
            const Point c = curvePixels[k];
            if (underAMark(c.h, c.v))
                continue;
            bool drawn = false;
            for (std::int32_t dy = -1; dy <= 1; ++dy)
                for (std::int32_t dx = -1; dx <= 1; ++dx)
                    drawn = drawn || image().pixel(c.h + dx, c.v + dy) == white;
            gaps += !drawn;
        }
        EXPECT_EQ(gaps, 0) << p.size() << " points";
        for (CurvePoint c : p) {
            const Point m = curveView->toPixel(c);
            EXPECT_EQ(image().pixel(m.h, m.v), mark->bitmap()->pixel(mark->width() / 2, mark->height() / 2))
                << p.size() << " points, mark at " << c.x << ", " << c.y;
        }
    }
}

// Points replaced before the first draw only mark the view; the first draw shows them. A drag
// in progress when the host replaces the points ends there, leaving the host's points.
TEST_F(CurveViewTest, PointsReplacedFromOutsideWin)
{
    ShaperCurve other;
    auto* late = new CurveView(Rect(0, 0, graph->width(), graph->height()), &recorder, 0, graph, mark, other);
    EXPECT_EQ(late->getImage(), nullptr);
    const Points three = {{0, 1}, {0.5f, 0.25f}, {1, 0}};
    other.setPoints(three.data(), 3);
    EXPECT_TRUE(late->isDirty());
    EXPECT_EQ(late->getImage(), nullptr);
    add(late);
    const Point m = late->toPixel(three[1]);
    EXPECT_EQ(late->getImage()->bitmap().pixel(m.h, m.v), mark->bitmap()->pixel(6, 6));
    view->removeWidget(late);
    delete late;

    set({{0, 1}, {0.5f, 0.5f}, {1, 0}});
    const Points loaded = {{0, 0.5f}, {0.3f, 0.3f}, {0.7f, 0.9f}, {1, 0.5f}};
    onHostIdle = [&] { set(loaded); };
    platform.advanceClock(1000); // the tracking idle gives the host idle time at once
    for (int i = 0; i < 30; ++i)
        script({{at(0.5f, 0.1f + 0.01f * float(i)), leftButton}});
    script({{at(0.5f, 0.4f), 0}});
    press(at(0.5f, 0.5f), leftButton);
    onHostIdle = nullptr;
    EXPECT_EQ(points(), loaded);
    EXPECT_EQ(recorder.told.size(), 1u);
}

// The host thread loads two curves in turn while the editor thread draws: every image the view
// shows is wholly one curve's.
TEST_F(CurveViewTest, CurveReplacedFromAnotherThreadIsNeverDrawnTorn)
{
    const Points a = {{0, 1}, {0.2f, 0.1f}, {0.35f, 0.9f}, {0.5f, 0.2f}, {0.7f, 0.8f}, {0.85f, 0.1f}, {1, 0.5f}};
    const Points b = {{0, 0}, {0.5f, 0.9f}, {1, 1}};
    const auto shown = [&] {
        const Surface& s = image();
        std::vector<Pixel> pixels;
        for (std::int32_t y = 0; y < s.height(); ++y)
            for (std::int32_t x = 0; x < s.width(); ++x)
                pixels.push_back(s.pixel(x, y));
        return pixels;
    };
    set(a);
    view->idle();
    const std::vector<Pixel> imageA = shown();
    set(b);
    view->idle();
    const std::vector<Pixel> imageB = shown();
    ASSERT_NE(imageA, imageB);

    std::atomic<bool> done{false};
    std::thread hostThread([&] {
        for (int i = 0; !done; ++i)
            set(i % 2 ? a : b);
    });
    int torn = 0, drawn = 0;
    while (drawn < 200) {
        if (!curveView->isDirty())
            continue;
        view->idle();
        ++drawn;
        const std::vector<Pixel> now = shown();
        torn += now != imageA && now != imageB;
    }
    done = true;
    hostThread.join();
    EXPECT_EQ(torn, 0);
    view->idle();
    const std::vector<Pixel> last = shown();
    EXPECT_EQ(last, points() == a ? imageA : imageB) << "the last curve loaded is drawn";
}

}  // namespace
