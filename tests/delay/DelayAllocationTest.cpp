#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "DelayEffect.h"
#include "DelayParameters.h"
#include "Module.h"

namespace {
bool failLargeAllocations = false;
}

// Refuses the delay line's allocation while the test asks for it.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (failLargeAllocations && size >= 100000)
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

TEST(DelayAllocationTest, FailedBufferMarksConstructionAndStaysSafe)
{
    failLargeAllocations = true;
    DelayEffect effect(nullptr);
    failLargeAllocations = false;
    EXPECT_TRUE(effect.constructionFailed());

    // main destroys such an object at once, but nothing in it may crash meanwhile.
    float sample = 0.0f;
    float* channels[] = {&sample, &sample};
    effect.processReplacing(channels, channels, 1);
    effect.process(channels, channels, 1);
    effect.setParameter(ombrisk::tempo, 0.5f);
    effect.setProgram(1);
    effect.suspend();
    EXPECT_EQ(effect.getVu(), 0.0f);

    DelayEffect next(nullptr);
    EXPECT_FALSE(next.constructionFailed()) << "the failure was that instance's own";
}

} // namespace
