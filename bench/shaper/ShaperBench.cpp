// Vorlane's processing cost per stereo frame, beside a baseline written the obvious way, and the
// cost of sampling a 50-point curve into the shaper table.
//
//   build/bin/shaper_bench
//
// Compare VorlaneFixed, VorlaneGlide (both cutoffs gliding at full speed, the worst case) and
// VorlaneGlideOneSide with Baseline (per_frame, in seconds); FillTable50 is per table, for an
// ordinary curve and for one whose searches never meet some x.
// VorlaneDenormalDecay reports decay_ratio: the time of a block whose signal decays through the
// denormal range over that of a block of plain noise, both measured in the same run.
#include "ShaperEffect.h"
#include "ShaperParameters.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int blockSize = 512;

struct Block {
    Block()
        : inLeft(blockSize), inRight(blockSize), outLeft(blockSize), outRight(blockSize)
    {
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> d(-0.9f, 0.9f);
        for (int i = 0; i < blockSize; ++i) {
            inLeft[size_t(i)] = d(rng);
            inRight[size_t(i)] = d(rng);
        }
    }
    std::vector<float> inLeft, inRight, outLeft, outRight;
    float* in[2] = {inLeft.data(), inRight.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
};

// Plain scalar per-channel chain: two direct-form-II biquads around an interpolated lookup.
class Baseline {
public:
    struct Biquad {
        float b0, b1, b2, a1, a2, z1 = 0.0f, z2 = 0.0f;
        float process(float x)
        {
            const float w = x - a1 * z1 - a2 * z2;
            const float y = b0 * w + b1 * z1 + b2 * z2;
            z2 = z1;
            z1 = w;
            return y;
        }
    };

    Baseline(const ToneFilter::Coefficients& pre, const ToneFilter::Coefficients& post, const float* curve)
    {
        for (int ch = 0; ch < 2; ++ch) {
            preFilter[ch] = {pre.a0, pre.a1, pre.a2, pre.b1, pre.b2};
            postFilter[ch] = {post.a0, post.a1, post.a2, post.b1, post.b2};
        }
        for (int i = 0; i < 1024; ++i)
            table[i] = curve[i];
        table[1024] = curve[1023];
    }

    void process(float** inputs, float** outputs, int frames)
    {
        for (int ch = 0; ch < 2; ++ch) {
            for (int i = 0; i < frames; ++i) {
                const float x = inputs[ch][i];
                const float g = preFilter[ch].process(x) * preGain;
                float a = std::fabs(g);
                if (a > 1.0f)
                    a = 1.0f;
                const float pos = a * 1023.0f;
                const int index = int(pos);
                const float frac = pos - float(index);
                float s = table[index] + frac * (table[index + 1] - table[index]);
                if (g < 0.0f)
                    s = -s;
                const float l = postFilter[ch].process(s) * postGain;
                outputs[ch][i] = dry * x + (1.0f - dry) * l;
            }
        }
    }

private:
    Biquad preFilter[2]{}, postFilter[2]{};
    float table[1025];
    float preGain = 1.6f, postGain = 1.2f, dry = 0.2f;
};

// High-pass before, low-pass after, some drive and a little dry signal.
void configure(ShaperEffect& effect)
{
    effect.setParameter(vorlane::preGain, 0.8f);
    effect.setParameter(vorlane::preFilter, 0.3f);
    effect.setParameter(vorlane::postGain, 0.6f);
    effect.setParameter(vorlane::postFilter, 0.9f);
    effect.setParameter(vorlane::preSwitch, 1.0f);
    effect.setParameter(vorlane::dryWet, 0.2f);
}

void perFrame(benchmark::State& state)
{
    // Seconds per frame, printed with an SI prefix ("8.2n" is 8.2 ns).
    state.counters["per_frame"] = benchmark::Counter(
        blockSize, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Baseline_(benchmark::State& state)
{
    ShaperEffect effect(nullptr);
    configure(effect);
    ToneFilter pre, post;
    pre.setMode(1);
    pre.setCutoff(0.3f);
    post.setCutoff(0.9f);
    Baseline baseline(pre.coefficients(), post.coefficients(), effect.getShapeTable());
    Block block;
    for (auto _ : state) {
        baseline.process(block.in, block.out, blockSize);
        benchmark::DoNotOptimize(block.outLeft.data());
        benchmark::ClobberMemory();
    }
    perFrame(state);
}

void VorlaneFixed(benchmark::State& state)
{
    ShaperEffect effect(nullptr);
    configure(effect);
    AEffect* record = effect.getAEffect();
    Block block;
    for (int i = 0; i < 8; ++i)  // let the initial glides finish
        record->processReplacing(record, block.in, block.out, blockSize);
    for (auto _ : state) {
        record->processReplacing(record, block.in, block.out, blockSize);
        benchmark::DoNotOptimize(block.outLeft.data());
        benchmark::ClobberMemory();
    }
    perFrame(state);
}

// Both cutoffs keep gliding: a new far target whenever a glide has arrived.
void VorlaneGlide(benchmark::State& state)
{
    ShaperEffect effect(nullptr);
    configure(effect);
    AEffect* record = effect.getAEffect();
    Block block;
    bool up = true;
    for (auto _ : state) {
        if (std::fabs(effect.getPreCutoff() - effect.getParameter(vorlane::preFilter)) <= 0.01f) {
            up = !up;
            effect.setParameter(vorlane::preFilter, up ? 0.9f : 0.1f);
            effect.setParameter(vorlane::postFilter, up ? 0.1f : 0.9f);
        }
        record->processReplacing(record, block.in, block.out, blockSize);
        benchmark::DoNotOptimize(block.outLeft.data());
        benchmark::ClobberMemory();
    }
    perFrame(state);
}

// Only the pre filter glides, as when one knob is turned.
void VorlaneGlideOneSide(benchmark::State& state)
{
    ShaperEffect effect(nullptr);
    configure(effect);
    AEffect* record = effect.getAEffect();
    Block block;
    for (int i = 0; i < 8; ++i)
        record->processReplacing(record, block.in, block.out, blockSize);
    bool up = true;
    for (auto _ : state) {
        if (std::fabs(effect.getPreCutoff() - effect.getParameter(vorlane::preFilter)) <= 0.01f) {
            up = !up;
            effect.setParameter(vorlane::preFilter, up ? 0.9f : 0.1f);
        }
        record->processReplacing(record, block.in, block.out, blockSize);
        benchmark::DoNotOptimize(block.outLeft.data());
        benchmark::ClobberMemory();
    }
    perFrame(state);
}

// Noise falling from 1e-38 to 1e-45 within each block, the tail of a note crossing the
// denormal range, against the steady block through a second instance.
void VorlaneDenormalDecay(benchmark::State& state)
{
    ShaperEffect steadyEffect(nullptr), decayEffect(nullptr);
    configure(steadyEffect);
    configure(decayEffect);
    Block steadyBlock, decayBlock;
    for (int i = 0; i < blockSize; ++i) {
        const auto level = static_cast<float>(1e-38 * std::pow(10.0, -7.0 * i / blockSize));
        decayBlock.inLeft[size_t(i)] *= level;
        decayBlock.inRight[size_t(i)] *= level;
    }
    for (int i = 0; i < 8; ++i) {  // let the initial glides finish
        AEffect* steady = steadyEffect.getAEffect();
        AEffect* decay = decayEffect.getAEffect();
        steady->processReplacing(steady, steadyBlock.in, steadyBlock.out, blockSize);
        decay->processReplacing(decay, steadyBlock.in, steadyBlock.out, blockSize);
    }
    using Clock = std::chrono::steady_clock;
    Clock::duration steadyTime{}, decayTime{};
    const auto timed = [](ShaperEffect& effect, Block& block, Clock::duration& total) {
        AEffect* record = effect.getAEffect();
        const auto start = Clock::now();
        record->processReplacing(record, block.in, block.out, blockSize);
        benchmark::DoNotOptimize(block.outLeft.data());
        benchmark::ClobberMemory();
        total += Clock::now() - start;
    };
    for (auto _ : state) {
        timed(steadyEffect, steadyBlock, steadyTime);
        timed(decayEffect, decayBlock, decayTime);
    }
    state.counters["decay_ratio"] = std::chrono::duration<double>(decayTime).count() /
                                    std::chrono::duration<double>(steadyTime).count();
    state.counters["per_frame"] = benchmark::Counter(
        2.0 * blockSize, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Argument 0: fifty points in order of x, as the editor keeps them. Argument 1: the same
// points with x zigzagging, as only a chunk can hold them, where the searches never meet
// some x (each search then runs to the end of its bracket).
void FillTable50(benchmark::State& state)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    std::vector<CurvePoint> points(50);
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = {state.range(0) == 0 ? float(i) / 49.0f : (i % 2 ? 0.2f : 0.8f), d(rng)};
    ShaperCurve curve;
    curve.setPoints(points.data(), 50);
    std::vector<float> table(1024);
    for (auto _ : state) {
        curve.fillTable(table.data(), 1024);
        benchmark::DoNotOptimize(table.data());
    }
}

}  // namespace

BENCHMARK(Baseline_)->Name("Baseline");
BENCHMARK(VorlaneFixed);
BENCHMARK(VorlaneGlide);
BENCHMARK(VorlaneGlideOneSide);
BENCHMARK(VorlaneDenormalDecay);
BENCHMARK(FillTable50)->ArgName("zigzag")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
