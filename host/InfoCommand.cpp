// plughost info PLUGIN: prints what a host learns about a plug-in when it scans it; with
// --preset FILE, what a preset file holds.
#include "ChunkFile.h"
#include "Command.h"
#include "PluginPreset.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace {

const char* const command = "info";

const char* const helpText =
    "Usage: plughost info PLUGIN\n"
    "       plughost info [PLUGIN] --preset FILE\n"
    "\n"
    "Loads the VST 2 plug-in library PLUGIN and prints its record: unique ID, version, flags,\n"
    "inputs, outputs, the names it gives, its programs, its parameters (name, label, display\n"
    "text and value of the current program) and, when it saves its state as a chunk, the\n"
    "chunk's size.\n"
    "\n"
    "With --preset, prints what the preset file FILE (.fxp, one program, or .fxb, a bank)\n"
    "holds: its kind, the plug-in ID and version it was saved from, its counts, program\n"
    "names and parameter values or the chunk's size. Given PLUGIN too, it also says whether\n"
    "the preset is one for that plug-in, and fails with the reason when it is not.\n";

std::string flagNames(VstInt32 flags)
{
    static const std::pair<VstInt32, const char*> names[] = {
        {effFlagsHasEditor, "HasEditor"},         {effFlagsHasClip, "HasClip"},
        {effFlagsHasVu, "HasVu"},                 {effFlagsCanMono, "CanMono"},
        {effFlagsCanReplacing, "CanReplacing"},   {effFlagsProgramChunks, "ProgramChunks"},
        {effFlagsIsSynth, "IsSynth"},             {effFlagsNoSoundInStop, "NoSoundInStop"},
        {effFlagsExtIsAsync, "ExtIsAsync"},       {effFlagsExtHasBuffer, "ExtHasBuffer"},
    };
    std::string text;
    VstInt32 rest = flags;
    for (const auto& [bit, name] : names) {
        if ((flags & bit) != 0) {
            text += text.empty() ? "" : " ";
            text += name;
            rest &= ~bit;
        }
    }
    char hex[32];
    if (rest != 0) {
        std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(rest));
        text += text.empty() ? hex : std::string(" ") + hex;
    }
    std::snprintf(hex, sizeof hex, "(0x%08x)", static_cast<unsigned>(flags));
    return text.empty() ? std::string("none ") + hex : text + " " + hex;
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

void printOptionalText(PluginLoader& plugin, const char* title, VstInt32 opcode)
{
    std::array<char, 512> text {};
    const VstIntPtr answer = plugin.dispatch(opcode, 0, 0, text.data());
    text.back() = '\0';
    std::printf("%-14s %s\n", title, answer != 0 ? quoted(text.data()).c_str() : "(not given)");
}

void printPrograms(PluginLoader& plugin)
{
    AEffect* effect = plugin.effect();
    std::printf("%-14s %d\n", "Programs:", effect->numPrograms);
    if (effect->numPrograms <= 0)
        return;
    // Plug-ins that cannot name a program without selecting it get selected in turn and then
    // put back on the program they were on.
    const VstIntPtr current = plugin.dispatch(effGetProgram);
    bool switched = false;
    for (VstInt32 i = 0; i < effect->numPrograms; ++i) {
        std::array<char, 512> name {};
        if (plugin.dispatch(effGetProgramNameIndexed, i, -1, name.data()) == 0) {
            plugin.dispatch(effSetProgram, 0, i);
            switched = true;
            name.fill('\0');
            plugin.dispatch(effGetProgramName, 0, 0, name.data());
        }
        name.back() = '\0';
        std::printf("  %3d  %s\n", i, quoted(name.data()).c_str());
    }
    if (switched)
        plugin.dispatch(effSetProgram, 0, current);
}

void printParameters(PluginLoader& plugin)
{
    AEffect* effect = plugin.effect();
    std::printf("%-14s %d\n", "Parameters:", effect->numParams);
    if (effect->numParams <= 0)
        return;
    std::printf("  %3s  %-12s %-10s %-12s %s\n", "#", "name", "label", "display", "value");
    for (VstInt32 i = 0; i < effect->numParams; ++i) {
        const std::string name = effectText(plugin, effGetParamName, i);
        const std::string label = effectText(plugin, effGetParamLabel, i);
        const std::string display = effectText(plugin, effGetParamDisplay, i);
        const float value = effect->getParameter != nullptr ? effect->getParameter(effect, i) : 0.0f;
        std::printf("  %3d  %-12s %-10s %-12s %.6f\n", i, quoted(name).c_str(), quoted(label).c_str(),
                    quoted(display).c_str(), static_cast<double>(value));
    }
}

void printChunk(PluginLoader& plugin)
{
    if ((plugin.effect()->flags & effFlagsProgramChunks) == 0)
        return;
    void* data = nullptr;
    const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
    if (size > 0 && data != nullptr)
        std::printf("%-14s %ld bytes\n", "Chunk:", static_cast<long>(size));
    else
        std::printf("%-14s (none given)\n", "Chunk:");
}


void printPreset(const std::string& path, const PresetFile& preset)
{
    const bool bank = preset.kind == PresetFile::Kind::bank;
    std::printf("%-14s %s\n", "Preset:", path.c_str());
    std::printf("%-14s %s, %s (format version %d)\n", "Holds:", bank ? "a bank of programs" : "one program",
                preset.chunkForm ? "as the plug-in's chunk" : "as parameter values", preset.formatVersion);
    std::printf("%-14s %s\n", "For plug-in:", describeId(preset.pluginId).c_str());
    std::printf("%-14s %d\n", "Its version:", preset.pluginVersion);
    if (bank) {
        std::printf("%-14s %d\n", "Programs:", preset.numPrograms);
        if (preset.formatVersion >= 2)
            std::printf("%-14s %d\n", "Current:", preset.currentProgram);
    }
    if (!bank || !preset.chunkForm)
        std::printf("%-14s %d\n", "Parameters:", preset.numParams);
    if (!bank) {
        std::printf("%-14s %s\n", "Name:", quoted(preset.programs.at(0).name).c_str());
        const auto& values = preset.programs[0].values;
        for (std::size_t i = 0; i < values.size(); ++i)
            std::printf("  %3d  %.6f\n", static_cast<int>(i), static_cast<double>(values[i]));
    } else {
        // One line per program: its name and its values in parameter order.
        for (std::size_t i = 0; i < preset.programs.size(); ++i) {
            std::printf("  %3d  %-26s", static_cast<int>(i), quoted(preset.programs[i].name).c_str());
            for (float value : preset.programs[i].values)
                std::printf(" %.6f", static_cast<double>(value));
            std::printf("\n");
        }
    }
    if (preset.chunkForm)
        std::printf("%-14s %ld bytes\n", "Chunk:", static_cast<long>(preset.chunk.size()));
}

void printPlugin(PluginLoader& plugin)
{
    AEffect* effect = plugin.effect();
    std::printf("%-14s %s\n", "Plug-in:", plugin.path().c_str());
    std::printf("%-14s %s\n", "Unique ID:", describeId(effect->uniqueID).c_str());
    std::printf("%-14s %d\n", "Version:", effect->version);
    std::printf("%-14s %s\n", "Flags:", flagNames(effect->flags).c_str());
    std::printf("%-14s %d\n", "Inputs:", effect->numInputs);
    std::printf("%-14s %d\n", "Outputs:", effect->numOutputs);
    std::printf("%-14s %d\n", "Initial delay:", effect->initialDelay);
    printOptionalText(plugin, "Name:", effGetEffectName);
    printOptionalText(plugin, "Vendor:", effGetVendorString);
    printOptionalText(plugin, "Product:", effGetProductString);
    std::printf("%-14s %ld\n", "VST version:", static_cast<long>(plugin.dispatch(effGetVstVersion)));
    std::printf("%-14s %ld\n", "Category:", static_cast<long>(plugin.dispatch(effGetPlugCategory)));
    printPrograms(plugin);
    printParameters(plugin);
    printChunk(plugin);
}

} // namespace

int infoCommand(const CommandArguments& arguments)
{
    std::string pluginPath;
    std::string presetPath;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (argument == "--preset" || argument.rfind("--preset=", 0) == 0) {
            if (argument.size() > 8)
                presetPath = argument.substr(9);
            else if (i + 1 < arguments.size())
                presetPath = arguments[++i];
            else
                return reportUsage(command, "--preset needs a file");
            if (presetPath.empty())
                return reportUsage(command, "--preset needs a file");
        } else if (argument.rfind("--", 0) == 0) {
            return reportUsage(command, "unknown option " + argument);
        } else if (pluginPath.empty()) {
            pluginPath = argument;
        } else {
            return reportUsage(command, "expects one PLUGIN, got '" + pluginPath + "' and '" + argument + "'");
        }
    }
    if (pluginPath.empty() && presetPath.empty())
        return reportUsage(command, "expects a plug-in library, a --preset FILE or both");

    std::optional<PresetFile> preset;
    if (!presetPath.empty()) {
        std::string error;
        preset = readPresetFile(presetPath, error);
        if (!preset)
            return reportFailure(command, error);
    }
    std::unique_ptr<PluginLoader> plugin;
    if (!pluginPath.empty()) {
        plugin = openPlugin(pluginPath, command);
        if (plugin == nullptr)
            return exitFailure;
        printPlugin(*plugin);
    }
    if (!preset) {
        std::fflush(stdout);
        plugin->close();
        return 0;
    }
    if (plugin != nullptr)
        std::printf("\n");
    printPreset(presetPath, *preset);
    std::fflush(stdout);
    if (plugin == nullptr)
        return 0;
    const std::string mismatch = presetMismatch(*plugin->effect(), *preset);
    plugin->close();
    if (!mismatch.empty())
        return reportFailure(command, "the preset '" + presetPath + "' does not fit '" + pluginPath + "': " + mismatch);
    std::printf("%-14s yes\n", "Fits:");
    return 0;
}
