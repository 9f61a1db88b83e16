#include "ShaperChunk.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the chunk is stored little-endian");

namespace vorlane {

namespace {

constexpr char header[chunkHeaderSize] = "Vorlane v1.0";

float readFloat(const unsigned char* at)
{
    float v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

void writeFloat(unsigned char* at, float v) { std::memcpy(at, &v, sizeof v); }

}  // namespace

void encodeChunk(const ShaperState& state, unsigned char* out)
{
    std::memcpy(out, header, chunkHeaderSize);
    out += chunkHeaderSize;
    const std::int32_t n = state.count;
    std::memcpy(out, &n, sizeof n);
    out += sizeof n;
    for (int i = 0; i < state.count; ++i, out += 8) {
        writeFloat(out, state.points[i].x);
        writeFloat(out + 4, state.points[i].y);
    }
    for (float v : state.values) {
        writeFloat(out, v);
        out += 4;
    }
}

std::vector<unsigned char> encodeChunk(const ShaperState& state)
{
    std::vector<unsigned char> bytes(chunkSize(state.count));
    encodeChunk(state, bytes.data());
    return bytes;
}

bool decodeChunk(const void* data, std::size_t size, ShaperState& state)
{
    // Everything is read and checked before anything changes: the bytes come from the host.
    if (!data || size < chunkFixedSize)
        return false;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (std::memcmp(bytes, header, chunkHeaderSize) != 0)
        return false;
    std::int32_t n;
    std::memcpy(&n, bytes + chunkHeaderSize, sizeof n);
    if (n < 0 || n > ShaperCurve::maxPoints || size < static_cast<std::size_t>(chunkSize(n)))
        return false;

    // What lies outside 0..1 would drive the engine to infinite or NaN output.
    const auto normalised = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    ShaperState read;
    read.count = n;
    const unsigned char* at = bytes + chunkHeaderSize + sizeof n;
    for (int i = 0; i < n; ++i, at += 8) {
        const float x = readFloat(at), y = readFloat(at + 4);
        if (!std::isfinite(x) || !std::isfinite(y))
            return false;
        read.points[i] = {normalised(x), normalised(y)};
    }
    for (float& v : read.values) {
        v = readFloat(at);
        at += 4;
        if (!std::isfinite(v))
            return false;
        v = normalised(v);
    }
    state = read;
    return true;
}

}  // namespace vorlane
