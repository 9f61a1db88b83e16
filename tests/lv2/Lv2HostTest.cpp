// The LV2 bundles in a host of ours built on lilv, the library LV2 hosts use, for what the
// command-line tools cannot do: factory presets and a drawn curve as state, each against the
// VST 2 library with the same settings; a state saved and restored into a fresh instance;
// ports moved and state saved from a second thread while run runs; non-finite port values.
#include "DelayPresets.h"
#include "HostTestSupport.h"
#include "Lv2Host.h"
#include "PluginLoader.h"
#include "ShaperPresets.h"

#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* ombriskUri = "urn:ombrisk-vorlane:ombrisk";
constexpr const char* vorlaneUri = "urn:ombrisk-vorlane:vorlane";
constexpr const char* vorlaneStateKey = "urn:ombrisk-vorlane:vorlane#state";

using lv2host::Instance;
using lv2host::pluginOf;
using lv2host::urids;
using lv2host::world;
constexpr int block = Instance::block;

// Our bundles and the LV2 specifications, as a host finds them through LV2_PATH.
class Lv2Path : public testing::Environment {
public:
    void SetUp() override { setenv("LV2_PATH", LV2_BUNDLES ":/usr/lib/lv2", 1); }
};
const testing::Environment* const lv2Path = testing::AddGlobalTestEnvironment(new Lv2Path);

// The instance's sound for a test signal, as a Sound.
class Lv2Instance : public Instance {
public:
    using Instance::Instance;
    Sound render(const Sound& in)
    {
        Sound out;
        out.sampleRate = in.sampleRate;
        out.channels = audioOutputs();
        out.samples = Instance::render(in.samples, in.channels);
        return out;
    }
    void setPort(const char* symbol, float value) { ASSERT_TRUE(Instance::setPort(symbol, value)) << symbol; }
};

// The same sound through the VST 2 library as plughost drives it, in the same blocks.
Sound renderVst(const char* path, const Sound& in, const std::vector<float>& parameters,
                const std::vector<unsigned char>& chunk)
{
    std::string error;
    auto loader = PluginLoader::open(path, error);
    EXPECT_TRUE(loader) << error;
    if (!loader)
        return {};
    AEffect* effect = loader->effect();
    loader->dispatch(effOpen);
    loader->dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    loader->dispatch(effSetBlockSize, 0, block);
    std::vector<unsigned char> bytes = chunk;
    if (!bytes.empty()) {
        EXPECT_EQ(loader->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()), bytes.data()), 1);
    }
    for (std::size_t i = 0; i < parameters.size(); ++i)
        effect->setParameter(effect, static_cast<VstInt32>(i), parameters[i]);
    loader->dispatch(effMainsChanged, 0, 1);
    Sound out;
    out.sampleRate = in.sampleRate;
    out.channels = 2;
    std::vector<std::vector<float>> inputs(static_cast<std::size_t>(effect->numInputs), std::vector<float>(block));
    std::vector<std::vector<float>> outputs(2, std::vector<float>(block));
    for (long start = 0; start < in.frames(); start += block) {
        const long n = std::min<long>(block, in.frames() - start);
        std::vector<float*> ins, outs;
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            for (long f = 0; f < n; ++f)
                inputs[c][f] = in.at(start + f, static_cast<int>(c) % in.channels);
            ins.push_back(inputs[c].data());
        }
        for (auto& o : outputs)
            outs.push_back(o.data());
        effect->processReplacing(effect, ins.data(), outs.data(), static_cast<VstInt32>(n));
        for (long f = 0; f < n; ++f) {
            for (auto& o : outputs)
                out.samples.push_back(o[f]);
        }
    }
    loader->dispatch(effMainsChanged, 0, 0);
    loader->close();
    return out;
}

Sound testSignal(int channels, double seconds = 2.0)
{
    Sound sound;
    sound.sampleRate = 44100;
    sound.channels = channels;
    const long frames = static_cast<long>(44100 * seconds);
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double envelope = t < 0.3 ? std::exp(-8.0 * t) : 0.0;
        sound.samples.push_back(static_cast<float>(envelope * 0.9 * std::sin(2 * M_PI * 196 * t)));
        if (channels == 2)
            sound.samples.push_back(static_cast<float>(envelope * 0.7 * std::sin(2 * M_PI * 293 * t)));
    }
    return sound;
}

long differences(const Sound& a, const Sound& b)
{
    if (a.samples.size() != b.samples.size())
        return -1;
    long n = 0;
    for (std::size_t i = 0; i < a.samples.size(); ++i)
        n += a.samples[i] != b.samples[i] ? 1 : 0;
    return n;
}

float peakOf(const Sound& s)
{
    float peak = 0.0f;
    for (float v : s.samples)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

LilvState* presetState(const char* pluginUri, const char* name)
{
    return lv2host::presetState(std::string(pluginUri) + ":preset:" + name);
}

TEST(Lv2HostTest, TheHostSeesEveryFactoryPreset)
{
    for (const char* uri : {ombriskUri, vorlaneUri}) {
        const LilvPlugin* plugin = pluginOf(uri);
        ASSERT_NE(plugin, nullptr) << uri;
        LilvNode* presetClass = lilv_new_uri(world(), LV2_PRESETS__Preset);
        LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
        const std::size_t expected = uri == ombriskUri ? ombrisk::presets().size() : vorlane::presets().size();
        EXPECT_EQ(lilv_nodes_size(related), expected) << uri;
        lilv_nodes_free(related);
        lilv_node_free(presetClass);
    }
}

TEST(Lv2HostTest, EveryFactoryPresetSoundsAsTheVst2PluginWithItsSettings)
{
    const Sound mono = testSignal(1), stereo = testSignal(2);
    for (const ombrisk::Preset& preset : ombrisk::presets()) {
        Lv2Instance lv2(ombriskUri);
        ASSERT_TRUE(lv2.ok());
        LilvState* state = presetState(ombriskUri, preset.name);
        ASSERT_NE(state, nullptr) << preset.name;
        lv2.restore(state);
        lilv_state_free(state);
        const Sound a = lv2.render(mono);
        const Sound b = renderVst(OMBRISK_VST, mono, {std::begin(preset.values), std::end(preset.values)}, {});
        EXPECT_EQ(differences(a, b), 0) << preset.name;
        EXPECT_GT(peakOf(a), 0.01f) << preset.name;
    }
    for (const vorlane::Preset& preset : vorlane::presets()) {
        Lv2Instance lv2(vorlaneUri);
        ASSERT_TRUE(lv2.ok());
        LilvState* state = presetState(vorlaneUri, preset.name);
        ASSERT_NE(state, nullptr) << preset.name;
        lv2.restore(state);
        lilv_state_free(state);
        const Sound a = lv2.render(stereo);
        const Sound b = renderVst(VORLANE_VST, stereo, {}, vorlane::encodeChunk(preset.state));
        EXPECT_EQ(differences(a, b), 0) << preset.name;
        EXPECT_GT(peakOf(a), 0.01f) << preset.name;
    }
}

// The state interface as a host calls it, with the bytes of a chunk.
struct Bytes {
    std::vector<unsigned char> data;
    uint32_t type = 0;
};

LV2_State_Status storeBytes(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                            uint32_t)
{
    auto& bytes = *static_cast<Bytes*>(handle);
    if (key != urids().map(vorlaneStateKey))
        return LV2_STATE_ERR_NO_PROPERTY;
    bytes.data.assign(static_cast<const unsigned char*>(value), static_cast<const unsigned char*>(value) + size);
    bytes.type = type;
    return LV2_STATE_SUCCESS;
}

const void* retrieveBytes(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
    auto& bytes = *static_cast<Bytes*>(handle);
    if (key != urids().map(vorlaneStateKey))
        return nullptr;
    *size = bytes.data.size();
    *type = bytes.type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return bytes.data.data();
}

vorlane::ShaperState drawnCurve()
{
    vorlane::ShaperState state;
    const CurvePoint points[] = {{0.0f, 1.0f},  {0.07f, 0.52f}, {0.18f, 0.31f}, {0.29f, 0.44f}, {0.41f, 0.12f},
                                 {0.55f, 0.2f}, {0.68f, 0.05f}, {0.83f, 0.09f}, {1.0f, 0.02f}};
    for (const CurvePoint& p : points)
        state.points[state.count++] = p;
    const float values[] = {0.8f, 0.62f, 0.47f, 0.9f, 1.0f, 0.0f, 0.15f};
    std::copy(std::begin(values), std::end(values), state.values);
    return state;
}

// Ports in the user's units for a state's values, as the host restores them with the state.
void setPortsFor(Lv2Instance& lv2, const vorlane::ShaperState& state)
{
    for (int i = 1; i < vorlane::parameterCount; ++i) {
        const Parameter& p = vorlane::parameters[i];
        lv2.setPort(p.symbol, static_cast<float>(p.toUser(state.values[i - 1])));
    }
}

TEST(Lv2HostTest, ADrawnCurveAsStateSoundsAsTheSameChunkInTheVst2Plugin)
{
    const vorlane::ShaperState drawn = drawnCurve();
    Bytes bytes{vorlane::encodeChunk(drawn), urids().map(LV2_ATOM__Chunk)};
    Lv2Instance lv2(vorlaneUri);
    ASSERT_TRUE(lv2.ok());
    ASSERT_NE(lv2.stateInterface(), nullptr);
    ASSERT_EQ(lv2.stateInterface()->restore(lv2.handle(), retrieveBytes, &bytes, 0, urids().features()),
              LV2_STATE_SUCCESS);
    setPortsFor(lv2, drawn);
    const Sound stereo = testSignal(2);
    EXPECT_EQ(differences(lv2.render(stereo), renderVst(VORLANE_VST, stereo, {}, bytes.data)), 0);

    Bytes saved;
    ASSERT_EQ(lv2.stateInterface()->save(lv2.handle(), storeBytes, &saved, 0, urids().features()), LV2_STATE_SUCCESS);
    EXPECT_EQ(saved.data, bytes.data) << "the state is the chunk's bytes";
    EXPECT_EQ(saved.type, urids().map(LV2_ATOM__Chunk));
}

TEST(Lv2HostTest, StateBytesTheChunkRefusesChangeNothing)
{
    Lv2Instance lv2(vorlaneUri);
    ASSERT_TRUE(lv2.ok());
    Bytes before;
    ASSERT_EQ(lv2.stateInterface()->save(lv2.handle(), storeBytes, &before, 0, urids().features()), LV2_STATE_SUCCESS);
    std::vector<unsigned char> shortChunk = vorlane::encodeChunk(drawnCurve());
    shortChunk.resize(shortChunk.size() - 4);
    std::vector<unsigned char> badHeader = vorlane::encodeChunk(drawnCurve());
    badHeader[2] = 'X';
    const Bytes cases[] = {{shortChunk, urids().map(LV2_ATOM__Chunk)},
                           {badHeader, urids().map(LV2_ATOM__Chunk)},
                           {vorlane::encodeChunk(drawnCurve()), urids().map(LV2_ATOM__String)},
                           {{}, urids().map(LV2_ATOM__Chunk)}};
    for (const Bytes& bad : cases) {
        Bytes copy = bad;
        EXPECT_NE(lv2.stateInterface()->restore(lv2.handle(), retrieveBytes, &copy, 0, urids().features()),
                  LV2_STATE_SUCCESS);
        Bytes after;
        lv2.stateInterface()->save(lv2.handle(), storeBytes, &after, 0, urids().features());
        EXPECT_EQ(after.data, before.data);
    }
}

TEST(Lv2HostTest, ASavedSessionRestoresIntoAFreshInstance)
{
    const Sound stereo = testSignal(2, 1.0);
    const auto configure = [](Lv2Instance& lv2) {
        LilvState* preset = presetState(vorlaneUri, "tilted-warmth");
        lv2.restore(preset);
        lilv_state_free(preset);
        lv2.setPort("pre_gain", 3.0f);
        lv2.setPort("dry_wet", 60.0f);
    };
    Lv2Instance first(vorlaneUri);
    ASSERT_TRUE(first.ok());
    configure(first);
    first.render(testSignal(2, 0.1));
    const std::string session = first.save();
    ASSERT_NE(session.find(vorlaneStateKey), std::string::npos) << session;

    Lv2Instance fresh(vorlaneUri);
    ASSERT_TRUE(fresh.ok());
    LilvState* state = lilv_state_new_from_string(world(), urids().mapFeature(), session.c_str());
    ASSERT_NE(state, nullptr) << session;
    fresh.restore(state);
    lilv_state_free(state);
    EXPECT_EQ(fresh.save(), session);

    Lv2Instance again(vorlaneUri);
    ASSERT_TRUE(again.ok());
    configure(again);
    EXPECT_EQ(differences(fresh.render(stereo), again.render(stereo)), 0);
}

// The host's control thread moves ports, which the audio thread copies into the port buffers
// before each run, and saves the state (which LV2 lets it do while run runs).
TEST(Lv2HostTest, PortsAndStateSavesFromAnotherThreadWhileRunRuns)
{
    for (const char* uri : {ombriskUri, vorlaneUri}) {
        Lv2Instance lv2(uri);
        ASSERT_TRUE(lv2.ok());
        const uint32_t ports = lilv_plugin_get_num_ports(lv2.plugin());
        std::vector<float> minimum(ports), maximum(ports);
        lilv_plugin_get_port_ranges_float(lv2.plugin(), minimum.data(), maximum.data(), nullptr);
        std::vector<std::atomic<float>> wanted(ports);
        for (uint32_t i = 0; i < ports; ++i)
            wanted[i] = lv2.port(i);
        std::atomic<bool> done{false};
        std::atomic<int> blocks{0};
        const Sound signal = testSignal(2, 0.05);
        bool finite = true;
        std::thread audio([&] {
            while (!done.load() || blocks.load() < 200) {
                for (uint32_t i = 0; i < ports; ++i)
                    lv2.setPortByIndex(i, wanted[i].load());
                for (float v : lv2.render(signal).samples)
                    finite = finite && std::isfinite(v);
                blocks.fetch_add(1);
            }
        });
        std::minstd_rand random(7);
        Bytes saved;
        int refusedSaves = 0;
        for (int round = 0; round < 2000; ++round) {
            const auto i = static_cast<uint32_t>(random() % ports);
            if (!std::isnan(minimum[i]))
                wanted[i] = minimum[i] + (maximum[i] - minimum[i]) * static_cast<float>(random() % 1000) / 999.0f;
            if (lv2.stateInterface() && round % 50 == 0) {
                lv2.stateInterface()->save(lv2.handle(), storeBytes, &saved, 0, urids().features());
                vorlane::ShaperState read;
                refusedSaves += vorlane::decodeChunk(saved.data.data(), saved.data.size(), read) ? 0 : 1;
            }
        }
        done = true;
        audio.join();
        EXPECT_TRUE(finite) << uri;
        EXPECT_EQ(refusedSaves, 0) << uri;
    }
}

// A port moved to a finite value first, then to NaN or an infinity: the engine keeps the finite
// one, exactly as an instance that never saw the bad value.
TEST(Lv2HostTest, NonFiniteControlValuesAreIgnored)
{
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    const Sound start = testSignal(2, 0.1), signal = testSignal(2, 0.5);
    for (const char* uri : {ombriskUri, vorlaneUri}) {
        const LilvPlugin* plugin = pluginOf(uri);
        const uint32_t ports = lilv_plugin_get_num_ports(plugin);
        std::vector<float> minimum(ports), maximum(ports);
        lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), nullptr);
        for (uint32_t port = 0; port < ports; ++port) {
            if (std::isnan(minimum[port]))
                continue;  // an audio port
            const float middle = std::round((minimum[port] + maximum[port]) / 2.0f + 0.25f);
            for (float value : bad) {
                Lv2Instance lv2(uri), untouched(uri);
                ASSERT_TRUE(lv2.ok() && untouched.ok());
                for (Lv2Instance* instance : {&lv2, &untouched}) {
                    instance->setPortByIndex(port, middle);
                    instance->render(start);
                }
                lv2.setPortByIndex(port, value);
                const Sound a = lv2.render(signal);
                for (float v : a.samples)
                    ASSERT_TRUE(std::isfinite(v)) << uri << " port " << port << " " << value;
                EXPECT_EQ(differences(a, untouched.render(signal)), 0) << uri << " port " << port << " " << value;
            }
        }
    }
}

}  // namespace
