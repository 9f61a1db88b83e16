// Ombrisk's eight parameters: index, names, range, default and how a user reads them.
#pragma once

#include "Parameter.h"

namespace ombrisk {

enum ParameterIndex : int {
    tempo,
    feedback,
    volume,
    divisor,
    multiplier,
    readLag,
    reverse,
    reverseType,
    parameterCount
};

// The tempo's bar is divided by the divisor and multiplied by the multiplier; the read lag
// delays the read by that many 32nds of the delay; reverse plays the delay line backwards, and
// with the second switch alternately backwards and forwards.
inline constexpr Parameter parameters[parameterCount] = {
    {"tempo", " delay  ", "bpm ", "Tempo", "bpm", ParameterScale::steps, 0.5f, 55.0, 180.0},
    {"feedback", "fiidbk", " <-<- ", "Feedback", "", ParameterScale::linear, 0.5f, 0.0, 1.0},
    // The lowest reading stands for silence.
    {"volume", " volume ", " ->-> ", "Volume", "dB", ParameterScale::decibel, 1.0f, -70.0, 0.0},
    {"divisor", " div ", "/ x ", "Divisor", "", ParameterScale::steps, 0.0f, 1.0, 32.0},
    {"multiplier", " mult ", "* x", "Multiplier", "", ParameterScale::steps, 0.0f, 1.0, 16.0},
    {"read_lag", "outpos<-", ".!.", "Read lag", "32nds", ParameterScale::steps, 0.0f, 0.0, 32.0},
    {"reverse", "reverse", "reverse", "Reverse", "", ParameterScale::toggle, 0.0f, 0.0, 1.0},
    {"reverse_type", "norm/alt", "rev type", "Reverse type", "", ParameterScale::toggle, 0.0f, 0.0,
     1.0, 1.0, "Backwards", "Alternate"},
};

} // namespace ombrisk
