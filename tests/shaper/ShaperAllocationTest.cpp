// What the audio thread does in Vorlane allocates nothing: blocks processed while the host
// sets every parameter from that thread, parameter 0 included, which hosts send when they
// replay the automation the editor recorded for a drawn curve. A process of its own, since it
// counts the whole program's allocations.
#include "ShaperEffect.h"
#include "ShaperParameters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) noexcept
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
} // namespace

void* operator new(std::size_t size)
{
    if (void* memory = allocate(size))
        return memory;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

// The replacements pair malloc with free; the compiler sees only operator new and free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

TEST(ShaperAllocation, AudioThreadParameterChangesAndBlocksAllocateNothing)
{
    ShaperEffect effect(nullptr);
    const CurvePoint drawn[] = {{0, 1}, {0.3f, 0.2f}, {0.6f, 0.5f}, {1, 0}};
    effect.getCurve().setPoints(drawn, 4);
    effect.setParameter(vorlane::shaper, 0.0f); // the editor's own call after the drawing: builds the table
    std::vector<float> left(256, 0.25f), right(256, -0.25f);
    float* channels[] = {left.data(), right.data()};
    effect.processReplacing(channels, channels, 256);
    const std::vector<float> table(effect.getShapeTable(), effect.getShapeTable() + ShaperEffect::shapeTableSize);

    counting = true;
    for (int block = 0; block < 50; ++block) {
        for (VstInt32 index = 0; index < ShaperEffect::numParameters; ++index)
            effect.setParameter(index, float((block + index) % 5) / 4.0f);
        effect.processReplacing(channels, channels, 256);
        effect.process(channels, channels, 256);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    // Still the drawn curve's table.
    EXPECT_EQ(std::vector<float>(effect.getShapeTable(), effect.getShapeTable() + ShaperEffect::shapeTableSize),
              table);
}

// The same parameter after the points changed still rebuilds: the sound follows the drawing.
TEST(ShaperAllocation, CurveParameterAfterAChangeStillRebuilds)
{
    ShaperEffect effect(nullptr);
    std::vector<float> left(64, 0.5f), right(64, 0.5f);
    float* channels[] = {left.data(), right.data()};
    effect.processReplacing(channels, channels, 64);
    const float before = effect.getShapeTable()[512];
    const CurvePoint drawn[] = {{0, 1}, {0.5f, 0.9f}, {1, 0.8f}};
    effect.getCurve().setPoints(drawn, 3);
    effect.setParameter(vorlane::shaper, 0.0f);
    effect.processReplacing(channels, channels, 64);
    EXPECT_NE(effect.getShapeTable()[512], before);
}

} // namespace
