// A minimal plug-in around the real entry point, built three ways to exercise main: one that
// constructs normally, one whose constructor reports a failed allocation every other time, and one whose
// constructor throws. It exports counters so the tests can see what main did.
#include <new>
#include <stdexcept>

#include "EffectBaseExt.h"
#include "Module.h"

namespace {

int constructed = 0;
int destroyed = 0;

class EntryTestEffect : public EffectBaseExt {
public:
    explicit EntryTestEffect(audioMasterCallback callback) : EffectBaseExt(callback, 1, 1)
    {
        ++constructed;
        if (ENTRY_TEST_MODE == 1 && constructed % 2 == 1)
            markConstructionFailed();
        if (ENTRY_TEST_MODE == 2)
            throw std::runtime_error("constructor failure");
    }
    ~EntryTestEffect() override { ++destroyed; }
    void process(float**, float**, VstInt32) override {}
};

} // namespace

EffectBase* createEffectInstance(audioMasterCallback hostCallback)
{
    return new (std::nothrow) EntryTestEffect(hostCallback);
}

extern "C" __attribute__((visibility("default"))) int entryTestConstructed()
{
    return constructed;
}

extern "C" __attribute__((visibility("default"))) int entryTestDestroyed()
{
    return destroyed;
}

extern "C" __attribute__((visibility("default"))) void* entryTestModuleInstance()
{
    return moduleInstance;
}
