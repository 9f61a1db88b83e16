// Ombrisk as an LV2 plug-in: its description and its factory presets as port settings.
#include "DelayPresets.h"
#include "Turtle.h"

namespace lv2 {

const PluginInfo& pluginInfo()
{
    static const PluginInfo info{"urn:ombrisk-vorlane:ombrisk", "Ombrisk", "ombrisk", "DelayPlugin", 1, 2,
                                 ombrisk::parameters};
    return info;
}

std::vector<PresetSetting> factoryPresets()
{
    std::vector<PresetSetting> settings;
    for (const ombrisk::Preset& preset : ombrisk::presets())
        settings.push_back({preset.name, preset.title, {std::begin(preset.values), std::end(preset.values)}, {}});
    return settings;
}

}  // namespace lv2
