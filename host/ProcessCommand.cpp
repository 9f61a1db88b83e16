// plughost process PLUGIN IN OUT [options]: renders a sound file through a plug-in into a
// 32-bit float WAV file.
#include "Arguments.h"
#include "AtomicFile.h"
#include "ChunkFile.h"
#include "Command.h"
#include "PluginPreset.h"
#include "ProgressBar.h"
#include "SoundFile.h"
#include "StopSignals.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

namespace {

const char* const command = "process";

const char* const helpText =
    "Usage: plughost process PLUGIN IN OUT [options]\n"
    "\n"
    "Renders the sound file IN through the VST 2 plug-in PLUGIN at IN's sample rate and writes\n"
    "OUT as a 32-bit float WAV file with one channel per plug-in output. OUT appears only when\n"
    "the whole render succeeded; OUT, --save-chunk and --save-preset must name files other than\n"
    "IN and each other. IN may be %s. A plug-in named without a folder is the file of that name in the\n"
    "current folder.\n"
    "\n"
    "Options:\n"
    "  --param I=V        set parameter I to the normalised value V (0 to 1); may be repeated,\n"
    "                     applied after --load-chunk, --preset and --program\n"
    "  --program N        select program N before rendering (after a bank is loaded, before\n"
    "                     a program is loaded into it)\n"
    "  --program-name TEXT  name the current program TEXT (after --program and --preset)\n"
    "  --block N          frames per process call, 1 to 65536 (default 512)\n"
    "  --tail SECONDS     render this much silence after IN's end (default 0)\n"
    "  --accumulate       use the accumulating process call on zeroed outputs even when the\n"
    "                     plug-in can replace\n"
    "  --load-chunk FILE  hand FILE's bytes to the plug-in as its saved state (effSetChunk)\n"
    "  --save-chunk FILE  write the plug-in's saved state (effGetChunk) after rendering\n"
    "  --preset FILE      load a preset file: FILE.fxp into the current program, FILE.fxb\n"
    "                     into every program; refused, with the reason, when it is for\n"
    "                     another plug-in, its counts differ or the plug-in refuses its chunk\n"
    "  --save-preset FILE after rendering, write the current program (FILE.fxp) or every\n"
    "                     program (FILE.fxb) as a preset file: parameter values, or the\n"
    "                     plug-in's chunk when it saves chunks\n"
    "\n"
    "How IN's channels feed the plug-in's inputs:\n"
    "  - a mono file feeds the same signal to every input;\n"
    "  - a file of two or more channels feeding a 1-input plug-in is mixed down to the average\n"
    "    of its channels;\n"
    "  - otherwise input i gets channel i; inputs beyond the file's channels get silence and\n"
    "    channels beyond the plug-in's inputs are dropped.\n"
    "So a stereo file through a 1-input plug-in is mixed to mono, and a mono file through a\n"
    "2-input plug-in feeds both inputs.\n"
    "\n"
    "The plug-in is driven as a host does: effOpen, effSetSampleRate, effSetBlockSize, the\n"
    "chunk or preset, program and parameters, effMainsChanged 1, processing, effMainsChanged 0, effClose.\n"
    "processReplacing is used when the plug-in announces it can replace, else process.\n";

constexpr long maxBlock = 65536;
constexpr double maxTailSeconds = 3600.0;
constexpr VstInt32 maxChannels = 256;
// A plain WAV file's sizes are 32-bit.
constexpr std::int64_t maxWavDataBytes = 0xffffffffLL - 1024;

struct ParameterSetting {
    VstInt32 index;
    float value;
};

struct Options {
    std::string plugin;
    std::string input;
    std::string output;
    std::vector<std::pair<std::string, std::string>> parameters;  // index and value as given
    std::optional<long> program;
    long block = 512;
    double tailSeconds = 0.0;
    bool accumulate = false;
    std::string loadChunk;
    std::string saveChunk;
    std::string preset;
    std::string savePreset;
    std::optional<std::string> programName;
};

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int)
{
    interrupted = 1;
}

// Parses the command line; answers an error text, empty when all is well.
std::string parseOptions(const CommandArguments& arguments, Options& options)
{
    std::vector<std::string> positional;
    std::string error;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> attached;
        if (name.rfind("--", 0) == 0) {
            const size_t equals = name.find('=');
            if (equals != std::string::npos) {
                attached = name.substr(equals + 1);
                name.resize(equals);
            }
        } else {
            positional.push_back(name);
            continue;
        }
        if (name == "--accumulate") {
            if (attached)
                return "--accumulate takes no value";
            options.accumulate = true;
            continue;
        }
        static const char* const valued[] = {"--param",      "--program", "--block",      "--tail",
                                             "--load-chunk", "--save-chunk", "--preset", "--save-preset",
                                             "--program-name"};
        if (std::find(std::begin(valued), std::end(valued), name) == std::end(valued))
            return "unknown option " + name;
        std::string value;
        if (attached) {
            value = *attached;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return name + " needs a value";
        }
        if (name == "--param") {
            const size_t equals = value.find('=');
            if (equals == std::string::npos)
                return "--param expects INDEX=VALUE, got '" + value + "'";
            options.parameters.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else if (name == "--program") {
            options.program = parseInteger(value, 0, INT32_MAX, "program", error);
            if (!options.program)
                return error;
        } else if (name == "--block") {
            const auto block = parseInteger(value, 1, maxBlock, "block size", error);
            if (!block)
                return error;
            options.block = *block;
        } else if (name == "--tail") {
            const auto tail = parseNumber(value, 0.0, maxTailSeconds, "tail", error);
            if (!tail)
                return error;
            options.tailSeconds = *tail;
        } else if (name == "--load-chunk") {
            options.loadChunk = value;
        } else if (name == "--save-chunk") {
            options.saveChunk = value;
        } else if (name == "--preset") {
            options.preset = value;
        } else if (name == "--program-name") {
            options.programName = value;
        } else {
            if (!presetKindOf(value))
                return "--save-preset '" + value + "' must end in .fxp (one program) or .fxb (a bank)";
            options.savePreset = value;
        }
    }
    if (!options.preset.empty() && !options.loadChunk.empty())
        return "--preset and --load-chunk both set the plug-in's state: give one of them";
    if (positional.size() != 3)
        return "expects PLUGIN IN OUT, got " + std::to_string(positional.size()) + " file argument(s)";
    options.plugin = positional[0];
    options.input = positional[1];
    options.output = positional[2];
    return {};
}

// Whether two paths name one file: the same file when both exist (links included), else the
// same place once resolved.
bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code failure;
    if (std::filesystem::equivalent(a, b, failure))
        return true;
    std::error_code otherFailure;
    const auto resolvedA = std::filesystem::weakly_canonical(a, failure);
    const auto resolvedB = std::filesystem::weakly_canonical(b, otherFailure);
    return !failure && !otherFailure && resolvedA == resolvedB;
}

// Files the render would write over what it reads or writes elsewhere: an error text, empty
// when the files are apart.
std::string checkFilesApart(const Options& options)
{
    if (sameFile(options.output, options.input))
        return "OUT '" + options.output + "' is the input file: the render would replace what it reads";
    if (!options.saveChunk.empty()) {
        if (sameFile(options.saveChunk, options.output))
            return "--save-chunk '" + options.saveChunk + "' is the output file: the chunk would replace the render";
        if (sameFile(options.saveChunk, options.input))
            return "--save-chunk '" + options.saveChunk + "' is the input file: the chunk would replace it";
    }
    if (!options.savePreset.empty()) {
        if (sameFile(options.savePreset, options.output))
            return "--save-preset '" + options.savePreset + "' is the output file: the preset would replace the render";
        if (sameFile(options.savePreset, options.input))
            return "--save-preset '" + options.savePreset + "' is the input file: the preset would replace it";
        if (!options.saveChunk.empty() && sameFile(options.savePreset, options.saveChunk))
            return "--save-preset '" + options.savePreset + "' is also --save-chunk: one would replace the other";
    }
    return {};
}

// The frames a WAV file's header declares for its data, or nothing for another kind of file.
// libsndfile reports a truncated file's frames as those present, so the header is read here.
std::optional<std::int64_t> declaredWavFrames(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char riff[12];
    if (!file.read(riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;
    std::uint32_t blockAlign = 0;
    char header[8];
    while (file.read(header, sizeof header)) {
        std::uint32_t size;
        std::memcpy(&size, header + 4, sizeof size);
        if (std::memcmp(header, "fmt ", 4) == 0 && size >= 16) {
            char format[16];
            if (!file.read(format, sizeof format))
                return std::nullopt;
            std::uint16_t align;
            std::memcpy(&align, format + 12, sizeof align);
            blockAlign = align;
            file.seekg(static_cast<std::streamoff>(size - 16 + (size & 1)), std::ios::cur);
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (blockAlign == 0)
                return std::nullopt;
            return static_cast<std::int64_t>(size / blockAlign);
        } else {
            file.seekg(static_cast<std::streamoff>(size) + (size & 1), std::ios::cur);
        }
    }
    return std::nullopt;
}

// Checks every --param against the plug-in's parameter count.
std::optional<std::vector<ParameterSetting>> checkParameters(const Options& options, VstInt32 numParams,
                                                             std::string& error)
{
    std::vector<ParameterSetting> settings;
    for (const auto& [indexText, valueText] : options.parameters) {
        if (numParams <= 0) {
            error = "--param " + indexText + "=" + valueText + ": the plug-in has no parameters";
            return std::nullopt;
        }
        const auto index = parseInteger(indexText, 0, numParams - 1, "parameter index", error);
        if (!index) {
            error = "--param " + indexText + "=" + valueText + ": " + error;
            return std::nullopt;
        }
        const auto value = parseNumber(valueText, 0.0, 1.0, "parameter value", error);
        if (!value) {
            error = "--param " + indexText + "=" + valueText + ": " + error;
            return std::nullopt;
        }
        settings.push_back({static_cast<VstInt32>(*index), static_cast<float>(*value)});
    }
    return settings;
}

// Fills the plug-in's inputs from interleaved file frames (mapping described in --help).
void feedInputs(const std::vector<float>& interleaved, int channels, std::int64_t frames,
                std::vector<std::vector<float>>& inputs)
{
    const size_t count = static_cast<size_t>(frames);
    for (size_t input = 0; input < inputs.size(); ++input) {
        float* to = inputs[input].data();
        if (channels == 1) {
            std::copy_n(interleaved.data(), count, to);
        } else if (inputs.size() == 1) {
            const float scale = 1.0f / static_cast<float>(channels);
            for (size_t f = 0; f < count; ++f) {
                float sum = 0.0f;
                for (int c = 0; c < channels; ++c)
                    sum += interleaved[f * static_cast<size_t>(channels) + static_cast<size_t>(c)];
                to[f] = sum * scale;
            }
        } else if (input < static_cast<size_t>(channels)) {
            for (size_t f = 0; f < count; ++f)
                to[f] = interleaved[f * static_cast<size_t>(channels) + input];
        } else {
            std::fill_n(to, count, 0.0f);
        }
        std::fill(to + count, to + inputs[input].size(), 0.0f);
    }
}

class Render {
public:
    Render(const Options& options, PluginLoader& plugin) : options_(options), plugin_(plugin) {}
    int run();

private:
    int fail(const std::string& message) { return reportFailure(command, message); }
    std::string presetRefused(const std::string& why) const
    {
        return "cannot load the preset '" + options_.preset + "': " + why;
    }
    bool processAll(SoundReader& input, SoundWriter& output, std::int64_t tailFrames);

    const Options& options_;
    PluginLoader& plugin_;
    std::string error_;
    std::int64_t written_ = 0;
    std::int64_t inputFrames_ = 0;  // read from IN, without the tail
    VstInt32 numInputs_ = 0;
    VstInt32 numOutputs_ = 0;
    bool replacing_ = true;  // processReplacing, else process on zeroed outputs
};

int Render::run()
{
    AEffect* effect = plugin_.effect();
    const auto parameters = checkParameters(options_, effect->numParams, error_);
    if (!parameters)
        return reportUsage(command, error_);
    if (options_.program && *options_.program >= effect->numPrograms)
        return reportUsage(command, "program " + std::to_string(*options_.program) + " is out of range (the plug-in has " +
                                        std::to_string(effect->numPrograms) + " programs)");
    if (effect->numOutputs <= 0 || effect->numOutputs > maxChannels || effect->numInputs < 0 ||
        effect->numInputs > maxChannels)
        return fail("the plug-in's channel counts (" + std::to_string(effect->numInputs) + " in, " +
                    std::to_string(effect->numOutputs) + " out) cannot be rendered to a file");
    // The counts the file and the buffers are made for, read once.
    numInputs_ = effect->numInputs;
    numOutputs_ = effect->numOutputs;
    if (!parameters->empty() && effect->setParameter == nullptr)
        return fail("the plug-in has no set-parameter entry");
    replacing_ = !options_.accumulate && (effect->flags & effFlagsCanReplacing) != 0 &&
                 effect->processReplacing != nullptr;
    if (!replacing_ && effect->process == nullptr)
        return fail("the plug-in has no process entry");

    std::vector<char> chunk;
    if (!options_.loadChunk.empty() && !readChunkFile(options_.loadChunk, chunk, error_))
        return fail(error_);
    std::optional<PresetFile> preset;
    if (!options_.preset.empty()) {
        preset = readPresetFile(options_.preset, error_);
        if (!preset)
            return fail(error_);
        const std::string mismatch = presetMismatch(*effect, *preset);
        if (!mismatch.empty())
            return fail(presetRefused(mismatch));
    }

    const auto input = SoundReader::open(options_.input, error_);
    if (input == nullptr)
        return fail("cannot read '" + options_.input + "': " + error_);
    if (input->channels() <= 0 || input->sampleRate() <= 0)
        return fail("'" + options_.input + "' has no usable channels or sample rate");
    const int sampleRate = input->sampleRate();

    const auto tailFrames = static_cast<std::int64_t>(options_.tailSeconds * sampleRate + 0.5);
    if ((input->frames() + tailFrames) * numOutputs_ * 4 > maxWavDataBytes)
        return fail("the output would exceed the 4 GiB size limit of a WAV file");

    AtomicFile outputFile(options_.output);
    const int fd = outputFile.create(error_);
    if (fd < 0)
        return fail(error_);
    AtomicFile chunkFile(options_.saveChunk);
    if (!options_.saveChunk.empty() && chunkFile.create(error_) < 0)
        return fail(error_);
    AtomicFile presetFile(options_.savePreset);
    if (!options_.savePreset.empty() && presetFile.create(error_) < 0)
        return fail(error_);

    const auto output = SoundWriter::create(fd, sampleRate, numOutputs_, error_);
    if (output == nullptr)
        return fail("cannot write '" + options_.output + "': " + error_);

    plugin_.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    plugin_.dispatch(effSetBlockSize, 0, options_.block);
    if (!options_.loadChunk.empty()) {
        if (plugin_.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()) == 0)
            return fail("the plug-in refused the chunk in '" + options_.loadChunk + "' (" +
                        std::to_string(chunk.size()) + " bytes)");
    }
    // A bank fills the programs that --program chooses from; a program goes into the chosen one.
    const bool bank = preset && preset->kind == PresetFile::Kind::bank;
    if (bank && !applyPreset(plugin_, *preset, error_))
        return fail(presetRefused(error_));
    if (options_.program)
        plugin_.dispatch(effSetProgram, 0, *options_.program);
    if (preset && !bank && !applyPreset(plugin_, *preset, error_))
        return fail(presetRefused(error_));
    if (options_.programName)
        nameProgram(plugin_, *options_.programName);
    for (const ParameterSetting& setting : *parameters)
        effect->setParameter(effect, setting.index, setting.value);

    plugin_.dispatch(effMainsChanged, 0, 1);
    const bool processed = processAll(*input, *output, tailFrames);
    plugin_.dispatch(effMainsChanged, 0, 0);
    if (!processed)
        return fail(error_);
    const std::int64_t declared = std::max(input->frames(), declaredWavFrames(options_.input).value_or(0));
    if (inputFrames_ < declared)
        std::fprintf(stderr, "plughost %s: warning: '%s' ends after %lld of the %lld frames its header declares\n",
                     command, options_.input.c_str(), static_cast<long long>(inputFrames_),
                     static_cast<long long>(declared));

    if (!options_.saveChunk.empty() && !writeChunk(plugin_, chunkFile, error_))
        return fail(error_);
    if (!options_.savePreset.empty() && !writePresetFile(plugin_, presetFile, error_))
        return fail(error_);
    plugin_.close();

    if (!output->finish(error_))
        return fail("cannot write '" + options_.output + "': " + error_);
    if (!outputFile.commit(error_))
        return fail(error_);
    if (!options_.saveChunk.empty() && !chunkFile.commit(error_))
        return fail(error_);
    if (!options_.savePreset.empty() && !presetFile.commit(error_))
        return fail(error_);
    std::printf("wrote '%s': %lld frames, %d channels at %d Hz\n", options_.output.c_str(),
                static_cast<long long>(written_), numOutputs_, sampleRate);
    return 0;
}

bool Render::processAll(SoundReader& input, SoundWriter& output, std::int64_t tailFrames)
{
    AEffect* effect = plugin_.effect();
    const auto block = static_cast<size_t>(options_.block);

    std::vector<float> interleavedIn(block * static_cast<size_t>(input.channels()));
    std::vector<std::vector<float>> inputs(static_cast<size_t>(numInputs_), std::vector<float>(block));
    std::vector<std::vector<float>> outputs(static_cast<size_t>(numOutputs_), std::vector<float>(block));
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
    for (auto& channel : inputs)
        inputPointers.push_back(channel.data());
    for (auto& channel : outputs)
        outputPointers.push_back(channel.data());
    // Some plug-ins read inputs[0] even when they declare none.
    std::vector<float> silence(block, 0.0f);
    if (inputPointers.empty())
        inputPointers.push_back(silence.data());
    std::vector<float> interleavedOut(block * outputs.size());

    ProgressBar progress(input.frames() + tailFrames, std::int64_t {20} * input.sampleRate());
    std::int64_t done = 0;
    std::int64_t tailLeft = tailFrames;
    bool inputEnded = false;

    // Every signal that ends a terminal session stops the render, so that the temporary
    // files are removed instead of left behind.
    const std::span<const int> stopping = stoppingSignals();
    std::vector<void (*)(int)> previous;
    for (int signal : stopping)
        previous.push_back(std::signal(signal, onInterrupt));
    bool ok = true;
    while (true) {
        std::int64_t frames = 0;
        if (!inputEnded) {
            std::string why;
            frames = input.read(interleavedIn.data(), static_cast<std::int64_t>(block), why);
            if (frames < 0) {
                error_ = "cannot read '" + options_.input + "': " + why;
                ok = false;
                break;
            }
            if (frames == 0) {
                inputEnded = true;
            } else {
                feedInputs(interleavedIn, input.channels(), frames, inputs);
                inputFrames_ += frames;
            }
        }
        if (inputEnded) {
            if (tailLeft == 0)
                break;
            frames = std::min<std::int64_t>(tailLeft, static_cast<std::int64_t>(block));
            tailLeft -= frames;
            for (auto& channel : inputs)
                std::fill(channel.begin(), channel.end(), 0.0f);
        }
        const auto count = static_cast<VstInt32>(frames);
        if (replacing_) {
            effect->processReplacing(effect, inputPointers.data(), outputPointers.data(), count);
        } else {
            for (auto& channel : outputs)
                std::fill(channel.begin(), channel.end(), 0.0f);
            effect->process(effect, inputPointers.data(), outputPointers.data(), count);
        }
        const size_t channels = outputs.size();
        for (size_t f = 0; f < static_cast<size_t>(frames); ++f)
            for (size_t c = 0; c < channels; ++c)
                interleavedOut[f * channels + c] = outputs[c][f];
        std::string why;
        if (!output.write(interleavedOut.data(), frames, why)) {
            error_ = "cannot write '" + options_.output + "': " + why;
            ok = false;
            break;
        }
        done += frames;
        written_ = done;
        progress.update(done);
        if (interrupted != 0) {
            error_ = "interrupted";
            ok = false;
            break;
        }
    }
    progress.finish();
    for (std::size_t i = 0; i < stopping.size(); ++i)
        std::signal(stopping[i], previous[i]);
    return ok;
}

} // namespace

int processCommand(const CommandArguments& arguments)
{
    if (std::find_if(arguments.begin(), arguments.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; }) != arguments.end()) {
        std::printf(helpText, SoundReader::formats());
        return 0;
    }
    Options options;
    std::string error = parseOptions(arguments, options);
    if (error.empty())
        error = checkFilesApart(options);
    if (!error.empty())
        return reportUsage(command, error);
    auto plugin = openPlugin(options.plugin, command);
    if (plugin == nullptr)
        return exitFailure;
    Render render(options, *plugin);
    return render.run();
}
