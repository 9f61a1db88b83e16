// Pictures for the widget tests: plain frames in colours the tests look for, and handles with
// key-coloured corners that let what is below show through.
#include "Artwork.h"

namespace artwork {

namespace {

using gui::Colour;
using gui::DrawPort;

// One colour with the four corner pixels in the key colour.
void drawHandle(DrawPort& port, std::int32_t width, std::int32_t height, Colour colour) {
    fillBox(port, 0, 0, width - 1, height - 1, colour);
    for (gui::Point corner : {gui::Point(0, 0), gui::Point(width - 1, 0), gui::Point(0, height - 1),
                              gui::Point(width - 1, height - 1)})
        port.setPixel(corner, gui::transparentColour);
}

// Frames of frameHeight stacked from the top, frame k in colours[k].
void drawFrames(DrawPort& port, std::int32_t width, std::int32_t frameHeight, std::initializer_list<Colour> colours) {
    std::int32_t top = 0;
    for (Colour c : colours) {
        fillBox(port, 0, top, width - 1, top + frameHeight - 1, c);
        top += frameHeight;
    }
}

void faderHandle(DrawPort& port) {
    drawHandle(port, 10, 7, gui::redColour);
}

// Blue, with the row of each tenth of its height in aqua: shows where the slot was drawn from.
void verticalSlot(DrawPort& port) {
    fillBox(port, 0, 0, 11, 79, gui::blueColour);
    for (std::int32_t y = 0; y < 80; y += 8) fillBox(port, 0, y, 11, y, gui::aquaColour);
}

void horizontalSlot(DrawPort& port) {
    fillBox(port, 0, 0, 99, 5, gui::greenColour);
}

void threeFrames(DrawPort& port) {
    drawFrames(port, 90, 30, {gui::redColour, gui::greenColour, gui::blueColour});
}

void fiveFrames(DrawPort& port) {
    drawFrames(port, 20, 20,
               {gui::yellowColour, gui::magentaColour, gui::aquaColour, gui::redColour, gui::greenColour});
}

void twoFrames(DrawPort& port) {
    drawFrames(port, 32, 12, {gui::yellowColour, gui::aquaColour});
}

void dialHandle(DrawPort& port) {
    drawHandle(port, 8, 8, gui::magentaColour);
}

void dialBackground(DrawPort& port) {
    fillBox(port, 0, 0, 59, 59, gui::greyColour);
}

constexpr Bitmap bitmaps[] = {
    {201, "fader-handle", 10, 7, BmpDepth::rgb24, faderHandle},
    {202, "vertical-slot", 12, 80, BmpDepth::palette8, verticalSlot},
    {203, "horizontal-slot", 100, 6, BmpDepth::palette8, horizontalSlot},
    {204, "three-frames", 90, 90, BmpDepth::rgb24, threeFrames},
    {205, "five-frames", 20, 100, BmpDepth::rgb24, fiveFrames},
    {206, "two-frames", 32, 24, BmpDepth::rgb24, twoFrames},
    {207, "dial-handle", 8, 8, BmpDepth::rgb24, dialHandle},
    {208, "dial-background", 60, 60, BmpDepth::palette8, dialBackground},
};

} // namespace

const Artwork widgetTestArtwork{"widget-tests", bitmaps};

} // namespace artwork
