#include "ShaperPanel.h"

#include "CurveView.h"
#include "ShaperCurve.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/classic/Dial.h"
#include "gui/classic/HorizontalSwitch.h"
#include "gui/classic/SplashView.h"
#include "gui/classic/VerticalFader.h"

#include "EffectBase.h"

#include <new>

using namespace gui;

namespace {

constexpr VstInt32 parameterCount = 8;
constexpr std::int32_t panelWidth = 568;
constexpr std::int32_t panelHeight = 290;

std::int32_t widthOf(const Picture* p)
{
    return p ? p->width() : 0;
}

std::int32_t heightOf(const Picture* p)
{
    return p ? p->height() : 0;
}

// A widget's rectangle: its corner and a size.
Rect placed(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height)
{
    return Rect(left, top, left + width, top + height);
}

}  // namespace

ShaperPanel::ShaperPanel(EffectBase* edited, ShaperCurve& shaperCurve, EditorLink& editorLink)
    : classic::GuiEditorBase(edited), curve(shaperCurve), link(editorLink)
{
    background = new (std::nothrow) Picture(backgroundId);
    const bool sized = background && background->width() > 0;
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(sized ? background->height() : panelHeight);
    rect.right = static_cast<VstInt16>(sized ? background->width() : panelWidth);
}

ShaperPanel::~ShaperPanel()
{
    if (rootView)
        close();
    if (background)
        background->release();
}

VstInt32 ShaperPanel::open(void* parent)
{
    // A host opening again without closing gets the editor in its new window.
    if (rootView)
        close();
    classic::GuiEditorBase::open(parent);
    rootView = new (std::nothrow) RootView(Rect(0, 0, rect.right, rect.bottom), parent, this);
    if (!rootView) {
        close();
        return 0;
    }
    rootView->setBackground(background);
    if (!picturesLoaded) {
        const struct {
            Picture** field;
            std::int32_t id;
        } loads[] = {{&switchPicture, switchId}, {&graphPicture, graphId},   {&pointPicture, pointId},
                     {&knobPicture, knobId},     {&knobHandlePicture, knobHandleId}, {&aboutPicture, aboutId},
                     {&faderPicture, faderId},   {&faderHandlePicture, faderHandleId}};
        for (const auto& load : loads)
            *load.field = new (std::nothrow) Picture(load.id);
        picturesLoaded = true;
    }
    soundRevision = curve.revision();

    // Each widget, once made, shows its parameter's current value and goes into the view; one
    // that cannot be made or added stays out.
    const auto add = [this]<class W>(W* widget, VstInt32 parameter) -> W* {
        if (!widget)
            return nullptr;
        if (parameter >= 1 && parameter < parameterCount)
            widget->setValue(effect->getParameter(parameter));
        if (!rootView->addWidget(widget)) {
            delete widget;
            return nullptr;
        }
        return widget;
    };
    const auto dial = [&](std::int32_t left, std::int32_t top, VstInt32 tag) {
        return add(new (std::nothrow) classic::Dial(placed(left, top, widthOf(knobPicture), heightOf(knobPicture)),
                                                    this, tag, knobPicture, knobHandlePicture, Point(0, 0)),
                   tag);
    };
    const auto filterSwitch = [&](std::int32_t left, std::int32_t top, VstInt32 tag) {
        const std::int32_t frameHeight = heightOf(switchPicture) / 2;
        return add(new (std::nothrow) classic::HorizontalSwitch(
                       placed(left, top, widthOf(switchPicture), frameHeight), this, tag, frameHeight, 2, switchPicture),
                   tag);
    };

    aboutSplash = add(new (std::nothrow) classic::SplashView(
                          Rect(14, 18, 89, 268), this, splashTag, aboutPicture,
                          placed(167, 11, widthOf(aboutPicture), heightOf(aboutPicture)), Point(0, 0)),
                      splashTag);
    curveView = add(new (std::nothrow) CurveView(placed(167, 11, widthOf(graphPicture), heightOf(graphPicture)), this,
                                                 0, graphPicture, pointPicture, curve),
                    0);
    preGainDial = dial(108, 71, 1);
    preFilterDial = dial(107, 207, 2);
    postGainDial = dial(453, 207, 3);
    postFilterDial = dial(453, 71, 4);
    preSwitch = filterSwitch(107, 262, 5);
    postSwitch = filterSwitch(454, 130, 6);
    // The handle's lowest top: the slot's bottom less the handle.
    const std::int32_t faderTop = 22;
    auto* fader = new (std::nothrow) classic::VerticalFader(
        placed(539, faderTop, widthOf(faderPicture), heightOf(faderPicture)), this, 7, 25,
        faderTop + heightOf(faderPicture) - heightOf(faderHandlePicture), faderHandlePicture, faderPicture,
        Point(0, 0), styleMouseInvertV);
    if (fader)
        fader->setHandleOffset(Point(3, 0));
    dryWetFader = add(fader, 7);
    return 1;
}

void ShaperPanel::close()
{
    delete rootView;
    rootView = nullptr;
    preGainDial = preFilterDial = postGainDial = postFilterDial = nullptr;
    preSwitch = postSwitch = nullptr;
    dryWetFader = nullptr;
    aboutSplash = nullptr;
    curveView = nullptr;
    if (picturesLoaded) {
        for (Picture** p : {&switchPicture, &graphPicture, &pointPicture, &knobPicture, &knobHandlePicture,
                            &aboutPicture, &faderPicture, &faderHandlePicture}) {
            if (*p)
                (*p)->release();
            *p = nullptr;
        }
        picturesLoaded = false;
    }
}

void ShaperPanel::setParameter(VstInt32 index, float)
{
    // Release: the effect's new value is visible to the editor thread that takes the bit.
    if (index >= 0 && index < parameterCount)
        changedParameters.fetch_or(1u << index, std::memory_order_acq_rel);
    requestRefresh();
}

void ShaperPanel::refresh()
{
    const std::uint32_t changed = changedParameters.exchange(0, std::memory_order_acq_rel);
    if (!rootView)
        return; // the next open reads every value anyway
    for (VstInt32 index = 1; index < parameterCount; ++index) {
        classic::ValueWidget* widget = widgetOf(index);
        if ((changed & (1u << index)) && widget)
            widget->setValue(effect->getParameter(index));
    }
}

classic::ValueWidget* ShaperPanel::widgetOf(VstInt32 index) const
{
    switch (index) {
    case 1: return preGainDial;
    case 2: return preFilterDial;
    case 3: return postGainDial;
    case 4: return postFilterDial;
    case 5: return preSwitch;
    case 6: return postSwitch;
    case 7: return dryWetFader;
    default: return nullptr;
    }
}

void ShaperPanel::idleWhileTracking()
{
    const std::uint32_t revision = curve.revision();
    if (revision != soundRevision) {
        soundRevision = revision;
        // Only the table: the host hears of the edit once, when the mouse is let go.
        link.curveMoved();
    }
    classic::GuiEditorBase::idleWhileTracking();
}

void ShaperPanel::valueChanged(DrawPort& port, ValueWidget* widget)
{
    const std::int32_t tag = widget->getTag();
    if (tag < 0 || tag >= parameterCount)
        return;
    if (tag == 0)
        soundRevision = curve.revision();
    link.parameterEdited(tag, widget->getValue());
    widget->update(port);
}
