// A tiny VST 2 effect for the host's own tests. Compile definitions choose its shape:
// FAKE_ENTRY_MAIN (export only `main`, else only `VSTPluginMain`), FAKE_RETURN_NULL,
// FAKE_BAD_MAGIC, FAKE_INPUTS, FAKE_OUTPUTS, FAKE_NO_REPLACING, FAKE_CARELESS_CHUNK (takes the
// gain from a chunk with its header before refusing it for its size, as careless plug-ins do).
// Output channel c is input channel c % FAKE_INPUTS times 2 * gain. When FAKE_PLUGIN_LOG names
// a file, every dispatcher and process call is appended to it, so tests can check what a host
// sent and in which order.
#include "AEffect.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef FAKE_INPUTS
#define FAKE_INPUTS 1
#endif
#ifndef FAKE_OUTPUTS
#define FAKE_OUTPUTS 2
#endif

extern "C" {
__attribute__((visibility("default"))) int fakeCloseCount = 0;
}

namespace {

constexpr char chunkHeader[] = "FAKE";

struct Fake {
    AEffect record {};
    audioMasterCallback host = nullptr;
    VstIntPtr hostVersionSeen = 0;
    float gain = 0.5f;
    float spare = 0.0f;
    VstInt32 program = 0;
    unsigned char chunk[8] = {};
};

Fake* self(AEffect* effect)
{
    return static_cast<Fake*>(effect->object);
}

void note(const char* format, ...)
{
    const char* path = std::getenv("FAKE_PLUGIN_LOG");
    if (path == nullptr)
        return;
    // Binary: the same line ends whatever system the fake is built for.
    std::FILE* file = std::fopen(path, "ab");
    if (file == nullptr)
        return;
    std::va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

VstIntPtr dispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    Fake* fake = self(effect);
    note("dispatch %d %d %ld %g", opcode, index, static_cast<long>(value), static_cast<double>(opt));
    switch (opcode) {
    case effClose:
        ++fakeCloseCount;
        delete fake;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < 2)
            fake->program = static_cast<VstInt32>(value);
        return 0;
    case effGetProgram:
        return fake->program;
    case effGetProgramName:
        std::strcpy(static_cast<char*>(ptr), fake->program == 0 ? "First" : "Second");
        return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index > 1)
            return 0;
        std::strcpy(static_cast<char*>(ptr), index == 0 ? "First" : "Second");
        return 1;
    case effGetParamName:
        if (index == 0)
            std::strcpy(static_cast<char*>(ptr), "Gain");
        else if (index == 1)
            std::strcpy(static_cast<char*>(ptr), "Spare");
        return 0;
    case effGetParamLabel:
        if (index == 0)
            std::strcpy(static_cast<char*>(ptr), "x");
        return 0;
    case effGetParamDisplay:
        if (index == 0)
            std::snprintf(static_cast<char*>(ptr), 8, "%.3f", static_cast<double>(2.0f * fake->gain));
        else if (index == 1)
            std::snprintf(static_cast<char*>(ptr), 8, "%.2f", static_cast<double>(fake->spare));
        return 0;
    case effGetChunk:
        std::memcpy(fake->chunk, chunkHeader, 4);
        std::memcpy(fake->chunk + 4, &fake->gain, sizeof(float));
        *static_cast<void**>(ptr) = fake->chunk;
        return sizeof fake->chunk;
    case effSetChunk:
#ifdef FAKE_CARELESS_CHUNK
        if (value >= 8 && std::memcmp(ptr, chunkHeader, 4) == 0)
            std::memcpy(&fake->gain, static_cast<const unsigned char*>(ptr) + 4, sizeof(float));
#endif
        if (value != sizeof fake->chunk || std::memcmp(ptr, chunkHeader, 4) != 0)
            return 0;
        std::memcpy(&fake->gain, static_cast<const unsigned char*>(ptr) + 4, sizeof(float));
        return 1;
    case effGetVendorVersion:
        return fake->hostVersionSeen;
    case effVendorSpecific:
        // Lets a test make the plug-in call any host opcode: value is the opcode.
        return fake->host(effect, static_cast<VstInt32>(value), index, 0, ptr, opt);
    default:
        return 0;
    }
}

void setParameter(AEffect* effect, VstInt32 index, float value)
{
    note("setParameter %d %g", index, static_cast<double>(value));
    if (index == 0)
        self(effect)->gain = value;
    else if (index == 1)
        self(effect)->spare = value;
}

float getParameter(AEffect* effect, VstInt32 index)
{
    return index == 0 ? self(effect)->gain : index == 1 ? self(effect)->spare : 0.0f;
}

template <bool accumulate>
void render(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    note("%s %d", accumulate ? "process" : "processReplacing", frames);
    const float factor = 2.0f * self(effect)->gain;
    for (int c = 0; c < FAKE_OUTPUTS; ++c) {
        const float* in = inputs[c % FAKE_INPUTS];
        for (VstInt32 i = 0; i < frames; ++i) {
            if constexpr (accumulate)
                outputs[c][i] += in[i] * factor;
            else
                outputs[c][i] = in[i] * factor;
        }
    }
}

AEffect* entry(audioMasterCallback host)
{
    const VstIntPtr version = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
#ifdef FAKE_RETURN_NULL
    constexpr bool refuse = true;
#else
    constexpr bool refuse = false;
#endif
    if (refuse || version == 0)
        return nullptr;
#ifdef FAKE_BAD_MAGIC
    // No host can close a record it rejected, so this one is not allocated.
    static Fake rejected;
    Fake* fake = &rejected;
#else
    Fake* fake = new Fake;
#endif
    fake->host = host;
    fake->hostVersionSeen = version;
    AEffect& r = fake->record;
#ifdef FAKE_BAD_MAGIC
    r.magic = fourCharCode("Nope");
#else
    r.magic = kEffectMagic;
#endif
    r.dispatcher = dispatcher;
    r.process = render<true>;
    r.setParameter = setParameter;
    r.getParameter = getParameter;
    r.numPrograms = 2;
    r.numParams = 2;
    r.numInputs = FAKE_INPUTS;
    r.numOutputs = FAKE_OUTPUTS;
    r.flags = effFlagsProgramChunks | effFlagsCanMono;
#ifndef FAKE_NO_REPLACING
    r.flags |= effFlagsCanReplacing;
#endif
    r.ioRatio = 1.0f;
    r.object = fake;
    r.uniqueID = fourCharCode("FaKe");
    r.version = 1;
    r.processReplacing = render<false>;
    return &r;
}

} // namespace

#ifdef FAKE_ENTRY_MAIN
// The symbol `main` as the linker spells it (32-bit Windows puts an underscore before C names).
#define FAKE_TEXT(x) #x
#define FAKE_LABEL(prefix, name) FAKE_TEXT(prefix) name
extern "C" __attribute__((visibility("default"))) AEffect* fakeMain(audioMasterCallback host)
    __asm__(FAKE_LABEL(__USER_LABEL_PREFIX__, "main"));
extern "C" AEffect* fakeMain(audioMasterCallback host)
{
    return entry(host);
}
#else
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host)
{
    return entry(host);
}
#endif
