// Popup menus as the backends that draw their own show them: a menu taller than the screen
// goes on in further columns, where every entry can still be pointed at, in order, and is lit
// where it is pointed at.
#include "gui/platform/MenuPanel.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

namespace {

struct Menu {
    explicit Menu(int count)
    {
        for (int i = 0; i < count; ++i)
            texts.push_back("Entry " + std::to_string(i));
        for (int i = 0; i < count; ++i) {
            gui::MenuEntry e;
            e.text = texts[std::size_t(i)].c_str();
            e.separator = i % 10 == 9;
            e.checked = i % 7 == 0;
            entries.push_back(e);
        }
    }
    std::vector<std::string> texts;
    std::vector<gui::MenuEntry> entries;
};

// Where each entry can be pointed at: its leftmost, then topmost pixel.
std::map<std::int32_t, gui::Point> pointable(const gui::MenuPanel& panel)
{
    std::map<std::int32_t, gui::Point> found;
    for (std::int32_t x = -2; x < panel.width() + 2; ++x)
        for (std::int32_t y = -2; y < panel.height() + 2; ++y) {
            const std::int32_t entry = panel.entryAt(gui::Point(x, y));
            if (entry >= 0 && !found.count(entry))
                found[entry] = gui::Point(x, y);
        }
    return found;
}

TEST(MenuPanel, MenuThatFitsIsOneColumnWhateverTheScreen)
{
    const Menu menu(12);
    const gui::MenuPanel unlimited(menu.entries.data(), 12);
    const gui::MenuPanel screen(menu.entries.data(), 12, unlimited.height());
    EXPECT_EQ(screen.width(), unlimited.width());
    EXPECT_EQ(screen.height(), unlimited.height());
}

TEST(MenuPanel, MenuTallerThanTheScreenGoesOnInColumnsWithEveryEntryInReach)
{
    const Menu menu(100);
    const gui::MenuPanel oneColumn(menu.entries.data(), 100);
    for (const std::int32_t screenHeight : {600, 250, 10}) {
        SCOPED_TRACE(screenHeight);
        const gui::MenuPanel panel(menu.entries.data(), 100, screenHeight);
        if (screenHeight >= 30) {
            EXPECT_LE(panel.height(), screenHeight);
        }
        EXPECT_GT(panel.width(), oneColumn.width());
        const auto found = pointable(panel);
        gui::Point previous(-1, -1);
        for (std::int32_t i = 0; i < 100; ++i) {
            if (menu.entries[std::size_t(i)].separator) {
                EXPECT_FALSE(found.count(i)) << i;
                continue;
            }
            ASSERT_TRUE(found.count(i)) << "entry " << i << " cannot be pointed at";
            // Down a column, then on at the top of the next one.
            const gui::Point at = found.at(i);
            EXPECT_TRUE(at.h > previous.h || (at.h == previous.h && at.v > previous.v)) << i;
            previous = at;
        }

        // The last entry lit shows in its own place, nowhere in the first column.
        std::vector<gui::Pixel> pixels(std::size_t(panel.width()) * std::size_t(panel.height()));
        gui::Surface surface(pixels.data(), panel.width(), panel.height(), panel.width());
        panel.draw(surface, 98);
        const gui::Point lit = found.at(98);
        const gui::Pixel highlight = surface.pixel(lit.h + 2, lit.v + 1);
        EXPECT_NE(highlight, surface.pixel(found.at(97).h + 2, found.at(97).v + 1));
        EXPECT_NE(highlight, surface.pixel(found.at(0).h + 2, found.at(0).v + 1));
    }
}

} // namespace
