#include "DelayLine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

#include "DenormalGuard.h"

#if defined(__SSE2__) && !defined(OV_SCALAR_DSP)
#include <emmintrin.h>
#endif

namespace {

// Samples from p to the end of the ring of the given length; a position left beyond the
// ring by forward chunks may run on to the end of the buffer.
VstInt32 ringRoom(VstInt32 p, VstInt32 length, VstInt32 bufferLength)
{
    return p < length ? length - p : bufferLength - p;
}

// Advances p by n within the ring; a position beyond it comes back one length at a time.
VstInt32 ringAdvance(VstInt32 p, VstInt32 n, VstInt32 length)
{
    return p + n >= length ? p + n - length : p + n;
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

// The four samples from 4g to 4g + 3 run one at a time where one of them would read a position
// an earlier one of them writes, and four at a time everywhere else. Forward that happens in
// every group when the write position leads by one to three samples; backward, sample i reads
// r - i where sample i' < i wrote w + i', so only the group whose i + i' (8g + 1 to 8g + 5)
// can be r - w.
struct Groups {
    VstInt32 fourEnd;     // samples [0, fourEnd) are whole groups
    VstInt32 aloneFrom;   // and [aloneFrom, aloneTo) among them go one at a time
    VstInt32 aloneTo;
};

Groups groupsOf(bool backward, VstInt32 w, VstInt32 r, VstInt32 n)
{
    const VstInt32 fourEnd = n - n % 4;
    if (!backward) {
        if (w - r >= 1 && w - r <= 3)
            return {fourEnd, 0, fourEnd};
        return {fourEnd, fourEnd, fourEnd};
    }
    const VstInt32 d = r - w;
    if (d >= 1 && (d - 1) % 8 <= 4) {
        const VstInt32 from = std::min(4 * ((d - 1) / 8), fourEnd);
        return {fourEnd, from, std::min(from + 4, fourEnd)};
    }
    return {fourEnd, fourEnd, fourEnd};
}

// The groups of four from `from` to `to`, each sample as DelayLine::run computes one alone;
// answers the largest delayed sample played, at least level.
#if defined(__SSE2__) && !defined(OV_SCALAR_DSP)
// SSE2 (x86-64, and i686 built with -msse2). For the limits GCC makes two compares and six
// logical operations of the generic code's ternaries; minps and maxps give the same lanes in
// one each, since they take the second operand unless the first is less or greater.
static_assert(DenormalGuard::flushesDenormals);

template <bool backward, bool accumulate>
float runFours(const DelayLine::Io& io, const float* read, float* write, VstInt32 from,
               VstInt32 to, float gain, double loop, float level)
{
    const __m128 gains = _mm_set1_ps(gain);
    const __m128d loops = _mm_set1_pd(loop);
    const __m128 top = _mm_set1_ps(FLT_MAX);
    const __m128 bottom = _mm_set1_ps(-FLT_MAX);
    const __m128 zero = _mm_setzero_ps();
    // Local copies: the stores may alias anything, io among it, as far as the compiler knows.
    const float* const input = io.input;
    float* const output0 = io.output0;
    float* const output1 = io.output1;
    __m128 levels = _mm_setzero_ps();
    for (VstInt32 i = from; i < to; i += 4) {
        __m128 x = _mm_loadu_ps(input + i);
        __m128 stored;
        if constexpr (backward) {
            stored = _mm_loadu_ps(read - i - 3);
            stored = _mm_shuffle_ps(stored, stored, _MM_SHUFFLE(0, 1, 2, 3));
        } else {
            stored = _mm_loadu_ps(read + i);
        }
        const __m128 y = _mm_mul_ps(gains, stored);
        __m128 out0 = y;
        __m128 out1 = y;
        if constexpr (accumulate) {
            out0 = _mm_add_ps(_mm_loadu_ps(output0 + i), y);
            out1 = _mm_add_ps(_mm_loadu_ps(output1 + i), y);
        }
        // x - x is zero exactly when x is finite.
        x = _mm_and_ps(x, _mm_cmpeq_ps(_mm_sub_ps(x, x), zero));
        levels = _mm_max_ps(y, levels);
        const __m128d low = _mm_add_pd(_mm_cvtps_pd(x), _mm_mul_pd(loops, _mm_cvtps_pd(y)));
        const __m128d high = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(x, x)),
                                        _mm_mul_pd(loops, _mm_cvtps_pd(_mm_movehl_ps(y, y))));
        // Rounding a sum beyond the float range gives infinity, held here at the edge as
        // ringSample holds the sum itself.
        __m128 written = _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
        written = _mm_max_ps(_mm_min_ps(written, top), bottom);
        _mm_storeu_ps(write + i, written);
        _mm_storeu_ps(output0 + i, out0);
        _mm_storeu_ps(output1 + i, out1);
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, levels);
    for (const float lane : lanes)
        if (lane > level)
            level = lane;
    return level;
}
#else
// The compilers' vector types, for processors without SSE2 (and builds with OV_SCALAR_DSP):
// SSE where there is some, plain code where there is none.
template <bool backward, bool accumulate>
float runFours(const DelayLine::Io& io, const float* read, float* write, VstInt32 from,
               VstInt32 to, float gain, double loop, float level)
{
    using Floats = float __attribute__((vector_size(16)));
    using Doubles = double __attribute__((vector_size(32)));
    using Masks = std::int32_t __attribute__((vector_size(16)));
    constexpr float top = FLT_MAX;

    const float* const input = io.input;
    float* const output0 = io.output0;
    float* const output1 = io.output1;
    Floats levels{};
    for (VstInt32 i = from; i < to; i += 4) {
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
    return level;
}
#endif

} // namespace

DelayLine::DelayLine() : samples(new (std::nothrow) float[bufferLength]) {}

DelayLine::~DelayLine()
{
    delete[] samples;
}

void DelayLine::clear()
{
    std::fill(samples, samples + bufferLength, 0.0f);
}

template <bool accumulate>
VstInt32 DelayLine::forward(Io io, VstInt32 remaining, Gains& gains)
{
    const VstInt32 w = writePos;
    const VstInt32 r = readPos;
    const VstInt32 n = std::min({remaining, bufferLength - r, bufferLength - w});
    run<false, accumulate>(io, w, r, n, gains);
    writePos = w + n >= bufferLength ? w + n - bufferLength : w + n;
    readPos = r + n >= bufferLength ? r + n - bufferLength : r + n;
    return n;
}

template <bool accumulate>
VstInt32 DelayLine::ringForward(Io io, VstInt32 remaining, VstInt32 length, Gains& gains)
{
    const VstInt32 w = writePos;
    const VstInt32 r = readPos;
    const VstInt32 n = std::min(
        {remaining, ringRoom(w, length, bufferLength), ringRoom(r, length, bufferLength)});
    run<false, accumulate>(io, w, r, n, gains);
    writePos = ringAdvance(w, n, length);
    readPos = ringAdvance(r, n, length);
    return n;
}

// Both wrap at the ring of length samples, the same samples 0 to length - 1 for both, so
// every sample written is played once and no stale sample outside the ring is replayed. A
// write position inside the ring ends the chunk at the ring's end; one left beyond it comes
// back one length per chunk.
template <bool accumulate>
VstInt32 DelayLine::backward(Io io, VstInt32 remaining, VstInt32 length, Gains& gains)
{
    const VstInt32 w = writePos;
    const VstInt32 r = readPos;
    const VstInt32 n = std::min({remaining, r + 1, ringRoom(w, length, bufferLength)});
    run<true, accumulate>(io, w, r, n, gains);
    writePos = ringAdvance(w, n, length);
    readPos = r - n < 0 ? length - 1 : r - n;
    return n;
}

// All inputs and outputs of a sample are read before any is written, so the host may pass
// the same memory for input and outputs. A NaN or infinite input is silence and sums are held
// within the float range, so the ring only ever holds finite samples and one bad sample cannot
// make every later echo NaN. Four samples go at a time where that reads the same ring samples
// as one at a time (see groupsOf); the arithmetic of each sample is the same either way.
template <bool backward, bool accumulate>
void DelayLine::run(const Io& io, VstInt32 w, VstInt32 r, VstInt32 n, Gains& gains)
{
    const float* const input = io.input;
    float* const output0 = io.output0;
    float* const output1 = io.output1;
    const float gain = gains.volume;
    const double loop = gains.feedback;
    float* const write = samples + w;
    const float* const read = samples + r;
    float level = gains.level;

    const auto fours = [&](VstInt32 from, VstInt32 to) {
        level = runFours<backward, accumulate>(io, read, write, from, to, gain, loop, level);
    };
    const auto ones = [&](VstInt32 from, VstInt32 to) {
        for (VstInt32 i = from; i < to; ++i) {
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
    };
    const Groups groups = groupsOf(backward, w, r, n);
    fours(0, groups.aloneFrom);
    ones(groups.aloneFrom, groups.aloneTo);
    fours(groups.aloneTo, groups.fourEnd);
    ones(groups.fourEnd, n);
    gains.level = level;
}

template VstInt32 DelayLine::forward<false>(Io, VstInt32, Gains&);
template VstInt32 DelayLine::forward<true>(Io, VstInt32, Gains&);
template VstInt32 DelayLine::ringForward<false>(Io, VstInt32, VstInt32, Gains&);
template VstInt32 DelayLine::ringForward<true>(Io, VstInt32, VstInt32, Gains&);
template VstInt32 DelayLine::backward<false>(Io, VstInt32, VstInt32, Gains&);
template VstInt32 DelayLine::backward<true>(Io, VstInt32, VstInt32, Gains&);
