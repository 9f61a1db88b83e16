// Vorlane's chunk loading under hostile bytes: an accepted chunk must give finite sound, save
// to bytes that load again into a fresh effect, and those bytes must save unchanged and sound
// the same. Built as a libFuzzer target (clang, with AddressSanitizer and UBSan) and, with
// ChunkCorpusMain.cpp, as a plain program that runs the seed corpus.
#include "ShaperEffect.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr VstInt32 frames = 256;

// A fresh effect's first block of a fixed stereo phrase, after loading bytes (0 when refused).
VstInt32 loadAndPlay(ShaperEffect& effect, const std::uint8_t* data, std::size_t size,
                     std::vector<float>& sound)
{
    // The host's buffer of exactly the chunk's size, so that reading past it is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    const VstInt32 accepted =
        effect.setChunk(bytes.empty() ? nullptr : bytes.data(), static_cast<VstInt32>(size), false);
    std::vector<float> inLeft(frames), inRight(frames), outLeft(frames), outRight(frames);
    for (VstInt32 i = 0; i < frames; ++i) {
        inLeft[static_cast<std::size_t>(i)] = 0.9f * std::sin(0.05f * static_cast<float>(i));
        inRight[static_cast<std::size_t>(i)] = 0.7f * std::sin(0.21f * static_cast<float>(i));
    }
    float* in[2] = {inLeft.data(), inRight.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    effect.processReplacing(in, out, frames);
    sound = outLeft;
    sound.insert(sound.end(), outRight.begin(), outRight.end());
    return accepted;
}

std::vector<std::uint8_t> saved(ShaperEffect& effect)
{
    void* data = nullptr;
    const VstInt32 size = effect.getChunk(&data, false);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return size > 0 && bytes ? std::vector<std::uint8_t>(bytes, bytes + size) : std::vector<std::uint8_t>{};
}

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "chunk check failed: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 1 << 16)
        return 0;
    ShaperEffect first(nullptr);
    std::vector<float> sound;
    if (loadAndPlay(first, data, size, sound) == 0)
        return 0;
    for (float sample : sound)
        require(std::isfinite(sample), "an accepted chunk gives finite sound");
    const std::vector<std::uint8_t> bytes = saved(first);
    require(!bytes.empty(), "an accepted chunk saves");

    ShaperEffect second(nullptr);
    std::vector<float> again;
    require(loadAndPlay(second, bytes.data(), bytes.size(), again) == 1, "a saved chunk loads");
    require(saved(second) == bytes, "a saved chunk saves the same bytes");
    require(again == sound, "a saved chunk sounds the same");
    return 0;
}
