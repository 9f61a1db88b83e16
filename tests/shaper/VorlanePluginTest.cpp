// Vorlane.so as a host sees it: loaded through our loader, driven only through its record.
#include "PluginLoader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

class Vorlane : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        plugin = PluginLoader::open(VORLANE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        effect = plugin->effect();
        plugin->dispatch(effOpen);
    }

    std::string text(VstInt32 opcode, VstInt32 index)
    {
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        buffer[63] = '\0';
        plugin->dispatch(opcode, index, 0, buffer);
        return buffer;
    }

    Bytes chunk()
    {
        void* data = nullptr;
        const VstIntPtr size = plugin->dispatch(effGetChunk, 0, 0, &data);
        if (size <= 0 || !data)
            return {};
        const auto* bytes = static_cast<const unsigned char*>(data);
        return Bytes(bytes, bytes + size);
    }

    // The bytes are handed over in a buffer of exactly their size, so reading past it is caught
    // by the sanitizer build.
    VstIntPtr setChunk(const Bytes& bytes)
    {
        Bytes copy = bytes;
        return plugin->dispatch(effSetChunk, 0, VstIntPtr(copy.size()), copy.empty() ? nullptr : copy.data());
    }

    std::vector<float> render(size_t frames)
    {
        std::vector<float> inLeft(frames), inRight(frames), outLeft(frames), outRight(frames);
        for (size_t i = 0; i < frames; ++i) {
            inLeft[i] = 0.9f * std::sin(0.031f * float(i));
            inRight[i] = 0.7f * std::sin(0.177f * float(i));
        }
        float* in[2] = {inLeft.data(), inRight.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, in, out, VstInt32(frames));
        outLeft.insert(outLeft.end(), outRight.begin(), outRight.end());
        return outLeft;
    }

    std::unique_ptr<PluginLoader> plugin;
    AEffect* effect = nullptr;
};

// Builds a chunk the way the format lays it out.
Bytes makeChunk(std::int32_t n, const std::vector<float>& points, const std::vector<float>& values,
                const char* header = "Vorlane v1.0")
{
    Bytes b(13, 0);
    std::memcpy(b.data(), header, std::strlen(header));
    const auto put = [&b](const void* p, size_t size) {
        const auto* c = static_cast<const unsigned char*>(p);
        b.insert(b.end(), c, c + size);
    };
    put(&n, 4);
    for (float v : points)
        put(&v, 4);
    for (float v : values)
        put(&v, 4);
    return b;
}

float floatAt(const Bytes& b, size_t offset)
{
    float v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}

const std::vector<float> fivePoints = {0.0f, 1.0f, 0.1f, 0.2f, 0.4f, 0.1f, 0.7f, 0.3f, 1.0f, 0.0f};
const std::vector<float> someValues = {0.9f, 0.3f, 0.4f, 0.8f, 1.0f, 0.0f, 0.35f};

}  // namespace

TEST_F(Vorlane, RecordDescribesAStereoEffectWithChunksAndAnEditor)
{
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->uniqueID, fourCharCode("VorE"));
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numParams, 8);
    EXPECT_EQ(effect->numPrograms, 0);
    EXPECT_EQ(effect->flags, effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing | effFlagsProgramChunks);
}

TEST_F(Vorlane, ParametersShowTheirNamesLabelsAndTexts)
{
    const char* names[] = {"Shaper", "PreGain", "PreFilter", "PostGain", "PostFilter", "PreSwitch", "PostSwitch", "DryWet"};
    const char* labels[] = {"", "dB", "Hz", "dB", "Hz", "", "", "% wet"};
    const char* displays[] = {"-special-", "0.000000", "0.500000", "0.000000", "0.500000", "LP", "LP", "    100"};
    for (VstInt32 i = 0; i < 8; ++i) {
        EXPECT_EQ(text(effGetParamName, i), names[i]);
        EXPECT_EQ(text(effGetParamLabel, i), labels[i]);
        EXPECT_EQ(text(effGetParamDisplay, i), displays[i]) << i;
    }
    // Out-of-range indices write nothing.
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        EXPECT_EQ(text(opcode, 8).substr(0, 4), "####");

    const struct {
        VstInt32 index;
        float value;
        const char* display;
    } cases[] = {
        {1, 1.0f, "6.020599"}, {3, 0.0f, "  -oo   "}, {2, 0.25f, "0.250000"},
        {5, 0.25f, "HP"},      {6, 1.0f, "HP"},       {5, 0.0f, "LP"},
        {7, 1.0f, "      0"},  {7, 0.25f, "     75"}, {7, 1.0f - 0.33f, "     33"},
        {7, 1.0f - 0.29f, "     29"},
    };
    for (const auto& c : cases) {
        effect->setParameter(effect, c.index, c.value);
        EXPECT_EQ(text(effGetParamDisplay, c.index), c.display) << c.index << " " << c.value;
        EXPECT_EQ(effect->getParameter(effect, c.index), c.value);
    }
}

TEST_F(Vorlane, ProgramNameIsKeptAndCutToFit)
{
    EXPECT_EQ(text(effGetProgramName, 0), "Init");
    char name[] = "Warm tape saturation with extra fuzz";
    plugin->dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(text(effGetProgramName, 0), "Warm tape saturation wi");
}

TEST_F(Vorlane, DefaultChunkHoldsTwoPointsAndTheDefaults)
{
    const Bytes b = chunk();
    ASSERT_EQ(b.size(), 61u);
    EXPECT_EQ(std::memcmp(b.data(), "Vorlane v1.0\0", 13), 0);
    std::int32_t n;
    std::memcpy(&n, b.data() + 13, 4);
    EXPECT_EQ(n, 2);
    const float expected[] = {0.0f, 1.0f, 1.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
    for (size_t i = 0; i < 11; ++i)
        EXPECT_EQ(floatAt(b, 17 + 4 * i), expected[i]) << i;
}

TEST_F(Vorlane, ChunkRoundTripReproducesCurveParametersAndSound)
{
    ASSERT_EQ(setChunk(makeChunk(5, fivePoints, someValues)), 1);
    const Bytes saved = chunk();
    ASSERT_EQ(saved.size(), 45u + 40u);
    for (VstInt32 i = 1; i < 8; ++i)
        EXPECT_EQ(effect->getParameter(effect, i), someValues[size_t(i - 1)]);
    const std::vector<float> sound = render(8192);

    std::string error;
    auto other = PluginLoader::open(VORLANE_PATH, error);
    ASSERT_TRUE(other) << error;
    Bytes copy = saved;
    ASSERT_EQ(other->dispatch(effSetChunk, 0, VstIntPtr(copy.size()), copy.data()), 1);
    std::swap(plugin, other);
    effect = plugin->effect();
    EXPECT_EQ(chunk(), saved);
    EXPECT_EQ(render(8192), sound);
}

TEST_F(Vorlane, ChunkWithOnePointRestoresTheDefaultCurve)
{
    ASSERT_EQ(setChunk(makeChunk(5, fivePoints, someValues)), 1);
    ASSERT_EQ(setChunk(makeChunk(1, {0.3f, 0.3f}, someValues)), 1);
    const Bytes b = chunk();
    ASSERT_EQ(b.size(), 61u);
    EXPECT_EQ(floatAt(b, 17), 0.0f);
    EXPECT_EQ(floatAt(b, 21), 1.0f);
    EXPECT_EQ(floatAt(b, 25), 1.0f);
    EXPECT_EQ(floatAt(b, 29), 0.0f);
    for (VstInt32 i = 1; i < 8; ++i)
        EXPECT_EQ(effect->getParameter(effect, i), someValues[size_t(i - 1)]);
}

// A chunk may carry finite values far outside 0..1, which neither the editor nor a host can
// set: they load as 0 or 1, the rest of the chunk as it stands, and the sound stays finite and
// within a few times full scale.
TEST_F(Vorlane, ChunkValuesOutsideTheRangeLoadAtItsEdges)
{
    const float big = 3e38f;
    const std::vector<float> wildPoints = {0.0f, 1.0f, 0.4f, -big, 2.5f, 0.3f, 0.7f, 7.0f, 1.0f, -0.5f};
    const std::vector<float> wildValues = {1e30f, 0.3f, 2e38f, -4.0f, 1.0f, 0.0f, 0.35f};
    ASSERT_EQ(setChunk(makeChunk(5, wildPoints, wildValues)), 1);
    const Bytes saved = chunk();
    ASSERT_EQ(saved.size(), 45u + 40u);
    const float points[] = {0.0f, 1.0f, 0.4f, 0.0f, 1.0f, 0.3f, 0.7f, 1.0f, 1.0f, 0.0f};
    for (size_t i = 0; i < 10; ++i)
        EXPECT_EQ(floatAt(saved, 17 + 4 * i), points[i]) << "point coordinate " << i;
    const float values[] = {1.0f, 0.3f, 1.0f, 0.0f, 1.0f, 0.0f, 0.35f};
    for (VstInt32 i = 1; i < 8; ++i)
        EXPECT_EQ(effect->getParameter(effect, i), values[size_t(i - 1)]) << "parameter " << i;
    for (float sample : render(8192)) {
        ASSERT_TRUE(std::isfinite(sample));
        ASSERT_LT(std::fabs(sample), 10.0f);
    }
}

TEST_F(Vorlane, MalformedChunksAreRefusedAndChangeNothing)
{
    ASSERT_EQ(setChunk(makeChunk(5, fivePoints, someValues)), 1);
    const Bytes before = chunk();
    (void)render(4096);  // lets the cutoff glides finish
    const auto suspend = [this] { plugin->dispatch(effMainsChanged, 0, 0); };
    suspend();
    const std::vector<float> sound = render(4096);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> nanPoint = fivePoints;
    nanPoint[3] = nan;
    std::vector<float> infValue = someValues;
    infValue[6] = -inf;
    const Bytes good = makeChunk(3, {0.0f, 1.0f, 0.5f, 0.5f, 1.0f, 0.0f}, someValues);
    const Bytes truncated(good.begin(), good.end() - 1);
    Bytes badHeader = good;
    badHeader[12] = 'x';

    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"header only", Bytes(good.begin(), good.begin() + 13)},
        {"one byte short", truncated},
        {"bad header", badHeader},
        {"other header", makeChunk(3, {0.0f, 1.0f, 0.5f, 0.5f, 1.0f, 0.0f}, someValues, "Vorlane v2.0")},
        {"negative count", makeChunk(-2, {}, someValues)},
        {"51 points", makeChunk(51, std::vector<float>(102, 0.5f), someValues)},
        {"huge count", makeChunk(0x7fffffff, fivePoints, someValues)},
        {"count beyond size", makeChunk(6, fivePoints, someValues)},
        {"NaN point", makeChunk(5, nanPoint, someValues)},
        {"infinite value", makeChunk(5, fivePoints, infValue)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(setChunk(c.bytes), 0) << c.what;
        EXPECT_EQ(chunk(), before) << c.what;
    }
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 61, nullptr), 0);
    suspend();
    EXPECT_EQ(render(4096), sound);
}
