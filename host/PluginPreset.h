// Preset files against a loaded plug-in: what it holds now, as a program or a bank, and a
// preset handed to it once it is known to be this plug-in's. Host thread, with the plug-in
// not processing.
#pragma once

#include "PluginLoader.h"
#include "PresetFile.h"

#include <optional>
#include <string>

// The current program (kind program) or every program (kind bank): as the plug-in's chunk when
// it saves chunks, else as parameter values and names. Selects each program in turn for a bank
// of values and returns to the current one. Nothing with error when the plug-in gives no chunk.
std::optional<PresetFile> capturePreset(PluginLoader& plugin, PresetFile::Kind kind, std::string& error);

// Why the preset is not for this plug-in (another ID, counts that differ, a chunk for a
// plug-in that takes none), or empty when it fits.
std::string presetMismatch(const AEffect& effect, const PresetFile& preset);

// Names the current program, cut to the 23 characters plug-ins keep.
void nameProgram(PluginLoader& plugin, const std::string& name);

// Loads the preset: a program into the current program, a bank into every program (then
// selects the bank's current one). Refuses a preset that does not fit before changing
// anything; when the plug-in refuses the chunk, its state from before is handed back to it.
bool applyPreset(PluginLoader& plugin, const PresetFile& preset, std::string& error);
