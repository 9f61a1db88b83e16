#pragma once
// The look of a popup menu and where its entries lie, for backends that draw their menus with
// the toolkit's own fonts: entries in rows, separators as thin lines, check marks in a column
// on the left, the entry under the pointer highlighted. A menu taller than the screen goes on in
// further columns to the right, so that every entry can be reached.
#include "../Surface.h"
#include "Platform.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace gui {

class MenuPanel {
public:
    // maxHeight: the screen's height, which no column passes (one entry a column at least).
    MenuPanel(const MenuEntry* entries, std::int32_t count, std::int32_t maxHeight = INT32_MAX);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    // The entry that can be chosen at a local point; -1 on separators, the border or outside.
    std::int32_t entryAt(Point local) const;
    // The next entry that can be chosen from one in a direction (1 down, -1 up), wrapping
    // around; from -1 down gives the first. -1 when no entry can be chosen.
    std::int32_t step(std::int32_t from, std::int32_t direction) const;
    // The whole menu into the top-left width x height of the surface.
    void draw(Surface& s, std::int32_t highlighted) const;

private:
    struct Row {
        std::string text;
        bool separator;
        bool checked;
        std::int32_t left;
        std::int32_t top;
        std::int32_t bottom; // exclusive
    };
    bool choosable(std::int32_t index) const;

    std::vector<Row> rows_;
    std::int32_t columnWidth_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

} // namespace gui
