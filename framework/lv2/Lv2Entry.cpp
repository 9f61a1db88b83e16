// The LV2 entry of a plug-in library: one plug-in around the engine the plug-in provides
// (Lv2Plugin.h), with its control ports applied at the start of each run and, where it has
// state, the state extension, the state's bytes as messages on an atom port (installed by the
// host's worker, off the audio thread) and the state told on another.
#include "EffectBase.h"
#include "Lv2Plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

// Hosts may hand the same buffer as an input and an output: the engine reads copies of the
// inputs, in pieces of at most this many frames.
constexpr uint32_t pieceFrames = 4096;

struct Instance {
    std::unique_ptr<EffectBase> engine;
    const lv2::PluginInfo* info = nullptr;
    std::vector<float*> inputs;
    std::vector<float*> outputs;
    std::vector<std::vector<float>> copies;
    std::vector<float*> pieceInputs;
    std::vector<float*> pieceOutputs;
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
    LV2_URID sequenceType = 0;
    LV2_URID objectType = 0;
    LV2_URID patchGet = 0;
    const LV2_Atom_Sequence* messages = nullptr;
    LV2_Atom_Sequence* notify = nullptr;
    const LV2_Worker_Schedule* schedule = nullptr;
    // Audio thread (or the host's thread between runs): the state is to be told on notify.
    bool notifyWanted = true;
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
        self->copies.assign(self->info->audioInputs, std::vector<float>(pieceFrames));
        self->pieceInputs.assign(self->info->audioInputs, nullptr);
        self->pieceOutputs.assign(self->info->audioOutputs, nullptr);
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
                self->sequenceType = map->map(map->handle, LV2_ATOM__Sequence);
                self->objectType = map->map(map->handle, LV2_ATOM__Object);
                self->patchGet = map->map(map->handle, LV2_PATCH__Get);
            }
            if (std::strcmp(features[i]->URI, LV2_WORKER__schedule) == 0)
                self->schedule = static_cast<const LV2_Worker_Schedule*>(features[i]->data);
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
    } else if (port < info.messagePort()) {
        self.controls[port - info.audioInputs - info.audioOutputs] = static_cast<const float*>(data);
    } else if (port == info.messagePort() && info.atomPorts() > 0) {
        self.messages = static_cast<const LV2_Atom_Sequence*>(data);
    } else if (port == info.notifyPort() && info.atomPorts() > 0) {
        self.notify = static_cast<LV2_Atom_Sequence*>(data);
    }
}

void activate(LV2_Handle handle) { static_cast<Instance*>(handle)->engine->resume(); }

void deactivate(LV2_Handle handle) { static_cast<Instance*>(handle)->engine->suspend(); }

// Audio thread: a state's bytes go to the worker (the host copies them); an empty chunk, or
// the patch:Get some hosts send when a UI opens, asks for the state on notify.
void takeMessages(Instance& self)
{
    if (!self.messages || !self.chunkType)
        return;
    LV2_ATOM_SEQUENCE_FOREACH (self.messages, event) {
        if (event->body.type == self.objectType && event->body.size >= sizeof(LV2_Atom_Object_Body) &&
            reinterpret_cast<const LV2_Atom_Object*>(&event->body)->body.otype == self.patchGet) {
            self.notifyWanted = true;
            continue;
        }
        if (event->body.type != self.chunkType)
            continue;
        if (event->body.size == 0)
            self.notifyWanted = true;
        else if (self.schedule)
            self.schedule->schedule_work(self.schedule->handle, event->body.size, LV2_ATOM_BODY_CONST(&event->body));
    }
}

// Audio thread: an empty sequence, or one event with the state when it is to be told and fits.
void tellState(Instance& self)
{
    if (!self.notify || !self.sequenceType)
        return;
    const uint32_t capacity = self.notify->atom.size;
    self.notify->atom.type = self.sequenceType;
    self.notify->atom.size = sizeof(LV2_Atom_Sequence_Body);
    self.notify->body.unit = 0;
    self.notify->body.pad = 0;
    if (!self.notifyWanted || capacity < sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event))
        return;
    auto* event = reinterpret_cast<LV2_Atom_Event*>(&self.notify->body + 1);
    const std::size_t room = capacity - sizeof(LV2_Atom_Sequence_Body) - sizeof(LV2_Atom_Event);
    const std::size_t size = lv2::saveStateInto(*self.engine, reinterpret_cast<unsigned char*>(event + 1), room);
    if (size == 0)
        return;
    event->time.frames = 0;
    event->body.type = self.chunkType;
    event->body.size = static_cast<uint32_t>(size);
    self.notify->atom.size += static_cast<uint32_t>(sizeof(LV2_Atom_Event) + lv2_atom_pad_size(static_cast<uint32_t>(size)));
    self.notifyWanted = false;
}

// Audio thread: nothing allocated, nothing locked. NaN and infinite port values are ignored.
void run(LV2_Handle handle, uint32_t frames)
{
    auto& self = *static_cast<Instance*>(handle);
    takeMessages(self);
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
    tellState(self);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(frames - done, pieceFrames);
        for (std::size_t i = 0; i < self.inputs.size(); ++i) {
            self.pieceInputs[i] = self.inputs[i] ? self.copies[i].data() : nullptr;
            if (self.inputs[i])
                std::memcpy(self.copies[i].data(), self.inputs[i] + done, n * sizeof(float));
        }
        for (std::size_t o = 0; o < self.outputs.size(); ++o)
            self.pieceOutputs[o] = self.outputs[o] ? self.outputs[o] + done : nullptr;
        self.engine->processReplacing(self.pieceInputs.data(), self.pieceOutputs.data(), static_cast<VstInt32>(n));
        done += n;
    }
}

// The host's worker thread: a state from a message, put in place as a restore does.
LV2_Worker_Status work(LV2_Handle handle, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle reply,
                       uint32_t size, const void* data)
{
    auto& self = *static_cast<Instance*>(handle);
    const bool taken = lv2::restoreState(*self.engine, data, size);
    const unsigned char answer = taken ? 1 : 0;
    respond(reply, sizeof answer, &answer);
    return taken ? LV2_WORKER_SUCCESS : LV2_WORKER_ERR_UNKNOWN;
}

// Audio thread, after the work: the engine's readings moved, and a UI is told the state.
LV2_Worker_Status workResponse(LV2_Handle handle, uint32_t size, const void* data)
{
    auto& self = *static_cast<Instance*>(handle);
    if (size == 1 && *static_cast<const unsigned char*>(data) == 1) {
        takeReadings(self);
        self.notifyWanted = true;
    }
    return LV2_WORKER_SUCCESS;
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
    self.notifyWanted = true;
    return LV2_STATE_SUCCESS;
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface stateInterface = {save, restore};
    static const LV2_Worker_Interface workerInterface = {work, workResponse, nullptr};
    if (lv2::pluginInfo().stateKey && std::strcmp(uri, LV2_STATE__interface) == 0)
        return &stateInterface;
    if (lv2::pluginInfo().stateKey && std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &workerInterface;
    return nullptr;
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    static const LV2_Descriptor descriptor = {lv2::pluginInfo().uri, instantiate, connectPort, activate, run,
                                              deactivate, cleanup, extensionData};
    return index == 0 ? &descriptor : nullptr;
}
