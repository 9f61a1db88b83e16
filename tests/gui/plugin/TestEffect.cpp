#include "TestEffect.h"

#include "TestPanel.h"

#include "Module.h"

#include <cmath>
#include <new>

TestEffect::TestEffect(audioMasterCallback host) : EffectBaseExt(host, 1, 3) {
    setUniqueID(0x47756954); // 'GuiT'
    setNumInputs(1);
    setNumOutputs(2);
    setFlagCanReplacing(true);
    if (!new (std::nothrow) TestPanel(this)) markConstructionFailed();
}

void TestEffect::setParameter(VstInt32 index, float value) {
    if (index < 0 || index > 2 || !std::isfinite(value)) return;
    parameters[index] = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    if (editor) {
        editor->requestRefresh();
        static_cast<TestPanel*>(editor)->setParameter(index, parameters[index]);
    }
}

float TestEffect::getParameter(VstInt32 index) {
    return index >= 0 && index <= 2 ? parameters[index] : 0.0f;
}

void TestEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    const float gain = parameters[0] > 0.5f ? parameters[1] : 0.0f;
    for (VstInt32 i = 0; i < sampleFrames; ++i) {
        outputs[0][i] += inputs[0][i] * gain;
        outputs[1][i] += inputs[0][i] * gain;
    }
}

void TestEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    const float gain = parameters[0] > 0.5f ? parameters[1] : 0.0f;
    for (VstInt32 i = 0; i < sampleFrames; ++i) {
        outputs[0][i] = inputs[0][i] * gain;
        outputs[1][i] = inputs[0][i] * gain;
    }
}

EffectBase* createEffectInstance(audioMasterCallback host) {
    return new (std::nothrow) TestEffect(host);
}
