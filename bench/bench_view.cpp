// The real traffic pane: coloured lines appended through the pane's journal into the rich-text
// view, one edit block per arrival, and the trim of a full pane; the find in a full pane, and the
// pane taking lines while the find bar is open. Runs offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "pane_view.h"
#include "qt_regex.h"
#include "views/pane.h"
#include "views/pane_find.h"

namespace dx::bench {
namespace {

void BM_RealPaneColouredLines(benchmark::State& state) {
    const int linesPerArrival = static_cast<int>(state.range(0));
    ui::PaneView view;
    view.resize(800, 500);
    view.show();
    Pane pane("Connected\r\n");
    view.sync(pane);
    const Colour colours[] = {rgb(0xFF00FF), rgb(0x0000FF), rgb(0xFF0000), rgb(0x000000)};
    std::size_t lines = 0;
    int n = 0;
    for (auto _ : state) {
        for (int i = 0; i < linesPerArrival; ++i, ++n)
            pane.append("\r\n            KeepAlive 0900Z 33 users V1.93 line " + std::to_string(n) +
                            (n % 4 == 0 ? " G4ABC" : ""),
                        colours[n % 4]);
        if (pane.size() > 100000) pane.deleteFront(pane.size() - 50000);
        view.sync(pane);
        QCoreApplication::processEvents();
        lines += static_cast<std::size_t>(linesPerArrival);
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RealPaneColouredLines)->Arg(1)->Arg(40)->Unit(benchmark::kMicrosecond);

void BM_RealPaneTrimOfFiftyThousand(benchmark::State& state) {
    ui::PaneView view;
    view.resize(800, 500);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        Pane pane;
        std::string text;
        for (int i = 0; text.size() < 100500; ++i)
            text += "\r\n            a line of traffic number " + std::to_string(i);
        pane.append(text, rgb(0xFF0000));
        view.sync(pane);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        pane.deleteFront(50000);
        view.sync(pane);
    }
}
BENCHMARK(BM_RealPaneTrimOfFiftyThousand)->Unit(benchmark::kMillisecond);

// A full pane (100 000 characters) of the node's traffic lines, as the output stage writes them.
void FillPane(Pane& pane) {
    const Colour colours[] = {rgb(0xFF00FF), rgb(0x0000FF), rgb(0xFF0000), rgb(0x000000)};
    for (int n = 0; pane.size() < Pane::kLimit - 100; ++n)
        pane.append(n % 4 == 0 ? "\r\n[G4ABC-2  ] DX de G4ABC:  14025.0  JA1ZZZ  cq " + std::to_string(n)
                               : "\r\n            KeepAlive 0900Z 33 users V1.93 line " + std::to_string(n),
                    colours[n % 4]);
}

// A new search of a full pane, from the text typed to the matches marked in view and the newest
// shown: the find's two texts, taken in turn, each find every match anew.
void BM_FindInFullPane(benchmark::State& state) {
    struct Search {
        const char* first;
        const char* second;
        bool regularExpression;
        bool matchCase;
    };
    static const Search kSearches[] = {
        {"ja1zzz", "g4abc", false, false},  // a quarter of the lines, any case
        {"users", "0900Z", false, true},    // every line but a quarter
        {"JA1[A-Z]+", "G4[A-Z]+-[0-9]", true, true},
        {"line 12345", "line 54321", false, false},  // nowhere
    };
    const Search& search = kSearches[state.range(0)];
    ui::QtRegexEngine regex;
    ui::PaneView view;
    view.resize(800, 500);
    view.show();
    Pane pane("Connected\r\n");
    PaneFind find(pane, regex);
    view.showFind(&find);
    FillPane(pane);
    view.sync(pane);
    find.setRegularExpression(search.regularExpression);
    find.setMatchCase(search.matchCase);
    find.open();
    QCoreApplication::processEvents();
    bool first = true;
    std::size_t matches = 0;
    for (auto _ : state) {
        find.setText(first ? search.first : search.second);
        first = !first;
        view.sync(pane);
        QCoreApplication::processEvents();
        matches += find.matches().size();
    }
    state.counters["matches"] = static_cast<double>(matches) / static_cast<double>(state.iterations());
    state.counters["chars"] = static_cast<double>(pane.size());
}
BENCHMARK(BM_FindInFullPane)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The pane taking lines, 40 to an arrival, while the find bar is open on a call found in a quarter
// of them: every arrival's new lines searched, the pane held where the operator reads and the
// matches in view marked, the oldest text trimmed as the output stage does.
void BM_RealPaneLinesWhileFinding(benchmark::State& state) {
    const bool regularExpression = state.range(0) != 0;
    ui::QtRegexEngine regex;
    ui::PaneView view;
    view.resize(800, 500);
    view.show();
    Pane pane("Connected\r\n");
    PaneFind find(pane, regex);
    view.showFind(&find);
    FillPane(pane);
    find.setRegularExpression(regularExpression);
    find.setText(regularExpression ? "V1\\.9[0-9] line [0-9]+ G4[A-Z]+$" : "g4abc");
    find.open();
    view.sync(pane);
    for (int i = 0; i < 3; ++i) find.previous();  // the operator reads an older match
    view.sync(pane);
    QCoreApplication::processEvents();
    const Colour colours[] = {rgb(0xFF00FF), rgb(0x0000FF), rgb(0xFF0000), rgb(0x000000)};
    std::size_t lines = 0;
    int n = 0;
    for (auto _ : state) {
        for (int i = 0; i < 40; ++i, ++n)
            pane.append("\r\n            KeepAlive 0900Z 33 users V1.93 line " + std::to_string(n) +
                            (n % 4 == 0 ? " G4ABC" : ""),
                        colours[n % 4]);
        pane.trim();
        find.follow();
        view.sync(pane);
        QCoreApplication::processEvents();
        lines += 40;
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
    state.counters["matches"] = static_cast<double>(find.matches().size());
}
BENCHMARK(BM_RealPaneLinesWhileFinding)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace dx::bench

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
