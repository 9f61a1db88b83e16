#pragma once
// Small widgets of the test plug-in: a two-state picture button, a fader that follows a drag,
// a text read-out and a pad that reports the buttons of each press. Each reports user changes
// to its panel.
#include "gui/Widget.h"
#include "gui/widgets/ValueText.h"
#include "gui/widgets/ValueWidget.h"

#include <cstdint>

namespace gui {
class Picture;
}

class TestPanel;

// Two frames stacked vertically in one picture: off on top, on below.
class ToggleWidget : public gui::Widget {
public:
    ToggleWidget(const gui::Rect& rect, TestPanel* panel, std::int32_t tag, gui::Picture* frames);
    ~ToggleWidget() override;
    void draw(gui::DrawPort& port) override;
    void mouse(gui::DrawPort& port, gui::Point where) override;
    void update(gui::DrawPort& port) override;
    void setValue(float v) { value = v; }

private:
    TestPanel* panel;
    std::int32_t tag;
    gui::Picture* frames;
    float value = 0.0f;
    float drawnValue = -1.0f;
};

class FaderWidget : public gui::Widget {
public:
    FaderWidget(const gui::Rect& rect, TestPanel* panel, std::int32_t tag, gui::Picture* handle);
    ~FaderWidget() override;
    void draw(gui::DrawPort& port) override;
    void mouse(gui::DrawPort& port, gui::Point where) override;
    void update(gui::DrawPort& port) override;
    void setValue(float v) { value = v; }

private:
    float valueAt(gui::Point where) const;

    TestPanel* panel;
    std::int32_t tag;
    gui::Picture* handle;
    float value = 0.0f;
    float drawnValue = -1.0f;
};

// A text widget of the toolkit's family with a look of its own: label and value on a dark box.
class ReadoutWidget : public gui::ValueText {
public:
    ReadoutWidget(const gui::Rect& rect, const char* label);
    void draw(gui::DrawPort& port) override;

private:
    const char* label;
};

// Reports the MouseButtons bits of each press as its value (bits / 64), then follows the drag
// until everything is let go.
class PressPad : public gui::ValueWidget {
public:
    PressPad(const gui::Rect& rect, gui::ValueListener* listener, std::int32_t tag);
    void draw(gui::DrawPort& port) override;
    void mouse(gui::DrawPort& port, gui::Point where) override;
};
