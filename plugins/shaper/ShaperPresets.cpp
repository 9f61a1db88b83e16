#include "ShaperPresets.h"

#include <initializer_list>

namespace vorlane {

namespace {

// values: PreGain, PreFilter, PostGain, PostFilter, PreSwitch, PostSwitch, DryWet, normalised.
Preset make(const char* name, const char* title, std::initializer_list<CurvePoint> points,
            std::initializer_list<float> values)
{
    Preset preset{name, title, {}};
    for (const CurvePoint& p : points)
        preset.state.points[preset.state.count++] = p;
    int i = 0;
    for (float v : values)
        preset.state.values[i++] = v;
    return preset;
}

}  // namespace

std::span<const Preset> presets()
{
    static const Preset table[] = {
        // Goes up and folds back down twice: loud inputs come out quieter and brighter.
        make("hard-fold", "Hard fold",
             {{0.0f, 1.0f}, {0.2f, 0.0f}, {0.4f, 0.0f}, {0.55f, 1.0f}, {0.7f, 1.0f}, {0.85f, 0.0f}, {1.0f, 0.3f}},
             {0.9f, 0.99f, 0.45f, 0.7f, 0.0f, 0.0f, 0.1f}),
        // Rises steeply, then bends over towards a ceiling just under full scale.
        make("soft-clip", "Soft clip", {{0.0f, 1.0f}, {0.3f, 0.35f}, {0.6f, 0.12f}, {1.0f, 0.08f}},
             {0.75f, 0.97f, 0.5f, 0.85f, 0.0f, 0.0f, 0.0f}),
        // A gentle quadratic Bezier between high-pass before and low-pass after: the filters
        // tilt the wave so that its two halves saturate differently.
        make("tilted-warmth", "Tilted warmth", {{0.0f, 1.0f}, {0.25f, 0.15f}, {1.0f, 0.0f}},
             {0.85f, 0.35f, 0.55f, 0.6f, 1.0f, 0.0f, 0.25f}),
        // Barely bent and half dry: thickens without sounding distorted.
        make("gentle-drive", "Gentle drive", {{0.0f, 1.0f}, {0.5f, 0.4f}, {1.0f, 0.1f}},
             {0.6f, 0.95f, 0.5f, 0.95f, 0.0f, 0.0f, 0.5f}),
        // A flat top reached early, into a dark post filter: the square-ish buzz of a fuzz box.
        make("fuzz", "Fuzz", {{0.0f, 1.0f}, {0.08f, 0.1f}, {0.15f, 0.02f}, {1.0f, 0.0f}},
             {1.0f, 0.9f, 0.35f, 0.55f, 0.0f, 0.0f, 0.0f}),
        // High-passed before, low-passed after and clipped: a small loudspeaker on a line.
        make("telephone", "Telephone", {{0.0f, 1.0f}, {0.35f, 0.2f}, {0.7f, 0.1f}, {1.0f, 0.1f}},
             {0.8f, 0.3f, 0.6f, 0.45f, 1.0f, 0.0f, 0.0f}),
    };
    return table;
}

}  // namespace vorlane
