// Cost of a full draw of a 568 x 290 editor (background, ten transparent pictures, one line
// of text) and of an idle pass with nothing changed, against copying the surface's bytes once.
// The counters give the ratios: vs_copy for the full draw (target at most 3), ns_per_widget
// for the idle pass (target under 1000).
#include "RedrawBench.h"
#include "TestPanel.h"
#include "TestWidgets.h"
#include "gui/DrawPort.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include "EffectBaseExt.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class BenchEffect : public EffectBaseExt {
public:
    BenchEffect() : EffectBaseExt(nullptr, 1, 2) {}
    void process(float**, float**, VstInt32) override {}
};

// An open editor on the headless platform with the benchmark's widgets.
struct Scene {
    gui::HeadlessPlatform platform;
    BenchEffect effect;
    TestPanel* panel;
    gui::RootView* view;
    gui::Picture* background;
    gui::Picture* frames;

    Scene() {
        gui::Platform::install(&platform);
        panel = new TestPanel(&effect); // owned by the effect
        gui::NativeWindow host = platform.createHostWindow(0, gui::Rect(0, 0, 568, 290));
        view = new gui::RootView(gui::Rect(0, 0, 568, 290), reinterpret_cast<void*>(host), panel);
        background = new gui::Picture(TestPanel::backgroundId);
        frames = new gui::Picture(TestPanel::toggleId);
        view->setBackground(background);
        for (int i = 0; i < 10; ++i) {
            view->addWidget(new ToggleWidget(gui::Rect(20 + 52 * i, 120, 52 + 52 * i, 152), panel, 0, frames));
        }
        view->addWidget(new ReadoutWidget(gui::Rect(20, 200, 300, 220), "Level"));
        platform.dispatchPendingEvents(); // first paint
    }
    ~Scene() {
        delete view;
        background->release();
        frames->release();
        gui::Platform::install(nullptr);
    }
    gui::Surface& surface() { return *platform.surfaceOf(view->getWindow()); }
};

void BM_CopySurface(benchmark::State& state) {
    Scene scene;
    gui::Surface& s = scene.surface();
    std::vector<gui::Pixel> target(std::size_t(s.width()) * std::size_t(s.height()));
    for (auto _ : state) {
        std::memcpy(target.data(), s.row(0), target.size() * sizeof(gui::Pixel));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(target.size() * sizeof(gui::Pixel)));
}
BENCHMARK(BM_CopySurface);

void BM_FullDraw(benchmark::State& state) {
    Scene scene;
    bench::redrawAgainstCopy(state, *scene.view, scene.surface());
}
BENCHMARK(BM_FullDraw);

void BM_IdlePass(benchmark::State& state) {
    Scene scene;
    const int widgets = scene.view->widgetCount();
    const auto t0 = Clock::now();
    for (auto _ : state) scene.view->idle();
    const auto elapsed = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
    state.counters["ns_per_widget"] = elapsed / double(state.iterations()) / widgets;
}
BENCHMARK(BM_IdlePass);

} // namespace

BENCHMARK_MAIN();
