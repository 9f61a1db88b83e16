// The waveshaper's transfer curve: up to 50 control points forming a Bezier curve (two or three
// points) or an open uniform cubic B-spline (four or more), sampled into the engine's table.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

// x is the input magnitude; y runs downwards as on screen (y = 0 is output 1).
struct CurvePoint {
    float x;
    float y;
    constexpr bool operator==(const CurvePoint&) const = default;
};

// A whole-number knot kept twice; equality is tested on the integer copy.
struct Knot {
    std::int32_t i;
    float f;
};

// The curve functions run on whichever thread samples or draws the curve: the host thread
// (chunk, parameter 0) or the editor thread (parameter 0, the curve view).

// Point of the Bezier curve of degree `degree` over p[first..first+degree] (de Casteljau).
CurvePoint bezierPoint(const CurvePoint* p, int first, int degree, float t);
// Open uniform knot vector u[0..n+k] for control points 0..n and order k.
void makeKnots(Knot* u, int n, int k);
// Cox-de Boor basis function i of order k at t.
float basis(int i, int k, const Knot* u, float t);
// B-spline point at t for control points 0..n; (0, 0) outside 0 <= t < n - k + 2.
CurvePoint splinePoint(const Knot* u, int n, int k, float t, const CurvePoint* p);
// m points along the B-spline, the last one being p[n].
void splinePolyline(int n, int k, const CurvePoint* p, CurvePoint* out, int m);

// Told when the curve's points are replaced from outside (a loaded chunk), on the thread that
// replaced them and while the curve is still locked for writing: only take note.
class CurveObserver {
public:
    virtual void curveChanged() = 0;

protected:
    ~CurveObserver() = default;
};

class ShaperCurve {
public:
    static constexpr int maxPoints = 50;
    static constexpr int splineOrder = 4;
    // Knots for maxPoints control points of order splineOrder.
    static constexpr int maxKnots = maxPoints + splineOrder;

    // A whole copy of the points.
    struct Shape {
        std::array<CurvePoint, maxPoints> points;
        int count;
    };

    // The editor's changes to the points, made while it holds the curve for writing (a chunk
    // loaded meanwhile waits); readers see them when the edit ends.
    class Edit {
    public:
        Edit(const Edit&) = delete;
        Edit& operator=(const Edit&) = delete;
        ~Edit();
        int count() const { return curve->master.count; }
        const CurvePoint& point(int index) const { return curve->master.points[index]; }
        // index 0..count; nothing when the curve is full.
        void insert(int index, CurvePoint p);
        void move(int index, CurvePoint p);
        void remove(int index);

    private:
        friend class ShaperCurve;
        explicit Edit(ShaperCurve& edited);
        ShaperCurve* curve;
        std::unique_lock<std::mutex> lock;
        bool changed = false;
    };

    ShaperCurve();
    virtual ~ShaperCurve();
    ShaperCurve(const ShaperCurve&) = delete;
    ShaperCurve& operator=(const ShaperCurve&) = delete;

    // Host or editor thread. n <= 1 restores the two default points; above 50 keeps the first
    // 50. The attached view is told.
    void setPoints(const CurvePoint* p, int n);
    // Editor thread: the curve view, when it is made (and null when it goes). The view is
    // told of replaced points only while attached.
    void attachView(CurveObserver* view);
    // Editor thread.
    Edit edit();

    // Any thread, the audio thread included: a whole copy of the points, never torn by a
    // writer and never waiting for one.
    Shape shape() const;
    // Any thread: counts every change of the points.
    std::uint32_t revision() const { return revisions.load(); }
    // Any thread: samples a copy of the curve into table[0..size-1].
    void fillTable(float* table, int size) const;

    int getCount() const { return shape().count; }
    int getOrder() const { return order; }

private:
    // Two published copies, each guarded by a sequence that is odd while it is rewritten.
    // Writers rewrite only the copy readers are not sent to, so a reader that finds its copy
    // being rewritten finds a newer whole one in the other.
    struct Slot {
        std::atomic<std::uint32_t> sequence{0};
        std::atomic<int> count{0};
        std::array<std::atomic<float>, 2 * maxPoints> coordinates{};
    };

    // Writers, with the lock held: makes master what readers see.
    void publish();

    // What one search leaves for the next (see ShaperCurve.cpp).
    struct Search;
    // y where the curve's x equals x, found by bisection warm-started from the parameter left
    // by the previous search.
    static float bezierYAt(const Shape& shape, float x, Search& search);
    static float splineYAt(const Shape& shape, int order, float x, const Knot* knots, Search& search);

    std::mutex writing;
    Shape master{};
    CurveObserver* view = nullptr;
    Slot slots[2];
    std::atomic<int> current{0};
    std::atomic<std::uint32_t> revisions{0};
    int order = splineOrder;
};
