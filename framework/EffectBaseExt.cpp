#include "EffectBaseExt.h"

#include <cmath>
#include <limits>

namespace {

// A pointer-sized value narrowed to 32 bits, saturating instead of wrapping.
VstInt32 narrow(VstIntPtr value)
{
    constexpr VstIntPtr low = std::numeric_limits<VstInt32>::min();
    constexpr VstIntPtr high = std::numeric_limits<VstInt32>::max();
    return static_cast<VstInt32>(value < low ? low : value > high ? high : value);
}

VstIntPtr fromBool(bool answer)
{
    return answer ? 1 : 0;
}

} // namespace

EffectBaseExt::EffectBaseExt(audioMasterCallback callback, VstInt32 programCount,
                             VstInt32 paramCount)
    : EffectBase(callback, programCount, paramCount)
{
}

VstIntPtr EffectBaseExt::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt)
{
    auto text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents:
        return ptr ? processEvents(ptr) : 0;
    case effCanBeAutomated:
        return fromBool(canBeAutomated(index));
    case effString2Parameter:
        return text ? fromBool(string2Parameter(index, text)) : 0;
    case effGetNumProgramCategories:
        return getNumProgramCategories();
    case effGetProgramNameIndexed:
        return text ? fromBool(getProgramNameIndexed(narrow(value), index, text)) : 0;
    case effCopyProgram:
        return fromBool(copyProgram(index));
    case effConnectInput:
        connectInput(index, value != 0);
        return 1;
    case effConnectOutput:
        connectOutput(index, value != 0);
        return 1;
    case effGetInputProperties:
        return ptr ? fromBool(getInputProperties(index, ptr)) : 0;
    case effGetOutputProperties:
        return ptr ? fromBool(getOutputProperties(index, ptr)) : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetCurrentPosition:
        return getCurrentPosition();
    case effGetDestinationBuffer:
        return getDestinationBuffer();
    case effOfflineNotify:
        return fromBool(offlineNotify(ptr, narrow(value), index != 0));
    case effOfflinePrepare:
        return fromBool(offlinePrepare(ptr, narrow(value)));
    case effOfflineRun:
        return fromBool(offlineRun(ptr, narrow(value)));
    case effProcessVarIo:
        return fromBool(processVarIo(ptr));
    case effSetSpeakerArrangement:
        return fromBool(setSpeakerArrangement(reinterpret_cast<void*>(value), ptr));
    case effSetBlockSizeAndSampleRate:
        // A size or rate no processing could run with is refused rather than stored.
        if (value <= 0 || value > std::numeric_limits<VstInt32>::max() || !std::isfinite(opt) ||
            opt <= 0.0f)
            return 0;
        setBlockSizeAndSampleRate(static_cast<VstInt32>(value), opt);
        return 1;
    case effSetBypass:
        return fromBool(setBypass(value != 0));
    case effGetEffectName:
        return text ? fromBool(getEffectName(text)) : 0;
    case effGetErrorText:
        return text ? fromBool(getErrorText(text)) : 0;
    case effGetVendorString:
        return text ? fromBool(getVendorString(text)) : 0;
    case effGetProductString:
        return text ? fromBool(getProductString(text)) : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return text ? canDo(text) : 0;
    case effGetTailSize:
        return getTailSize();
    case effIdle:
        return idle();
    case effGetIcon:
        return getIcon();
    case effSetViewPosition:
        return fromBool(setViewPosition(index, narrow(value)));
    case effGetParameterProperties:
        return ptr ? fromBool(getParameterProperties(index, ptr)) : 0;
    case effKeysRequired:
        // The interface's sense is inverted: 1 means the plug-in does not need keys.
        return keysRequired() ? 0 : 1;
    case effGetVstVersion:
        return getVstVersion();
    default:
        return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
}

void EffectBaseExt::hostWantMidi(VstInt32 filter)
{
    callHost(audioMasterWantMidi, 0, filter);
}

void* EffectBaseExt::hostGetTime(VstInt32 filter)
{
    return reinterpret_cast<void*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 EffectBaseExt::hostTempoAt(VstInt32 position)
{
    return callHostInt(audioMasterTempoAt, 0, position);
}

VstInt32 EffectBaseExt::processEvents(void* /*events*/)
{
    return 0;
}

VstInt32 EffectBaseExt::hostGetNumAutomatableParameters()
{
    return callHostInt(audioMasterGetNumAutomatableParameters);
}

VstInt32 EffectBaseExt::hostGetParameterQuantization()
{
    return callHostInt(audioMasterGetParameterQuantization);
}

bool EffectBaseExt::canBeAutomated(VstInt32 /*index*/)
{
    return true;
}

bool EffectBaseExt::string2Parameter(VstInt32 /*index*/, char* /*text*/)
{
    return false;
}

float EffectBaseExt::spareFloatQuery(VstInt32 /*first*/, VstInt32 /*second*/)
{
    return 0.0f;
}

VstInt32 EffectBaseExt::getNumProgramCategories()
{
    return 1;
}

bool EffectBaseExt::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/,
                                          char* /*text*/)
{
    return false;
}

bool EffectBaseExt::copyProgram(VstInt32 /*destination*/)
{
    return false;
}

bool EffectBaseExt::hostIOChanged()
{
    return callHost(audioMasterIOChanged) != 0;
}

bool EffectBaseExt::hostNeedIdle()
{
    return callHost(audioMasterNeedIdle) != 0;
}

bool EffectBaseExt::hostSizeWindow(VstInt32 width, VstInt32 height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

float EffectBaseExt::hostGetSampleRate()
{
    callHost(audioMasterGetSampleRate);
    return sampleRate;
}

VstInt32 EffectBaseExt::hostGetBlockSize()
{
    callHost(audioMasterGetBlockSize);
    return blockSize;
}

VstInt32 EffectBaseExt::hostGetInputLatency()
{
    return callHostInt(audioMasterGetInputLatency);
}

VstInt32 EffectBaseExt::hostGetOutputLatency()
{
    return callHostInt(audioMasterGetOutputLatency);
}

AEffect* EffectBaseExt::hostGetPreviousPlug(VstInt32 /*input*/)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* EffectBaseExt::hostGetNextPlug(VstInt32 /*output*/)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

void EffectBaseExt::connectInput(VstInt32 /*index*/, bool /*state*/) {}

void EffectBaseExt::connectOutput(VstInt32 /*index*/, bool /*state*/) {}

bool EffectBaseExt::getInputProperties(VstInt32 /*index*/, void* /*properties*/)
{
    return false;
}

bool EffectBaseExt::getOutputProperties(VstInt32 /*index*/, void* /*properties*/)
{
    return false;
}

VstInt32 EffectBaseExt::getPlugCategory()
{
    return (record.flags & effFlagsIsSynth) ? 2 : 0;
}

VstInt32 EffectBaseExt::hostWillReplaceOrAccumulate()
{
    return callHostInt(audioMasterWillReplaceOrAccumulate);
}

VstInt32 EffectBaseExt::hostGetCurrentProcessLevel()
{
    return callHostInt(audioMasterGetCurrentProcessLevel);
}

VstInt32 EffectBaseExt::hostGetAutomationState()
{
    return callHostInt(audioMasterGetAutomationState);
}

void EffectBaseExt::setFlagExtIsAsync(bool state)
{
    setFlag(effFlagsExtIsAsync, state);
}

void EffectBaseExt::setFlagExtHasBuffer(bool state)
{
    setFlag(effFlagsExtHasBuffer, state);
}

VstInt32 EffectBaseExt::getCurrentPosition()
{
    return 0;
}

VstIntPtr EffectBaseExt::getDestinationBuffer()
{
    return 0;
}

bool EffectBaseExt::hostOfflineRead(void* task, VstInt32 option, bool readSource)
{
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task) != 0;
}

bool EffectBaseExt::hostOfflineWrite(void* task, VstInt32 option)
{
    return callHost(audioMasterOfflineWrite, 0, option, task) != 0;
}

bool EffectBaseExt::hostOfflineStart(void* files, VstInt32 numAudioFiles,
                                     VstInt32 numNewAudioFiles)
{
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}

VstInt32 EffectBaseExt::hostOfflineGetCurrentPass()
{
    return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

VstInt32 EffectBaseExt::hostOfflineGetCurrentMetaPass()
{
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

bool EffectBaseExt::offlineNotify(void* /*files*/, VstInt32 /*count*/, bool /*start*/)
{
    return false;
}

bool EffectBaseExt::offlinePrepare(void* /*tasks*/, VstInt32 /*count*/)
{
    return false;
}

bool EffectBaseExt::offlineRun(void* /*tasks*/, VstInt32 /*count*/)
{
    return false;
}

VstInt32 EffectBaseExt::spareQueryA()
{
    return 0;
}

VstInt32 EffectBaseExt::spareQueryB()
{
    return 0;
}

void EffectBaseExt::hostSetOutputSampleRate(float rate)
{
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

bool EffectBaseExt::hostGetSpeakerArrangement(void* input, void* output)
{
    return callHost(audioMasterGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(input),
                    output) != 0;
}

bool EffectBaseExt::hostGetVendorString(char* text)
{
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool EffectBaseExt::hostGetProductString(char* text)
{
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 EffectBaseExt::hostGetVendorVersion()
{
    return callHostInt(audioMasterGetVendorVersion);
}

VstIntPtr EffectBaseExt::hostVendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

VstInt32 EffectBaseExt::hostCanDo(const char* text)
{
    return callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)) != 0 ? 1 : 0;
}

void EffectBaseExt::setFlagIsSynth(bool state)
{
    setFlag(effFlagsIsSynth, state);
}

void EffectBaseExt::setFlagNoSoundInStop(bool state)
{
    setFlag(effFlagsNoSoundInStop, state);
}

VstInt32 EffectBaseExt::hostGetLanguage()
{
    return callHostInt(audioMasterGetLanguage);
}

void* EffectBaseExt::hostOpenWindow(VstWindow* window)
{
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool EffectBaseExt::hostCloseWindow(VstWindow* window)
{
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* EffectBaseExt::hostGetDirectory()
{
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool EffectBaseExt::hostUpdateDisplay()
{
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool EffectBaseExt::processVarIo(void* /*varIo*/)
{
    return false;
}

bool EffectBaseExt::setSpeakerArrangement(void* /*input*/, void* /*output*/)
{
    return false;
}

void EffectBaseExt::setBlockSizeAndSampleRate(VstInt32 size, float rate)
{
    blockSize = size;
    sampleRate = rate;
}

bool EffectBaseExt::setBypass(bool /*onOff*/)
{
    return false;
}

bool EffectBaseExt::getEffectName(char* /*text*/)
{
    return false;
}

bool EffectBaseExt::getErrorText(char* /*text*/)
{
    return false;
}

bool EffectBaseExt::getVendorString(char* /*text*/)
{
    return false;
}

bool EffectBaseExt::getProductString(char* /*text*/)
{
    return false;
}

VstInt32 EffectBaseExt::getVendorVersion()
{
    return 0;
}

VstIntPtr EffectBaseExt::vendorSpecific(VstInt32 /*index*/, VstIntPtr /*value*/, void* /*ptr*/,
                                        float /*opt*/)
{
    return 0;
}

VstInt32 EffectBaseExt::canDo(char* /*text*/)
{
    return 0;
}

VstIntPtr EffectBaseExt::getIcon()
{
    return 0;
}

bool EffectBaseExt::setViewPosition(VstInt32 /*x*/, VstInt32 /*y*/)
{
    return false;
}

VstInt32 EffectBaseExt::getTailSize()
{
    return 0;
}

VstInt32 EffectBaseExt::idle()
{
    return 0;
}

bool EffectBaseExt::getParameterProperties(VstInt32 /*index*/, void* /*properties*/)
{
    return false;
}

bool EffectBaseExt::keysRequired()
{
    return false;
}

VstInt32 EffectBaseExt::getVstVersion()
{
    return 2;
}

VstInt32 EffectBaseExt::callHostInt(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt)
{
    const VstIntPtr answer = callHost(opcode, index, value, ptr, opt);
    return answer == narrow(answer) ? static_cast<VstInt32>(answer) : 0;
}
