// What the LV2 layer knows of a plug-in: its URIs, its audio ports and its parameter table,
// from which the control ports follow. Read by the plug-in library at run time and by the
// tool that writes the bundle's turtle files, so that both number the ports alike: audio
// inputs first, then audio outputs, then one control port per parameter that has a user
// reading, in the table's order.
#pragma once

#include "Parameter.h"

#include <cstdint>
#include <span>

namespace lv2 {

struct PluginInfo {
    const char* uri;
    const char* name;
    // Without the directory and the suffix: the bundle holds NAME.so and NAME.ttl.
    const char* binary;
    // The lv2: class the plug-in belongs to, such as "DelayPlugin".
    const char* pluginClass;
    std::uint32_t audioInputs;
    std::uint32_t audioOutputs;
    std::span<const Parameter> parameters;
    // The property its state is saved under as one chunk of bytes; null without state.
    const char* stateKey = nullptr;
    // Whether the bundle holds an X11 UI, BINARY_ui.so, whose URI is the plug-in's with "#ui".
    bool hasUi = false;

    bool hasPort(int parameter) const { return parameters[parameter].scale != ParameterScale::none; }
    std::uint32_t controlPorts() const
    {
        std::uint32_t n = 0;
        for (int i = 0; i < static_cast<int>(parameters.size()); ++i)
            n += hasPort(i) ? 1 : 0;
        return n;
    }
    // With state, two atom ports follow the control ports: "control" takes the state's bytes
    // as a message (an atom:Chunk; an empty one asks for the state), which the worker installs
    // off the audio thread, and "notify" tells a UI the state the plug-in holds.
    std::uint32_t atomPorts() const { return stateKey ? 2 : 0; }
    std::uint32_t messagePort() const { return audioInputs + audioOutputs + controlPorts(); }
    std::uint32_t notifyPort() const { return messagePort() + 1; }
    static constexpr std::uint32_t notifyCapacity = 4096;
    std::uint32_t portCount() const { return audioInputs + audioOutputs + controlPorts() + atomPorts(); }
    // The parameter index of control port number port (counted over all ports), or -1.
    int parameterOfPort(std::uint32_t port) const
    {
        if (port < audioInputs + audioOutputs || port >= messagePort())
            return -1;
        std::uint32_t control = port - audioInputs - audioOutputs;
        for (int i = 0; i < static_cast<int>(parameters.size()); ++i) {
            if (!hasPort(i))
                continue;
            if (control == 0)
                return i;
            --control;
        }
        return -1;
    }
};

// The plug-in's description, defined once per plug-in.
const PluginInfo& pluginInfo();

}  // namespace lv2
