// Ombrisk's editor: a full redraw against one copy of a surface its size (counter vs_copy,
// target at most 3), an idle pass with nothing changed (ns_per_widget, target under 1000),
// and one pass of a fader's tracking loop on a real X server (us_per_pass, reported).
#include "DelayPanel.h"
#include "DelayPlugin.h"
#include "RedrawBench.h"
#include "XvfbServer.h"
#include "gui/DrawPort.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"
#include "gui/widgets/Fader.h"

#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

using bench::threadTime;

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The editor open on the headless platform, first paint done.
struct HeadlessEditor {
    gui::HeadlessPlatform platform;
    DelayPlugin plugin{host};
    DelayPanel* panel = static_cast<DelayPanel*>(plugin.getEditor());

    HeadlessEditor()
    {
        gui::Platform::install(&platform);
        const gui::NativeWindow window = platform.createHostWindow(0, gui::Rect(0, 0, 240, 160));
        panel->open(reinterpret_cast<void*>(window));
        panel->idle();
    }
    ~HeadlessEditor()
    {
        panel->close();
        gui::Platform::install(nullptr);
    }
    gui::RootView& view() { return *panel->getRootView(); }
    gui::Surface& surface() { return *platform.surfaceOf(view().getWindow()); }
};

void BM_DelayEditorFullDraw(benchmark::State& state)
{
    HeadlessEditor editor;
    bench::redrawAgainstCopy(state, editor.view(), editor.surface());
}
BENCHMARK(BM_DelayEditorFullDraw);

void BM_DelayEditorIdle(benchmark::State& state)
{
    HeadlessEditor editor;
    const int widgets = editor.view().widgetCount();
    const auto t0 = threadTime();
    for (auto _ : state)
        editor.panel->idle();
    const auto elapsed = double(threadTime() - t0);
    state.counters["ns_per_widget"] = elapsed / double(state.iterations()) / widgets;
}
BENCHMARK(BM_DelayEditorIdle);

// What a fader's tracking loop does each pass on a real display: poll the pointer, move the
// fader and draw it through its offscreen port, show it.
void BM_DelayEditorTrackingPassX11(benchmark::State& state)
{
    XvfbServer server;
    Display* display = server.running() ? XOpenDisplay(server.display().c_str()) : nullptr;
    if (!display) {
        state.SkipWithError("no X server");
        return;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 240, 160, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    {
        DelayPlugin plugin(host);
        auto* panel = static_cast<DelayPanel*>(plugin.getEditor());
        panel->open(reinterpret_cast<void*>(window));
        panel->idle();
        gui::RootView& view = *panel->getRootView();
        auto* fader = dynamic_cast<gui::Fader*>(view.widgetAt(3)); // feedback
        float value = 0.0f;
        const auto t0 = Clock::now();
        for (auto _ : state) {
            view.withWindowPort([&](gui::DrawPort& port) {
                gui::Point where;
                benchmark::DoNotOptimize(port.mouseButtons());
                port.mousePosition(where);
                value = value >= 1.0f ? 0.0f : value + 1.0f / 72.0f;
                fader->setValue(value);
                fader->draw(port);
            });
        }
        XSync(display, False);
        const auto elapsed = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        state.counters["us_per_pass"] = elapsed / double(state.iterations());
        panel->close();
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}
BENCHMARK(BM_DelayEditorTrackingPassX11)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
