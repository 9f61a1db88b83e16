// Renders a sound file through an LV2 plug-in found through LV2_PATH, at its defaults, a
// preset and port values; writes a 32-bit float WAV with one channel per audio output.
//
//   lv2render PLUGIN_URI IN OUT [--preset PRESET_URI] [--set SYMBOL=VALUE]...
#include "Lv2Host.h"

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "lv2render: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || (argc - 4) % 2 != 0) {
        std::fprintf(stderr, "usage: lv2render PLUGIN_URI IN OUT [--preset PRESET_URI] [--set SYMBOL=VALUE]...\n");
        return 2;
    }
    lv2host::Instance instance(argv[1]);
    if (!instance.ok())
        return fail(std::string("no plug-in <") + argv[1] + "> on LV2_PATH, or it would not start");
    for (int i = 4; i < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--preset") {
            LilvState* preset = lv2host::presetState(value);
            if (!preset)
                return fail("no preset <" + value + ">");
            instance.restore(preset);
            lilv_state_free(preset);
        } else if (option == "--set" && value.find('=') != std::string::npos) {
            const std::string symbol = value.substr(0, value.find('='));
            char* end = nullptr;
            const float v = std::strtof(value.c_str() + symbol.size() + 1, &end);
            if (!end || *end != '\0' || !instance.setPort(symbol.c_str(), v))
                return fail("cannot set '" + value + "'");
        } else {
            return fail("unknown option '" + option + "'");
        }
    }

    SF_INFO format{};
    SNDFILE* in = sf_open(argv[2], SFM_READ, &format);
    if (!in)
        return fail(std::string("cannot read '") + argv[2] + "'");
    std::vector<float> samples(static_cast<std::size_t>(format.frames * format.channels));
    const sf_count_t read = sf_readf_float(in, samples.data(), format.frames);
    sf_close(in);
    samples.resize(static_cast<std::size_t>(read * format.channels));
    const std::vector<float> out = instance.render(samples, format.channels);

    SF_INFO outFormat{};
    outFormat.samplerate = format.samplerate;
    outFormat.channels = instance.audioOutputs();
    outFormat.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(argv[3], SFM_WRITE, &outFormat);
    if (!file)
        return fail(std::string("cannot write '") + argv[3] + "'");
    const auto frames = static_cast<sf_count_t>(out.size()) / outFormat.channels;
    const bool written = sf_writef_float(file, out.data(), frames) == frames;
    sf_close(file);
    return written ? 0 : fail(std::string("cannot write '") + argv[3] + "'");
}
