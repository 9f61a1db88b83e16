// Ombrisk's engine: a mono-in, stereo-out delay one bar long at a tempo of 55 to 180 bpm,
// divided and multiplied, with feedback, a volume inside the loop, an extra read lag and
// three playback modes (normal, reverse, alternate), plus its parameters and programs.
#pragma once

#include <atomic>

#include "DelayProgram.h"
#include "EffectBaseExt.h"

class DelayEffect : public EffectBaseExt {
public:
    static constexpr VstInt32 numDelayPrograms = 16;
    static constexpr VstInt32 numDelayParams = 8;

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
    // Host thread: silences the delay line; positions, modes and parameters stay.
    void suspend() override;

    // On the thread of setParameter (host or editor): parameters 6 and 7, playback mode.
    virtual void setReverseMode(float value, float delay, float div, float mult);
    virtual void setReverseType(float value);

protected:
    enum Mode : VstInt32 { normal = 0, reverse = 1, alternate = 2 };

    // Derives bpm, divisor, multiplier, read lag and delayLength, and places readPos.
    void updateDelay(float delay, float div, float mult);

    static constexpr VstInt32 bufferLength = 220500;
    DelayProgram* programs = nullptr;
    float* buffer = nullptr;

    // The parameters as set: written by the host's threads and the editor's, read by the
    // audio thread and the editor's idle.
    std::atomic<float> delayParam = 0.0f;
    std::atomic<float> feedback = 0.0f;
    std::atomic<float> volume = 0.0f;
    std::atomic<float> divParam = 0.0f;
    std::atomic<float> multParam = 0.0f;
    std::atomic<float> outposParam = 0.0f;
    std::atomic<float> reverseParam = 0.0f;
    std::atomic<float> revTypeParam = 0.0f;

    VstInt32 bpm = 0;
    VstInt32 divisor = 1;
    VstInt32 multiplier = 1;
    VstInt32 outposSteps = 0;
    VstInt32 delayLength = 0;
    VstInt32 writePos = 0;
    VstInt32 readPos = 0;
    VstInt32 reverseMode = normal;
    VstInt32 revType = 0;
    VstInt32 altPhase = 1;
    VstInt32 altCount = 0;
    VstInt32 altLength = 0;
    float peak = 0.0f;

private:
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
