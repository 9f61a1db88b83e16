// A VST 2 effect with three faults a validator must catch, for plughost validate's tests:
// - its one-pole filter keeps a NaN input in its state for ever, so the output stays NaN;
// - its chunk saves the gain but not the tone, so a restored instance sounds different;
// - it trusts the host's parameter index, so a name asked for out of range crashes it.
// Otherwise it is an ordinary mono-in, stereo-out effect with two parameters.
#include "AEffect.h"

#include <cstdio>
#include <cstring>

namespace {

struct Broken {
    AEffect record {};
    float gain = 0.5f;
    float tone = 0.5f;
    float state = 0.0f;
    unsigned char chunk[8] = {};
};

Broken* self(AEffect* effect)
{
    return static_cast<Broken*>(effect->object);
}

VstIntPtr dispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float)
{
    Broken* broken = self(effect);
    const char* const names[] = {"Gain", "Tone", nullptr};
    switch (opcode) {
    case effClose:
        delete broken;
        return 1;
    case effGetParamName:
        // No range check: an index past the table reaches its null end.
        std::strcpy(static_cast<char*>(ptr), names[index < 0 || index > 1 ? 2 : index]);
        return 0;
    case effGetParamDisplay:
        if (index >= 0 && index < 2)
            std::snprintf(static_cast<char*>(ptr), 8, "%.3f", static_cast<double>(index == 0 ? broken->gain : broken->tone));
        return 0;
    case effMainsChanged:
        broken->state = 0.0f;
        return 0;
    case effGetChunk:
        std::memcpy(broken->chunk, "BRKN", 4);
        std::memcpy(broken->chunk + 4, &broken->gain, sizeof(float));
        *static_cast<void**>(ptr) = broken->chunk;
        return sizeof broken->chunk;
    case effSetChunk:
        if (value != sizeof broken->chunk || ptr == nullptr || std::memcmp(ptr, "BRKN", 4) != 0)
            return 0;
        std::memcpy(&broken->gain, static_cast<const unsigned char*>(ptr) + 4, sizeof(float));
        return 1;
    default:
        return 0;
    }
}

void setParameter(AEffect* effect, VstInt32 index, float value)
{
    if (index == 0)
        self(effect)->gain = value;
    else if (index == 1)
        self(effect)->tone = value;
}

float getParameter(AEffect* effect, VstInt32 index)
{
    return index == 0 ? self(effect)->gain : index == 1 ? self(effect)->tone : 0.0f;
}

void processReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    Broken* broken = self(effect);
    const float pole = 0.2f + 0.7f * broken->tone;
    for (VstInt32 i = 0; i < frames; ++i) {
        broken->state = pole * broken->state + (1.0f - pole) * inputs[0][i];
        outputs[0][i] = outputs[1][i] = 2.0f * broken->gain * broken->state;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host)
{
    if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto* broken = new Broken;
    AEffect& r = broken->record;
    r.magic = kEffectMagic;
    r.dispatcher = dispatcher;
    r.setParameter = setParameter;
    r.getParameter = getParameter;
    r.processReplacing = processReplacing;
    r.numParams = 2;
    r.numInputs = 1;
    r.numOutputs = 2;
    r.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    r.ioRatio = 1.0f;
    r.object = broken;
    r.uniqueID = fourCharCode("BrKn");
    r.version = 1;
    return &r;
}
