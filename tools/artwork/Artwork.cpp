#include "Artwork.h"

namespace artwork {

void fillBox(gui::DrawPort& port, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
             gui::Colour colour) {
    port.setFillColour(colour);
    // A fill covers what lies strictly inside the rectangle's outline.
    port.fillRect(gui::Rect(left - 1, top - 1, right + 1, bottom + 1));
}

void drawLabel(gui::DrawPort& port, const char* words, gui::FontId font, std::int32_t height, const gui::Rect& box,
               gui::TextAlign align, gui::Colour colour) {
    port.setFont(font, height);
    port.setTextColour(colour);
    port.drawText(words, box, false, align);
}

} // namespace artwork
