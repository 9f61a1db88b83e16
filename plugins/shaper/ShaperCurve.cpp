#include "ShaperCurve.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

namespace {

constexpr int maxSearchEvaluations = 301;
// splinePoint builds the basis bottom up for orders up to this (the curve uses 4).
constexpr int maxBottomUpOrder = 8;

// The parameters a search evaluated the curve at, in order, with the points it found, so that
// the next search can take a point where it goes the same way: searches for neighbouring x
// often do, all the way where x is never met.
struct SearchPath {
    static constexpr int capacity = maxSearchEvaluations + 2;
    float parameters[capacity];
    CurvePoint points[capacity];
    int count = 0;
};

// The curve at t, or the previous search's point at step `step` when that was at the same t
// (the same bits, so that even the sign of a zero agrees). Records the step in `path`.
template <typename Curve>
CurvePoint stepAt(const Curve& curveAt, float t, int step, const SearchPath& previous, SearchPath& path)
{
    CurvePoint p;
    if (step < previous.count && std::bit_cast<std::uint32_t>(previous.parameters[step]) == std::bit_cast<std::uint32_t>(t))
        p = previous.points[step];
    else
        p = curveAt(t);
    path.parameters[step] = t;
    path.points[step] = p;
    path.count = step + 1;
    return p;
}

// Bisection on the curve parameter for the point whose x equals `x`. `lastParameter` carries
// the previous solution: when the window [last, last + w] brackets x, the search starts there.
// `paths` holds the previous search's path and takes this one's in its place.
//
// On a curve whose x rises along it the search meets the tolerance within a few evaluations.
// Where x does not rise (points out of order, as a chunk may hold them), x may never be met
// and the bracket shrinks until it can shrink no more, towards 0 through every power of two
// down to the denormals: some 150 evaluations, 50 ms for a table. So the search also ends
// once its bracket is narrower than the float resolution of the whole parameter range, or
// its midpoint no longer moves (every later evaluation would repeat the last one). A curve
// that meets every x never gets there.
struct Searches {
    // The parameter the previous search left; -1 for none.
    float lastParameter = -1.0f;
    SearchPath paths[2];
    int previousPath = 0;
};

template <typename Curve>
float searchYAt(const Curve& curveAt, float x, float lo, float hi, float window, float tolerance,
                Searches& searches)
{
    float& lastParameter = searches.lastParameter;
    const SearchPath& previous = searches.paths[searches.previousPath];
    searches.previousPath = 1 - searches.previousPath;
    SearchPath& path = searches.paths[searches.previousPath];
    path.count = 0;
    int step = 0;
    const float resolution = (hi - lo) * std::numeric_limits<float>::epsilon();
    float mid = (lo + hi) / 2.0f;
    if (lastParameter != -1.0f) {
        const CurvePoint first = stepAt(curveAt, lastParameter, step++, previous, path);
        const CurvePoint second = stepAt(curveAt, lastParameter + window, step++, previous, path);
        if (second.x > x && first.x < x) {
            lo = lastParameter;
            hi = lastParameter + window;
            mid = (lo + hi) / 2.0f;
        }
    }
    CurvePoint p{};
    for (int evaluations = 1;; ++evaluations) {
        const float at = mid;
        p = stepAt(curveAt, at, step++, previous, path);
        float error;
        if (p.x < x) {
            lo = mid;
            mid = (mid + hi) / 2.0f;
            error = x - p.x;
        } else {
            hi = mid;
            mid = (mid + lo) / 2.0f;
            error = p.x - x;
        }
        // The negated test also ends a search whose error is NaN.
        if (evaluations >= maxSearchEvaluations || !(error > tolerance) || mid == at ||
            hi - lo < resolution)
            break;
    }
    lastParameter = mid;
    return p.y;
}

// a / (to - from) for two distinct knots. Spans of one and two knots, nearly all of them, are
// exact without a division: a / 1 is a, and a / 2 is a x 0.5 to the last bit.
inline float overKnotSpan(float a, const Knot& from, const Knot& to)
{
    const std::int32_t span = to.i - from.i;
    if (span == 1)
        return a;
    if (span == 2)
        return a * 0.5f;
    return a / (to.f - from.f);
}

}  // namespace

CurvePoint bezierPoint(const CurvePoint* p, int first, int degree, float t)
{
    if (degree <= 0)
        return p[first];
    if (degree == 1) {
        const CurvePoint& a = p[first];
        const CurvePoint& b = p[first + 1];
        return {(1.0f - t) * a.x + t * b.x, (1.0f - t) * a.y + t * b.y};
    }
    const CurvePoint a = bezierPoint(p, first, degree - 1, t);
    const CurvePoint b = bezierPoint(p, first + 1, degree - 1, t);
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
}

void makeKnots(Knot* u, int n, int k)
{
    for (int i = 0; i <= n + k; ++i) {
        std::int32_t v;
        if (i < k)
            v = 0;
        else if (i <= n)
            v = i - k + 1;
        else
            v = n - k + 2;
        u[i] = {v, static_cast<float>(v)};
    }
}

float basis(int i, int k, const Knot* u, float t)
{
    if (k <= 1)
        return (u[i].f <= t && t < u[i + 1].f) ? 1.0f : 0.0f;
    float right = 0.0f;
    if (u[i + k].i != u[i + 1].i)
        right = (u[i + k].f - t) / (u[i + k].f - u[i + 1].f) * basis(i + 1, k - 1, u, t);
    float left = 0.0f;
    if (u[i + k - 1].i != u[i].i)
        left = (t - u[i].f) / (u[i + k - 1].f - u[i].f) * basis(i, k - 1, u, t);
    return right + left;
}

CurvePoint splinePoint(const Knot* u, int n, int k, float t, const CurvePoint* p)
{
    // Outside the parameter range every basis function is zero; stopping here also keeps the
    // loops below from reading points or knots past the arrays.
    if (!(t >= 0.0f && t < static_cast<float>(n - k + 2)))
        return {0.0f, 0.0f};
    const int j = static_cast<int>(t);
    CurvePoint result{0.0f, 0.0f};
    if (k < 1 || k > maxBottomUpOrder) {
        for (int i = j; i <= j + k - 1; ++i) {
            const float b = basis(i, k, u, t);
            result.x += b * p[i].x;
            result.y += b * p[i].y;
        }
        return result;
    }
    // The basis functions j..j+k-1 of order k, built bottom up from those of order 1: each
    // value is computed exactly as basis computes it, but once instead of once per path
    // through the recursion. With the knots of makeKnots only one function of order 1 is not
    // zero on a segment, the one starting at knot j + k - 1, so of order r only those from
    // k - r to k - 1 (counted from j) are; the others, and the terms they give, are zeros that
    // change no sum and are left out.
    float level[maxBottomUpOrder];
    level[k - 1] = 1.0f;
    for (int order = 2; order <= k; ++order) {
        const int lowest = k - order;
        for (int m = lowest; m < k; ++m) {
            const int i = j + m;
            float right = 0.0f;
            if (m + 1 < k && u[i + order].i != u[i + 1].i)
                right = overKnotSpan(u[i + order].f - t, u[i + 1], u[i + order]) * level[m + 1];
            float left = 0.0f;
            if (m > lowest && u[i + order - 1].i != u[i].i)
                left = overKnotSpan(t - u[i].f, u[i], u[i + order - 1]) * level[m];
            level[m] = m > lowest ? right + left : right;
        }
    }
    for (int m = 0; m < k; ++m) {
        result.x += level[m] * p[j + m].x;
        result.y += level[m] * p[j + m].y;
    }
    return result;
}

void splinePolyline(int n, int k, const CurvePoint* p, CurvePoint* out, int m)
{
    if (m <= 0 || n < 0 || k < 1 || n + k + 1 > ShaperCurve::maxKnots)
        return;
    Knot knots[ShaperCurve::maxKnots];
    makeKnots(knots, n, k);
    const float step = m > 1 ? static_cast<float>(n - k + 2) / static_cast<float>(m - 1) : 0.0f;
    float t = 0.0f;
    for (int i = 0; i < m - 1; ++i) {
        out[i] = splinePoint(knots, n, k, t, p);
        t += step;
    }
    out[m - 1] = p[n];
}

ShaperCurve::Edit::Edit(ShaperCurve& edited) : curve(&edited), lock(edited.writing) {}

ShaperCurve::Edit::~Edit()
{
    if (curve && changed)
        curve->publish();
}

void ShaperCurve::Edit::insert(int index, CurvePoint p)
{
    Shape& m = curve->master;
    if (m.count >= maxPoints || index < 0 || index > m.count)
        return;
    std::copy_backward(m.points.begin() + index, m.points.begin() + m.count, m.points.begin() + m.count + 1);
    m.points[index] = p;
    ++m.count;
    changed = true;
}

void ShaperCurve::Edit::move(int index, CurvePoint p)
{
    Shape& m = curve->master;
    if (index < 0 || index >= m.count)
        return;
    if (m.points[index].x == p.x && m.points[index].y == p.y)
        return;
    m.points[index] = p;
    changed = true;
}

void ShaperCurve::Edit::remove(int index)
{
    Shape& m = curve->master;
    if (m.count <= 2 || index < 0 || index >= m.count)
        return;
    std::copy(m.points.begin() + index + 1, m.points.begin() + m.count, m.points.begin() + index);
    --m.count;
    changed = true;
}

ShaperCurve::ShaperCurve()
{
    setPoints(nullptr, 0);
}

ShaperCurve::~ShaperCurve() = default;

void ShaperCurve::setPoints(const CurvePoint* p, int n)
{
    const std::lock_guard<std::mutex> lock(writing);
    if (n <= 1 || p == nullptr) {
        master.count = 2;
        master.points[0] = {0.0f, 1.0f};
        master.points[1] = {1.0f, 0.0f};
    } else {
        master.count = std::min(n, maxPoints);
        std::copy(p, p + master.count, master.points.begin());
    }
    publish();
    if (view)
        view->curveChanged();
}

void ShaperCurve::attachView(CurveObserver* observer)
{
    // Under the writers' lock: once this returns, no writer is still telling the old view.
    const std::lock_guard<std::mutex> lock(writing);
    view = observer;
}

ShaperCurve::Edit ShaperCurve::edit()
{
    return Edit(*this);
}

// The copies' accesses are sequentially consistent (no fences): a reader that saw any store of
// a rewrite sees the odd sequence that came before it when it reads the sequence again.
void ShaperCurve::publish()
{
    const int k = 1 - current.load();
    Slot& slot = slots[k];
    const std::uint32_t sequence = slot.sequence.load();
    slot.sequence.store(sequence + 1);
    slot.count.store(master.count);
    for (int i = 0; i < master.count; ++i) {
        slot.coordinates[2 * i].store(master.points[i].x);
        slot.coordinates[2 * i + 1].store(master.points[i].y);
    }
    slot.sequence.store(sequence + 2);
    current.store(k);
    revisions.fetch_add(1);
}

ShaperCurve::Shape ShaperCurve::shape() const
{
    Shape s;
    for (;;) {
        const Slot& slot = slots[current.load()];
        const std::uint32_t before = slot.sequence.load();
        if (before & 1u)
            continue;  // being rewritten: the other copy is newer and whole
        s.count = std::clamp(slot.count.load(), 2, maxPoints);
        for (int i = 0; i < s.count; ++i)
            s.points[i] = {slot.coordinates[2 * i].load(), slot.coordinates[2 * i + 1].load()};
        if (slot.sequence.load() == before)
            return s;
    }
}

struct ShaperCurve::Search : Searches {};

float ShaperCurve::bezierYAt(const Shape& shape, float x, Search& search)
{
    const auto curveAt = [&shape](float t) { return bezierPoint(shape.points.data(), 0, shape.count - 1, t); };
    return searchYAt(curveAt, x, 0.0f, 1.0f, static_cast<float>(shape.count * 0.1), 0.001f, search);
}

float ShaperCurve::splineYAt(const Shape& shape, int order, float x, const Knot* knots, Search& search)
{
    const auto curveAt = [&shape, order, knots](float t) {
        return splinePoint(knots, shape.count - 1, order, t, shape.points.data());
    };
    return searchYAt(curveAt, x, 0.0f, static_cast<float>(shape.count - order + 1),
                     static_cast<float>(shape.count * 0.01), 0.0001f, search);
}

void ShaperCurve::fillTable(float* table, int size) const
{
    if (size <= 0)
        return;
    const Shape s = shape();
    Search search;
    const float x0 = s.points[0].x;
    const float x1 = s.points[s.count - 1].x;
    table[0] = 0.0f;
    if (s.count < order) {
        const float step = (x1 - x0) / static_cast<float>(size);
        float x = x0;
        for (int i = 1; i < size; ++i) {
            table[i] = 1.0f - bezierYAt(s, x, search);
            x += step;
        }
    } else {
        Knot knots[maxKnots];
        makeKnots(knots, s.count - 1, order);
        const double step = (static_cast<double>(x1) - x0) / size;
        double x = x0;
        for (int i = 1; i < size; ++i) {
            table[i] = 1.0f - splineYAt(s, order, static_cast<float>(x), knots, search);
            x += step;
        }
    }
}
