// Vorlane's editor: a 568 x 290 panel with four dials, two filter-type switches, a dry/wet
// fader, the curve view in the middle and an about picture behind the name panel.
#pragma once

#include "EditorLink.h"
#include "gui/classic/GuiEditorBase.h"
#include "gui/classic/ValueWidget.h"

#include <atomic>
#include <cstdint>

namespace gui {
class Picture;
namespace classic {
class Dial;
class HorizontalSwitch;
class SplashView;
class VerticalFader;
}  // namespace classic
}  // namespace gui
class CurveView;
class ShaperCurve;

class ShaperPanel : public gui::classic::GuiEditorBase, public gui::classic::ValueListener {
public:
    enum : std::int32_t {
        backgroundId = 101,
        graphId = 102,
        aboutId = 104,
        pointId = 106,
        knobHandleId = 108,
        knobId = 109,
        switchId = 110,
        faderId = 111,
        faderHandleId = 112,
    };
    static constexpr std::int32_t splashTag = 100;

    // Host thread (the plug-in's construction): attaches itself to the effect and loads the
    // background, whose size is the editor's.
    // Edits go out through link, which outlives the panel.
    ShaperPanel(EffectBase* effect, ShaperCurve& curve, EditorLink& link);
    // Host thread (the effect's destruction): closes a window still open.
    ~ShaperPanel() override;

    // Editor thread (effEditOpen): builds the widgets from the effect's current values; 0
    // when no view could be made.
    VstInt32 open(void* parent) override;
    // Editor thread (effEditClose): the view with its widgets goes, and the pictures open
    // loaded.
    void close() override;
    // Any thread: only records which parameter changed and asks for a refresh; the widgets
    // belong to the editor thread, which moves them in its idle.
    void setParameter(VstInt32 index, float value) override;
    // Editor thread (idle): the widgets of the parameters recorded since take the effect's
    // values.
    void refresh() override;
    // Editor thread, once per pass of a tracking loop: while a point is dragged, the sound
    // follows it.
    void idleWhileTracking() override;
    // Editor thread: a widget moved by the user goes out through the link.
    void valueChanged(gui::DrawPort& port, gui::ValueWidget* widget) override;

    CurveView* getCurveView() const { return curveView; }

private:
    gui::classic::ValueWidget* widgetOf(VstInt32 index) const;

    ShaperCurve& curve;
    EditorLink& link;
    gui::Picture* background = nullptr;
    gui::Picture* switchPicture = nullptr;
    gui::Picture* graphPicture = nullptr;
    gui::Picture* pointPicture = nullptr;
    gui::Picture* knobPicture = nullptr;
    gui::Picture* knobHandlePicture = nullptr;
    gui::Picture* aboutPicture = nullptr;
    gui::Picture* faderPicture = nullptr;
    gui::Picture* faderHandlePicture = nullptr;
    bool picturesLoaded = false;
    gui::classic::Dial* preGainDial = nullptr;
    gui::classic::Dial* preFilterDial = nullptr;
    gui::classic::Dial* postGainDial = nullptr;
    gui::classic::Dial* postFilterDial = nullptr;
    gui::classic::HorizontalSwitch* preSwitch = nullptr;
    gui::classic::HorizontalSwitch* postSwitch = nullptr;
    gui::classic::VerticalFader* dryWetFader = nullptr;
    gui::classic::SplashView* aboutSplash = nullptr;
    CurveView* curveView = nullptr;
    // One bit per parameter changed since the editor thread last looked.
    std::atomic<std::uint32_t> changedParameters{0};
    // The curve's revision the shaper table was last asked to follow.
    std::uint32_t soundRevision = 0;
};
