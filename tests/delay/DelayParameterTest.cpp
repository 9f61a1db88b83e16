// The parameter table's user readings against what the engine makes of them, and the factory
// presets in the engine.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "DelayEffect.h"
#include "DelayPresets.h"

namespace {

class DelayReadings : public DelayEffect {
public:
    DelayReadings() : DelayEffect(nullptr) {}
    VstInt32 shown(int index) const
    {
        switch (index) {
        case ombrisk::tempo:
            return bpm;
        case ombrisk::divisor:
            return divisor;
        case ombrisk::multiplier:
            return multiplier;
        default:
            return outposSteps;
        }
    }
};

// Every whole number of every stepped parameter, set as the table converts it, is the number
// the engine derives; a conversion at the edge of a step would show the one below.
TEST(DelayParameterTest, EveryStepReachesTheEngineAsItself)
{
    DelayReadings effect;
    for (int index : {ombrisk::tempo, ombrisk::divisor, ombrisk::multiplier, ombrisk::readLag}) {
        const Parameter& p = ombrisk::parameters[index];
        ASSERT_EQ(p.scale, ParameterScale::steps);
        EXPECT_EQ(p.toNormalised(p.low), 0.0f) << p.symbol;
        EXPECT_EQ(p.toNormalised(p.high), 1.0f) << p.symbol;
        for (int user = static_cast<int>(p.low); user <= static_cast<int>(p.high); ++user) {
            effect.setParameter(index, p.toNormalised(user));
            EXPECT_EQ(effect.shown(index), user) << p.symbol;
            EXPECT_EQ(p.toUser(effect.getParameter(index)), user) << p.symbol;
        }
    }
}

TEST(DelayParameterTest, VolumeInDecibelsKeepsSilenceAndUnity)
{
    const Parameter& volume = ombrisk::parameters[ombrisk::volume];
    EXPECT_EQ(volume.toNormalised(volume.low), 0.0f) << "the lowest reading is silence";
    EXPECT_EQ(volume.toUser(0.0f), volume.low);
    EXPECT_EQ(volume.toNormalised(0.0), 1.0f);
    EXPECT_EQ(volume.toNormalised(12.0), 1.0f) << "held to the range";
    for (float v : {0.001f, 0.1f, 0.5f, 0.8f, 0.9f})
        EXPECT_NEAR(volume.toNormalised(volume.toUser(v)), v, 1e-6f * v);
}

TEST(DelayParameterTest, FactoryPresetsAreDistinctAndInRange)
{
    std::set<std::string> names;
    std::set<std::string> settings;
    for (const ombrisk::Preset& preset : ombrisk::presets()) {
        EXPECT_TRUE(names.insert(preset.name).second) << preset.name;
        std::string key;
        for (float v : preset.values) {
            EXPECT_GE(v, 0.0f) << preset.name;
            EXPECT_LE(v, 1.0f) << preset.name;
            key += std::to_string(v) + " ";
        }
        EXPECT_TRUE(settings.insert(key).second) << preset.name << " repeats another preset";
        EXPECT_GT(preset.tail, 0.0) << preset.name;
    }
    EXPECT_EQ(names.count("slapback") + names.count("dotted-eighth") + names.count("long-wash"), 3u);
}

TEST(DelayParameterTest, TheDemosPresetsHaveTheirShape)
{
    struct Expected {
        const char* name;
        int bpm, divisor, multiplier, lag;
    };
    const Expected cases[] = {{"slapback", 150, 16, 1, 0}, {"dotted-eighth", 120, 16, 3, 0}, {"long-wash", 70, 2, 1, 8}};
    for (const Expected& e : cases) {
        DelayReadings effect;
        for (const ombrisk::Preset& preset : ombrisk::presets()) {
            if (std::string(preset.name) != e.name)
                continue;
            for (int i = 0; i < ombrisk::parameterCount; ++i)
                effect.setParameter(i, preset.values[i]);
        }
        EXPECT_EQ(effect.shown(ombrisk::tempo), e.bpm) << e.name;
        EXPECT_EQ(effect.shown(ombrisk::divisor), e.divisor) << e.name;
        EXPECT_EQ(effect.shown(ombrisk::multiplier), e.multiplier) << e.name;
        EXPECT_EQ(effect.shown(ombrisk::readLag), e.lag) << e.name;
    }
}

} // namespace
