#include "Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

namespace gui::raster {

namespace {

using I64 = std::int64_t;

// A round stamp for wide pens: horizontal runs relative to the pen point.
struct Stamp {
    std::int32_t dy;
    std::int32_t x0;
    std::int32_t x1;
};

std::vector<Stamp> stampFor(std::int32_t width) {
    std::vector<Stamp> rows;
    if (width <= 1) {
        rows.push_back({0, 0, 0});
        return rows;
    }
    // Centred on the pixel; even widths extend one more to the right and down.
    const double r = width / 2.0;
    const double c = (width - 1) / 2.0;
    const std::int32_t lo = -(width - 1) / 2;
    for (std::int32_t j = 0; j < width; ++j) {
        double y = j - c;
        std::int32_t a = -1;
        std::int32_t b = -2;
        for (std::int32_t i = 0; i < width; ++i) {
            double x = i - c;
            if (width <= 2 || x * x + y * y <= r * r) {
                if (a < 0) a = i;
                b = i;
            }
        }
        if (b >= a) rows.push_back({lo + j, lo + a, lo + b});
    }
    return rows;
}

class PenPlotter {
public:
    PenPlotter(Surface& s, const Pen& pen) : s_(s), colour_(pen.colour), stamp_(stampFor(pen.width)) {}
    void at(I64 x, I64 y) {
        for (const Stamp& row : stamp_) {
            I64 yy = y + row.dy;
            if (yy < 0 || yy >= s_.height()) continue;
            I64 a = std::max<I64>(x + row.x0, 0);
            I64 b = std::min<I64>(x + row.x1, s_.width() - 1);
            if (b < a) continue;
            Pixel* p = s_.row(std::int32_t(yy));
            std::fill(p + a, p + b + 1, colour_);
            s_.addDamage(std::int32_t(a), std::int32_t(yy), std::int32_t(b + 1), std::int32_t(yy + 1));
        }
    }
    std::int32_t reach() const { return std::int32_t(stamp_.size()); }

private:
    Surface& s_;
    Pixel colour_;
    std::vector<Stamp> stamp_;
};

// Ellipse spans: for each row of the (normalised, inclusive) box, the columns inside.
struct Ellipse {
    I64 x0, y0, x1, y1;
    double cx, cy, a, b;

    explicit Ellipse(const Rect& r) {
        x0 = std::min(r.left, r.right);
        x1 = std::max(r.left, r.right);
        y0 = std::min(r.top, r.bottom);
        y1 = std::max(r.top, r.bottom);
        cx = (double(x0) + double(x1)) / 2.0;
        cy = (double(y0) + double(y1)) / 2.0;
        a = (double(x1) - double(x0)) / 2.0 + 0.5;
        b = (double(y1) - double(y0)) / 2.0 + 0.5;
    }
    // Inclusive span of row y; empty (first > second) outside the box.
    std::pair<I64, I64> span(I64 y) const {
        if (y < y0 || y > y1) return {1, 0};
        double dy = (double(y) - cy) / b;
        double h = a * std::sqrt(std::max(0.0, 1.0 - dy * dy));
        I64 right = I64(std::floor(cx + h + 1e-9));
        I64 left = x0 + x1 - right;
        if (right < left) {
            left = I64(std::floor(cx));
            right = I64(std::ceil(cx));
        }
        return {left, right};
    }
    // Angle of a point as seen from the centre, counter-clockwise on screen, in [0, 2pi).
    double angleOf(double x, double y) const {
        double t = std::atan2(cy - y, x - cx);
        return t < 0 ? t + 2 * std::numbers::pi : t;
    }
};

struct Sweep {
    bool full = true;
    double start = 0;
    double length = 0;

    Sweep(const Ellipse& e, bool partial, Point s, Point t) {
        if (!partial) return;
        double as = e.angleOf(s.h, s.v);
        double at = e.angleOf(t.h, t.v);
        double len = at - as;
        if (len < 0) len += 2 * std::numbers::pi;
        if (len == 0) return; // same ray: the whole ellipse
        full = false;
        start = as;
        length = len;
    }
    bool contains(double angle) const {
        if (full) return true;
        double d = angle - start;
        if (d < 0) d += 2 * std::numbers::pi;
        return d <= length + 1e-12;
    }
};

// Runs of pixels go four at a time, the last four overlapping the ones before instead of a
// loop over single pixels; long runs go to the library's copy, which moves wider still.
using Pixels = Pixel __attribute__((vector_size(16)));
constexpr I64 libraryRun = 64;

inline void moveFour(Pixel* to, const Pixel* from) {
    Pixels four;
    std::memcpy(&four, from, sizeof four);
    std::memcpy(to, &four, sizeof four);
}

// to and from must not overlap.
inline void copyRun(Pixel* to, const Pixel* from, I64 n) {
    if (n >= libraryRun) {
        std::memcpy(to, from, std::size_t(n) * sizeof(Pixel));
        return;
    }
    if (n < 4) {
        for (I64 i = 0; i < n; ++i) to[i] = from[i];
        return;
    }
    for (I64 i = 0; i + 4 < n; i += 4) moveFour(to + i, from + i);
    moveFour(to + n - 4, from + n - 4);
}

// Rows of a block between two surfaces, the width's case chosen once: the narrow rows of
// widgets cost a few moves each.
inline void copyRows(Pixel* to, std::intptr_t toStride, const Pixel* from, std::intptr_t fromStride, I64 w, I64 h) {
    if (w >= libraryRun) {
        for (I64 j = 0; j < h; ++j, to += toStride, from += fromStride) std::memcpy(to, from, std::size_t(w) * sizeof(Pixel));
    } else if (w >= 4) {
        for (I64 j = 0; j < h; ++j, to += toStride, from += fromStride) {
            for (I64 i = 0; i + 4 < w; i += 4) moveFour(to + i, from + i);
            moveFour(to + w - 4, from + w - 4);
        }
    } else {
        for (I64 j = 0; j < h; ++j, to += toStride, from += fromStride) {
            for (I64 i = 0; i < w; ++i) to[i] = from[i];
        }
    }
}

inline void fillRun(Pixel* to, I64 n, Pixel colour) {
    if (n < 4) {
        for (I64 i = 0; i < n; ++i) to[i] = colour;
        return;
    }
    const Pixels four = {colour, colour, colour, colour};
    for (I64 i = 0; i + 4 < n; i += 4) std::memcpy(to + i, &four, sizeof four);
    std::memcpy(to + n - 4, &four, sizeof four);
}

// Source pixels whose mask word is all ones are left out. Blending a pixel twice gives what
// blending it once does, so the last four may overlap here too.
inline void blendRun(Pixel* to, const Pixel* from, const Pixel* mask, I64 n) {
    const auto blendFour = [&](I64 i) {
        Pixels kept, taken, keep;
        std::memcpy(&kept, to + i, sizeof kept);
        std::memcpy(&taken, from + i, sizeof taken);
        std::memcpy(&keep, mask + i, sizeof keep);
        const Pixels mixed = (kept & keep) | (taken & ~keep);
        std::memcpy(to + i, &mixed, sizeof mixed);
    };
    if (n < 4) {
        for (I64 i = 0; i < n; ++i) to[i] = (to[i] & mask[i]) | (from[i] & ~mask[i]);
        return;
    }
    for (I64 i = 0; i + 4 < n; i += 4) blendFour(i);
    blendFour(n - 4);
}

} // namespace

void fillBox(Surface& s, std::int64_t left, std::int64_t top, std::int64_t right,
             std::int64_t bottom, Pixel colour) {
    // Clipped before narrowing: a corner beyond the 32-bit range must not wrap around.
    const I64 cl = std::max<I64>(left, 0);
    const I64 ct = std::max<I64>(top, 0);
    const I64 cr = std::min<I64>(right, s.width() - 1);
    const I64 cb = std::min<I64>(bottom, s.height() - 1);
    if (cr < cl || cb < ct) return;
    const auto l = std::int32_t(cl);
    const auto t = std::int32_t(ct);
    const auto r = std::int32_t(cr);
    const auto b = std::int32_t(cb);
    for (std::int32_t y = t; y <= b; ++y) fillRun(s.row(y) + l, I64(r) - l + 1, colour);
    s.addDamage(l, t, r + 1, b + 1);
}

void plot(Surface& s, std::int32_t x, std::int32_t y, Pixel colour) {
    if (!s.contains(x, y)) return;
    s.row(y)[x] = colour;
    s.addDamage(x, y, x + 1, y + 1);
}

void line(Surface& s, Point a, Point b, const Pen& pen, std::uint32_t& dotPhase) {
    I64 dx = I64(b.h) - a.h;
    I64 dy = I64(b.v) - a.v;
    I64 steps = std::max(std::llabs(dx), std::llabs(dy)); // the end pixel is not drawn
    if (steps == 0) return;
    if ((dx == 0 || dy == 0) && !pen.dotted && pen.width <= 1) {
        // A solid, thin, straight line is one run of pixels (frames and outlines): filled at
        // once instead of pixel by pixel.
        const I64 last = dx != 0 ? I64(a.h) + (dx > 0 ? steps - 1 : 1 - steps) : I64(a.v) + (dy > 0 ? steps - 1 : 1 - steps);
        if (dx != 0) fillBox(s, std::min<I64>(a.h, last), a.v, std::max<I64>(a.h, last), a.v, pen.colour);
        else fillBox(s, a.h, std::min<I64>(a.v, last), a.h, std::max<I64>(a.v, last), pen.colour);
        dotPhase += std::uint32_t(steps);
        return;
    }
    PenPlotter plotter(s, pen);
    I64 margin = plotter.reach() + 1;
    bool xMajor = std::llabs(dx) >= std::llabs(dy);
    I64 major = xMajor ? dx : dy;
    I64 minor = xMajor ? dy : dx;
    I64 m0 = xMajor ? a.h : a.v;
    I64 n0 = xMajor ? a.v : a.h;
    I64 sign = major > 0 ? 1 : -1;
    // Only steps whose major coordinate falls on the surface (with the pen's reach) matter.
    I64 lo = -margin;
    I64 hi = (xMajor ? s.width() : s.height()) + margin;
    I64 first = 0;
    I64 last = steps - 1;
    if (sign > 0) {
        first = std::max<I64>(first, lo - m0);
        last = std::min<I64>(last, hi - m0);
    } else {
        first = std::max<I64>(first, m0 - hi);
        last = std::min<I64>(last, m0 - lo);
    }
    const auto absMajor = std::uint64_t(std::llabs(major));
    const auto absMinor = std::uint64_t(std::llabs(minor));
    for (I64 i = first; i <= last; ++i) {
        // Rounded minor coordinate, halves away from the start: (2 i minor + major) / (2 major),
        // split so that nothing overflows when both spans use the whole 32-bit range.
        const std::uint64_t product = std::uint64_t(i) * absMinor;
        const auto off = I64(product / absMajor + (2 * (product % absMajor) + absMajor) / (2 * absMajor));
        I64 n = n0 + (minor >= 0 ? off : -off);
        I64 m = m0 + sign * i;
        if (pen.dotted && ((dotPhase + std::uint64_t(i)) & 1u)) continue;
        if (xMajor) plotter.at(m, n);
        else plotter.at(n, m);
    }
    dotPhase += std::uint32_t(steps);
}

void ellipseOutline(Surface& s, const Rect& box, const Pen& pen, bool arc, Point start,
                    Point end) {
    Ellipse e(box);
    Sweep sweep(e, arc, start, end);
    PenPlotter plotter(s, pen);
    I64 reach = plotter.reach();
    I64 yFirst = std::max<I64>(e.y0, -reach);
    I64 yLast = std::min<I64>(e.y1, s.height() + reach);
    double perimeter = std::numbers::pi * (e.a + e.b);
    auto put = [&](I64 x, I64 y) {
        if (x < -reach || x > s.width() + reach) return;
        double angle = e.angleOf(double(x), double(y));
        if (!sweep.contains(angle)) return;
        if (pen.dotted && (I64(angle / (2 * std::numbers::pi) * perimeter) & 1)) return;
        plotter.at(x, y);
    };
    for (I64 y = yFirst; y <= yLast; ++y) {
        auto [l, r] = e.span(y);
        auto up = e.span(y - 1);
        auto dn = e.span(y + 1);
        I64 il = std::max({l + 1, up.first, dn.first});
        I64 ir = std::min({r - 1, up.second, dn.second});
        if (il > ir) {
            I64 a = std::max<I64>(l, -reach);
            I64 b = std::min<I64>(r, s.width() + reach);
            for (I64 x = a; x <= b; ++x) put(x, y);
            continue;
        }
        // Only the columns near the surface: a flat ellipse's rows can be billions wide.
        const I64 xMin = -reach;
        const I64 xMax = s.width() + reach;
        for (I64 x = std::max(l, xMin); x < std::min(il, xMax + 1); ++x) put(x, y);
        for (I64 x = std::max(ir + 1, xMin); x <= std::min(r, xMax); ++x) put(x, y);
    }
}

void ellipseFill(Surface& s, const Rect& box, Pixel colour, bool pie, Point start, Point end) {
    Ellipse e(box);
    Sweep sweep(e, pie, start, end);
    I64 yFirst = std::max<I64>(e.y0, 0);
    I64 yLast = std::min<I64>(e.y1, s.height() - 1);
    for (I64 y = yFirst; y <= yLast; ++y) {
        auto [l, r] = e.span(y);
        auto up = e.span(y - 1);
        auto dn = e.span(y + 1);
        I64 il = std::max({l + 1, up.first, dn.first, I64(0)});
        I64 ir = std::min({r - 1, up.second, dn.second, I64(s.width() - 1)});
        if (il > ir) continue;
        Pixel* row = s.row(std::int32_t(y));
        if (sweep.full) {
            std::fill(row + il, row + ir + 1, colour);
            s.addDamage(std::int32_t(il), std::int32_t(y), std::int32_t(ir + 1), std::int32_t(y + 1));
            continue;
        }
        for (I64 x = il; x <= ir; ++x) {
            bool centre = double(x) == e.cx && double(y) == e.cy;
            if (centre || sweep.contains(e.angleOf(double(x), double(y)))) {
                row[x] = colour;
                s.addDamage(std::int32_t(x), std::int32_t(y), std::int32_t(x + 1), std::int32_t(y + 1));
            }
        }
    }
}

void fillPolygon(Surface& s, const Point* points, std::int32_t count, Pixel colour) {
    if (!points || count < 3) return;
    I64 minY = points[0].v;
    I64 maxY = points[0].v;
    for (std::int32_t i = 1; i < count; ++i) {
        minY = std::min<I64>(minY, points[i].v);
        maxY = std::max<I64>(maxY, points[i].v);
    }
    I64 yFirst = std::max<I64>(minY, 0);
    I64 yLast = std::min<I64>(maxY - 1, s.height() - 1);
    std::vector<double> xs;
    for (I64 y = yFirst; y <= yLast; ++y) {
        double yc = double(y) + 0.5;
        xs.clear();
        for (std::int32_t i = 0; i < count; ++i) {
            const Point& p = points[i];
            const Point& q = points[(i + 1) % count];
            double ya = p.v;
            double yb = q.v;
            if ((ya <= yc && yc < yb) || (yb <= yc && yc < ya)) {
                xs.push_back(p.h + (yc - ya) * (double(q.h) - p.h) / (yb - ya));
            }
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
            // Pixels whose centre lies in [xs[k], xs[k + 1]).
            I64 a = I64(std::ceil(xs[k] - 0.5));
            I64 b = I64(std::ceil(xs[k + 1] - 0.5)) - 1;
            fillBox(s, a, y, b, y, colour);
        }
    }
}

namespace {

// A block copy's destination and source corners and size, clipped against the source, then
// the destination; empty when nothing of it lies inside both.
struct ClippedCopy {
    I64 x0, y0, u0, v0, w, h;
    ClippedCopy(const Surface& dst, const Rect& dest, const Surface& src, Point origin)
        : x0(dest.left), y0(dest.top), u0(origin.h), v0(origin.v), w(I64(dest.right) - dest.left),
          h(I64(dest.bottom) - dest.top) {
        if (u0 < 0) { x0 -= u0; w += u0; u0 = 0; }
        if (v0 < 0) { y0 -= v0; h += v0; v0 = 0; }
        if (x0 < 0) { u0 -= x0; w += x0; x0 = 0; }
        if (y0 < 0) { v0 -= y0; h += y0; y0 = 0; }
        w = std::min({w, I64(src.width()) - u0, I64(dst.width()) - x0});
        h = std::min({h, I64(src.height()) - v0, I64(dst.height()) - y0});
    }
    bool empty() const { return w <= 0 || h <= 0; }
};

} // namespace

void copyBlock(Surface& dst, const Rect& dest, const Surface& src, Point origin, const Pixel* mask) {
    const ClippedCopy c(dst, dest, src, origin);
    if (c.empty()) return;
    const I64 x0 = c.x0, y0 = c.y0, u0 = c.u0, v0 = c.v0, w = c.w, h = c.h;
    if (!mask && w == src.stride() && w == dst.stride()) {
        // Whole rows of both: one block of memory (a background, a slot into its offscreen).
        std::memmove(dst.row(std::int32_t(y0)), src.row(std::int32_t(v0)), std::size_t(w * h) * sizeof(Pixel));
        dst.addDamage(std::int32_t(x0), std::int32_t(y0), std::int32_t(x0 + w), std::int32_t(y0 + h));
        return;
    }
    const Pixel* from = src.row(std::int32_t(v0)) + u0;
    Pixel* to = dst.row(std::int32_t(y0)) + x0;
    const std::intptr_t fromStride = src.stride();
    const std::intptr_t toStride = dst.stride();
    // Within one surface, walk rows so that an overlapping block is read before it is written.
    const bool same = &src == &dst;
    const bool upwards = same && y0 > v0;
    if (mask) {
        const Pixel* m = mask + v0 * src.width() + u0;
        for (I64 k = 0; k < h; ++k) {
            const I64 j = upwards ? h - 1 - k : k;
            blendRun(to + j * toStride, from + j * fromStride, m + j * src.width(), w);
        }
    } else if (same) {
        for (I64 k = 0; k < h; ++k) {
            const I64 j = upwards ? h - 1 - k : k;
            std::memmove(to + j * toStride, from + j * fromStride, std::size_t(w) * sizeof(Pixel));
        }
    } else {
        copyRows(to, toStride, from, fromStride, w, h);
    }
    dst.addDamage(std::int32_t(x0), std::int32_t(y0), std::int32_t(x0 + w), std::int32_t(y0 + h));
}

void copyBlockAround(Surface& dst, const Rect& dest, const Surface& src, Point origin, const Rect* holes,
                     std::int32_t holeCount) {
    const ClippedCopy c(dst, dest, src, origin);
    if (c.empty()) return;
    const I64 x0 = c.x0, y0 = c.y0, u0 = c.u0, v0 = c.v0, w = c.w, h = c.h;
    if (&src == &dst || holeCount <= 0) {
        // Nothing to leave out, or rows of one surface that might overlap: the plain copy.
        copyBlock(dst, Rect(std::int32_t(x0), std::int32_t(y0), std::int32_t(x0 + w), std::int32_t(y0 + h)), src,
                  Point(std::int32_t(u0), std::int32_t(v0)));
        return;
    }
    // The block goes in bands of rows that the same holes cross: per band the holes across it
    // in order of their left edges, then the runs between them copied row by row.
    constexpr std::int32_t maxHoles = 64;
    const std::int32_t used = std::min(holeCount, maxHoles);
    I64 edges[2 * maxHoles + 2];
    std::int32_t edgeCount = 0;
    edges[edgeCount++] = y0;
    edges[edgeCount++] = y0 + h;
    for (std::int32_t k = 0; k < used; ++k) {
        edges[edgeCount++] = std::clamp<I64>(holes[k].top, y0, y0 + h);
        edges[edgeCount++] = std::clamp<I64>(holes[k].bottom, y0, y0 + h);
    }
    std::sort(edges, edges + edgeCount);
    for (std::int32_t e = 0; e + 1 < edgeCount; ++e) {
        const I64 bandTop = edges[e], bandBottom = edges[e + 1];
        if (bandTop == bandBottom) continue;
        // Offsets from the block's left edge, in order of the left ones.
        I64 lefts[maxHoles], rights[maxHoles];
        std::int32_t across = 0;
        for (std::int32_t k = 0; k < used; ++k) {
            const Rect& hole = holes[k];
            if (bandTop < hole.top || bandTop >= hole.bottom || hole.right <= hole.left) continue;
            const I64 l = I64(hole.left) - x0, r = I64(hole.right) - x0;
            std::int32_t at = across++;
            while (at > 0 && lefts[at - 1] > l) {
                lefts[at] = lefts[at - 1];
                rights[at] = rights[at - 1];
                --at;
            }
            lefts[at] = l;
            rights[at] = r;
        }
        if (across == 0 && w == src.stride() && w == dst.stride()) {
            // Whole rows of both: the band is one block of memory.
            std::memcpy(dst.row(std::int32_t(bandTop)), src.row(std::int32_t(v0 + bandTop - y0)),
                        std::size_t(w * (bandBottom - bandTop)) * sizeof(Pixel));
            continue;
        }
        for (I64 y = bandTop; y < bandBottom; ++y) {
            const Pixel* from = src.row(std::int32_t(v0 + y - y0)) + u0;
            Pixel* to = dst.row(std::int32_t(y)) + x0;
            I64 x = 0;
            for (std::int32_t k = 0; k <= across && x < w; ++k) {
                const I64 stop = k < across ? std::clamp<I64>(lefts[k], 0, w) : w;
                if (stop > x) copyRun(to + x, from + x, stop - x);
                if (k < across) x = std::max(x, rights[k]);
            }
        }
    }
    dst.addDamage(std::int32_t(x0), std::int32_t(y0), std::int32_t(x0 + w), std::int32_t(y0 + h));
}

} // namespace gui::raster
