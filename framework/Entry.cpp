// The module's entry points, compiled into every plug-in: the load-time hook that records
// the module's base address, and main, exported also as VSTPluginMain.
#include <dlfcn.h>

#include "EffectBase.h"
#include "Module.h"

namespace {

// Runs once when the library is loaded (loader thread): the base address of this shared
// object identifies the module, as the instance handle does elsewhere.
__attribute__((constructor)) void recordModuleInstance()
{
    Dl_info info{};
    if (dladdr(&moduleInstance, &info) != 0)
        moduleInstance = info.dli_fbase;
}

} // namespace

// Host thread. Answers the record of a new effect, or null when the host refuses (version 0)
// or the effect cannot be built. Nothing thrown inside reaches the host.
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(
    audioMasterCallback hostCallback)
{
    if (!hostCallback)
        return nullptr;
    try {
        if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        EffectBase* effect = createEffectInstance(hostCallback);
        if (!effect)
            return nullptr;
        if (constructionFailed) {
            delete effect;
            return nullptr;
        }
        return effect->getAEffect();
    } catch (...) {
        return nullptr;
    }
}

// The same function under the older entry name.
extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect*
legacyMain(audioMasterCallback hostCallback) __asm__("main");
