// The effect base: owns the host-interface record, answers dispatcher opcodes 0 to 24
// through virtual operations, keeps sample rate, block size, current program and editor,
// wraps the first host services and formats parameter values for display.
#pragma once

#include "AEffect.h"

class EditorBase;

class EffectBase {
public:
    EffectBase(audioMasterCallback callback, VstInt32 programCount, VstInt32 paramCount);
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // Host thread (effClose, or main after a failed construction): destroys the editor.
    virtual ~EffectBase();

    // Host or editor thread.
    virtual void setParameter(VstInt32 index, float value);
    virtual float getParameter(VstInt32 index);
    // Editor thread: sets the parameter, then reports it to the host.
    virtual void setParameterAndAutomate(VstInt32 index, float value);
    // Audio thread.
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames);
    // Host thread: opcodes 0 to 24; anything else answers 0.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);
    // Host thread, through the dispatcher.
    virtual void open();
    virtual void close();
    virtual VstInt32 getProgram();
    virtual void setProgram(VstInt32 program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParamLabel(VstInt32 index, char* label);
    virtual void getParamDisplay(VstInt32 index, char* text);
    virtual void getParamName(VstInt32 index, char* text);
    virtual float getVu();
    virtual VstInt32 getChunk(void** data, bool isPreset);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset);
    virtual void setSampleRate(float rate);
    virtual void setBlockSize(VstInt32 size);
    virtual void suspend();
    virtual void resume();
    // Subclass constructors (host thread): the record's fields.
    virtual void setUniqueID(VstInt32 id);
    virtual void setNumInputs(VstInt32 count);
    virtual void setNumOutputs(VstInt32 count);
    virtual void setFlagHasVu(bool state);
    virtual void setFlagHasClip(bool state);
    virtual void setFlagCanMono(bool state);
    virtual void setFlagCanReplacing(bool state);
    virtual void setFlagProgramChunks(bool state);
    virtual void setRealQualities(VstInt32 value);
    virtual void setOffQualities(VstInt32 value);
    virtual void setInitialDelay(VstInt32 samples);
    // Any thread: the stored values.
    virtual float getSampleRate();
    virtual VstInt32 getBlockSize();
    // Host services: on the thread of their caller.
    virtual VstInt32 hostVersion();
    virtual VstInt32 hostCurrentId();
    virtual void hostIdle();
    virtual bool hostInputPinConnected(VstInt32 index);
    virtual bool hostOutputPinConnected(VstInt32 index);
    // Host thread: eight-character display texts; text holds at least 9 bytes.
    virtual void formatDecibel(float value, char* text);
    virtual void formatHertz(float samples, char* text);
    virtual void formatMilliseconds(float samples, char* text);
    virtual void formatFloat(float value, char* text);
    virtual void formatInteger(VstInt32 value, char* text);

    // Host thread (the plug-in's construction): sets or clears effFlagsHasEditor with the
    // pointer; the effect owns the editor from now.
    void setEditor(EditorBase* newEditor);
    EditorBase* getEditor() const { return editor; }
    // The record handed to the host; it lives inside this object and never moves.
    AEffect* getAEffect() { return &record; }
    // Whether a constructor of this object could not get what it needs; main then destroys it
    // and answers null. Other instances are not concerned.
    bool constructionFailed() const { return failedConstruction; }

protected:
    // Calls the host with this effect's record; 0 without a host callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    void setFlag(VstInt32 flag, bool state);
    // Subclass constructors (host thread).
    void markConstructionFailed() { failedConstruction = true; }

    float sampleRate = 44100.0f;
    EditorBase* editor = nullptr;
    audioMasterCallback hostCallback;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    VstInt32 blockSize = 1024;
    AEffect record;

private:
    bool failedConstruction = false;
};
