#include "ShaperEffect.h"

#include "DenormalGuard.h"
#include "EditorBase.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    const float (*lookup)[2];
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

// Both channels at once, in the lanes of SSE registers, through the same chain in branch-free
// form (runPipelined). Every lane rounds as the one-channel chain rounds, so the two give the
// same samples bit for bit; builds with OV_SCALAR_DSP (and processors without SSE2) run the
// one-channel chain.
#if defined(__SSE2__) && !defined(OV_SCALAR_DSP)
constexpr bool pairedChannels = true;
#else
constexpr bool pairedChannels = false;
#endif

// Four lanes: left and right of the pre filters, then of the post filters (or of two frames).
using Pair = float __attribute__((vector_size(16)));
using PairMask = std::int32_t __attribute__((vector_size(16)));
// One shaper table entry and its slope.
using Two = float __attribute__((vector_size(8)));

// The chain for a whole stretch, both channels and both filters at once: one four-lane tick
// runs the pre filters on frame t (lanes 0 and 1) and the post filters on frame t - lag
// (lanes 2 and 3), whose input, the pre levels shaped, is then long known. The same loop
// shapes those levels and mixes the post lanes' levels four frames at a time, in two
// registers: none of that waits for the recursion, so it fills the time each tick waits for
// the one before. A side with no frame at a tick (the post lanes' first `lag` ticks, the pre
// lanes' last) ticks on whatever it is given and gets its state back.
//
// The source hands out the stretch's frames `piece` at a time: stretch(k, cursor) takes the
// cursor of the frames before and answers the cursor of those from k x piece on, a value the
// loop keeps in registers, with their number in `frames` (fewer than piece: no more after
// them). cursor.ticks(group, ...) calls group(..., taps) for each group of four ticks, with
// taps(t, j, hasPre, hasPost) the coefficients of tick t + j of the group from t: of frame t + j
// for the pre lanes and of frame t + j - lag for the post lanes. finish(cursor) follows the last
// tick. Answers the frames done.
constexpr VstInt32 piece = 64;
constexpr VstInt32 lag = 8;

// Four filters' coefficients, lane by lane.
struct Taps {
    Pair a0, a1, a2, b1, b2;
};

// Left and right of four frames: frames 0 and 1 side by side, then frames 2 and 3.
struct FourFrames {
    Pair first, second;
};

template <bool accumulate, bool careful, typename Source>
VstInt32 runPipelined(FilterState* (&states)[4], const Settings& s, VstInt32 first, Source source)
{
    using Quad = Pair;
    using QuadMask = PairMask;
    const QuadMask signBit = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
    const Quad gains = {s.preGain, s.preGain, s.postGain, s.postGain};
    Quad z1 = {states[0]->z1, states[1]->z1, states[2]->z1, states[3]->z1};
    Quad z2 = {states[0]->z2, states[1]->z2, states[2]->z2, states[3]->z2};
    const float dryShare = s.dry;
    const Quad dry = {dryShare, dryShare, dryShare, dryShare};
    const Quad wet = 1.0f - dry;
    const float* const inLeft = s.inputs[0] + first;
    const float* const inRight = s.inputs[1] + first;
    float* const outLeft = s.outputs[0] + first;
    float* const outRight = s.outputs[1] + first;
    const float(*const lookup)[2] = s.lookup;

    // Each tick's gained levels, kept until the post lanes take the pre lanes' `lag` ticks on.
    constexpr VstInt32 ring = 16;
    static_assert(lag % 4 == 0 && lag + 4 <= ring && (ring & (ring - 1)) == 0);
    Quad levels[ring] = {};
    const auto finite = [](Quad x) {
        if constexpr (careful)
            x = (Quad)((QuadMask)x & (x - x == 0.0f));
        return x;
    };
    // Frames i .. i + count - 1 of a channel pair, zero past count (at most 4).
    const auto load = [](const float* left, const float* right, VstInt32 i, VstInt32 count) {
        Quad l = {}, r = {};
        if (count == 4) {
            std::memcpy(&l, left + i, sizeof l);
            std::memcpy(&r, right + i, sizeof r);
        } else {
            for (VstInt32 k = 0; k < count; ++k) {
                l[k] = left[i + k];
                r[k] = right[i + k];
            }
        }
        return FourFrames{__builtin_shufflevector(l, r, 0, 4, 1, 5), __builtin_shufflevector(l, r, 2, 6, 3, 7)};
    };
    const auto store = [](float* out, VstInt32 i, VstInt32 count, Quad o) {
        if constexpr (accumulate) {
            Quad before = {};
            std::memcpy(&before, out + i, static_cast<std::size_t>(count) * sizeof(float));
            o = before + o;
        }
        std::memcpy(out + i, &o, static_cast<std::size_t>(count) * sizeof(float));
    };
    const Quad one = {1.0f, 1.0f, 1.0f, 1.0f};
    // a < b ? a : b lane by lane, NaN in either giving b: one instruction where SSE has it.
    const auto lesser = [](Quad a, Quad b) {
#if defined(__SSE2__)
        return (Quad)_mm_min_ps((__m128)a, (__m128)b);
#else
        return a < b ? a : b;
#endif
    };
    // Two frames' gained pre levels shaped as in shapeSample; flip holds the sign bit in the
    // lanes on the negative path.
    const auto shape = [signBit, one, lookup, lesser](Quad g, QuadMask& flip) {
        flip = ~(g >= 0.0f) & signBit;
        const Quad a = lesser((Quad)((QuadMask)g ^ flip), one);
        const Quad position = a * 1023.0f;
        const auto index = __builtin_convertvector(position, QuadMask);
        const Quad fraction = position - __builtin_convertvector(index, Quad);
        // Through memory: four loads are cheaper than taking the lanes out one by one, and the
        // empty asm keeps the compiler from turning them back into lane moves.
        alignas(16) std::int32_t indices[4];
        std::memcpy(indices, &index, sizeof indices);
        __asm__("" : "+m"(indices));
        Two entries[4];
        for (int lane = 0; lane < 4; ++lane)
            std::memcpy(&entries[lane], lookup[static_cast<std::uint32_t>(indices[lane])], sizeof entries[lane]);
        const Quad low = __builtin_shufflevector(entries[0], entries[1], 0, 2, 1, 3);
        const Quad high = __builtin_shufflevector(entries[2], entries[3], 0, 2, 1, 3);
        const Quad table = __builtin_shufflevector(low, high, 0, 1, 4, 5);
        const Quad slope = __builtin_shufflevector(low, high, 2, 3, 6, 7);
        return (Quad)((QuadMask)(fraction * slope + table) ^ flip);
    };
    // Two frames' post levels mixed with their raw input x, as in shapeSample: wet x 1 + dry x x
    // is dry x x + wet to the last bit, and wet x -1 + dry x x is dry x x - wet. On the negative
    // path the level is limited at -1 in mirror image, which is exact.
    const auto mix = [one, wet, dry, lesser](Quad level, Quad x, QuadMask flip) {
        const Quad limited = (Quad)((QuadMask)lesser(one, (Quad)((QuadMask)level ^ flip)) ^ flip);
        return wet * limited + dry * x;
    };

    // The pre lanes' frames known so far, and their end once a short stretch has told it.
    VstInt32 known = 0;
    VstInt32 end = -1;
    // The post lanes' state before their first frame, the pre lanes' after their last.
    const Quad start1 = z1, start2 = z2;
    Quad last1 = z1, last2 = z2;
    const QuadMask preLanes = {-1, -1, 0, 0};
    typename Source::Cursor cursor = {};
    // Ticks t .. t + 3; whole groups have four frames on both sides.
    const auto group = [&](VstInt32 t, auto whole, auto& taps) {
        constexpr bool full = decltype(whole)::value;
        const VstInt32 preCount = full ? 4 : std::clamp(known - t, 0, 4);
        const VstInt32 postCount = full ? 4 : (t < lag ? 0 : std::clamp(known - t + lag, 0, 4));
        FourFrames x = {};
        if (full || preCount > 0)
            x = load(inLeft, inRight, t, preCount);
        FourFrames shaped = {};
        QuadMask flip[2] = {};
        const Quad* const from = levels + ((t - lag) & (ring - 1));
        if (full || postCount > 0) {
            shaped.first = shape(__builtin_shufflevector(from[0], from[1], 0, 1, 4, 5), flip[0]);
            shaped.second = shape(__builtin_shufflevector(from[2], from[3], 0, 1, 4, 5), flip[1]);
        }
        const Quad ticked[4] = {
            __builtin_shufflevector(finite(x.first), shaped.first, 0, 1, 4, 5),
            __builtin_shufflevector(finite(x.first), shaped.first, 2, 3, 6, 7),
            __builtin_shufflevector(finite(x.second), shaped.second, 0, 1, 4, 5),
            __builtin_shufflevector(finite(x.second), shaped.second, 2, 3, 6, 7),
        };
        Quad* const level = levels + (t & (ring - 1));
        const VstInt32 count = full ? 4 : std::min(4, known + lag - t);
        for (VstInt32 j = 0; j < count; ++j) {
            if (!full) {
                if (t + j == lag) {
                    z1 = preLanes ? z1 : start1;
                    z2 = preLanes ? z2 : start2;
                }
                if (t + j == known) {
                    last1 = z1;
                    last2 = z2;
                }
            }
            const Taps& k = taps.taps(t, j, full || j < preCount, full || (t >= lag && j < postCount));
            const Quad w = ticked[j] - k.b1 * z1 - k.b2 * z2;
            const Quad y = k.a0 * w + k.a1 * z1 + k.a2 * z2;
            z2 = z1;
            z1 = w;
            level[j] = y * gains;
        }
        if (full || postCount > 0) {
            const VstInt32 at = t - lag;
            const FourFrames raw = load(inLeft, inRight, at, postCount);
            const Quad early = mix(__builtin_shufflevector(level[0], level[1], 2, 3, 6, 7), finite(raw.first), flip[0]);
            const Quad late = mix(__builtin_shufflevector(level[2], level[3], 2, 3, 6, 7), finite(raw.second), flip[1]);
            store(outLeft, at, postCount, __builtin_shufflevector(early, late, 0, 2, 4, 6));
            store(outRight, at, postCount, __builtin_shufflevector(early, late, 1, 3, 5, 7));
        }
    };
    for (VstInt32 t = 0;; t += 4) {
        if (end < 0 && t == known) {
            // A copy: the cursor itself never leaves the registers.
            const typename Source::Cursor next = source.stretch(t / piece, cursor);
            cursor = next;
            const VstInt32 n = cursor.frames;
            known += n;
            if (n < piece)
                end = known;
            if (known == 0)
                break;
        }
        if (end >= 0 && t >= end + lag)
            break;
        if (t > lag && t + 4 <= known)
            cursor.ticks(group, t, std::true_type{});
        else
            cursor.ticks(group, t, std::false_type{});
    }
    if (known > 0) {
        z1 = preLanes ? last1 : z1;
        z2 = preLanes ? last2 : z2;
    }
    source.finish(cursor);
    for (int f = 0; f < 4; ++f) {
        states[f]->z1 = z1[f];
        states[f]->z2 = z2[f];
    }
    return known;
}

// The rest of a block at fixed coefficients, for runPipelined.
struct FixedSource {
    struct Cursor {
        template <typename Group, typename... Ticks>
        void ticks(Group& group, Ticks... ticks) const
        {
            group(ticks..., *this);
        }
        const Taps& taps(VstInt32, VstInt32, bool, bool) const { return *fixed; }
        VstInt32 frames = 0;
        const Taps* fixed = nullptr;
    };
    Cursor stretch(VstInt32 k, Cursor) const { return {std::clamp(rest - k * piece, 0, piece), &fixed}; }
    void finish(Cursor) const {}
    VstInt32 rest;
    const Taps& fixed;
};

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

// Both cutoffs over a stretch in which each side either glides through every frame or rests:
// they advance together by a fixed step per frame (zero for a resting side) with no tests.
struct SteadyGlides {
    // Whether the next n frames make such a stretch; if so, the glides count as moved.
    bool begin(Glide& pre, Glide& post, VstInt32 n)
    {
        const bool preGlides = pre.surelyGlides(n), postGlides = post.surelyGlides(n);
        if (!((preGlides || pre.rests()) && (postGlides || post.rests())))
            return false;
        cutoffs = Twin{pre.cutoff, post.cutoff};
        // Adding zero leaves a resting cutoff as it is.
        steps = Twin{preGlides ? pre.step : 0.0f, postGlides ? post.step : 0.0f};
        pre.moved = pre.moved || preGlides;
        post.moved = post.moved || postGlides;
        return true;
    }
    // The entries of the next frame, and one step on.
    void next(const Coefficients* preTable, const Coefficients* postTable, const Coefficients*& preEntry,
              const Coefficients*& postEntry)
    {
        // Both table indices, side by side: cutoffs inside 0..1 need no limits.
        using Doubles = double __attribute__((vector_size(16)));
        using Indices = std::int32_t __attribute__((vector_size(8)));
        const auto index = __builtin_convertvector(
            __builtin_convertvector(cutoffs, Doubles) * static_cast<double>(ToneFilter::tableSize), Indices);
        // Unsigned (they are never negative), so that no sign extension comes before the
        // addresses; where lane 0 lies in the low bits, both leave the vector unit in one move.
        std::uint32_t preIndex = static_cast<std::uint32_t>(index[0]);
        std::uint32_t postIndex = static_cast<std::uint32_t>(index[1]);
        if constexpr (std::endian::native == std::endian::little) {
            std::uint64_t both;
            std::memcpy(&both, &index, sizeof both);
            preIndex = static_cast<std::uint32_t>(both);
            postIndex = static_cast<std::uint32_t>(both >> 32);
        }
        preEntry = preTable + preIndex;
        postEntry = postTable + postIndex;
        cutoffs = cutoffs + steps;
    }
    // After the stretch's last frame.
    void end(Glide& pre, Glide& post) const
    {
        pre.cutoff = cutoffs[0];
        post.cutoff = cutoffs[1];
    }

    // The pre cutoff and the post one.
    using Twin = float __attribute__((vector_size(8)));
    Twin cutoffs = {}, steps = {};
};

// Works out the table entry of each of the next n frames for both sides and advances both
// glides past them: steadily where it can, otherwise step by step.
void planStretch(Glide& pre, Glide& post, const Coefficients* preTable, const Coefficients* postTable,
                 const Coefficients** preEntry, const Coefficients** postEntry, VstInt32 n)
{
    SteadyGlides steady;
    if (steady.begin(pre, post, n)) {
        for (VstInt32 j = 0; j < n; ++j)
            steady.next(preTable, postTable, preEntry[j], postEntry[j]);
        steady.end(pre, post);
    } else {
        pre.plan(preTable, preEntry, n);
        post.plan(postTable, postEntry, n);
    }
}

// The taps of a gliding piece's ticks, from the cutoffs themselves in a steady piece, from the
// planned entries in any other. The post lanes' entries are kept for 2 x piece frames.
template <bool steady>
struct GlideTaps {
    Taps taps(VstInt32 t, VstInt32 j, bool hasPre, bool hasPost)
    {
        // A group's ticks never wrap around a ring (t, lag and the rings' sizes are multiples of
        // four), so one offset per group serves all four.
        static_assert(lag % 4 == 0 && piece % 4 == 0);
        // A side without a frame here ticks on any entry and gets its state back.
        const Coefficients* preK = preTable;
        if (hasPre) {
            if constexpr (steady)
                glides.next(preTable, postTable, preK, postEntry[t % (2 * piece) + j]);
            else
                preK = preEntry[t % piece + j];
        }
        const Coefficients* postK = hasPost ? postEntry[(t - lag) % (2 * piece) + j] : postTable;
        Pair preLow, postLow, preHigh, postHigh;
        std::memcpy(&preLow, &preK->a0, sizeof preLow);
        std::memcpy(&postLow, &postK->a0, sizeof postLow);
        std::memcpy(&preHigh, &preK->a1, sizeof preHigh);
        std::memcpy(&postHigh, &postK->a1, sizeof postHigh);
        return Taps{__builtin_shufflevector(preLow, postLow, 0, 0, 4, 4),
                    __builtin_shufflevector(preLow, postLow, 1, 1, 5, 5),
                    __builtin_shufflevector(preLow, postLow, 2, 2, 6, 6),
                    __builtin_shufflevector(preLow, postLow, 3, 3, 7, 7),
                    __builtin_shufflevector(preHigh, postHigh, 3, 3, 7, 7)};
    }

    SteadyGlides glides;
    const Coefficients* preTable;
    const Coefficients* postTable;
    const Coefficients* const* preEntry;
    const Coefficients** postEntry;
};

// Both glides' pieces for runPipelined: a piece that SteadyGlides can run works its entries out
// as its frames are ticked, where the cutoffs' sums, one after the other, overlap the filters'
// recursion; any other piece is planned when the pre lanes reach it.
struct GlidingSource {
    struct Cursor {
        // A steady group works on a copy of the cutoffs, which the compiler then keeps in
        // registers, and the test of the piece's kind is made once a group, not once a tick.
        template <typename Group, typename... Ticks>
        void ticks(Group& group, Ticks... ticks)
        {
            if (steady) {
                GlideTaps<true> taps{glides, preTable, postTable, preEntry, postEntry};
                group(ticks..., taps);
                glides = taps.glides;
            } else {
                GlideTaps<false> taps{glides, preTable, postTable, preEntry, postEntry};
                group(ticks..., taps);
            }
        }

        VstInt32 frames = 0;
        bool steady = false;
        SteadyGlides glides = {};
        const Coefficients* preTable = nullptr;
        const Coefficients* postTable = nullptr;
        const Coefficients* const* preEntry = nullptr;
        const Coefficients** postEntry = nullptr;
    };
    Cursor stretch(VstInt32 k, Cursor before)
    {
        finish(before);
        Cursor next{0, false, {}, preTable, postTable, preEntry, postEntry};
        if (planned >= frames || !(pre->active() || post->active()))
            return next;
        next.frames = std::min(piece, frames - planned);
        next.steady = next.glides.begin(*pre, *post, next.frames);
        if (!next.steady) {
            pre->plan(preTable, preEntry, next.frames);
            post->plan(postTable, postEntry + (k % 2) * piece, next.frames);
        }
        planned += next.frames;
        return next;
    }
    void finish(const Cursor& last)
    {
        if (last.steady)
            last.glides.end(*pre, *post);
    }

    Glide* pre;
    Glide* post;
    const Coefficients* preTable;
    const Coefficients* postTable;
    const Coefficients** preEntry;
    const Coefficients** postEntry;
    VstInt32 frames;
    VstInt32 planned = 0;
};

// Runs frames while either cutoff glides, in stretches whose table entries are worked out
// apart from the filters' recursion, so that the glide's arithmetic stays off its critical
// path. Answers the number of frames processed.
template <bool accumulate, bool careful>
VstInt32 runGliding(Glide& pre, Glide& post, const Coefficients* preTable,
                    const Coefficients* postTable, Channels& channels, const Settings& settings,
                    VstInt32 frames)
{
    if constexpr (pairedChannels) {
        // The pipelined chain, with each frame's coefficients from the entries of its piece, kept
        // for the post lanes until they reach the frame.
        const Coefficients* preEntry[piece];
        const Coefficients* postEntry[2 * piece];
        FilterState* states[4] = {&channels.preLeft, &channels.preRight, &channels.postLeft, &channels.postRight};
        const GlidingSource source{&pre, &post, preTable, postTable, preEntry, postEntry, frames};
        return runPipelined<accumulate, careful>(states, settings, 0, source);
    }
    VstInt32 done = 0;
    while (done < frames && (pre.active() || post.active())) {
        const VstInt32 n = std::min(piece, frames - done);
        const Coefficients* preEntry[piece];
        const Coefficients* postEntry[piece];
        planStretch(pre, post, preTable, postTable, preEntry, postEntry, n);
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
            for (int i = 0; i < shapeTableSize; ++i) {
                built.lookup[i][0] = built.table[i];
                built.lookup[i][1] = built.slope[i];
            }
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
    const Settings settings{in, out, shape.table, shape.slope, shape.lookup, preGainFactor, postGainFactor, dryShare};
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
    if constexpr (pairedChannels) {
        const Coefficients k[4] = {preLeft, preRight, postLeft, postRight};
        const Taps fixed = {{k[0].a0, k[1].a0, k[2].a0, k[3].a0},
                            {k[0].a1, k[1].a1, k[2].a1, k[3].a1},
                            {k[0].a2, k[1].a2, k[2].a2, k[3].a2},
                            {k[0].b1, k[1].b1, k[2].b1, k[3].b1},
                            {k[0].b2, k[1].b2, k[2].b2, k[3].b2}};
        FilterState* states[4] = {&channels.preLeft, &channels.preRight, &channels.postLeft, &channels.postRight};
        runPipelined<accumulate, careful>(states, settings, done, FixedSource{frames - done, fixed});
    } else {
        for (VstInt32 i = done; i < frames; ++i)
            shapeFrame<accumulate, careful>(i, preLeft, postLeft, preRight, postRight, channels, settings);
    }
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
