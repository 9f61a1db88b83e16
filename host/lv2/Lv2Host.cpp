#include "Lv2Host.h"

#include <lv2/atom/atom.h>

#include <algorithm>
#include <limits>

namespace lv2host {

Urids::Urids()
{
    map_ = {this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Urids*>(h)->map(uri); }};
    unmap_ = {this, [](LV2_URID_Unmap_Handle h, LV2_URID urid) { return static_cast<Urids*>(h)->unmap(urid); }};
}

LV2_URID Urids::map(const char* uri)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < uris_.size(); ++i) {
        if (uris_[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    }
    uris_.emplace_back(uri);
    return static_cast<LV2_URID>(uris_.size());
}

const char* Urids::unmap(LV2_URID urid)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}

Urids& urids()
{
    static Urids instance;
    return instance;
}

LilvWorld* world()
{
    static LilvWorld* w = [] {
        LilvWorld* made = lilv_world_new();
        lilv_world_load_all(made);
        return made;
    }();
    return w;
}

const LilvPlugin* pluginOf(const char* uri)
{
    LilvNode* node = lilv_new_uri(world(), uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world()), node);
    lilv_node_free(node);
    return plugin;
}

LilvState* presetState(const std::string& uri)
{
    LilvNode* node = lilv_new_uri(world(), uri.c_str());
    lilv_world_load_resource(world(), node);
    LilvState* state = lilv_state_new_from_world(world(), urids().mapFeature(), node);
    lilv_node_free(node);
    return state;
}

Instance::Instance(const char* uri, double rate) : plugin_(pluginOf(uri))
{
    if (!plugin_)
        return;
    const uint32_t ports = lilv_plugin_get_num_ports(plugin_);
    controls_.assign(ports, 0.0f);
    std::vector<float> defaults(ports);
    lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, defaults.data());
    LilvNode* audio = lilv_new_uri(world(), LILV_URI_AUDIO_PORT);
    LilvNode* input = lilv_new_uri(world(), LILV_URI_INPUT_PORT);
    for (uint32_t i = 0; i < ports; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
        if (lilv_port_is_a(plugin_, port, audio)) {
            auto& list = lilv_port_is_a(plugin_, port, input) ? inputs_ : outputs_;
            list.push_back({i, std::vector<float>(block)});
        } else {
            controls_[i] = defaults[i];
        }
    }
    lilv_node_free(audio);
    lilv_node_free(input);
    instance_ = lilv_plugin_instantiate(plugin_, rate, urids().features());
    if (!instance_)
        return;
    for (uint32_t i = 0; i < ports; ++i)
        lilv_instance_connect_port(instance_, i, &controls_[i]);
    for (auto* list : {&inputs_, &outputs_}) {
        for (auto& [index, buffer] : *list)
            lilv_instance_connect_port(instance_, index, buffer.data());
    }
    lilv_instance_activate(instance_);
}

Instance::~Instance()
{
    if (instance_) {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
}

uint32_t Instance::portOf(const char* symbol) const
{
    LilvNode* node = lilv_new_string(world(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin_, node);
    lilv_node_free(node);
    return port ? lilv_port_get_index(plugin_, port) : std::numeric_limits<uint32_t>::max();
}

bool Instance::setPort(const char* symbol, float value)
{
    const uint32_t index = portOf(symbol);
    if (index >= controls_.size())
        return false;
    for (const auto* list : {&inputs_, &outputs_}) {
        for (const auto& entry : *list) {
            if (entry.first == index)
                return false;
        }
    }
    controls_[index] = value;
    return true;
}

void Instance::restore(const LilvState* state)
{
    lilv_state_restore(state, instance_, setValue, this, 0, urids().features());
}

std::string Instance::save()
{
    LilvState* state = lilv_state_new_from_instance(plugin_, instance_, urids().mapFeature(), nullptr, nullptr,
                                                    nullptr, nullptr, getValue, this, 0, urids().features());
    char* text = lilv_state_to_string(world(), urids().mapFeature(), urids().unmapFeature(), state,
                                      "urn:lv2host:session", "file:///tmp/");
    std::string result = text ? text : "";
    lilv_free(text);
    lilv_state_free(state);
    return result;
}

const LV2_State_Interface* Instance::stateInterface() const
{
    return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
}

LV2_Handle Instance::handle() const { return lilv_instance_get_handle(instance_); }

std::vector<float> Instance::render(const std::vector<float>& in, int channels)
{
    std::vector<float> out;
    const long frames = channels > 0 ? static_cast<long>(in.size()) / channels : 0;
    for (long start = 0; start < frames; start += block) {
        const long n = std::min<long>(block, frames - start);
        for (std::size_t c = 0; c < inputs_.size(); ++c) {
            const auto channel = static_cast<long>(std::min<std::size_t>(c, static_cast<std::size_t>(channels - 1)));
            for (long f = 0; f < n; ++f)
                inputs_[c].second[f] = in[static_cast<std::size_t>((start + f) * channels + channel)];
        }
        lilv_instance_run(instance_, static_cast<uint32_t>(n));
        for (long f = 0; f < n; ++f) {
            for (auto& output : outputs_)
                out.push_back(output.second[f]);
        }
    }
    return out;
}

void Instance::setValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type)
{
    auto& me = *static_cast<Instance*>(self);
    const uint32_t index = me.portOf(symbol);
    if (index < me.controls_.size() && size == sizeof(float) && type == urids().map(LV2_ATOM__Float))
        me.controls_[index] = *static_cast<const float*>(value);
}

const void* Instance::getValue(const char* symbol, void* self, uint32_t* size, uint32_t* type)
{
    auto& me = *static_cast<Instance*>(self);
    const uint32_t index = me.portOf(symbol);
    if (index >= me.controls_.size())
        return nullptr;
    *size = sizeof(float);
    *type = urids().map(LV2_ATOM__Float);
    return &me.controls_[index];
}

}  // namespace lv2host
