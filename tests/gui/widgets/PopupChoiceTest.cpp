// Popup choices in a headless editor: the list keeps its current entry across inserts and
// removals, a click shows the menu where it belongs, a choice is told once, cancelling tells
// nobody, and the click that closed the menu never reaches the editor.
#include "WidgetFixture.h"
#include "gui/DrawPort.h"
#include "gui/Picture.h"
#include "gui/widgets/PopupChoice.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gui {
namespace {

constexpr std::int32_t framesId = 1; // a 30 x 60 picture of the widget tests

// Records the current entry whenever it is told, and redraws the widget, as the editors do.
class Listener : public ValueListener {
public:
    void valueChanged(DrawPort& port, ValueWidget* widget) override {
        char text[256] = {};
        static_cast<PopupChoice*>(widget)->getCurrent(text);
        told.emplace_back(text);
        widget->update(port);
    }
    std::vector<std::string> told;
};

// Counts the presses that reach it.
class PressCounter : public ValueWidget {
public:
    explicit PressCounter(const Rect& r) : ValueWidget(r, nullptr, 0) {}
    void draw(DrawPort&) override { setOldValue(getValue()); }
    void mouse(DrawPort&, Point) override { ++presses; }
    int presses = 0;
};

std::string currentOf(const PopupChoice& choice) {
    char text[256] = {};
    choice.getCurrent(text);
    return text;
}

TEST(PopupChoiceListTest, TheCurrentEntryFollowsInsertsAndRemovals) {
    PopupChoice list(Rect(0, 0, 50, 20), nullptr, 0, nullptr, nullptr, 0);
    EXPECT_EQ(list.getCurrent(nullptr), -1);
    struct Step {
        const char* what;
        std::function<bool()> change;
        bool result;
        std::int32_t current;
        std::string currentText;
        std::int32_t count;
    } steps[] = {
        {"the first entry becomes current", [&] { return list.addEntry("a"); }, true, 0, "a", 1},
        {"appended", [&] { return list.addEntry("-"); }, true, 0, "a", 2},
        {"appended again", [&] { return list.addEntry("b", -1); }, true, 0, "a", 3},
        {"a separator cannot be current", [&] { return list.setCurrent(1); }, false, 0, "a", 3},
        {"beyond the end", [&] { return list.setCurrent(3); }, false, 0, "a", 3},
        {"below 0", [&] { return list.setCurrent(-1); }, false, 0, "a", 3},
        {"an entry", [&] { return list.setCurrent(2); }, true, 2, "b", 3},
        {"inserted before the current one", [&] { return list.addEntry("x", 0); }, true, 3, "b", 4},
        {"inserted after it", [&] { return list.addEntry("y", 4); }, true, 3, "b", 5},
        {"an index past the end appends", [&] { return list.addEntry("z", 99); }, true, 3, "b", 6},
        {"removed before the current one", [&] { return list.removeEntry(0); }, true, 2, "b", 5},
        {"removed after it", [&] { return list.removeEntry(4); }, true, 2, "b", 4},
        {"removal out of range", [&] { return list.removeEntry(4); }, false, 2, "b", 4},
        {"the current one removed: the one before", [&] { return list.removeEntry(2); }, true, 1, "-", 3},
        {"back to the first", [&] { return list.setCurrent(0); }, true, 0, "a", 3},
        {"the first removed while current: the new first", [&] { return list.removeEntry(0); }, true, 0, "-", 2},
        {"all removed", [&] { return list.removeAllEntries(); }, true, -1, "", 0},
        {"a null text is empty", [&] { return list.addEntry(nullptr); }, true, 0, "", 1},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(s.change(), s.result) << s.what;
        char text[256] = {};
        EXPECT_EQ(list.getCurrent(text), s.current) << s.what;
        EXPECT_EQ(text, s.currentText) << s.what;
        EXPECT_EQ(list.getNbEntries(), s.count) << s.what;
    }
    char text[256] = {};
    EXPECT_FALSE(list.getEntry(1, text));
    EXPECT_FALSE(list.getEntry(-1, text));
    EXPECT_TRUE(list.getEntry(0, nullptr));
    // 128 entries at most; a long text is cut to 255 characters.
    while (list.getNbEntries() < PopupChoice::maxEntries) ASSERT_TRUE(list.addEntry(std::string(300, 'w').c_str()));
    EXPECT_FALSE(list.addEntry("one too many"));
    EXPECT_FALSE(list.addEntry("one too many", 0));
    EXPECT_EQ(list.getNbEntries(), PopupChoice::maxEntries);
    EXPECT_TRUE(list.getEntry(127, text));
    EXPECT_EQ(std::string(text), std::string(255, 'w'));
}

class PopupChoiceTest : public test::WidgetFixture {
protected:
    PopupChoice* addChoice(std::int32_t style, Picture* pressed = nullptr) {
        auto* choice = new PopupChoice(choiceRect, &listener, 5, nullptr, pressed, style);
        for (const char* e : {"a", "-", "b"}) choice->addEntry(e);
        view->addWidget(choice);
        view->idle();
        return choice;
    }
    std::int32_t presents() const { return platform.presentCount(view->getWindow()); }

    const Rect choiceRect{40, 50, 100, 66};
    Listener listener;
};

// The menu lists the entries at the widget's bottom edge (or top) in screen coordinates; the
// host window sits at (300, 200).
TEST_F(PopupChoiceTest, AClickShowsTheEntriesWhereTheStyleSays) {
    struct Case {
        std::int32_t style;
        Point at;
        std::vector<bool> checks;
    } cases[] = {
        {0, Point(340, 266), {false, false, false}},
        {stylePopupAtTop, Point(340, 250), {false, false, false}},
        {styleCheckCurrent, Point(340, 266), {false, false, true}},
    };
    for (const Case& c : cases) {
        PopupChoice* choice = addChoice(c.style);
        choice->setCurrent(2);
        press(Point(70, 58), leftButton);
        ASSERT_FALSE(platform.menusShown().empty()) << c.style;
        const auto& menu = platform.menusShown().back();
        EXPECT_EQ(menu.owner, view->getWindow());
        EXPECT_EQ(menu.screen, c.at) << c.style;
        EXPECT_EQ(menu.texts, (std::vector<std::string>{"a", "-", "b"}));
        EXPECT_EQ(menu.separators, (std::vector<bool>{false, true, false}));
        EXPECT_EQ(menu.checks, c.checks) << c.style;
        EXPECT_EQ(view->getFocusWidget(), nullptr); // the menu is over
        view->removeWidget(choice);
        delete choice;
    }
}

TEST_F(PopupChoiceTest, AChoiceIsToldOnceAndCancellingTellsNobody) {
    PopupChoice* choice = addChoice(0);
    struct Case {
        const char* what;
        std::int32_t answer;
        std::vector<std::string> told;
        std::string current;
    } cases[] = {
        {"choosing b", 2, {"b"}, "b"},
        {"choosing the current entry again", 2, {"b"}, "b"},
        {"cancelled", -1, {}, "b"},
        {"choosing a", 0, {"a"}, "a"},
        {"a separator is no choice", 1, {}, "a"},
        {"nor an index beyond the list", 3, {}, "a"},
        {"nor one below it", -7, {}, "a"},
    };
    for (const Case& c : cases) {
        listener.told.clear();
        platform.queueMenuAnswer(c.answer);
        press(Point(70, 58), leftButton);
        EXPECT_EQ(listener.told, c.told) << c.what;
        EXPECT_EQ(currentOf(*choice), c.current) << c.what;
    }
    // Clicks that open nothing.
    const auto menus = platform.menusShown().size();
    press(Point(70, 58), leftButton | altKey);
    press(Point(70, 58), rightButton);
    choice->setMouseEnabled(false);
    press(Point(70, 58), leftButton);
    EXPECT_EQ(platform.menusShown().size(), menus);
}

// With a pressed picture the box shows it before the menu comes and its own look again after;
// without one a cancelled menu draws nothing.
TEST_F(PopupChoiceTest, ThePressedLookIsShownWhileTheMenuIsOpen) {
    Picture* pressed = new Picture(framesId);
    for (bool withPicture : {false, true}) {
        PopupChoice* choice = addChoice(0, withPicture ? pressed : nullptr);
        choice->setBackColour(blueColour);
        view->idle();
        const std::int32_t before = presents();
        press(Point(70, 58), leftButton);
        EXPECT_EQ(platform.menusShown().back().ownerPresents, before + (withPicture ? 1 : 0)) << withPicture;
        EXPECT_EQ(presents(), platform.menusShown().back().ownerPresents + (withPicture ? 1 : 0)) << withPicture;
        EXPECT_EQ(pixels().pixel(60, 52), pixelOf(blueColour)) << withPicture; // its own look
        view->removeWidget(choice);
        delete choice;
    }
    pressed->release();
}

// The click that closed the menu stays queued for the editor's window (as a click outside a
// menu does on some platforms); the widget drops it, so the widget under it is not pressed.
TEST_F(PopupChoiceTest, TheClickThatClosedTheMenuDoesNotReachTheEditor) {
    auto* counter = new PressCounter(Rect(150, 100, 200, 150));
    view->addWidget(counter);
    PopupChoice* choice = addChoice(0);
    for (std::int32_t answer : {-1, 2}) {
        platform.queueMenuAnswer(answer, Point(170, 120));
        press(Point(70, 58), leftButton);
        platform.dispatchPendingEvents();
        EXPECT_EQ(counter->presses, 0) << answer;
    }
    EXPECT_EQ(currentOf(*choice), "b");
    press(Point(170, 120), leftButton); // later clicks arrive as ever
    EXPECT_EQ(counter->presses, 1);
}

} // namespace
} // namespace gui
