// Ombrisk's engine: a mono-in, stereo-out delay one bar long at a tempo of 55 to 180 bpm,
// divided and multiplied, with feedback, a volume inside the loop, an extra read lag and
// three playback modes (normal, reverse, alternate), plus its parameters and programs.
//
// Parameters may be set on any thread while the audio thread processes. Setting one stores
// its value and what the display shows at once, and publishes what the audio thread must do
// (place the read position anew, switch the mode, restart the alternate phase) in one atomic
// word; the audio thread carries that out at the start of its next block. Nothing is locked
// and no change is lost, whichever thread sets it and however often.
#pragma once

#include <atomic>
#include <cstdint>

#include "DelayProgram.h"
#include "EffectBaseExt.h"

class DelayEffect : public EffectBaseExt {
public:
    static constexpr VstInt32 numDelayPrograms = 16;
    static constexpr VstInt32 numDelayParams = ombrisk::parameterCount;

    explicit DelayEffect(audioMasterCallback callback);
    ~DelayEffect() override;

    // Host or editor thread: clamps to 0..1, stores into the current program, updates the
    // engine and asks the editor to refresh. NaN and infinite values are ignored.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Audio thread.
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    // Host thread.
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParamLabel(VstInt32 index, char* label) override;
    void getParamDisplay(VstInt32 index, char* text) override;
    void getParamName(VstInt32 index, char* text) override;
    // Host thread: the largest delayed sample since the last call.
    float getVu() override;
    // Host thread: silences the delay line before the next block; positions, modes and
    // parameters stay.
    void suspend() override;

    // On the thread of setParameter (host or editor): parameters 6 and 7, playback mode.
    virtual void setReverseMode(float value, float delay, float div, float mult);
    virtual void setReverseType(float value);

protected:
    enum Mode : VstInt32 { normal = 0, reverse = 1, alternate = 2 };

    // On the thread of setParameter, after storing the parameter: derives bpm, divisor,
    // multiplier and read lag for the display from the parameters as they stand and asks the
    // audio thread to place readPos for the new delay.
    void updateDelay();
    // Audio thread, at the start of a block: carries out what setParameter published.
    void applyChanges();
    // Any thread: the playback mode set last, which the display shows (reverseMode is the one
    // the audio thread plays, from its next block on).
    VstInt32 playbackMode() const;

    static constexpr VstInt32 bufferLength = 220500;
    DelayProgram* programs = nullptr;
    float* buffer = nullptr;

    // The parameters as set: written by the host's threads and the editor's, read by the
    // audio thread and the editor's idle.
    std::atomic<float> delayParam{0.0f};
    std::atomic<float> feedback{0.0f};
    std::atomic<float> volume{0.0f};
    std::atomic<float> divParam{0.0f};
    std::atomic<float> multParam{0.0f};
    std::atomic<float> outposParam{0.0f};
    std::atomic<float> reverseParam{0.0f};
    std::atomic<float> revTypeParam{0.0f};

    // What the display shows, derived on the thread of setParameter.
    std::atomic<VstInt32> bpm{0};
    std::atomic<VstInt32> divisor{1};
    std::atomic<VstInt32> multiplier{1};
    std::atomic<VstInt32> outposSteps{0};
    std::atomic<VstInt32> revType{0};
    // How many times the shape was derived; see updateDelay.
    std::atomic<std::uint32_t> shapeSettings{0};
    // The playback mode set last, the alternate length taken with it and the requests for the
    // audio thread, packed so that they travel together (see DelayEffect.cpp).
    std::atomic<std::uint32_t> changes{0};

    // The audio thread's own state.
    VstInt32 delayLength = 0;
    VstInt32 writePos = 0;
    VstInt32 readPos = 0;
    VstInt32 reverseMode = normal;
    VstInt32 altPhase = 1;
    VstInt32 altCount = 0;
    VstInt32 altLength = 0;
    // Raised by the audio thread, read and cleared by getVu.
    std::atomic<float> peak{0.0f};

private:
    // Audio thread: readPos for the current parameters, from writePos.
    void placeReadPos();
    template <bool accumulate>
    void runBlock(float** inputs, float** outputs, VstInt32 sampleFrames);
    template <bool accumulate>
    VstInt32 forwardChunk(const float* input, float* output0, float* output1, VstInt32 remaining);
    template <bool accumulate>
    VstInt32 ringForwardChunk(const float* input, float* output0, float* output1,
                              VstInt32 remaining);
    template <bool accumulate>
    VstInt32 backwardChunk(const float* input, float* output0, float* output1,
                           VstInt32 remaining);
    template <bool backward, bool accumulate>
    void runKernel(const float* input, float* output0, float* output1, VstInt32 w, VstInt32 r,
                   VstInt32 n);
};
