#include "PluginPreset.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Plug-ins keep program names in 24 bytes, terminator included.
constexpr std::size_t programNameBytes = 24;

bool savesChunks(const AEffect& effect)
{
    return (effect.flags & effFlagsProgramChunks) != 0;
}

std::vector<float> parameterValues(AEffect& effect)
{
    std::vector<float> values(static_cast<std::size_t>(std::max(effect.numParams, 0)));
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = effect.getParameter(&effect, static_cast<VstInt32>(i));
    return values;
}

void loadProgram(PluginLoader& plugin, const PresetProgram& program)
{
    AEffect& effect = *plugin.effect();
    nameProgram(plugin, program.name);
    for (std::size_t i = 0; i < program.values.size(); ++i)
        effect.setParameter(&effect, static_cast<VstInt32>(i), program.values[i]);
}

std::optional<std::vector<char>> takeChunk(PluginLoader& plugin, bool isPreset)
{
    void* data = nullptr;
    const VstIntPtr size = plugin.dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr)
        return std::nullopt;
    const char* bytes = static_cast<const char*>(data);
    return std::vector<char>(bytes, bytes + size);
}

std::string count(VstInt32 n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

void nameProgram(PluginLoader& plugin, const std::string& text)
{
    std::array<char, programNameBytes> name {};
    std::copy_n(text.begin(), std::min(text.size(), name.size() - 1), name.begin());
    plugin.dispatch(effSetProgramName, 0, 0, name.data());
}

std::optional<PresetFile> capturePreset(PluginLoader& plugin, PresetFile::Kind kind, std::string& error)
{
    AEffect& effect = *plugin.effect();
    PresetFile preset;
    preset.kind = kind;
    preset.chunkForm = savesChunks(effect);
    preset.formatVersion = kind == PresetFile::Kind::bank ? 2 : 1;
    preset.pluginId = effect.uniqueID;
    preset.pluginVersion = effect.version;
    preset.numParams = std::max(effect.numParams, 0);
    preset.numPrograms = std::max(effect.numPrograms, 0);
    const VstIntPtr current = plugin.dispatch(effGetProgram);
    preset.currentProgram = static_cast<VstInt32>(current);
    if (!preset.chunkForm && preset.numParams > 0 && effect.getParameter == nullptr) {
        error = "the plug-in has parameters but no get-parameter entry";
        return std::nullopt;
    }
    if (kind == PresetFile::Kind::program) {
        PresetProgram program {effectText(plugin, effGetProgramName), {}};
        if (!preset.chunkForm)
            program.values = parameterValues(effect);
        preset.programs.push_back(std::move(program));
    } else if (!preset.chunkForm) {
        if (preset.numPrograms == 0) {
            error = "the plug-in has no programs to save as a bank (save one program, .fxp, instead)";
            return std::nullopt;
        }
        for (VstInt32 i = 0; i < preset.numPrograms; ++i) {
            plugin.dispatch(effSetProgram, 0, i);
            preset.programs.push_back({effectText(plugin, effGetProgramName), parameterValues(effect)});
        }
        plugin.dispatch(effSetProgram, 0, current);
    }
    if (preset.chunkForm) {
        auto chunk = takeChunk(plugin, kind == PresetFile::Kind::program);
        if (!chunk) {
            error = "the plug-in saves its state as a chunk but gave none";
            return std::nullopt;
        }
        preset.chunk = std::move(*chunk);
    }
    return preset;
}

std::string presetMismatch(const AEffect& effect, const PresetFile& preset)
{
    if (preset.pluginId != effect.uniqueID)
        return "it is a preset for the plug-in " + describeId(preset.pluginId) + ", not for this one, " +
               describeId(effect.uniqueID);
    if (preset.chunkForm && !savesChunks(effect))
        return "it holds a chunk, and this plug-in does not save its state as chunks";
    const bool bank = preset.kind == PresetFile::Kind::bank;
    if (bank && preset.numPrograms != effect.numPrograms)
        return "it holds a bank of " + count(preset.numPrograms, "program", "programs") + ", the plug-in has " +
               count(effect.numPrograms, "program", "programs");
    if ((!bank || !preset.chunkForm) && preset.numParams != effect.numParams && !(bank && preset.numPrograms == 0))
        return std::string(preset.chunkForm ? "it was saved from " : "it holds values of ") +
               count(preset.numParams, "parameter", "parameters") + ", the plug-in has " +
               count(effect.numParams, "parameter", "parameters");
    if (!preset.chunkForm && preset.numParams > 0 && effect.setParameter == nullptr)
        return "the plug-in has no set-parameter entry";
    return {};
}

bool applyPreset(PluginLoader& plugin, const PresetFile& preset, std::string& error)
{
    AEffect& effect = *plugin.effect();
    error = presetMismatch(effect, preset);
    if (!error.empty())
        return false;
    const bool bank = preset.kind == PresetFile::Kind::bank;
    if (preset.chunkForm) {
        // The whole state, so that a plug-in that changed some of it before refusing the rest
        // gets all of it back.
        const auto before = takeChunk(plugin, false);
        auto chunk = preset.chunk;
        if (plugin.dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(chunk.size()), chunk.data()) == 0) {
            error = "the plug-in refused the preset's chunk (" + std::to_string(chunk.size()) + " bytes)";
            if (before) {
                auto state = *before;
                if (plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(state.size()), state.data()) == 0)
                    error += ", and then its own state from before";
            }
            return false;
        }
        if (!bank && !preset.programs.empty())
            nameProgram(plugin, preset.programs[0].name);
        return true;
    }
    if (!bank) {
        loadProgram(plugin, preset.programs.at(0));
        return true;
    }
    const VstIntPtr before = plugin.dispatch(effGetProgram);
    for (std::size_t i = 0; i < preset.programs.size(); ++i) {
        plugin.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(i));
        loadProgram(plugin, preset.programs[i]);
    }
    const bool hasCurrent = preset.formatVersion >= 2 && preset.currentProgram >= 0 &&
                            preset.currentProgram < preset.numPrograms;
    plugin.dispatch(effSetProgram, 0, hasCurrent ? preset.currentProgram : before);
    return true;
}
