// Vorlane's factory, called by main on the host thread.
#include "Module.h"
#include "ShaperEffect.h"

#include <new>

EffectBase* createEffectInstance(audioMasterCallback hostCallback)
{
    return new (std::nothrow) ShaperEffect(hostCallback);
}
