#pragma once
// Pixel coverage of the drawing port's primitives, clipped to the surface. Each call widens
// the surface's damaged area by what it touched.
#include "Geometry.h"
#include "Surface.h"

#include <cstdint>

namespace gui::raster {

struct Pen {
    Pixel colour;
    std::int32_t width; // below 1 draws as 1
    bool dotted;
};

// Inclusive corners; nothing when right < left or bottom < top.
void fillBox(Surface& s, std::int64_t left, std::int64_t top, std::int64_t right,
             std::int64_t bottom, Pixel colour);
void plot(Surface& s, std::int32_t x, std::int32_t y, Pixel colour);
// From a to b, b itself excluded. dotPhase carries the dot pattern across connected segments.
void line(Surface& s, Point a, Point b, const Pen& pen, std::uint32_t& dotPhase);
// Outline of the ellipse touching all four edges of the inclusive box. With arc set, only
// the part running counter-clockwise from the ray through start to the ray through end.
void ellipseOutline(Surface& s, const Rect& box, const Pen& pen, bool arc, Point start,
                    Point end);
// Everything strictly inside the outline of the same box, optionally only the pie slice.
void ellipseFill(Surface& s, const Rect& box, Pixel colour, bool pie, Point start, Point end);
// Alternate (even-odd) rule, sampled at pixel centres.
void fillPolygon(Surface& s, const Point* points, std::int32_t count, Pixel colour);
// Copies the block of dest's size from src at from to dest's top-left corner, clipped to both
// surfaces; with mask, source pixels whose mask word is all ones are left out (mask is
// source-sized, row-major, one word per pixel, each all ones or zero).
void copyBlock(Surface& dst, const Rect& dest, const Surface& src, Point from, const Pixel* mask = nullptr);
// An opaque copyBlock that leaves out the destination pixels inside any of the holes (each
// with right and bottom exclusive), for pixels that something drawn later covers wholly. The
// damage is the whole block's.
void copyBlockAround(Surface& dst, const Rect& dest, const Surface& src, Point from, const Rect* holes,
                     std::int32_t holeCount);

} // namespace gui::raster
