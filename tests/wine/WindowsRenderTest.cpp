// The Windows build sounds like the Linux build: the same settings rendered through both
// plughosts and both builds of each plug-in give the same samples, up to the last bits the
// two C runtimes' mathematics functions may round differently.
#include "HostTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>

namespace {

// Half a second of a gliding tone with a burst of noise, on two channels.
Sound phrase()
{
    Sound sound {44100, 2, {}};
    std::uint32_t noise = 12345;
    for (long f = 0; f < 22050; ++f) {
        const double t = static_cast<double>(f) / 44100.0;
        noise = noise * 1664525u + 1013904223u;
        const double burst = f > 8000 && f < 9000 ? (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) : 0.0;
        sound.samples.push_back(static_cast<float>(0.7 * std::sin(2.0 * M_PI * (110.0 + 400.0 * t) * t) + burst));
        sound.samples.push_back(static_cast<float>(0.5 * std::sin(2.0 * M_PI * 330.0 * t) - burst));
    }
    return sound;
}

struct RenderCase {
    const char* name;
    const char* linuxPlugin;
    const char* windowsPlugin;
    std::vector<std::string> options;
};

void PrintTo(const RenderCase& c, std::ostream* out)
{
    *out << c.name;
}

class WindowsRender : public testing::TestWithParam<RenderCase> {};

TEST_P(WindowsRender, EqualsTheLinuxRender)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    auto render = [&](const char* plughost, const char* plugin, const std::string& out) {
        std::vector<std::string> command {plughost, "process", plugin, (dir / "in.wav").string(), (dir / out).string()};
        for (std::string option : GetParam().options) {
            const auto at = option.find("{examples}");
            if (at != std::string::npos)
                option.replace(at, 10, EXAMPLES_DIR);
            command.push_back(option);
        }
        const auto result = runCommand(command);
        EXPECT_EQ(result.exitCode, 0) << plughost << ": " << result.err;
        return readSound(dir / out);
    };
    const Sound onLinux = render(LINUX_PLUGHOST, GetParam().linuxPlugin, "linux.wav");
    const Sound onWindows = render(PLUGHOST, GetParam().windowsPlugin, "windows.wav");
    ASSERT_GT(onLinux.frames(), 0);
    ASSERT_EQ(onWindows.channels, onLinux.channels);
    ASSERT_EQ(onWindows.sampleRate, onLinux.sampleRate);
    ASSERT_EQ(onWindows.samples.size(), onLinux.samples.size());
    double worst = 0.0;
    long worstAt = 0;
    double energy = 0.0;
    for (size_t i = 0; i < onLinux.samples.size(); ++i) {
        const double difference = std::fabs(static_cast<double>(onWindows.samples[i]) - onLinux.samples[i]);
        energy += static_cast<double>(onLinux.samples[i]) * onLinux.samples[i];
        if (!(difference <= worst)) {
            worst = difference;
            worstAt = static_cast<long>(i);
        }
    }
    EXPECT_GT(energy, 1.0) << "the render should not be silence";
    EXPECT_LE(worst, 1e-5) << "largest difference at sample " << worstAt;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsRender,
    testing::Values(
        RenderCase {"ombrisk_normal", LINUX_OMBRISK_PLUGIN, OMBRISK_PLUGIN,
                    {"--tail", "1", "--param", "0=0.6", "--param", "3=0.1", "--param", "1=0.7"}},
        RenderCase {"ombrisk_reverse", LINUX_OMBRISK_PLUGIN, OMBRISK_PLUGIN,
                    {"--tail", "1", "--param", "3=0.1", "--param", "6=1", "--block", "333"}},
        RenderCase {"ombrisk_alternate_accumulating", LINUX_OMBRISK_PLUGIN, OMBRISK_PLUGIN,
                    {"--tail", "1", "--program", "3", "--param", "3=0.1", "--param", "2=0.8", "--param", "6=1",
                     "--param", "7=1", "--accumulate"}},
        RenderCase {"vorlane_default", LINUX_VORLANE_PLUGIN, VORLANE_PLUGIN, {"--param", "1=0.9"}},
        RenderCase {"vorlane_soft_clip", LINUX_VORLANE_PLUGIN, VORLANE_PLUGIN,
                    {"--load-chunk", "{examples}/vorlane/soft-clip.chunk"}},
        RenderCase {"vorlane_hard_fold", LINUX_VORLANE_PLUGIN, VORLANE_PLUGIN,
                    {"--load-chunk", "{examples}/vorlane/hard-fold.chunk", "--param", "7=0.5"}},
        RenderCase {"vorlane_tilted_warmth", LINUX_VORLANE_PLUGIN, VORLANE_PLUGIN,
                    {"--load-chunk", "{examples}/vorlane/tilted-warmth.chunk", "--block", "64"}}),
    [](const auto& param) { return std::string(param.param.name); });

// The Windows plughost reads WAV files itself; every sample format it takes gives the samples
// libsndfile gives the Linux plughost.
struct FormatCase {
    const char* name;
    int format;
};

void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << c.name;
}

class WindowsWavInput : public testing::TestWithParam<FormatCase> {};

TEST_P(WindowsWavInput, ReadsAsLibsndfileDoes)
{
    ScratchFolder dir;
    const Sound sound = phrase();
    SF_INFO info {};
    info.samplerate = sound.sampleRate;
    info.channels = sound.channels;
    info.format = GetParam().format;
    const std::string in = (dir / "in.wav").string();
    SNDFILE* file = sf_open(in.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    ASSERT_EQ(sf_writef_float(file, sound.samples.data(), sound.frames()), sound.frames());
    ASSERT_EQ(sf_close(file), 0);
    // The fake plug-in passes its input on at the gain of parameter 0.
    auto render = [&](const char* plughost, const char* plugin, const std::string& out) {
        const auto result =
            runCommand({plughost, "process", plugin, in, (dir / out).string(), "--param", "0=0.5"});
        EXPECT_EQ(result.exitCode, 0) << plughost << ": " << result.err;
        return readSound(dir / out);
    };
    const Sound onLinux = render(LINUX_PLUGHOST, LINUX_FAKE_VSTMAIN, "linux.wav");
    const Sound onWindows = render(PLUGHOST, FAKE_VSTMAIN, "windows.wav");
    ASSERT_EQ(onLinux.frames(), sound.frames());
    EXPECT_EQ(onWindows.sampleRate, onLinux.sampleRate);
    EXPECT_EQ(onWindows.samples, onLinux.samples);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WindowsWavInput,
    testing::Values(FormatCase {"pcm_u8", SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
                    FormatCase {"pcm_16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                    FormatCase {"pcm_24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
                    FormatCase {"pcm_32", SF_FORMAT_WAV | SF_FORMAT_PCM_32},
                    FormatCase {"float_32", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                    FormatCase {"float_64", SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
                    FormatCase {"extensible_24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
