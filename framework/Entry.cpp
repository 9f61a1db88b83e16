// The body of the module's entry, compiled into every plug-in; each platform's module entry
// (posix/ or win32/ModuleEntry.cpp) exports it as VSTPluginMain and main.
#include "EffectBase.h"
#include "Module.h"

// Host thread. Answers the record of a new effect, or null when the host refuses (version 0)
// or the effect cannot be built. Nothing thrown inside reaches the host.
AEffect* moduleMain(audioMasterCallback hostCallback)
{
    if (!hostCallback)
        return nullptr;
    try {
        if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        EffectBase* effect = createEffectInstance(hostCallback);
        if (!effect)
            return nullptr;
        if (effect->constructionFailed()) {
            delete effect;
            return nullptr;
        }
        return effect->getAEffect();
    } catch (...) {
        return nullptr;
    }
}
