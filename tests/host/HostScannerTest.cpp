// Real Linux hosts' plug-in scanners (Qtractor's and MusE's, run as programs) must find our
// plug-ins with the right ports and parameters. Our plug-ins give no effect name, so the hosts
// name them after the file.
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {

struct Scanned {
    const char* name;  // as the hosts derive it from the file name
    std::string path;
    int inputs;
    int outputs;
    std::vector<std::string> parameterNames;
};

void PrintTo(const Scanned& plugin, std::ostream* out)
{
    *out << plugin.name;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

std::string xmlEscaped(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// Our test fakes always; the real plug-ins once they are part of the build.
std::vector<Scanned> scannedPlugins()
{
    std::vector<Scanned> plugins {
        {"FakeVstMain", FAKE_VSTMAIN, 1, 2, {"Gain", "Spare"}},
        {"FakeMainOnly", FAKE_MAIN_ONLY, 2, 2, {"Gain", "Spare"}},
    };
#ifdef OMBRISK_PLUGIN
    plugins.push_back({"Ombrisk", OMBRISK_PLUGIN, 1, 2,
                       {" delay  ", "fiidbk", " volume ", " div ", " mult ", "outpos<-", "reverse", "norm/alt"}});
#endif
#ifdef VORLANE_PLUGIN
    plugins.push_back({"Vorlane", VORLANE_PLUGIN, 2, 2,
                       {"Shaper", "PreGain", "PreFilter", "PostGain", "PostFilter", "PreSwitch", "PostSwitch",
                        "DryWet"}});
#endif
    return plugins;
}

class HostScanner : public testing::TestWithParam<Scanned> {};

// One line per plug-in on stdout:
// VST|name|audio ins:outs|midi ins:outs|control ins:outs|capabilities|path|index|unique ID
TEST_P(HostScanner, QtractorFindsIt)
{
    const auto result = runCommand({"timeout", "120", QTRACTOR_SCAN}, {}, "VST:" + GetParam().path + "\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> fields;
    for (const auto& line : split(result.out, '\n'))
        if (line.rfind("VST|", 0) == 0)
            fields = split(line, '|');
    ASSERT_GE(fields.size(), 7u) << result.out << result.err;
    EXPECT_EQ(fields[1], GetParam().name);
    EXPECT_EQ(fields[2], std::to_string(GetParam().inputs) + ":" + std::to_string(GetParam().outputs));
    EXPECT_EQ(fields[4], std::to_string(GetParam().parameterNames.size()) + ":0");
    EXPECT_EQ(fields[6], GetParam().path);
}

// An XML file with the plug-in's counts and one <port> per audio and control port.
TEST_P(HostScanner, MuseFindsIt)
{
    ScratchFolder dir;
    const auto output = dir / "scan.xml";
    writeText(output, "");  // the scanner writes only into a file that exists
    const auto result = runCommand(
        {"timeout", "120", "muse_plugin_scan", "-t", "16", "-f", GetParam().path, "-o", output.string(), "-p"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string xml = readText(output);
    const auto has = [&](const std::string& element) {
        EXPECT_NE(xml.find(element), std::string::npos) << element << "\n" << xml;
    };
    has("<plugin file=\"" + GetParam().path + "\"");
    has("<name>" + std::string(GetParam().name) + "</name>");
    has("<inports>" + std::to_string(GetParam().inputs) + "</inports>");
    has("<outports>" + std::to_string(GetParam().outputs) + "</outports>");
    has("<ctlInports>" + std::to_string(GetParam().parameterNames.size()) + "</ctlInports>");
    // Control ports follow the audio ports, in parameter order.
    const int first = GetParam().inputs + GetParam().outputs;
    for (size_t i = 0; i < GetParam().parameterNames.size(); ++i)
        has("<port name=\"" + xmlEscaped(GetParam().parameterNames[i]) + "\" symbol=\"\" idx=\"" +
            std::to_string(first + static_cast<int>(i)) + "\"");
}

INSTANTIATE_TEST_SUITE_P(Hosts, HostScanner,
                         testing::ValuesIn(scannedPlugins()),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
