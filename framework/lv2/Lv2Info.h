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

    bool hasPort(int parameter) const { return parameters[parameter].scale != ParameterScale::none; }
    std::uint32_t controlPorts() const
    {
        std::uint32_t n = 0;
        for (int i = 0; i < static_cast<int>(parameters.size()); ++i)
            n += hasPort(i) ? 1 : 0;
        return n;
    }
    std::uint32_t portCount() const { return audioInputs + audioOutputs + controlPorts(); }
    // The parameter index of control port number port (counted over all ports), or -1.
    int parameterOfPort(std::uint32_t port) const
    {
        if (port < audioInputs + audioOutputs)
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
