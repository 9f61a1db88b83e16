// The VST 2 world's preset files: .fxp holds one program, .fxb a bank of programs, each either
// as parameter values or as the plug-in's own chunk. All numbers are big-endian; the file names
// the plug-in by its unique ID and says how many parameters or programs it was made for.
#pragma once

#include "AEffect.h"

#include <optional>
#include <string>
#include <vector>

struct PresetProgram {
    std::string name;           // at most 27 characters are kept in a file
    std::vector<float> values;  // one per parameter; empty in a program's chunk form
};

struct PresetFile {
    enum class Kind { program, bank };

    Kind kind = Kind::program;
    bool chunkForm = false;     // the plug-in's chunk instead of parameter values
    VstInt32 formatVersion = 1; // 1 or 2; a bank of version 2 records its current program
    VstInt32 pluginId = 0;
    VstInt32 pluginVersion = 0;
    VstInt32 numParams = 0;     // a program's count (a bank's programs each carry theirs)
    VstInt32 numPrograms = 0;   // a bank's count
    VstInt32 currentProgram = 0;
    // A program: exactly one. A bank in parameter form: numPrograms of them; in chunk form none.
    std::vector<PresetProgram> programs;
    std::vector<char> chunk;
};

// The file's bytes.
std::vector<char> encodePreset(const PresetFile& preset);
// The preset in bytes, or nothing with error saying what is wrong (magic, version, sizes,
// counts); never reads past the bytes given.
std::optional<PresetFile> decodePreset(const std::vector<char>& bytes, std::string& error);

// "'Ombr' (0x4f6d6272)": a unique ID as people and files show it.
std::string describeId(VstInt32 id);
