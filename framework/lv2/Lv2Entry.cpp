// The LV2 entry of a plug-in library: one plug-in around the engine the plug-in provides
// (Lv2Plugin.h), with its control ports applied at the start of each run and, where it has
// state, the state extension.
#include "EffectBase.h"
#include "Lv2Plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

struct Instance {
    std::unique_ptr<EffectBase> engine;
    const lv2::PluginInfo* info = nullptr;
    std::vector<float*> inputs;
    std::vector<float*> outputs;
    // Per control port: its buffer, the parameter it carries, the value run saw there last and
    // the reading the engine holds now. A port is applied when it moved since run last looked,
    // unless it moved to the engine's own reading: a restored state has put the exact value in
    // place, which the port's float in user units would only come near.
    std::vector<const float*> controls;
    std::vector<int> parameters;
    std::vector<float> lastSeen;
    std::vector<float> reading;
    LV2_URID stateKey = 0;
    LV2_URID chunkType = 0;
};

float readingOf(const Parameter& parameter, float value) { return static_cast<float>(parameter.toUser(value)); }

void takeReadings(Instance& self)
{
    for (std::size_t k = 0; k < self.parameters.size(); ++k) {
        const int index = self.parameters[k];
        self.reading[k] = readingOf(self.info->parameters[index], self.engine->getParameter(index));
    }
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    try {
        auto self = std::make_unique<Instance>();
        self->info = &lv2::pluginInfo();
        self->engine.reset(lv2::createEngine());
        if (!self->engine || self->engine->constructionFailed() || !(rate > 0.0) ||
            !(rate <= std::numeric_limits<float>::max()))
            return nullptr;
        self->inputs.assign(self->info->audioInputs, nullptr);
        self->outputs.assign(self->info->audioOutputs, nullptr);
        for (int i = 0; i < static_cast<int>(self->info->parameters.size()); ++i) {
            if (self->info->hasPort(i))
                self->parameters.push_back(i);
        }
        self->controls.assign(self->parameters.size(), nullptr);
        self->lastSeen.assign(self->parameters.size(), std::numeric_limits<float>::quiet_NaN());
        self->reading.assign(self->parameters.size(), 0.0f);
        for (int i = 0; features && features[i]; ++i) {
            if (std::strcmp(features[i]->URI, LV2_URID__map) == 0 && self->info->stateKey) {
                const auto* map = static_cast<const LV2_URID_Map*>(features[i]->data);
                self->stateKey = map->map(map->handle, self->info->stateKey);
                self->chunkType = map->map(map->handle, LV2_ATOM__Chunk);
            }
        }
        self->engine->setSampleRate(static_cast<float>(rate));
        takeReadings(*self);
        return self.release();
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle handle, uint32_t port, void* data)
{
    auto& self = *static_cast<Instance*>(handle);
    const lv2::PluginInfo& info = *self.info;
    if (port < info.audioInputs) {
        self.inputs[port] = static_cast<float*>(data);
    } else if (port < info.audioInputs + info.audioOutputs) {
        self.outputs[port - info.audioInputs] = static_cast<float*>(data);
    } else if (port < info.portCount()) {
        self.controls[port - info.audioInputs - info.audioOutputs] = static_cast<const float*>(data);
    }
}

void activate(LV2_Handle handle) { static_cast<Instance*>(handle)->engine->resume(); }

void deactivate(LV2_Handle handle) { static_cast<Instance*>(handle)->engine->suspend(); }

// Audio thread: nothing allocated, nothing locked. NaN and infinite port values are ignored.
void run(LV2_Handle handle, uint32_t frames)
{
    auto& self = *static_cast<Instance*>(handle);
    for (std::size_t k = 0; k < self.controls.size(); ++k) {
        if (!self.controls[k])
            continue;
        const float value = *self.controls[k];
        if (!std::isfinite(value) || value == self.lastSeen[k])
            continue;
        self.lastSeen[k] = value;
        if (value == self.reading[k])
            continue;
        const int index = self.parameters[k];
        self.engine->setParameter(index, self.info->parameters[index].toNormalised(value));
        self.reading[k] = value;
    }
    if (frames == 0 || frames > static_cast<uint32_t>(std::numeric_limits<VstInt32>::max()))
        return;
    self.engine->processReplacing(self.inputs.data(), self.outputs.data(), static_cast<VstInt32>(frames));
}

void cleanup(LV2_Handle handle) { delete static_cast<Instance*>(handle); }

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*)
{
    auto& self = *static_cast<Instance*>(handle);
    if (!self.stateKey)
        return LV2_STATE_ERR_NO_FEATURE;
    try {
        const std::vector<unsigned char> bytes = lv2::saveState(*self.engine);
        return store(state, self.stateKey, bytes.data(), bytes.size(), self.chunkType,
                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                         uint32_t, const LV2_Feature* const*)
{
    auto& self = *static_cast<Instance*>(handle);
    if (!self.stateKey)
        return LV2_STATE_ERR_NO_FEATURE;
    std::size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* data = retrieve(state, self.stateKey, &size, &type, &flags);
    if (!data)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != self.chunkType)
        return LV2_STATE_ERR_BAD_TYPE;
    if (!lv2::restoreState(*self.engine, data, size))
        return LV2_STATE_ERR_UNKNOWN;
    takeReadings(self);
    return LV2_STATE_SUCCESS;
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface stateInterface = {save, restore};
    if (lv2::pluginInfo().stateKey && std::strcmp(uri, LV2_STATE__interface) == 0)
        return &stateInterface;
    return nullptr;
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    static const LV2_Descriptor descriptor = {lv2::pluginInfo().uri, instantiate, connectPort, activate, run,
                                              deactivate, cleanup, extensionData};
    return index == 0 ? &descriptor : nullptr;
}
