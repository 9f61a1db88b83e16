// Vorlane's engine: per channel a pre filter, a gain, the table-driven waveshaper, a post filter,
// a second gain and a dry/wet mix, with cutoff glides; its eight parameters and its state chunk.
//
// Parameters, chunks and sample rates may be set on any thread while the audio thread
// processes. What they change reaches the audio thread at the start of its next block: values
// through atomics with a word of flags for the changes that act once (a new glide, a filter
// mode), tables built aside and handed over whole. Nothing is locked, nothing allocated on
// the audio thread, and no change is lost or seen half made.
#pragma once

#include "EffectBaseExt.h"
#include "Handoff.h"
#include "ShaperChunk.h"
#include "ShaperCurve.h"
#include "ToneFilter.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

class ShaperEffect : public EffectBaseExt {
public:
    static constexpr VstInt32 numParameters = vorlane::parameterCount;
    static constexpr int shapeTableSize = 1024;

    explicit ShaperEffect(audioMasterCallback callback);
    ~ShaperEffect() override;

    // Any thread. Index 0 rebuilds the shaper table from the curve if the curve changed since
    // (see rebuildShapeTable); NaN or infinite values are ignored.
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
    // The state in the layout of ShaperChunk.h.
    VstInt32 getChunk(void** data, bool isPreset) override;
    // Refuses (0, nothing changed) what decodeChunk refuses.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    // Any thread but the audio thread: the curve and parameters 1..7 as they stand, and a
    // decoded state put in place as setChunk does.
    vorlane::ShaperState state();
    void setState(const vorlane::ShaperState& state);
    // Host thread: builds the filters' tables for the new rate beside the ones in use.
    void setSampleRate(float rate) override;
    // Host thread: the filters start from silence at the next block.
    void suspend() override;

    // Samples the curve into a new shaper table for the audio thread's next block, unless the
    // table in use or on its way was sampled from the curve as it is: hosts replay automation
    // of parameter 0, often on the audio thread, where nothing may be built or allocated.
    // Never waits: while another thread builds, that thread builds once more for this call.
    void rebuildShapeTable();

    // Editor thread: the curve view edits the points, then sets parameter 0. Host thread: the
    // chunk replaces them.
    ShaperCurve& getCurve() { return curve; }
    // Plain reads of the audio thread's state, for tests and displays while no audio runs.
    const float* getShapeTable() const { return shapes.value().table; }
    float getPreCutoff() const { return preCutoff; }
    float getPostCutoff() const { return postCutoff; }
    const ToneFilter& getPreFilterLeft() const { return preFilterLeft; }
    const ToneFilter& getPostFilterRight() const { return postFilterRight; }

protected:
    struct ShapeTable {
        float table[shapeTableSize];
        // Entry i is table[i + 1] - table[i]; the last one is 0.
        float slope[shapeTableSize];
    };
    // The four filters' tables, in the order preLeft, postLeft, preRight, postRight.
    using FilterTables = std::array<std::unique_ptr<ToneFilter::Tables>, 4>;

    // Audio thread, at the start of every block: takes what other threads changed.
    void applyChanges();

    ShaperCurve curve;
    ToneFilter preFilterLeft;
    ToneFilter postFilterLeft;
    ToneFilter preFilterRight;
    ToneFilter postFilterRight;
    Handoff<ShapeTable> shapes;
    // Asked for a table, and one thread building: see rebuildShapeTable.
    std::atomic<bool> shapeTableWanted{false};
    std::atomic<bool> shapeTableBuilding{false};
    // The curve's revision the table offered last was sampled from at least; -1 before any.
    std::atomic<std::int64_t> shapeTableRevision{-1};
    Handoff<FilterTables> filterTables;
    // Host thread: the rate of the tables built last.
    double tablesRate = 0.0;

    // The values of parameters 1..7 exactly as set, and which of the changes that act once
    // are waiting for the audio thread (see ShaperEffect.cpp).
    std::atomic<float> paramValues[numParameters - 1] = {};
    std::atomic<std::uint32_t> pendingChanges{0};

    // The audio thread's own state.
    float preCutoff = 0.5f;
    float postCutoff = 0.5f;
    float preTarget = 0.5f;
    float postTarget = 0.5f;
    float preStep = 0.0f;
    float postStep = 0.0f;
    float preGainFactor = 1.0f;
    float postGainFactor = 1.0f;
    float dryShare = 0.0f;

    char programName[24] = {};
    std::unique_ptr<unsigned char[]> chunkBuffer;

private:
    template <bool accumulate>
    void run(float** inputs, float** outputs, VstInt32 frames);
    // The careful chain takes NaN and infinite input samples as silence.
    template <bool accumulate, bool careful>
    void runFrames(float** inputs, float** outputs, VstInt32 frames);
};
