// Text read-outs: the texts they show, the box and its styles, redraws forced by look changes,
// and the tiny font's "100%" inside a 21-pixel read-out.
#include "PixelTestSupport.h"
#include "WidgetFixture.h"
#include "gui/DrawPort.h"
#include "gui/Picture.h"
#include "gui/widgets/ValueText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace gui {
namespace {

using test::pixelsOf;

// The owner's value-to-text functions of the cases below.
void percent(float value, char* text) {
    std::snprintf(text, 256, "%d%%", int(value * 100.0f));
}
void overlong(float, char* text) {
    std::memset(text, 'x', 256); // no terminator of its own
}

// What a read-out must look like: the box filled and framed, the text centred on it.
void drawReference(Surface& s, const Rect& r, const char* text, FontId font, Colour ink, Colour back, Colour frame) {
    DrawPort port(nullptr, &s, nullptr);
    port.setFillColour(back);
    port.fillRect(r);
    port.setPenColour(frame);
    port.frameRect(r);
    port.setFont(font);
    port.setTextColour(ink);
    port.drawText(text, r, false, alignCentre);
}

bool samePixels(const Surface& a, const Surface& b) {
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

TEST(ValueTextDrawTest, ShowsTheValueAsTextInAFramedBox) {
    struct Case {
        float value;
        ValueToString function;
        std::string expected;
    } cases[] = {
        {0.5f, nullptr, "0.50"},
        {1.0f, nullptr, "1.00"},
        {-0.25f, nullptr, "-0.25"},
        {12.345f, nullptr, "12.35"},
        {0.42f, percent, "42%"},
        {0.0f, overlong, std::string(255, 'x')},
    };
    const Rect r(5, 4, 65, 24);
    for (const Case& c : cases) {
        ValueText text(r, nullptr, 0);
        text.setValue(c.value);
        text.setValueToString(c.function);
        text.setTextColour(yellowColour);
        text.setFrameColour(greyColour);
        PixelBuffer shown(80, 30, pixelOf(magentaColour));
        DrawPort port(nullptr, &shown, nullptr);
        text.draw(port);
        EXPECT_EQ(text.getOldValue(), c.value);
        PixelBuffer expected(80, 30, pixelOf(magentaColour));
        drawReference(expected, r, c.expected.c_str(), fontNormal, yellowColour, blackColour, greyColour);
        EXPECT_TRUE(samePixels(shown, expected)) << c.expected;
    }
}

// A read-out shows its box and text again from what it drew last while neither changed: each
// draw must still give what drawing afresh over the same pixels gives, and leave the port's
// settings as drawing does, whatever lies beneath, when the text or the look changes, and on
// a surface that clips the box.
TEST(ValueTextDrawTest, DrawingAgainGivesWhatDrawingAfreshGives) {
    const Rect r(3, 4, 24, 14);
    ValueText text(r, nullptr, 1);
    text.setFontId(fontTiny);
    text.setTextColour(blackColour);
    text.setFrameColour(greyColour);
    text.setValueToString(percent);
    struct Step {
        float value;
        Colour under;
        Colour back;
        int width; // of the surface
        const char* expected;
    } steps[] = {
        {0.5f, redColour, whiteColour, 30, "50%"},
        {0.5f, blueColour, whiteColour, 30, "50%"},
        {0.25f, blueColour, whiteColour, 30, "25%"},
        {0.5f, greenColour, whiteColour, 30, "50%"},
        {0.5f, greenColour, yellowColour, 30, "50%"},
        {0.5f, redColour, yellowColour, 20, "50%"},
        {0.5f, blueColour, yellowColour, 30, "50%"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.expected);
        text.setBackColour(step.back);
        text.setValue(step.value);
        PixelBuffer drawn(step.width, 20, pixelOf(step.under));
        DrawPort port(nullptr, &drawn, nullptr);
        port.setPenColour(magentaColour);
        text.draw(port);
        PixelBuffer fresh(step.width, 20, pixelOf(step.under));
        drawReference(fresh, r, step.expected, fontTiny, blackColour, step.back, greyColour);
        EXPECT_TRUE(samePixels(drawn, fresh));
        EXPECT_EQ(port.fillColour(), step.back);
        EXPECT_EQ(port.penColour(), greyColour);
        EXPECT_EQ(port.textColour(), blackColour);
        EXPECT_EQ(port.penPlace().position, Point(r.left, r.top));
        EXPECT_TRUE(port.drawsInFont(fontTiny));
    }
}

TEST(ValueTextDrawTest, StylesDrawEdgesShadowAndPictures) {
    const Rect r(2, 2, 40, 20);
    auto edges = [&](std::int32_t style) {
        ValueText text(r, nullptr, style);
        text.setBackColour(blueColour);
        text.setFrameColour(redColour);
        text.setValueToString([](float, char* t) { t[0] = 0; });
        PixelBuffer s(50, 30, pixelOf(blackColour));
        DrawPort port(nullptr, &s, nullptr);
        text.draw(port);
        return std::pair(colourOf(s.pixel(2, 10)), colourOf(s.pixel(40, 10))); // left and right edges
    };
    EXPECT_EQ(edges(0), std::pair(redColour, redColour)); // plain frame
    EXPECT_EQ(edges(style3DIn), std::pair(blueColour, redColour));
    EXPECT_EQ(edges(style3DOut), std::pair(redColour, blueColour));
    EXPECT_EQ(edges(style3DIn | style3DOut), std::pair(blueColour, redColour));
    {
        // A raised box: the upper edge runs through the top right corner and the left edge
        // through the bottom left one; only the bottom right corner is the back colour's.
        ValueText text(r, nullptr, style3DOut);
        text.setBackColour(blueColour);
        text.setFrameColour(redColour);
        PixelBuffer s(50, 30, pixelOf(blackColour));
        DrawPort port(nullptr, &s, nullptr);
        text.draw(port);
        EXPECT_EQ(s.pixel(40, 2), pixelOf(redColour));
        EXPECT_EQ(s.pixel(2, 20), pixelOf(redColour));
        EXPECT_EQ(s.pixel(40, 20), pixelOf(blueColour));
        EXPECT_EQ(s.pixel(20, 20), pixelOf(blueColour));
    }
    // A shadow: the same text one pixel right and down in the shadow colour, under the text.
    for (bool shadow : {false, true}) {
        ValueText text(Rect(0, 0, 60, 30), nullptr, shadow ? styleShadowText : 0);
        text.setFontId(fontLarge);
        text.setValueToString([](float, char* t) { std::strcpy(t, "HH"); });
        text.setTextColour(redColour);
        text.setShadowColour(greenColour);
        PixelBuffer s(70, 40, pixelOf(blackColour));
        DrawPort port(nullptr, &s, nullptr);
        text.draw(port);
        int red = 0, green = 0;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const Colour c = colourOf(s.pixel(x, y));
                red += c.red > 200 && c.green < 50;
                green += c.green > 200 && c.red < 50;
            }
        EXPECT_GT(red, 20) << shadow;
        EXPECT_EQ(green > 20, shadow);
    }
    // With a background picture nothing is filled or framed: the box is the picture's.
    Picture* empty = new Picture(60, 30);
    {
        ValueText text(Rect(0, 0, 60, 30), empty, 0);
        text.setBackColour(blueColour);
        text.setFrameColour(redColour);
        PixelBuffer s(70, 40, pixelOf(magentaColour));
        DrawPort port(nullptr, &s, nullptr);
        text.draw(port);
        EXPECT_TRUE(pixelsOf(s, blueColour).empty());
        EXPECT_TRUE(pixelsOf(s, redColour).empty());
    }
    empty->release(); // the widget held its own reference until it went
}

// Look changes make the next update redraw, but only when the look really changes.
class ValueTextTest : public test::WidgetFixture {};

TEST_F(ValueTextTest, LookChangesForceARedrawOnlyWhenTheyChangeSomething) {
    auto* text = new ValueText(Rect(10, 10, 60, 30), nullptr, 0);
    view->addWidget(text);
    struct Case {
        const char* what;
        void (*change)(ValueText&);
        bool redraws;
    } cases[] = {
        {"the same text colour", [](ValueText& t) { t.setTextColour(whiteColour); }, false},
        {"differing only in the spare byte", [](ValueText& t) { t.setTextColour(Colour{255, 255, 255, 9}); }, false},
        {"a new text colour", [](ValueText& t) { t.setTextColour(yellowColour); }, true},
        {"a new back colour", [](ValueText& t) { t.setBackColour(blueColour); }, true},
        {"the same back colour", [](ValueText& t) { t.setBackColour(blueColour); }, false},
        {"a new frame colour", [](ValueText& t) { t.setFrameColour(redColour); }, true},
        {"a new shadow colour", [](ValueText& t) { t.setShadowColour(greenColour); }, true},
        {"the same shadow colour", [](ValueText& t) { t.setShadowColour(greenColour); }, false},
        {"a new font", [](ValueText& t) { t.setFontId(fontTiny); }, true},
        {"the same font", [](ValueText& t) { t.setFontId(fontTiny); }, false},
        {"a new alignment", [](ValueText& t) { t.setTextAlign(alignLeft); }, true},
        {"the same alignment", [](ValueText& t) { t.setTextAlign(alignLeft); }, false},
        {"a back offset", [](ValueText& t) { t.setBackOffset(Point(3, 3)); }, false},
        {"a value-to-text function", [](ValueText& t) { t.setValueToString(percent); }, false},
    };
    view->idle();
    for (const Case& c : cases) {
        const int presents = platform.presentCount(view->getWindow());
        c.change(*text);
        EXPECT_EQ(text->getOldValue() != text->getValue(), c.redraws) << c.what;
        if (c.redraws) {
            EXPECT_EQ(text->getOldValue(), text->getValue() + 0.1f) << c.what;
        }
        view->idle();
        EXPECT_EQ(platform.presentCount(view->getWindow()) > presents, c.redraws) << c.what;
        EXPECT_EQ(text->getOldValue(), text->getValue()) << c.what;
    }
    // Far from zero a tenth is lost in rounding: the redraw is forced all the same.
    for (float big : {3.0e9f, -3.0e9f, INFINITY}) {
        text->setValue(big);
        view->idle();
        text->setTextColour(text->getTextColour() == redColour ? greenColour : redColour);
        EXPECT_NE(text->getOldValue(), text->getValue()) << big;
    }
}

// The tiny font's "100%" fits a 21 x 10 read-out inside its frame, nothing cut off.
TEST(ValueTextDrawTest, TinyFontFitsOneHundredPercentInsideATwentyOnePixelReadout) {
    auto drawAt = [](const Rect& r, PixelBuffer& s) {
        ValueText text(r, nullptr, 1);
        text.setFontId(fontTiny);
        text.setTextColour(blackColour);
        text.setBackColour(whiteColour);
        text.setFrameColour(greyColour);
        text.setValueToString(percent);
        text.setValue(1.0f);
        DrawPort port(nullptr, &s, nullptr);
        text.draw(port);
    };
    const Rect r(13, 129, 34, 139);
    PixelBuffer s(50, 150, pixelOf(magentaColour));
    drawAt(r, s);
    // The frame is whole.
    for (int y = r.top; y <= r.bottom; ++y) {
        EXPECT_EQ(s.pixel(r.left, y), pixelOf(greyColour)) << y;
        EXPECT_EQ(s.pixel(r.right, y), pixelOf(greyColour)) << y;
    }
    for (int x = r.left; x <= r.right; ++x) {
        EXPECT_EQ(s.pixel(x, r.top), pixelOf(greyColour)) << x;
        EXPECT_EQ(s.pixel(x, r.bottom), pixelOf(greyColour)) << x;
    }
    // The ink is inside it and as wide as in a box with room to spare.
    auto inkSpan = [](const Surface& surface) {
        int left = 1000, right = -1;
        for (int y = 0; y < surface.height(); ++y)
            for (int x = 0; x < surface.width(); ++x) {
                const Pixel p = surface.pixel(x, y);
                if (p != pixelOf(whiteColour) && p != pixelOf(greyColour) && p != pixelOf(magentaColour)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        return std::pair(left, right);
    };
    const auto [left, right] = inkSpan(s);
    EXPECT_GT(left, r.left);
    EXPECT_LT(right, r.right);
    PixelBuffer wide(120, 150, pixelOf(magentaColour));
    drawAt(Rect(10, 129, 110, 139), wide);
    const auto [wideLeft, wideRight] = inkSpan(wide);
    EXPECT_EQ(right - left, wideRight - wideLeft);
    EXPECT_GE(right - left, 12); // four characters, legible
}

} // namespace
} // namespace gui
