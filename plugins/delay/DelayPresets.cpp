#include "DelayPresets.h"

namespace ombrisk {

namespace {

// A preset in the user's units: tempo in bpm, feedback 0..1, volume in dB, divisor, multiplier
// and read lag as whole numbers, the switches 0 or 1. Each reads back as itself, so that an
// LV2 host's port values give the very same normalised values.
Preset make(const char* name, const char* title, double bpm, float feedbackValue, double decibels,
            int div, int mult, int lag, int reversed, int alternate, double tail)
{
    const auto at = [](ParameterIndex index, double user) { return parameters[index].toNormalised(user); };
    return Preset{name,
                  title,
                  {at(tempo, bpm), feedbackValue, at(volume, decibels), at(divisor, div), at(multiplier, mult),
                   at(readLag, lag), at(reverse, reversed), at(reverseType, alternate)},
                  tail};
}

} // namespace

std::span<const Preset> presets()
{
    static const Preset table[] = {
        // A sixteenth at a fast tempo, one quiet repeat: the rockabilly vocal echo.
        make("slapback", "Slapback", 150, 0.2f, -1.0, 16, 1, 0, 0, 0, 2.0),
        // Three sixteenths, against the beat.
        make("dotted-eighth", "Dotted eighth", 120, 0.6f, -2.0, 16, 3, 0, 0, 0, 4.0),
        // Half a slow bar with a late read, fed back until it blurs.
        make("long-wash", "Long wash", 70, 0.85f, -3.0, 2, 1, 8, 0, 0, 6.0),
        make("quarter-note", "Quarter note", 120, 0.5f, -2.0, 4, 1, 0, 0, 0, 4.0),
        make("eighth-triplet", "Eighth triplet", 100, 0.45f, -2.0, 12, 1, 0, 0, 0, 4.0),
        // The quarter-note echo played backwards, then alternately backwards and forwards.
        make("reverse-quarter", "Reverse quarter", 120, 0.5f, -2.0, 4, 1, 0, 1, 0, 4.0),
        make("alternating-swell", "Alternating swell", 90, 0.65f, -2.5, 2, 1, 0, 1, 1, 6.0),
    };
    return table;
}

} // namespace ombrisk
