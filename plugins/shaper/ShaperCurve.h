// The waveshaper's transfer curve: up to 50 control points forming a Bezier curve (two or three
// points) or an open uniform cubic B-spline (four or more), sampled into the engine's table.
#pragma once

#include <array>
#include <cstdint>

// x is the input magnitude; y runs downwards as on screen (y = 0 is output 1).
struct CurvePoint {
    float x;
    float y;
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

class ShaperCurve {
public:
    static constexpr int maxPoints = 50;
    static constexpr int splineOrder = 4;
    // Knots for maxPoints control points of order splineOrder.
    static constexpr int maxKnots = maxPoints + splineOrder;

    ShaperCurve();
    virtual ~ShaperCurve();

    // Host or editor thread. n <= 1 restores the two default points; above 50 keeps the first 50.
    void setPoints(const CurvePoint* p, int n);
    // Host or editor thread: samples the curve into table[0..size-1].
    void fillTable(float* table, int size);

    // Host or editor thread, from fillTable: y where the curve's x equals x, found by bisection
    // warm-started from the previous search.
    float bezierYAt(float x);
    float splineYAt(float x, const Knot* knots);

    int getCount() const { return count; }
    int getOrder() const { return order; }
    const CurvePoint* getPoints() const { return points.data(); }

private:
    std::array<CurvePoint, maxPoints> points;
    int order = splineOrder;
    int count = 2;
    float lastParameter = -1.0f;
};
