#include "DelayEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "EditorBase.h"
#include "Module.h"

namespace {

constexpr const char* paramNames[] = {" delay  ", "fiidbk", " volume ", " div ",
                                      " mult ",   "outpos<-", "reverse", "norm/alt"};
constexpr const char* paramLabels[] = {"bpm ", " <-<- ", " ->-> ", "/ x ",
                                       "* x",  ".!.",    "reverse", "rev type"};

bool isParam(VstInt32 index)
{
    return index >= 0 && index < DelayEffect::numDelayParams;
}

// Truncates toward zero in double precision and keeps the result within [low, high], so that
// no value reaching the engine can make a divisor zero or a position leave the buffer.
VstInt32 truncated(double x, VstInt32 low, VstInt32 high)
{
    if (!(x >= low))
        return low;
    if (x >= high)
        return high;
    return static_cast<VstInt32>(x);
}

// Samples from p to the end of the ring of the given length; a position left beyond the
// ring by normal mode may run on to the end of the buffer.
VstInt32 ringRoom(VstInt32 p, VstInt32 length, VstInt32 bufferLength)
{
    return p < length ? length - p : bufferLength - p;
}

// Advances p by n within the ring; a position beyond it comes back one length at a time.
VstInt32 ringAdvance(VstInt32 p, VstInt32 n, VstInt32 length)
{
    return p + n >= length ? p + n - length : p + n;
}

} // namespace

DelayEffect::DelayEffect(audioMasterCallback callback)
    : EffectBaseExt(callback, numDelayPrograms, numDelayParams)
{
    buffer = new (std::nothrow) float[bufferLength];
    programs = new (std::nothrow) DelayProgram[numDelayPrograms];
    if (!buffer || !programs) {
        constructionFailed = true;
        return;
    }
    setProgram(0);
    updateDelay(delayParam, divParam, multParam);
    setNumInputs(1);
    setNumOutputs(2);
    setFlagHasVu(true);
    setFlagCanReplacing(true);
    setUniqueID(fourCharCode("Ombr"));
    suspend();
}

DelayEffect::~DelayEffect()
{
    delete[] programs;
    delete[] buffer;
}

void DelayEffect::setParameter(VstInt32 index, float value)
{
    if (!std::isfinite(value))
        return;
    value = std::clamp(value, 0.0f, 1.0f);
    if (isParam(index) && programs) {
        programs[curProgram].values[index] = value;
        switch (index) {
        case 0:
            delayParam = value;
            updateDelay(delayParam, divParam, multParam);
            break;
        case 1:
            feedback = value;
            break;
        case 2:
            volume = value;
            break;
        case 3:
            divParam = value;
            updateDelay(delayParam, divParam, multParam);
            break;
        case 4:
            multParam = value;
            updateDelay(delayParam, divParam, multParam);
            break;
        case 5:
            outposParam = value;
            updateDelay(delayParam, divParam, multParam);
            break;
        case 6:
            reverseParam = value;
            setReverseMode(value, delayParam, divParam, multParam);
            break;
        default:
            revTypeParam = value;
            setReverseType(value);
            break;
        }
    }
    if (editor)
        editor->requestRefresh();
}

float DelayEffect::getParameter(VstInt32 index)
{
    switch (index) {
    case 0:
        return delayParam;
    case 1:
        return feedback;
    case 2:
        return volume;
    case 3:
        return divParam;
    case 4:
        return multParam;
    case 5:
        return outposParam;
    case 6:
        return reverseParam;
    case 7:
        return revTypeParam;
    default:
        return 0.0f;
    }
}

void DelayEffect::setProgram(VstInt32 program)
{
    if (program < 0 || program >= numDelayPrograms || !programs)
        return;
    curProgram = program;
    for (VstInt32 i = 0; i < numDelayParams; ++i)
        setParameter(i, programs[program].values[i]);
}

void DelayEffect::setProgramName(char* name)
{
    if (!name || !programs)
        return;
    char* stored = programs[curProgram].name;
    const std::size_t length = strnlen(name, sizeof programs[curProgram].name - 1);
    std::memcpy(stored, name, length);
    stored[length] = '\0';
}

void DelayEffect::getProgramName(char* name)
{
    if (!name || !programs)
        return;
    const char* stored = programs[curProgram].name;
    if (std::strcmp(stored, "Init") == 0)
        std::snprintf(name, sizeof programs[curProgram].name, "Init %d",
                      static_cast<int>(curProgram + 1));
    else
        std::strcpy(name, stored);
}

void DelayEffect::getParamLabel(VstInt32 index, char* label)
{
    if (isParam(index))
        std::strcpy(label, paramLabels[index]);
}

void DelayEffect::getParamDisplay(VstInt32 index, char* text)
{
    switch (index) {
    case 0:
        formatInteger(bpm, text);
        break;
    case 1:
        formatFloat(feedback, text);
        break;
    case 2:
        formatDecibel(volume, text);
        break;
    case 3:
        formatInteger(divisor, text);
        break;
    case 4:
        formatInteger(multiplier, text);
        break;
    case 5:
        formatInteger(outposSteps, text);
        break;
    case 6:
        formatInteger(reverseMode, text);
        break;
    case 7:
        formatInteger(revType, text);
        break;
    default:
        break;
    }
}

void DelayEffect::getParamName(VstInt32 index, char* text)
{
    if (isParam(index))
        std::strcpy(text, paramNames[index]);
}

float DelayEffect::getVu()
{
    const float level = peak;
    peak = 0.0f;
    return level;
}

void DelayEffect::suspend()
{
    if (buffer)
        std::fill(buffer, buffer + bufferLength, 0.0f);
}

void DelayEffect::setReverseMode(float value, float delay, float div, float mult)
{
    VstInt32 mode = truncated(value, normal, reverse);
    if (revType > 0 && value > 0.0f)
        mode = alternate;
    reverseMode = mode;
    altPhase = 1;
    updateDelay(delay, div, mult);
    altLength = delayLength;
}

void DelayEffect::setReverseType(float value)
{
    revType = truncated(value, 0, 1);
    if (reverseParam > 0.0f)
        reverseMode = value > 0.0f ? alternate : reverse;
}

// Host thread (parameter changes) or audio thread (process in normal mode). Every field is
// written once, from locals, so the audio thread never sees a position outside the buffer.
void DelayEffect::updateDelay(float delay, float div, float mult)
{
    const VstInt32 newDivisor = truncated(static_cast<double>(div) * 31.0 + 1.0, 1, 32);
    const VstInt32 newMultiplier = truncated(static_cast<double>(mult) * 15.0 + 1.0, 1, 16);
    const VstInt32 steps = truncated(static_cast<double>(outposParam) * 32.0, 0, 32);
    const VstInt32 tempo = truncated(static_cast<double>(delay) * 125.0 + 55.0, 55, 180);
    const VstInt32 barSamples = (240000 / tempo) * 44;
    const VstInt32 length = std::min((barSamples / newDivisor) * newMultiplier, bufferLength - 1);

    const VstInt32 w = writePos;
    const VstInt32 lag = (steps * length) / 32;
    VstInt32 position = w - length - lag;
    if (position < 0)
        position = w - length;
    if (position < 0) {
        // Normal mode runs through the whole buffer, so the ring keeps the delay shown; the
        // backward modes run within the first delayLength samples and start at their top.
        position = reverseMode == normal ? position + bufferLength : length - 1;
    }

    divisor = newDivisor;
    multiplier = newMultiplier;
    outposSteps = steps;
    bpm = tempo;
    delayLength = length;
    readPos = position;
}

void DelayEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    runBlock<true>(inputs, outputs, sampleFrames);
}

void DelayEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    runBlock<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void DelayEffect::runBlock(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0 || !buffer || !inputs || !outputs || !inputs[0] || !outputs[0] ||
        !outputs[1])
        return;
    const float* input = inputs[0];
    float* output0 = outputs[0];
    float* output1 = outputs[1];
    VstInt32 remaining = sampleFrames;
    auto advance = [&](VstInt32 n) {
        input += n;
        output0 += n;
        output1 += n;
        remaining -= n;
    };

    while (remaining > 0) {
        const VstInt32 mode = reverseMode;
        if (mode == reverse) {
            advance(backwardChunk<accumulate>(input, output0, output1, remaining));
        } else if (mode == alternate) {
            if (altPhase == 0) {
                const VstInt32 n =
                    ringForwardChunk<accumulate>(input, output0, output1, remaining);
                advance(n);
                altCount += n;
                if (altCount >= altLength) {
                    altPhase = 1;
                    altCount = 0;
                }
            }
            if (altPhase == 1) {
                const VstInt32 n = backwardChunk<accumulate>(input, output0, output1, remaining);
                advance(n);
                altCount += n;
                if (altCount >= altLength) {
                    altPhase = 0;
                    altCount = 0;
                    // Forward, the ring plays as a delay of its whole length: the next sample
                    // read is the one about to be overwritten.
                    readPos = writePos;
                }
            }
        } else {
            if constexpr (accumulate)
                updateDelay(delayParam, divParam, multParam);
            advance(forwardChunk<accumulate>(input, output0, output1, remaining));
        }
    }
}

// Runs up to the end of the buffer for either position; answers the samples done.
template <bool accumulate>
VstInt32 DelayEffect::forwardChunk(const float* input, float* output0, float* output1,
                                   VstInt32 remaining)
{
    const VstInt32 w = writePos;
    const VstInt32 r = readPos;
    const VstInt32 n = std::min({remaining, bufferLength - r, bufferLength - w});
    runKernel<false, accumulate>(input, output0, output1, w, r, n);
    writePos = w + n >= bufferLength ? w + n - bufferLength : w + n;
    readPos = r + n >= bufferLength ? r + n - bufferLength : r + n;
    return n;
}

// Alternate mode's forward phase: reads and writes upward through the same ring of
// delayLength samples as the backward phase, so that both phases play what was written.
template <bool accumulate>
VstInt32 DelayEffect::ringForwardChunk(const float* input, float* output0, float* output1,
                                       VstInt32 remaining)
{
    const VstInt32 w = writePos;
    const VstInt32 r = readPos;
    const VstInt32 length = delayLength;
    const VstInt32 n = std::min(
        {remaining, ringRoom(w, length, bufferLength), ringRoom(r, length, bufferLength)});
    runKernel<false, accumulate>(input, output0, output1, w, r, n);
    writePos = ringAdvance(w, n, length);
    readPos = ringAdvance(r, n, length);
    return n;
}

// Reads downward from readPos to index 0 while writing upward; both wrap at the ring of
// delayLength samples, the same samples 0 to delayLength - 1 for both, so every sample
// written is played once and no stale sample outside the ring is replayed. A write position
// inside the ring ends the chunk at the ring's end; one left beyond it by normal mode comes
// back one delayLength per chunk. Answers the samples done.
template <bool accumulate>
VstInt32 DelayEffect::backwardChunk(const float* input, float* output0, float* output1,
                                    VstInt32 remaining)
{
    const VstInt32 w = writePos;
    const VstInt32 r = readPos;
    const VstInt32 length = delayLength;
    const VstInt32 n = std::min({remaining, r + 1, ringRoom(w, length, bufferLength)});
    runKernel<true, accumulate>(input, output0, output1, w, r, n);
    writePos = ringAdvance(w, n, length);
    readPos = r - n < 0 ? length - 1 : r - n;
    return n;
}

// All inputs and outputs of a sample are read before any is written, so the host may pass
// the same memory for input and outputs.
template <bool backward, bool accumulate>
void DelayEffect::runKernel(const float* input, float* output0, float* output1, VstInt32 w,
                            VstInt32 r, VstInt32 n)
{
    const float gain = volume;
    const double loop = feedback;
    float level = peak;
    float* const write = buffer + w;
    const float* const read = buffer + r;
    for (VstInt32 i = 0; i < n; ++i) {
        const float x = input[i];
        float o0 = 0.0f;
        float o1 = 0.0f;
        if constexpr (accumulate) {
            o0 = output0[i];
            o1 = output1[i];
        }
        const float y = gain * (backward ? read[-i] : read[i]);
        if (y > level)
            level = y;
        write[i] = static_cast<float>(static_cast<double>(x) + loop * static_cast<double>(y));
        output0[i] = accumulate ? o0 + y : y;
        output1[i] = accumulate ? o1 + y : y;
    }
    peak = level;
}
