// Vorlane's eight parameters: index, names, range, default and how a user reads them.
#pragma once

#include "Parameter.h"

namespace vorlane {

enum ParameterIndex : int {
    shaper,
    preGain,
    preFilter,
    postGain,
    postFilter,
    preSwitch,
    postSwitch,
    dryWet,
    parameterCount
};

// Parameter 0 only tells the engine that the curve changed; the curve itself is state. Gains
// are 2 x value (0.5 is unity), filters normalised cutoffs from 100 Hz up to about 0.4 x the
// sample rate, a switch value of 0 low-pass and anything else high-pass, and DryWet the dry
// share, which users read as the wet percentage.
inline constexpr Parameter parameters[parameterCount] = {
    {"shaper", "Shaper", "", "Shaper", "", ParameterScale::none, 0.0f, 0.0, 1.0},
    // The lowest reading stands for silence; the highest is a gain of 2.
    {"pre_gain", "PreGain", "dB", "Pre gain", "dB", ParameterScale::decibel, 0.5f, -70.0, 6.0206, 2.0},
    {"pre_filter", "PreFilter", "Hz", "Pre filter", "", ParameterScale::linear, 0.5f, 0.0, 1.0},
    {"post_gain", "PostGain", "dB", "Post gain", "dB", ParameterScale::decibel, 0.5f, -70.0, 6.0206, 2.0},
    {"post_filter", "PostFilter", "Hz", "Post filter", "", ParameterScale::linear, 0.5f, 0.0, 1.0},
    {"pre_switch", "PreSwitch", "", "Pre filter type", "", ParameterScale::toggle, 0.0f, 0.0, 1.0, 1.0,
     "Low-pass", "High-pass"},
    {"post_switch", "PostSwitch", "", "Post filter type", "", ParameterScale::toggle, 0.0f, 0.0, 1.0,
     1.0, "Low-pass", "High-pass"},
    {"dry_wet", "DryWet", "% wet", "Wet", "%", ParameterScale::linear, 0.0f, 100.0, 0.0},
};

} // namespace vorlane
