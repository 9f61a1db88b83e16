// Ombrisk's editor: a 240 x 160 bitmap panel with six faders, two on/off buttons and six
// read-outs, one or two widgets per parameter.
#pragma once

#include <atomic>
#include <cstdint>

#include "EditorLink.h"
#include "gui/GuiEditorBase.h"
#include "gui/widgets/ValueWidget.h"

namespace gui {
class HorizontalFader;
class OnOffButton;
class Picture;
class ValueText;
class VerticalFader;
} // namespace gui

class DelayPanel : public gui::GuiEditorBase, public gui::ValueListener {
public:
    enum : std::int32_t {
        backgroundId = 128,
        slotId = 129,
        handleId = 130,
        hSlotId = 131,
        reverseId = 133,
        revTypeId = 134,
    };

    // Host thread (the plug-in's construction): attaches itself to the effect and loads the
    // background, whose size is the editor's.
    // Edits go out through link, which outlives the panel.
    DelayPanel(EffectBase* effect, EditorLink& link);
    // Host thread (the effect's destruction): closes a window still open.
    ~DelayPanel() override;

    // Editor thread (effEditOpen): builds the widgets from the effect's current values; 0
    // when no view could be made.
    VstInt32 open(void* parent) override;
    // Editor thread (effEditClose): the view with its widgets goes, and the pictures open
    // loaded.
    void close() override;
    // Any thread (the host's parameter or audio thread, or the editor's own changes): only
    // records which parameter changed and asks for a refresh. The widgets belong to the
    // editor thread, which may be freeing them at this moment; it moves them in its idle.
    void setParameter(VstInt32 index, float value) override;
    // Editor thread (idle): moves the widgets of every parameter recorded since the last
    // refresh to the effect's value; the idle pass then draws them.
    void refresh() override;
    // Editor thread: a widget moved by the user goes out through the link, and is drawn at
    // once.
    void valueChanged(gui::DrawPort& port, gui::ValueWidget* widget) override;

private:
    void showParameter(VstInt32 index);

    EditorLink& link;
    gui::HorizontalFader* tempoFader = nullptr;
    gui::VerticalFader* divFader = nullptr;
    gui::VerticalFader* multFader = nullptr;
    gui::VerticalFader* feedbackFader = nullptr;
    gui::VerticalFader* volumeFader = nullptr;
    gui::VerticalFader* outposFader = nullptr;
    gui::OnOffButton* reverseButton = nullptr;
    gui::OnOffButton* revTypeButton = nullptr;
    gui::ValueText* divText = nullptr;
    gui::ValueText* multText = nullptr;
    gui::ValueText* feedbackText = nullptr;
    gui::ValueText* volumeText = nullptr;
    gui::ValueText* outposText = nullptr;
    gui::ValueText* tempoText = nullptr;
    gui::Picture* backgroundPicture = nullptr;
    gui::Picture* slotPicture = nullptr;
    gui::Picture* hSlotPicture = nullptr;
    gui::Picture* handlePicture = nullptr;
    gui::Picture* reversePicture = nullptr;
    gui::Picture* revTypePicture = nullptr;
    // One bit per parameter changed since the editor thread last looked.
    std::atomic<std::uint32_t> changedParameters{0};
};
