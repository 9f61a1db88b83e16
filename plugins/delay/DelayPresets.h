// Ombrisk's factory presets: the settings the demo renders, the LV2 presets and the preset
// files for VST 2 hosts are all made from this table.
#pragma once

#include <span>

#include "DelayParameters.h"

namespace ombrisk {

struct Preset {
    // Lower case with hyphens, for file names and identifiers.
    const char* name;
    const char* title;
    // Normalised, by parameter index.
    float values[parameterCount];
    // Seconds of input silence after which its echoes have died away.
    double tail;
};

// Built on first use from the parameter table.
std::span<const Preset> presets();

} // namespace ombrisk
