// Ombrisk's processReplacing at block 512 against a baseline that moves the same bytes per
// sample: one float read from a ring of the same size, one written into it, one input read
// and two outputs written. Compare the time_per_sample counters of the two.
// With shortest:1 the same at the shortest delay, where the backward modes cross positions often.
// BM_OmbriskDenormalDecay reports decay_ratio: the time of a block whose signal decays through
// the denormal range over that of a block of plain noise, both measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DelayParameters.h"
#include "PluginLoader.h"

namespace {

constexpr int blockSize = 512;
constexpr int ringLength = 220500;

std::vector<float> noise(std::size_t length)
{
    std::mt19937 random(1);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> samples(length);
    for (float& s : samples)
        s = sample(random);
    return samples;
}

void setSamplesCounter(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * blockSize);
    state.counters["time_per_sample"] = benchmark::Counter(
        blockSize, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A ring delay cut into chunks at the ring's end like the plug-in; step(x, stored, write,
// output) does one sample of a chunk.
struct Ring {
    std::vector<float> ring = std::vector<float>(ringLength, 0.0f);
    int writePos = 0;
    int readPos = ringLength - 90244;

    template <typename Step>
    void run(const float* input, float* output0, float* output1, int frames, Step step)
    {
        while (frames > 0) {
            const int n = std::min({frames, ringLength - readPos, ringLength - writePos});
            float* write = ring.data() + writePos;
            const float* read = ring.data() + readPos;
            for (int i = 0; i < n; ++i) {
                const float y = step(input[i], read[i], write[i]);
                output0[i] = y;
                output1[i] = y;
            }
            writePos = writePos + n >= ringLength ? writePos + n - ringLength : writePos + n;
            readPos = readPos + n >= ringLength ? readPos + n - ringLength : readPos + n;
            input += n;
            output0 += n;
            output1 += n;
            frames -= n;
        }
    }
};

template <typename Step>
void runRing(benchmark::State& state, Step step)
{
    Ring ring;
    const auto input = noise(blockSize);
    std::vector<float> left(blockSize), right(blockSize);
    for (auto _ : state) {
        ring.run(input.data(), left.data(), right.data(), blockSize, step);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    setSamplesCounter(state);
}

// The baseline: the ring with nothing but the data movement.
void BM_RingCopyBaseline(benchmark::State& state)
{
    runRing(state, [](float x, float stored, float& write) {
        write = x;
        return stored;
    });
}
BENCHMARK(BM_RingCopyBaseline);

// Not a target: the baseline's data movement with only the arithmetic every sample needs at
// the least, the delayed sample scaled by the volume for both outputs and the input plus the
// feedback times it, summed in double precision and rounded to float, for the ring. No
// limits, no bad-input test and no meter. Its time_per_sample over the baseline's is the
// ratio the plug-in cannot go below.
void BM_RequiredArithmetic(benchmark::State& state)
{
    // The default program's volume and feedback, unknown to the compiler as the plug-in's are.
    float gain = 1.0f;
    double loop = 0.5;
    benchmark::DoNotOptimize(gain);
    benchmark::DoNotOptimize(loop);
    runRing(state, [gain, loop](float x, float stored, float& write) {
        const float y = gain * stored;
        write = static_cast<float>(static_cast<double>(x) + loop * static_cast<double>(y));
        return y;
    });
}
BENCHMARK(BM_RequiredArithmetic);

// Ombrisk opened and resumed as a host leaves it before its first block; null with the
// reason in error when it does not load.
std::unique_ptr<PluginLoader> openedOmbrisk(std::string& error)
{
    auto plugin = PluginLoader::open(OMBRISK_PATH, error);
    if (!plugin)
        return nullptr;
    plugin->dispatch(effOpen);
    plugin->dispatch(effSetBlockSize, 0, blockSize);
    plugin->dispatch(effMainsChanged, 0, 1);
    return plugin;
}

// Blocks of noise through the effect as set, one per iteration.
void processNoiseBlocks(benchmark::State& state, AEffect* effect)
{
    auto input = noise(blockSize);
    std::vector<float> left(blockSize), right(blockSize);
    float* inputs[] = {input.data()};
    float* outputs[] = {left.data(), right.data()};
    for (auto _ : state) {
        effect->processReplacing(effect, inputs, outputs, blockSize);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    setSamplesCounter(state);
}

// Mode 0 normal, 1 reverse, 2 alternate; the default program (a bar at 117 bpm), or with
// shortest 1 the shortest delay (1832 samples), where in the backward modes the read position
// crosses the write position in one block of every two or so.
void BM_OmbriskProcessReplacing(benchmark::State& state)
{
    std::string error;
    auto plugin = openedOmbrisk(error);
    if (!plugin) {
        state.SkipWithError(error.c_str());
        return;
    }
    AEffect* effect = plugin->effect();
    if (state.range(1) == 1) {
        effect->setParameter(effect, ombrisk::tempo, 1.0f);
        effect->setParameter(effect, ombrisk::divisor, 1.0f);
    }
    if (state.range(0) == 2)
        effect->setParameter(effect, ombrisk::reverseType, 1.0f);
    effect->setParameter(effect, ombrisk::reverse, state.range(0) > 0 ? 1.0f : 0.0f);
    processNoiseBlocks(state, effect);
}
BENCHMARK(BM_OmbriskProcessReplacing)
    ->ArgNames({"mode", "shortest"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Args({2, 1});

// An opened plug-in with the shortest delay (1832 samples) at feedback 0.9, so that the ring
// holds the decaying signal.
std::unique_ptr<PluginLoader> decayingDelay(std::string& error)
{
    auto plugin = openedOmbrisk(error);
    if (!plugin)
        return nullptr;
    AEffect* effect = plugin->effect();
    effect->setParameter(effect, ombrisk::tempo, 1.0f);
    effect->setParameter(effect, ombrisk::divisor, 1.0f);
    effect->setParameter(effect, ombrisk::feedback, 0.9f);
    return plugin;
}

// Noise falling from 1e-38 to 1e-45 within each block, the tail of a note crossing the
// denormal range, against plain noise through a second instance.
void BM_OmbriskDenormalDecay(benchmark::State& state)
{
    std::string error;
    auto steadyPlugin = decayingDelay(error);
    auto decayPlugin = steadyPlugin ? decayingDelay(error) : nullptr;
    if (!decayPlugin) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto steadyInput = noise(blockSize);
    auto decayInput = noise(blockSize);
    for (int i = 0; i < blockSize; ++i)
        decayInput[std::size_t(i)] *= static_cast<float>(1e-38 * std::pow(10.0, -7.0 * i / blockSize));
    std::vector<float> left(blockSize), right(blockSize);
    float* outputs[] = {left.data(), right.data()};
    using Clock = std::chrono::steady_clock;
    Clock::duration steady{}, decay{};
    const auto timed = [&](PluginLoader& plugin, std::vector<float>& input, Clock::duration& total) {
        AEffect* effect = plugin.effect();
        float* inputs[] = {input.data()};
        const auto start = Clock::now();
        effect->processReplacing(effect, inputs, outputs, blockSize);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
        total += Clock::now() - start;
    };
    for (auto _ : state) {
        timed(*steadyPlugin, steadyInput, steady);
        timed(*decayPlugin, decayInput, decay);
    }
    state.counters["decay_ratio"] =
        std::chrono::duration<double>(decay).count() / std::chrono::duration<double>(steady).count();
    state.counters["time_per_sample"] = benchmark::Counter(
        2.0 * blockSize, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_OmbriskDenormalDecay);

} // namespace

BENCHMARK_MAIN();
