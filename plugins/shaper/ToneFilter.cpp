#include "ToneFilter.h"

#include <cmath>
#include <numbers>

ToneFilter::ToneFilter()
{
    setSampleRate(44100.0);
    mode = 0;
    loadCoefficients();
}

ToneFilter::~ToneFilter() = default;

void ToneFilter::setSampleRate(double fs)
{
    if (std::fabs(fs - sampleRate) <= 1.0)
        return;
    // Below 250 Hz the lowest entry (100 Hz) would lie above 0.4 x rate: no valid design, so a
    // rate that low (or non-finite) keeps the tables built for the previous one.
    if (!(fs >= 250.0) || !std::isfinite(fs))
        return;
    sampleRate = fs;
    buildTables();
    loadCoefficients();
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
    const double r = std::pow(0.004 * sampleRate, 0.00025);
    double f = 100.0;
    for (int i = 0; i < k; ++i)
        f *= r;
    return f;
}

const ToneFilter::Coefficients& ToneFilter::tableEntry(int m, int k) const
{
    const int index = k < 0 ? 0 : (k >= tableSize ? tableSize - 1 : k);
    return (m == 0 ? lowPassTable : highPassTable)[index];
}

void ToneFilter::buildTables()
{
    if (!lowPassTable) {
        lowPassTable = std::make_unique<Coefficients[]>(tableSize);
        highPassTable = std::make_unique<Coefficients[]>(tableSize);
    }
    const double sqrt2 = std::numbers::sqrt2;
    const double r = std::pow(0.004 * sampleRate, 0.00025);
    double f = 100.0;
    for (int k = 0; k < tableSize; ++k) {
        const double t = std::tan(f * std::numbers::pi / sampleRate);

        Coefficients& lp = lowPassTable[k];
        const double c = 1.0 / t;
        lp.a0 = static_cast<float>(1.0 / (sqrt2 * c + c * c + 1.0));
        lp.a1 = static_cast<float>(2.0 * static_cast<double>(lp.a0));
        lp.a2 = lp.a0;
        lp.b1 = static_cast<float>((1.0 - c * c) * static_cast<double>(lp.a1));
        lp.b2 = static_cast<float>((1.0 - sqrt2 * c + c * c) * static_cast<double>(lp.a0));

        Coefficients& hp = highPassTable[k];
        hp.a0 = static_cast<float>(1.0 / (sqrt2 * t + t * t + 1.0));
        hp.a1 = static_cast<float>(-2.0 * static_cast<double>(hp.a0));
        hp.a2 = hp.a0;
        hp.b1 = static_cast<float>((1.0 - t * t) * static_cast<double>(hp.a1));
        hp.b2 = static_cast<float>((1.0 - sqrt2 * t + t * t) * static_cast<double>(hp.a0));

        f *= r;
    }
}
