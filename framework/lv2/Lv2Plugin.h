// What each plug-in provides to the LV2 entry (Lv2Entry.cpp), defined once per plug-in library.
#pragma once

#include "Lv2Info.h"

#include <cstddef>
#include <vector>

class EffectBase;

namespace lv2 {

// Host thread: the engine, without an editor and without a host callback; null when it could
// not be built.
EffectBase* createEngine();
// Any thread but the audio thread: the engine's state as bytes, and the bytes put back (false,
// nothing changed, when they are refused). Only called when the description has a state key.
std::vector<unsigned char> saveState(EffectBase& engine);
bool restoreState(EffectBase& engine, const void* data, std::size_t size);

}  // namespace lv2
