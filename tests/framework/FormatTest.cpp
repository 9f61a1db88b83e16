#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "FakeHost.h"

namespace {

struct FloatCase {
    float value;
    const char* text;
};

class FormatTest : public ::testing::Test {
protected:
    std::string floatText(float value)
    {
        char text[16];
        std::memset(text, '#', sizeof text);
        effect.formatFloat(value, text);
        return text;
    }

    EffectCounters counters;
    TestEffect effect{counters, nullptr};
};

TEST_F(FormatTest, FloatTruncatesToEightCharacters)
{
    const FloatCase cases[] = {
        {0.0f, "0.000000"},       {0.5f, "0.500000"},      {0.999999f, "0.999998"},
        {123.456f, "123.4560"},   {-0.25f, "-0.25000"},    {-6.0206f, "-6.02059"},
        {1234567.0f, "1234567."}, {100000000.0f, " Huge!  "}, {-10000000.0f, " Huge!  "},
        {1.0f, "1.000000"},       {9999999.0f, "9999999."}, {-999999.0f, "-999999."},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(floatText(c.value), c.text) << c.value;
}

// Eight integer digits (or a sign and seven) do not fit: the text says so instead of
// dropping the leading digit.
TEST_F(FormatTest, FloatTooWideForEightCharactersIsHuge)
{
    for (float value : {12345678.0f, 99999990.0f, -1234567.0f, -9999999.0f,
                        std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity()})
        EXPECT_EQ(floatText(value), " Huge!  ") << value;
    EXPECT_EQ(floatText(std::numeric_limits<float>::quiet_NaN()).size(), 8u);
}

TEST_F(FormatTest, Decibel)
{
    const FloatCase cases[] = {
        {1.0f, "0.000000"},   {0.5f, "-6.02059"}, {0.25f, "-12.0411"}, {2.0f, "6.020599"},
        {0.000001f, "-120.000"}, {0.0f, "  -oo   "}, {-3.0f, "  -oo   "},
    };
    for (const FloatCase& c : cases) {
        char text[16];
        effect.formatDecibel(c.value, text);
        EXPECT_STREQ(text, c.text) << c.value;
    }
}

TEST_F(FormatTest, HertzAndMillisecondsUseTheSampleRate)
{
    char text[16];
    effect.formatHertz(0.0f, text);
    EXPECT_STREQ(text, "0.000000");
    effect.formatHertz(441.0f, text);
    EXPECT_STREQ(text, "100.0000");
    effect.formatMilliseconds(44100.0f, text);
    EXPECT_STREQ(text, "1000.000");
    effect.setSampleRate(48000.0f);
    effect.formatMilliseconds(48.0f, text);
    EXPECT_STREQ(text, "1.000000");
}

TEST_F(FormatTest, Integer)
{
    const std::pair<VstInt32, const char*> cases[] = {
        {117, "    117"},       {0, "      0"},        {-5, "     -5"},
        {12345678, "12345678"}, {99999999, "99999999"}, {100000000, " Huge!  "},
        {-9999999, "-9999999"}, {-10000000, " Huge!  "},
        {std::numeric_limits<VstInt32>::min(), " Huge!  "},
    };
    for (const auto& [value, expected] : cases) {
        char text[16];
        effect.formatInteger(value, text);
        EXPECT_STREQ(text, expected) << value;
    }
}

// The derived formatters go through the virtual formatFloat and getSampleRate.
class OverridingEffect : public TestEffect {
public:
    using TestEffect::TestEffect;
    void formatFloat(float value, char* text) override
    {
        const std::string shown = "<" + std::to_string(std::lround(value)) + ">";
        std::strcpy(text, shown.c_str());
    }
    float getSampleRate() override { return 1000.0f; }
};

TEST_F(FormatTest, DerivedFormattersUseTheVirtualTable)
{
    EffectCounters overrideCounters;
    OverridingEffect overriding(overrideCounters, nullptr);
    char text[16];
    overriding.formatHertz(10.0f, text);
    EXPECT_STREQ(text, "<100>");
    overriding.formatMilliseconds(500.0f, text);
    EXPECT_STREQ(text, "<500>");
    overriding.formatDecibel(10.0f, text);
    EXPECT_STREQ(text, "<20>");
}

} // namespace
