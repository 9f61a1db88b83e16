// Vorlane's factory, called by main on the host thread.
#include "Module.h"
#include "ShaperPlugin.h"

#include <new>

EffectBase* createEffectInstance(audioMasterCallback hostCallback)
{
    return new (std::nothrow) ShaperPlugin(hostCallback);
}
