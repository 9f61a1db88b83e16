// Text entry in a headless editor: a click opens an edit line over the field, typing edits it,
// and Return, a loss of focus or a click elsewhere ends it, telling the listener only when the
// text changed.
#include "PixelTestSupport.h"
#include "WidgetFixture.h"
#include "gui/DrawPort.h"
#include "gui/widgets/TextField.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace gui {
namespace {

// Records the field's text whenever it is told, and redraws the field, as the editors do.
class Listener : public ValueListener {
public:
    void valueChanged(DrawPort& port, ValueWidget* widget) override {
        char text[256] = {};
        static_cast<TextField*>(widget)->getText(text);
        told.emplace_back(text);
        widget->update(port);
    }
    std::vector<std::string> told;
};

class TextFieldTest : public test::WidgetFixture {
protected:
    TextField* addField(const char* text, ValueListener* to) {
        auto* field = new TextField(fieldRect, to, 4, text, nullptr, 0);
        view->addWidget(field);
        view->idle();
        return field;
    }
    void run(const std::function<void()>& script) {
        script();
        platform.dispatchPendingEvents();
    }
    std::int32_t presents() const { return platform.presentCount(view->getWindow()); }

    const Rect fieldRect{20, 30, 120, 50};
    Listener listener;
};

TEST_F(TextFieldTest, AClickOpensAnEditLineOverTheFieldWithItsTextAndLook) {
    TextField* field = addField("gain", &listener);
    field->setFontId(fontLarge);
    field->setTextColour(yellowColour);
    field->setBackColour(blueColour);
    press(Point(60, 40), leftButton);
    const auto lines = platform.editLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].window, view->getWindow());
    EXPECT_EQ(lines[0].area, Rect(20, 30, 121, 51)); // the whole box, outline included
    EXPECT_EQ(lines[0].look.font, fontLarge);
    EXPECT_EQ(lines[0].look.text, yellowColour);
    EXPECT_EQ(lines[0].look.back, blueColour);
    EXPECT_EQ(lines[0].text, "gain");
    EXPECT_EQ(lines[0].caret, 4);
    EXPECT_TRUE(lines[0].focused);
    EXPECT_EQ(view->getFocusWidget(), field);
    EXPECT_TRUE(field->isEditing());
    EXPECT_TRUE(listener.told.empty());
}

// However the edit ends, the line goes, the field is drawn again and the listener hears of the
// text once, only when it changed.
TEST_F(TextFieldTest, TheEndOfAnEditTellsTheListenerOnlyOfAChangedText) {
    TextField* field = addField("gain", &listener);
    struct Case {
        const char* what;
        std::function<void()> script;
        std::vector<std::string> told;
    } cases[] = {
        {"Return after typing", [&] { platform.typeText(" 2"), platform.pressKey(EditKey::enter); }, {"gain 2"}},
        {"Return with the text unchanged", [&] { platform.pressKey(EditKey::enter); }, {}},
        {"typing undone before Return",
         [&] { platform.typeText("x"), platform.pressKey(EditKey::backspace), platform.pressKey(EditKey::enter); },
         {}},
        {"the focus moved away after typing", [&] { platform.typeText("!"), platform.moveFocusAway(); }, {"gain!"}},
        {"the focus moved away, nothing typed", [&] { platform.moveFocusAway(); }, {}},
        {"a click elsewhere in the editor", [&] { platform.typeText("y"), press(Point(200, 100), leftButton); },
         {"gainy"}},
    };
    for (const Case& c : cases) {
        field->setText("gain");
        view->idle();
        listener.told.clear();
        press(Point(60, 40), leftButton);
        ASSERT_EQ(platform.editLines().size(), 1u) << c.what;
        const std::int32_t before = presents();
        run(c.script);
        EXPECT_EQ(listener.told, c.told) << c.what;
        EXPECT_TRUE(platform.editLines().empty()) << c.what;
        EXPECT_FALSE(field->isEditing()) << c.what;
        EXPECT_EQ(view->getFocusWidget(), nullptr) << c.what;
        EXPECT_GT(presents(), before) << c.what << ": the field is drawn again";
        char text[256];
        field->getText(text);
        EXPECT_EQ(text, c.told.empty() ? std::string("gain") : c.told.back()) << c.what;
    }
}

TEST_F(TextFieldTest, EditingKeysMoveTheCaretAndChangeTheText) {
    TextField* field = addField("abc", &listener);
    using K = EditKey;
    struct Case {
        const char* what;
        std::vector<K> keys;
        const char* typed;
        std::string text;
        std::int32_t caret;
    } cases[] = {
        {"typed at the end", {}, "d", "abcd", 4},
        {"Home, then typed", {K::home}, "X", "Xabc", 1},
        {"left, Backspace", {K::left, K::backspace}, "", "ac", 1},
        {"Home, Delete", {K::home, K::deleteForward}, "", "bc", 0},
        {"Backspace at the start", {K::home, K::backspace}, "", "abc", 0},
        {"Delete at the end", {K::deleteForward}, "", "abc", 3},
        {"right past the end", {K::right}, "Z", "abcZ", 4},
        {"left past the start", {K::home, K::left}, "<", "<abc", 1},
        {"End after Home", {K::home, K::end}, ".", "abc.", 4},
        {"control characters refused", {}, "\t\x01\x7f", "abc", 3},
        {"Western characters kept", {}, "\xe9\x80", "abc\xe9\x80", 5},
    };
    for (const Case& c : cases) {
        field->setText("abc");
        press(Point(60, 40), leftButton);
        for (K k : c.keys) platform.pressKey(k);
        platform.typeText(c.typed);
        platform.dispatchPendingEvents();
        const auto lines = platform.editLines();
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0].text, c.text) << c.what;
        EXPECT_EQ(lines[0].caret, c.caret) << c.what;
        run([&] { platform.pressKey(EditKey::enter); });
    }
}

// The line shows a short text centred and scrolls a long one so that the caret stays in view.
TEST_F(TextFieldTest, TheEditLineCentresShortTextsAndKeepsTheCaretOfLongOnesInView) {
    addField("ab", &listener);
    press(Point(60, 40), leftButton);
    auto inkColumns = [&] {
        const auto line = platform.editLines().at(0);
        const Surface& s = *line.pixels;
        std::vector<int> columns;
        for (int x = 0; x < s.width(); ++x)
            for (int y = 0; y < s.height(); ++y)
                if (s.pixel(x, y) != pixelOf(line.look.back)) {
                    columns.push_back(x);
                    break;
                }
        return columns;
    };
    // The ink (text and caret) sits in the middle of the 101 pixels.
    auto ink = inkColumns();
    ASSERT_FALSE(ink.empty());
    EXPECT_NEAR((ink.front() + ink.back()) / 2.0, 50.0, 3.0);
    // A text longer than the line: cut at 255 characters, the caret at the right edge.
    run([&] { platform.typeText(std::string(300, 'm').c_str()); });
    EXPECT_EQ(platform.editLines().at(0).text.size(), 255u);
    ink = inkColumns();
    EXPECT_EQ(ink.back(), 100);
    EXPECT_LE(ink.front(), 3); // scrolled: no margin on the left
    // Home: the text from its start, the caret at the left edge.
    run([&] { platform.pressKey(EditKey::home); });
    const auto line = platform.editLines().at(0);
    const Surface& s = *line.pixels;
    int caretRows = 0;
    for (int y = 0; y < s.height(); ++y) caretRows += s.pixel(0, y) == pixelOf(line.look.text);
    EXPECT_GE(caretRows, 10);
    run([&] { platform.pressKey(EditKey::enter); });
    EXPECT_EQ(listener.told.at(0).size(), 255u);
}

TEST_F(TextFieldTest, OnlyALeftClickAloneStartsAnEdit) {
    TextField* field = addField("x", &listener);
    struct Case {
        const char* what;
        std::int32_t buttons;
        bool enabled;
    } cases[] = {
        {"Alt and left", leftButton | altKey, true},
        {"Shift and left", leftButton | shiftKey, true},
        {"the right button", rightButton, true},
        {"mouse handling off", leftButton, false},
    };
    for (const Case& c : cases) {
        field->setMouseEnabled(c.enabled);
        press(Point(60, 40), c.buttons);
        EXPECT_TRUE(platform.editLines().empty()) << c.what;
        EXPECT_EQ(view->getFocusWidget(), nullptr) << c.what;
    }
    field->setMouseEnabled(true);
    press(Point(60, 40), leftButton);
    press(Point(70, 45), leftButton); // inside the field while it edits: still one line
    EXPECT_EQ(platform.editLines().size(), 1u);
    run([&] { platform.pressKey(EditKey::enter); });
    EXPECT_TRUE(listener.told.empty());
}

TEST_F(TextFieldTest, TextsAreStoredCutAndShownThroughTheConversion) {
    TextField* field = addField(nullptr, &listener);
    char text[256] = "unchanged";
    field->getText(text);
    EXPECT_STREQ(text, "");
    field->setText(nullptr);
    field->getText(text);
    EXPECT_STREQ(text, "");
    field->getText(nullptr); // nowhere to copy: nothing happens
    field->setText(std::string(300, 'q').c_str());
    field->getText(text);
    EXPECT_EQ(std::strlen(text), 255u);
    // setText makes the next update redraw, whatever the value.
    for (float v : {0.0f, 1.0f, 0.3f}) {
        field->setValue(v);
        view->idle();
        field->setText("t");
        EXPECT_NE(field->getOldValue(), field->getValue()) << v;
    }
    // A conversion changes what is shown, not what is stored.
    auto drawn = [&](TextField& f) {
        PixelBuffer s(140, 60, pixelOf(magentaColour));
        DrawPort port(nullptr, &s, nullptr);
        f.draw(port);
        std::vector<Pixel> out;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) out.push_back(s.pixel(x, y));
        return out;
    };
    TextField converted(fieldRect, nullptr, 0, "7", nullptr, 0);
    converted.setTextConvert([](const char* stored, char* shown) { std::snprintf(shown, 256, "%s Hz", stored); });
    TextField plain(fieldRect, nullptr, 0, "7 Hz", nullptr, 0);
    EXPECT_EQ(drawn(converted), drawn(plain));
    converted.getText(text);
    EXPECT_STREQ(text, "7");
}

// An edit still running when the editor closes, or after the host destroyed its window, ends
// with the typed text told; a field without a listener just keeps it.
TEST_F(TextFieldTest, EditsEndingOutsideTheUsualPathKeepTheTypedText) {
    addField("a", &listener);
    press(Point(60, 40), leftButton);
    run([&] { platform.typeText("b"); });
    editor->setView(nullptr);
    delete view;
    view = nullptr;
    EXPECT_EQ(listener.told, (std::vector<std::string>{"ab"}));
    EXPECT_TRUE(platform.editLines().empty());

    view = new RootView(Rect(0, 0, 240, 160), reinterpret_cast<void*>(host), editor);
    editor->setView(view);
    platform.dispatchPendingEvents();
    listener.told.clear();
    addField("c", &listener);
    press(Point(60, 40), leftButton);
    platform.destroyWindow(host);
    run([&] { platform.typeText("d"), platform.pressKey(EditKey::enter); });
    EXPECT_EQ(listener.told, (std::vector<std::string>{"cd"}));
    EXPECT_TRUE(platform.editLines().empty());
}

TEST_F(TextFieldTest, AFieldWithoutAListenerEditsAndTellsNobody) {
    TextField* field = addField("a", nullptr);
    press(Point(60, 40), leftButton);
    run([&] { platform.typeText("z"), platform.pressKey(EditKey::enter); });
    char text[256];
    field->getText(text);
    EXPECT_STREQ(text, "az");
}

} // namespace
} // namespace gui
