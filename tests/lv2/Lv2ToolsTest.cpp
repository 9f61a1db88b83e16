// The LV2 bundles through the command-line tools of the LV2 and lilv packages: the turtle
// files against the LV2 schemas, discovery through LV2_PATH, what lv2info reports, and
// lv2apply's renders against plughost's through the VST 2 libraries at the same settings.
#include "DelayParameters.h"
#include "HostTestSupport.h"
#include "ShaperParameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace {

const std::string bundles = LV2_BUNDLES;

std::map<std::string, std::string> lv2Path() { return {{"LV2_PATH", bundles + ":/usr/lib/lv2"}}; }

struct Plugin {
    const char* uri;
    const char* bundle;
    const char* binary;
    const char* vst;
    std::span<const Parameter> parameters;
    int inputs;
    std::vector<const char*> presets;
};

const Plugin plugins[] = {
    {"urn:ombrisk-vorlane:ombrisk", "Ombrisk.lv2", "ombrisk", OMBRISK_VST, ombrisk::parameters, 1,
     {"Slapback", "Dotted eighth", "Long wash"}},
    {"urn:ombrisk-vorlane:vorlane", "Vorlane.lv2", "vorlane", VORLANE_VST, vorlane::parameters, 2,
     {"Hard fold", "Soft clip", "Tilted warmth"}},
};

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(Lv2ToolsTest, TurtleFilesValidateWithoutErrorsOrWarnings)
{
    for (const Plugin& plugin : plugins) {
        const std::string dir = bundles + "/" + plugin.bundle + "/";
        const CommandResult result = runCommand(
            {"lv2_validate", dir + "manifest.ttl", dir + plugin.binary + ".ttl", dir + "presets.ttl"});
        const std::string report = lower(result.out + result.err);
        EXPECT_EQ(result.exitCode, 0) << report;
        EXPECT_NE(report.find("found 0 errors"), std::string::npos) << report;
        EXPECT_EQ(report.find("warn"), std::string::npos) << report;
    }
}

TEST(Lv2ToolsTest, Lv2lsFindsBothPluginsThroughLv2Path)
{
    const CommandResult found = runCommand({"lv2ls"}, lv2Path());
    ASSERT_EQ(found.exitCode, 0) << found.err;
    for (const Plugin& plugin : plugins)
        EXPECT_NE(found.out.find(plugin.uri), std::string::npos) << found.out;
    const CommandResult elsewhere = runCommand({"lv2ls"}, {{"LV2_PATH", "/usr/lib/lv2"}});
    EXPECT_EQ(elsewhere.out.find("ombrisk-vorlane"), std::string::npos) << "found without its path";
}

std::string fixed(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

// Each control port's block in lv2info's report holds the table's symbol, range and default.
TEST(Lv2ToolsTest, Lv2infoListsPortsRangesDefaultsAndPresets)
{
    for (const Plugin& plugin : plugins) {
        const CommandResult info = runCommand({"lv2info", plugin.uri}, lv2Path());
        ASSERT_EQ(info.exitCode, 0) << info.err;
        const std::string& report = info.out;
        const std::size_t presets = report.find("Presets:");
        ASSERT_NE(presets, std::string::npos) << report;
        for (const char* preset : plugin.presets)
            EXPECT_NE(report.find(" " + std::string(preset) + "\n", presets), std::string::npos) << preset << "\n" << report;
        int ports = 0;
        for (const Parameter& p : plugin.parameters) {
            if (p.scale == ParameterScale::none) {
                EXPECT_EQ(report.find("Symbol:      " + std::string(p.symbol) + "\n"), std::string::npos);
                continue;
            }
            ++ports;
            const std::size_t at = report.find("Symbol:      " + std::string(p.symbol) + "\n");
            ASSERT_NE(at, std::string::npos) << p.symbol;
            const std::string block = report.substr(at, report.find("\n\n", at) - at);
            EXPECT_NE(block.find("Minimum:     " + fixed(p.minimum())), std::string::npos) << block;
            EXPECT_NE(block.find("Maximum:     " + fixed(p.maximum())), std::string::npos) << block;
            EXPECT_NE(block.find("Default:     " + fixed(p.toUser(p.defaultValue))), std::string::npos) << block;
        }
        std::size_t count = 0;
        for (std::size_t at = report.find("\tPort "); at != std::string::npos; at = report.find("\tPort ", at + 1))
            ++count;
        EXPECT_EQ(count, static_cast<std::size_t>(ports + plugin.inputs + 2)) << report;
    }
}

// A burst of partials, then silence for the echoes (a bar at the default tempo, two at most);
// the right channel another phrase.
Sound testSignal(int channels)
{
    Sound sound;
    sound.sampleRate = 44100;
    sound.channels = channels;
    const long frames = 44100 * 9 / 2;
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double envelope = t < 0.3 ? std::exp(-8.0 * t) : 0.0;
        sound.samples.push_back(static_cast<float>(envelope * (0.6 * std::sin(2 * M_PI * 220 * t) + 0.3 * std::sin(2 * M_PI * 661 * t))));
        if (channels == 2)
            sound.samples.push_back(static_cast<float>(envelope * 0.8 * std::sin(2 * M_PI * 330 * t * (1.0 + t))));
    }
    return sound;
}

struct Setting {
    const char* symbol;  // null for the defaults
    double value;
};

// lv2apply runs the plug-in one frame at a time, so plughost does too: Vorlane's filters drop
// denormal state at the end of each block, which moves its output by about 1e-11 between
// block sizes.
TEST(Lv2ToolsTest, Lv2applyRendersAsPlughostAtEverySetting)
{
    const std::vector<Setting> settings[] = {
        {{nullptr, 0}, {"tempo", 133}, {"feedback", 0.7}, {"volume", -3}, {"divisor", 8}, {"multiplier", 2},
         {"read_lag", 5}, {"reverse", 1}, {"reverse_type", 1}},
        {{nullptr, 0}, {"pre_gain", 4.5}, {"pre_filter", 0.3}, {"post_gain", -2}, {"post_filter", 0.8},
         {"pre_switch", 1}, {"post_switch", 1}, {"dry_wet", 40}},
    };
    ScratchFolder scratch;
    for (int k = 0; k < 2; ++k) {
        const Plugin& plugin = plugins[k];
        const std::string in = (scratch / (std::string(plugin.binary) + "-in.wav")).string();
        ASSERT_TRUE(writeSound(in, testSignal(plugin.inputs)));
        int ported = 0;
        for (const Setting& setting : settings[k]) {
            const std::string name = setting.symbol ? setting.symbol : "defaults";
            const std::string viaLv2 = (scratch / (name + "-lv2.wav")).string();
            const std::string viaVst = (scratch / (name + "-vst.wav")).string();
            std::vector<std::string> apply = {"lv2apply", "-i", in, "-o", viaLv2};
            std::vector<std::string> process = {PLUGHOST, "process", plugin.vst, in, viaVst, "--block", "1"};
            if (setting.symbol) {
                ++ported;
                char value[32];
                std::snprintf(value, sizeof value, "%g", setting.value);
                apply.insert(apply.end(), {"-c", setting.symbol, value});
                for (int i = 0; i < static_cast<int>(plugin.parameters.size()); ++i) {
                    const Parameter& p = plugin.parameters[i];
                    if (name != p.symbol)
                        continue;
                    ASSERT_NE(static_cast<float>(setting.value), static_cast<float>(p.toUser(p.defaultValue))) << name;
                    char param[48];
                    std::snprintf(param, sizeof param, "%d=%.9g", i,
                                  static_cast<double>(p.toNormalised(static_cast<float>(setting.value))));
                    process.insert(process.end(), {"--param", param});
                }
                ASSERT_EQ(process.size(), 9u) << name << " is no parameter";
            }
            apply.push_back(plugin.uri);
            const CommandResult lv2 = runCommand(apply, lv2Path());
            ASSERT_EQ(lv2.exitCode, 0) << lv2.err;
            const CommandResult vst = runCommand(process);
            ASSERT_EQ(vst.exitCode, 0) << vst.err;
            const Sound a = readSound(viaLv2), b = readSound(viaVst);
            ASSERT_EQ(a.channels, 2) << name;
            ASSERT_EQ(b.channels, 2) << name;
            ASSERT_EQ(a.frames(), b.frames()) << name;
            long differing = 0;
            float peak = 0.0f;
            for (std::size_t i = 0; i < a.samples.size(); ++i) {
                differing += a.samples[i] != b.samples[i] ? 1 : 0;
                peak = std::max(peak, std::fabs(a.samples[i]));
            }
            EXPECT_EQ(differing, 0) << plugin.binary << " " << name;
            EXPECT_GT(peak, 0.01f) << plugin.binary << " " << name << " is silent";
        }
        int ports = 0;
        for (const Parameter& p : plugin.parameters)
            ports += p.scale != ParameterScale::none ? 1 : 0;
        EXPECT_EQ(ported, ports) << "every control port once";
    }
}

}  // namespace
