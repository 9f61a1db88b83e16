#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "DelayEffect.h"
#include "DelayParameters.h"

namespace {

// Opens the engine's fields to the tests. Parameter changes reach the engine at the start of
// the next block; applyChanges stands for that start where a test sets positions by hand.
class DelayProbe : public DelayEffect {
public:
    DelayProbe() : DelayEffect(nullptr) {}

    using DelayEffect::applyChanges;
    using DelayEffect::altCount;
    using DelayEffect::altLength;
    using DelayEffect::altPhase;
    using DelayEffect::bpm;
    using DelayEffect::bufferLength;
    using DelayEffect::delayLength;
    using DelayEffect::divisor;
    using DelayEffect::multiplier;
    using DelayEffect::outposSteps;
    using DelayEffect::reverseMode;
    using DelayEffect::revType;
    // The delay line's samples and positions.
    float* const buffer = line.data();
    VstInt32& readPos = line.readPos;
    VstInt32& writePos = line.writePos;

    // Every sample of the delay line holds its own index, so an output names where it was read.
    void fillWithIndices() { std::iota(buffer, buffer + bufferLength, 0.0f); }

    // Runs the input through processReplacing in one block; answers the first output.
    std::vector<float> play(std::vector<float> in)
    {
        std::vector<float> left(in.size()), right(in.size());
        float* inputs[] = {in.data()};
        float* outputs[] = {left.data(), right.data()};
        processReplacing(inputs, outputs, static_cast<VstInt32>(in.size()));
        return left;
    }
    std::vector<float> silence(VstInt32 frames)
    {
        return play(std::vector<float>(static_cast<std::size_t>(frames), 0.0f));
    }
};

std::vector<float> range(float first, float last)
{
    std::vector<float> values;
    const float step = last >= first ? 1.0f : -1.0f;
    for (float v = first; v != last + step; v += step)
        values.push_back(v);
    return values;
}

std::vector<float> join(std::vector<float> a, const std::vector<float>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(DelayEngineTest, ConstructionDerivesTheDefaultDelay)
{
    DelayProbe probe;
    EXPECT_EQ(probe.bpm, 117);
    EXPECT_EQ(probe.divisor, 1);
    EXPECT_EQ(probe.multiplier, 1);
    EXPECT_EQ(probe.outposSteps, 0);
    EXPECT_EQ(probe.delayLength, 90244);
    EXPECT_EQ(probe.reverseMode, 0);
    EXPECT_EQ(probe.revType, 0);
    EXPECT_EQ(probe.altLength, 90244);
    EXPECT_EQ(probe.altPhase, 1);
    EXPECT_EQ(probe.altCount, 0);
    EXPECT_EQ(probe.writePos, 0);
    EXPECT_EQ(probe.readPos, 220500 - 90244);
}

struct PositionCase {
    const char* name;
    float reverse;
    float revType;
    VstInt32 writePos;
    float outpos;
    VstInt32 readPos;
};

class ReadPositionTest : public ::testing::TestWithParam<PositionCase> {};

// With the shortest delay, 1832 samples.
TEST_P(ReadPositionTest, FollowsTheWritePosition)
{
    const PositionCase& c = GetParam();
    DelayProbe probe;
    probe.setParameter(ombrisk::tempo, 1.0f);
    probe.setParameter(ombrisk::divisor, 1.0f);
    probe.setParameter(ombrisk::reverseType, c.revType);
    probe.setParameter(ombrisk::reverse, c.reverse);
    probe.applyChanges();
    probe.writePos = c.writePos;
    probe.setParameter(ombrisk::readLag, c.outpos);
    probe.applyChanges();
    EXPECT_EQ(probe.delayLength, 1832);
    EXPECT_EQ(probe.readPos, c.readPos);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, ReadPositionTest,
    ::testing::Values(PositionCase{"LagFits", 0, 0, 10000, 1.0f, 10000 - 2 * 1832},
                      PositionCase{"LagDropped", 0, 0, 3000, 1.0f, 3000 - 1832},
                      PositionCase{"HalfLag", 0, 0, 10000, 0.5f, 10000 - 1832 - 916},
                      PositionCase{"ExactlyOneDelay", 0, 0, 1832, 0.0f, 0},
                      PositionCase{"NormalWrapsTheRing", 0, 0, 1000, 1.0f, 1000 - 1832 + 220500},
                      PositionCase{"ReverseStartsAtTheTop", 1, 0, 1000, 0.0f, 1831},
                      PositionCase{"AlternateStartsAtTheTop", 1, 1, 1000, 0.0f, 1831},
                      PositionCase{"ReverseBeyondTheRing", 1, 0, 5000, 0.0f, 5000 - 1832}),
    [](const ::testing::TestParamInfo<PositionCase>& param) {
        return std::string(param.param.name);
    });

TEST(DelayEngineTest, AlternateLengthIsTakenWhenTheModeIsSet)
{
    DelayProbe probe;
    probe.altPhase = 0;
    probe.setParameter(ombrisk::reverseType, 1.0f);
    probe.setParameter(ombrisk::reverse, 1.0f);
    probe.applyChanges();
    EXPECT_EQ(probe.reverseMode, 2);
    EXPECT_EQ(probe.altPhase, 1);
    EXPECT_EQ(probe.altLength, 90244);
    probe.setParameter(ombrisk::divisor, 1.0f);
    probe.applyChanges();
    EXPECT_EQ(probe.delayLength, 2820);
    EXPECT_EQ(probe.altLength, 90244);
}

// The phase turns at the end of the chunk in which the count was reached.
TEST(DelayEngineTest, AlternatePhaseTurnsAfterTheChunk)
{
    DelayProbe probe;
    probe.setParameter(ombrisk::feedback, 0.0f);
    probe.setParameter(ombrisk::tempo, 1.0f);
    probe.setParameter(ombrisk::divisor, 1.0f);
    probe.setParameter(ombrisk::reverseType, 1.0f);
    probe.setParameter(ombrisk::reverse, 1.0f);
    probe.applyChanges();
    probe.fillWithIndices();
    probe.altLength = 1000;
    probe.altCount = 900;
    probe.altPhase = 0;
    probe.writePos = 100;
    probe.readPos = 5000;

    EXPECT_EQ(probe.silence(512), range(5000, 5511));
    EXPECT_EQ(probe.altPhase, 1);
    EXPECT_EQ(probe.altCount, 0);
    // A read position beyond the ring comes back into it one delay at a time.
    EXPECT_EQ(probe.readPos, 5512 - 1832);
    EXPECT_EQ(probe.silence(512), range(5512 - 1832, 5001 - 1832));
    EXPECT_EQ(probe.altPhase, 1);
    EXPECT_EQ(probe.altCount, 512);
}

// Backward reads run down to index 0 and start again at the top of the ring.
TEST(DelayEngineTest, ReverseRestartsAtTheTopOfTheRing)
{
    DelayProbe probe;
    probe.setParameter(ombrisk::feedback, 0.0f);
    probe.setParameter(ombrisk::tempo, 1.0f);
    probe.setParameter(ombrisk::divisor, 1.0f);
    probe.setParameter(ombrisk::reverse, 1.0f);
    probe.applyChanges();
    probe.fillWithIndices();
    probe.writePos = 1500;
    probe.readPos = 10;
    EXPECT_EQ(probe.silence(20), join(range(10, 0), range(1831, 1823)));
    EXPECT_EQ(probe.readPos, 1822);
}

// Inside the ring, the write position wraps at its end even in the middle of a block.
TEST(DelayEngineTest, ReverseWritesWrapAtTheRingEnd)
{
    DelayProbe probe;
    probe.setParameter(ombrisk::feedback, 0.0f);
    probe.setParameter(ombrisk::tempo, 1.0f);
    probe.setParameter(ombrisk::divisor, 1.0f);
    probe.setParameter(ombrisk::reverse, 1.0f);
    probe.applyChanges();
    probe.writePos = 1800;
    probe.readPos = 1000;
    std::vector<float> in(64, 1.0f), left(64), right(64);
    float* inputs[] = {in.data()};
    float* outputs[] = {left.data(), right.data()};
    probe.processReplacing(inputs, outputs, 64);
    EXPECT_EQ(probe.writePos, 32);
    EXPECT_EQ(probe.buffer[1831], 1.0f);
    EXPECT_EQ(probe.buffer[1832], 0.0f);
    EXPECT_EQ(probe.buffer[31], 1.0f);
}

// A write position left far beyond the ring by normal mode comes back one delay per chunk.
TEST(DelayEngineTest, ReverseBringsTheWritePositionBackOneDelayPerChunk)
{
    DelayProbe probe;
    probe.setParameter(ombrisk::tempo, 1.0f);
    probe.setParameter(ombrisk::divisor, 1.0f);
    probe.setParameter(ombrisk::reverse, 1.0f);
    probe.applyChanges();
    probe.writePos = 100000;
    probe.readPos = 1800;
    probe.silence(512);
    EXPECT_EQ(probe.writePos, 100512 - 1832);
    probe.silence(512);
    EXPECT_EQ(probe.writePos, 100512 + 512 - 2 * 1832);
}

// Forward chunks end where either position meets the end of the buffer.
TEST(DelayEngineTest, ForwardWrapsBothPositionsAtTheBufferEnd)
{
    DelayProbe probe;
    probe.setParameter(ombrisk::feedback, 0.0f);
    probe.applyChanges();
    probe.fillWithIndices();
    probe.writePos = 220400;
    probe.readPos = 220450;
    EXPECT_EQ(probe.silence(512), join(range(220450, 220499), range(0, 461)));
    EXPECT_EQ(probe.readPos, 462);
    EXPECT_EQ(probe.writePos, 412);
}

// Turning forward, the read position meets the write position: the ring then plays as a
// delay of its whole length.
TEST(DelayEngineTest, AlternateForwardPhaseStartsAtTheWritePosition)
{
    DelayProbe probe;
    probe.setParameter(ombrisk::tempo, 1.0f);
    probe.setParameter(ombrisk::divisor, 1.0f);
    probe.setParameter(ombrisk::reverseType, 1.0f);
    probe.setParameter(ombrisk::reverse, 1.0f);
    probe.applyChanges();
    probe.altLength = 100;
    probe.writePos = 1780;
    probe.readPos = 1500;
    probe.silence(100);
    EXPECT_EQ(probe.altPhase, 0);
    EXPECT_EQ(probe.writePos, 1880 - 1832);
    EXPECT_EQ(probe.readPos, 1880 - 1832);
    probe.silence(50);
    EXPECT_EQ(probe.altPhase, 0);
    EXPECT_EQ(probe.writePos, 98);
    EXPECT_EQ(probe.readPos, 98);
}

// However the kernel steps through a block, every sample reads the ring exactly as one sample
// at a time would, also where the write position runs one to three samples ahead of the read
// position or crosses it anywhere within the block: outputs and ring equal a plain model of
// the loop.
TEST(DelayEngineTest, KernelsMatchOneSampleAtATime)
{
    for (bool backward : {false, true}) {
        for (VstInt32 offset = -9; offset <= 77; ++offset) {
            DelayProbe probe;
            probe.setParameter(ombrisk::tempo, 1.0f);
            probe.setParameter(ombrisk::divisor, 1.0f);
            probe.setParameter(ombrisk::feedback, 0.7f);
            probe.setParameter(ombrisk::volume, 0.8f);
            probe.setParameter(ombrisk::reverse, backward ? 1.0f : 0.0f);
            probe.applyChanges();
            std::mt19937 random(static_cast<unsigned>(offset + 100));
            std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
            for (VstInt32 k = 0; k < 1832; ++k)
                probe.buffer[k] = sample(random);
            std::vector<float> input(37);
            for (float& x : input)
                x = sample(random);
            const VstInt32 w = 600;
            const VstInt32 r = backward ? w + offset : w - offset;

            std::vector<float> ring(probe.buffer, probe.buffer + 1832), expected;
            for (VstInt32 i = 0; i < 37; ++i) {
                const float y = 0.8f * ring[static_cast<std::size_t>(backward ? r - i : r + i)];
                ring[static_cast<std::size_t>(w + i)] = static_cast<float>(
                    static_cast<double>(input[static_cast<std::size_t>(i)]) +
                    static_cast<double>(0.7f) * static_cast<double>(y));
                expected.push_back(y);
            }
            probe.writePos = w;
            probe.readPos = r;
            EXPECT_EQ(probe.play(input), expected) << (backward ? "backward " : "forward ") << offset;
            EXPECT_EQ(std::vector<float>(probe.buffer, probe.buffer + 1832), ring)
                << (backward ? "backward " : "forward ") << offset;
        }
    }
}

TEST(DelayEngineTest, ProgramOutsideTheRangeIsIgnored)
{
    DelayProbe probe;
    probe.setProgram(3);
    probe.setProgram(16);
    probe.setProgram(-1);
    EXPECT_EQ(probe.getProgram(), 3);
}

} // namespace
