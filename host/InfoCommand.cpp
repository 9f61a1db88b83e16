// plughost info PLUGIN: prints what a host learns about a plug-in when it scans it.
#include "Command.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace {

const char* const helpText =
    "Usage: plughost info PLUGIN\n"
    "\n"
    "Loads the VST 2 plug-in library PLUGIN and prints its record: unique ID, version, flags,\n"
    "inputs, outputs, the names it gives, its programs, its parameters (name, label, display\n"
    "text and value of the current program) and, when it saves its state as a chunk, the\n"
    "chunk's size.\n";

std::string fourCharacters(VstInt32 code)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>((static_cast<std::uint32_t>(code) >> shift) & 0xff);
        text += std::isprint(c) ? static_cast<char>(c) : '?';
    }
    return text;
}

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

} // namespace

int infoCommand(const CommandArguments& arguments)
{
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(helpText, stdout);
        return 0;
    }
    if (arguments.size() != 1)
        return reportUsage("info", "expects exactly one argument, the plug-in library");

    auto plugin = openPlugin(arguments[0], "info");
    if (plugin == nullptr)
        return exitFailure;
    AEffect* effect = plugin->effect();

    std::printf("%-14s %s\n", "Plug-in:", arguments[0].c_str());
    std::printf("%-14s '%s' (0x%08x)\n", "Unique ID:", fourCharacters(effect->uniqueID).c_str(),
                static_cast<unsigned>(effect->uniqueID));
    std::printf("%-14s %d\n", "Version:", effect->version);
    std::printf("%-14s %s\n", "Flags:", flagNames(effect->flags).c_str());
    std::printf("%-14s %d\n", "Inputs:", effect->numInputs);
    std::printf("%-14s %d\n", "Outputs:", effect->numOutputs);
    std::printf("%-14s %d\n", "Initial delay:", effect->initialDelay);
    printOptionalText(*plugin, "Name:", effGetEffectName);
    printOptionalText(*plugin, "Vendor:", effGetVendorString);
    printOptionalText(*plugin, "Product:", effGetProductString);
    std::printf("%-14s %ld\n", "VST version:", static_cast<long>(plugin->dispatch(effGetVstVersion)));
    std::printf("%-14s %ld\n", "Category:", static_cast<long>(plugin->dispatch(effGetPlugCategory)));
    printPrograms(*plugin);
    printParameters(*plugin);
    printChunk(*plugin);
    std::fflush(stdout);
    plugin->close();
    return 0;
}
