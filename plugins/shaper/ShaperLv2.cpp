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

std::size_t saveStateInto(EffectBase& engine, unsigned char* out, std::size_t capacity)
{
    const vorlane::ShaperState state = static_cast<ShaperEffect&>(engine).state();
    const auto size = static_cast<std::size_t>(vorlane::chunkSize(state.count));
    if (size > capacity)
        return 0;
    vorlane::encodeChunk(state, out);
    return size;
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
