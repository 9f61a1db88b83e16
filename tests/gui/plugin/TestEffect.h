#pragma once
// The test plug-in's effect: two parameters (a switch and a level) applied as a gain, and a
// third that records the buttons of the editor's last press.
#include "EffectBaseExt.h"

class TestEffect : public EffectBaseExt {
public:
    explicit TestEffect(audioMasterCallback host);
    // Host or editor thread.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Audio thread.
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

private:
    float parameters[3] = {0.0f, 0.5f, 0.0f};
};
