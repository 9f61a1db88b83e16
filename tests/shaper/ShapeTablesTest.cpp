// The shaper table reaches the audio thread whole while the host and the editor rebuild it
// from a curve they change at the same time.
#include "ShapeTables.h"
#include "ShaperEffect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// The builder stamps every entry of each table with its number; the audio thread must only
// ever find tables whose entries agree, and never an older one than it already had.
TEST(ShapeTables, TheAudioThreadTakesWholeTablesNewestFirst)
{
    ShapeTables tables;
    constexpr int published = 3000;
    std::thread builder([&] {
        for (int n = 1; n <= published; ++n) {
            ShapeTable& t = tables.spare();
            std::fill(std::begin(t.values), std::end(t.values), float(n));
            std::fill(std::begin(t.slopes), std::end(t.slopes), float(n));
            tables.publish();
            EXPECT_EQ(tables.latest().values[0], float(n));
        }
    });
    int torn = 0, backwards = 0;
    float last = 0.0f;
    while (last < float(published)) {
        const ShapeTable& t = tables.current();
        const float n = t.values[0];
        for (int i = 0; i < ShapeTable::size; ++i) {
            if (t.values[i] != n || t.slopes[i] != n) {
                ++torn;
                break;
            }
        }
        if (n < last)
            ++backwards;
        last = n;
    }
    builder.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(backwards, 0);
}

struct Stereo {
    explicit Stereo(size_t frames) : left(frames), right(frames) {}
    float** channels()
    {
        pointers = {left.data(), right.data()};
        return pointers.data();
    }
    std::vector<float> left, right;
    std::array<float*, 2> pointers{};
};

Stereo ramp(size_t frames)
{
    Stereo s(frames);
    for (size_t i = 0; i < frames; ++i) {
        s.left[i] = -1.0f + 2.0f * float(i) / float(frames);
        s.right[i] = 1.0f - 2.0f * float(i) / float(frames);
    }
    return s;
}

// A host thread loads curves (points replaced, table rebuilt) while the editor thread moves a
// point and sets parameter 0 and the audio thread processes. Afterwards the table is the one
// of the last curve, not a mix, and the audio thread plays it: its output equals that of a
// fresh effect given the same curve.
TEST(ShaperEffectThreads, CurveChangesFromTwoThreadsEndInTheLastCurvesTable)
{
    ShaperEffect effect(nullptr);
    const CurvePoint loaded[2][5] = {{{0, 1}, {0.2f, 0.1f}, {0.5f, 0.6f}, {0.8f, 0.0f}, {1, 0.4f}},
                                     {{0, 1}, {0.1f, 0.9f}, {0.3f, 0.2f}, {0.7f, 0.5f}, {1, 0.0f}}};
    std::atomic<bool> done{false};
    std::thread audio([&] {
        Stereo in = ramp(256), out(256);
        while (!done)
            effect.processReplacing(in.channels(), out.channels(), 256);
    });
    std::thread editor([&] {
        for (int i = 0; i < 300; ++i) {
            effect.getCurve().edit().move(2, {0.5f, float(i % 10) / 10.0f});
            effect.setParameter(0, 0.0f);
        }
    });
    for (int i = 0; i < 300; ++i) {
        effect.getCurve().setPoints(loaded[i % 2], 5);
        effect.rebuildShapeTable();
    }
    editor.join();
    done = true;
    audio.join();

    ShaperEffect fresh(nullptr);
    const ShaperCurve::Shape last = effect.getCurve().shape();
    fresh.getCurve().setPoints(last.points.data(), last.count);
    fresh.setParameter(0, 0.0f);
    EXPECT_TRUE(std::equal(effect.getShapeTable(), effect.getShapeTable() + 1024, fresh.getShapeTable()));

    Stereo in = ramp(512), heard(512), expected(512);
    effect.suspend();
    effect.processReplacing(in.channels(), heard.channels(), 512);
    fresh.processReplacing(in.channels(), expected.channels(), 512);
    EXPECT_EQ(heard.left, expected.left);
    EXPECT_EQ(heard.right, expected.right);
}

}  // namespace
