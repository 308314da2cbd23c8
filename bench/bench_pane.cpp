// The traffic pane: appending coloured lines as the output stage does, the trim of its first 50000
// characters, and the find's search of a full pane.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "common/colour.h"
#include "views/pane.h"
#include "views/pane_find.h"

namespace dx::bench {
namespace {

const Colour kColours[] = {colours::kBlack, colours::kMagenta, colours::kBlue, colours::kRed};

// The lines the output stage writes: a line break, the indent or a call prefix, the text.
std::vector<std::string> MakeLines() {
    std::vector<std::string> out;
    for (int i = 0; i < 64; ++i) {
        std::string line = i % 3 ? "\r\n            " : "\r\n[K1ABC    ] ";
        line += "DX de K1ABC:  14025.0  JA1ZZZ  cq " + std::to_string(i * 37);
        out.push_back(line);
    }
    return out;
}

// A pane holding about `size` characters of coloured lines.
Pane FilledPane(std::size_t size) {
    const std::vector<std::string> lines = MakeLines();
    Pane p("Connected\r\n");
    for (std::size_t i = 0; p.size() < size; ++i) p.append(lines[i % lines.size()], kColours[i % 4]);
    p.takeEdits();
    return p;
}

// Steady state of a busy pane: lines appended, the oldest 50000 characters trimmed whenever it
// passes 100000, the window taking the journal every 50 lines.
void BM_PaneAppendLinesSteady(benchmark::State& state) {
    const std::vector<std::string> lines = MakeLines();
    Pane p = FilledPane(75000);
    std::size_t i = 0;
    for (auto _ : state) {
        if (p.size() > 100000) p.deleteFront(50000);
        p.append(lines[i % lines.size()], kColours[i % 4]);
        if (++i % 50 == 0) benchmark::DoNotOptimize(p.takeEdits());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));  // lines per second
}
BENCHMARK(BM_PaneAppendLinesSteady);

// One line appended to a pane already holding `fill` characters: the cost of an append should
// not depend on how much the pane holds.
void BM_PaneAppendLineAtFill(benchmark::State& state) {
    const std::vector<std::string> lines = MakeLines();
    const std::size_t fill = static_cast<std::size_t>(state.range(0));
    const Pane start = FilledPane(fill);
    Pane p = start;
    std::size_t i = 0;
    for (auto _ : state) {
        p.append(lines[i % lines.size()], kColours[i % 4]);
        if (++i % 256 == 0) {
            state.PauseTiming();
            p = start;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_PaneAppendLineAtFill)->Arg(1000)->Arg(100000)->Arg(1000000);

// The trim at the start of an arrival: the first 50000 characters of a pane just over 100000.
void BM_PaneDeleteFront50000(benchmark::State& state) {
    const Pane full = FilledPane(100001);
    for (auto _ : state) {
        state.PauseTiming();
        Pane p = full;
        state.ResumeTiming();
        p.deleteFront(50000);
        benchmark::DoNotOptimize(p.size());
        state.PauseTiming();
        { Pane gone = std::move(p); }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PaneDeleteFront50000)->Unit(benchmark::kMicrosecond);

// The find's literal search of a full pane (100 000 characters), any case, for a call found in
// one line of 64 and for text found nowhere: the core's share of a new search.
void BM_PaneFindFullPane(benchmark::State& state) {
    struct NoRegularExpressions : RegexEngine {
        std::unique_ptr<TextSearch> compile(std::string_view, bool) const override { return nullptr; }
    } noRegex;
    Pane p = FilledPane(Pane::kLimit);
    PaneFind find(p, noRegex);
    find.open();
    const bool found = state.range(0) != 0;
    bool first = true;
    for (auto _ : state) {
        find.setText(found ? (first ? "cq 37" : "CQ 74") : (first ? "G4XYZ" : "g4xyz"));
        first = !first;
        benchmark::DoNotOptimize(find.matches().size());
    }
    state.counters["matches"] = static_cast<double>(find.matches().size());
}
BENCHMARK(BM_PaneFindFullPane)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace dx::bench
