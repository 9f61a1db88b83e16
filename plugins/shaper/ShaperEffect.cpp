#include "ShaperEffect.h"

#include "EditorBase.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

static_assert(std::endian::native == std::endian::little, "the chunk is stored little-endian");

namespace {

constexpr char chunkHeader[ShaperEffect::chunkHeaderSize] = "Vorlane v1.0";
// The float nearest 1/3000: a glide covers its distance in about 3000 samples.
constexpr float glideRate = 0.00033333333f;
constexpr double glideDeadZone = 0.01;

const char* const parameterNames[ShaperEffect::numParameters] = {
    "Shaper", "PreGain", "PreFilter", "PostGain", "PostFilter", "PreSwitch", "PostSwitch", "DryWet",
};
const char* const parameterLabels[ShaperEffect::numParameters] = {
    "", "dB", "Hz", "dB", "Hz", "", "", "% wet",
};

bool validIndex(VstInt32 index) { return index >= 0 && index < ShaperEffect::numParameters; }

bool gliding(float cutoff, float target) { return std::fabs(cutoff - target) > glideDeadZone; }

// A filter's coefficients and state held in locals for a block, so that writes to the output
// buffers cannot force them to be reloaded on every sample.
struct Section {
    explicit Section(const ToneFilter& f)
    {
        loadCoefficients(f);
        z1 = f.stateZ1();
        z2 = f.stateZ2();
    }
    void loadCoefficients(const ToneFilter& f)
    {
        const ToneFilter::Coefficients c = f.coefficients();
        a0 = c.a0;
        a1 = c.a1;
        a2 = c.a2;
        b1 = c.b1;
        b2 = c.b2;
    }
    // Same arithmetic as ToneFilter::tick.
    float tick(float x)
    {
        const float w = x - b1 * z1 - b2 * z2;
        const float y = a0 * w + a1 * z1 + a2 * z2;
        z2 = z1;
        z1 = w;
        return y;
    }
    float a0, a1, a2, b1, b2, z1, z2;
};

struct Settings {
    const float* table;
    const float* slope;
    float preGain;
    float postGain;
    float dry;
};

// One sample of one channel: pre filter, gain, odd-symmetric table lookup, post filter, gain,
// and the mix with the raw input.
inline float shapeSample(float x, Section& pre, Section& post, const Settings& s)
{
    const float g = pre.tick(x) * s.preGain;
    // g >= 0 takes the positive path, anything else (NaN included) the negative one.
    const bool negative = !(g >= 0.0f);
    float a = negative ? -g : g;
    a = a < 1.0f ? a : 1.0f;  // drives beyond full scale, and NaN, read the last entry
    const float p = a * 1023.0f;
    const int i = static_cast<int>(p);
    float shaped = (p - static_cast<float>(i)) * s.slope[i] + s.table[i];
    if (negative)
        shaped = -shaped;
    const float level = post.tick(shaped) * s.postGain;
    const float wet = 1.0f - s.dry;
    if (!negative && level > 1.0f)
        return s.dry * x + wet;
    if (negative && level < -1.0f)
        return s.dry * x - wet;
    return wet * level + s.dry * x;
}

float readFloat(const unsigned char* at)
{
    float v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

void writeFloat(unsigned char* at, float v) { std::memcpy(at, &v, sizeof v); }

}  // namespace

ShaperEffect::ShaperEffect(audioMasterCallback callback)
    : EffectBaseExt(callback, 0, numParameters),
      shapeTable(std::make_unique<float[]>(shapeTableSize)),
      shapeSlope(std::make_unique<float[]>(shapeTableSize))
{
    setUniqueID(fourCharCode("Vorl"));
    setNumInputs(2);
    setNumOutputs(2);
    setFlagCanMono(true);
    setFlagCanReplacing(true);
    setFlagProgramChunks(true);
    const double rate = getSampleRate();
    preFilterLeft.setSampleRate(rate);
    preFilterRight.setSampleRate(rate);
    postFilterLeft.setSampleRate(rate);
    postFilterRight.setSampleRate(rate);
    rebuildShapeTable();
    for (VstInt32 index = 1; index <= 4; ++index)
        setParameter(index, 0.5f);
    for (VstInt32 index = 5; index <= 7; ++index)
        setParameter(index, 0.0f);
    std::strcpy(programName, "Init");
}

ShaperEffect::~ShaperEffect() = default;

void ShaperEffect::rebuildShapeTable()
{
    curve.fillTable(shapeTable.get(), shapeTableSize);
    for (int i = 0; i < shapeTableSize - 1; ++i)
        shapeSlope[i] = shapeTable[i + 1] - shapeTable[i];
    shapeSlope[shapeTableSize - 1] = 0.0f;
}

void ShaperEffect::setParameter(VstInt32 index, float value)
{
    if (!std::isfinite(value))
        return;
    switch (index) {
    case 0:
        rebuildShapeTable();
        break;
    case 1:
        preGainFactor = 2.0f * value;
        break;
    case 2:
        preTarget = value;
        preStep = (value - preCutoff) * glideRate;
        break;
    case 3:
        postGainFactor = 2.0f * value;
        break;
    case 4:
        postTarget = value;
        postStep = (value - postCutoff) * glideRate;
        break;
    case 5:
        preFilterLeft.setMode(value != 0.0f ? 1 : 0);
        preFilterRight.setMode(value != 0.0f ? 1 : 0);
        break;
    case 6:
        postFilterLeft.setMode(value != 0.0f ? 1 : 0);
        postFilterRight.setMode(value != 0.0f ? 1 : 0);
        break;
    case 7:
        dryShare = value;
        break;
    default:
        break;
    }
    if (index >= 1 && index < numParameters)
        paramValues[index - 1] = value;
    if (editor)
        editor->requestRefresh();
}

float ShaperEffect::getParameter(VstInt32 index)
{
    if (index >= 1 && index < numParameters)
        return paramValues[index - 1];
    return 0.0f;
}

void ShaperEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    run<true>(inputs, outputs, sampleFrames);
}

void ShaperEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    run<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void ShaperEffect::run(float** inputs, float** outputs, VstInt32 frames)
{
    const bool buffersValid = inputs && outputs && inputs[0] && inputs[1] && outputs[0] && outputs[1];
    if (buffersValid && frames > 0) {
        const Settings settings{shapeTable.get(), shapeSlope.get(), preGainFactor, postGainFactor,
                                dryShare};
        Section preLeft(preFilterLeft), postLeft(postFilterLeft);
        Section preRight(preFilterRight), postRight(postFilterRight);
        const float* inLeft = inputs[0];
        const float* inRight = inputs[1];
        float* outLeft = outputs[0];
        float* outRight = outputs[1];

        const auto frame = [&](VstInt32 i) {
            const float left = shapeSample(inLeft[i], preLeft, postLeft, settings);
            if constexpr (accumulate)
                outLeft[i] += left;
            else
                outLeft[i] = left;
            const float right = shapeSample(inRight[i], preRight, postRight, settings);
            if constexpr (accumulate)
                outRight[i] += right;
            else
                outRight[i] = right;
        };

        if (gliding(preCutoff, preTarget) || gliding(postCutoff, postTarget)) {
            for (VstInt32 i = 0; i < frames; ++i) {
                frame(i);
                if (gliding(preCutoff, preTarget)) {
                    preCutoff = preCutoff + preStep;
                    preFilterLeft.setCutoff(preCutoff);
                    preFilterRight.setCutoff(preCutoff);
                    preLeft.loadCoefficients(preFilterLeft);
                    preRight.loadCoefficients(preFilterRight);
                }
                if (gliding(postCutoff, postTarget)) {
                    postCutoff = postCutoff + postStep;
                    postFilterRight.setCutoff(postCutoff);
                    postFilterLeft.setCutoff(postCutoff);
                    postLeft.loadCoefficients(postFilterLeft);
                    postRight.loadCoefficients(postFilterRight);
                }
            }
        } else {
            for (VstInt32 i = 0; i < frames; ++i)
                frame(i);
        }
        preFilterLeft.setState(preLeft.z1, preLeft.z2);
        postFilterLeft.setState(postLeft.z1, postLeft.z2);
        preFilterRight.setState(preRight.z1, preRight.z2);
        postFilterRight.setState(postRight.z1, postRight.z2);
    }
    preFilterLeft.flushDenormals();
    postFilterLeft.flushDenormals();
    preFilterRight.flushDenormals();
    postFilterRight.flushDenormals();
}

void ShaperEffect::setSampleRate(float rate)
{
    preFilterLeft.setSampleRate(rate);
    postFilterLeft.setSampleRate(rate);
    preFilterRight.setSampleRate(rate);
    postFilterRight.setSampleRate(rate);
}

void ShaperEffect::suspend()
{
    preFilterLeft.reset();
    postFilterLeft.reset();
    preFilterRight.reset();
    postFilterRight.reset();
}

void ShaperEffect::setProgram(VstInt32) {}

void ShaperEffect::setProgramName(char* name)
{
    if (!name)
        return;
    // Longer names are cut to what the buffer holds.
    std::strncpy(programName, name, sizeof programName - 1);
    programName[sizeof programName - 1] = '\0';
}

void ShaperEffect::getProgramName(char* name)
{
    if (name)
        std::strcpy(name, programName);
}

void ShaperEffect::getParamLabel(VstInt32 index, char* label)
{
    if (label && validIndex(index))
        std::strcpy(label, parameterLabels[index]);
}

void ShaperEffect::getParamName(VstInt32 index, char* text)
{
    if (text && validIndex(index))
        std::strcpy(text, parameterNames[index]);
}

void ShaperEffect::getParamDisplay(VstInt32 index, char* text)
{
    if (!text || !validIndex(index))
        return;
    const float v = getParameter(index);
    switch (index) {
    case 0:
        std::strcpy(text, "-special-");
        break;
    case 1:
    case 3:
        formatDecibel(2.0f * v, text);
        break;
    case 2:
    case 4:
        formatFloat(v, text);
        break;
    case 5:
    case 6:
        std::strcpy(text, v == 0.0f ? "LP" : "HP");
        break;
    default: {
        // The value is the dry share; the label promises the wet share, in whole percent.
        const double wet = std::round(100.0 * (1.0 - static_cast<double>(v)));
        formatInteger(static_cast<VstInt32>(std::clamp(wet, -9999999.0, 100000000.0)), text);
        break;
    }
    }
}

VstInt32 ShaperEffect::getChunk(void** data, bool)
{
    if (!data)
        return 0;
    const int count = curve.getCount();
    const VstInt32 size = chunkSize(count);
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size]);
    if (!buffer)
        return 0;
    unsigned char* at = buffer.get();
    std::memcpy(at, chunkHeader, chunkHeaderSize);
    at += chunkHeaderSize;
    const std::int32_t n = count;
    std::memcpy(at, &n, sizeof n);
    at += sizeof n;
    const CurvePoint* points = curve.getPoints();
    for (int i = 0; i < count; ++i, at += 8) {
        writeFloat(at, points[i].x);
        writeFloat(at + 4, points[i].y);
    }
    for (VstInt32 index = 1; index < numParameters; ++index, at += 4)
        writeFloat(at, getParameter(index));
    chunkBuffer = std::move(buffer);
    *data = chunkBuffer.get();
    return size;
}

VstInt32 ShaperEffect::setChunk(void* data, VstInt32 byteSize, bool)
{
    // Everything is read and checked before anything changes: the bytes come from the host.
    if (!data || byteSize < chunkFixedSize)
        return 0;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (std::memcmp(bytes, chunkHeader, chunkHeaderSize) != 0)
        return 0;
    std::int32_t n;
    std::memcpy(&n, bytes + chunkHeaderSize, sizeof n);
    if (n < 0 || n > ShaperCurve::maxPoints || byteSize < chunkSize(n))
        return 0;

    CurvePoint points[ShaperCurve::maxPoints];
    const unsigned char* at = bytes + chunkHeaderSize + sizeof n;
    for (int i = 0; i < n; ++i, at += 8) {
        points[i] = {readFloat(at), readFloat(at + 4)};
        if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y))
            return 0;
    }
    float values[numParameters - 1];
    for (float& v : values) {
        v = readFloat(at);
        at += 4;
        if (!std::isfinite(v))
            return 0;
    }

    curve.setPoints(points, n);
    rebuildShapeTable();
    for (VstInt32 index = 1; index < numParameters; ++index)
        setParameter(index, values[index - 1]);
    if (editor)
        editor->requestRefresh();
    return 1;
}
