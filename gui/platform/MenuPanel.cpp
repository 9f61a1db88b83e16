#include "MenuPanel.h"

#include "../DrawPort.h"
#include "../Font.h"

#include <algorithm>
#include <memory>

namespace gui {

namespace {

constexpr std::int32_t border = 1;
constexpr std::int32_t padding = 2;        // above the first row and below the last
constexpr std::int32_t entryHeight = 20;
constexpr std::int32_t separatorHeight = 7;
constexpr std::int32_t textLeft = 22;      // after the check-mark column
constexpr std::int32_t textRightMargin = 18;
constexpr std::int32_t minimumWidth = 80;
constexpr FontId menuFont = fontNormal;

constexpr Colour backColour{240, 240, 240, 0};
constexpr Colour inkColour{0, 0, 0, 0};
constexpr Colour highlightColour{0, 120, 215, 0};
constexpr Colour highlightInkColour{255, 255, 255, 0};
constexpr Colour borderColour{112, 112, 112, 0};
constexpr Colour separatorColour{192, 192, 192, 0};

} // namespace

MenuPanel::MenuPanel(const MenuEntry* entries, std::int32_t count, std::int32_t maxHeight) {
    std::unique_ptr<Font> font(Font::create(menuFont, 0));
    const Font& measure = font ? *font : Font::fallback();
    const std::int32_t first = border + padding;
    // A row may end here at the most; a column holds one row whatever the screen.
    const std::int32_t last = std::max(first + entryHeight, maxHeight - padding - border);
    std::int32_t widest = 0;
    std::int32_t column = 0;
    std::int32_t y = first;
    std::int32_t lowest = y;
    for (std::int32_t i = 0; entries && i < count; ++i) {
        const MenuEntry& e = entries[i];
        const std::int32_t h = e.separator ? separatorHeight : entryHeight;
        if (y + h > last && y > first) {
            ++column;
            y = first;
        }
        rows_.push_back(Row{e.text ? e.text : "", e.separator, e.checked, column, y, y + h});
        if (!e.separator) widest = std::max(widest, measure.textWidth(rows_.back().text.c_str()));
        y += h;
        lowest = std::max(lowest, y);
    }
    columnWidth_ = std::max(minimumWidth - 2 * border, textLeft + widest + textRightMargin);
    for (Row& row : rows_) row.left = border + row.left * columnWidth_;
    height_ = lowest + padding + border;
    width_ = border + (column + 1) * columnWidth_ + border;
}

bool MenuPanel::choosable(std::int32_t index) const {
    return index >= 0 && index < std::int32_t(rows_.size()) && !rows_[std::size_t(index)].separator;
}

std::int32_t MenuPanel::entryAt(Point local) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        if (local.h >= row.left && local.h < row.left + columnWidth_ && local.v >= row.top && local.v < row.bottom)
            return row.separator ? -1 : std::int32_t(i);
    }
    return -1;
}

std::int32_t MenuPanel::step(std::int32_t from, std::int32_t direction) const {
    const std::int32_t n = std::int32_t(rows_.size());
    if (n == 0) return -1;
    std::int32_t i = from;
    if (i < 0 || i >= n) i = direction > 0 ? -1 : n;
    for (std::int32_t tried = 0; tried < n; ++tried) {
        i = direction > 0 ? (i + 1) % n : (i - 1 + n) % n;
        if (choosable(i)) return i;
    }
    return -1;
}

void MenuPanel::draw(Surface& s, std::int32_t highlighted) const {
    DrawPort port(nullptr, &s, nullptr);
    const std::int32_t right = width_ - 1;
    const std::int32_t bottom = height_ - 1;
    port.setFillColour(backColour);
    port.fillRect(Rect(0, 0, right, bottom));
    port.setPenColour(borderColour);
    port.frameRect(Rect(0, 0, right, bottom));
    port.setFont(menuFont);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        // The row's own right edge: the next column's left, or the border.
        const std::int32_t rowRight = row.left + columnWidth_ - 1;
        if (row.separator) {
            const std::int32_t middle = (row.top + row.bottom) / 2;
            port.setPenColour(separatorColour);
            port.moveTo(Point(row.left + 2, middle));
            port.lineTo(Point(rowRight - 1, middle));
            continue;
        }
        const bool lit = std::int32_t(i) == highlighted;
        if (lit) {
            port.setFillColour(highlightColour);
            port.fillRect(Rect(row.left - 1, row.top - 1, rowRight + 1, row.bottom));
        }
        const Colour ink = lit ? highlightInkColour : inkColour;
        if (row.checked) {
            // A tick in the column left of the text.
            const std::int32_t middle = (row.top + row.bottom) / 2;
            const std::int32_t x = row.left - border;
            const Point tick[] = {Point(x + 7, middle), Point(x + 10, middle + 3), Point(x + 16, middle - 3)};
            port.setPenColour(ink);
            port.setLineWidth(2);
            port.polyline(tick, 3);
            port.setLineWidth(1);
        }
        port.setTextColour(ink);
        port.drawText(row.text.c_str(), Rect(row.left + textLeft - 1, row.top, rowRight, row.bottom), false,
                      alignLeft);
    }
}

} // namespace gui
