// Vorlane's saved state as bytes: what VST 2 hosts keep as its chunk and LV2 hosts as its
// state, so that either loads what the other saved.
//
// Little-endian and packed: the 13 bytes "Vorlane v1.0" and a zero; n, a 32-bit signed count
// of curve points; n pairs of 32-bit floats x, y; then the seven 32-bit float values of
// parameters 1..7. A point's x is the input level, its y runs downwards (y = 0 is full
// output); two or three points make a Bezier curve, four or more a cubic B-spline.
#pragma once

#include "ShaperCurve.h"
#include "ShaperParameters.h"

#include <array>
#include <cstddef>
#include <vector>

namespace vorlane {

struct ShaperState {
    std::array<CurvePoint, ShaperCurve::maxPoints> points{};
    int count = 0;
    // Parameters 1..7, normalised.
    float values[parameterCount - 1] = {};
};

inline constexpr int chunkHeaderSize = 13;
// Header, point count and the seven values around the 8-byte points.
inline constexpr int chunkFixedSize = 45;
constexpr int chunkSize(int points) { return chunkFixedSize + 8 * points; }

// Writes chunkSize(state.count) bytes; count must lie in 0..maxPoints.
void encodeChunk(const ShaperState& state, unsigned char* out);
std::vector<unsigned char> encodeChunk(const ShaperState& state);

// Reads the state, or refuses (false, state untouched) bytes with a bad header, a point count
// outside 0..maxPoints, fewer bytes than that count needs, or a non-finite number. Points and
// values outside 0..1, which neither the editor nor a host can set, are taken as 0 or 1.
bool decodeChunk(const void* data, std::size_t size, ShaperState& state);

} // namespace vorlane
