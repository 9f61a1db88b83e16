#include "TestPanel.h"

#include "TestWidgets.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/widgets/PopupChoice.h"
#include "gui/widgets/TextField.h"

#include "EffectBase.h"

#include <new>

using namespace gui;

TestPanel::TestPanel(EffectBase* edited) : GuiEditorBase(edited) {
    // The size is known before the host asks, without loading anything.
    rect.top = 0;
    rect.left = 0;
    rect.bottom = 290;
    rect.right = 568;
}

TestPanel::~TestPanel() {
    close();
}

VstInt32 TestPanel::open(void* parent) {
    GuiEditorBase::open(parent);
    if (rootView) return 1;
    background = new (std::nothrow) Picture(backgroundId);
    toggleFrames = new (std::nothrow) Picture(toggleId);
    handle = new (std::nothrow) Picture(handleId);
    rootView = new (std::nothrow) RootView(Rect(0, 0, rect.right, rect.bottom), parent, this);
    if (!rootView || !background || !toggleFrames || !handle) {
        close();
        return 0;
    }
    rootView->setBackground(background);
    toggle = new (std::nothrow) ToggleWidget(Rect(40, 40, 72, 72), this, 0, toggleFrames);
    fader = new (std::nothrow) FaderWidget(Rect(120, 30, 144, 230), this, 1, handle);
    readout = new (std::nothrow) ReadoutWidget(Rect(200, 40, 360, 60), "Level");
    pad = new (std::nothrow) PressPad(Rect(400, 200, 440, 240), this, 2);
    field = new (std::nothrow) TextField(Rect(200, 100, 330, 120), this, 3, "abc", nullptr, 0);
    choice = new (std::nothrow) PopupChoice(Rect(200, 150, 300, 168), this, 4, nullptr, nullptr, styleCheckCurrent);
    if (field) {
        field->setTextColour(blackColour);
        field->setBackColour(Colour{240, 240, 220, 0});
        field->setFrameColour(greyColour);
    }
    if (choice) {
        for (const char* entry : {"Low", "-", "Mid", "High"}) choice->addEntry(entry);
        choice->setBackColour(Colour{30, 30, 60, 0});
    }
    for (Widget* w : {static_cast<Widget*>(toggle), static_cast<Widget*>(fader), static_cast<Widget*>(readout),
                      static_cast<Widget*>(pad), static_cast<Widget*>(field), static_cast<Widget*>(choice)}) {
        if (w && !rootView->addWidget(w)) delete w;
    }
    if (toggle) toggle->setValue(effect->getParameter(0));
    if (fader) fader->setValue(effect->getParameter(1));
    if (readout) readout->setValue(effect->getParameter(1));
    if (pad) pad->setValue(effect->getParameter(2));
    return 1;
}

void TestPanel::close() {
    delete rootView;
    rootView = nullptr;
    toggle = nullptr;
    fader = nullptr;
    readout = nullptr;
    pad = nullptr;
    field = nullptr;
    choice = nullptr;
    for (Picture** p : {&background, &toggleFrames, &handle}) {
        if (*p) (*p)->release();
        *p = nullptr;
    }
}

void TestPanel::setParameter(VstInt32 index, float value) {
    GuiEditorBase::setParameter(index, value);
    if (index == 0 && toggle) toggle->setValue(value);
    if (index == 1 && fader) fader->setValue(value);
    if (index == 1 && readout) readout->setValue(value);
    if (index == 2 && pad) pad->setValue(value);
}

void TestPanel::valueChanged(std::int32_t tag, float value) {
    effect->setParameterAndAutomate(tag, value);
}

void TestPanel::valueChanged(DrawPort& port, ValueWidget* widget) {
    char text[256] = {};
    if (widget == field) field->getText(text);
    if (widget == choice) choice->getCurrent(text);
    if (widget == field || widget == choice) texts.push_back(std::to_string(widget->getTag()) + ":" + text);
    else effect->setParameterAndAutomate(widget->getTag(), widget->getValue());
    widget->update(port);
}
