// Other makers' Linux VST 2 plug-ins from Debian's packages, driven by our loader and plughost:
// one exports only VSTPluginMain, the other only main.
#include "HostTestSupport.h"
#include "PluginLoader.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <regex>

namespace {

struct ThirdParty {
    const char* name;
    const char* package;
    const char* fileSuffix;
    const char* entry;       // the only entry symbol it exports
    const char* otherEntry;  // absent from it
    int inputs;
    int outputs;
    bool passesThrough;      // its defaults leave the signal untouched
};

void PrintTo(const ThirdParty& plugin, std::ostream* out)
{
    *out << plugin.name;
}

Sound phrase(int sampleRate, long frames)
{
    Sound sound {sampleRate, 1, {}};
    for (long f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / sampleRate;
        sound.samples.push_back(static_cast<float>(0.5 * std::sin(2.0 * M_PI * 330.0 * t) * std::exp(-4.0 * t)));
    }
    return sound;
}

class ThirdPartyPlugin : public testing::TestWithParam<ThirdParty> {
protected:
    void SetUp() override
    {
        path = packageFile(GetParam().package, GetParam().fileSuffix);
        ASSERT_FALSE(path.empty()) << GetParam().package << " is not installed (tools/setup.sh installs it)";
    }
    std::string path;
};

TEST_P(ThirdPartyPlugin, LoadsThroughItsOnlyEntry)
{
    std::string error;
    const auto loader = PluginLoader::open(path, error);
    ASSERT_NE(loader, nullptr) << error;
    EXPECT_EQ(loader->effect()->numInputs, GetParam().inputs);
    EXPECT_EQ(loader->effect()->numOutputs, GetParam().outputs);
    EXPECT_GT(loader->effect()->numParams, 0);

    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(dlsym(library, GetParam().entry), nullptr);
    EXPECT_EQ(dlsym(library, GetParam().otherEntry), nullptr);
    dlclose(library);
}

TEST_P(ThirdPartyPlugin, PlughostInfoDescribesIt)
{
    const auto result = runCommand({PLUGHOST, "info", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string ports = "Inputs:\\s+" + std::to_string(GetParam().inputs) + "\\nOutputs:\\s+" +
                              std::to_string(GetParam().outputs) + "\\n";
    EXPECT_TRUE(std::regex_search(result.out, std::regex(ports))) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(Flags:\s+.*CanReplacing)"))) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(Parameters:\s+[1-9][0-9]*\n)"))) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\n\s+0\s+"[^"]+")"))) << result.out;
}

TEST_P(ThirdPartyPlugin, PlughostProcessRendersARealFile)
{
    ScratchFolder dir;
    const Sound input = phrase(48000, 24000);
    ASSERT_TRUE(writeSound(dir / "in.wav", input));
    const auto result = runCommand({PLUGHOST, "process", path, (dir / "in.wav").string(),
                                    (dir / "out.wav").string(), "--tail", "0.5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Sound output = readSound(dir / "out.wav");
    ASSERT_EQ(output.channels, GetParam().outputs);
    EXPECT_EQ(output.sampleRate, 48000);
    ASSERT_EQ(output.frames(), 24000 + 24000);
    double energy = 0.0;
    for (float sample : output.samples) {
        ASSERT_TRUE(std::isfinite(sample));
        energy += static_cast<double>(sample) * sample;
    }
    EXPECT_GT(energy, 1.0);
    if (GetParam().passesThrough) {
        for (long f = 0; f < output.frames(); ++f)
            ASSERT_NEAR(output.at(f, 0), f < input.frames() ? input.at(f, 0) : 0.0f, 1e-4) << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Debian, ThirdPartyPlugin,
    testing::Values(ThirdParty {"lsp_comp_delay_mono", "lsp-plugins-vst", "/comp-delay-mono.so", "VSTPluginMain",
                                "main", 1, 1, true},
                    ThirdParty {"dragonfly_plate", "dragonfly-reverb-vst", "/DragonflyPlateReverb-vst.so", "main",
                                "VSTPluginMain", 2, 2, false}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
