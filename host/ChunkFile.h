// A plug-in's saved state (its chunk) as a file: read whole to hand to effSetChunk, or taken
// with effGetChunk and written into a file that appears only when complete.
#pragma once

#include "AtomicFile.h"
#include "PluginLoader.h"

#include <string>
#include <vector>

// A regular, non-empty file of at most 1 GiB; false with the reason otherwise.
bool readChunkFile(const std::string& path, std::vector<char>& bytes, std::string& error);
// Host thread: the plug-in's chunk into file's temporary name (commit it afterwards).
bool writeChunk(PluginLoader& plugin, AtomicFile& file, std::string& error);
