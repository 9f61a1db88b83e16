// Vorlane's engine: per channel a pre filter, a gain, the table-driven waveshaper, a post filter,
// a second gain and a dry/wet mix, with cutoff glides; its eight parameters and its state chunk.
#pragma once

#include "EffectBaseExt.h"
#include "ShapeTables.h"
#include "ShaperCurve.h"
#include "ToneFilter.h"

#include <atomic>
#include <memory>

class ShaperEffect : public EffectBaseExt {
public:
    static constexpr VstInt32 numParameters = 8;
    static constexpr int shapeTableSize = ShapeTable::size;
    // Header, point count and seven parameter values around the 8-byte points.
    static constexpr int chunkHeaderSize = 13;
    static constexpr int chunkFixedSize = 45;
    static constexpr VstInt32 chunkSize(int points) { return chunkFixedSize + 8 * points; }

    explicit ShaperEffect(audioMasterCallback callback);
    ~ShaperEffect() override;

    // Host or editor thread. Index 0 rebuilds the shaper table from the curve; NaN or infinite
    // values are ignored.
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
    VstInt32 getChunk(void** data, bool isPreset) override;
    // Refuses (0, nothing changed) a chunk with a bad header, a point count outside 0..50,
    // fewer bytes than that count needs, or a non-finite number.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    void setSampleRate(float rate) override;
    void suspend() override;

    // Any thread: samples the curve into a new shaper table, which the audio thread takes at
    // the start of its next block. Never waits: while another thread builds, that thread
    // builds once more for this call.
    void rebuildShapeTable();

    // Editor thread: the curve view edits the points, then sets parameter 0. Host thread: the
    // chunk replaces them.
    ShaperCurve& getCurve() { return curve; }
    // Any thread: plain reads of the engine's state, for tests and displays; the table is the
    // one published last.
    const float* getShapeTable() const { return shapeTables.latest().values; }
    float getPreCutoff() const { return preCutoff; }
    float getPostCutoff() const { return postCutoff; }
    const ToneFilter& getPreFilterLeft() const { return preFilterLeft; }
    const ToneFilter& getPostFilterRight() const { return postFilterRight; }

protected:
    ShaperCurve curve;
    ToneFilter preFilterLeft;
    ToneFilter postFilterLeft;
    ToneFilter preFilterRight;
    ToneFilter postFilterRight;
    ShapeTables shapeTables;
    std::atomic<bool> shapeTableWanted{false};
    std::atomic<bool> shapeTableBuilding{false};
    float preCutoff = 0.5f;
    float postCutoff = 0.5f;
    float preTarget = 0.5f;
    float postTarget = 0.5f;
    float preStep = 0.0f;
    float postStep = 0.0f;
    float preGainFactor = 1.0f;
    float postGainFactor = 1.0f;
    float dryShare = 0.0f;
    // Written by the host's threads, read by the editor thread.
    std::atomic<float> paramValues[numParameters - 1] = {};
    char programName[24] = {};
    std::unique_ptr<unsigned char[]> chunkBuffer;

private:
    template <bool accumulate>
    void run(float** inputs, float** outputs, VstInt32 frames);
};
