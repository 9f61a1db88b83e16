#pragma once
// Small widgets of the test plug-in: a two-state picture button, a fader that follows a drag
// and a text read-out. Each reports user changes to its panel.
#include "gui/Widget.h"

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

class ReadoutWidget : public gui::Widget {
public:
    ReadoutWidget(const gui::Rect& rect, const char* label);
    void draw(gui::DrawPort& port) override;
    void update(gui::DrawPort& port) override;
    void setValue(float v) { value = v; }

private:
    const char* label;
    float value = 0.0f;
    float drawnValue = -1.0f;
};
