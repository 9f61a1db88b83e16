// A small LV2 host on lilv, the library LV2 hosts use: plug-ins found through LV2_PATH,
// instantiated with a URI map, presets and saved sessions restored, sound run in blocks.
// The LV2 tests and lv2render use it.
#pragma once

#include <lilv/lilv.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace lv2host {

// The host's URI map, for any thread.
class Urids {
public:
    Urids();
    Urids(const Urids&) = delete;
    Urids& operator=(const Urids&) = delete;
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid);
    LV2_URID_Map* mapFeature() { return &map_; }
    LV2_URID_Unmap* unmapFeature() { return &unmap_; }
    const LV2_Feature* const* features() { return features_; }

private:
    std::mutex mutex_;
    std::vector<std::string> uris_;
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
    LV2_Feature mapF_{LV2_URID__map, &map_};
    LV2_Feature unmapF_{LV2_URID__unmap, &unmap_};
    const LV2_Feature* features_[3] = {&mapF_, &unmapF_, nullptr};
};

Urids& urids();
// Every bundle on LV2_PATH (or lilv's default path), loaded on first use.
LilvWorld* world();
// Null when no bundle describes uri.
const LilvPlugin* pluginOf(const char* uri);
// A preset of a plug-in by its URI; null when none loads. Free with lilv_state_free.
LilvState* presetState(const std::string& uri);

// One instance with its port buffers, which only the thread calling run writes.
class Instance {
public:
    static constexpr int block = 64;

    explicit Instance(const char* uri, double rate = 44100.0);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool ok() const { return instance_ != nullptr; }
    const LilvPlugin* plugin() const { return plugin_; }
    uint32_t portCount() const { return static_cast<uint32_t>(controls_.size()); }
    int audioInputs() const { return static_cast<int>(inputs_.size()); }
    int audioOutputs() const { return static_cast<int>(outputs_.size()); }

    // An index beyond the ports when no port has the symbol.
    uint32_t portOf(const char* symbol) const;
    // False when no control port has the symbol.
    bool setPort(const char* symbol, float value);
    float port(uint32_t index) const { return controls_[index]; }
    void setPortByIndex(uint32_t index, float value) { controls_[index] = value; }

    // The plug-in's state and the port values, as lilv_state_restore sets them.
    void restore(const LilvState* state);
    // What a host saves for a session: the ports and the plug-in's own state, as turtle.
    std::string save();
    // Null for a plug-in without state.
    const LV2_State_Interface* stateInterface() const;
    LV2_Handle handle() const;

    // Interleaved sound of channels channels in blocks, interleaved output of every audio
    // output; input i takes channel i, or the last one of a file with fewer.
    std::vector<float> render(const std::vector<float>& in, int channels);

private:
    static void setValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type);
    static const void* getValue(const char* symbol, void* self, uint32_t* size, uint32_t* type);

    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    std::vector<float> controls_;
    std::vector<std::pair<uint32_t, std::vector<float>>> inputs_;
    std::vector<std::pair<uint32_t, std::vector<float>>> outputs_;
};

}  // namespace lv2host
