#pragma once
// The test plug-in's editor: a background, a toggle, a fader and a read-out of the fader.
#include "gui/GuiEditorBase.h"

#include <cstdint>

namespace gui {
class Picture;
}
class ToggleWidget;
class FaderWidget;
class ReadoutWidget;

class TestPanel : public gui::GuiEditorBase {
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

private:
    gui::Picture* background = nullptr;
    gui::Picture* toggleFrames = nullptr;
    gui::Picture* handle = nullptr;
    ToggleWidget* toggle = nullptr;
    FaderWidget* fader = nullptr;
    ReadoutWidget* readout = nullptr;
};
