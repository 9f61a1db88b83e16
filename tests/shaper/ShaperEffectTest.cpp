#include "EditorBase.h"
#include "ShaperEffect.h"
#include "ShaperParameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>
#include <vector>

namespace {

// Stereo buffers of one block.
struct Stereo {
    explicit Stereo(size_t frames, float value = 0.0f) : left(frames, value), right(frames, value) {}
    float** channels()
    {
        pointers = {left.data(), right.data()};
        return pointers.data();
    }
    std::vector<float> left, right;
    std::array<float*, 2> pointers{};
};

Stereo noise(size_t frames, unsigned seed, float amplitude = 0.8f)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-amplitude, amplitude);
    Stereo s(frames);
    for (size_t i = 0; i < frames; ++i) {
        s.left[i] = d(rng);
        s.right[i] = d(rng);
    }
    return s;
}

Stereo run(ShaperEffect& effect, Stereo input)
{
    Stereo out(input.left.size());
    effect.processReplacing(input.channels(), out.channels(), VstInt32(input.left.size()));
    return out;
}

// A block of no frames: the engine takes what was set since the last block, as it does at the
// start of every block.
void takeChanges(ShaperEffect& effect)
{
    run(effect, Stereo(0));
}

class CountingEditor : public EditorBase {
public:
    CountingEditor(EffectBase* edited, int& counter) : EditorBase(edited), count(counter) {}
    void requestRefresh() override { ++count; }
    int& count;
};

// A setting that exercises every stage: high-pass before, low-pass after, some drive.
void colour(ShaperEffect& e)
{
    e.setParameter(vorlane::preGain, 0.8f);
    e.setParameter(vorlane::preFilter, 0.3f);
    e.setParameter(vorlane::postGain, 0.6f);
    e.setParameter(vorlane::postFilter, 0.9f);
    e.setParameter(vorlane::preSwitch, 1.0f);
    e.setParameter(vorlane::dryWet, 0.2f);
}

}  // namespace

TEST(ShaperEffect, FreshEffectHoldsTheDefaults)
{
    ShaperEffect effect(nullptr);
    const float expected[] = {0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
    for (VstInt32 i = 0; i < 8; ++i)
        EXPECT_EQ(effect.getParameter(i), expected[i]) << i;
    EXPECT_EQ(effect.getParameter(vorlane::parameterCount), 0.0f);
    EXPECT_EQ(effect.getParameter(-1), 0.0f);
    EXPECT_EQ(effect.getShapeTable()[0], 0.0f);
    for (int i = 1; i < ShaperEffect::shapeTableSize; ++i)
        ASSERT_NEAR(effect.getShapeTable()[i], (i - 1) / 1024.0, 0.001) << i;
    EXPECT_EQ(effect.getAEffect()->uniqueID, fourCharCode("Vorl"));
}

TEST(ShaperEffect, CutoffGlidesLinearlyForAboutThreeThousandSamples)
{
    ShaperEffect effect(nullptr);
    effect.setParameter(vorlane::preFilter, 1.0f);
    effect.setParameter(vorlane::postFilter, 0.0f);
    Stereo in(1, 0.1f);
    int preSamples = 0, postSamples = 0;
    for (int i = 0; i < 4000; ++i) {
        const float pre = effect.getPreCutoff(), post = effect.getPostCutoff();
        run(effect, in);
        preSamples += effect.getPreCutoff() != pre;
        postSamples += effect.getPostCutoff() != post;
    }
    EXPECT_EQ(preSamples, 2941);
    EXPECT_NEAR(effect.getPreCutoff(), 0.9901f, 1e-4f);
    EXPECT_EQ(effect.getPreFilterLeft().getCutoff(), effect.getPreCutoff());
    EXPECT_EQ(postSamples, 2941);
    EXPECT_NEAR(effect.getPostCutoff(), 0.0099f, 1e-4f);
    EXPECT_EQ(effect.getPostFilterRight().getCutoff(), effect.getPostCutoff());

    // A new target within 0.01 of the cutoff does not move the filters at all.
    effect.setParameter(vorlane::preFilter, effect.getPreCutoff() + 0.005f);
    const float before = effect.getPreCutoff();
    run(effect, Stereo(512, 0.1f));
    EXPECT_EQ(effect.getPreCutoff(), before);
}

// The glide runs per sample whatever the host's block size: one block of 6000 frames must
// sound exactly like 6000 blocks of one frame, also for targets outside 0..1.
TEST(ShaperEffect, GlideDoesNotDependOnTheBlockSize)
{
    const struct {
        float preTarget, postTarget;
    } cases[] = {{1.0f, 0.0f}, {0.52f, 0.9f}, {1.3f, -0.2f}, {0.0f, 0.5f}, {45.0f, 0.1f}};
    for (const auto& c : cases) {
        ShaperEffect whole(nullptr), single(nullptr);
        for (ShaperEffect* e : {&whole, &single}) {
            colour(*e);
            e->setParameter(vorlane::preFilter, c.preTarget);
            e->setParameter(vorlane::postFilter, c.postTarget);
        }
        Stereo in = noise(6000, 11);
        const Stereo expected = run(whole, in);
        for (size_t i = 0; i < 6000; ++i) {
            float* inFrame[2] = {&in.left[i], &in.right[i]};
            float outLeft = 0.0f, outRight = 0.0f;
            float* outFrame[2] = {&outLeft, &outRight};
            single.processReplacing(inFrame, outFrame, 1);
            ASSERT_EQ(outLeft, expected.left[i]) << c.preTarget << " " << c.postTarget << " " << i;
            ASSERT_EQ(outRight, expected.right[i]) << c.preTarget << " " << c.postTarget << " " << i;
        }
        EXPECT_EQ(whole.getPreCutoff(), single.getPreCutoff());
        EXPECT_EQ(whole.getPostCutoff(), single.getPostCutoff());
    }
}

TEST(ShaperEffect, SmallTargetChangeLeavesTheFiltersUntouched)
{
    ShaperEffect effect(nullptr);
    effect.setParameter(vorlane::preFilter, 0.505f);
    run(effect, Stereo(4096, 0.1f));
    EXPECT_EQ(effect.getPreCutoff(), 0.5f);
    EXPECT_EQ(effect.getPreFilterLeft().getCutoff(), 0.5f);
}

TEST(ShaperEffect, ProcessAddsWhatProcessReplacingWrites)
{
    for (bool glide : {false, true}) {
        ShaperEffect replacing(nullptr), adding(nullptr);
        colour(replacing);
        colour(adding);
        if (!glide) {  // let both finish their glides first
            run(replacing, Stereo(4096));
            run(adding, Stereo(4096));
        }
        // Whole blocks, then lengths that end inside the engine's groups of four frames or
        // below the lag of its post filters.
        const size_t lengths[] = {512, 512, 512, 512, 1, 3, 6, 7, 13, 509, 2};
        for (size_t block = 0; block < std::size(lengths); ++block) {
            const size_t frames = lengths[block];
            Stereo in = noise(frames, unsigned(block));
            const Stereo written = run(replacing, in);
            Stereo added(frames, 0.25f);
            adding.process(in.channels(), added.channels(), VstInt32(frames));
            for (size_t i = 0; i < frames; ++i) {
                ASSERT_EQ(added.left[i], 0.25f + written.left[i]) << glide << " " << frames << " " << i;
                ASSERT_EQ(added.right[i], 0.25f + written.right[i]) << glide << " " << frames << " " << i;
            }
        }
    }
}

TEST(ShaperEffect, DryWetOnePassesTheInputAndZeroOnlyTheProcessedSignal)
{
    ShaperEffect effect(nullptr);
    colour(effect);
    effect.setParameter(vorlane::dryWet, 1.0f);
    Stereo in = noise(2048, 7, 3.0f);
    const Stereo out = run(effect, in);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);

    // No drive into the shaper: with DryWet 0 nothing of the input reaches the output.
    effect.setParameter(vorlane::preGain, 0.0f);
    effect.setParameter(vorlane::dryWet, 0.0f);
    effect.suspend();
    const Stereo silent = run(effect, in);
    for (size_t i = 0; i < 2048; ++i)
        ASSERT_EQ(silent.left[i], 0.0f) << i;

    // Between the two, the output is the linear mix of the processed signal and the input.
    ShaperEffect wet(nullptr), mixed(nullptr);
    mixed.setParameter(vorlane::dryWet, 0.25f);
    in = noise(2048, 8, 0.3f);
    const Stereo w = run(wet, in);
    const Stereo m = run(mixed, in);
    for (size_t i = 0; i < 2048; ++i)
        ASSERT_NEAR(m.left[i], 0.75f * w.left[i] + 0.25f * in.left[i], 1e-6f) << i;
}

// Settled DC through low-pass filters: gain 2 drives the shaper input to +-2, which reads the
// last table entry; the output is scale x that entry + offset.
TEST(ShaperEffect, LimitsApplyOnlyOnTheSideOfTheShaperPath)
{
    // y runs downwards, so this curve's output falls to -1.5 at full scale.
    const CurvePoint falling[] = {{0.0f, 1.0f}, {1.0f, 2.5f}};
    const struct {
        const CurvePoint* points;
        float postGain, input, dry, scale, offset;
    } cases[] = {
        // Drive beyond full scale reads the last entry with the input's sign.
        {nullptr, 0.5f, 1.0f, 0.0f, 1.0f, 0.0f},
        {nullptr, 0.5f, -1.0f, 0.0f, -1.0f, 0.0f},
        // Post gain pushes the level past 1: limited to the wet share on its own side.
        {nullptr, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f},
        {nullptr, 1.0f, -1.0f, 0.25f, 0.0f, 0.25f * -1.0f - 0.75f},
        // The positive path has no lower limit, the negative path no upper one.
        {falling, 0.5f, 1.0f, 0.0f, 1.0f, 0.0f},
        {falling, 1.0f, -1.0f, 0.5f, -1.0f, -0.5f},
    };
    for (const auto& c : cases) {
        ShaperEffect effect(nullptr);
        effect.getCurve().setPoints(c.points, c.points ? 2 : 0);
        effect.setParameter(vorlane::shaper, 0.0f);
        effect.setParameter(vorlane::preGain, 1.0f);
        effect.setParameter(vorlane::postGain, c.postGain);
        effect.setParameter(vorlane::dryWet, c.dry);
        takeChanges(effect);
        const float last = effect.getShapeTable()[1023];
        const float expected = c.scale * last * 2.0f * c.postGain * (1.0f - c.dry) + c.offset;
        const Stereo out = run(effect, Stereo(20000, c.input));
        EXPECT_NEAR(out.left.back(), expected, 2e-4f) << c.postGain << " " << c.input;
        EXPECT_NEAR(out.right.back(), expected, 2e-4f) << c.postGain << " " << c.input;
        if (c.points) {
            EXPECT_NEAR(last, -1.5f, 3e-3f);
        }
    }
}

TEST(ShaperEffect, NonFiniteParameterValuesAreIgnoredFiniteOnesStoredAsGiven)
{
    ShaperEffect effect(nullptr);
    for (VstInt32 index = 1; index < 8; ++index) {
        effect.setParameter(index, std::numeric_limits<float>::quiet_NaN());
        effect.setParameter(index, std::numeric_limits<float>::infinity());
        effect.setParameter(index, -std::numeric_limits<float>::infinity());
    }
    const float expected[] = {0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
    for (VstInt32 i = 0; i < 8; ++i)
        EXPECT_EQ(effect.getParameter(i), expected[i]) << i;
    effect.setParameter(vorlane::preFilter, 7.5f);
    effect.setParameter(vorlane::dryWet, -3.0f);
    EXPECT_EQ(effect.getParameter(vorlane::preFilter), 7.5f);
    EXPECT_EQ(effect.getParameter(vorlane::dryWet), -3.0f);
    // Out-of-range cutoffs still glide through valid table entries.
    const Stereo out = run(effect, noise(8192, 3));
    for (float v : out.left)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(ShaperEffect, EverySetParameterRequestsARefresh)
{
    ShaperEffect effect(nullptr);
    int refreshes = 0;
    effect.setEditor(new CountingEditor(&effect, refreshes));
    effect.setParameter(vorlane::parameterCount, 0.3f);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(effect.getParameter(vorlane::parameterCount), 0.0f);
    effect.setParameter(vorlane::postGain, 0.3f);
    EXPECT_EQ(refreshes, 2);
}

TEST(ShaperEffect, SuspendClearsFilterStatesButKeepsGlideAndGains)
{
    ShaperEffect effect(nullptr);
    effect.setParameter(vorlane::preFilter, 1.0f);
    run(effect, noise(100, 1));
    const float cutoff = effect.getPreCutoff();
    ASSERT_NE(effect.getPreFilterLeft().stateZ1(), 0.0f);
    effect.suspend();
    takeChanges(effect); // the audio thread clears them at its next block
    EXPECT_EQ(effect.getPreFilterLeft().stateZ1(), 0.0f);
    EXPECT_EQ(effect.getPostFilterRight().stateZ2(), 0.0f);
    EXPECT_EQ(effect.getPreCutoff(), cutoff);
    EXPECT_EQ(effect.getParameter(vorlane::preFilter), 1.0f);
    run(effect, Stereo(1));
    EXPECT_GT(effect.getPreCutoff(), cutoff);
}

TEST(ShaperEffect, NonFiniteInputRecoversAfterTheBlock)
{
    ShaperEffect effect(nullptr);
    Stereo poisoned = noise(64, 2);
    poisoned.left[10] = std::numeric_limits<float>::quiet_NaN();
    poisoned.right[20] = std::numeric_limits<float>::infinity();
    run(effect, poisoned);
    const Stereo out = run(effect, noise(64, 3));
    for (size_t i = 0; i < 64; ++i) {
        ASSERT_TRUE(std::isfinite(out.left[i])) << i;
        ASSERT_TRUE(std::isfinite(out.right[i])) << i;
    }
}

// A NaN or infinite sample is silence: both channels sound as if a zero had come in, instead
// of being pulled towards -1 for the rest of the block.
TEST(ShaperEffect, NonFiniteInputCountsAsSilence)
{
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
        ShaperEffect poisonedEffect(nullptr), silencedEffect(nullptr);
        colour(poisonedEffect);
        colour(silencedEffect);
        for (unsigned block = 0; block < 2; ++block) {
            Stereo poisoned = noise(256, 4 + block), silenced = poisoned;
            if (block == 0) {
                poisoned.left[10] = poisoned.right[40] = bad;
                silenced.left[10] = silenced.right[40] = 0.0f;
            }
            const Stereo got = run(poisonedEffect, poisoned);
            const Stereo expected = run(silencedEffect, silenced);
            for (size_t i = 0; i < 256; ++i) {
                ASSERT_EQ(got.left[i], expected.left[i]) << bad << " block " << block << " frame " << i;
                ASSERT_EQ(got.right[i], expected.right[i]) << bad << " block " << block << " frame " << i;
            }
        }
    }
}

// A note decaying through the denormal range: no output sample is denormal, so nothing in the
// chain computes with them (they cost tens of times more per operation).
TEST(ShaperEffect, DecayThroughTheDenormalRangeGivesNoDenormalOutput)
{
    ShaperEffect effect(nullptr);
    colour(effect);
    float level = 0.5f;
    for (int block = 0; block < 8; ++block) {
        Stereo in(512);
        for (size_t i = 0; i < 512; ++i) {
            in.left[i] = level;
            in.right[i] = -level;
            level *= 0.85f;
        }
        const Stereo out = run(effect, in);
        for (size_t i = 0; i < 512; ++i) {
            ASSERT_NE(std::fpclassify(out.left[i]), FP_SUBNORMAL) << "block " << block << " frame " << i;
            ASSERT_NE(std::fpclassify(out.right[i]), FP_SUBNORMAL) << "block " << block << " frame " << i;
        }
    }
}

TEST(ShaperEffect, EmptyOrMissingBuffersOnlyFlushTheFilters)
{
    ShaperEffect effect(nullptr);
    run(effect, Stereo(64, 1e-12f));
    Stereo s(4);
    effect.processReplacing(s.channels(), s.channels(), 0);
    effect.processReplacing(nullptr, nullptr, 64);
    float* holes[2] = {nullptr, nullptr};
    effect.process(holes, holes, 64);
    EXPECT_EQ(effect.getPreFilterLeft().stateZ1(), 0.0f);
}

// A new rate's tables are built aside: the filters keep the tables and coefficients they run on
// until the next block starts, and then switch to the new ones whole.
TEST(ShaperEffect, NewSampleRateWaitsForTheNextBlock)
{
    ShaperEffect effect(nullptr);
    colour(effect);
    run(effect, noise(4000, 1));
    const ToneFilter& filter = effect.getPreFilterLeft();
    const ToneFilter::Coefficients* table = filter.currentTable();
    const std::vector<float> tableBefore(&table[0].a0, &table[0].a0 + 5 * ToneFilter::tableSize);
    const auto same = [](const ToneFilter::Coefficients& a, const ToneFilter::Coefficients& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    };
    const ToneFilter::Coefficients before = filter.coefficients();

    effect.setSampleRate(96000.0f);
    EXPECT_EQ(filter.getSampleRate(), 44100.0);
    EXPECT_EQ(filter.currentTable(), table);
    EXPECT_TRUE(std::equal(tableBefore.begin(), tableBefore.end(), &table[0].a0));
    EXPECT_TRUE(same(before, filter.coefficients()));

    takeChanges(effect);
    ToneFilter expected;
    expected.setSampleRate(96000.0);
    expected.setMode(filter.getMode());
    expected.setCutoff(filter.getCutoff());
    EXPECT_EQ(filter.getSampleRate(), 96000.0);
    EXPECT_TRUE(same(expected.coefficients(), filter.coefficients()));
}

TEST(ShaperEffect, SampleRateReachesAllFourFilters)
{
    ShaperEffect effect(nullptr);
    effect.setSampleRate(96000.0f);
    takeChanges(effect);
    EXPECT_EQ(effect.getPreFilterLeft().getSampleRate(), 96000.0);
    EXPECT_EQ(effect.getPostFilterRight().getSampleRate(), 96000.0);
}

// A host thread changes the sample rate, the filter modes, the cutoffs and the curve while the
// audio thread processes: every block stays finite and without bursts (no table or coefficient
// set is ever read half built or half switched), and afterwards the engine holds exactly what
// was set last. Run under ThreadSanitizer as well.
TEST(ShaperEffect, ChangesFromAnotherThreadArriveWhole)
{
    ShaperEffect effect(nullptr);
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    bool finite = true;
    float loudest = 0.0f;
    std::thread audio([&] {
        Stereo in = noise(256, 9, 0.5f), out(256);
        while (!stop) {
            effect.processReplacing(in.channels(), out.channels(), 256);
            for (size_t i = 0; i < 256; ++i) {
                for (float sample : {out.left[i], out.right[i]}) {
                    finite = finite && std::isfinite(sample);
                    loudest = std::max(loudest, std::fabs(sample));
                }
            }
            ++blocks;
        }
    });

    std::mt19937 rng(3);
    std::uniform_real_distribution<float> cutoff(0.4f, 0.9f), coordinate(0.0f, 1.0f);
    const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
    float rate = 44100.0f, preSwitch = 0.0f, postSwitch = 0.0f;
    for (int change = 0; change < 400; ++change) {
        switch (change % 4) {
        case 0:
            rate = rates[rng() % 5];
            effect.setSampleRate(rate);
            break;
        case 1:
            preSwitch = float(rng() % 2);
            postSwitch = float(rng() % 2);
            effect.setParameter(vorlane::preSwitch, preSwitch);
            effect.setParameter(vorlane::postSwitch, postSwitch);
            break;
        case 2:
            effect.setParameter(vorlane::preFilter, cutoff(rng));
            effect.setParameter(vorlane::postFilter, cutoff(rng));
            break;
        default: {
            CurvePoint points[6];
            for (int i = 0; i < 6; ++i)
                points[i] = {float(i) / 5.0f, coordinate(rng)};
            effect.getCurve().setPoints(points, 6);
            effect.setParameter(vorlane::shaper, 0.0f);
            break;
        }
        }
        if (rng() % 2 == 0) {
            const long seen = blocks;
            while (blocks == seen)
                std::this_thread::yield();
        }
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(finite);
    EXPECT_LT(loudest, 100.0f);

    takeChanges(effect);
    EXPECT_EQ(effect.getPreFilterLeft().getSampleRate(), rate);
    EXPECT_EQ(effect.getPostFilterRight().getSampleRate(), rate);
    EXPECT_EQ(effect.getPreFilterLeft().getMode(), int(preSwitch));
    EXPECT_EQ(effect.getPostFilterRight().getMode(), int(postSwitch));
    ShaperEffect fresh(nullptr);
    const ShaperCurve::Shape last = effect.getCurve().shape();
    fresh.getCurve().setPoints(last.points.data(), last.count);
    fresh.setParameter(vorlane::shaper, 0.0f);
    takeChanges(fresh);
    EXPECT_TRUE(std::equal(fresh.getShapeTable(), fresh.getShapeTable() + 1024, effect.getShapeTable()));
}

namespace {

// The chain written plainly, one sample at a time, with the filters' own tick and setCutoff:
// the engine's block-wise glide must sound exactly like it.
class PlainShaper {
public:
    explicit PlainShaper(const float* shapeTable)
    {
        for (int i = 0; i < 1024; ++i)
            table[i] = shapeTable[i];
        for (int i = 0; i < 1023; ++i)
            slope[i] = table[i + 1] - table[i];
        slope[1023] = 0.0f;
    }

    void setParameter(int index, float v)
    {
        switch (index) {
        case 1: preGain = 2.0f * v; break;
        case 2: preTarget = v; preStep = (v - preCutoff) * 0.00033333333f; break;
        case 3: postGain = 2.0f * v; break;
        case 4: postTarget = v; postStep = (v - postCutoff) * 0.00033333333f; break;
        case 5: pre[0].setMode(v != 0.0f ? 1 : 0); pre[1].setMode(v != 0.0f ? 1 : 0); break;
        case 6: post[0].setMode(v != 0.0f ? 1 : 0); post[1].setMode(v != 0.0f ? 1 : 0); break;
        case 7: dry = v; break;
        default: break;
        }
    }

    void run(float** in, float** out, int frames)
    {
        const bool gliding = std::fabs(preCutoff - preTarget) > 0.01 || std::fabs(postCutoff - postTarget) > 0.01;
        for (int i = 0; i < frames; ++i) {
            for (int ch = 0; ch < 2; ++ch)
                out[ch][i] = sample(ch, in[ch][i]);
            if (!gliding)
                continue;
            if (std::fabs(preCutoff - preTarget) > 0.01) {
                preCutoff = step(preCutoff, preTarget, preStep);
                pre[0].setCutoff(preCutoff);
                pre[1].setCutoff(preCutoff);
            }
            if (std::fabs(postCutoff - postTarget) > 0.01) {
                postCutoff = step(postCutoff, postTarget, postStep);
                post[1].setCutoff(postCutoff);
                post[0].setCutoff(postCutoff);
            }
        }
        for (ToneFilter* f : {&pre[0], &pre[1], &post[0], &post[1]})
            f->flushDenormals();
    }

private:
    // A step that would pass the target ends the glide on it.
    static float step(float cutoff, float target, float by)
    {
        const float next = cutoff + by;
        if (by > 0.0f && next > target)
            return target;
        if (by < 0.0f && next < target)
            return target;
        return next;
    }

    float sample(int ch, float x)
    {
        const float g = pre[ch].tick(x) * preGain;
        bool positive;
        float a;
        if (g > 1.0f) {
            positive = true;
            a = 1.0f;
        } else if (g < -1.0f) {
            positive = false;
            a = 1.0f;
        } else if (g >= 0.0f) {
            positive = true;
            a = g;
        } else {
            positive = false;
            a = -g;
        }
        const float p = a * 1023.0f;
        const int i = int(p);
        float s = (p - float(i)) * slope[i] + table[i];
        if (!positive)
            s = -s;
        const float l = post[ch].tick(s) * postGain;
        if (positive && l > 1.0f)
            return dry * x + (1.0f - dry);
        if (!positive && l < -1.0f)
            return dry * x - (1.0f - dry);
        return (1.0f - dry) * l + dry * x;
    }

    ToneFilter pre[2], post[2];
    float table[1024], slope[1024];
    float preCutoff = 0.5f, postCutoff = 0.5f, preTarget = 0.5f, postTarget = 0.5f;
    float preStep = 0.0f, postStep = 0.0f, preGain = 1.0f, postGain = 1.0f, dry = 0.0f;
};

}  // namespace

// Random settings between blocks of random length, glides starting, reversing and arriving
// inside blocks, targets beyond 0..1 (some far beyond) and mode switches mid-glide: every output sample, and the
// cutoffs reached, equal the plain chain's.
TEST(ShaperEffect, BlocksSoundExactlyLikeThePlainPerSampleChain)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        ShaperEffect effect(nullptr);
        const CurvePoint bent[] = {{0.0f, 1.0f}, {0.2f, 0.1f}, {0.5f, 0.6f}, {0.8f, 0.0f}, {1.0f, 0.4f}};
        effect.getCurve().setPoints(bent, 5);
        effect.setParameter(vorlane::shaper, 0.0f);
        takeChanges(effect);
        PlainShaper plain(effect.getShapeTable());
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> blockLength(0, 700), parameter(1, 7), coin(0, 3);
        std::uniform_real_distribution<float> value(0.0f, 1.0f), wide(-0.4f, 1.4f), far(-3000.0f, 3000.0f);
        for (int block = 0; block < 60; ++block) {
            for (int change = coin(rng); change > 0; --change) {
                const int index = parameter(rng);
                const bool cutoff = index == 2 || index == 4;
                const float v = cutoff && coin(rng) == 0 ? (coin(rng) == 0 ? far(rng) : wide(rng))
                                : index >= 5 && index <= 6 ? float(coin(rng) % 2)
                                                           : value(rng);
                effect.setParameter(index, v);
                plain.setParameter(index, v);
            }
            const int frames = blockLength(rng);
            Stereo in = noise(size_t(frames), seed * 1000 + unsigned(block), 1.5f);
            Stereo expected{size_t(frames)};
            plain.run(in.channels(), expected.channels(), frames);
            const Stereo got = run(effect, in);
            for (int i = 0; i < frames; ++i) {
                ASSERT_EQ(got.left[size_t(i)], expected.left[size_t(i)]) << seed << " " << block << " " << i;
                ASSERT_EQ(got.right[size_t(i)], expected.right[size_t(i)]) << seed << " " << block << " " << i;
            }
        }
    }
}

// A host may send cutoffs far outside 0..1. Their glides must end, and a later target must
// still glide the filters back, however far out the previous one was.
TEST(ShaperEffect, GlideFarBeyondTheTableEndsAndALaterTargetStillGlidesBack)
{
    const float biggest = std::numeric_limits<float>::max();
    for (float far : {1000.0f, -5000.0f, 1e7f, 3e38f, -biggest, biggest}) {
        ShaperEffect effect(nullptr);
        effect.setParameter(vorlane::preFilter, far);
        effect.setParameter(vorlane::postFilter, -far);
        run(effect, Stereo(8000, 0.1f));
        EXPECT_LE(std::fabs(effect.getPreCutoff() - far), 0.01f) << far;
        EXPECT_LE(std::fabs(effect.getPostCutoff() + far), 0.01f) << far;

        effect.setParameter(vorlane::preFilter, 0.3f);
        effect.setParameter(vorlane::postFilter, 0.7f);
        run(effect, Stereo(8000, 0.1f));
        EXPECT_LE(std::fabs(effect.getPreCutoff() - 0.3f), 0.01f) << far;
        EXPECT_LE(std::fabs(effect.getPostCutoff() - 0.7f), 0.01f) << far;
        EXPECT_EQ(effect.getPreFilterLeft().getCutoff(), effect.getPreCutoff()) << far;
        EXPECT_EQ(effect.getPostFilterRight().getCutoff(), effect.getPostCutoff()) << far;
    }
}

// A host thread loads curves (points replaced, table rebuilt) while the editor thread moves a
// point and sets parameter 0 and the audio thread processes: two threads build tables at once.
// Afterwards the audio thread plays the table of the last curve, not of one a slower build
// sampled earlier: its output equals that of a fresh effect given the same curve.
TEST(ShaperEffect, CurveChangesFromAnotherThreadAndTheEditorEndInTheLastCurvesTable)
{
    ShaperEffect effect(nullptr);
    const CurvePoint loaded[2][5] = {{{0, 1}, {0.2f, 0.1f}, {0.5f, 0.6f}, {0.8f, 0.0f}, {1, 0.4f}},
                                     {{0, 1}, {0.1f, 0.9f}, {0.3f, 0.2f}, {0.7f, 0.5f}, {1, 0.0f}}};
    std::atomic<bool> done{false};
    std::thread audio([&] {
        Stereo in = noise(256, 5), out(256);
        while (!done)
            effect.processReplacing(in.channels(), out.channels(), 256);
    });
    std::thread editor([&] {
        for (int i = 0; i < 300; ++i) {
            effect.getCurve().edit().move(2, {0.5f, float(i % 10) / 10.0f});
            effect.setParameter(vorlane::shaper, 0.0f);
        }
    });
    for (int i = 0; i < 300; ++i) {
        effect.getCurve().setPoints(loaded[i % 2], 5);
        effect.rebuildShapeTable();
    }
    editor.join();
    done = true;
    audio.join();

    ShaperEffect fresh(nullptr);
    const ShaperCurve::Shape last = effect.getCurve().shape();
    fresh.getCurve().setPoints(last.points.data(), last.count);
    fresh.setParameter(vorlane::shaper, 0.0f);
    takeChanges(effect);
    takeChanges(fresh);
    EXPECT_TRUE(std::equal(effect.getShapeTable(), effect.getShapeTable() + 1024, fresh.getShapeTable()));

    effect.suspend();
    const Stereo in = noise(512, 4);
    EXPECT_EQ(run(effect, in).left, run(fresh, in).left);
}

// A host switching the plug-in off from its own thread while the audio thread is still in its
// blocks: the filters are cleared between blocks, never under the audio thread's feet, and
// after the last suspend the effect sounds as a fresh one.
TEST(ShaperEffect, SuspendFromAnotherThreadWhileAudioRunsClearsTheFilters)
{
    ShaperEffect effect(nullptr), fresh(nullptr);
    for (ShaperEffect* e : {&effect, &fresh}) {
        e->setParameter(vorlane::preFilter, 0.2f);
        e->setParameter(vorlane::postFilter, 0.8f);
        takeChanges(*e);
    }
    std::atomic<bool> done{false};
    std::thread audio([&] {
        Stereo in = noise(256, 9), out(256);
        while (!done)
            effect.processReplacing(in.channels(), out.channels(), 256);
    });
    for (int i = 0; i < 2000; ++i) {
        effect.suspend();
        std::this_thread::yield();
    }
    done = true;
    audio.join();
    // Both glides ended, however few blocks the audio thread got through.
    for (int i = 0; i < 40; ++i) {
        run(effect, Stereo(256));
        run(fresh, Stereo(256));
    }
    effect.suspend();
    fresh.suspend();
    const Stereo in = noise(512, 6);
    EXPECT_EQ(run(effect, in).left, run(fresh, in).left);
}
