#include "DelayEffect.h"

#include <algorithm>
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

} // namespace

DelayEffect::DelayEffect(audioMasterCallback callback)
    : EffectBaseExt(callback, numDelayPrograms, numDelayParams)
{
    programs = new (std::nothrow) DelayProgram[numDelayPrograms];
    if (!line.allocated() || !programs) {
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
        line.clear();
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
    const VstInt32 writePos = line.writePos;
    VstInt32 position = writePos - length - lag;
    if (position < 0)
        position = writePos - length;
    if (position < 0) {
        // Normal mode runs through the whole buffer, so the ring keeps the delay shown; the
        // backward modes run within the first delayLength samples and start at their top.
        position = reverseMode == normal ? position + bufferLength : length - 1;
    }
    delayLength = length;
    line.readPos = position;
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
    if (!line.allocated())
        return;
    applyChanges();
    if (sampleFrames <= 0 || !inputs || !outputs || !inputs[0] || !outputs[0] || !outputs[1])
        return;
    DelayLine::Io io{inputs[0], outputs[0], outputs[1]};
    VstInt32 remaining = sampleFrames;
    DelayLine::Gains gains{0.0f, 0.0, 0.0f};
    // Each chunk takes the volume and feedback of its moment.
    const auto take = [&]() -> DelayLine::Gains& {
        gains.volume = volume.load(std::memory_order_relaxed);
        gains.feedback = feedback.load(std::memory_order_relaxed);
        return gains;
    };
    const auto advance = [&](VstInt32 n) {
        io.advance(n);
        remaining -= n;
    };

    while (remaining > 0) {
        if (reverseMode == reverse) {
            advance(line.backward<accumulate>(io, remaining, delayLength, take()));
        } else if (reverseMode == alternate) {
            if (altPhase == 0) {
                const VstInt32 n = line.ringForward<accumulate>(io, remaining, delayLength, take());
                advance(n);
                altCount += n;
                if (altCount >= altLength) {
                    altPhase = 1;
                    altCount = 0;
                }
            }
            if (altPhase == 1) {
                const VstInt32 n = line.backward<accumulate>(io, remaining, delayLength, take());
                advance(n);
                altCount += n;
                if (altCount >= altLength) {
                    altPhase = 0;
                    altCount = 0;
                    // Forward, the ring plays as a delay of its whole length: the next sample
                    // read is the one about to be overwritten.
                    line.readPos = line.writePos;
                }
            }
        } else {
            if constexpr (accumulate)
                placeReadPos();
            advance(line.forward<accumulate>(io, remaining, take()));
        }
    }
    // The host thread may take the peak meanwhile: raise it only if this block went higher.
    float current = peak.load(std::memory_order_relaxed);
    while (gains.level > current &&
           !peak.compare_exchange_weak(current, gains.level, std::memory_order_relaxed)) {
    }
}
