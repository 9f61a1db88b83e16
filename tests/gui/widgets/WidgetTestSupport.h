#pragma once
// What the widget tests share: the ids and colours of their pictures (tools/artwork draws
// them), a listener that records what it is told, and pointer scripts in the view's
// coordinates.
#include "WidgetFixture.h"
#include "gui/Picture.h"
#include "gui/widgets/ValueWidget.h"

#include <initializer_list>
#include <utility>
#include <vector>

namespace gui::test {

// The pictures of tests/gui/widgets/bitmaps.
enum PictureId : std::int32_t {
    faderHandleId = 201,    // 10 x 7 red, key-coloured corners
    verticalSlotId = 202,   // 12 x 80 blue, every eighth row from the top aqua
    horizontalSlotId = 203, // 100 x 6 green
    threeFramesId = 204,    // 90 x 90: frames of 30, red, green, blue
    fiveFramesId = 205,     // 20 x 100: frames of 20, yellow, magenta, aqua, red, green
    twoFramesId = 206,      // 32 x 24: frames of 12, yellow, aqua
    dialHandleId = 207,     // 8 x 8 magenta, key-coloured corners
    dialBackgroundId = 208, // 60 x 60 grey
};

// A picture for one test: the test's own reference goes at the end of the scope.
class TestPicture {
public:
    explicit TestPicture(std::int32_t id) : picture(new Picture(id)) {}
    ~TestPicture() { picture->release(); }
    TestPicture(const TestPicture&) = delete;
    TestPicture& operator=(const TestPicture&) = delete;
    Picture* get() const { return picture; }
    operator Picture*() const { return picture; }

private:
    Picture* picture;
};

// Records each change it is told of and redraws the widget, as the editors do.
class Recorder : public ValueListener {
public:
    void valueChanged(DrawPort& port, ValueWidget* widget) override {
        told.push_back(widget->getValue());
        tags.push_back(widget->getTag());
        widget->update(port);
    }
    std::vector<float> told;
    std::vector<std::int32_t> tags;
};

// One poll of the pointer: where it is in the view and what is held.
struct PointerStep {
    Point where;
    std::int32_t buttons;
};

template <class EditorBase>
class BasicScriptedFixture : public BasicWidgetFixture<EditorBase> {
protected:
    using BasicWidgetFixture<EditorBase>::BasicWidgetFixture;

    // The polls after the press answer these in turn; the last one stays. End with buttons 0,
    // or the widget tracks for ever.
    void script(std::initializer_list<PointerStep> steps) {
        Rect window;
        this->platform.screenRect(this->view->getWindow(), window);
        for (const PointerStep& s : steps) {
            this->platform.queuePointer(Point(window.left + s.where.h, window.top + s.where.v), s.buttons, 10);
        }
    }
    // A press whose polls find everything let go at once, at the press point.
    void click(Point where, std::int32_t buttons) {
        script({{where, 0}});
        this->press(where, buttons);
    }
    // The press, then the script.
    void drag(Point where, std::int32_t buttons, std::initializer_list<PointerStep> steps) {
        script(steps);
        this->press(where, buttons);
    }
    template <class W>
    W* add(W* widget) {
        this->view->addWidget(widget);
        this->view->idle();
        return widget;
    }
};

using ScriptedFixture = BasicScriptedFixture<GuiEditorBase>;

} // namespace gui::test
