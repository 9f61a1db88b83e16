// Loads a VST 2 plug-in library, calls its entry with our host callback and owns the resulting
// effect until effClose. Used by plughost and by the tests that drive the built plug-ins.
#pragma once

#include "AEffect.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class PluginLoader {
public:
    // Host thread. On failure returns null and says why in error. hostVersion is what the
    // callback answers to audioMasterVersion (a host answering 0 gets no plug-in).
    static std::unique_ptr<PluginLoader> open(const std::string& path, std::string& error,
                                              VstIntPtr hostVersion = 2400);

    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // The plug-in's record; null after close().
    AEffect* effect() const;

    // Host thread. Calls the record's dispatcher; effClose goes through close(). After close
    // every call answers 0. Sample rate and block size sent here are remembered for the
    // callback's audioMasterGetSampleRate/GetBlockSize answers.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    struct Automation {
        VstInt32 index;
        float value;
    };
    // The audioMasterAutomate calls received so far, in order.
    const std::vector<Automation>& automation() const;

    // Host thread. Sends effClose once; the effect is gone afterwards.
    void close();

    // What the callback currently answers for the sample rate and block size.
    float sampleRate() const;
    VstInt32 blockSize() const;
    const std::string& path() const;

private:
    PluginLoader(std::string path, VstIntPtr hostVersion);

    // Any thread: the plug-in calls it from wherever it runs.
    static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                  void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::string path_;
    VstIntPtr hostVersion_;
    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    float sampleRate_ = 44100.0f;
    VstInt32 blockSize_ = 1024;
    std::mutex automationMutex_;
    std::vector<Automation> automation_;
};

// Host thread. A text the plug-in writes into a host buffer (names, labels, displays), cut at
// its terminator; generous and zeroed because plug-ins overrun the nominal sizes.
std::string effectText(PluginLoader& plugin, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);
