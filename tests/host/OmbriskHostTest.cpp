// The built Ombrisk.so through plughost: what a host is told and what it renders.
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

TEST(OmbriskHost, InfoShowsPortsProgramsAndParameters)
{
    const auto result = runCommand({PLUGHOST, "info", OMBRISK_PLUGIN});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* pattern : {
             R"(Unique ID:\s+'OmbE')",
             R"(Inputs:\s+1\nOutputs:\s+2\n)",
             R"(Programs:\s+16\n\s+0\s+"Init 1"\n(.*\n){14}\s+15\s+"Init 16"\n)",
             R"(Parameters:\s+8\n)",
             R"(\n\s+0\s+" delay  "\s+"bpm "\s+"    117"\s+0.500000\n)",
             R"(\n\s+7\s+"norm/alt"\s+"rev type")",
         })
        EXPECT_TRUE(std::regex_search(result.out, std::regex(pattern))) << pattern << "\n" << result.out;
    EXPECT_EQ(result.out.find("Chunk:"), std::string::npos) << "Ombrisk saves no chunk";
}

class OmbriskEcho : public testing::TestWithParam<bool> {};

// The shortest delay (180 bpm, divided by 32: 1832 samples) with feedback 0.5 and volume 1:
// an impulse comes back at 1.0, 0.5, 0.25 every 1832 samples on both outputs, and nothing else,
// whichever processing call the host uses.
TEST_P(OmbriskEcho, ImpulseRepeatsEveryDelay)
{
    ScratchFolder dir;
    Sound impulse {44100, 1, std::vector<float>(6000, 0.0f)};
    impulse.samples[0] = 1.0f;
    ASSERT_TRUE(writeSound(dir / "impulse.wav", impulse));
    std::vector<std::string> command {PLUGHOST, "process", OMBRISK_PLUGIN, (dir / "impulse.wav").string(),
                                      (dir / "echo.wav").string(), "--param", "0=1", "--param", "3=1",
                                      "--block", "500"};
    if (GetParam())
        command.push_back("--accumulate");
    const auto result = runCommand(command);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Sound echo = readSound(dir / "echo.wav");
    ASSERT_EQ(echo.channels, 2);
    ASSERT_EQ(echo.frames(), 6000);
    for (long f = 0; f < echo.frames(); ++f) {
        const float expected = f == 1832 ? 1.0f : f == 3664 ? 0.5f : f == 5496 ? 0.25f : 0.0f;
        ASSERT_EQ(echo.at(f, 0), expected) << "frame " << f;
        ASSERT_EQ(echo.at(f, 1), expected) << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, OmbriskEcho, testing::Bool(),
                         [](const auto& param) { return param.param ? "process" : "processReplacing"; });

// A host maker's checks pass, every one of them.
TEST(OmbriskHost, ValidatorPassesEveryCheck)
{
    const auto result = runCommand({PLUGHOST, "validate", OMBRISK_PLUGIN});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out.find("FAIL"), std::string::npos) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\n[1-9][0-9]* passed, 0 failed\n$)"))) << result.out;
}

} // namespace
