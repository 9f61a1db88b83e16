// Ombrisk's editor bitmaps: the panel with its title and labels, the fader slots and handle,
// and the frames of the two switches.
#include "Artwork.h"

namespace artwork {

namespace {

using gui::Colour;
using gui::DrawPort;
using gui::Rect;

constexpr Colour panelColour{176, 183, 223, 0};
constexpr Colour tanColour{222, 191, 146, 0};
constexpr Colour slotColour{113, 113, 113, 0};
constexpr Colour inkColour{32, 30, 52, 0};
constexpr Colour shadeColour{136, 143, 186, 0};
constexpr Colour lightColour{214, 219, 243, 0};

// A recess around a control: shaded above and left, lit below and right.
void groove(DrawPort& port, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    port.setPenColour(shadeColour);
    port.moveTo(gui::Point(left, bottom));
    port.lineTo(gui::Point(left, top));
    port.lineTo(gui::Point(right + 1, top));
    port.setPenColour(lightColour);
    port.moveTo(gui::Point(right, top + 1));
    port.lineTo(gui::Point(right, bottom));
    port.lineTo(gui::Point(left, bottom));
}

void drawPanel(DrawPort& port) {
    fillBox(port, 0, 0, 239, 159, panelColour);
    // The title bar.
    fillBox(port, 8, 5, 227, 24, tanColour);
    port.setPenColour(Colour{170, 140, 98, 0});
    port.frameRect(Rect(8, 5, 227, 24));
    drawLabel(port, "Ombrisk", gui::fontBold, 15, Rect(14, 6, 120, 24), gui::alignLeft, inkColour);
    drawLabel(port, "tempo delay", gui::fontSmall, 0, Rect(120, 6, 222, 24), gui::alignRight, inkColour);
    // Recesses for the five vertical faders (slots 12 wide, 25 apart) and the tempo fader.
    for (std::int32_t column = 0; column < 5; ++column) {
        const std::int32_t left = 18 + 25 * column;
        groove(port, left - 1, 31, left + 12, 112);
    }
    groove(port, 11, 147, 167, 153);
    // Labels: the buttons', the faders' under their columns, the tempo unit.
    drawLabel(port, "reverse", gui::fontBold, 9, Rect(160, 61, 200, 72), gui::alignCentre, inkColour);
    drawLabel(port, "r. mode", gui::fontBold, 9, Rect(160, 99, 202, 110), gui::alignCentre, inkColour);
    const char* const columns[] = {"div", "mlt", "fdb", "b#!", "vol"};
    for (std::int32_t column = 0; column < 5; ++column) {
        const std::int32_t centre = 24 + 25 * column;
        drawLabel(port, columns[column], gui::fontBold, 9, Rect(centre - 11, 114, centre + 11, 125), gui::alignCentre,
             inkColour);
    }
    drawLabel(port, "bpm", gui::fontBold, 9, Rect(200, 144, 224, 155), gui::alignCentre, inkColour);
}

void drawPlain(DrawPort& port, std::int32_t width, std::int32_t height, Colour colour) {
    fillBox(port, 0, 0, width - 1, height - 1, colour);
}

void drawSlot(DrawPort& port) {
    drawPlain(port, 12, 80, slotColour);
}

void drawHandle(DrawPort& port) {
    drawPlain(port, 10, 7, tanColour);
}

void drawTempoSlot(DrawPort& port) {
    drawPlain(port, 155, 5, slotColour);
}

// Two 32 x 12 frames, black text on white: the upper for off, the lower for on.
void drawFrames(DrawPort& port, const char* upper, const char* lower) {
    fillBox(port, 0, 0, 31, 23, gui::whiteColour);
    port.setPenColour(gui::blackColour);
    port.frameRect(Rect(0, 0, 31, 11));
    port.frameRect(Rect(0, 12, 31, 23));
    drawLabel(port, upper, gui::fontSmall, 0, Rect(0, 0, 32, 12), gui::alignCentre, gui::blackColour);
    drawLabel(port, lower, gui::fontSmall, 0, Rect(0, 12, 32, 24), gui::alignCentre, gui::blackColour);
}

void drawReverseFrames(DrawPort& port) {
    drawFrames(port, "off", "on");
}

void drawReverseTypeFrames(DrawPort& port) {
    drawFrames(port, "norm", "alt");
}

constexpr Bitmap bitmaps[] = {
    {128, "panel", 240, 160, BmpDepth::rgb24, drawPanel},
    {129, "fader-slot", 12, 80, BmpDepth::palette8, drawSlot},
    {130, "fader-handle", 10, 7, BmpDepth::rgb24, drawHandle},
    {131, "tempo-slot", 155, 5, BmpDepth::palette8, drawTempoSlot},
    {133, "reverse-frames", 32, 24, BmpDepth::rgb24, drawReverseFrames},
    {134, "reverse-type-frames", 32, 24, BmpDepth::rgb24, drawReverseTypeFrames},
};

} // namespace

const Artwork ombriskArtwork{"ombrisk", bitmaps};

} // namespace artwork
