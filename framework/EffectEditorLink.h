// The editor link of a VST 2 effect: an edit sets the parameter and reports it to the host.
#pragma once

#include "EditorLink.h"

class EffectBase;

class EffectEditorLink : public EditorLink {
public:
    explicit EffectEditorLink(EffectBase& edited) : effect(edited) {}
    void parameterEdited(VstInt32 index, float value) override;

protected:
    EffectBase& effect;
};
