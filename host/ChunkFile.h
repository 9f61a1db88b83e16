// A plug-in's saved state as a file: its chunk, read whole to hand to effSetChunk or taken with
// effGetChunk, and preset files (.fxp, .fxb); files written appear only when complete.
#pragma once

#include "AtomicFile.h"
#include "PluginLoader.h"
#include "PresetFile.h"

#include <optional>
#include <string>
#include <vector>

// A regular, non-empty file of at most 1 GiB; false with the reason otherwise.
bool readChunkFile(const std::string& path, std::vector<char>& bytes, std::string& error);
// Host thread: the plug-in's chunk into file's temporary name (commit it afterwards).
bool writeChunk(PluginLoader& plugin, AtomicFile& file, std::string& error);

// What a preset file's name says it holds: .fxp a program, .fxb a bank (in any case), else
// nothing.
std::optional<PresetFile::Kind> presetKindOf(const std::string& path);
// The preset in a file, or nothing with error naming the file and what is wrong with it.
std::optional<PresetFile> readPresetFile(const std::string& path, std::string& error);
// Host thread: the plug-in's current program or bank, as path's name says, into file's
// temporary name (commit it afterwards).
bool writePresetFile(PluginLoader& plugin, AtomicFile& file, std::string& error);
