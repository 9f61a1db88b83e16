#include "ReferenceData.h"
#include "ToneFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace {

std::complex<double> response(const ToneFilter::Coefficients& c, double omega)
{
    const std::complex<double> z1 = std::polar(1.0, -omega);
    const std::complex<double> z2 = z1 * z1;
    return (double(c.a0) + double(c.a1) * z1 + double(c.a2) * z2) /
           (1.0 + double(c.b1) * z1 + double(c.b2) * z2);
}

double decibels(double gain) { return 20.0 * std::log10(gain); }

}  // namespace

TEST(ToneFilter, TablesMatchSciPyButterworthDesign)
{
    const ReferenceRecords ref = loadReference();
    const auto [first, last] = ref.equal_range("coef");
    ASSERT_NE(first, last) << "no reference coefficients in " << SHAPER_REFERENCE_FILE;
    ToneFilter filter;
    for (auto it = first; it != last; ++it) {
        const std::vector<double>& v = it->second;
        const int mode = int(v[0]);
        const int k = int(v[2]);
        filter.setSampleRate(v[1]);
        const ToneFilter::Coefficients& c = filter.tableEntry(mode, k);
        const double got[] = {c.a0, c.a1, c.a2, c.b1, c.b2};
        for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(got[i], v[3 + i], 2e-6 * std::fabs(v[3 + i]) + 1e-9)
                << "mode " << mode << " fs " << v[1] << " entry " << k << " coefficient " << i;
    }
}

TEST(ToneFilter, TickMatchesSciPyLfilter)
{
    const ReferenceRecords ref = loadReference();
    const auto [first, last] = ref.equal_range("lfilter");
    ASSERT_NE(first, last);
    for (auto it = first; it != last; ++it) {
        const std::vector<double>& v = it->second;
        const int mode = int(v[0]);
        const int k = int(v[2]);
        const size_t n = (v.size() - 3) / 2;
        ToneFilter filter;
        filter.setSampleRate(v[1]);
        filter.setMode(mode);
        filter.setCutoff((float(k) + 0.5f) / ToneFilter::tableSize);
        for (size_t i = 0; i < n; ++i) {
            const float y = filter.tick(float(v[3 + i]));
            ASSERT_NEAR(y, v[3 + n + i], 1e-4) << "mode " << mode << " entry " << k << " sample " << i;
        }
    }
}

// Closed-form checks of every entry at several rates: -3 dB at the entry's frequency, unity
// gain at DC in low-pass (at Nyquist in high-pass) and a true zero at the other end.
TEST(ToneFilter, EveryEntryIsAButterworthSectionAtItsFrequency)
{
    ToneFilter filter;
    for (double fs : {22050.0, 44100.0, 96000.0, 192000.0}) {
        filter.setSampleRate(fs);
        const double r = std::pow(0.004 * fs, 0.00025);
        double f = 100.0;
        for (int k = 0; k < ToneFilter::tableSize; ++k, f *= r) {
            const double omega = 2.0 * std::numbers::pi * f / fs;
            const ToneFilter::Coefficients& lp = filter.tableEntry(0, k);
            const ToneFilter::Coefficients& hp = filter.tableEntry(1, k);
            ASSERT_NEAR(decibels(std::abs(response(lp, omega))), -3.0103, 0.05) << fs << " lp " << k;
            ASSERT_NEAR(decibels(std::abs(response(hp, omega))), -3.0103, 0.05) << fs << " hp " << k;
            ASSERT_NEAR(std::abs(response(lp, 0.0)), 1.0, 2e-2) << fs << " lp " << k;
            ASSERT_EQ(std::abs(response(hp, 0.0)), 0.0) << fs << " hp " << k;
            ASSERT_NEAR(std::abs(response(hp, std::numbers::pi)), 1.0, 1e-4) << fs << " hp " << k;
            ASSERT_EQ(std::abs(response(lp, std::numbers::pi)), 0.0) << fs << " lp " << k;
        }
    }
}

TEST(ToneFilter, EntryFrequenciesSpanHundredHertzToBelowFortyPercentOfRate)
{
    ToneFilter filter;
    EXPECT_DOUBLE_EQ(filter.entryFrequency(0), 100.0);
    EXPECT_NEAR(filter.entryFrequency(2000), 1328.0, 1.0);
    EXPECT_NEAR(filter.entryFrequency(3999), 17617.0, 1.0);
    EXPECT_NEAR(filter.entryFrequency(4000), 0.4 * 44100.0, 1e-6);
}

// The direct form II carries large intermediate values at low cutoffs, so single precision
// settles within a few units of 1e-5 rather than exactly.
TEST(ToneFilter, ConstantInputSettlesAtOneInLowPassAndZeroInHighPass)
{
    for (float cutoff : {0.0f, 0.3f, 0.5f, 0.99999f}) {
        ToneFilter lp;
        ToneFilter hp;
        hp.setMode(1);
        lp.setCutoff(cutoff);
        hp.setCutoff(cutoff);
        float ylp = 0.0f, yhp = 0.0f;
        for (int i = 0; i < 20000; ++i) {
            ylp = lp.tick(1.0f);
            yhp = hp.tick(1.0f);
        }
        EXPECT_NEAR(ylp, 1.0f, 1e-4f) << cutoff;
        EXPECT_NEAR(yhp, 0.0f, 1e-4f) << cutoff;
    }
}

TEST(ToneFilter, ConstructionSelectsLowPassEntry2000At44100)
{
    ToneFilter filter;
    EXPECT_EQ(filter.getCutoff(), 0.5f);
    EXPECT_EQ(filter.getMode(), 0);
    EXPECT_EQ(filter.getSampleRate(), 44100.0);
    const ToneFilter::Coefficients c = filter.coefficients();
    const ToneFilter::Coefficients& e = filter.tableEntry(0, 2000);
    EXPECT_EQ(c.a0, e.a0);
    EXPECT_EQ(c.b1, e.b1);
    EXPECT_EQ(c.b2, e.b2);
}

TEST(ToneFilter, CutoffSelectsNearestValidEntry)
{
    const struct {
        float cutoff;
        int index;
    } cases[] = {
        {0.0f, 0},       {0.5f, 2000},     {0.99999f, 3999}, {0.00024f, 0},
        {1.0f, 3999},    {7.5f, 3999},     {-0.2f, 0},       {-1e30f, 0},
        {std::numeric_limits<float>::infinity(), 3999},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToneFilter::tableIndex(c.cutoff), c.index) << c.cutoff;
        ToneFilter filter;
        filter.setMode(1);
        filter.setCutoff(c.cutoff);
        EXPECT_EQ(filter.coefficients().a0, filter.tableEntry(1, c.index).a0) << c.cutoff;
        EXPECT_EQ(filter.coefficients().b1, filter.tableEntry(1, c.index).b1) << c.cutoff;
    }
}

TEST(ToneFilter, SampleRateRebuildsOnlyOnChangesAboveOneHertz)
{
    ToneFilter filter;
    filter.setCutoff(0.25f);
    filter.setState(0.5f, -0.25f);
    const ToneFilter::Coefficients before = filter.coefficients();

    filter.setSampleRate(44101.0);
    EXPECT_EQ(filter.getSampleRate(), 44100.0);
    EXPECT_EQ(filter.coefficients().a0, before.a0);

    filter.setSampleRate(48000.0);
    EXPECT_EQ(filter.getSampleRate(), 48000.0);
    EXPECT_NE(filter.coefficients().a0, before.a0);
    EXPECT_EQ(filter.coefficients().a0, filter.tableEntry(0, 1000).a0);
    EXPECT_NEAR(filter.entryFrequency(0), 100.0, 1e-12);
    EXPECT_EQ(filter.stateZ1(), 0.5f);
    EXPECT_EQ(filter.stateZ2(), -0.25f);

    // Rates with no valid design keep the tables.
    for (double bad : {0.0, -48000.0, 100.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        filter.setSampleRate(bad);
        EXPECT_EQ(filter.getSampleRate(), 48000.0) << bad;
    }
}

TEST(ToneFilter, ModeChangeClearsStateOnlyWhenTheModeChanges)
{
    ToneFilter filter;
    filter.setState(0.5f, 0.25f);
    filter.setMode(0);
    EXPECT_EQ(filter.stateZ1(), 0.5f);
    filter.setMode(1);
    EXPECT_EQ(filter.stateZ1(), 0.0f);
    EXPECT_EQ(filter.stateZ2(), 0.0f);
    EXPECT_EQ(filter.coefficients().a1, filter.tableEntry(1, 2000).a1);
    filter.setState(0.5f, 0.25f);
    filter.setMode(7);  // any non-zero mode is high-pass
    EXPECT_EQ(filter.stateZ1(), 0.0f);
    EXPECT_EQ(filter.coefficients().a1, filter.tableEntry(1, 2000).a1);
}

TEST(ToneFilter, FlushDenormalsZeroesTinyStatesAndRestartsPoisonedOnes)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float z1, z2, want1, want2;
    } cases[] = {
        {1e-11f, 0.5f, 0.0f, 0.5f},
        {0.5f, -1e-11f, 0.5f, 0.0f},
        {float(1e-10), -float(1e-10), float(1e-10), -float(1e-10)},
        {nan, 0.5f, 0.0f, 0.0f},
        {0.5f, inf, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        ToneFilter filter;
        filter.setState(c.z1, c.z2);
        filter.flushDenormals();
        EXPECT_EQ(filter.stateZ1(), c.want1) << c.z1 << " " << c.z2;
        EXPECT_EQ(filter.stateZ2(), c.want2) << c.z1 << " " << c.z2;
    }
}

TEST(ToneFilter, NonFiniteInputDoesNotSilenceTheFilterForEver)
{
    ToneFilter filter;
    filter.tick(std::numeric_limits<float>::quiet_NaN());
    filter.flushDenormals();
    float y = 0.0f;
    for (int i = 0; i < 2000; ++i)
        y = filter.tick(1.0f);
    EXPECT_NEAR(y, 1.0f, 1e-3f);
}
