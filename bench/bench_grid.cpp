// The connections grid: creating rows one by one (each runs the layout pass) and one full pass
// over a large grid.
#include <benchmark/benchmark.h>

#include <memory>

#include "connected_core.h"

namespace dx::bench {
namespace {

// Rows 1..n created in order, as the socket table does for a node that reports n sockets. The
// time per row (time_per_row) should be the same for 2000 and 30000 rows.
void BM_GridCreateRows(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<ConnectedCore>();
        rig->core.ports.portCount = 4;
        state.ResumeTiming();
        for (std::int32_t i = 1; i <= n; ++i) rig->core.grid.createRow(i);
        benchmark::DoNotOptimize(rig->core.connects.rows.back().call.top());
        state.PauseTiming();
        rig.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
    state.counters["time_per_row"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GridCreateRows)->Arg(2000)->Arg(30000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One layout pass over every row of a 30000-row grid, forced by a change of the window height
// (the wrap test changes, so every row is placed anew).
void BM_GridFullLayOut(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    ConnectedCore rig;
    rig.core.ports.portCount = 4;
    for (std::int32_t i = 1; i <= n; ++i) rig.core.grid.createRow(i);
    Twips height = rig.core.connects.window.height();
    for (auto _ : state) {
        height = height == 7280 ? 7580 : 7280;
        rig.core.connects.window.setHeight(height);
        rig.core.grid.layOut();
        benchmark::DoNotOptimize(rig.core.connects.rows.back().call.top());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
    state.counters["time_per_row"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GridFullLayOut)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dx::bench
