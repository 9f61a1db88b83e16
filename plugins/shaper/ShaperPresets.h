// Vorlane's factory presets, each a curve with its settings: the demo's renders, the example
// chunks, the LV2 presets and the preset files for VST 2 hosts are all made from this table.
#pragma once

#include "ShaperChunk.h"

#include <span>

namespace vorlane {

struct Preset {
    // Lower case with hyphens, for file names and identifiers.
    const char* name;
    const char* title;
    ShaperState state;
};

// Built on first use.
std::span<const Preset> presets();

}  // namespace vorlane
