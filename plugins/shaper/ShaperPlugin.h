// The plug-in class Vorlane's main constructs: the shaper engine with its editor, to which it
// passes every parameter change.
#pragma once

#include "ShaperEffect.h"

class ShaperPlugin : public ShaperEffect {
public:
    // Host thread (main): without memory for the editor, construction is marked failed and
    // main answers null.
    explicit ShaperPlugin(audioMasterCallback callback);
    // Host thread (effClose): the editor goes first, while the effect and curve it reads are
    // whole.
    ~ShaperPlugin() override;
    // Any thread that sets parameters: the engine first, then the editor is told.
    void setParameter(VstInt32 index, float value) override;
};
