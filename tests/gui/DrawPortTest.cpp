// Pixel coverage of the drawing port on plain surfaces.
#include "PixelTestSupport.h"
#include "gui/DrawPort.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace gui {
namespace {

using test::box;
using test::dump;
using test::Pixels;
using test::pixelsNot;
using test::pixelsOf;

class DrawPortTest : public ::testing::Test {
protected:
    DrawPortTest() : surface(64, 64, pixelOf(blackColour)), port(nullptr, &surface, nullptr) {}
    PixelBuffer surface;
    DrawPort port;
};

TEST(GeometryTest, PointLiesInIncludesAllFourEdges) {
    const Rect r(10, 20, 30, 40);
    struct Case {
        Point p;
        bool inside;
    } cases[] = {
        {{10, 20}, true},  {{30, 40}, true},  {{30, 20}, true},   {{10, 40}, true},
        {{31, 40}, false}, {{30, 41}, false}, {{9, 25}, false},   {{15, 19}, false},
        {{-5, -5}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.p.liesIn(r), c.inside) << c.p.h << "," << c.p.v;
    // Signed comparisons: a negative rectangle still works.
    EXPECT_TRUE(Point(-3, -3).liesIn(Rect(-5, -5, -1, -1)));
}

TEST(GeometryTest, RectFromCornersSortsAndColourIgnoresSpare) {
    EXPECT_EQ(Rect::fromCorners(30, 5, 10, 25), Rect(10, 5, 30, 25));
    EXPECT_EQ(Rect(3, 4, 10, 20).width(), 7);
    EXPECT_EQ(Rect(3, 4, 10, 20).height(), 16);
    EXPECT_FALSE((Colour{1, 2, 3, 0} != Colour{1, 2, 3, 99}));
    EXPECT_TRUE((Colour{1, 2, 3, 0} != Colour{1, 2, 4, 0}));
    EXPECT_FALSE(transparentColour != whiteColour);
    EXPECT_EQ(fontRow(9).height, 12);
    EXPECT_EQ(fontRow(-1).weight, 700);
}

TEST_F(DrawPortTest, NewPortDrawsWhiteLinesOnBlackFill) {
    surface.resize(64, 64, pixelOf(redColour));
    port.fillRect(Rect(0, 0, 10, 10));
    port.moveTo(Point(0, 20));
    port.lineTo(Point(10, 20));
    EXPECT_EQ(pixelsOf(surface, blackColour), box(1, 1, 9, 9));
    EXPECT_EQ(pixelsOf(surface, whiteColour), box(0, 20, 9, 20));
}

TEST_F(DrawPortTest, LineLeavesOutItsEndPixelAndMovesThePen) {
    struct Case {
        Point from, to;
        Pixels expected;
    } cases[] = {
        {{2, 3}, {7, 3}, box(2, 3, 6, 3)},
        {{7, 3}, {2, 3}, box(3, 3, 7, 3)},
        {{4, 1}, {4, 5}, box(4, 1, 4, 4)},
        {{1, 1}, {4, 4}, {{1, 1}, {2, 2}, {3, 3}}},
        {{5, 5}, {5, 5}, {}},
        {{0, 0}, {4, 2}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
    };
    for (const Case& c : cases) {
        surface.resize(16, 16, pixelOf(blackColour));
        port.moveTo(c.from);
        port.lineTo(c.to);
        EXPECT_EQ(pixelsOf(surface, whiteColour), c.expected)
            << c.from.h << "," << c.from.v << " -> " << c.to.h << "," << c.to.v << dump(surface, blackColour, 16, 16);
    }
    // The pen stays at the last point: a second lineTo continues from there.
    surface.resize(16, 16, pixelOf(blackColour));
    port.moveTo(Point(1, 1));
    port.lineTo(Point(5, 1));
    port.lineTo(Point(5, 4));
    Pixels expected = box(1, 1, 4, 1);
    expected.merge(box(5, 1, 5, 3));
    EXPECT_EQ(pixelsOf(surface, whiteColour), expected);
}

TEST_F(DrawPortTest, FrameThenFillLeavesOnePixelOutline) {
    port.setPenColour(redColour);
    port.setFillColour(blueColour);
    const Rect r(5, 6, 15, 12);
    port.frameRect(r);
    port.fillRect(r);
    Pixels outline = box(5, 6, 15, 12);
    Pixels inside = box(6, 7, 14, 11);
    for (const auto& p : inside) outline.erase(p);
    EXPECT_EQ(pixelsOf(surface, redColour), outline) << dump(surface, blackColour);
    EXPECT_EQ(pixelsOf(surface, blueColour), inside);
}

TEST_F(DrawPortTest, FillBelowTwoPixelsWideOrHighFillsNothing) {
    port.setFillColour(greenColour);
    // Also at the end of the coordinate range, where left + 1 or top + 1 leaves 32 bits.
    for (const Rect& r : {Rect(5, 5, 6, 20), Rect(5, 5, 20, 6), Rect(5, 5, 5, 5), Rect(20, 20, 10, 10),
                          Rect(INT32_MAX, 0, 10, 10), Rect(0, INT32_MAX, 10, 10),
                          Rect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX)}) {
        port.fillRect(r);
    }
    EXPECT_TRUE(pixelsOf(surface, greenColour).empty());
    port.fillRect(Rect(5, 5, 7, 7));
    EXPECT_EQ(pixelsOf(surface, greenColour), box(6, 6, 6, 6));
}

TEST_F(DrawPortTest, WidePenThickensAcrossTheLine) {
    port.setLineWidth(3);
    port.moveTo(Point(10, 10));
    port.lineTo(Point(30, 10));
    Pixels lit = pixelsOf(surface, whiteColour);
    for (int x = 12; x <= 28; ++x) {
        EXPECT_TRUE(lit.count({x, 9}) && lit.count({x, 10}) && lit.count({x, 11})) << x;
        EXPECT_FALSE(lit.count({x, 8}) || lit.count({x, 12})) << x;
    }
}

TEST_F(DrawPortTest, DottedLineLeavesGapsAndOtherStylesDrawSolid) {
    port.setLineStyle(dottedLine);
    port.moveTo(Point(0, 5));
    port.lineTo(Point(20, 5));
    Pixels dotted = pixelsOf(surface, whiteColour);
    EXPECT_GT(dotted.size(), 5u);
    EXPECT_LT(dotted.size(), 15u);
    port.setLineStyle(static_cast<LineStyle>(7));
    port.moveTo(Point(0, 7));
    port.lineTo(Point(20, 7));
    Pixels all = pixelsOf(surface, whiteColour);
    EXPECT_EQ(all.size(), dotted.size() + 20);
}

// Outline touches all four edges; fill stays strictly inside it and leaves no gap.
TEST_F(DrawPortTest, EllipseOutlineTouchesEdgesAndFillStaysInside) {
    const Rect cases[] = {Rect(4, 4, 24, 14), Rect(3, 3, 12, 30), Rect(10, 10, 11, 11), Rect(5, 5, 40, 40),
                          Rect(40, 40, 5, 5)};
    for (const Rect& r : cases) {
        surface.resize(64, 64, pixelOf(blackColour));
        port.setPenColour(redColour);
        port.setFillColour(blueColour);
        port.frameEllipse(r);
        Pixels outline = pixelsOf(surface, redColour);
        const Rect n = Rect::fromCorners(r.left, r.top, r.right, r.bottom);
        int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
        for (auto [x, y] : outline) {
            minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
        EXPECT_EQ(minX, n.left) << dump(surface, blackColour, 48, 48);
        EXPECT_EQ(maxX, n.right);
        EXPECT_EQ(minY, n.top);
        EXPECT_EQ(maxY, n.bottom);
        port.fillEllipse(r);
        EXPECT_EQ(pixelsOf(surface, redColour), outline) << "fill must not cover the outline";
        // Every row: between the outline's extremes everything is outline or fill.
        for (int y = n.top; y <= n.bottom; ++y) {
            int a = 1000, b = -1;
            for (auto [x, yy] : outline)
                if (yy == y) a = std::min(a, x), b = std::max(b, x);
            for (int x = a; x <= b; ++x) EXPECT_NE(surface.pixel(x, y), pixelOf(blackColour)) << x << "," << y;
        }
        // Symmetric about both axes.
        for (auto [x, y] : outline) EXPECT_TRUE(outline.count({n.left + n.right - x, n.top + n.bottom - y}));
    }
}

TEST_F(DrawPortTest, ArcRunsCounterClockwiseFromStartRayToEndRay) {
    const Rect r(10, 10, 50, 50); // centre (30, 30)
    // From the ray to the right to the ray upwards: the upper-right quarter only.
    port.frameArc(r, Point(60, 30), Point(30, 0));
    Pixels arc = pixelsOf(surface, whiteColour);
    ASSERT_FALSE(arc.empty());
    for (auto [x, y] : arc) EXPECT_TRUE(x >= 30 && y <= 30) << x << "," << y << dump(surface, blackColour, 64, 64);
    EXPECT_TRUE(arc.count({50, 30}) || arc.count({50, 29}));
    EXPECT_TRUE(arc.count({30, 10}) || arc.count({31, 10}));
    // Swapped rays: the other three quarters.
    surface.resize(64, 64, pixelOf(blackColour));
    port.frameArc(r, Point(30, 0), Point(60, 30));
    Pixels rest = pixelsOf(surface, whiteColour);
    EXPECT_TRUE(rest.count({10, 30}) && rest.count({30, 50}));
    EXPECT_FALSE(rest.count({44, 16}) || rest.count({45, 15}));
    // Start and end on the same ray: the full outline, as frameEllipse draws it.
    surface.resize(64, 64, pixelOf(blackColour));
    port.frameArc(r, Point(30, 10), Point(30, 10));
    Pixels full = pixelsOf(surface, whiteColour);
    surface.resize(64, 64, pixelOf(blackColour));
    port.frameEllipse(r);
    EXPECT_EQ(full, pixelsOf(surface, whiteColour));
}

TEST_F(DrawPortTest, PieFillsOnlyTheSliceInsideTheOutline) {
    const Rect r(10, 10, 50, 50);
    port.setFillColour(yellowColour);
    port.fillPie(r, Point(30, 0), Point(0, 30)); // upper-left quarter
    Pixels pie = pixelsOf(surface, yellowColour);
    ASSERT_GT(pie.size(), 200u);
    for (auto [x, y] : pie) EXPECT_TRUE(x <= 30 && y <= 30 && x > 10 && y > 10) << x << "," << y;
    EXPECT_TRUE(pie.count({20, 20}));
    EXPECT_FALSE(pie.count({40, 40}));
}

TEST_F(DrawPortTest, PolygonUsesTheAlternateRule) {
    port.setFillColour(greenColour);
    // Two overlapping squares traced as one outline: the overlap is outside.
    const Point pts[] = {{0, 0}, {20, 0}, {20, 20}, {10, 20}, {10, 10}, {30, 10}, {30, 30}, {0, 30}, {0, 0}};
    port.fillPolygon(pts, 9);
    Pixels filled = pixelsOf(surface, greenColour);
    EXPECT_TRUE(filled.count({5, 5}));
    EXPECT_FALSE(filled.count({15, 15})) << dump(surface, blackColour, 40, 40);
    EXPECT_TRUE(filled.count({25, 25}));
    // A rectangle covers the left and top edges, not the right and bottom ones.
    surface.resize(64, 64, pixelOf(blackColour));
    const Point square[] = {{2, 2}, {8, 2}, {8, 6}, {2, 6}};
    port.fillPolygon(square, 4);
    EXPECT_EQ(pixelsOf(surface, greenColour), box(2, 2, 7, 5));
    // Fewer than three points fill nothing; no outline is drawn in the pen colour.
    port.fillPolygon(square, 2);
    EXPECT_TRUE(pixelsOf(surface, whiteColour).empty());
}

TEST_F(DrawPortTest, SetPixelAndDrawingOutsideTheSurfaceIsClipped) {
    port.setPixel(Point(3, 4), magentaColour);
    port.setPixel(Point(-1, 4), magentaColour);
    port.setPixel(Point(64, 64), magentaColour);
    EXPECT_EQ(pixelsOf(surface, magentaColour), box(3, 4, 3, 4));
    // Huge coordinates must neither hang nor write outside.
    port.moveTo(Point(-2000000000, 10));
    port.lineTo(Point(2000000000, 10));
    port.frameEllipse(Rect(-2000000000, -2000000000, 2000000000, 2000000000));
    port.frameArc(Rect(-2000000000, -2000000000, 2000000000, 2000000000), Point(0, -2147483647), Point(5, 5));
    port.drawText("far", Rect(-2000000000, -2000000000, 2000000000, 2000000000), false, alignRight);
    Pixels expected = box(0, 10, 63, 10); // the line crosses the whole surface
    expected.insert({3, 4});
    EXPECT_EQ(pixelsNot(surface, blackColour), expected);
    port.setFillColour(greenColour);
    port.fillRect(Rect(-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647));
    EXPECT_EQ(pixelsOf(surface, greenColour).size(), 64u * 64u);
}

// Lines and outlines whose ends lie anywhere in the 32-bit range still put down exactly the
// part that crosses the surface.
TEST_F(DrawPortTest, ShapesSpanningTheWholeCoordinateRangeCrossTheSurface) {
    constexpr std::int32_t lo = INT32_MIN;
    constexpr std::int32_t hi = INT32_MAX;
    struct Case {
        Point from, to;
        int slope, offset; // pixels at v = offset + slope * h
    } cases[] = {
        {{lo, lo}, {hi, hi}, 1, 0},
        {{hi, hi}, {lo, lo}, 1, 0},
        {{lo + 63, hi}, {hi, lo + 63}, -1, 62},
    };
    for (const Case& c : cases) {
        surface.resize(64, 64, pixelOf(blackColour));
        port.moveTo(c.from);
        port.lineTo(c.to);
        Pixels expected;
        for (int x = 0; x < 64; ++x) {
            const int y = c.offset + c.slope * x;
            if (y >= 0 && y < 64) expected.insert({x, y});
        }
        EXPECT_EQ(pixelsOf(surface, whiteColour), expected)
            << c.from.h << "," << c.from.v << " -> " << c.to.h << "," << c.to.v << dump(surface, blackColour, 64, 64);
    }
    // Steep and nearly diagonal: one pixel per row, next to the diagonal.
    surface.resize(64, 64, pixelOf(blackColour));
    port.moveTo(Point(lo + 1, lo));
    port.lineTo(Point(hi, hi));
    for (int y = 0; y < 64; ++y) {
        int lit = 0;
        for (int x = 0; x < 64; ++x) {
            if (surface.pixel(x, y) == pixelOf(whiteColour)) {
                ++lit;
                EXPECT_LE(std::abs(x - y), 1) << x << "," << y;
            }
        }
        EXPECT_EQ(lit, 1) << "row " << y;
    }
    // An ellipse as wide as the range and as high as the surface: only its top and bottom rows
    // cross it.
    surface.resize(64, 64, pixelOf(blackColour));
    port.frameEllipse(Rect(lo, 0, hi, 63));
    Pixels rows = box(0, 0, 63, 0);
    rows.merge(box(0, 63, 63, 63));
    EXPECT_EQ(pixelsOf(surface, whiteColour), rows) << dump(surface, blackColour, 64, 64);
}

TEST_F(DrawPortTest, FontSelectionFollowsTheTable) {
    struct Case {
        FontId id;
        int height;
        int expected;
    } cases[] = {{9, 0, 12}, {5, 0, 9}, {3, 20, 20}, {1, 0, 18}, {-4, 0, 12}};
    for (const Case& c : cases) {
        port.setFont(c.id, c.height);
        EXPECT_EQ(port.fontHeight(), c.expected) << c.id;
    }
}

int inkWidth(const Surface& s) {
    int a = 1000, b = -1;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) != pixelOf(blackColour)) a = std::min(a, x), b = std::max(b, x);
    return b < a ? 0 : b - a + 1;
}

TEST(DrawTextTest, AlignmentMarginCentringAndClipping) {
    PixelBuffer s(120, 40, pixelOf(blackColour));
    DrawPort port(nullptr, &s, nullptr);
    port.setFont(fontNormal);
    const Rect r(10, 5, 110, 35);
    port.drawText("IIII", r, false, alignLeft);
    int leftInk = 1000, rightInk = -1, topInk = 1000, bottomInk = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (s.pixel(x, y) != pixelOf(blackColour)) {
                leftInk = std::min(leftInk, x), rightInk = std::max(rightInk, x);
                topInk = std::min(topInk, y), bottomInk = std::max(bottomInk, y);
            }
    // Left aligned text starts one pixel in (an "I" has about one pixel of side bearing).
    EXPECT_GE(leftInk, 11);
    EXPECT_LE(leftInk, 13);
    // Vertically centred: the ink's middle sits near the rectangle's middle.
    EXPECT_NEAR((topInk + bottomInk) / 2.0, 20.0, 3.0);
    const int width = rightInk - leftInk;

    s.resize(120, 40, pixelOf(blackColour));
    port.drawText("IIII", r, false, alignRight);
    int rRight = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (s.pixel(x, y) != pixelOf(blackColour)) rRight = std::max(rRight, x);
    EXPECT_LE(rRight, 109);
    EXPECT_GE(rRight, 106);

    s.resize(120, 40, pixelOf(blackColour));
    port.drawText("IIII", r, false, alignCentre);
    int cLeft = 1000;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (s.pixel(x, y) != pixelOf(blackColour)) cLeft = std::min(cLeft, x);
    EXPECT_NEAR(cLeft + width / 2.0, 60.0, 2.0);

    // Clipped to the rectangle.
    s.resize(120, 40, pixelOf(blackColour));
    port.drawText("WWWWWWWWWWWWWWWWWWWW", Rect(20, 10, 50, 30), false, alignLeft);
    for (auto [x, y] : pixelsNot(s, blackColour)) EXPECT_TRUE(x >= 20 && x < 50 && y >= 10 && y < 30) << x << "," << y;
}

TEST(DrawTextTest, OpaqueCellsTakeTheFillColourThenTextIsTransparentAgain) {
    PixelBuffer s(120, 40, pixelOf(redColour));
    DrawPort port(nullptr, &s, nullptr);
    port.setFont(fontNormal);
    port.setFillColour(blueColour);
    port.setTextColour(whiteColour);
    port.drawText("Hi", Rect(0, 0, 60, 40), true, alignLeft);
    Pixels blue = pixelsOf(s, blueColour);
    EXPECT_GT(blue.size(), 50u);
    for (auto [x, y] : blue) EXPECT_LT(x, 60);
    EXPECT_FALSE(pixelsOf(s, whiteColour).empty());
    // A later transparent call paints no cells.
    PixelBuffer t(120, 40, pixelOf(redColour));
    DrawPort second(nullptr, &t, nullptr);
    second.setFont(fontNormal);
    second.setFillColour(blueColour);
    second.drawText("Hi", Rect(0, 0, 60, 40), true, alignLeft);
    second.drawText("Hi", Rect(60, 0, 120, 40), false, alignLeft);
    for (auto [x, y] : pixelsOf(t, blueColour)) EXPECT_LT(x, 60);
}

TEST(DrawTextTest, BoldIsWiderThanRegularAndSizesAreLegible) {
    int widths[2] = {};
    for (int bold = 0; bold < 2; ++bold) {
        PixelBuffer s(200, 30, pixelOf(blackColour));
        DrawPort port(nullptr, &s, nullptr);
        port.setFont(bold ? fontBold : fontNormal);
        port.drawText("Feedback Mode", Rect(0, 0, 200, 30), false, alignLeft);
        widths[bold] = inkWidth(s);
    }
    EXPECT_GT(widths[0], 50);
    EXPECT_GT(widths[1], widths[0]);
    // Every height from 9 to 18 puts ink down and grows with the height.
    int previous = 0;
    for (int h = 9; h <= 18; h += 3) {
        PixelBuffer s(300, 40, pixelOf(blackColour));
        DrawPort port(nullptr, &s, nullptr);
        port.setFont(fontNormal, h);
        port.drawText("Delay 120 ms", Rect(0, 0, 300, 40), false, alignLeft);
        int w = inkWidth(s);
        EXPECT_GT(w, previous) << h;
        previous = w;
    }
}

// Texts are 8-bit in the Western code page: 0x96 is an en dash and 0x95 a bullet, not
// control codes drawn as missing-glyph boxes.
TEST(DrawTextTest, WesternCodePageCharactersAboveAscii) {
    struct Case {
        const char* text;
        int maxWidth, maxHeight; // of the ink
    } cases[] = {{"\x96", 10, 2}, {"\x95", 6, 6}, {"\xB0", 6, 6}};
    for (const Case& c : cases) {
        PixelBuffer s(40, 30, pixelOf(blackColour));
        DrawPort port(nullptr, &s, nullptr);
        port.setFont(fontNormal);
        port.drawText(c.text, Rect(0, 0, 40, 30), false, alignLeft);
        int left = 1000, right = -1, top = 1000, bottom = -1;
        for (auto [x, y] : pixelsNot(s, blackColour)) {
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        }
        ASSERT_GE(right, left) << "no ink for " << int(static_cast<unsigned char>(c.text[0]));
        EXPECT_LE(right - left + 1, c.maxWidth) << int(static_cast<unsigned char>(c.text[0])) << dump(s, blackColour);
        EXPECT_LE(bottom - top + 1, c.maxHeight) << int(static_cast<unsigned char>(c.text[0])) << dump(s, blackColour);
    }
}

TEST(PointerTest, ButtonsAndPositionComeFromThePlatform) {
    HeadlessPlatform platform;
    Platform::install(&platform);
    PixelBuffer s(10, 10);
    DrawPort port(nullptr, &s, nullptr);
    platform.setPointer(Point(100, 50), leftButton | altKey);
    EXPECT_EQ(port.mouseButtons(), 33);
    Point where;
    port.mousePosition(where);
    EXPECT_EQ(where, Point(100, 50)); // no window: screen coordinates
    Platform::install(nullptr);
}

// A port made for a press answers with the press first, then polls: the first poll of each
// kind may come long after the user let go.
TEST(PointerTest, PortOfAPressAnswersWithThePressFirst) {
    HeadlessPlatform platform;
    Platform::install(&platform);
    PixelBuffer s(10, 10);
    platform.setPointer(Point(300, 200), 0);
    struct Case {
        bool positionFirst;
    } cases[] = {{false}, {true}};
    for (const Case& c : cases) {
        DrawPort port(nullptr, &s, nullptr);
        port.setPress(Point(4, 5), leftButton | shiftKey);
        Point where;
        if (c.positionFirst) port.mousePosition(where);
        EXPECT_EQ(port.mouseButtons(), leftButton | shiftKey);
        if (!c.positionFirst) port.mousePosition(where);
        EXPECT_EQ(where, Point(4, 5));
        EXPECT_EQ(port.mouseButtons(), 0);
        port.mousePosition(where);
        EXPECT_EQ(where, Point(300, 200));
    }
    // Once a poll has answered, the press point is old news even if it was never asked for.
    DrawPort port(nullptr, &s, nullptr);
    port.setPress(Point(4, 5), leftButton);
    EXPECT_EQ(port.mouseButtons(), leftButton);
    EXPECT_EQ(port.mouseButtons(), 0);
    Point where;
    port.mousePosition(where);
    EXPECT_EQ(where, Point(300, 200));
    EXPECT_EQ(platform.buttonPolls(), 3); // the press answers polled nothing
    Platform::install(nullptr);
}

} // namespace
} // namespace gui
