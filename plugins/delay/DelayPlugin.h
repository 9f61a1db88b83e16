// The plug-in class Ombrisk's main constructs: the delay engine with its editor, to which it
// passes every parameter change.
#pragma once

#include "DelayEffect.h"

class DelayPlugin : public DelayEffect {
public:
    // Host thread (main): without memory for the editor, construction is marked failed and
    // main answers null.
    explicit DelayPlugin(audioMasterCallback callback);
    // Host thread (effClose): the editor goes first, while the effect it reads is whole.
    ~DelayPlugin() override;
    // Any thread that sets parameters: the engine first, then the editor is told.
    void setParameter(VstInt32 index, float value) override;
};
