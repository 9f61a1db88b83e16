// Vorlane's editor bitmaps: the green panel with its name panel, labels, curve frame and fader
// legend, the curve area's background, the about picture, the point mark, the dial and its
// handle, the filter-type switch frames and the dry/wet fader's slot and handle.
#include "Artwork.h"

#include <cmath>

namespace artwork {

namespace {

using gui::Colour;
using gui::DrawPort;
using gui::Point;
using gui::Rect;

constexpr Colour panelColour{46, 122, 74, 0};
constexpr Colour darkPanelColour{28, 84, 50, 0};
constexpr Colour lightPanelColour{96, 168, 116, 0};
constexpr Colour namePanelColour{158, 160, 156, 0};
constexpr Colour inkColour{16, 34, 22, 0};
constexpr Colour paperColour{232, 236, 214, 0};
constexpr Colour fieldColour{196, 36, 32, 0};
constexpr Colour gridColour{172, 28, 26, 0};
constexpr Colour borderColour{24, 40, 200, 0};
constexpr Colour captionColour{250, 200, 190, 0};
constexpr Colour discColour{250, 226, 40, 0};
constexpr Colour slotColour{30, 46, 190, 0};
constexpr Colour handleColour{220, 24, 24, 0};

// A sunken frame around a box: dark above and left, light below and right.
void sunken(DrawPort& port, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    port.setPenColour(darkPanelColour);
    port.moveTo(Point(left, bottom));
    port.lineTo(Point(left, top));
    port.lineTo(Point(right + 1, top));
    port.setPenColour(lightPanelColour);
    port.moveTo(Point(right, top + 1));
    port.lineTo(Point(right, bottom));
    port.lineTo(Point(left, bottom));
}

void drawPanel(DrawPort& port) {
    fillBox(port, 0, 0, 567, 289, panelColour);
    // The name panel, which a click turns into the about picture.
    fillBox(port, 14, 18, 88, 267, namePanelColour);
    sunken(port, 13, 17, 89, 268);
    drawLabel(port, "Vorlane", gui::fontBold, 17, Rect(14, 30, 89, 52), gui::alignCentre, inkColour);
    drawLabel(port, "stereo", gui::fontSmall, 0, Rect(14, 56, 89, 68), gui::alignCentre, inkColour);
    drawLabel(port, "waveshaper", gui::fontSmall, 0, Rect(14, 68, 89, 80), gui::alignCentre, inkColour);
    drawLabel(port, "click", gui::fontTiny, 0, Rect(14, 236, 89, 246), gui::alignCentre, inkColour);
    drawLabel(port, "for about", gui::fontTiny, 0, Rect(14, 246, 89, 256), gui::alignCentre, inkColour);
    // Labels over the dials, and the filter types beside the switches.
    drawLabel(port, "PreGain", gui::fontNormal, 0, Rect(96, 55, 164, 69), gui::alignCentre, paperColour);
    drawLabel(port, "PreFilter", gui::fontNormal, 0, Rect(95, 191, 163, 205), gui::alignCentre, paperColour);
    drawLabel(port, "PostFilter", gui::fontNormal, 0, Rect(440, 55, 510, 69), gui::alignCentre, paperColour);
    drawLabel(port, "PostGain", gui::fontNormal, 0, Rect(440, 191, 510, 205), gui::alignCentre, paperColour);
    for (const Point at : {Point(107, 251), Point(454, 118)}) {
        drawLabel(port, "LP", gui::fontTiny, 0, Rect(at.h, at.v, at.h + 21, at.v + 10), gui::alignCentre, paperColour);
        drawLabel(port, "HP", gui::fontTiny, 0, Rect(at.h + 21, at.v, at.h + 42, at.v + 10), gui::alignCentre,
             paperColour);
    }
    // The curve area's frame and the fader's slot with its legend.
    sunken(port, 165, 9, 435, 279);
    sunken(port, 537, 20, 559, 266);
    drawLabel(port, "Dry", gui::fontSmall, 0, Rect(530, 6, 568, 19), gui::alignCentre, paperColour);
    drawLabel(port, "Wet", gui::fontSmall, 0, Rect(530, 270, 568, 283), gui::alignCentre, paperColour);
}

// The curve area: a red field with a faint grid of quarters, a blue border, its name.
void drawGraph(DrawPort& port) {
    fillBox(port, 0, 0, 266, 266, borderColour);
    fillBox(port, 2, 2, 264, 264, fieldColour);
    port.setPenColour(gridColour);
    // The curve's span is pixels 11 to 255.
    for (std::int32_t quarter = 1; quarter < 4; ++quarter) {
        const std::int32_t at = 11 + 61 * quarter;
        port.moveTo(Point(at, 3));
        port.lineTo(Point(at, 264));
        port.moveTo(Point(3, at));
        port.lineTo(Point(264, at));
    }
    drawLabel(port, "Shaper", gui::fontMedium, 0, Rect(190, 244, 260, 262), gui::alignRight, captionColour);
}

void drawAbout(DrawPort& port) {
    fillBox(port, 0, 0, 267, 267, paperColour);
    port.setPenColour(darkPanelColour);
    port.frameRect(Rect(0, 0, 267, 267));
    port.frameRect(Rect(3, 3, 264, 264));
    drawLabel(port, "Vorlane", gui::fontBold, 30, Rect(4, 30, 264, 70), gui::alignCentre, darkPanelColour);
    drawLabel(port, "a stereo waveshaper", gui::fontMedium, 0, Rect(4, 72, 264, 90), gui::alignCentre, inkColour);
    const char* const lines[] = {
        "Draw the transfer curve:",      "left click adds or takes a point,", "drag moves it,",
        "right click removes it.",       "",                                  "Dials: drag around, Alt linear,",
        "Shift finer, Control default.", "",                                  "Click here to close.",
    };
    std::int32_t top = 110;
    for (const char* line : lines) {
        drawLabel(port, line, gui::fontNormal, 0, Rect(4, top, 264, top + 14), gui::alignCentre, inkColour);
        top += 15;
    }
}

// A black cross-hair in a circle on white (the key colour).
void drawPoint(DrawPort& port) {
    fillBox(port, 0, 0, 12, 12, gui::whiteColour);
    port.setPenColour(gui::blackColour);
    port.frameEllipse(Rect(1, 1, 11, 11));
    port.moveTo(Point(6, 0));
    port.lineTo(Point(6, 13));
    port.moveTo(Point(0, 6));
    port.lineTo(Point(13, 6));
}

// A black dot on white (the key colour).
void drawKnobHandle(DrawPort& port) {
    fillBox(port, 0, 0, 5, 5, gui::whiteColour);
    port.setFillColour(gui::blackColour);
    port.fillEllipse(Rect(-1, -1, 5, 5));
}

// A yellow disc in a green glow that fades into the panel.
void drawKnob(DrawPort& port) {
    for (std::int32_t y = 0; y < 43; ++y) {
        for (std::int32_t x = 0; x < 43; ++x) {
            const double d = std::hypot(x - 21.0, y - 21.0);
            Colour c = panelColour;
            if (d <= 16.0) {
                c = discColour;
            } else if (d <= 21.5) {
                const double glow = (21.5 - d) / 5.5; // 1 at the disc, 0 at the edge
                c = Colour{std::uint8_t(panelColour.red + (90 - panelColour.red) * glow),
                           std::uint8_t(panelColour.green + (230 - panelColour.green) * glow),
                           std::uint8_t(panelColour.blue + (90 - panelColour.blue) * glow), 0};
            }
            port.setPixel(Point(x, y), c);
        }
    }
}

// Two frames of 17 rows: the red block on the left (low-pass) above, on the right below.
void drawSwitch(DrawPort& port) {
    fillBox(port, 0, 0, 41, 33, gui::blueColour);
    fillBox(port, 2, 2, 15, 14, gui::redColour);
    fillBox(port, 26, 19, 39, 31, gui::redColour);
}

void drawFaderSlot(DrawPort& port) {
    fillBox(port, 0, 0, 18, 242, slotColour);
    port.setPenColour(darkPanelColour);
    port.moveTo(Point(9, 6));
    port.lineTo(Point(9, 237));
}

void drawFaderHandle(DrawPort& port) {
    fillBox(port, 0, 0, 11, 18, handleColour);
    port.setPenColour(gui::blackColour);
    port.moveTo(Point(1, 9));
    port.lineTo(Point(11, 9));
}

constexpr Bitmap bitmaps[] = {
    {101, "panel", 568, 290, BmpDepth::rgb24, drawPanel},
    {102, "graph", 267, 267, BmpDepth::rgb24, drawGraph},
    {104, "about", 268, 268, BmpDepth::rgb24, drawAbout},
    {106, "point", 13, 13, BmpDepth::palette8, drawPoint},
    {108, "knob-handle", 6, 6, BmpDepth::palette8, drawKnobHandle},
    {109, "knob", 43, 43, BmpDepth::rgb24, drawKnob},
    {110, "switch", 42, 34, BmpDepth::palette8, drawSwitch},
    {111, "fader-slot", 19, 243, BmpDepth::palette8, drawFaderSlot},
    {112, "fader-handle", 12, 19, BmpDepth::palette8, drawFaderHandle},
};

} // namespace

const Artwork vorlaneArtwork{"vorlane", bitmaps};

} // namespace artwork
