// Ombrisk's delay line: one buffer of samples with its write and read positions, and the
// kernels that run a chunk of samples through it forward or backward. The engine decides
// which chunk runs when (modes, alternate phases); the line knows where chunks must end so
// that the kernels need no wrap tests, and how positions move on afterwards.
#pragma once

#include <cstdint>

#include "AEffect.h"

class DelayLine {
public:
    static constexpr VstInt32 bufferLength = 220500;

    // One chunk's audio: the input and both outputs, advanced by each chunk's count.
    struct Io {
        const float* input;
        float* output0;
        float* output1;
        void advance(VstInt32 n)
        {
            input += n;
            output0 += n;
            output1 += n;
        }
    };
    // What one chunk applies: the volume inside the loop and the feedback, and the largest
    // delayed sample it played (raised, never lowered).
    struct Gains {
        float volume;
        double feedback;
        float level;
    };

    // The buffer is null when it could not be allocated.
    DelayLine();
    ~DelayLine();
    DelayLine(const DelayLine&) = delete;
    DelayLine& operator=(const DelayLine&) = delete;

    bool allocated() const { return samples != nullptr; }
    float* data() { return samples; }
    void clear();

    // Each runs at most remaining samples and answers how many it ran.
    // Up to the end of the buffer for either position.
    template <bool accumulate>
    VstInt32 forward(Io io, VstInt32 remaining, Gains& gains);
    // Upward through the ring of the first length samples (a position left beyond the ring
    // by forward chunks may run on to the end of the buffer and comes back one length later).
    template <bool accumulate>
    VstInt32 ringForward(Io io, VstInt32 remaining, VstInt32 length, Gains& gains);
    // Reads downward from readPos to index 0 while writing upward through the same ring;
    // readPos restarts at the ring's top when it runs out.
    template <bool accumulate>
    VstInt32 backward(Io io, VstInt32 remaining, VstInt32 length, Gains& gains);

    // Index of the next sample written, and of the next delayed sample read.
    VstInt32 writePos = 0;
    VstInt32 readPos = 0;

private:
    template <bool backward, bool accumulate>
    void run(const Io& io, VstInt32 w, VstInt32 r, VstInt32 n, Gains& gains);

    float* samples = nullptr;
};
