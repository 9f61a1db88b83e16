// Process-wide state of the loaded plug-in module and the factory each plug-in provides.
#pragma once

#include "AEffect.h"

class EffectBase;

// The module's instance handle (on ELF systems its base address), set when the library is
// loaded; the GUI toolkit uses it to name its window class and to find its bitmaps.
extern void* moduleInstance;

// Defined once by every plug-in: allocates (without throwing) and constructs its effect, or
// answers null. Called by main on the host thread.
EffectBase* createEffectInstance(audioMasterCallback hostCallback);

// What the exported entry does (framework/Entry.cpp); each platform's module entry calls it.
AEffect* moduleMain(audioMasterCallback hostCallback);
