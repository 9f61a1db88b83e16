#include "Turtle.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace lv2 {

namespace {

const char* const prefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";

// A float as a turtle decimal that reads back as the same float.
std::string number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(static_cast<float>(value)));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string base64(const std::vector<unsigned char>& bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned b0 = bytes[i];
        const unsigned b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        const unsigned b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0;
        out += digits[b0 >> 2];
        out += digits[((b0 & 3) << 4) | (b1 >> 4)];
        out += i + 1 < bytes.size() ? digits[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        out += i + 2 < bytes.size() ? digits[b2 & 63] : '=';
    }
    return out;
}

std::string unitOf(const Parameter& p)
{
    const std::string unit = p.unit;
    if (unit == "bpm")
        return "units:bpm";
    if (unit == "dB")
        return "units:db";
    if (unit == "%")
        return "units:pc";
    return "";
}

std::string audioPort(std::uint32_t index, bool input, const std::string& symbol, const std::string& name)
{
    return "    [\n        a lv2:AudioPort , " + std::string(input ? "lv2:InputPort" : "lv2:OutputPort") +
           " ;\n        lv2:index " + std::to_string(index) + " ;\n        lv2:symbol " + quoted(symbol) +
           " ;\n        lv2:name " + quoted(name) + "\n    ]";
}

std::string controlPort(std::uint32_t index, const Parameter& p)
{
    std::string s = "    [\n        a lv2:ControlPort , lv2:InputPort ;\n        lv2:index " + std::to_string(index) +
                    " ;\n        lv2:symbol " + quoted(p.symbol) + " ;\n        lv2:name " + quoted(p.title) +
                    " ;\n        lv2:default " + number(p.toUser(p.defaultValue)) + " ;\n        lv2:minimum " +
                    number(p.minimum()) + " ;\n        lv2:maximum " + number(p.maximum());
    const std::string unit = unitOf(p);
    if (!unit.empty())
        s += " ;\n        units:unit " + unit;
    switch (p.scale) {
    case ParameterScale::steps:
        s += " ;\n        lv2:portProperty lv2:integer";
        break;
    case ParameterScale::toggle:
        if (p.offText && p.onText) {
            s += " ;\n        lv2:portProperty lv2:integer , lv2:enumeration ;\n        lv2:scalePoint [\n"
                 "            rdfs:label " + quoted(p.offText) + " ;\n            rdf:value 0.0\n        ] , [\n"
                 "            rdfs:label " + quoted(p.onText) + " ;\n            rdf:value 1.0\n        ]";
        } else {
            s += " ;\n        lv2:portProperty lv2:toggled";
        }
        break;
    case ParameterScale::decibel:
        // The lowest reading is silence, not just a quiet level.
        s += " ;\n        lv2:scalePoint [\n            rdfs:label \"Silence\" ;\n            rdf:value " +
             number(p.low) + "\n        ]";
        break;
    default:
        break;
    }
    return s + "\n    ]";
}

}  // namespace

std::string presetUri(const PluginInfo& info, const std::string& name)
{
    return std::string(info.uri) + ":preset:" + name;
}

std::string manifestTurtle(const PluginInfo& info, const std::vector<PresetSetting>& presets)
{
    std::string s = prefixes;
    s += "<" + std::string(info.uri) + ">\n    a lv2:Plugin ;\n    lv2:binary <" + info.binary +
         ".so> ;\n    rdfs:seeAlso <" + info.binary + ".ttl> .\n";
    for (const PresetSetting& preset : presets) {
        s += "\n<" + presetUri(info, preset.name) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" + info.uri +
             "> ;\n    rdfs:label " + quoted(preset.title) + " ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return s;
}

std::string pluginTurtle(const PluginInfo& info)
{
    std::string s = prefixes;
    s += "<" + std::string(info.uri) + ">\n    a lv2:Plugin , lv2:" + info.pluginClass + " ;\n    doap:name " +
         quoted(info.name) + " ;\n    lv2:requiredFeature lv2:inPlaceBroken ;\n"
         "    lv2:optionalFeature lv2:hardRTCapable";
    if (info.stateKey)
        s += " , urid:map ;\n    lv2:extensionData state:interface";
    s += " ;\n    lv2:port\n";
    std::vector<std::string> ports;
    std::uint32_t index = 0;
    const bool stereo = info.audioInputs == 2;
    for (std::uint32_t i = 0; i < info.audioInputs; ++i, ++index)
        ports.push_back(audioPort(index, true, stereo ? (i == 0 ? "in_left" : "in_right") : "in",
                                  stereo ? (i == 0 ? "Left in" : "Right in") : "In"));
    for (std::uint32_t i = 0; i < info.audioOutputs; ++i, ++index)
        ports.push_back(audioPort(index, false, i == 0 ? "out_left" : "out_right", i == 0 ? "Left out" : "Right out"));
    for (int i = 0; i < static_cast<int>(info.parameters.size()); ++i) {
        if (info.hasPort(i))
            ports.push_back(controlPort(index++, info.parameters[i]));
    }
    for (std::size_t i = 0; i < ports.size(); ++i)
        s += ports[i] + (i + 1 < ports.size() ? " ,\n" : " .\n");
    if (info.stateKey) {
        s += "\n<" + std::string(info.stateKey) + ">\n    a rdf:Property ;\n    rdfs:label " +
             quoted(std::string(info.name) + " state") +
             " ;\n    rdfs:comment \"Everything the plug-in keeps, in the bytes its VST 2 chunk holds.\" ;\n"
             "    rdfs:range atom:Chunk .\n";
    }
    return s;
}

std::string presetsTurtle(const PluginInfo& info, const std::vector<PresetSetting>& presets)
{
    std::string s = prefixes;
    for (const PresetSetting& preset : presets) {
        s += "<" + presetUri(info, preset.name) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" + info.uri +
             "> ;\n    rdfs:label " + quoted(preset.title) + " ;\n    lv2:port";
        bool first = true;
        for (int i = 0; i < static_cast<int>(info.parameters.size()); ++i) {
            if (!info.hasPort(i))
                continue;
            const Parameter& p = info.parameters[i];
            s += std::string(first ? "" : " ,") + " [\n        lv2:symbol " + quoted(p.symbol) +
                 " ;\n        pset:value " + number(p.toUser(preset.values[i])) + "\n    ]";
            first = false;
        }
        if (!preset.state.empty() && info.stateKey) {
            s += " ;\n    state:state [\n        <" + std::string(info.stateKey) + "> \"" + base64(preset.state) +
                 "\"^^xsd:base64Binary\n    ]";
        }
        s += " .\n\n";
    }
    return s;
}

bool writeBundle(const std::filesystem::path& directory, const PluginInfo& info,
                 const std::vector<PresetSetting>& presets)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    const std::pair<std::string, std::string> files[] = {
        {"manifest.ttl", manifestTurtle(info, presets)},
        {std::string(info.binary) + ".ttl", pluginTurtle(info)},
        {"presets.ttl", presetsTurtle(info, presets)},
    };
    for (const auto& [name, text] : files) {
        std::ofstream out(directory / name, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::fprintf(stderr, "lv2 turtle: cannot write %s\n", (directory / name).string().c_str());
            return false;
        }
    }
    return true;
}

}  // namespace lv2
