// The real traffic pane: coloured lines appended through the pane's journal into the rich-text
// view, one edit block per arrival, and the trim of a full pane. Runs offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "pane_view.h"
#include "views/pane.h"

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
            pane.append("\r\n            KeepAlive 0900Z 33 users V1.93 line " + std::to_string(n),
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
