// Vorlane's engine for the LV2 entry; its state is the chunk's bytes.
#include "Lv2Plugin.h"
#include "ShaperEffect.h"

#include <new>

namespace lv2 {

EffectBase* createEngine() { return new (std::nothrow) ShaperEffect(nullptr); }

std::vector<unsigned char> saveState(EffectBase& engine)
{
    return vorlane::encodeChunk(static_cast<ShaperEffect&>(engine).state());
}

bool restoreState(EffectBase& engine, const void* data, std::size_t size)
{
    vorlane::ShaperState state;
    if (!vorlane::decodeChunk(data, size, state))
        return false;
    static_cast<ShaperEffect&>(engine).setState(state);
    return true;
}

}  // namespace lv2
