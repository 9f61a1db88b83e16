#pragma once
// What the editor benchmarks share: this thread's processor time (fair on a machine shared
// with other work) and a full redraw of a view timed against one copy of its surface.
#include "gui/DrawPort.h"
#include "gui/RootView.h"
#include "gui/Surface.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

namespace bench {

// This thread's processor time in nanoseconds.
inline std::int64_t threadTime() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Each iteration draws the whole view into its surface, then copies the surface once; the
// counter vs_copy is the drawing's time over the copy's.
inline void redrawAgainstCopy(benchmark::State& state, gui::RootView& view, gui::Surface& surface) {
    std::vector<gui::Pixel> target(std::size_t(surface.width()) * std::size_t(surface.height()));
    std::int64_t drawing = 0;
    std::int64_t copying = 0;
    for (auto _ : state) {
        const auto t0 = threadTime();
        {
            gui::DrawPort port(&view, &surface, nullptr);
            view.draw(port);
        }
        const auto t1 = threadTime();
        std::memcpy(target.data(), surface.row(0), target.size() * sizeof(gui::Pixel));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        const auto t2 = threadTime();
        drawing += t1 - t0;
        copying += t2 - t1;
    }
    state.counters["vs_copy"] = double(drawing) / double(copying ? copying : 1);
}

} // namespace bench
