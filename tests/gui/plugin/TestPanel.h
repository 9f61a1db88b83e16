#pragma once
// The test plug-in's editor: a background, a toggle, a fader, a read-out of the fader, a pad
// that records the buttons of presses, a text field and a popup choice.
#include "gui/GuiEditorBase.h"
#include "gui/widgets/ValueWidget.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gui {
class Picture;
class PopupChoice;
class TextField;
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
    // What the text field and the popup choice told, as "tag:text", oldest first.
    const std::vector<std::string>& textsTold() const { return texts; }

private:
    gui::Picture* background = nullptr;
    gui::Picture* toggleFrames = nullptr;
    gui::Picture* handle = nullptr;
    ToggleWidget* toggle = nullptr;
    FaderWidget* fader = nullptr;
    ReadoutWidget* readout = nullptr;
    PressPad* pad = nullptr;
    gui::TextField* field = nullptr;
    gui::PopupChoice* choice = nullptr;
    std::vector<std::string> texts;
};
