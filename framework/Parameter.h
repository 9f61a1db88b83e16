// What a plug-in says about one of its parameters, written once in its table and read by the
// engine's conversions, the host-facing names and displays, the editors, the LV2 ports and
// the tests. The host and the engine see a normalised value in 0..1; a user reads it in the
// parameter's own units, which is also what an LV2 control port carries.
#pragma once

#include <algorithm>
#include <cmath>

enum class ParameterScale {
    // No user value (Vorlane's "Shaper", whose curve is state): no control port.
    none,
    // user = low + value x (high - low); high may lie below low.
    linear,
    // Whole numbers: value x (high - low) + low, truncated toward zero and kept in low..high.
    steps,
    // user = 20 log10(gain x value) dB; value 0 (minus infinity) reads as low.
    decibel,
    // Off or on; offText and onText name the two when they are a choice rather than a switch.
    toggle,
};

struct Parameter {
    // An identifier for ports and scripts: lower case, digits and underscores.
    const char* symbol;
    // What VST 2 hosts show as name and label, exactly as the plug-in always answered them.
    const char* name;
    const char* label;
    // A readable name and the unit for hosts that show them separately.
    const char* title;
    const char* unit;
    ParameterScale scale;
    float defaultValue;
    double low;
    double high;
    // decibel: the factor before the logarithm.
    double gain = 1.0;
    const char* offText = nullptr;
    const char* onText = nullptr;

    double span() const { return high - low; }

    // The whole number a steps parameter stands for.
    int step(float value) const
    {
        const double x = static_cast<double>(value) * span() + low;
        if (!(x >= low))
            return static_cast<int>(low);
        if (x >= high)
            return static_cast<int>(high);
        return static_cast<int>(x);
    }

    // The user's reading of a normalised value.
    double toUser(float value) const
    {
        switch (scale) {
        case ParameterScale::linear:
            return low + static_cast<double>(value) * span();
        case ParameterScale::steps:
            return step(value);
        case ParameterScale::decibel:
            if (!(value > 0.0f))
                return low;
            return std::max(low, 20.0 * std::log10(gain * static_cast<double>(value)));
        case ParameterScale::toggle:
            return value >= 0.5f ? 1.0 : 0.0;
        case ParameterScale::none:
            break;
        }
        return value;
    }

    // The normalised value for a user's reading, in 0..1 (NaN for NaN). Steps land in the
    // middle of their step, the ends exactly on 0 and 1.
    float toNormalised(double user) const
    {
        double value = user;
        switch (scale) {
        case ParameterScale::linear:
            value = (user - low) / span();
            break;
        case ParameterScale::steps: {
            const double whole = std::round(user);
            value = whole <= low ? 0.0 : whole >= high ? 1.0 : (whole - low + 0.5) / span();
            break;
        }
        case ParameterScale::decibel:
            value = user <= low ? 0.0 : std::pow(10.0, user / 20.0) / gain;
            break;
        case ParameterScale::toggle:
            value = user >= 0.5 ? 1.0 : 0.0;
            break;
        case ParameterScale::none:
            break;
        }
        if (std::isnan(value))
            return static_cast<float>(value);
        return static_cast<float>(std::clamp(value, 0.0, 1.0));
    }

    // The user's range, lowest first.
    double minimum() const { return scale == ParameterScale::toggle ? 0.0 : std::min(low, high); }
    double maximum() const { return scale == ParameterScale::toggle ? 1.0 : std::max(low, high); }
};
