// The extended effect base: dispatcher opcodes 25 to 58, each served by a virtual operation
// with a default answer, and the host services from audioMasterWantMidi to
// audioMasterUpdateDisplay. Every plug-in class derives from it.
#pragma once

#include "EffectBase.h"

class EffectBaseExt : public EffectBase {
public:
    EffectBaseExt(audioMasterCallback callback, VstInt32 programCount, VstInt32 paramCount);

    // Host thread: opcodes 25 to 58 here, every other one to EffectBase::dispatcher.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    // In slot order. The operations that serve an opcode run on the host thread; the host
    // services (host...) run on the thread of their caller, mostly the editor thread.

    virtual void hostWantMidi(VstInt32 filter);
    virtual void* hostGetTime(VstInt32 filter);
    virtual VstInt32 hostTempoAt(VstInt32 position);
    virtual VstInt32 processEvents(void* events);
    virtual VstInt32 hostGetNumAutomatableParameters();
    virtual VstInt32 hostGetParameterQuantization();
    virtual bool canBeAutomated(VstInt32 index);
    virtual bool string2Parameter(VstInt32 index, char* text);
    virtual float spareFloatQuery(VstInt32 first, VstInt32 second);
    virtual VstInt32 getNumProgramCategories();
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text);
    virtual bool copyProgram(VstInt32 destination);
    virtual bool hostIOChanged();
    virtual bool hostNeedIdle();
    virtual bool hostSizeWindow(VstInt32 width, VstInt32 height);
    // The stored value after the call: the host answers by sending effSetSampleRate.
    virtual float hostGetSampleRate();
    // The stored value after the call: the host answers by sending effSetBlockSize.
    virtual VstInt32 hostGetBlockSize();
    virtual VstInt32 hostGetInputLatency();
    virtual VstInt32 hostGetOutputLatency();
    virtual AEffect* hostGetPreviousPlug(VstInt32 input);
    virtual AEffect* hostGetNextPlug(VstInt32 output);
    virtual void connectInput(VstInt32 index, bool state);
    virtual void connectOutput(VstInt32 index, bool state);
    virtual bool getInputProperties(VstInt32 index, void* properties);
    virtual bool getOutputProperties(VstInt32 index, void* properties);
    virtual VstInt32 getPlugCategory();
    virtual VstInt32 hostWillReplaceOrAccumulate();
    virtual VstInt32 hostGetCurrentProcessLevel();
    virtual VstInt32 hostGetAutomationState();
    virtual void setFlagExtIsAsync(bool state);
    virtual void setFlagExtHasBuffer(bool state);
    virtual VstInt32 getCurrentPosition();
    virtual VstIntPtr getDestinationBuffer();
    virtual bool hostOfflineRead(void* task, VstInt32 option, bool readSource);
    virtual bool hostOfflineWrite(void* task, VstInt32 option);
    virtual bool hostOfflineStart(void* files, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles);
    virtual VstInt32 hostOfflineGetCurrentPass();
    virtual VstInt32 hostOfflineGetCurrentMetaPass();
    virtual bool offlineNotify(void* files, VstInt32 count, bool start);
    virtual bool offlinePrepare(void* tasks, VstInt32 count);
    virtual bool offlineRun(void* tasks, VstInt32 count);
    virtual VstInt32 spareQueryA();
    virtual VstInt32 spareQueryB();
    virtual void hostSetOutputSampleRate(float rate);
    virtual bool hostGetSpeakerArrangement(void* input, void* output);
    virtual bool hostGetVendorString(char* text);
    virtual bool hostGetProductString(char* text);
    virtual VstInt32 hostGetVendorVersion();
    virtual VstIntPtr hostVendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual VstInt32 hostCanDo(const char* text);
    virtual void setFlagIsSynth(bool state);
    virtual void setFlagNoSoundInStop(bool state);
    virtual VstInt32 hostGetLanguage();
    virtual void* hostOpenWindow(VstWindow* window);
    virtual bool hostCloseWindow(VstWindow* window);
    virtual void* hostGetDirectory();
    virtual bool hostUpdateDisplay();
    virtual bool processVarIo(void* varIo);
    virtual bool setSpeakerArrangement(void* input, void* output);
    // Stores both fields directly, without calling setBlockSize or setSampleRate.
    virtual void setBlockSizeAndSampleRate(VstInt32 size, float rate);
    virtual bool setBypass(bool onOff);
    virtual bool getEffectName(char* text);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual VstInt32 getVendorVersion();
    virtual VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual VstInt32 canDo(char* text);
    virtual VstIntPtr getIcon();
    virtual bool setViewPosition(VstInt32 x, VstInt32 y);
    virtual VstInt32 getTailSize();
    virtual VstInt32 idle();
    virtual bool getParameterProperties(VstInt32 index, void* properties);
    virtual bool keysRequired();
    virtual VstInt32 getVstVersion();

protected:
    // The host's answer narrowed to 32 bits; an answer that does not fit reads as 0.
    VstInt32 callHostInt(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                         void* ptr = nullptr, float opt = 0.0f);
};
