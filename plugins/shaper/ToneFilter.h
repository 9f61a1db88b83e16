// Second-order Butterworth low/high-pass whose coefficients come from precomputed tables, so
// that a cutoff can change on every sample without evaluating anything trigonometric.
#pragma once

#include <memory>

class ToneFilter {
public:
    // One coefficient set: H(z) = (a0 + a1 z^-1 + a2 z^-2) / (1 + b1 z^-1 + b2 z^-2).
    struct Coefficients {
        float a0, a1, a2, b1, b2;
    };

    static constexpr int tableSize = 4000;

    // Both tables of one sample rate. A new rate builds a new pair beside the one in use, so
    // that the engine can switch its audio thread to it whole.
    struct Tables {
        double sampleRate;
        Coefficients lowPass[tableSize];
        Coefficients highPass[tableSize];
    };

    ToneFilter();
    virtual ~ToneFilter();
    ToneFilter(const ToneFilter&) = delete;
    ToneFilter& operator=(const ToneFilter&) = delete;

    // While no audio runs: rebuilds the tables when the rate moves by more than 1 Hz.
    void setSampleRate(double fs);
    // Any thread: the tables for the rate fs, built apart from every filter; null for a rate
    // below 250 Hz (no valid design) or not finite.
    static std::unique_ptr<Tables> buildTables(double fs);
    // Audio thread: uses tables from now on, with the coefficients reloaded at the same cutoff
    // and the state kept; answers the tables used before, for another thread to free.
    std::unique_ptr<Tables> swapTables(std::unique_ptr<Tables> built);
    // Audio thread. 0 selects low-pass, anything else high-pass; a change clears the state.
    void setMode(int m);
    // Audio thread. Keeps the state; a copy of five numbers, cheap enough for every sample.
    void setCutoff(float c)
    {
        cutoff = c;
        loadCoefficients();
    }
    // Audio or host thread.
    void reset();
    // Audio thread, once per block: zeroes vanishing states, and restarts a filter that a
    // non-finite input has poisoned so that it does not stay silent or NaN for ever.
    void flushDenormals();

    // Audio thread: one sample through the direct form II.
    float tick(float x)
    {
        const float w = x - b1 * z1 - b2 * z2;
        const float y = a0 * w + a1 * z1 + a2 * z2;
        z2 = z1;
        z1 = w;
        return y;
    }

    // Table index of a normalised cutoff; values outside 0..1 use the nearest entry.
    static int tableIndex(float c)
    {
        const double k = static_cast<double>(c) * tableSize;
        if (!(k >= 1.0))  // also NaN
            return 0;
        if (k >= tableSize)
            return tableSize - 1;
        return static_cast<int>(k);
    }
    // Centre frequency of entry k for the rate the tables were built for (tests, display).
    double entryFrequency(int k) const;
    const Coefficients& tableEntry(int m, int k) const;
    // The table the current mode selects, for an engine that glides through its entries itself.
    const Coefficients* currentTable() const
    {
        return mode == 0 ? tables->lowPass : tables->highPass;
    }

    Coefficients coefficients() const { return {a0, a1, a2, b1, b2}; }
    float stateZ1() const { return z1; }
    float stateZ2() const { return z2; }
    void setState(float s1, float s2)
    {
        z1 = s1;
        z2 = s2;
    }
    float getCutoff() const { return cutoff; }
    int getMode() const { return mode; }
    double getSampleRate() const { return tables->sampleRate; }

private:
    void loadCoefficients()
    {
        const Coefficients& e = currentTable()[tableIndex(cutoff)];
        a0 = e.a0;
        a1 = e.a1;
        a2 = e.a2;
        b1 = e.b1;
        b2 = e.b2;
    }

    float a0 = 0.0f, a1 = 0.0f, a2 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    float z1 = 0.0f, z2 = 0.0f;
    float cutoff = 0.5f;
    int mode = 0;
    std::unique_ptr<Tables> tables;
};
