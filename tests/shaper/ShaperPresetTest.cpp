// Vorlane's factory presets and the chunk codec: each preset loads into the engine and saves
// as the very bytes the codec writes, and a decoded chunk encodes to itself.
#include "ShaperEffect.h"
#include "ShaperPresets.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(ShaperPresetTest, EveryPresetLoadsAndSavesAsItsChunk)
{
    std::set<std::string> names;
    for (const vorlane::Preset& preset : vorlane::presets()) {
        EXPECT_TRUE(names.insert(preset.name).second) << preset.name;
        EXPECT_GE(preset.state.count, 2) << preset.name;
        std::vector<unsigned char> bytes = vorlane::encodeChunk(preset.state);
        ShaperEffect effect(nullptr);
        ASSERT_EQ(effect.setChunk(bytes.data(), static_cast<VstInt32>(bytes.size()), false), 1) << preset.name;
        void* saved = nullptr;
        const VstInt32 size = effect.getChunk(&saved, false);
        ASSERT_EQ(size, static_cast<VstInt32>(bytes.size())) << preset.name;
        EXPECT_EQ(std::vector<unsigned char>(static_cast<unsigned char*>(saved), static_cast<unsigned char*>(saved) + size), bytes)
            << preset.name;
        for (int i = 1; i < vorlane::parameterCount; ++i)
            EXPECT_EQ(effect.getParameter(i), preset.state.values[i - 1]) << preset.name << " " << i;
    }
    for (const char* name : {"hard-fold", "soft-clip", "tilted-warmth"})
        EXPECT_EQ(names.count(name), 1u) << name;
}

TEST(ShaperPresetTest, DecodingClampsAndRefusesWithoutTouchingTheState)
{
    vorlane::ShaperState wild = vorlane::presets()[0].state;
    wild.points[1] = {1.5f, -0.25f};
    wild.values[3] = 7.0f;
    vorlane::ShaperState read;
    ASSERT_TRUE(vorlane::decodeChunk(vorlane::encodeChunk(wild).data(), vorlane::chunkSize(wild.count), read));
    EXPECT_EQ(read.points[1], (CurvePoint{1.0f, 0.0f}));
    EXPECT_EQ(read.values[3], 1.0f);
    vorlane::ShaperState again;
    ASSERT_TRUE(vorlane::decodeChunk(vorlane::encodeChunk(read).data(), vorlane::chunkSize(read.count), again));
    EXPECT_EQ(vorlane::encodeChunk(again), vorlane::encodeChunk(read)) << "a decoded chunk encodes to itself";

    const vorlane::ShaperState before = read;
    std::vector<unsigned char> bytes = vorlane::encodeChunk(before);
    EXPECT_FALSE(vorlane::decodeChunk(bytes.data(), bytes.size() - 1, read)) << "one byte short";
    bytes[0] = 'W';
    EXPECT_FALSE(vorlane::decodeChunk(bytes.data(), bytes.size(), read)) << "bad header";
    EXPECT_FALSE(vorlane::decodeChunk(nullptr, 100, read));
    EXPECT_EQ(vorlane::encodeChunk(read), vorlane::encodeChunk(before));
}

}  // namespace
