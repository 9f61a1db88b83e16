#include "ValidateChecks.h"

#include "EditorHost.h"
#include "PluginLoader.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using Channels = std::vector<std::vector<float>>;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

std::string number(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

Verdict pass()
{
    return {};
}

Verdict fail(int level, const std::string& reason)
{
    return {false, false, level, reason};
}

Verdict skip(const std::string& reason)
{
    return {true, true, 0, reason};
}

// Findings of one check; the most serious decides the verdict, the first few make its reason.
class Findings {
public:
    void add(int level, const std::string& what)
    {
        if (count_ < 4)
            reason_ += (reason_.empty() ? "" : "; ") + what;
        ++count_;
        level_ = std::min(level_, level);
    }
    Verdict verdict() const
    {
        if (count_ == 0)
            return pass();
        return fail(level_, reason_ + (count_ > 4 ? " (and " + std::to_string(count_ - 4) + " more)" : ""));
    }

private:
    std::string reason_;
    int count_ = 0;
    int level_ = 2;
};

// The plug-in, loaded, opened and resumed at a sample rate and block size, with buffers for
// its channels; processReplacing when it says it can replace, else process on zeroed outputs.
class Subject {
public:
    static std::unique_ptr<Subject> open(const std::string& path, std::string& error)
    {
        auto loader = PluginLoader::open(path, error);
        if (!loader)
            return nullptr;
        std::unique_ptr<Subject> subject(new Subject(std::move(loader)));
        subject->loader_->dispatch(effOpen);
        subject->configure(44100.0f, 512);
        return subject;
    }

    AEffect* effect() const { return loader_->effect(); }
    PluginLoader& loader() { return *loader_; }
    VstInt32 params() const { return std::max(effect()->numParams, 0); }
    VstInt32 programs() const { return std::max(effect()->numPrograms, 0); }
    int inputs() const { return std::clamp(effect()->numInputs, 0, 256); }
    int outputs() const { return std::clamp(effect()->numOutputs, 0, 256); }
    bool hasChunks() const { return (effect()->flags & effFlagsProgramChunks) != 0; }

    // Suspends, sets the rate and block size, resumes.
    void configure(float rate, VstInt32 block)
    {
        loader_->dispatch(effMainsChanged, 0, 0);
        loader_->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        loader_->dispatch(effSetBlockSize, 0, block);
        loader_->dispatch(effMainsChanged, 0, 1);
    }

    void setParameter(VstInt32 index, float value) { effect()->setParameter(effect(), index, value); }
    float getParameter(VstInt32 index) { return effect()->getParameter(effect(), index); }

    // Runs frames of in (one vector per input, at least frames long) into out, from offset.
    void process(const Channels& in, Channels& out, int offset, int frames)
    {
        inPointers_.clear();
        outPointers_.clear();
        for (const auto& channel : in)
            inPointers_.push_back(const_cast<float*>(channel.data()) + offset);
        if (inPointers_.empty()) {
            silence_.assign(static_cast<std::size_t>(offset + frames), 0.0f);
            inPointers_.push_back(silence_.data() + offset);
        }
        for (auto& channel : out)
            outPointers_.push_back(channel.data() + offset);
        AEffect* e = effect();
        if ((e->flags & effFlagsCanReplacing) != 0 && e->processReplacing != nullptr) {
            e->processReplacing(e, inPointers_.data(), outPointers_.data(), frames);
        } else if (e->process != nullptr) {
            for (auto* channel : outPointers_)
                std::fill(channel, channel + frames, 0.0f);
            e->process(e, inPointers_.data(), outPointers_.data(), frames);
        }
    }

    // A whole signal in blocks of the given size; answers the outputs.
    Channels render(const Channels& in, int block)
    {
        const int frames = in.empty() ? 0 : static_cast<int>(in[0].size());
        Channels out(static_cast<std::size_t>(outputs()), std::vector<float>(static_cast<std::size_t>(frames)));
        for (int at = 0; at < frames; at += block)
            process(in, out, at, std::min(block, frames - at));
        return out;
    }

private:
    explicit Subject(std::unique_ptr<PluginLoader> loader) : loader_(std::move(loader)) {}

    std::unique_ptr<PluginLoader> loader_;
    std::vector<float*> inPointers_;
    std::vector<float*> outPointers_;
    std::vector<float> silence_;
};

Channels noise(int channels, int frames, unsigned seed, float amplitude = 0.5f)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-amplitude, amplitude);
    Channels signal(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)));
    for (auto& channel : signal)
        for (float& s : channel)
            s = sample(random);
    return signal;
}

// The frame of the first NaN or infinite output sample from frame `from` on, or -1.
long firstNonFinite(const Channels& out, long from = 0)
{
    long first = -1;
    for (const auto& channel : out)
        for (long f = from; f < static_cast<long>(channel.size()); ++f)
            if (!std::isfinite(channel[static_cast<std::size_t>(f)]) && (first < 0 || f < first)) {
                first = f;
                break;
            }
    return first;
}

// Noise through the plug-in in blocks of 256 frames on a thread of its own, as a host's audio
// thread, until stopped.
class AudioThread {
public:
    explicit AudioThread(Subject& subject)
        : thread_([this, &subject] {
              const Channels in = noise(subject.inputs(), 256, 12);
              Channels out(static_cast<std::size_t>(subject.outputs()), std::vector<float>(256));
              while (!stop_) {
                  subject.process(in, out, 0, 256);
                  if (firstNonFinite(out) >= 0)
                      finite_ = false;
                  ++blocks_;
              }
          })
    {
    }
    ~AudioThread() { stop(); }
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    void waitBlocks(long count)
    {
        const long seen = blocks_;
        while (blocks_ < seen + count)
            std::this_thread::yield();
    }
    void stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    bool finite() const { return finite_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> finite_{true};
    std::atomic<long> blocks_{0};
    std::thread thread_;
};

// A text the plug-in writes into a host buffer filled with a marker: its length, or -1 when no
// terminator came within the buffer, and whether it wrote past `room` bytes.
struct Text {
    std::string text;
    long length = -1;
    bool overran = false;
};

Text readText(PluginLoader& plugin, VstInt32 opcode, VstInt32 index, VstIntPtr value, std::size_t room)
{
    constexpr std::size_t size = 1024;
    std::vector<char> buffer(size, '\x5a');
    buffer[0] = '\0';
    plugin.dispatch(opcode, index, value, buffer.data());
    Text result;
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    if (end != buffer.end()) {
        result.length = end - buffer.begin();
        result.text.assign(buffer.begin(), end);
    }
    for (std::size_t i = room; i < size; ++i)
        result.overran = result.overran || buffer[i] != '\x5a';
    return result;
}

std::unique_ptr<Subject> load(const std::string& path, Verdict& verdict)
{
    std::string error;
    auto subject = Subject::open(path, error);
    if (!subject)
        verdict = fail(0, "cannot load: " + error);
    return subject;
}

// The record's fields against each other and against what the dispatcher answers.
Verdict checkRecord(Subject& subject, const std::string&)
{
    AEffect* e = subject.effect();
    Findings findings;
    if (e->numParams < 0 || e->numPrograms < 0 || e->numInputs < 0 || e->numOutputs < 0 || e->numInputs > 256 ||
        e->numOutputs > 256)
        findings.add(1, "counts out of range (" + std::to_string(e->numParams) + " parameters, " +
                            std::to_string(e->numPrograms) + " programs, " + std::to_string(e->numInputs) + " in, " +
                            std::to_string(e->numOutputs) + " out)");
    if (e->numOutputs == 0)
        findings.add(1, "no outputs");
    if (e->numParams > 0 && (e->setParameter == nullptr || e->getParameter == nullptr))
        findings.add(1, "parameters without set/get entries");
    if ((e->flags & effFlagsCanReplacing) != 0 && e->processReplacing == nullptr)
        findings.add(1, "CanReplacing without a processReplacing entry");
    if ((e->flags & effFlagsCanReplacing) == 0 && e->process == nullptr)
        findings.add(1, "neither a replacing flag nor a process entry");
    if (subject.hasChunks()) {
        void* data = nullptr;
        const VstIntPtr size = subject.loader().dispatch(effGetChunk, 0, 0, &data);
        if (size <= 0 || data == nullptr)
            findings.add(1, "ProgramChunks set, but effGetChunk gives no chunk");
    }
    // Plug-ins that make their window in effEditOpen may know their size only then, and many
    // hosts ask only then: the editor check asks again once the editor is open.
    if ((e->flags & effFlagsHasEditor) != 0) {
        ERect* rect = nullptr;
        subject.loader().dispatch(effEditGetRect, 0, 0, &rect);
        if (rect != nullptr && (rect->right <= rect->left || rect->bottom <= rect->top))
            findings.add(1, "the editor's size is empty");
    }
    const VstIntPtr program = subject.loader().dispatch(effGetProgram);
    if (e->numPrograms > 0 && (program < 0 || program >= e->numPrograms))
        findings.add(1, "effGetProgram answers " + std::to_string(program) + " of " +
                            std::to_string(e->numPrograms) + " programs");
    return findings.verdict();
}

bool claimsBypass(PluginLoader& plugin)
{
    char bypass[] = "bypass";
    return plugin.dispatch(effCanDo, 0, 0, bypass) > 0;
}

// Every dispatcher opcode with the hostile arguments faulty hosts and damaged projects give:
// indices and values out of range, long names, chunks of garbage, opcodes of later versions of
// the interface. Calls no host makes at all are the next check's.
Verdict checkOpcodes(Subject& subject, const std::string&)
{
    PluginLoader& plugin = subject.loader();
    Findings findings;
    const VstInt32 params = subject.params();
    const VstInt32 programs = subject.programs();
    const VstInt32 badIndices[] = {-1, params, programs, 1 << 30};

    // Text opcodes get a buffer; none may write past 512 bytes of it.
    const VstInt32 textOpcodes[] = {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName,
                                    effGetProgramNameIndexed, effGetEffectName, effGetVendorString,
                                    effGetProductString, effGetErrorText};
    reportStep("asking for texts at indices out of range");
    for (VstInt32 opcode : textOpcodes)
        for (VstInt32 index : badIndices)
            if (readText(plugin, opcode, index, -1, 512).overran)
                findings.add(0, "opcode " + std::to_string(opcode) + " at index " + std::to_string(index) +
                                    " wrote past a 512-byte buffer");

    reportStep("effSetProgramName with a name of 300 characters");
    const std::string longName(300, 'n');
    std::vector<char> name(longName.begin(), longName.end());
    name.push_back('\0');
    plugin.dispatch(effSetProgramName, 0, 0, name.data());
    if (readText(plugin, effGetProgramName, 0, 0, 512).overran)
        findings.add(0, "a 300-character program name came back past a 512-byte buffer");

    reportStep("effSetProgram with programs out of range");
    for (VstIntPtr value : {VstIntPtr{-1}, VstIntPtr{programs}, VstIntPtr{1} << 30}) {
        plugin.dispatch(effSetProgram, 0, value);
        const VstIntPtr now = plugin.dispatch(effGetProgram);
        if (programs > 0 && (now < 0 || now >= programs))
            findings.add(1, "effSetProgram " + std::to_string(value) + " left the program at " + std::to_string(now));
    }
    reportStep("parameter and port opcodes at indices out of range");
    for (VstInt32 index : badIndices) {
        plugin.dispatch(effCanBeAutomated, index);
        char value[] = "0.5";
        plugin.dispatch(effString2Parameter, index, 0, value);
        std::vector<unsigned char> properties(4096);
        plugin.dispatch(effGetInputProperties, index, 0, properties.data());
        plugin.dispatch(effGetOutputProperties, index, 0, properties.data());
        plugin.dispatch(effGetParameterProperties, index, 0, properties.data());
        plugin.dispatch(effConnectInput, index, 1);
        plugin.dispatch(effConnectOutput, index, 1);
    }
    reportStep("effCanDo with an unknown and an empty capability");
    char unknown[] = "noSuchCapability";
    char empty[] = "";
    plugin.dispatch(effCanDo, 0, 0, unknown);
    plugin.dispatch(effCanDo, 0, 0, empty);
    reportStep("effEditIdle and effEditClose with no editor open");
    plugin.dispatch(effEditIdle);
    plugin.dispatch(effEditClose);
    // Chunks of garbage, from one byte to 64 KiB.
    std::mt19937 random(5);
    for (std::size_t size : {std::size_t{1}, std::size_t{61}, std::size_t{4096}, std::size_t{65536}}) {
        std::vector<unsigned char> garbage(size);
        for (auto& byte : garbage)
            byte = static_cast<unsigned char>(random());
        reportStep("effSetChunk with " + std::to_string(size) + " bytes of garbage");
        plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(size), garbage.data());
    }
    reportStep("the opcodes that take no arguments and a vendor-specific call");
    for (VstInt32 opcode : {effGetVu, effIdentify, effGetVstVersion, effGetPlugCategory, effGetTailSize, effIdle,
                            effGetVendorVersion, effKeysRequired, effGetNumProgramCategories, effGetCurrentPosition,
                            effGetDestinationBuffer, effGetIcon})
        plugin.dispatch(opcode);
    plugin.dispatch(effVendorSpecific, 0, 0, nullptr, 0.0f);
    // Hosts bypass a plug-in through it only when it says it can; the next check tries the others.
    if (claimsBypass(plugin)) {
        reportStep("effSetBypass on and off");
        plugin.dispatch(effSetBypass, 0, 1);
        plugin.dispatch(effSetBypass, 0, 0);
    }
    reportStep("unknown opcodes -1, 59, 60, 63, 70, 77 and 1000");
    for (VstInt32 opcode : {-1, 59, 60, 63, 70, 77, 1000})
        plugin.dispatch(opcode, -1, -1, nullptr, nan);

    // Afterwards it still plays at a sane rate and block size.
    reportStep("processing after the hostile opcodes");
    subject.configure(44100.0f, 512);
    const Channels out = subject.render(noise(subject.inputs(), 44100, 3), 512);
    if (firstNonFinite(out) >= 0)
        findings.add(1, "output not finite after the hostile opcodes, at frame " + std::to_string(firstNonFinite(out)));
    return findings.verdict();
}

// Calls no working host makes: null pointers where the interface has the host pass an address,
// sample rates and block sizes that make no sense, a bypass the plug-in does not offer. Only a faulty host meets what a plug-in does
// with them, so their findings, crashes and hangs included, count at --strict 2 alone.
Verdict checkUnusualCalls(Subject& subject, const std::string&)
{
    PluginLoader& plugin = subject.loader();
    const std::string none = ", a call no working host makes";
    reportStep("effGetChunk with a null address for the chunk" + none, true);
    plugin.dispatch(effGetChunk, 0, 0, nullptr);
    reportStep("effSetChunk with a null chunk of 0 bytes" + none, true);
    plugin.dispatch(effSetChunk, 0, 0, nullptr);
    reportStep("effEditGetRect with a null address for the size" + none, true);
    plugin.dispatch(effEditGetRect, 0, 0, nullptr);
    reportStep("effProcessEvents with no events" + none, true);
    plugin.dispatch(effProcessEvents, 0, 0, nullptr);
    reportStep("effSetSpeakerArrangement with no arrangements" + none, true);
    plugin.dispatch(effSetSpeakerArrangement, 0, 0, nullptr);
    for (float rate : {0.0f, -44100.0f, nan, inf, 1e9f, 1.0f}) {
        reportStep("effSetSampleRate " + number(rate) + " Hz" + none, true);
        plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    }
    for (VstIntPtr size : {VstIntPtr{0}, VstIntPtr{-1}, VstIntPtr{1} << 30}) {
        reportStep("effSetBlockSize " + std::to_string(size) + none, true);
        plugin.dispatch(effSetBlockSize, 0, size);
    }
    reportStep("effSetBlockSizeAndSampleRate -1 and NaN" + none, true);
    plugin.dispatch(effSetBlockSizeAndSampleRate, 0, -1, nullptr, nan);
    if (!claimsBypass(plugin)) {
        reportStep("effSetBypass on and off to a plug-in that does not claim \"bypass\" (hosts ask first)", true);
        subject.configure(44100.0f, 512);
        plugin.dispatch(effSetBypass, 0, 1);
        plugin.dispatch(effSetBypass, 0, 0);
    }
    reportStep("processing at 44100 Hz in blocks of 512 after calls no working host makes", true);
    subject.configure(44100.0f, 512);
    const Channels out = subject.render(noise(subject.inputs(), 44100, 3), 512);
    if (firstNonFinite(out) >= 0)
        return fail(2, "output not finite at 44100 Hz after calls no working host makes (null pointers, sample "
                       "rates of 0, NaN and 1e9 Hz, block sizes of 0 and 2^30)");
    return pass();
}

// Names, labels and displays of every parameter, names of every program and of the plug-in:
// terminated, within what hosts give and, at --strict 2, within the interface's lengths.
Verdict checkTexts(Subject& subject, const std::string&)
{
    PluginLoader& plugin = subject.loader();
    Findings findings;
    const auto examine = [&findings](const Text& text, const std::string& what, long room, long conventional) {
        if (text.overran || text.length < 0)
            findings.add(0, what + " runs past 512 bytes");
        else if (text.length >= room)
            findings.add(1, what + " has " + std::to_string(text.length) + " characters, more than a " +
                                std::to_string(room) + "-byte buffer holds");
        else if (text.length > conventional)
            findings.add(2, what + " \"" + text.text + "\" is longer than " + std::to_string(conventional) +
                                " characters");
    };
    const struct {
        VstInt32 opcode;
        const char* name;
    } parameterTexts[] = {{effGetParamName, "name"}, {effGetParamLabel, "label"}, {effGetParamDisplay, "display"}};
    for (VstInt32 i = 0; i < subject.params(); ++i)
        for (const auto& kind : parameterTexts)
            examine(readText(plugin, kind.opcode, i, 0, 512),
                    "parameter " + std::to_string(i) + "'s " + kind.name, 64, 8);
    const VstInt32 programs = std::min(subject.programs(), 128);
    for (VstInt32 i = 0; i < programs; ++i) {
        Text name = readText(plugin, effGetProgramNameIndexed, i, -1, 512);
        if (name.length <= 0) {
            plugin.dispatch(effSetProgram, 0, i);
            name = readText(plugin, effGetProgramName, 0, 0, 512);
        }
        examine(name, "program " + std::to_string(i) + "'s name", 24, 23);
    }
    examine(readText(plugin, effGetEffectName, 0, 0, 512), "the effect's name", 64, 31);
    examine(readText(plugin, effGetVendorString, 0, 0, 512), "the vendor's name", 64, 63);
    examine(readText(plugin, effGetProductString, 0, 0, 512), "the product's name", 64, 63);
    return findings.verdict();
}

// Values at the edges of what hosts send (the ends, denormals); and values outside 0 to 1,
// which no working host sends and which come only in the second half of the run.
constexpr float edgeValues[] = {1e-40f, FLT_MIN / 2.0f, 0.0f, 1.0f};
constexpr float outsideValues[] = {-1.0f, 2.0f, nan, inf, -inf};

// Random automation before every 32-sample sub-block, edge values among it: for 1.5 s values
// from 0 to 1, then values outside too, whose consequences count at --strict 2 only.
Verdict checkAutomation(Subject& subject, const std::string&)
{
    const VstInt32 params = subject.params();
    if (params == 0)
        return skip("the plug-in has no parameters");
    std::mt19937 random(9);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<VstInt32> index(0, params - 1);
    std::vector<float> sent(static_cast<std::size_t>(params), 0.0f);
    constexpr int frames = 3 * 44100;
    const Channels in = noise(subject.inputs(), frames, 4);
    Channels out(static_cast<std::size_t>(subject.outputs()), std::vector<float>(frames));
    Findings findings;
    for (int at = 0; at < frames; at += 32) {
        const bool anyValue = at >= frames / 2;
        const VstInt32 p = index(random);
        const auto kind = random() % 6;
        const float value = kind < 2   ? edgeValues[random() % std::size(edgeValues)]
                            : kind == 2 && anyValue ? outsideValues[random() % std::size(outsideValues)]
                                                    : unit(random);
        // Only values outside the usual run are named: a hang after one says which it was.
        if (kind <= 2)
            reportStep("automation at frame " + std::to_string(at) + ": parameter " + std::to_string(p) + " set to " +
                           number(value) + (anyValue ? ", after values outside 0 to 1, which no working host sends" : ""),
                       anyValue);
        subject.setParameter(p, value);
        sent[static_cast<std::size_t>(p)] = value;
        subject.process(in, out, at, std::min(32, frames - at));
        for (const auto& channel : out) {
            for (int f = at; f < std::min(at + 32, frames); ++f) {
                if (!std::isfinite(channel[static_cast<std::size_t>(f)])) {
                    return fail(anyValue ? 2 : 1,
                                "output not finite at frame " + std::to_string(f) + ", after parameter " +
                                    std::to_string(p) + " was set to " + number(value) +
                                    (anyValue ? ", in automation that also sent values outside 0 to 1 (-1, 2, NaN, "
                                                "infinities), which no working host sends"
                                              : ""));
                }
            }
        }
    }
    // A value that is not finite read back after one outside 0 to 1 was set is the host's own
    // fault passed on.
    for (VstInt32 p = 0; p < params; ++p) {
        const float read = subject.getParameter(p);
        const float last = sent[static_cast<std::size_t>(p)];
        if (std::isfinite(read))
            continue;
        if (last >= 0.0f && last <= 1.0f)
            findings.add(1, "parameter " + std::to_string(p) + " reads " + number(read) + " after it was set to " +
                                number(last));
        else
            findings.add(2, "parameter " + std::to_string(p) + " reads " + number(read) + " after the host set it to " +
                                number(last) + ", a value no working host sends");
    }
    return findings.verdict();
}

// Every common sample rate with block sizes from 1 to 4096, suspended and resumed between.
Verdict checkRatesAndBlocks(Subject& subject, const std::string&)
{
    for (float rate : {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f}) {
        for (VstInt32 block : {1, 32, 64, 441, 512, 1024, 4096}) {
            // A fifth of a second, or 2000 calls when the blocks are tiny: a plug-in that is only
            // slow one frame at a time is not at fault.
            const int frames = std::min(static_cast<int>(rate / 5), 2000 * static_cast<int>(block));
            reportStep(number(rate) + " Hz in blocks of " + std::to_string(block));
            subject.configure(rate, block);
            const Channels out = subject.render(noise(subject.inputs(), frames, 6), block);
            const long bad = firstNonFinite(out);
            if (bad >= 0)
                return fail(1, "output not finite at " + number(rate) + " Hz in blocks of " + std::to_string(block) +
                                   ", frame " + std::to_string(bad));
        }
    }
    return pass();
}

// NaN, infinite, denormal and huge samples, then clean audio: the output must be finite again
// within one second, and stay so.
Verdict checkBadAudio(Subject& subject, const std::string&)
{
    const float bad[] = {nan, inf, -inf, 1e-40f, -1e-42f, 1e30f, -1e30f, FLT_MAX, -FLT_MAX};
    Channels dirty = noise(subject.inputs(), 44100 / 4, 7);
    std::mt19937 random(2);
    for (auto& channel : dirty)
        for (std::size_t f = 0; f < channel.size(); f += 1 + random() % 50)
            channel[f] = bad[random() % std::size(bad)];
    subject.render(dirty, 256);
    // Six seconds, so that echoes of the bad samples in a delay line come back too.
    const Channels out = subject.render(noise(subject.inputs(), 6 * 44100, 8), 256);
    const long first = firstNonFinite(out, 44100);
    if (first >= 0)
        return fail(1, "output still not finite " + number(static_cast<double>(first) / 44100.0) + " s after the bad samples ended");
    return pass();
}

// The state saved from one instance (its chunk, or else its program and every parameter)
// restores the same parameters and the same sound in a fresh one.
Verdict checkState(Subject& original, const std::string& path)
{
    std::mt19937 random(13);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    if (original.programs() > 1)
        original.loader().dispatch(effSetProgram, 0, 1);
    for (VstInt32 p = 0; p < original.params(); ++p)
        original.setParameter(p, unit(random));
    Verdict verdict;
    auto restored = load(path, verdict);
    if (!restored)
        return verdict;
    if (original.hasChunks()) {
        void* data = nullptr;
        const VstIntPtr size = original.loader().dispatch(effGetChunk, 0, 0, &data);
        if (size <= 0 || data == nullptr)
            return fail(1, "effGetChunk gives no chunk");
        std::vector<unsigned char> chunk(static_cast<const unsigned char*>(data),
                                         static_cast<const unsigned char*>(data) + size);
        if (restored->loader().dispatch(effSetChunk, 0, size, chunk.data()) == 0)
            return fail(1, "a fresh instance refuses the chunk of " + std::to_string(size) + " bytes");
    } else {
        restored->loader().dispatch(effSetProgram, 0, original.loader().dispatch(effGetProgram));
        for (VstInt32 p = 0; p < original.params(); ++p)
            restored->setParameter(p, original.getParameter(p));
    }
    // A plug-in may keep a stepped parameter as its step (a switch set to 0.78 restores as 1):
    // a value counts as lost only when what the plug-in shows for it differs too.
    Findings findings;
    for (VstInt32 p = 0; p < original.params(); ++p) {
        const float was = original.getParameter(p), is = restored->getParameter(p);
        if (was == is || (std::isnan(was) && std::isnan(is)))
            continue;
        const std::string shownWas = readText(original.loader(), effGetParamDisplay, p, 0, 512).text;
        const std::string shownIs = readText(restored->loader(), effGetParamDisplay, p, 0, 512).text;
        if (shownWas != shownIs)
            findings.add(1, "parameter " + std::to_string(p) + " was " + number(was) + " (\"" + shownWas +
                                "\"), restored " + number(is) + " (\"" + shownIs + "\")");
    }
    const Channels in = noise(original.inputs(), 2 * 44100, 10);
    // Two fresh instances must sound alike for a difference to mean lost state (a plug-in may
    // modulate from a random seed of its own).
    auto first = load(path, verdict);
    auto second = first ? load(path, verdict) : nullptr;
    if (!second)
        return verdict;
    if (first->render(in, 512) != second->render(in, 512))
        return findings.verdict();
    const Channels expected = original.render(in, 512);
    const Channels got = restored->render(in, 512);
    double peak = 1.0, worst = 0.0;
    long where = -1;
    for (std::size_t c = 0; c < expected.size(); ++c) {
        for (std::size_t f = 0; f < expected[c].size(); ++f) {
            peak = std::max(peak, std::fabs(static_cast<double>(expected[c][f])));
            const double difference = std::fabs(static_cast<double>(expected[c][f]) - got[c][f]);
            if (!(difference <= worst)) {
                worst = std::isnan(difference) ? inf : difference;
                where = static_cast<long>(f);
            }
        }
    }
    // Below -60 dB of the peak the difference is a rounding of the saved values, not lost state.
    if (worst > 1e-5 * peak)
        findings.add(worst > 1e-3 * peak ? 1 : 2, "the restored instance sounds different (by " + number(worst) +
                                                      " at frame " + std::to_string(where) + ")");
    return findings.verdict();
}

// Every program selected in turn and at random between blocks: it is the one reported, and
// the sound stays finite.
Verdict checkPrograms(Subject& subject, const std::string&)
{
    const VstInt32 programs = std::min(subject.programs(), 128);
    if (programs == 0)
        return skip("the plug-in has no programs");
    Findings findings;
    std::mt19937 random(17);
    const Channels in = noise(subject.inputs(), 256, 11);
    Channels out(static_cast<std::size_t>(subject.outputs()), std::vector<float>(256));
    for (int step = 0; step < 4 * programs; ++step) {
        const VstInt32 program = step < programs ? step : static_cast<VstInt32>(random() % programs);
        subject.loader().dispatch(effSetProgram, 0, program);
        const VstIntPtr now = subject.loader().dispatch(effGetProgram);
        if (now != program)
            findings.add(1, "effSetProgram " + std::to_string(program) + " reports program " + std::to_string(now));
        subject.process(in, out, 0, 256);
        if (firstNonFinite(out) >= 0)
            findings.add(1, "output not finite after switching to program " + std::to_string(program));
    }
    return findings.verdict();
}

// Parameters (and now and then the program) set from a second thread while the audio thread
// processes; at the end that thread sets every parameter once more. No crash, finite sound,
// and every parameter reads what the same values read when set with no audio running.
Verdict checkThreads(Subject& subject, const std::string& path)
{
    const VstInt32 params = subject.params();
    if (params == 0)
        return skip("the plug-in has no parameters");
    AudioThread audio(subject);
    std::mt19937 random(19);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (long change = 0; std::chrono::steady_clock::now() < until; ++change) {
        subject.setParameter(static_cast<VstInt32>(random() % params), unit(random));
        if (change % 500 == 499 && subject.programs() > 0)
            subject.loader().dispatch(effSetProgram, 0, static_cast<VstIntPtr>(random() % subject.programs()));
    }
    std::vector<float> last(static_cast<std::size_t>(params));
    for (VstInt32 p = 0; p < params; ++p) {
        last[static_cast<std::size_t>(p)] = unit(random);
        subject.setParameter(p, last[static_cast<std::size_t>(p)]);
    }
    audio.waitBlocks(2);
    audio.stop();

    Findings findings;
    if (!audio.finite())
        findings.add(1, "output not finite while parameters changed");
    Verdict verdict;
    auto calm = load(path, verdict);
    if (!calm)
        return verdict;
    calm->loader().dispatch(effSetProgram, 0, subject.loader().dispatch(effGetProgram));
    for (VstInt32 p = 0; p < params; ++p)
        calm->setParameter(p, last[static_cast<std::size_t>(p)]);
    for (VstInt32 p = 0; p < params; ++p) {
        const float got = subject.getParameter(p), expected = calm->getParameter(p);
        if (got != expected)
            findings.add(1, "parameter " + std::to_string(p) + " reads " + number(got) + ", not " + number(expected) +
                                " as when set with no audio running");
    }
    return findings.verdict();
}

bool usableSize(const ERect* rect)
{
    return rect != nullptr && rect->right > rect->left && rect->bottom > rect->top &&
           rect->right - rect->left <= 8192 && rect->bottom - rect->top <= 8192;
}

// The editor opened in a window of the system's window layer, idled and closed three times
// while audio runs; the first time it must show a window of its own inside the host's.
Verdict checkEditor(Subject& subject, const std::string&)
{
    if ((subject.effect()->flags & effFlagsHasEditor) == 0)
        return skip("the plug-in has no editor");
    std::string error;
    if (EditorHost::connect(false, error) == nullptr)
        return skip(error);
    PluginLoader& plugin = subject.loader();
    AudioThread audio(subject);
    Findings findings;
    for (int cycle = 0; cycle < 3; ++cycle) {
        auto host = EditorHost::connect(false, error);
        if (host == nullptr) {
            findings.add(1, "the window system refused a second connection: " + error);
            break;
        }
        ERect* rect = nullptr;
        reportStep("effEditGetRect before the editor opens");
        plugin.dispatch(effEditGetRect, 0, 0, &rect);
        // Until the editor says its size, a window of a common size stands in.
        const int width = usableSize(rect) ? rect->right - rect->left : 400;
        const int height = usableSize(rect) ? rect->bottom - rect->top : 300;
        void* window = host->openWindow(width, height, error);
        if (window == nullptr)
            return skip("cannot open a window: " + error);
        reportStep("effEditOpen");
        const bool opened = plugin.dispatch(effEditOpen, 0, 0, window) != 0;
        rect = nullptr;
        reportStep("effEditGetRect with the editor open");
        plugin.dispatch(effEditGetRect, 0, 0, &rect);
        if (cycle == 0 && !opened)
            findings.add(1, "effEditOpen answers 0");
        if (cycle == 0 && !usableSize(rect))
            findings.add(1, "HasEditor set, but effEditGetRect gives no usable size even with the editor open");
        reportStep("idling the open editor");
        bool shows = false;
        for (int idle = 0; idle < 200 && (idle < 15 || (cycle == 0 && !shows)); ++idle) {
            plugin.dispatch(effEditIdle);
            host->handleEvents();
            shows = shows || host->editorShows();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (cycle == 0 && !shows)
            findings.add(1, "no window of the editor's shows inside the host's within 2 s");
        reportStep("effEditClose");
        plugin.dispatch(effEditClose);
        host->handleEvents();
    }
    reportStep("processing after the editor closed");
    audio.stop();
    if (!audio.finite())
        findings.add(1, "output not finite while the editor opened and closed");
    return findings.verdict();
}

// Loads the plug-in afresh for a check.
template <Verdict (*check)(Subject&, const std::string&)>
Verdict withSubject(const std::string& path)
{
    Verdict verdict;
    auto subject = load(path, verdict);
    return subject ? check(*subject, path) : verdict;
}

} // namespace

const ValidationCheck validationChecks[] = {
    {"record", withSubject<checkRecord>, "magic, counts, entries and flags agree with the dispatcher"},
    {"opcodes", withSubject<checkOpcodes>, "every opcode survives hostile indices, values, names and chunks"},
    {"unusual-calls", withSubject<checkUnusualCalls>,
     "null pointers, absurd sample rates and block sizes are survived (calls no working host makes)"},
    {"texts", withSubject<checkTexts>, "names, labels, displays and program names end within their buffers"},
    {"automation", withSubject<checkAutomation>, "finite output under random automation every 32 samples, values outside 0 to 1 included"},
    {"rates-and-blocks", withSubject<checkRatesAndBlocks>, "finite output at 22050 to 192000 Hz in blocks of 1 to 4096"},
    {"bad-audio", withSubject<checkBadAudio>, "finite output within one second after NaN, inf, denormal and huge samples"},
    {"state", withSubject<checkState>, "saved state restores the same parameters and sound in a fresh instance"},
    {"programs", withSubject<checkPrograms>, "every program can be selected and plays"},
    {"threads", withSubject<checkThreads>, "parameters set from a second thread while audio runs arrive, and nothing breaks"},
    {"editor", withSubject<checkEditor>, "the editor opens, shows, idles and closes three times while audio runs"},
};
const int validationCheckCount = static_cast<int>(std::size(validationChecks));
