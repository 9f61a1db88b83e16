#pragma once
// The test plug-in's editor: a background, a toggle, a fader, a read-out of the fader and a
// pad that records the buttons of presses.
#include "gui/GuiEditorBase.h"
#include "gui/widgets/ValueWidget.h"

#include <cstdint>

namespace gui {
class Picture;
}
class ToggleWidget;
class FaderWidget;
class ReadoutWidget;
class PressPad;

class TestPanel : public gui::GuiEditorBase, public gui::ValueListener {
public:
    enum : std::int32_t { backgroundId = 128, toggleId = 129, handleId = 130 };

    explicit TestPanel(EffectBase* effect);
    ~TestPanel() override;
    // Editor thread (effEditOpen, effEditClose).
    VstInt32 open(void* parent) override;
    void close() override;
    // Any thread: the effect passes every parameter change on.
    void setParameter(VstInt32 index, float value) override;
    // Editor thread: a widget moved by the user.
    void valueChanged(std::int32_t tag, float value);
    void valueChanged(gui::DrawPort& port, gui::ValueWidget* widget) override;

private:
    gui::Picture* background = nullptr;
    gui::Picture* toggleFrames = nullptr;
    gui::Picture* handle = nullptr;
    ToggleWidget* toggle = nullptr;
    FaderWidget* fader = nullptr;
    ReadoutWidget* readout = nullptr;
    PressPad* pad = nullptr;
};
