#include "CurveView.h"

#include "gui/DrawPort.h"
#include "gui/OffscreenPort.h"
#include "gui/Picture.h"
#include "gui/widgets/WidgetMath.h"

#include <new>

using namespace gui;

namespace {

// Squared distance in curve units within which a click takes a point: about 11 pixels.
constexpr float hitDistance = 0.002f;
// How close a dragged point may come to its neighbours' x.
constexpr float neighbourGap = 0.00001f;

bool inside(CurvePoint p)
{
    return p.x >= 0.0f && p.x <= 1.0f && p.y >= 0.0f && p.y <= 1.0f;
}

bool hits(CurvePoint point, CurvePoint at)
{
    const float dy = at.y - point.y;
    const float dx = at.x - point.x;
    return dy * dy + dx * dx < hitDistance;
}

std::int32_t halfWidth(const Picture* p)
{
    return p ? p->width() / 2 : 0;
}

std::int32_t halfHeight(const Picture* p)
{
    return p ? p->height() / 2 : 0;
}

}  // namespace

CurveView::CurveView(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* graph, Picture* point,
                     ShaperCurve& edited)
    : classic::ValueWidget(size, owner, ownerTag, nullptr), curve(edited), graphPicture(graph), pointPicture(point)
{
    const float graphWidth = float(graph ? graph->width() : 0);
    const float graphHeight = float(graph ? graph->height() : 0);
    spanLeft = float(halfWidth(point) + 1 + inset);
    spanTop = float(halfHeight(point) + 1 + inset);
    spanRight = graphWidth - float(inset) - float(halfWidth(point) + 1) - 1.0f;
    spanBottom = graphHeight - float(inset) - float(halfHeight(point) + 1) - 1.0f;
    curve.attachView(this);
}

CurveView::~CurveView()
{
    curve.attachView(nullptr);
}

float CurveView::getValue() const
{
    return 0.0f;
}

bool CurveView::isDirty() const
{
    return classic::ValueWidget::isDirty() || imageStale.load(std::memory_order_acquire);
}

void CurveView::curveChanged()
{
    replaced.store(true, std::memory_order_release);
    imageStale.store(true, std::memory_order_release);
}

Point CurveView::toPixel(CurvePoint p) const
{
    return Point(truncateToInt(double(spanLeft) + (double(spanRight) - spanLeft) * p.x),
                 truncateToInt(double(spanTop) + (double(spanBottom) - spanTop) * p.y));
}

CurvePoint CurveView::toCurve(Point window) const
{
    return {(float(window.h) - spanLeft - float(rect.left)) / (spanRight - spanLeft),
            (float(window.v) - spanTop - float(rect.top)) / (spanBottom - spanTop)};
}

void CurveView::render()
{
    if (!image) {
        setDirty(true); // the first draw renders
        return;
    }
    // Taken before the copy: points replaced after it mark the image stale again.
    imageStale.store(false, std::memory_order_release);
    const ShaperCurve::Shape shape = curve.shape();
    const CurvePoint* points = shape.points.data();
    OffscreenPort& port = *image;
    if (graphPicture)
        graphPicture->draw(port, Rect(0, 0, graphPicture->width(), graphPicture->height()), Point(0, 0));
    if (shape.count < curve.getOrder()) {
        const int degree = shape.count - 1;
        const float step = 1.0f / float(curveSteps);
        Point previous = toPixel(bezierPoint(points, 0, degree, 0.0f));
        for (float t = step; t <= 1.0f; t += step) {
            const Point next = toPixel(bezierPoint(points, 0, degree, t));
            port.moveTo(previous);
            port.lineTo(next);
            previous = next;
        }
        port.moveTo(previous);
        port.lineTo(toPixel(bezierPoint(points, 0, degree, 1.0f)));
    } else {
        splinePolyline(shape.count - 1, curve.getOrder(), points, splineSamples.data(), curveSteps);
        port.moveTo(toPixel(splineSamples[0]));
        for (int i = 1; i < curveSteps; ++i) {
            const Point next = toPixel(splineSamples[i]);
            port.lineTo(next);
            port.moveTo(next);
        }
    }
    if (pointPicture) {
        const std::int32_t w = pointPicture->width();
        const std::int32_t h = pointPicture->height();
        for (int i = 0; i < shape.count; ++i) {
            const Point at = toPixel(points[i]);
            const std::int32_t left = at.h - w / 2;
            const std::int32_t top = at.v - h / 2;
            pointPicture->drawTransparent(port, Rect(left, top, left + w, top + h), Point(0, 0));
        }
    }
    setDirty(true);
}

bool CurveView::coversRect() const
{
    return image && image->width() >= rect.width() && image->height() >= rect.height();
}

void CurveView::draw(DrawPort& port)
{
    if (!image) {
        image.reset(new (std::nothrow) OffscreenPort(port, graphPicture.get()));
        if (!image)
            return;
        render();
    } else if (imageStale.load(std::memory_order_acquire)) {
        render();
    }
    image->copyTo(port, rect, Point(0, 0));
    setDirty(false);
}

bool CurveView::pickOrAddPoint(CurvePoint at)
{
    if (!inside(at))
        return false;
    {
        ShaperCurve::Edit edit = curve.edit();
        // A new interaction: what was replaced before it is what it edits.
        replaced.store(false, std::memory_order_relaxed);
        selected = -1;
        for (int i = 0; i < edit.count(); ++i) {
            if (hits(edit.point(i), at)) {
                selected = i;
                return true;
            }
        }
        if (edit.count() >= ShaperCurve::maxPoints)
            return true;
        insertPoint(edit, at);
    }
    render();
    return true;
}

void CurveView::insertPoint(ShaperCurve::Edit& edit, CurvePoint at)
{
    int j = 1;
    while (j < edit.count() && at.x >= edit.point(j).x)
        ++j;
    edit.insert(j, at);
    selected = j;
}

bool CurveView::dragSelected(CurvePoint at)
{
    if (selected == -1)
        return false;
    {
        ShaperCurve::Edit edit = curve.edit();
        // Points loaded by the host meanwhile win; the drag ends.
        if (replaced.load(std::memory_order_relaxed) || selected >= edit.count()) {
            selected = -1;
            return false;
        }
        CurvePoint moved = edit.point(selected);
        moved.y = at.y < 0.0f ? 0.0f : at.y > 1.0f ? 1.0f : at.y;
        const int last = edit.count() - 1;
        if (selected > 0 && selected < last) {
            // Interior points keep strictly increasing x and never pass their neighbours.
            const float left = edit.point(selected - 1).x;
            const float right = edit.point(selected + 1).x;
            if (at.x >= right)
                moved.x = right - neighbourGap;
            else if (at.x <= left)
                moved.x = left + neighbourGap;
            else
                moved.x = at.x;
        }
        edit.move(selected, moved);
    }
    render();
    return true;
}

void CurveView::releasePoint()
{
    selected = -1;
}

bool CurveView::removePointAt(CurvePoint at)
{
    if (!inside(at))
        return false;
    selected = -1;
    bool removed = false;
    {
        ShaperCurve::Edit edit = curve.edit();
        for (int i = 1; i < edit.count() - 1; ++i) {
            if (hits(edit.point(i), at)) {
                edit.remove(i);
                removed = true;
                break;
            }
        }
    }
    if (removed)
        render();
    return true;
}

void CurveView::mouse(DrawPort& port, Point)
{
    // The press's own buttons and point, however long ago it was let go.
    std::int32_t buttons = port.mouseButtons();
    Point position;
    port.mousePosition(position);
    if (buttons & rightButton) {
        if (!removePointAt(toCurve(position)))
            return;
        draw(port);
        notify(port);
        return;
    }
    if (!(buttons & leftButton) || !pickOrAddPoint(toCurve(position)))
        return;
    // The first pass moves the point to the press itself; each later one to where the poll
    // that kept the drag going found the pointer.
    for (;;) {
        if (!dragSelected(toCurve(position)))
            break;
        draw(port);
        idleWhileTracking();
        buttons = port.mouseButtons();
        if (!(buttons & leftButton))
            break;
        port.mousePosition(position);
    }
    releasePoint();
    // Let go of the left button while holding the right: the point under the mouse goes.
    if ((buttons & rightButton) && removePointAt(toCurve(position)))
        draw(port);
    notify(port);
}
