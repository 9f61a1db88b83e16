// Vorlane's editor: the cost of one mouse move while a point of a 50-point curve is dragged
// (the point moved, the curve view rendered, the shaper table rebuilt; target under 2 ms, the
// counters split it in this thread's processor time), beside the table rebuild alone; and a
// full redraw of the editor against one copy of its surface (counter vs_copy, target at most 3).
#include "CurveView.h"
#include "RedrawBench.h"
#include "ShaperPanel.h"
#include "ShaperParameters.h"
#include "ShaperPlugin.h"
#include "gui/DrawPort.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Vorlane with its editor open on the headless platform and a 50-point curve.
struct Scene {
    gui::HeadlessPlatform platform;
    ShaperPlugin effect{host};
    ShaperPanel* panel;

    Scene()
    {
        gui::Platform::install(&platform);
        std::mt19937 rng(5);
        std::uniform_real_distribution<float> d(0.0f, 1.0f);
        std::vector<CurvePoint> points(50);
        for (size_t i = 0; i < points.size(); ++i)
            points[i] = {float(i) / 49.0f, d(rng)};
        effect.getCurve().setPoints(points.data(), 50);
        effect.setParameter(vorlane::shaper, 0.0f);
        panel = static_cast<ShaperPanel*>(effect.getEditor());
        const gui::NativeWindow window = platform.createHostWindow(0, gui::Rect(0, 0, 568, 290));
        panel->open(reinterpret_cast<void*>(window));
        panel->idle(); // the first paint
    }
    ~Scene()
    {
        panel->close();
        gui::Platform::install(nullptr);
    }
    gui::Surface& surface() { return *platform.surfaceOf(panel->getRootView()->getWindow()); }
};

// The table is rebuilt only for a changed curve: each iteration moves one point between two
// heights first, outside the time measured, so that every rebuild samples a new curve.
void TableRebuild50(benchmark::State& state)
{
    Scene scene;
    ShaperCurve& curve = scene.effect.getCurve();
    ShaperCurve::Shape shape = curve.shape();
    const float heights[] = {shape.points[25].y, 1.0f - shape.points[25].y};
    int move = 0;
    for (auto _ : state) {
        state.PauseTiming();
        shape.points[25].y = heights[move++ % 2];
        curve.setPoints(shape.points.data(), shape.count);
        state.ResumeTiming();
        scene.effect.rebuildShapeTable();
        benchmark::DoNotOptimize(scene.effect.getShapeTable());
    }
}

// What one pass of the curve view's tracking loop costs with the sound following the drag.
void DragMove50(benchmark::State& state)
{
    Scene scene;
    CurveView& view = *scene.panel->getCurveView();
    const ShaperCurve::Shape shape = scene.effect.getCurve().shape();
    const CurvePoint grabbed = shape.points[25];
    view.pickOrAddPoint(grabbed);
    gui::Surface& s = scene.surface();
    int move = 0;
    std::int64_t viewTime = 0;
    std::int64_t tableTime = 0;
    for (auto _ : state) {
        const auto t0 = bench::threadTime();
        view.dragSelected({grabbed.x, float(move++ % 100) / 100.0f});
        {
            gui::DrawPort port(scene.panel->getRootView(), &s, nullptr);
            view.draw(port);
        }
        const auto t1 = bench::threadTime();
        scene.effect.setParameter(vorlane::shaper, 0.0f);
        benchmark::DoNotOptimize(scene.effect.getShapeTable());
        const auto t2 = bench::threadTime();
        viewTime += t1 - t0;
        tableTime += t2 - t1;
    }
    view.releasePoint();
    const auto perMove = [&](std::int64_t nanoseconds) { return double(nanoseconds) / 1e6 / double(state.iterations()); };
    state.counters["view_ms"] = perMove(viewTime);
    state.counters["table_ms"] = perMove(tableTime);
}

void FullRedraw(benchmark::State& state)
{
    Scene scene;
    bench::redrawAgainstCopy(state, *scene.panel->getRootView(), scene.surface());
}

}  // namespace

BENCHMARK(TableRebuild50)->Unit(benchmark::kMillisecond);
BENCHMARK(DragMove50)->Unit(benchmark::kMillisecond);
BENCHMARK(FullRedraw);

BENCHMARK_MAIN();
