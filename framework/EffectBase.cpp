#include "EffectBase.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "EditorBase.h"

namespace {

EffectBase* effectOf(AEffect* effect)
{
    return effect ? static_cast<EffectBase*>(effect->object) : nullptr;
}

// The record's entry points. None lets an exception reach the host: a failing call answers 0.

// Host thread. effClose destroys the object after close(), whatever it answered.
VstIntPtr dispatcherEntry(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                          void* ptr, float opt)
{
    EffectBase* object = effectOf(effect);
    if (!object)
        return 0;
    if (opcode == effClose) {
        try {
            object->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        try {
            delete object;
        } catch (...) {
        }
        return 1;
    }
    try {
        return object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

// Audio thread.
void processEntry(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (EffectBase* object = effectOf(effect)) {
        try {
            object->process(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

// Audio thread.
void processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                           VstInt32 sampleFrames)
{
    if (EffectBase* object = effectOf(effect)) {
        try {
            object->processReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

// Host thread (automation) or audio thread, as the host chooses.
void setParameterEntry(AEffect* effect, VstInt32 index, float value)
{
    if (EffectBase* object = effectOf(effect)) {
        try {
            object->setParameter(index, value);
        } catch (...) {
        }
    }
}

// Host thread.
float getParameterEntry(AEffect* effect, VstInt32 index)
{
    if (EffectBase* object = effectOf(effect)) {
        try {
            return object->getParameter(index);
        } catch (...) {
        }
    }
    return 0.0f;
}

// A count or size the host passes in a pointer-sized value; out-of-range values are refused.
bool fitsInt32(VstIntPtr value)
{
    return value >= std::numeric_limits<VstInt32>::min() &&
           value <= std::numeric_limits<VstInt32>::max();
}

constexpr char hugeText[] = " Huge!  ";

// The digit of x: trunc(fmod(x, 10)) as a character.
char digitOf(double x)
{
    return static_cast<char>('0' + static_cast<int>(std::trunc(std::fmod(x, 10.0))));
}

} // namespace

EffectBase::EffectBase(audioMasterCallback callback, VstInt32 programCount, VstInt32 paramCount)
    : hostCallback(callback), numPrograms(programCount), numParams(paramCount)
{
    std::memset(&record, 0, sizeof record);
    record.magic = kEffectMagic;
    record.dispatcher = dispatcherEntry;
    record.process = processEntry;
    record.setParameter = setParameterEntry;
    record.getParameter = getParameterEntry;
    record.numPrograms = programCount;
    record.numParams = paramCount;
    record.numInputs = 1;
    record.numOutputs = 2;
    record.ioRatio = 1.0f;
    record.object = this;
    record.uniqueID = fourCharCode("NoEf");
    record.version = 1;
    record.processReplacing = processReplacingEntry;
}

EffectBase::~EffectBase()
{
    delete editor;
}

void EffectBase::setParameter(VstInt32 /*index*/, float /*value*/) {}

float EffectBase::getParameter(VstInt32 /*index*/)
{
    return 0.0f;
}

void EffectBase::setParameterAndAutomate(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float** /*inputs*/, float** /*outputs*/,
                                  VstInt32 /*sampleFrames*/)
{
}

VstIntPtr EffectBase::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt)
{
    auto text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text)
            setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text)
            getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text)
            getParamLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text)
            getParamDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text)
            getParamName(index, text);
        return 0;
    case effGetVu: {
        // A peak beyond the integer range saturates; a NaN peak reads as silence.
        const double scaled = std::trunc(static_cast<double>(getVu()) * 32767.0);
        if (std::isnan(scaled))
            return 0;
        constexpr double top = std::numeric_limits<VstInt32>::max();
        constexpr double bottom = std::numeric_limits<VstInt32>::min();
        return static_cast<VstIntPtr>(scaled > top ? top : scaled < bottom ? bottom : scaled);
    }
    case effSetSampleRate:
        if (std::isfinite(opt) && opt > 0.0f)
            setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        if (value > 0 && fitsInt32(value))
            setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return editor ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effIdentify:
        return fourCharCode("NvEf");
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        if (!ptr || value < 0 || !fitsInt32(value))
            return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

void EffectBase::open() {}

void EffectBase::close() {}

VstInt32 EffectBase::getProgram()
{
    return curProgram;
}

void EffectBase::setProgram(VstInt32 program)
{
    curProgram = program;
}

void EffectBase::setProgramName(char* /*name*/) {}

void EffectBase::getProgramName(char* name)
{
    name[0] = '\0';
}

void EffectBase::getParamLabel(VstInt32 /*index*/, char* label)
{
    label[0] = '\0';
}

void EffectBase::getParamDisplay(VstInt32 /*index*/, char* text)
{
    text[0] = '\0';
}

void EffectBase::getParamName(VstInt32 /*index*/, char* text)
{
    text[0] = '\0';
}

float EffectBase::getVu()
{
    return 0.0f;
}

VstInt32 EffectBase::getChunk(void** /*data*/, bool /*isPreset*/)
{
    return 0;
}

VstInt32 EffectBase::setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/)
{
    return 0;
}

void EffectBase::setSampleRate(float rate)
{
    sampleRate = rate;
}

void EffectBase::setBlockSize(VstInt32 size)
{
    blockSize = size;
}

void EffectBase::suspend() {}

void EffectBase::resume() {}

void EffectBase::setUniqueID(VstInt32 id)
{
    record.uniqueID = id;
}

void EffectBase::setNumInputs(VstInt32 count)
{
    record.numInputs = count;
}

void EffectBase::setNumOutputs(VstInt32 count)
{
    record.numOutputs = count;
}

void EffectBase::setFlagHasVu(bool state)
{
    setFlag(effFlagsHasVu, state);
}

void EffectBase::setFlagHasClip(bool state)
{
    setFlag(effFlagsHasClip, state);
}

void EffectBase::setFlagCanMono(bool state)
{
    setFlag(effFlagsCanMono, state);
}

void EffectBase::setFlagCanReplacing(bool state)
{
    setFlag(effFlagsCanReplacing, state);
}

void EffectBase::setFlagProgramChunks(bool state)
{
    setFlag(effFlagsProgramChunks, state);
}

void EffectBase::setRealQualities(VstInt32 value)
{
    record.realQualities = value;
}

void EffectBase::setOffQualities(VstInt32 value)
{
    record.offQualities = value;
}

void EffectBase::setInitialDelay(VstInt32 samples)
{
    record.initialDelay = samples;
}

float EffectBase::getSampleRate()
{
    return sampleRate;
}

VstInt32 EffectBase::getBlockSize()
{
    return blockSize;
}

VstInt32 EffectBase::hostVersion()
{
    const VstIntPtr answer = callHost(audioMasterVersion);
    return answer == 0 || !fitsInt32(answer) ? 1 : static_cast<VstInt32>(answer);
}

VstInt32 EffectBase::hostCurrentId()
{
    const VstIntPtr answer = callHost(audioMasterCurrentId);
    return fitsInt32(answer) ? static_cast<VstInt32>(answer) : 0;
}

void EffectBase::hostIdle()
{
    callHost(audioMasterIdle);
}

bool EffectBase::hostInputPinConnected(VstInt32 index)
{
    return callHost(audioMasterPinConnected, index, 0) == 0;
}

bool EffectBase::hostOutputPinConnected(VstInt32 index)
{
    return callHost(audioMasterPinConnected, index, 1) == 0;
}

void EffectBase::formatDecibel(float value, char* text)
{
    if (value <= 0.0f) {
        std::strcpy(text, "  -oo   ");
        return;
    }
    formatFloat(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

void EffectBase::formatHertz(float samples, char* text)
{
    if (samples == 0.0f) {
        formatFloat(0.0f, text);
        return;
    }
    formatFloat(static_cast<float>(static_cast<double>(getSampleRate()) / samples), text);
}

void EffectBase::formatMilliseconds(float samples, char* text)
{
    formatFloat(static_cast<float>(static_cast<double>(samples) * 1000.0 /
                                   static_cast<double>(getSampleRate())),
                text);
}

// Eight characters, integer digits first, decimals truncated (never rounded up). Values
// whose integer digits would not fit in eight characters show " Huge!  ", so no digit is
// ever dropped from the front.
void EffectBase::formatFloat(float value, char* text)
{
    if (std::isnan(value)) {
        std::strcpy(text, "  NaN   ");
        return;
    }
    double v = value;
    const bool negative = v < 0.0;
    if (negative)
        v = -v;
    if (v >= (negative ? 1000000.0 : 10000000.0)) {
        std::strcpy(text, hugeText);
        return;
    }

    char integerPart[10];
    int first = sizeof integerPart - 1;
    integerPart[first] = '.';
    int used = negative ? 3 : 2;
    double ip = std::floor(v);
    integerPart[--first] = digitOf(ip);
    ip *= 0.1;
    while (ip >= 1.0 && used < 8) {
        integerPart[--first] = digitOf(ip);
        ip *= 0.1;
        ++used;
    }
    if (negative)
        integerPart[--first] = '-';

    char result[9];
    const int integerLength = static_cast<int>(sizeof integerPart) - first;
    std::memcpy(result, integerPart + first, static_cast<std::size_t>(integerLength));
    const int decimals = 8 - used;
    double f = std::fmod(v, 1.0) * std::pow(10.0, decimals);
    for (int i = decimals - 1; i >= 0; --i) {
        if (f <= 0.0) {
            result[integerLength + i] = '0';
        } else {
            result[integerLength + i] = digitOf(f);
            f *= 0.1;
        }
    }
    result[integerLength + decimals] = '\0';
    std::memcpy(text, result, static_cast<std::size_t>(integerLength + decimals + 1));
}

// "%7d", right-aligned; anything that needs more than eight characters shows " Huge!  ".
void EffectBase::formatInteger(VstInt32 value, char* text)
{
    if (value >= 100000000 || value <= -10000000) {
        std::strcpy(text, hugeText);
        return;
    }
    char result[12];
    std::snprintf(result, sizeof result, "%7d", static_cast<int>(value));
    std::memcpy(text, result, std::strlen(result) + 1);
}

void EffectBase::setEditor(EditorBase* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstIntPtr EffectBase::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt)
{
    return hostCallback ? hostCallback(&record, opcode, index, value, ptr, opt) : 0;
}

void EffectBase::setFlag(VstInt32 flag, bool state)
{
    if (state)
        record.flags |= flag;
    else
        record.flags &= ~flag;
}
