#include "Lv2Host.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>

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
    LilvNode* atom = lilv_new_uri(world(), LV2_ATOM__AtomPort);
    LilvNode* input = lilv_new_uri(world(), LILV_URI_INPUT_PORT);
    std::vector<bool> control(ports, false);
    for (uint32_t i = 0; i < ports; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
        const bool in = lilv_port_is_a(plugin_, port, input);
        if (lilv_port_is_a(plugin_, port, audio)) {
            auto& list = in ? inputs_ : outputs_;
            list.push_back({i, std::vector<float>(block)});
        } else if (lilv_port_is_a(plugin_, port, atom)) {
            (in ? messagePort_ : notifyPort_) = static_cast<int>(i);
        } else {
            controls_[i] = defaults[i];
            control[i] = true;
        }
    }
    lilv_node_free(audio);
    lilv_node_free(atom);
    lilv_node_free(input);
    for (const LV2_Feature* const* f = urids().features(); *f; ++f)
        features_.push_back(*f);
    features_.push_back(&scheduleFeature_);
    features_.push_back(nullptr);
    instance_ = lilv_plugin_instantiate(plugin_, rate, features_.data());
    if (!instance_)
        return;
    for (uint32_t i = 0; i < ports; ++i) {
        if (control[i])
            lilv_instance_connect_port(instance_, i, &controls_[i]);
    }
    for (auto* list : {&inputs_, &outputs_}) {
        for (auto& [index, buffer] : *list)
            lilv_instance_connect_port(instance_, index, buffer.data());
    }
    constexpr std::size_t atomBuffer = 8192;
    if (messagePort_ >= 0) {
        messages_.assign(atomBuffer / 8, 0);
        lilv_instance_connect_port(instance_, static_cast<uint32_t>(messagePort_), messages_.data());
    }
    if (notifyPort_ >= 0) {
        notify_.assign(atomBuffer / 8, 0);
        lilv_instance_connect_port(instance_, static_cast<uint32_t>(notifyPort_), notify_.data());
    }
    lilv_instance_activate(instance_);
}

Instance::~Instance()
{
    if (worker_.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(workMutex_);
            stopping_ = true;
        }
        workWanted_.notify_all();
        worker_.join();
    }
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
        runBlock(static_cast<uint32_t>(n));
        for (long f = 0; f < n; ++f) {
            for (auto& output : outputs_)
                out.push_back(output.second[f]);
        }
    }
    return out;
}

void Instance::sendChunk(const std::vector<unsigned char>& bytes) { sendAtom(LV2_ATOM__Chunk, bytes); }

void Instance::sendAtom(const char* type, const std::vector<unsigned char>& body)
{
    pending_ = body;
    pendingType_ = urids().map(type);
    pendingSent_ = true;
}

std::vector<std::vector<unsigned char>> Instance::takeNotified() { return std::exchange(notified_, {}); }

void Instance::runBlock(uint32_t frames)
{
    const LV2_URID sequence = urids().map(LV2_ATOM__Sequence);
    const LV2_URID chunk = urids().map(LV2_ATOM__Chunk);
    if (!messages_.empty()) {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(messages_.data());
        seq->atom = {sizeof(LV2_Atom_Sequence_Body), sequence};
        seq->body = {0, 0};
        if (pendingSent_ && pending_.size() + sizeof(LV2_Atom_Event) + sizeof(LV2_Atom_Sequence) <= messages_.size() * 8) {
            auto* event = reinterpret_cast<LV2_Atom_Event*>(seq + 1);
            event->time.frames = 0;
            event->body = {static_cast<uint32_t>(pending_.size()), pendingType_};
            std::copy(pending_.begin(), pending_.end(), reinterpret_cast<unsigned char*>(event + 1));
            seq->atom.size += static_cast<uint32_t>(sizeof(LV2_Atom_Event) +
                                                    lv2_atom_pad_size(static_cast<uint32_t>(pending_.size())));
        }
        pending_.clear();
        pendingSent_ = false;
    }
    if (!notify_.empty()) {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
        seq->atom = {static_cast<uint32_t>(notify_.size() * 8 - sizeof(LV2_Atom)), 0};
    }
    lilv_instance_run(instance_, frames);
    const auto* worker =
        static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    std::vector<std::vector<unsigned char>> responses;
    {
        const std::lock_guard<std::mutex> lock(workMutex_);
        responses = std::exchange(responses_, {});
    }
    for (const auto& response : responses) {
        if (worker)
            worker->work_response(handle(), static_cast<uint32_t>(response.size()), response.data());
    }
    if (!notify_.empty()) {
        const auto* seq = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
        if (seq->atom.type == sequence) {
            LV2_ATOM_SEQUENCE_FOREACH (seq, event) {
                if (event->body.type != chunk)
                    continue;
                const auto* body = static_cast<const unsigned char*>(LV2_ATOM_BODY_CONST(&event->body));
                notified_.emplace_back(body, body + event->body.size);
            }
        }
    }
}

void Instance::useWorkerThread()
{
    if (!worker_.joinable())
        worker_ = std::thread(&Instance::workLoop, this);
}

void Instance::workLoop()
{
    const auto* worker =
        static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    std::unique_lock<std::mutex> lock(workMutex_);
    for (;;) {
        workWanted_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_)
            return;
        const std::vector<unsigned char> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        if (worker)
            worker->work(handle(), respond, this, static_cast<uint32_t>(job.size()), job.data());
        lock.lock();
    }
}

LV2_Worker_Status Instance::scheduleWork(LV2_Worker_Schedule_Handle self, uint32_t size, const void* data)
{
    auto& me = *static_cast<Instance*>(self);
    if (me.worker_.joinable()) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        {
            const std::lock_guard<std::mutex> lock(me.workMutex_);
            me.jobs_.emplace_back(bytes, bytes + size);
        }
        me.workWanted_.notify_one();
        return LV2_WORKER_SUCCESS;
    }
    const auto* worker =
        static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(me.instance_, LV2_WORKER__interface));
    if (!worker)
        return LV2_WORKER_ERR_UNKNOWN;
    return worker->work(me.handle(), respond, self, size, data);
}

LV2_Worker_Status Instance::respond(LV2_Worker_Respond_Handle self, uint32_t size, const void* data)
{
    auto& me = *static_cast<Instance*>(self);
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::lock_guard<std::mutex> lock(me.workMutex_);
    me.responses_.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
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
