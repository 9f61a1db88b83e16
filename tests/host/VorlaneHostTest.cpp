// The built Vorlane.so through plughost: its stereo ports and its saved state as chunk files.
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

namespace {

Sound stereoPhrase()
{
    Sound sound {44100, 2, {}};
    for (long f = 0; f < 8000; ++f) {
        const double t = static_cast<double>(f) / 44100.0;
        sound.samples.push_back(static_cast<float>(0.8 * std::sin(2.0 * M_PI * 220.0 * t)));
        sound.samples.push_back(static_cast<float>(0.6 * std::sin(2.0 * M_PI * 330.0 * t)));
    }
    return sound;
}

TEST(VorlaneHost, InfoShowsStereoPortsAndChunkSize)
{
    const auto result = runCommand({PLUGHOST, "info", VORLANE_PLUGIN});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* pattern : {
             R"(Unique ID:\s+'VorE')",
             R"(Flags:\s+.*ProgramChunks)",
             R"(Inputs:\s+2\nOutputs:\s+2\n)",
             R"(Parameters:\s+8\n)",
             R"(\n\s+7\s+"DryWet"\s+"% wet")",
             R"(Chunk:\s+61 bytes)",
         })
        EXPECT_TRUE(std::regex_search(result.out, std::regex(pattern))) << pattern << "\n" << result.out;
}

// A chunk saved after one render restores the same sound in the next render.
TEST(VorlaneHost, SavedChunkReproducesTheRender)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", stereoPhrase()));
    const auto in = (dir / "in.wav").string();
    auto result = runCommand({PLUGHOST, "process", VORLANE_PLUGIN, in, (dir / "first.wav").string(), "--param",
                              "1=0.9", "--param", "7=0.25", "--save-chunk", (dir / "state.chunk").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string chunk = readText(dir / "state.chunk");
    ASSERT_EQ(chunk.size(), 61u);
    EXPECT_EQ(chunk.substr(0, 13), std::string("Vorlane v1.0\0", 13));

    result = runCommand({PLUGHOST, "process", VORLANE_PLUGIN, in, (dir / "second.wav").string(), "--load-chunk",
                         (dir / "state.chunk").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = runCommand({PLUGHOST, "process", VORLANE_PLUGIN, in, (dir / "plain.wav").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Sound first = readSound(dir / "first.wav");
    const Sound second = readSound(dir / "second.wav");
    const Sound plain = readSound(dir / "plain.wav");
    ASSERT_EQ(first.channels, 2);
    ASSERT_EQ(second.samples.size(), first.samples.size());
    EXPECT_EQ(second.samples, first.samples);
    EXPECT_NE(plain.samples, first.samples) << "the chunk's settings should change the sound";
}

// A chunk the plug-in refuses is an error, and no output appears.
TEST(VorlaneHost, RefusedChunkFailsCleanly)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", stereoPhrase()));
    auto result = runCommand({PLUGHOST, "process", VORLANE_PLUGIN, (dir / "in.wav").string(),
                              (dir / "ok.wav").string(), "--save-chunk", (dir / "good.chunk").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string good = readText(dir / "good.chunk");
    std::string badHeader = good;
    badHeader[0] = 'W';
    writeText(dir / "bad-header.chunk", badHeader);
    writeText(dir / "short.chunk", good.substr(0, 30));
    for (const char* name : {"bad-header.chunk", "short.chunk"}) {
        result = runCommand({PLUGHOST, "process", VORLANE_PLUGIN, (dir / "in.wav").string(),
                             (dir / "out.wav").string(), "--load-chunk", (dir / name).string()});
        EXPECT_EQ(result.exitCode, 1) << name;
        EXPECT_NE(result.err.find("refused the chunk"), std::string::npos) << name << ": " << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.wav")) << name;
    }
}

// A host maker's checks pass, every one of them.
TEST(VorlaneHost, ValidatorPassesEveryCheck)
{
    const auto result = runCommand({PLUGHOST, "validate", VORLANE_PLUGIN});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out.find("FAIL"), std::string::npos) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\n[1-9][0-9]* passed, 0 failed\n$)"))) << result.out;
}

} // namespace
