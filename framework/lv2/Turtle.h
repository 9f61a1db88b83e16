// The turtle files of a plug-in's bundle, written from its description and factory presets:
// manifest.ttl, BINARY.ttl with the ports, presets.ttl.
#pragma once

#include "Lv2Info.h"

#include <filesystem>
#include <string>
#include <vector>

namespace lv2 {

struct PresetSetting {
    // Lower case with hyphens: the last part of the preset's URI.
    std::string name;
    std::string title;
    // Normalised, one per parameter of the table.
    std::vector<float> values;
    // The state bytes, empty for a plug-in without state.
    std::vector<unsigned char> state;
};

// Defined once per plug-in, beside its description.
std::vector<PresetSetting> factoryPresets();

std::string presetUri(const PluginInfo& info, const std::string& name);
std::string manifestTurtle(const PluginInfo& info, const std::vector<PresetSetting>& presets);
std::string pluginTurtle(const PluginInfo& info);
std::string presetsTurtle(const PluginInfo& info, const std::vector<PresetSetting>& presets);
// Writes the three files into directory; false with a message on standard error.
bool writeBundle(const std::filesystem::path& directory, const PluginInfo& info,
                 const std::vector<PresetSetting>& presets);

}  // namespace lv2
