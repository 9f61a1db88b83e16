#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "OmbriskFixture.h"

namespace {

using Echoes = std::vector<std::pair<std::size_t, float>>;

class OmbriskSoundTest : public OmbriskFixture {
protected:
    // The shortest delay: 180 bpm divided by 32.
    void shortestDelay()
    {
        set(0, 1.0f);
        set(3, 1.0f);
    }
};

TEST_F(OmbriskSoundTest, DefaultProgramEchoesEveryBarAtHalfLevel)
{
    const auto output = run(impulse(300000, 0));
    EXPECT_EQ(nonZero(output), (Echoes{{90244, 1.0f}, {180488, 0.5f}, {270732, 0.25f}}));
}

struct LengthCase {
    const char* name;
    std::vector<std::pair<VstInt32, float>> settings;
    std::size_t delay;
};

class OmbriskLengthTest : public OmbriskFixture, public ::testing::WithParamInterface<LengthCase> {
};

TEST_P(OmbriskLengthTest, FirstEchoComesAfterTheDelay)
{
    set(1, 0.0f);
    for (auto [index, value] : GetParam().settings)
        set(index, value);
    const auto output = run(impulse(GetParam().delay + 600, 0));
    EXPECT_EQ(nonZero(output), (Echoes{{GetParam().delay, 1.0f}}));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, OmbriskLengthTest,
    ::testing::Values(LengthCase{"Bar117", {}, 90244},
                      LengthCase{"Shortest", {{0, 1.0f}, {3, 1.0f}}, 1832},
                      LengthCase{"Bpm119", {{0, 0.52f}}, 88704},
                      LengthCase{"Bpm120", {{0, std::nextafter(0.52f, 1.0f)}}, 88000},
                      LengthCase{"Divided16", {{3, 0.5f}}, 5640},
                      LengthCase{"Multiplied16", {{0, 1.0f}, {3, 1.0f}, {4, 1.0f}}, 29312},
                      LengthCase{"LongestSlow", {{0, 0.0f}, {4, 1.0f}}, 220499},
                      LengthCase{"LongestMid", {{4, 1.0f}}, 220499}),
    [](const ::testing::TestParamInfo<LengthCase>& param) { return std::string(param.param.name); });

TEST_F(OmbriskSoundTest, ReadLagAddsWholeDelaysOnceThereIsRoom)
{
    shortestDelay();
    set(1, 0.0f);
    // Between one and two delays written: the lag does not fit and is dropped.
    run(std::vector<float>(2000, 0.0f));
    set(5, 1.0f);
    EXPECT_EQ(nonZero(run(impulse(5000, 0))), (Echoes{{1832, 1.0f}}));

    // Far enough in: 32 steps lag one more delay.
    set(5, 0.0f);
    set(5, 1.0f);
    EXPECT_EQ(nonZero(run(impulse(5000, 0))), (Echoes{{3664, 1.0f}}));

    // 16 steps: half a delay more.
    set(5, 0.5f);
    EXPECT_EQ(nonZero(run(impulse(5000, 0))), (Echoes{{2748, 1.0f}}));
}

TEST_F(OmbriskSoundTest, FeedbackOneRepeatsWithoutDecay)
{
    shortestDelay();
    set(1, 1.0f);
    const auto output = run(impulse(1832 * 5 + 10, 3));
    EXPECT_EQ(nonZero(output),
              (Echoes{{1835, 1.0f}, {3667, 1.0f}, {5499, 1.0f}, {7331, 1.0f}, {9163, 1.0f}}));
}

TEST_F(OmbriskSoundTest, VolumeScalesEveryEchoInsideTheLoop)
{
    shortestDelay();
    set(2, 0.5f);
    set(1, 1.0f);
    const auto output = run(impulse(1832 * 3 + 10, 0));
    EXPECT_EQ(nonZero(output), (Echoes{{1832, 0.5f}, {3664, 0.25f}, {5496, 0.125f}}));
}

// Accumulating adds exactly what replacing writes, in every mode and across the end of the
// buffer too.
class OmbriskAccumulateTest : public OmbriskFixture,
                              public ::testing::WithParamInterface<std::vector<std::pair<VstInt32, float>>> {};

TEST_P(OmbriskAccumulateTest, ProcessAddsWhatProcessReplacingWrites)
{
    std::string error;
    auto other = PluginLoader::open(OMBRISK_PATH, error);
    ASSERT_TRUE(other) << error;
    AEffect* accumulating = other->effect();
    for (AEffect* fx : {effect, accumulating}) {
        fx->setParameter(fx, 0, 0.9f);
        fx->setParameter(fx, 3, 0.1f);
        fx->setParameter(fx, 1, 0.7f);
        for (auto [index, value] : GetParam())
            fx->setParameter(fx, index, value);
    }
    const auto input = noise(230000, 1);
    const auto replaced = run(input, 512, true);

    std::swap(effect, accumulating);
    const auto accumulated = run(input, 512, false, 0.25f);
    std::swap(effect, accumulating);

    ASSERT_EQ(replaced.size(), accumulated.size());
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < replaced.size(); ++i)
        mismatches += accumulated[i] != 0.25f + replaced[i];
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(nonZero(replaced).size(), 10000u);
}

INSTANTIATE_TEST_SUITE_P(Modes, OmbriskAccumulateTest,
                         ::testing::Values(std::vector<std::pair<VstInt32, float>>{},
                                           std::vector<std::pair<VstInt32, float>>{{6, 1.0f}},
                                           std::vector<std::pair<VstInt32, float>>{{7, 1.0f},
                                                                                   {6, 1.0f}}));

// Input and outputs in the same memory give what separate buffers give.
TEST_F(OmbriskSoundTest, InPlaceBuffersMatchSeparateOnes)
{
    const auto input = noise(8192, 2);
    for (bool replacing : {true, false}) {
        std::string error;
        auto separate = PluginLoader::open(OMBRISK_PATH, error);
        auto sharedInput = PluginLoader::open(OMBRISK_PATH, error);
        auto allShared = PluginLoader::open(OMBRISK_PATH, error);
        ASSERT_TRUE(separate && sharedInput && allShared) << error;
        for (auto* loader : {separate.get(), sharedInput.get(), allShared.get()}) {
            AEffect* fx = loader->effect();
            fx->setParameter(fx, 0, 1.0f);
            fx->setParameter(fx, 3, 1.0f);
            fx->setParameter(fx, 2, 0.8f);
        }
        // Every output starts as a copy of the input, so accumulating adds onto the same values.
        std::vector<float> in(input), left(input), right(input);
        std::vector<float> shared(input), sharedRight(input), all(input);
        auto process = [replacing](AEffect* fx, float* x, float* out0, float* out1) {
            float* inputs[] = {x};
            float* outputs[] = {out0, out1};
            if (replacing)
                fx->processReplacing(fx, inputs, outputs, 512);
            else
                fx->process(fx, inputs, outputs, 512);
        };
        for (std::size_t start = 0; start < input.size(); start += 512) {
            process(separate->effect(), &in[start], &left[start], &right[start]);
            process(sharedInput->effect(), &shared[start], &shared[start], &sharedRight[start]);
            process(allShared->effect(), &all[start], &all[start], &all[start]);
        }
        EXPECT_EQ(shared, left) << (replacing ? "replacing" : "accumulating");
        EXPECT_EQ(sharedRight, right);
        EXPECT_EQ(all, left);
        EXPECT_GT(nonZero(left).size(), 6000u);
    }
}

TEST_F(OmbriskSoundTest, VuReportsThePositivePeakOnce)
{
    shortestDelay();
    set(1, 0.0f);
    run(impulse(2000, 0, 0.8f));
    EXPECT_EQ(plugin->dispatch(effGetVu), 26213);
    EXPECT_EQ(plugin->dispatch(effGetVu), 0);
    run(impulse(2000, 0, -0.8f));
    EXPECT_EQ(plugin->dispatch(effGetVu), 0);
}

TEST_F(OmbriskSoundTest, SuspendSilencesTheEchoes)
{
    shortestDelay();
    run(impulse(1000, 10));
    plugin->dispatch(effMainsChanged, 0, 0);
    plugin->dispatch(effMainsChanged, 0, 1);
    EXPECT_TRUE(nonZero(run(std::vector<float>(6000, 0.0f))).empty());
    // The positions kept running: new input comes back after the same delay.
    EXPECT_EQ(nonZero(run(impulse(2000, 5))), (Echoes{{1837, 1.0f}}));
}

// Reverse mode plays the ring backward: an impulse written at index 100 comes out when the
// read position, running down from the top of the ring, passes 100.
TEST_F(OmbriskSoundTest, ReverseReadsTheRingBackward)
{
    for (int block : {1, 512}) {
        SetUp();
        shortestDelay();
        set(1, 0.0f);
        set(6, 1.0f);
        EXPECT_EQ(nonZero(run(impulse(1832, 100), block)), (Echoes{{1731, 1.0f}})) << block;
    }
}

// Alternate mode plays the ring backward for one delay, then forward as a plain delay.
TEST_F(OmbriskSoundTest, AlternatePlaysBackwardThenForward)
{
    for (int block : {1, 512}) {
        SetUp();
        shortestDelay();
        set(1, 0.0f);
        set(7, 1.0f);
        set(6, 1.0f);
        EXPECT_EQ(nonZero(run(impulse(1832 * 3, 100), block)),
                  (Echoes{{1731, 1.0f}, {1932, 1.0f}}))
            << block;
    }
}

// Once running, every mode keeps playing what goes in; none falls silent.
TEST_F(OmbriskSoundTest, EveryModeKeepsPlaying)
{
    const std::vector<std::pair<VstInt32, float>> modes[] = {{}, {{6, 1.0f}}, {{7, 1.0f}, {6, 1.0f}}};
    for (const auto& settings : modes) {
        SetUp();
        for (auto [index, value] : settings)
            set(index, value);
        const auto output = run(noise(900000, 5));
        const std::vector<float> steady(output.begin() + 300000, output.end());
        EXPECT_GT(nonZero(steady).size(), steady.size() * 99 / 100) << settings.size();
    }
}

// Nothing a host sends may take the engine outside its buffer: parameters jump, including
// to values outside the range, between blocks of any size in every mode.
TEST_F(OmbriskSoundTest, ParameterStormStaysFinite)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);
    std::uniform_int_distribution<int> index(0, 8);
    std::uniform_int_distribution<int> size(1, 3000);
    const auto input = noise(4096, 3);
    std::vector<float> left(4096), right(4096);
    float* inputs[] = {const_cast<float*>(input.data())};
    float* outputs[] = {left.data(), right.data()};
    bool finite = true;
    for (int round = 0; round < 600; ++round) {
        for (int change = 0; change < 3; ++change)
            set(index(random), value(random));
        const int frames = std::min(size(random), 4096);
        if (round % 2)
            effect->processReplacing(effect, inputs, outputs, frames);
        else
            effect->process(effect, inputs, outputs, frames);
        for (int i = 0; i < frames; ++i)
            finite = finite && std::isfinite(left[static_cast<std::size_t>(i)]);
        std::fill(left.begin(), left.end(), 0.0f);
    }
    EXPECT_TRUE(finite);
    effect->processReplacing(effect, inputs, outputs, 0);
    effect->processReplacing(effect, inputs, outputs, -5);
    effect->processReplacing(effect, nullptr, outputs, 64);
    effect->processReplacing(effect, inputs, nullptr, 64);
}

} // namespace

namespace {

// Every sample written in reverse mode is played back once, whatever the host's block size:
// the write position wraps at the end of the ring even inside a block.
class OmbriskReverseBlockTest : public OmbriskFixture, public ::testing::WithParamInterface<int> {};

TEST_P(OmbriskReverseBlockTest, EverySampleComesBackOnce)
{
    set(0, 1.0f);
    set(3, 1.0f);
    set(1, 0.0f);
    set(6, 1.0f);
    const std::pair<std::size_t, float> marks[] = {{100, 0.5f},    {700, 0.25f},     {1900, 0.125f},
                                                   {1950, 0.0625f}, {2600, 0.03125f}, {3700, 0.015625f},
                                                   {5000, 0.0078125f}, {3664, 0.00390625f}};
    std::vector<float> input(9000, 0.0f);
    for (auto [at, amplitude] : marks)
        input[at] = amplitude;
    const auto output = run(input, GetParam());
    for (auto [at, amplitude] : marks)
        EXPECT_EQ(std::count(output.begin(), output.end(), amplitude), 1) << "written at " << at;
}

// Audio left in the delay line by normal mode is played once in reverse, then overwritten:
// silence going in gives silence coming out after two turns of the ring.
TEST_F(OmbriskSoundTest, ReverseLeavesNoStaleSampleBehind)
{
    set(0, 1.0f);
    set(3, 1.0f);
    set(1, 0.0f);
    run(noise(5000, 4));
    set(6, 1.0f);
    const auto output = run(std::vector<float>(20000, 0.0f));
    EXPECT_TRUE(nonZero(std::vector<float>(output.begin() + 2 * 1832, output.end())).empty());
}

INSTANTIATE_TEST_SUITE_P(Blocks, OmbriskReverseBlockTest, ::testing::Values(1, 64, 441, 512, 4096));

} // namespace
