#include "DelayPanel.h"

#include <cstdio>
#include <new>

#include "EffectBase.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/OnOffButton.h"
#include "gui/widgets/ValueText.h"
#include "gui/widgets/WidgetMath.h"

using namespace gui;

namespace {

constexpr VstInt32 parameterCount = 8;
constexpr std::int32_t panelWidth = 240;
constexpr std::int32_t panelHeight = 160;

// The read-outs' texts, in single precision as the engine's own steps are counted.
void tempoString(float v, char* text)
{
    std::snprintf(text, 256, "%d", truncateToInt(v * 125.0f + 55.0f));
}

void divisorString(float v, char* text)
{
    std::snprintf(text, 256, "%d", truncateToInt(v * 31.0f + 1.0f));
}

void multiplierString(float v, char* text)
{
    std::snprintf(text, 256, "%d", truncateToInt(v * 15.0f + 1.0f));
}

void outposString(float v, char* text)
{
    std::snprintf(text, 256, "%d", truncateToInt(v * 32.0f));
}

void percentString(float v, char* text)
{
    std::snprintf(text, 256, "%d%%", truncateToInt(v * 100.0f));
}

std::int32_t widthOf(const Picture* p)
{
    return p ? p->width() : 0;
}

std::int32_t heightOf(const Picture* p)
{
    return p ? p->height() : 0;
}

} // namespace

DelayPanel::DelayPanel(EffectBase* edited, EditorLink& editorLink) : GuiEditorBase(edited), link(editorLink)
{
    backgroundPicture = new (std::nothrow) Picture(backgroundId);
    const bool sized = backgroundPicture && backgroundPicture->width() > 0;
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(sized ? backgroundPicture->height() : panelHeight);
    rect.right = static_cast<VstInt16>(sized ? backgroundPicture->width() : panelWidth);
}

DelayPanel::~DelayPanel()
{
    if (rootView)
        close();
    if (backgroundPicture)
        backgroundPicture->release();
}

VstInt32 DelayPanel::open(void* parent)
{
    // A host opening again without closing gets the editor in its new window.
    if (rootView)
        close();
    GuiEditorBase::open(parent);
    const struct {
        Picture** field;
        std::int32_t id;
    } loads[] = {{&slotPicture, slotId},
                 {&handlePicture, handleId},
                 {&reversePicture, reverseId},
                 {&revTypePicture, revTypeId},
                 {&hSlotPicture, hSlotId}};
    for (const auto& load : loads) {
        if (!*load.field)
            *load.field = new (std::nothrow) Picture(load.id);
    }
    rootView = new (std::nothrow) RootView(Rect(0, 0, rect.right, rect.bottom), parent, this);
    if (!rootView) {
        close();
        return 0;
    }
    rootView->setBackground(backgroundPicture);

    // Each widget, once made and added, shows its parameter's current value; one that cannot
    // be made or added stays out.
    const auto add = [this]<class W>(W* widget, VstInt32 parameter) -> W* {
        if (!widget)
            return nullptr;
        widget->setValue(effect->getParameter(parameter));
        if (!rootView->addWidget(widget)) {
            delete widget;
            return nullptr;
        }
        return widget;
    };
    const std::int32_t slotWidth = widthOf(slotPicture);
    const std::int32_t slotHeight = heightOf(slotPicture);
    const auto verticalFader = [&](std::int32_t left, VstInt32 tag) {
        auto* fader = new (std::nothrow)
            VerticalFader(Rect(left, 32, left + slotWidth, 32 + slotHeight), this, tag, 32,
                          slotHeight - heightOf(handlePicture) + 31, handlePicture, slotPicture,
                          Point(0, 0), styleMouseInvertV);
        if (fader)
            fader->setHandleOffset(Point(1, 0));
        return add(fader, tag);
    };
    const auto button = [&](std::int32_t top, VstInt32 tag, Picture* frames, float defaultValue) {
        auto* onOff = new (std::nothrow) OnOffButton(
            Rect(164, top, 164 + widthOf(frames), top + heightOf(frames) / 2), this, tag, frames);
        if (onOff)
            onOff->setDefaultValue(defaultValue);
        return add(onOff, tag);
    };
    const auto readout = [&](const Rect& r, VstInt32 parameter, ValueToString toString) {
        auto* text = new (std::nothrow) ValueText(r, nullptr, 1);
        if (text) {
            text->setFontId(fontTiny);
            text->setTextColour(blackColour);
            text->setBackColour(whiteColour);
            text->setFrameColour(greyColour);
            text->setValueToString(toString);
        }
        return add(text, parameter);
    };

    const std::int32_t hSlotWidth = widthOf(hSlotPicture);
    auto* tempo = new (std::nothrow)
        HorizontalFader(Rect(12, 148, 12 + hSlotWidth, 148 + heightOf(hSlotPicture)), this, 0, 15,
                        hSlotWidth + 9, handlePicture, hSlotPicture, Point(0, 0), styleZeroLeft);
    if (tempo)
        tempo->setHandleOffset(Point(1, 0));
    tempoFader = add(tempo, 0);
    divFader = verticalFader(18, 3);
    multFader = verticalFader(43, 4);
    feedbackFader = verticalFader(68, 1);
    outposFader = verticalFader(93, 5);
    volumeFader = verticalFader(118, 2);
    if (volumeFader)
        volumeFader->setDefaultValue(0.75f);
    reverseButton = button(32 + 15, 6, reversePicture, 0.0f);
    revTypeButton = button(32 + 53, 7, revTypePicture, 1.0f);
    tempoText = readout(Rect(175, 144, 196, 154), 0, tempoString);
    divText = readout(Rect(13, 129, 34, 139), 3, divisorString);
    multText = readout(Rect(38, 129, 59, 139), 4, multiplierString);
    feedbackText = readout(Rect(63, 129, 84, 139), 1, percentString);
    outposText = readout(Rect(88, 129, 109, 139), 5, outposString);
    volumeText = readout(Rect(113, 129, 134, 139), 2, percentString);
    return 1;
}

void DelayPanel::close()
{
    delete rootView;
    rootView = nullptr;
    tempoFader = nullptr;
    divFader = multFader = feedbackFader = volumeFader = outposFader = nullptr;
    reverseButton = revTypeButton = nullptr;
    divText = multText = feedbackText = volumeText = outposText = tempoText = nullptr;
    for (Picture** p : {&slotPicture, &hSlotPicture, &handlePicture, &reversePicture, &revTypePicture}) {
        if (*p)
            (*p)->release();
        *p = nullptr;
    }
}

void DelayPanel::setParameter(VstInt32 index, float)
{
    // Release: the effect's new value is visible to the editor thread that takes the bit.
    if (index >= 0 && index < parameterCount)
        changedParameters.fetch_or(1u << index, std::memory_order_acq_rel);
    requestRefresh();
}

void DelayPanel::refresh()
{
    const std::uint32_t changed = changedParameters.exchange(0, std::memory_order_acq_rel);
    if (!rootView)
        return; // the next open reads every value anyway
    for (VstInt32 index = 0; index < parameterCount; ++index) {
        if (changed & (1u << index))
            showParameter(index);
    }
}

void DelayPanel::showParameter(VstInt32 index)
{
    ValueWidget* shows[2] = {};
    switch (index) {
    case 0:
        shows[0] = tempoFader, shows[1] = tempoText;
        break;
    case 1:
        shows[0] = feedbackFader, shows[1] = feedbackText;
        break;
    case 2:
        shows[0] = volumeFader, shows[1] = volumeText;
        break;
    case 3:
        shows[0] = divFader, shows[1] = divText;
        break;
    case 4:
        shows[0] = multFader, shows[1] = multText;
        break;
    case 5:
        shows[0] = outposFader, shows[1] = outposText;
        break;
    case 6:
        shows[0] = reverseButton;
        break;
    default:
        shows[0] = revTypeButton;
        break;
    }
    const float value = effect->getParameter(index);
    for (ValueWidget* widget : shows) {
        if (widget)
            widget->setValue(value);
    }
}

void DelayPanel::valueChanged(DrawPort& port, ValueWidget* widget)
{
    const std::int32_t tag = widget->getTag();
    if (tag < 0 || tag >= parameterCount)
        return;
    link.parameterEdited(tag, widget->getValue());
    widget->update(port);
}
