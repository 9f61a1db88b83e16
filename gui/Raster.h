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
void fillBox(Surface& s, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, Pixel colour);
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
// Copies a block, clipped to both surfaces; with mask, source pixels whose mask byte is set
// are left out (mask is source-sized, row-major, one byte per pixel).
void copyBlock(Surface& dst, std::int32_t dx, std::int32_t dy, const Surface& src,
               std::int32_t sx, std::int32_t sy, std::int32_t width, std::int32_t height,
               const std::uint8_t* mask = nullptr);

} // namespace gui::raster
