// The module's entry points on ELF systems: the load-time hook that records the module's base
// address, and main, exported also as VSTPluginMain.
#include <dlfcn.h>

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

// Host thread.
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(
    audioMasterCallback hostCallback)
{
    return moduleMain(hostCallback);
}

// The same function under the older entry name.
extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect*
legacyMain(audioMasterCallback hostCallback) __asm__("main");
