#include "ToneFilter.h"

#include <cmath>
#include <numbers>

ToneFilter::ToneFilter() : tables(buildTables(44100.0))
{
    mode = 0;
    loadCoefficients();
}

ToneFilter::~ToneFilter() = default;

void ToneFilter::setSampleRate(double fs)
{
    if (std::fabs(fs - tables->sampleRate) <= 1.0)
        return;
    if (auto built = buildTables(fs))
        swapTables(std::move(built));
}

std::unique_ptr<ToneFilter::Tables> ToneFilter::swapTables(std::unique_ptr<Tables> built)
{
    std::swap(tables, built);
    loadCoefficients();
    return built;
}

void ToneFilter::setMode(int m)
{
    if (m == mode)
        return;
    mode = m;
    reset();
    loadCoefficients();
}

void ToneFilter::reset()
{
    z1 = 0.0f;
    z2 = 0.0f;
}

void ToneFilter::flushDenormals()
{
    if (!std::isfinite(z1) || !std::isfinite(z2)) {
        reset();
        return;
    }
    if (std::fabs(static_cast<double>(z1)) < 1e-10)
        z1 = 0.0f;
    if (std::fabs(static_cast<double>(z2)) < 1e-10)
        z2 = 0.0f;
}

double ToneFilter::entryFrequency(int k) const
{
    const double r = std::pow(0.004 * tables->sampleRate, 0.00025);
    double f = 100.0;
    for (int i = 0; i < k; ++i)
        f *= r;
    return f;
}

const ToneFilter::Coefficients& ToneFilter::tableEntry(int m, int k) const
{
    const int index = k < 0 ? 0 : (k >= tableSize ? tableSize - 1 : k);
    return (m == 0 ? tables->lowPass : tables->highPass)[index];
}

std::unique_ptr<ToneFilter::Tables> ToneFilter::buildTables(double sampleRate)
{
    // Below 250 Hz the lowest entry (100 Hz) would lie above 0.4 x rate: no valid design.
    if (!(sampleRate >= 250.0) || !std::isfinite(sampleRate))
        return nullptr;
    auto built = std::make_unique_for_overwrite<Tables>();
    built->sampleRate = sampleRate;
    const double sqrt2 = std::numbers::sqrt2;
    const double r = std::pow(0.004 * sampleRate, 0.00025);
    double f = 100.0;
    for (int k = 0; k < tableSize; ++k) {
        const double t = std::tan(f * std::numbers::pi / sampleRate);

        Coefficients& lp = built->lowPass[k];
        const double c = 1.0 / t;
        lp.a0 = static_cast<float>(1.0 / (sqrt2 * c + c * c + 1.0));
        lp.a1 = static_cast<float>(2.0 * static_cast<double>(lp.a0));
        lp.a2 = lp.a0;
        lp.b1 = static_cast<float>((1.0 - c * c) * static_cast<double>(lp.a1));
        lp.b2 = static_cast<float>((1.0 - sqrt2 * c + c * c) * static_cast<double>(lp.a0));

        Coefficients& hp = built->highPass[k];
        hp.a0 = static_cast<float>(1.0 / (sqrt2 * t + t * t + 1.0));
        hp.a1 = static_cast<float>(-2.0 * static_cast<double>(hp.a0));
        hp.a2 = hp.a0;
        hp.b1 = static_cast<float>((1.0 - t * t) * static_cast<double>(hp.a1));
        hp.b2 = static_cast<float>((1.0 - sqrt2 * t + t * t) * static_cast<double>(hp.a0));

        f *= r;
    }
    return built;
}
