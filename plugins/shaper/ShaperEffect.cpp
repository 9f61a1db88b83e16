#include "ShaperEffect.h"

#include "DenormalGuard.h"
#include "EditorBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// The float nearest 1/3000: a glide covers its distance in about 3000 samples.
constexpr float glideRate = 0.00033333333f;
constexpr double glideDeadZone = 0.01;

bool validIndex(VstInt32 index) { return index >= 0 && index < ShaperEffect::numParameters; }

bool gliding(float cutoff, float target) { return std::fabs(cutoff - target) > glideDeadZone; }

// ShaperEffect::pendingChanges: a new target for each glide, a filter mode that changed at
// least once (which clears the filters' state even when it changed back), and a suspend.
constexpr std::uint32_t preTargetSet = 1u << 0;
constexpr std::uint32_t postTargetSet = 1u << 1;
constexpr std::uint32_t preModeChanged = 1u << 2;
constexpr std::uint32_t postModeChanged = 1u << 3;
constexpr std::uint32_t suspended = 1u << 4;

using Coefficients = ToneFilter::Coefficients;

// A filter's state, held in locals for a block so that writes to the output buffers cannot
// force it to be reloaded on every sample; it goes back to the filter at the end.
struct FilterState {
    explicit FilterState(ToneFilter& f) : filter(f), z1(f.stateZ1()), z2(f.stateZ2()) {}
    ~FilterState() { filter.setState(z1, z2); }
    FilterState(const FilterState&) = delete;
    FilterState& operator=(const FilterState&) = delete;
    ToneFilter& filter;
    float z1, z2;
};

// Same arithmetic as ToneFilter::tick.
inline float tick(const Coefficients& k, FilterState& s, float x)
{
    const float w = x - k.b1 * s.z1 - k.b2 * s.z2;
    const float y = k.a0 * w + k.a1 * s.z1 + k.a2 * s.z2;
    s.z2 = s.z1;
    s.z1 = w;
    return y;
}

struct Settings {
    const float* const* inputs;
    float* const* outputs;
    const float* table;
    const float* slope;
    float preGain;
    float postGain;
    float dry;
};

// Whether every sample of a channel's block is finite, checked four at a time (x - x is zero
// exactly for finite x) so that clean blocks, nearly all of them, cost next to nothing more.
bool allFinite(const float* x, VstInt32 n)
{
    using Floats = float __attribute__((vector_size(16)));
    using Masks = std::int32_t __attribute__((vector_size(16)));
    Masks finite = {-1, -1, -1, -1};
    VstInt32 i = 0;
    for (; i + 4 <= n; i += 4) {
        Floats v;
        std::memcpy(&v, x + i, sizeof v);
        finite &= v - v == 0.0f;
    }
    bool all = (finite[0] & finite[1] & finite[2] & finite[3]) != 0;
    for (; i < n; ++i)
        all = all && std::isfinite(x[i]);
    return all;
}

// One sample of one channel: pre filter, gain, odd-symmetric table lookup, post filter, gain,
// and the mix with the raw input. The careful chain takes a NaN or infinite input as silence.
template <bool careful>
inline float shapeSample(float input, const Coefficients& preK, FilterState& pre, const Coefficients& postK,
                         FilterState& post, const Settings& s)
{
    float x = input;
    if constexpr (careful)
        x = std::isfinite(x) ? x : 0.0f;
    const float g = tick(preK, pre, x) * s.preGain;
    // g >= 0 takes the positive path, anything else (NaN included) the negative one.
    const bool negative = !(g >= 0.0f);
    float a = negative ? -g : g;
    a = a < 1.0f ? a : 1.0f;  // drives beyond full scale, and NaN, read the last entry
    const float p = a * 1023.0f;
    const int i = static_cast<int>(p);
    float shaped = (p - static_cast<float>(i)) * s.slope[i] + s.table[i];
    if (negative)
        shaped = -shaped;
    const float level = tick(postK, post, shaped) * s.postGain;
    // Beyond full scale on the path's own side the wet share is limited; the other side is not.
    const float wet = 1.0f - s.dry;
    if (!negative && level > 1.0f)
        return s.dry * x + wet;
    if (negative && level < -1.0f)
        return s.dry * x - wet;
    return wet * level + s.dry * x;
}

// The four filters' states of a block.
struct Channels {
    FilterState preLeft, postLeft, preRight, postRight;
};

// One stereo frame: the left channel, then the right one.
template <bool accumulate, bool careful>
inline void shapeFrame(VstInt32 i, const Coefficients& preLeftK, const Coefficients& postLeftK,
                       const Coefficients& preRightK, const Coefficients& postRightK, Channels& c,
                       const Settings& s)
{
    const float left = shapeSample<careful>(s.inputs[0][i], preLeftK, c.preLeft, postLeftK, c.postLeft, s);
    if constexpr (accumulate)
        s.outputs[0][i] += left;
    else
        s.outputs[0][i] = left;
    const float right = shapeSample<careful>(s.inputs[1][i], preRightK, c.preRight, postRightK, c.postRight, s);
    if constexpr (accumulate)
        s.outputs[1][i] += right;
    else
        s.outputs[1][i] = right;
}

// One side's cutoff glide, run in locals for a block.
struct Glide {
    bool active() const { return gliding(cutoff, target); }

    // Whether each of the next n steps glides (the cutoff is that far from its target) and
    // stays inside 0..1, where the table index needs no limits. The margin covers the rounding
    // of n additions and of the final subtraction.
    bool surelyGlides(VstInt32 n) const
    {
        const double c = cutoff, t = target, s = std::fabs(static_cast<double>(step));
        const double margin = n * s + (n + 2) * 1e-6 * (std::fabs(c) + std::fabs(t) + n * s + 1.0);
        return std::fabs(c - t) > glideDeadZone + margin && c - margin >= 0.0 && c + margin < 1.0;
    }
    // One step on. Within 0..1 a glide stops short of its target; far outside, a step can be
    // too coarse, or the sum too rounded, to land within 0.01 of it, and the glide would run
    // past it for ever, towards an infinite and then NaN cutoff that no later target brings
    // back. A step that passes the target ends the glide on it.
    float advanced(float from) const
    {
        const float next = from + step;
        if ((step > 0.0f && next > target) || (step < 0.0f && next < target))
            return target;
        return next;
    }
    // Whether the cutoff rests inside 0..1.
    bool rests() const { return !active() && cutoff >= 0.0f && cutoff < 1.0f; }

    // Writes the table entry that each of the next n frames uses and advances the glide past
    // them, one step after each frame while it has not arrived.
    void plan(const Coefficients* table, const Coefficients** entries, VstInt32 n)
    {
        for (VstInt32 j = 0; j < n; ++j) {
            entries[j] = table + ToneFilter::tableIndex(cutoff);
            if (active()) {
                cutoff = advanced(cutoff);
                moved = true;
            }
        }
    }

    float cutoff;
    const float target;
    const float step;
    bool moved = false;
};

// Table index of a cutoff known to lie inside 0..1.
inline int indexInRange(float cutoff)
{
    return static_cast<int>(static_cast<double>(cutoff) * ToneFilter::tableSize);
}

// Runs frames while either cutoff glides, in stretches whose table entries are worked out
// first, so that the glide's arithmetic stays off the filters' critical path. Where both sides
// either glide through the whole stretch or rest, both cutoffs advance together with no tests;
// otherwise step by step. Answers the number of frames processed.
template <bool accumulate, bool careful>
VstInt32 runGliding(Glide& pre, Glide& post, const Coefficients* preTable,
                    const Coefficients* postTable, Channels& channels, const Settings& settings,
                    VstInt32 frames)
{
    constexpr VstInt32 stretch = 64;
    VstInt32 done = 0;
    while (done < frames && (pre.active() || post.active())) {
        const VstInt32 n = std::min(stretch, frames - done);
        const Coefficients* preEntry[stretch];
        const Coefficients* postEntry[stretch];
        const bool preGlides = pre.surelyGlides(n), postGlides = post.surelyGlides(n);
        if ((preGlides || pre.rests()) && (postGlides || post.rests())) {
            // Adding zero leaves a resting cutoff as it is.
            const float preStep = preGlides ? pre.step : 0.0f;
            const float postStep = postGlides ? post.step : 0.0f;
            float preCutoff = pre.cutoff, postCutoff = post.cutoff;
            for (VstInt32 j = 0; j < n; ++j) {
                preEntry[j] = preTable + indexInRange(preCutoff);
                postEntry[j] = postTable + indexInRange(postCutoff);
                preCutoff = preCutoff + preStep;
                postCutoff = postCutoff + postStep;
            }
            pre.cutoff = preCutoff;
            post.cutoff = postCutoff;
            pre.moved = pre.moved || preGlides;
            post.moved = post.moved || postGlides;
        } else {
            pre.plan(preTable, preEntry, n);
            post.plan(postTable, postEntry, n);
        }
        for (VstInt32 j = 0; j < n; ++j) {
            // Copies: to the compiler the left output store might alias the table entries,
            // which would make it load them again for the right channel.
            const Coefficients preK = *preEntry[j];
            const Coefficients postK = *postEntry[j];
            shapeFrame<accumulate, careful>(done + j, preK, postK, preK, postK, channels, settings);
        }
        done += n;
    }
    return done;
}

}  // namespace

ShaperEffect::ShaperEffect(audioMasterCallback callback)
    : EffectBaseExt(callback, 0, numParameters), shapes(ShapeTable{}), filterTables(FilterTables{})
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
    tablesRate = rate;
    rebuildShapeTable();
    for (VstInt32 index = 1; index < numParameters; ++index)
        setParameter(index, vorlane::parameters[index].defaultValue);
    std::strcpy(programName, "Init");
    // No audio runs yet: the engine starts with all of it in place.
    applyChanges();
}

ShaperEffect::~ShaperEffect() = default;

void ShaperEffect::rebuildShapeTable()
{
    // The editor (a point dragged) and the host (a chunk, automation of parameter 0) may ask
    // at once, and the table offered last wins: one sampled from older points but offered
    // later would leave the sound on the older curve. So one of them builds, from the newest
    // points, until nobody asks any more, and the other returns at once.
    if (std::int64_t(curve.revision()) == shapeTableRevision.load())
        return;
    shapeTableWanted.store(true);
    while (shapeTableWanted.load()) {
        if (shapeTableBuilding.exchange(true))
            return;
        if (shapeTableWanted.exchange(false)) {
            // Read before sampling: the points sampled are at least this revision's.
            const std::uint32_t revision = curve.revision();
            ShapeTable built;
            curve.fillTable(built.table, shapeTableSize);
            for (int i = 0; i < shapeTableSize - 1; ++i)
                built.slope[i] = built.table[i + 1] - built.table[i];
            built.slope[shapeTableSize - 1] = 0.0f;
            shapes.offer(built);
            shapeTableRevision.store(revision);
        }
        shapeTableBuilding.store(false);
    }
}

void ShaperEffect::setParameter(VstInt32 index, float value)
{
    if (!std::isfinite(value))
        return;
    if (index == vorlane::shaper) {
        rebuildShapeTable();
    } else if (index > 0 && index < numParameters) {
        const float previous = paramValues[index - 1].exchange(value);
        std::uint32_t changes = 0;
        if (index == vorlane::preFilter)
            changes = preTargetSet;
        else if (index == vorlane::postFilter)
            changes = postTargetSet;
        else if (index == vorlane::preSwitch && (previous != 0.0f) != (value != 0.0f))
            changes = preModeChanged;
        else if (index == vorlane::postSwitch && (previous != 0.0f) != (value != 0.0f))
            changes = postModeChanged;
        if (changes != 0)
            pendingChanges.fetch_or(changes, std::memory_order_release);
    }
    if (editor)
        editor->setParameter(index, value);
}

float ShaperEffect::getParameter(VstInt32 index)
{
    if (index >= 1 && index < numParameters)
        return paramValues[index - 1];
    return 0.0f;
}

void ShaperEffect::applyChanges()
{
    if (FilterTables* fresh = filterTables.take()) {
        ToneFilter* filters[] = {&preFilterLeft, &postFilterLeft, &preFilterRight, &postFilterRight};
        for (size_t k = 0; k < fresh->size(); ++k)
            (*fresh)[k] = filters[k]->swapTables(std::move((*fresh)[k]));
    }
    shapes.take();
    const auto value = [this](VstInt32 index) { return paramValues[index - 1].load(std::memory_order_relaxed); };
    preGainFactor = 2.0f * value(vorlane::preGain);
    postGainFactor = 2.0f * value(vorlane::postGain);
    dryShare = value(vorlane::dryWet);
    if (pendingChanges.load(std::memory_order_relaxed) == 0)
        return;
    const std::uint32_t changes = pendingChanges.exchange(0, std::memory_order_acquire);
    // Each glide's step is worked out from the cutoff where the glide starts.
    if ((changes & preTargetSet) != 0) {
        preTarget = value(vorlane::preFilter);
        preStep = (preTarget - preCutoff) * glideRate;
    }
    if ((changes & postTargetSet) != 0) {
        postTarget = value(vorlane::postFilter);
        postStep = (postTarget - postCutoff) * glideRate;
    }
    if ((changes & preModeChanged) != 0) {
        const int mode = value(vorlane::preSwitch) != 0.0f ? 1 : 0;
        for (ToneFilter* filter : {&preFilterLeft, &preFilterRight}) {
            filter->reset();
            filter->setMode(mode);
        }
    }
    if ((changes & postModeChanged) != 0) {
        const int mode = value(vorlane::postSwitch) != 0.0f ? 1 : 0;
        for (ToneFilter* filter : {&postFilterLeft, &postFilterRight}) {
            filter->reset();
            filter->setMode(mode);
        }
    }
    if ((changes & suspended) != 0) {
        for (ToneFilter* filter : {&preFilterLeft, &postFilterLeft, &preFilterRight, &postFilterRight})
            filter->reset();
    }
}

void ShaperEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    const DenormalGuard guard;
    run<true>(inputs, outputs, sampleFrames);
}

void ShaperEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    const DenormalGuard guard;
    run<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void ShaperEffect::run(float** inputs, float** outputs, VstInt32 frames)
{
    applyChanges();
    const bool buffersValid = inputs && outputs && inputs[0] && inputs[1] && outputs[0] && outputs[1];
    if (buffersValid && frames > 0) {
        if (allFinite(inputs[0], frames) && allFinite(inputs[1], frames))
            runFrames<accumulate, false>(inputs, outputs, frames);
        else
            runFrames<accumulate, true>(inputs, outputs, frames);
    }
    preFilterLeft.flushDenormals();
    postFilterLeft.flushDenormals();
    preFilterRight.flushDenormals();
    postFilterRight.flushDenormals();
}

template <bool accumulate, bool careful>
void ShaperEffect::runFrames(float** inputs, float** outputs, VstInt32 frames)
{
    const float* const in[2] = {inputs[0], inputs[1]};
    float* const out[2] = {outputs[0], outputs[1]};
    const ShapeTable& shape = shapes.value();
    const Settings settings{in, out, shape.table, shape.slope, preGainFactor, postGainFactor, dryShare};
    Channels channels{FilterState(preFilterLeft), FilterState(postFilterLeft),
                      FilterState(preFilterRight), FilterState(postFilterRight)};
    VstInt32 done = 0;
    Glide pre{preCutoff, preTarget, preStep};
    Glide post{postCutoff, postTarget, postStep};
    if (pre.active() || post.active()) {
        // Both channels' filters hold identical tables; gliding through one copy halves
        // the cache traffic.
        done = runGliding<accumulate, careful>(pre, post, preFilterLeft.currentTable(),
                                               postFilterLeft.currentTable(), channels, settings, frames);
        if (pre.moved) {
            preCutoff = pre.cutoff;
            preFilterLeft.setCutoff(pre.cutoff);
            preFilterRight.setCutoff(pre.cutoff);
        }
        if (post.moved) {
            postCutoff = post.cutoff;
            postFilterRight.setCutoff(post.cutoff);
            postFilterLeft.setCutoff(post.cutoff);
        }
    }
    const Coefficients preLeft = preFilterLeft.coefficients();
    const Coefficients postLeft = postFilterLeft.coefficients();
    const Coefficients preRight = preFilterRight.coefficients();
    const Coefficients postRight = postFilterRight.coefficients();
    for (VstInt32 i = done; i < frames; ++i)
        shapeFrame<accumulate, careful>(i, preLeft, postLeft, preRight, postRight, channels, settings);
}

void ShaperEffect::setSampleRate(float rate)
{
    const double fs = rate;
    if (!(std::fabs(fs - tablesRate) > 1.0))
        return;
    const auto first = ToneFilter::buildTables(fs);
    if (!first)
        return;
    // All four filters hold the same values in tables of their own.
    FilterTables built;
    for (auto& tables : built)
        tables = std::make_unique<ToneFilter::Tables>(*first);
    tablesRate = fs;
    filterTables.offer(std::move(built));
}

// A host may switch the plug-in off while a block still runs: the filters are cleared by the
// audio thread, before its next block.
void ShaperEffect::suspend()
{
    pendingChanges.fetch_or(suspended, std::memory_order_release);
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
        std::strcpy(label, vorlane::parameters[index].label);
}

void ShaperEffect::getParamName(VstInt32 index, char* text)
{
    if (text && validIndex(index))
        std::strcpy(text, vorlane::parameters[index].name);
}

void ShaperEffect::getParamDisplay(VstInt32 index, char* text)
{
    if (!text || !validIndex(index))
        return;
    const float v = getParameter(index);
    switch (index) {
    case vorlane::shaper:
        std::strcpy(text, "-special-");
        break;
    case vorlane::preGain:
    case vorlane::postGain:
        formatDecibel(2.0f * v, text);
        break;
    case vorlane::preFilter:
    case vorlane::postFilter:
        formatFloat(v, text);
        break;
    case vorlane::preSwitch:
    case vorlane::postSwitch:
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

vorlane::ShaperState ShaperEffect::state()
{
    // One copy of the points: the editor may be moving them.
    const ShaperCurve::Shape shape = curve.shape();
    vorlane::ShaperState state;
    state.points = shape.points;
    state.count = shape.count;
    for (VstInt32 index = 1; index < numParameters; ++index)
        state.values[index - 1] = getParameter(index);
    return state;
}

void ShaperEffect::setState(const vorlane::ShaperState& state)
{
    curve.setPoints(state.points.data(), state.count);
    rebuildShapeTable();
    for (VstInt32 index = 1; index < numParameters; ++index)
        setParameter(index, state.values[index - 1]);
    if (editor)
        editor->requestRefresh();
}

VstInt32 ShaperEffect::getChunk(void** data, bool)
{
    if (!data)
        return 0;
    const vorlane::ShaperState current = state();
    const VstInt32 size = vorlane::chunkSize(current.count);
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size]);
    if (!buffer)
        return 0;
    vorlane::encodeChunk(current, buffer.get());
    chunkBuffer = std::move(buffer);
    *data = chunkBuffer.get();
    return size;
}

VstInt32 ShaperEffect::setChunk(void* data, VstInt32 byteSize, bool)
{
    vorlane::ShaperState read;
    if (byteSize < 0 || !vorlane::decodeChunk(data, static_cast<std::size_t>(byteSize), read))
        return 0;
    setState(read);
    return 1;
}
