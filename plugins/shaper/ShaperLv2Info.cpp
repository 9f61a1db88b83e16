// Vorlane as an LV2 plug-in: its description and its factory presets, each with its curve as
// state in the chunk's bytes.
#include "ShaperPresets.h"
#include "Turtle.h"

namespace lv2 {

const PluginInfo& pluginInfo()
{
    static const PluginInfo info{"urn:ombrisk-vorlane:vorlane", "Vorlane", "vorlane", "DistortionPlugin", 2, 2,
                                 vorlane::parameters, "urn:ombrisk-vorlane:vorlane#state"};
    return info;
}

std::vector<PresetSetting> factoryPresets()
{
    std::vector<PresetSetting> settings;
    for (const vorlane::Preset& preset : vorlane::presets()) {
        PresetSetting setting{preset.name, preset.title, {0.0f}, vorlane::encodeChunk(preset.state)};
        setting.values.insert(setting.values.end(), std::begin(preset.state.values), std::end(preset.state.values));
        settings.push_back(std::move(setting));
    }
    return settings;
}

}  // namespace lv2
