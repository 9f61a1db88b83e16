#include "ReferenceData.h"
#include "ShaperCurve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

namespace {

// A record's control points: count, then x y pairs. Returns the index after them.
size_t readPoints(const std::vector<double>& v, std::vector<CurvePoint>& points)
{
    const size_t n = size_t(v[0]);
    for (size_t i = 0; i < n; ++i)
        points.push_back({float(v[1 + 2 * i]), float(v[2 + 2 * i])});
    return 1 + 2 * n;
}

std::vector<float> filledTable(ShaperCurve& curve)
{
    std::vector<float> table(1024, -1.0f);
    curve.fillTable(table.data(), 1024);
    return table;
}

}  // namespace

TEST(CurveFunctions, SplinePointMatchesSciPyBSpline)
{
    const ReferenceRecords ref = loadReference();
    const auto [first, last] = ref.equal_range("bspline");
    ASSERT_NE(first, last);
    for (auto it = first; it != last; ++it) {
        const std::vector<double>& v = it->second;
        std::vector<CurvePoint> p;
        size_t at = readPoints(v, p);
        const int n = int(p.size()) - 1;
        std::vector<Knot> knots(p.size() + 4);
        makeKnots(knots.data(), n, 4);
        const size_t evaluations = size_t(v[at++]);
        for (size_t e = 0; e < evaluations; ++e, at += 3) {
            const float t = float(v[at]);
            const CurvePoint got = splinePoint(knots.data(), n, 4, t, p.data());
            EXPECT_NEAR(got.x, v[at + 1], 2e-6) << p.size() << " points, t " << t;
            EXPECT_NEAR(got.y, v[at + 2], 2e-6) << p.size() << " points, t " << t;
        }
    }
}

TEST(CurveFunctions, BezierPointMatchesSciPyBernsteinPolynomial)
{
    const ReferenceRecords ref = loadReference();
    const auto [first, last] = ref.equal_range("bezier");
    ASSERT_NE(first, last);
    for (auto it = first; it != last; ++it) {
        const std::vector<double>& v = it->second;
        std::vector<CurvePoint> p;
        size_t at = readPoints(v, p);
        const size_t evaluations = size_t(v[at++]);
        for (size_t e = 0; e < evaluations; ++e, at += 3) {
            const float t = float(v[at]);
            const CurvePoint got = bezierPoint(p.data(), 0, int(p.size()) - 1, t);
            EXPECT_NEAR(got.x, v[at + 1], 1e-6) << p.size() << " points, t " << t;
            EXPECT_NEAR(got.y, v[at + 2], 1e-6) << p.size() << " points, t " << t;
        }
    }
}

// Entries of the shaper table against y solved independently (SciPy's brentq on the curve):
// the bisection tolerance is 0.0001 in x for the spline and 0.001 for the Bezier curve.
TEST(ShaperCurve, FillTableMatchesIndependentSolution)
{
    const ReferenceRecords ref = loadReference();
    const auto [first, last] = ref.equal_range("table");
    ASSERT_NE(first, last);
    for (auto it = first; it != last; ++it) {
        const std::vector<double>& v = it->second;
        std::vector<CurvePoint> p;
        size_t at = readPoints(v, p);
        const int size = int(v[at++]);
        ASSERT_EQ(size, 1024);
        const size_t entries = size_t(v[at++]);
        ShaperCurve curve;
        curve.setPoints(p.data(), int(p.size()));
        const std::vector<float> table = filledTable(curve);
        EXPECT_EQ(table[0], 0.0f);
        const double tolerance = p.size() >= 4 ? 5e-4 : 4e-3;
        for (size_t e = 0; e < entries; ++e, at += 2)
            EXPECT_NEAR(table[size_t(v[at])], v[at + 1], tolerance)
                << p.size() << " points, entry " << v[at];
    }
}

TEST(ShaperCurve, DefaultAndDiagonalCurvesGiveTheIdentityTable)
{
    ShaperCurve curve;
    EXPECT_EQ(curve.getCount(), 2);
    EXPECT_EQ(curve.getOrder(), 4);
    std::vector<float> table = filledTable(curve);
    EXPECT_EQ(table[0], 0.0f);
    for (int i = 1; i < 1024; ++i)
        ASSERT_NEAR(table[i], (i - 1) / 1024.0, 0.001) << "default, entry " << i;

    const CurvePoint diagonal[] = {{0.0f, 1.0f}, {0.3f, 0.7f}, {0.6f, 0.4f}, {1.0f, 0.0f}};
    curve.setPoints(diagonal, 4);
    table = filledTable(curve);
    EXPECT_EQ(table[0], 0.0f);
    for (int i = 1; i < 1024; ++i)
        ASSERT_NEAR(table[i], (i - 1) / 1024.0, 0.0001) << "diagonal, entry " << i;
}

TEST(ShaperCurve, SetPointsCountsFromTwoToFifty)
{
    std::vector<CurvePoint> many(60);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = {float(i) / 59.0f, 1.0f - float(i) / 59.0f};

    ShaperCurve curve;
    curve.setPoints(many.data(), 60);
    EXPECT_EQ(curve.getCount(), 50);
    EXPECT_EQ(curve.shape().points[49].x, many[49].x);

    for (int n : {1, 0, -3}) {
        curve.setPoints(many.data(), n);
        const ShaperCurve::Shape shape = curve.shape();
        ASSERT_EQ(shape.count, 2) << n;
        EXPECT_EQ(shape.points[0].x, 0.0f);
        EXPECT_EQ(shape.points[0].y, 1.0f);
        EXPECT_EQ(shape.points[1].x, 1.0f);
        EXPECT_EQ(shape.points[1].y, 0.0f);
    }

    // Fifty points on the diagonal up to x1 = 49/59: entry i is the output at (i - 1) x1 / 1024.
    curve.setPoints(many.data(), 50);
    const std::vector<float> table = filledTable(curve);
    for (int i = 1; i < 1024; ++i)
        ASSERT_NEAR(table[i], (i - 1) / 1024.0 * many[49].x, 0.0001) << i;
}

TEST(CurveFunctions, SplineIsZeroOutsideItsRangeAndPolylineEndsOnLastPoint)
{
    const CurvePoint p[] = {{0.0f, 1.0f}, {0.2f, 0.3f}, {0.5f, 0.6f}, {0.7f, 0.1f}, {1.0f, 0.2f}};
    const int n = 4;
    Knot knots[n + 5];
    makeKnots(knots, n, 4);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float t : {2.0f, 2.5f, 1e9f, -0.5f, -7.0f, nan}) {
        const CurvePoint q = splinePoint(knots, n, 4, t, p);
        EXPECT_EQ(q.x, 0.0f) << t;
        EXPECT_EQ(q.y, 0.0f) << t;
    }
    const CurvePoint start = splinePoint(knots, n, 4, 0.0f, p);
    EXPECT_EQ(start.x, 0.0f);
    EXPECT_EQ(start.y, 1.0f);

    CurvePoint line[9];
    splinePolyline(n, 4, p, line, 9);
    EXPECT_EQ(line[0].y, 1.0f);
    EXPECT_EQ(line[8].x, 1.0f);
    EXPECT_EQ(line[8].y, 0.2f);
    const CurvePoint mid = splinePoint(knots, n, 4, 1.0f, p);
    EXPECT_EQ(line[4].x, mid.x);
    EXPECT_EQ(line[4].y, mid.y);
}

// splinePoint sums the basis functions of the Cox-de Boor recursion: every point it gives equals,
// bit for bit, the sum of basis() over the four control points at that t, for curves of four
// to fifty points and orders two to five.
TEST(CurveFunctions, SplinePointIsTheSumOfTheRecursiveBasis)
{
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> coordinate(0.0f, 1.0f);
    for (int count : {4, 5, 9, 23, 50}) {
        std::vector<CurvePoint> p(static_cast<size_t>(count));
        for (CurvePoint& point : p)
            point = {coordinate(rng), coordinate(rng)};
        for (int k = 2; k <= 5 && k <= count; ++k) {
            const int n = count - 1;
            std::vector<Knot> knots(size_t(n + k + 1));
            makeKnots(knots.data(), n, k);
            const float end = float(n - k + 2);
            std::uniform_real_distribution<float> parameter(0.0f, end);
            std::vector<float> ts = {0.0f, 1.0f, end / 2.0f, std::nextafter(end, 0.0f)};
            for (int i = 0; i < 200; ++i)
                ts.push_back(parameter(rng));
            for (float t : ts) {
                if (!(t < end))
                    continue;
                const int j = int(t);
                CurvePoint expected{0.0f, 0.0f};
                for (int i = j; i <= j + k - 1; ++i) {
                    const float b = basis(i, k, knots.data(), t);
                    expected.x += b * p[size_t(i)].x;
                    expected.y += b * p[size_t(i)].y;
                }
                const CurvePoint got = splinePoint(knots.data(), n, k, t, p.data());
                ASSERT_EQ(got.x, expected.x) << count << " points, order " << k << ", t " << t;
                ASSERT_EQ(got.y, expected.y) << count << " points, order " << k << ", t " << t;
            }
        }
    }
}

namespace {

// fillTable for a B-spline written plainly: every search evaluates the curve afresh at every
// step, warm-started and stopped as fillTable's searches are.
std::vector<float> plainSplineTable(const std::vector<CurvePoint>& p)
{
    const int count = int(p.size()), order = 4, n = count - 1;
    std::vector<Knot> knots(size_t(n + order + 1));
    makeKnots(knots.data(), n, order);
    const auto at = [&](float t) { return splinePoint(knots.data(), n, order, t, p.data()); };
    std::vector<float> table(1024, 0.0f);
    float last = -1.0f;
    const double step = (double(p.back().x) - p.front().x) / 1024;
    double x = p.front().x;
    for (int i = 1; i < 1024; ++i, x += step) {
        const float target = float(x);
        float lo = 0.0f, hi = float(count - order + 1);
        const float resolution = (hi - lo) * std::numeric_limits<float>::epsilon();
        float mid = (lo + hi) / 2.0f;
        const float window = float(count * 0.01);
        if (last != -1.0f && at(last + window).x > target && at(last).x < target) {
            lo = last;
            hi = last + window;
            mid = (lo + hi) / 2.0f;
        }
        CurvePoint point{};
        for (int evaluations = 1;; ++evaluations) {
            const float t = mid;
            point = at(t);
            const float error = point.x < target ? target - point.x : point.x - target;
            if (point.x < target) {
                lo = mid;
                mid = (mid + hi) / 2.0f;
            } else {
                hi = mid;
                mid = (mid + lo) / 2.0f;
            }
            if (evaluations >= 301 || !(error > 0.0001f) || mid == t || hi - lo < resolution)
                break;
        }
        last = mid;
        table[size_t(i)] = 1.0f - point.y;
    }
    return table;
}

}  // namespace

// fillTable reuses points of the previous search where the next goes the same way; its table
// must be the plain searches' to the last bit, for ordered, zigzagging and random points.
TEST(ShaperCurve, FillTableEqualsPlainSearchesBitForBit)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> coordinate(0.0f, 1.0f);
    for (int trial = 0; trial < 12; ++trial) {
        const size_t count = size_t(4 + trial * 4);
        std::vector<CurvePoint> p(count);
        for (size_t i = 0; i < count; ++i) {
            const float x = trial % 3 == 0   ? float(i) / float(count - 1)
                            : trial % 3 == 1 ? (i % 2 ? 0.2f : 0.8f)
                                             : coordinate(rng);
            p[i] = {x, coordinate(rng)};
        }
        ShaperCurve curve;
        curve.setPoints(p.data(), int(count));
        const std::vector<float> expected = plainSplineTable(p);
        const std::vector<float> table = filledTable(curve);
        for (size_t i = 0; i < 1024; ++i)
            ASSERT_EQ(table[i], expected[i]) << "trial " << trial << ", entry " << i;
    }
}

// Curves whose x does not rise along them (points out of order, as only a chunk can hold them)
// never meet some x; their tables still fill with levels of the curve, between 0 and 1.
TEST(ShaperCurve, PointsOutOfOrderStillFillTheTableWithinTheCurve)
{
    std::mt19937 rng(4);
    std::uniform_real_distribution<float> coordinate(0.0f, 1.0f);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<CurvePoint> p(50);
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = {trial % 2 ? coordinate(rng) : (i % 2 ? 0.2f : 0.8f), coordinate(rng)};
        ShaperCurve curve;
        curve.setPoints(p.data(), 50);
        const std::vector<float> table = filledTable(curve);
        EXPECT_EQ(table[0], 0.0f);
        for (int i = 1; i < 1024; ++i) {
            ASSERT_GE(table[size_t(i)], 0.0f) << trial << " " << i;
            ASSERT_LE(table[size_t(i)], 1.0f) << trial << " " << i;
        }
    }
}

namespace {

struct Observer : CurveObserver {
    void curveChanged() override { ++told; }
    int told = 0;
};

std::vector<CurvePoint> pointsOf(const ShaperCurve::Shape& shape)
{
    return std::vector<CurvePoint>(shape.points.begin(), shape.points.begin() + shape.count);
}

}  // namespace

// The editor's edits change the points readers see when the edit ends; only replaced points are
// told to the attached view, and every change counts as a revision.
TEST(ShaperCurve, EditsAndReplacementsReachReadersAndTheView)
{
    ShaperCurve curve;
    Observer view;
    curve.attachView(&view);
    std::uint32_t revision = curve.revision();

    const struct {
        const char* what;
        void (*change)(ShaperCurve&);
        std::vector<CurvePoint> expected;
        int told;
        bool changes = true;
    } steps[] = {
        {"insert in the middle", [](ShaperCurve& c) { c.edit().insert(1, {0.5f, 0.5f}); },
         {{0, 1}, {0.5f, 0.5f}, {1, 0}}, 0},
        {"move", [](ShaperCurve& c) { c.edit().move(1, {0.4f, 0.2f}); }, {{0, 1}, {0.4f, 0.2f}, {1, 0}}, 0},
        {"insert at the end", [](ShaperCurve& c) { c.edit().insert(3, {1.0f, 0.5f}); },
         {{0, 1}, {0.4f, 0.2f}, {1, 0}, {1.0f, 0.5f}}, 0},
        {"remove", [](ShaperCurve& c) { c.edit().remove(2); }, {{0, 1}, {0.4f, 0.2f}, {1.0f, 0.5f}}, 0},
        {"replace", [](ShaperCurve& c) {
             const CurvePoint p[] = {{0, 0}, {1, 1}};
             c.setPoints(p, 2);
         },
         {{0, 0}, {1, 1}}, 1},
        {"remove down to two points", [](ShaperCurve& c) { c.edit().remove(0); }, {{0, 0}, {1, 1}}, 1, false},
        {"indices outside the points", [](ShaperCurve& c) {
             auto e = c.edit();
             e.insert(3, {0.5f, 0.5f});
             e.insert(-1, {0.5f, 0.5f});
             e.move(2, {0.5f, 0.5f});
         },
         {{0, 0}, {1, 1}}, 1, false},
        {"a move to where the point is", [](ShaperCurve& c) { c.edit().move(1, {1, 1}); }, {{0, 0}, {1, 1}}, 1, false},
    };
    for (const auto& step : steps) {
        step.change(curve);
        EXPECT_EQ(pointsOf(curve.shape()), step.expected) << step.what;
        EXPECT_EQ(view.told, step.told) << step.what;
        EXPECT_EQ(curve.revision() != revision, step.changes) << step.what;
        revision = curve.revision();
    }

    std::vector<CurvePoint> full(50);
    for (int i = 0; i < 50; ++i)
        full[i] = {float(i) / 49.0f, 0.5f};
    curve.setPoints(full.data(), 50);
    curve.edit().insert(10, {0.2f, 0.2f});
    EXPECT_EQ(pointsOf(curve.shape()), full) << "a full curve takes no more points";

    curve.attachView(nullptr);
    curve.setPoints(nullptr, 0);
    EXPECT_EQ(view.told, 2) << "a detached view is not told";
}

// One thread replaces the points back and forth between two curves while another reads them
// and samples tables from them: every copy and every table is wholly one curve's.
TEST(ShaperCurve, PointsReplacedFromAnotherThreadAreNeverReadHalfReplaced)
{
    std::vector<CurvePoint> a, b;
    for (int i = 0; i < 5; ++i)
        a.push_back({float(i) / 4.0f, 1.0f - float(i) / 4.0f});
    for (int i = 0; i < 12; ++i)
        b.push_back({float(i) / 11.0f, float(i % 3) / 2.0f});
    ShaperCurve curve;
    std::vector<float> tableA(1024), tableB(1024);
    curve.setPoints(a.data(), int(a.size()));
    curve.fillTable(tableA.data(), 1024);
    curve.setPoints(b.data(), int(b.size()));
    curve.fillTable(tableB.data(), 1024);

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; !done; ++i) {
            const auto& p = i % 2 ? a : b;
            curve.setPoints(p.data(), int(p.size()));
        }
    });
    int torn = 0;
    std::vector<float> table(1024);
    for (int i = 0; i < 200000; ++i) {
        const std::vector<CurvePoint> seen = pointsOf(curve.shape());
        if (seen != a && seen != b)
            ++torn;
        if (i % 10000 == 0) {
            curve.fillTable(table.data(), 1024);
            if (table != tableA && table != tableB)
                ++torn;
        }
    }
    done = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}
