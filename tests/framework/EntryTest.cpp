#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "AEffect.h"

namespace {

using MainProc = AEffect* (*)(audioMasterCallback);
using CountProc = int (*)();
using InstanceProc = void* (*)();

VstIntPtr versionAnswer = 2400;

VstIntPtr testHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? versionAnswer : 0;
}

// One test module, opened afresh for each test.
class EntryModule {
public:
    explicit EntryModule(const char* path) : library(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~EntryModule()
    {
        if (library)
            dlclose(library);
    }
    EntryModule(const EntryModule&) = delete;
    EntryModule& operator=(const EntryModule&) = delete;

    template <typename Proc>
    Proc symbol(const char* name)
    {
        return reinterpret_cast<Proc>(dlsym(library, name));
    }
    AEffect* callMain(VstIntPtr answer, bool withHost = true)
    {
        versionAnswer = answer;
        return symbol<MainProc>("VSTPluginMain")(withHost ? testHost : nullptr);
    }
    int constructed() { return symbol<CountProc>("entryTestConstructed")(); }
    int destroyed() { return symbol<CountProc>("entryTestDestroyed")(); }

    void* library;
};

TEST(EntryTest, MainBuildsTheEffectAndEffCloseDestroysIt)
{
    EntryModule module(ENTRY_TEST_OK);
    ASSERT_NE(module.library, nullptr) << dlerror();
    AEffect* effect = module.callMain(2);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, fourCharCode("VstP"));
    EXPECT_EQ(module.constructed(), 1);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(module.destroyed(), 1);
}

TEST(EntryTest, MainRefusesWithoutAVersionOrAHost)
{
    EntryModule module(ENTRY_TEST_OK);
    ASSERT_NE(module.library, nullptr) << dlerror();
    const int before = module.constructed();
    EXPECT_EQ(module.callMain(0), nullptr);
    EXPECT_EQ(module.callMain(2400, false), nullptr);
    EXPECT_EQ(module.constructed(), before);
}

TEST(EntryTest, ModuleInstanceIsTheLibraryBaseAddress)
{
    EntryModule module(ENTRY_TEST_OK);
    ASSERT_NE(module.library, nullptr) << dlerror();
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(module.symbol<MainProc>("main")), &info), 0);
    EXPECT_NE(info.dli_fbase, nullptr);
    EXPECT_EQ(module.symbol<InstanceProc>("entryTestModuleInstance")(), info.dli_fbase);
    EXPECT_EQ(module.symbol<MainProc>("main"), module.symbol<MainProc>("VSTPluginMain"));
}

// The module fails every other construction: a failure belongs to its own instance only, and
// the next one in the same process is built as usual.
TEST(EntryTest, FailedConstructionIsDestroyedAndTheNextOneSucceeds)
{
    EntryModule module(ENTRY_TEST_FAILING);
    ASSERT_NE(module.library, nullptr) << dlerror();
    ASSERT_EQ(module.constructed() % 2, 0);
    const int destroyedBefore = module.destroyed();
    EXPECT_EQ(module.callMain(2400), nullptr);
    EXPECT_EQ(module.destroyed(), destroyedBefore + 1);
    AEffect* effect = module.callMain(2400);
    ASSERT_NE(effect, nullptr) << "an earlier failure made this instance fail too";
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(module.destroyed(), destroyedBefore + 2);
}

TEST(EntryTest, ThrowingConstructorAnswersNull)
{
    EntryModule module(ENTRY_TEST_THROWING);
    ASSERT_NE(module.library, nullptr) << dlerror();
    EXPECT_EQ(module.callMain(2400), nullptr);
    EXPECT_EQ(module.destroyed(), 0);
}

} // namespace
