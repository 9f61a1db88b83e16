// Ombrisk.so under what a careless or hostile host sends: non-finite and huge samples, echoes
// decaying below the float range, and parameter changes from a second thread while audio runs.
#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <thread>

#include "DelayParameters.h"
#include "OmbriskFixture.h"

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace {

class OmbriskHostileTest : public OmbriskFixture {
protected:
    // The shortest delay, 1832 samples, with the given feedback.
    void shortestDelay(float feedback)
    {
        set(0, 1.0f);
        set(3, 1.0f);
        set(1, feedback);
    }
};

struct BadSampleCase {
    const char* name;
    float sample;
    float feedback;
};

void PrintTo(const BadSampleCase& c, std::ostream* out)
{
    *out << c.name;
}

class OmbriskBadSampleTest : public OmbriskHostileTest,
                             public ::testing::WithParamInterface<BadSampleCase> {};

// A NaN or infinite sample is silence: every echo after it sounds as if a zero had come in,
// whatever the feedback.
TEST_P(OmbriskBadSampleTest, NonFiniteInputCountsAsSilence)
{
    shortestDelay(GetParam().feedback);
    const auto clean = noise(12000, 8);
    auto poisoned = clean;
    poisoned[100] = GetParam().sample;
    auto silenced = clean;
    silenced[100] = 0.0f;
    const auto expected = run(silenced);

    // The same positions again: normal mode keeps the delay's distance, a suspend clears the
    // ring.
    plugin->dispatch(effMainsChanged, 0, 0);
    plugin->dispatch(effMainsChanged, 0, 1);
    const auto output = run(poisoned, 333);
    ASSERT_EQ(output.size(), expected.size());
    for (std::size_t i = 0; i < output.size(); ++i)
        ASSERT_EQ(output[i], expected[i]) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, OmbriskBadSampleTest,
    ::testing::Values(BadSampleCase{"NanWithoutFeedback", std::numeric_limits<float>::quiet_NaN(), 0.0f},
                      BadSampleCase{"NanWithFeedback", std::numeric_limits<float>::quiet_NaN(), 0.7f},
                      BadSampleCase{"Infinity", std::numeric_limits<float>::infinity(), 0.5f},
                      BadSampleCase{"MinusInfinity", -std::numeric_limits<float>::infinity(), 1.0f}),
    [](const auto& param) { return std::string(param.param.name); });

// The largest finite samples at full feedback: the loop holds them at the edge of the float
// range instead of overflowing to infinity.
TEST_F(OmbriskHostileTest, HugeInputAtFullFeedbackStaysFinite)
{
    shortestDelay(1.0f);
    auto input = noise(20000, 3);
    input[10] = FLT_MAX;
    input[1842] = FLT_MAX;
    input[2000] = -FLT_MAX;
    input[2000 + 1832] = -FLT_MAX;
    const auto output = run(input);
    for (std::size_t i = 0; i < output.size(); ++i)
        ASSERT_TRUE(std::isfinite(output[i])) << "sample " << i;
    EXPECT_EQ(output[10 + 2 * 1832], FLT_MAX);
    EXPECT_EQ(output[2000 + 2 * 1832], -FLT_MAX);
}

// At feedback 0.9 an echo falls below the smallest normal float after about 830 turns; from
// there on it is zero, instead of settling on the smallest denormals for ever.
TEST_F(OmbriskHostileTest, EchoesDecayToZeroBelowTheFloatRange)
{
    shortestDelay(0.9f);
    run(impulse(4096, 0));
    std::vector<float> silence(4096, 0.0f);
    std::vector<float> last;
    for (int block = 0; block < 600; ++block) {
        last = run(silence, 4096);
        for (float sample : last)
            ASSERT_NE(std::fpclassify(sample), FP_SUBNORMAL) << "block " << block;
    }
    EXPECT_TRUE(nonZero(last).empty()) << nonZero(last).front().second;
}

class OmbriskDelayChangeTest;

// How a host changes the delay while audio runs: one parameter, or the whole program.
struct DelayChange {
    const char* name;
    void (*prepare)(OmbriskDelayChangeTest& test);
    void (*apply)(OmbriskDelayChangeTest& test, bool longer);
};

void PrintTo(const DelayChange& c, std::ostream* out)
{
    *out << c.name;
}

class OmbriskDelayChangeTest : public OmbriskHostileTest,
                               public ::testing::WithParamInterface<DelayChange> {
public:
    void setParameter(VstInt32 index, float value) { set(index, value); }
    void selectProgram(VstInt32 program) { plugin->dispatch(effSetProgram, 0, program); }
};

// The parameter thread changes the delay (1832 samples or 3665) at a random moment while the
// audio thread processes silence; once the audio thread has run two more blocks it stops, and
// an impulse must come back after the new delay. Every change must arrive, in every trial.
TEST_P(OmbriskDelayChangeTest, EveryChangeFromAnotherThreadReachesTheAudio)
{
    shortestDelay(0.0f);
    GetParam().prepare(*this);
    std::mt19937 random(11);
    std::uniform_int_distribution<long> wait(0, 40);
    int lost = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const bool longer = trial % 2 == 0;
        std::atomic<bool> stop{false};
        std::atomic<long> blocks{0};
        std::thread audio([&] {
            std::vector<float> in(64, 0.0f), left(64), right(64);
            float* inputs[] = {in.data()};
            float* outputs[] = {left.data(), right.data()};
            while (!stop) {
                effect->processReplacing(effect, inputs, outputs, 64);
                ++blocks;
            }
        });
        const long start = wait(random);
        while (blocks < start)
            std::this_thread::yield();
        GetParam().apply(*this, longer);
        const long changedAt = blocks;
        while (blocks < changedAt + 2)
            std::this_thread::yield();
        stop = true;
        audio.join();

        plugin->dispatch(effMainsChanged, 0, 0);
        plugin->dispatch(effMainsChanged, 0, 1);
        const auto echoes = nonZero(run(impulse(4000, 0), 64));
        const std::size_t expected = longer ? 3665 : 1832;
        if (echoes.empty() || echoes.front().first != expected)
            ++lost;
    }
    EXPECT_EQ(lost, 0) << "changes lost in 300 trials";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, OmbriskDelayChangeTest,
    ::testing::Values(
        DelayChange{"DivisorParameter", [](OmbriskDelayChangeTest&) {},
                    [](OmbriskDelayChangeTest& test, bool longer) {
                        test.setParameter(ombrisk::divisor, longer ? 0.5f : 1.0f);
                    }},
        // Program 1 holds the longer delay, program 0 the shorter one.
        DelayChange{"Program",
                    [](OmbriskDelayChangeTest& test) {
                        test.selectProgram(1);
                        for (auto [index, value] : {std::pair{0, 1.0f}, {1, 0.0f}, {3, 0.5f}})
                            test.setParameter(index, value);
                        test.selectProgram(0);
                    },
                    [](OmbriskDelayChangeTest& test, bool longer) {
                        test.selectProgram(longer ? 1 : 0);
                    }}),
    [](const auto& param) { return std::string(param.param.name); });

#if defined(__SSE__) || defined(__x86_64__)
// The guard that flushes denormals during processing gives the host its own setting back
// (the sticky exception flags in the low six bits are the arithmetic's, not a setting).
TEST_F(OmbriskHostileTest, ProcessingKeepsTheCallersFloatingPointMode)
{
    const unsigned int original = _mm_getcsr();
    const unsigned int flushing = _MM_FLUSH_ZERO_ON | 0x0040u;  // and denormals-are-zero
    const unsigned int settings = ~0x3fu;
    for (unsigned int mode : {original & ~flushing, original | flushing}) {
        _mm_setcsr(mode);
        run(noise(512, 1));
        std::vector<float> input(64, 1.0f), left(64), right(64);
        float* inputs[] = {input.data()};
        float* outputs[] = {left.data(), right.data()};
        effect->process(effect, inputs, outputs, 64);
        const unsigned int after = _mm_getcsr();
        _mm_setcsr(original);
        EXPECT_EQ(after & settings, mode & settings);
    }
}
#endif

// A host automating the tempo while the user drags the divisor fader: in every round two
// threads set the two parameters of one delay at the same moment. Once both are done the
// displays show what each set, not a shape derived before the other thread's change came in.
TEST_F(OmbriskHostileTest, DisplaysFollowChangesFromTwoThreadsAtOnce)
{
    constexpr int rounds = 50000;
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    auto setter = [&](VstInt32 index) {
        for (int round = 1; round <= rounds; ++round) {
            while (started.load() < round)
                std::this_thread::yield();
            set(index, round % 2 == 0 ? 0.0f : 1.0f);
            ++finished;
        }
    };
    std::thread tempo(setter, 0);
    std::thread divisor(setter, 3);
    int stale = 0;
    for (int round = 1; round <= rounds; ++round) {
        started = round;
        while (finished.load() < 2 * round)
            std::this_thread::yield();
        const bool odd = round % 2 != 0;
        if (text(effGetParamDisplay, 0) != (odd ? "    180" : "     55") ||
            text(effGetParamDisplay, 3) != (odd ? "     32" : "      1"))
            ++stale;
    }
    tempo.join();
    divisor.join();
    EXPECT_EQ(stale, 0) << "rounds of " << rounds << " whose displays kept a stale delay";
}

// A host switching the plug-in off (effMainsChanged 0) from its own thread while the audio
// thread is still in its blocks: the ring is cleared between blocks, never under the audio
// thread's feet, and after the last suspend silence in gives silence out.
TEST_F(OmbriskHostileTest, SuspendFromAnotherThreadWhileAudioRunsEmptiesTheRing)
{
    shortestDelay(0.8f);
    std::atomic<bool> done{false};
    std::thread audio([&] {
        const auto loud = noise(512, 5);
        while (!done)
            run(loud);
    });
    for (int i = 0; i < 2000; ++i) {
        plugin->dispatch(effMainsChanged, 0, 0);
        std::this_thread::yield();
    }
    done = true;
    audio.join();
    plugin->dispatch(effMainsChanged, 0, 0);
    plugin->dispatch(effMainsChanged, 0, 1);
    const auto output = run(std::vector<float>(8192, 0.0f));
    EXPECT_TRUE(nonZero(output).empty()) << nonZero(output).size() << " samples sound";
}

} // namespace
