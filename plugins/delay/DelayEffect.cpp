#include "DelayEffect.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "DenormalGuard.h"
#include "EditorBase.h"
#include "Module.h"

namespace {

using ombrisk::parameters;

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

// The delay that the tempo, divisor, multiplier and lag parameters make.
struct DelayShape {
    VstInt32 bpm;
    VstInt32 divisor;
    VstInt32 multiplier;
    VstInt32 steps;
    VstInt32 length;
};

DelayShape shapeOf(float delay, float div, float mult, float outpos, VstInt32 bufferLength)
{
    DelayShape shape{};
    shape.divisor = parameters[ombrisk::divisor].step(div);
    shape.multiplier = parameters[ombrisk::multiplier].step(mult);
    shape.steps = parameters[ombrisk::readLag].step(outpos);
    shape.bpm = parameters[ombrisk::tempo].step(delay);
    const VstInt32 barSamples = (240000 / shape.bpm) * 44;
    shape.length = std::min((barSamples / shape.divisor) * shape.multiplier, bufferLength - 1);
    return shape;
}

// DelayEffect::changes: bits 0-1 hold the playback mode set last, bits 2-19 the alternate
// length taken when parameter 6 was set; bit 20 asks the audio thread to place the read
// position anew, bit 21 to start the alternate phase again with that length, bit 22 to clear
// the ring (a suspend).
constexpr std::uint32_t modeBits = 0x3u;
constexpr int altLengthShift = 2;
constexpr std::uint32_t altLengthBits = 0x3ffffu << altLengthShift;
constexpr std::uint32_t placeRequest = 1u << 20;
constexpr std::uint32_t restartRequest = 1u << 21;
constexpr std::uint32_t clearRequest = 1u << 22;
constexpr std::uint32_t requests = placeRequest | restartRequest | clearRequest;

VstInt32 modeOf(std::uint32_t word)
{
    return static_cast<VstInt32>(word & modeBits);
}

VstInt32 altLengthOf(std::uint32_t word)
{
    return static_cast<VstInt32>((word & altLengthBits) >> altLengthShift);
}

// Replaces the bits under mask with bits in one step, so that no other thread's change
// comes between reading and writing the word.
void publish(std::atomic<std::uint32_t>& word, std::uint32_t mask, std::uint32_t bits)
{
    std::uint32_t old = word.load(std::memory_order_relaxed);
    while (!word.compare_exchange_weak(old, (old & ~mask) | bits, std::memory_order_release,
                                       std::memory_order_relaxed)) {
    }
}

// What the kernels write into the ring: held within the float range, and zero below its
// normal range where the processor does not flush denormals itself, so that echoes die away
// instead of holding the smallest denormals for ever.
constexpr double ringTop = FLT_MAX;
float ringSample(double sum)
{
    const auto sample = static_cast<float>(std::clamp(sum, -ringTop, ringTop));
    if (!DenormalGuard::flushesDenormals && std::fabs(sample) < FLT_MIN)
        return 0.0f;
    return sample;
}

// Whether the kernel may run four samples at a time and still read exactly what one at a time
// would: no sample may read a position written by an earlier sample of its own four. Forward
// that happens when the write position leads by one to three samples; backward where the
// read and write positions cross within the chunk.
bool fourAtATime(bool backward, VstInt32 w, VstInt32 r, VstInt32 n)
{
    if (backward)
        return r - w < 1 || r - w > 2 * (n - n % 4) - 3;
    return w - r < 1 || w - r > 3;
}

} // namespace

DelayEffect::DelayEffect(audioMasterCallback callback)
    : EffectBaseExt(callback, numDelayPrograms, numDelayParams)
{
    buffer = new (std::nothrow) float[bufferLength];
    programs = new (std::nothrow) DelayProgram[numDelayPrograms];
    if (!buffer || !programs) {
        markConstructionFailed();
        return;
    }
    setProgram(0);
    updateDelay();
    setNumInputs(1);
    setNumOutputs(2);
    setFlagHasVu(true);
    setFlagCanReplacing(true);
    setUniqueID(fourCharCode("Ombr"));
    suspend();
    // No audio runs yet: the engine starts with the defaults in place.
    applyChanges();
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
        case ombrisk::tempo:
            delayParam = value;
            updateDelay();
            break;
        case ombrisk::feedback:
            feedback = value;
            break;
        case ombrisk::volume:
            volume = value;
            break;
        case ombrisk::divisor:
            divParam = value;
            updateDelay();
            break;
        case ombrisk::multiplier:
            multParam = value;
            updateDelay();
            break;
        case ombrisk::readLag:
            outposParam = value;
            updateDelay();
            break;
        case ombrisk::reverse:
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
        editor->setParameter(index, value);
}

float DelayEffect::getParameter(VstInt32 index)
{
    switch (index) {
    case ombrisk::tempo:
        return delayParam;
    case ombrisk::feedback:
        return feedback;
    case ombrisk::volume:
        return volume;
    case ombrisk::divisor:
        return divParam;
    case ombrisk::multiplier:
        return multParam;
    case ombrisk::readLag:
        return outposParam;
    case ombrisk::reverse:
        return reverseParam;
    case ombrisk::reverseType:
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
        std::strcpy(label, parameters[index].label);
}

void DelayEffect::getParamDisplay(VstInt32 index, char* text)
{
    switch (index) {
    case ombrisk::tempo:
        formatInteger(bpm, text);
        break;
    case ombrisk::feedback:
        formatFloat(feedback, text);
        break;
    case ombrisk::volume:
        formatDecibel(volume, text);
        break;
    case ombrisk::divisor:
        formatInteger(divisor, text);
        break;
    case ombrisk::multiplier:
        formatInteger(multiplier, text);
        break;
    case ombrisk::readLag:
        formatInteger(outposSteps, text);
        break;
    case ombrisk::reverse:
        formatInteger(playbackMode(), text);
        break;
    case ombrisk::reverseType:
        formatInteger(revType, text);
        break;
    default:
        break;
    }
}

void DelayEffect::getParamName(VstInt32 index, char* text)
{
    if (isParam(index))
        std::strcpy(text, parameters[index].name);
}

float DelayEffect::getVu()
{
    return peak.exchange(0.0f);
}

// A host may switch the plug-in off while a block still runs: the ring is cleared by the
// audio thread, before its next block.
void DelayEffect::suspend()
{
    changes.fetch_or(clearRequest, std::memory_order_release);
}

void DelayEffect::setReverseMode(float value, float delay, float div, float mult)
{
    VstInt32 mode = truncated(value, normal, reverse);
    if (revType > 0 && value > 0.0f)
        mode = alternate;
    updateDelay();
    // The mode travels with a request to place the read position again, since where it goes
    // depends on the mode.
    const DelayShape shape = shapeOf(delay, div, mult, outposParam, bufferLength);
    publish(changes, modeBits | altLengthBits,
            static_cast<std::uint32_t>(mode) |
                static_cast<std::uint32_t>(shape.length) << altLengthShift | placeRequest |
                restartRequest);
}

void DelayEffect::setReverseType(float value)
{
    revType = truncated(value, 0, 1);
    if (reverseParam > 0.0f)
        publish(changes, modeBits, value > 0.0f ? alternate : reverse);
}

void DelayEffect::updateDelay()
{
    // Another thread may set one of the shape's parameters while this one derives it. Each
    // setting counts itself before deriving, and a derivation that saw the count move runs
    // again: whichever thread writes last writes a shape made of every value set before.
    std::uint32_t seen = shapeSettings.fetch_add(1) + 1;
    for (;;) {
        const DelayShape shape = shapeOf(delayParam, divParam, multParam, outposParam,
                                         bufferLength);
        divisor = shape.divisor;
        multiplier = shape.multiplier;
        outposSteps = shape.steps;
        bpm = shape.bpm;
        const std::uint32_t now = shapeSettings.load();
        if (now == seen)
            break;
        seen = now;
    }
    changes.fetch_or(placeRequest, std::memory_order_release);
}

VstInt32 DelayEffect::playbackMode() const
{
    return modeOf(changes.load(std::memory_order_acquire));
}

void DelayEffect::applyChanges()
{
    std::uint32_t word = changes.load(std::memory_order_acquire);
    if ((word & requests) != 0)
        word = changes.fetch_and(~requests, std::memory_order_acq_rel);
    if ((word & clearRequest) != 0)
        std::fill(buffer, buffer + bufferLength, 0.0f);
    reverseMode = modeOf(word);
    if ((word & restartRequest) != 0)
        altPhase = 1;
    if ((word & placeRequest) != 0)
        placeReadPos();
    if ((word & restartRequest) != 0)
        altLength = altLengthOf(word);
}

void DelayEffect::placeReadPos()
{
    const DelayShape shape = shapeOf(delayParam.load(std::memory_order_relaxed),
                                     divParam.load(std::memory_order_relaxed),
                                     multParam.load(std::memory_order_relaxed),
                                     outposParam.load(std::memory_order_relaxed), bufferLength);
    const VstInt32 length = shape.length;
    const VstInt32 lag = (shape.steps * length) / 32;
    VstInt32 position = writePos - length - lag;
    if (position < 0)
        position = writePos - length;
    if (position < 0) {
        // Normal mode runs through the whole buffer, so the ring keeps the delay shown; the
        // backward modes run within the first delayLength samples and start at their top.
        position = reverseMode == normal ? position + bufferLength : length - 1;
    }
    delayLength = length;
    readPos = position;
}

void DelayEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    const DenormalGuard guard;
    runBlock<true>(inputs, outputs, sampleFrames);
}

void DelayEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    const DenormalGuard guard;
    runBlock<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void DelayEffect::runBlock(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (!buffer)
        return;
    applyChanges();
    if (sampleFrames <= 0 || !inputs || !outputs || !inputs[0] || !outputs[0] || !outputs[1])
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
        if (reverseMode == reverse) {
            advance(backwardChunk<accumulate>(input, output0, output1, remaining));
        } else if (reverseMode == alternate) {
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
                placeReadPos();
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
// the same memory for input and outputs. A NaN or infinite input is silence and sums are held
// within the float range, so the ring only ever holds finite samples and one bad sample cannot
// make every later echo NaN. Four samples go at a time where that reads the same ring samples
// as one at a time; the arithmetic of each sample is the same either way.
template <bool backward, bool accumulate>
void DelayEffect::runKernel(const float* input, float* output0, float* output1, VstInt32 w,
                            VstInt32 r, VstInt32 n)
{
    // The compilers' vector types: SSE on x86, plain code where there is none.
    using Floats = float __attribute__((vector_size(16)));
    using Doubles = double __attribute__((vector_size(32)));
    using Masks = std::int32_t __attribute__((vector_size(16)));
    constexpr float top = FLT_MAX;

    const float gain = volume.load(std::memory_order_relaxed);
    const double loop = feedback.load(std::memory_order_relaxed);
    float* const write = buffer + w;
    const float* const read = buffer + r;
    float level = 0.0f;
    VstInt32 i = 0;
    if (fourAtATime(backward, w, r, n)) {
        Floats levels{};
        for (; i + 4 <= n; i += 4) {
            Floats x, stored, o0{}, o1{};
            std::memcpy(&x, input + i, sizeof x);
            if constexpr (accumulate) {
                std::memcpy(&o0, output0 + i, sizeof o0);
                std::memcpy(&o1, output1 + i, sizeof o1);
            }
            if constexpr (backward) {
                std::memcpy(&stored, read - i - 3, sizeof stored);
                stored = __builtin_shufflevector(stored, stored, 3, 2, 1, 0);
            } else {
                std::memcpy(&stored, read + i, sizeof stored);
            }
            // x - x is zero exactly when x is finite.
            const Masks finite = x - x == 0.0f;
            x = (Floats)((Masks)x & finite);
            const Floats y = gain * stored;
            levels = y > levels ? y : levels;
            const Doubles sum = __builtin_convertvector(x, Doubles) +
                                loop * __builtin_convertvector(y, Doubles);
            // Rounding a sum beyond the float range gives infinity, held here at the edge as
            // ringSample holds the sum itself.
            Floats written = __builtin_convertvector(sum, Floats);
            written = written < top ? written : top;
            written = written > -top ? written : -top;
            if constexpr (!DenormalGuard::flushesDenormals) {
                const Masks large = written >= FLT_MIN || written <= -FLT_MIN;
                written = (Floats)((Masks)written & large);
            }
            std::memcpy(write + i, &written, sizeof written);
            const Floats out0 = accumulate ? o0 + y : y;
            const Floats out1 = accumulate ? o1 + y : y;
            std::memcpy(output0 + i, &out0, sizeof out0);
            std::memcpy(output1 + i, &out1, sizeof out1);
        }
        for (int lane = 0; lane < 4; ++lane)
            if (levels[lane] > level)
                level = levels[lane];
    }
    for (; i < n; ++i) {
        const float x = std::isfinite(input[i]) ? input[i] : 0.0f;
        float o0 = 0.0f;
        float o1 = 0.0f;
        if constexpr (accumulate) {
            o0 = output0[i];
            o1 = output1[i];
        }
        const float y = gain * (backward ? read[-i] : read[i]);
        if (y > level)
            level = y;
        write[i] = ringSample(static_cast<double>(x) + loop * static_cast<double>(y));
        output0[i] = accumulate ? o0 + y : y;
        output1[i] = accumulate ? o1 + y : y;
    }
    // The host thread may take the peak meanwhile: raise it only if this chunk went higher.
    float current = peak.load(std::memory_order_relaxed);
    while (level > current &&
           !peak.compare_exchange_weak(current, level, std::memory_order_relaxed)) {
    }
}
