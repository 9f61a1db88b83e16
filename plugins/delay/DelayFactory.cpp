// Ombrisk's factory: the effect that main hands to the host.
#include <new>

#include "DelayPlugin.h"
#include "Module.h"

// Host thread (main).
EffectBase* createEffectInstance(audioMasterCallback hostCallback)
{
    return new (std::nothrow) DelayPlugin(hostCallback);
}
