// The whole core on a node's mixed stream: cutting, dispatch, socket records, traffic lines,
// recognition, counters and the pane model, for 2000 and 30000 sockets; and the memory the core
// holds with 30000 sockets and a full pane.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "connected_core.h"
#include "history/history_recorder.h"

namespace dx::bench {
namespace {

std::string fullRecord(int s, int ipColour) {
    return "^ZQ66^" + std::to_string(s) + "^0^10." + std::to_string(s / 250) + "." + std::to_string(s % 250) +
           ".1^" + std::to_string(ipColour) + "^" + std::to_string(40000 + s % 20000) + "^255^CALL" +
           std::to_string(s) + "^65280^x^host" + std::to_string(s) + ".example";
}

// The node's opening (port strip and every socket's record), then `batches` batches of a mixed
// stream as a busy node sends them, each ended with EOT.
std::vector<std::string> nodeStream(int sockets, int batches, std::size_t* sentences) {
    std::mt19937 rng(42);
    std::vector<std::string> out;
    std::string opening = "^ZQ81^1^65280^23^ZQ81^2^65280^7300^ZQ81^3^65280^8000^ZQ81^4^16776960^7373";
    for (int s = 5; s < 5 + sockets; ++s) opening += fullRecord(s, 65535);
    out.push_back(opening + "\x04");
    *sentences = 4 + static_cast<std::size_t>(sockets);
    const char* lines[] = {"ZQ11^K1ABC^0900^4^DX? 14",
                           "DX de W1AW:     14025.0  K1ABC        cq   0900Z",
                           "PC92^DB0NOD-7^32402.01^A^^5EA1NN^H99^",
                           "K1ABC de GB7RDX 08-Dec-2026 0900Z ZQC >",
                           "KeepAlive 0900Z 3 V1.93",
                           "sh/dx 5",
                           "echo #1 0900Z",
                           "Hello there"};
    for (int b = 0; b < batches; ++b) {
        std::string batch;
        for (int i = 0; i < 40; ++i) {
            const int s = 5 + static_cast<int>(rng() % static_cast<unsigned>(sockets));
            switch (rng() % 10) {
                case 0:
                case 1:
                case 2:
                case 3:
                    batch += "^ZQ70^" + std::to_string(s) + "^" + lines[rng() % 8];
                    break;
                case 4:
                    batch += "^ZQ66^" + std::to_string(s) + "^3^" + (rng() % 2 ? "16777215" : "65535");
                    break;
                case 5:
                    batch += "^ZQ66^" + std::to_string(s) + "^7^" + (rng() % 2 ? "65280" : "13619199");
                    break;
                case 6:
                    batch += fullRecord(s, 16777215);
                    break;
                case 7:
                    batch += "^ZQ61^[0900Z] Socket " + std::to_string(s) + " login CALL" + std::to_string(s);
                    break;
                case 8:
                    batch += "^ZQ63^KeepAlive 0900Z 33 users V1.93";
                    break;
                default:
                    batch += "^ZQ65^0.435^GB7NOD";
                    break;
            }
            ++*sentences;
        }
        out.push_back(batch + "\x04");
    }
    return out;
}

// Hears every arrival and departure, as the history and the alerts will.
struct CountingObserver : SocketObserver {
    std::size_t heard = 0;
    void userArrived(const UserArrived&, PaneNotes&) override { ++heard; }
    void userChanged(const UserChanged&, PaneNotes&) override { ++heard; }
    void userLeft(const UserLeft&, PaneNotes&) override { ++heard; }
};

// Takes the history's rows as its store does: moved into a queue under a lock, for a writer
// thread that is not there.
struct QueueingSink : HistorySink {
    std::mutex mutex;
    std::vector<std::vector<HistoryRow>> queued;
    void write(std::vector<HistoryRow> rows) override {
        const std::lock_guard lock(mutex);
        queued.push_back(std::move(rows));
    }
};

// 100 patterns for the watch list, as an operator might keep: exact calls, prefixes and suffixes,
// three of them calls of the stream's users.
std::vector<std::string> hundredPatterns() {
    std::vector<std::string> out{"CALL7", "CALL77", "CALL777"};
    for (int i = 0; out.size() < 100; ++i) {
        out.push_back("G" + std::to_string(i) + "ABC");
        out.push_back("DL" + std::to_string(i) + "*");
        out.push_back("*/P" + std::to_string(i));
    }
    out.resize(100);
    return out;
}

// The second argument: what listens to the users' comings and goings: 0 nothing, 1 an observer
// that counts them, 2 the history's recorder, 3 the watch list with 100 patterns; 4 nothing, but
// the tray icon's view brought up to date after each arrival, 5 the same with its tool tip made
// at every change.
void BM_WholeCoreMixedStream(benchmark::State& state) {
    const int sockets = static_cast<int>(state.range(0));
    const bool observed = state.range(1) == 1;
    const bool recorded = state.range(1) == 2;
    const bool watched = state.range(1) == 3;
    // The tray icon's view brought up to date after every arrival, as the desktop's sync does; with
    // 5 its tool tip made at every change too (the desktop makes it at most once a second).
    const bool tray = state.range(1) >= 4;
    const bool tips = state.range(1) == 5;
    std::uint64_t trayChanges = 0;
    std::size_t tipBytes = 0;
    CountingObserver observer;
    QueueingSink sink;
    std::size_t sentences = 0;
    const std::vector<std::string> stream = nodeStream(sockets, 2000, &sentences);
    std::size_t bytes = 0;
    for (const auto& b : stream) bytes += b.size();
    const std::size_t tickEvery =
        std::max<std::size_t>(1, 200 * stream.size() / std::max<std::size_t>(sentences, 1));
    for (auto _ : state) {
        state.PauseTiming();
        auto c = std::make_unique<ConnectedCore>();
        c->core.spotDelay.armed = true;
        if (observed) c->core.events.subscribe(observer);
        if (watched) {
            c->platform.alertSettingsFile = AlertSettings{hundredPatterns(), true};
            c->core.watchSettings.load();
        }
        std::optional<HistoryRecorder> recorder;
        if (recorded) {
            // As if listening since before the link came up.
            recorder.emplace(c->core.config, c->core.statistics, sink);
            c->core.events.subscribe(*recorder);
            PaneNotes notes;
            recorder->linkUp(LinkUp{c->platform.nowUtc()}, notes);
        }
        c->arrive("^ZQ99 start\x04");  // the buffer ends with EOT, so every batch is cut on arrival
        state.ResumeTiming();
        std::size_t arrivals = 0;
        for (const auto& b : stream) {
            c->arrive(b);
            if (tray) {
                const std::uint64_t before = c->core.tray.stamp();
                c->core.trayStatus.refresh();
                if (c->core.tray.stamp() != before) {
                    ++trayChanges;
                    if (tips) tipBytes += trayToolTip(c->core.tray).size();
                }
            }
            // The program's clock hands the rows over five times a second, every 200 sentences
            // or more at its pace (its 1 ms pause per sentence): here as often.
            if (recorder && ++arrivals % tickEvery == 0) recorder->clockTick(c->platform.nowUtc());
        }
        if (recorder) recorder->clockTick(c->platform.nowUtc());
        benchmark::DoNotOptimize(c->core.monitor.pane.size());
        benchmark::DoNotOptimize(observer.heard);
        state.PauseTiming();
        if (recorder) c->core.events.unsubscribe(*recorder);
        c.reset();
        sink.queued = {};
        state.ResumeTiming();
    }
    state.counters["sentences/s"] =
        benchmark::Counter(static_cast<double>(sentences * state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
    if (tray) {
        benchmark::DoNotOptimize(tipBytes);
        state.counters["arrivals"] = static_cast<double>(stream.size());
        state.counters["tray_changes"] =
            static_cast<double>(trayChanges) / static_cast<double>(state.iterations());
    }
}
BENCHMARK(BM_WholeCoreMixedStream)
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Args({2000, 2})
    ->Args({2000, 3})
    ->Args({2000, 4})
    ->Args({2000, 5})
    ->Args({30000, 0})
    ->Args({30000, 1})
    ->Args({30000, 2})
    ->Args({30000, 3})
    ->Args({30000, 4})
    ->Args({30000, 5})
    ->Unit(benchmark::kMillisecond);

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Memory held with 30000 sockets in the grid and the pane at its limit.
void BM_MemoryWith30000SocketsAndAFullPane(benchmark::State& state) {
    for (auto _ : state) {
        const long before = residentKb();
        ConnectedCore c;
        c.arrive("^ZQ99 start\x04");
        std::string opening = "^ZQ81^1^65280^23";
        for (int s = 2; s < 30002; ++s) opening += fullRecord(s, 16777215);
        c.arrive(opening + "\x04");
        for (int i = 0; i < 3000; ++i)
            c.arrive("^ZQ61^a line of the node's own messages " + std::to_string(i) + "\x04");
        state.counters["rows"] = c.core.grid.highestIndex();
        state.counters["pane_chars"] = static_cast<double>(c.core.monitor.pane.size());
        state.counters["core_rss_MB"] = static_cast<double>(residentKb() - before) / 1024.0;
        state.counters["process_rss_MB"] = static_cast<double>(residentKb()) / 1024.0;
    }
}
BENCHMARK(BM_MemoryWith30000SocketsAndAFullPane)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dx::bench

namespace dx::bench {
namespace {

// Cutting alone: long sentences that nothing shows ("Out" unticked), so what is measured is the
// search for heads and the cut, over 1 to 64 MiB.
void BM_CuttingOnly(benchmark::State& state) {
    const std::size_t mib = static_cast<std::size_t>(state.range(0));
    std::string sentence = "^ZQ99";
    while (sentence.size() < 4096) sentence += " the node's text without any head in it ";
    std::vector<std::string> arrivals;
    std::string chunk;
    std::size_t sentences = 0;
    for (std::size_t total = 0; total < mib << 20; total += sentence.size(), ++sentences) {
        chunk += sentence;
        if (chunk.size() >= (1u << 20)) arrivals.push_back(std::exchange(chunk, std::string()) + "\x04");
    }
    arrivals.push_back(chunk + "^ZQ99 end\x04");
    std::size_t bytes = 0;
    for (const auto& a : arrivals) bytes += a.size();
    for (auto _ : state) {
        state.PauseTiming();
        auto c = std::make_unique<ConnectedCore>();
        c->core.monitor.showOut.setChecked(false);
        c->arrive("^ZQ99 start\x04");
        state.ResumeTiming();
        for (const auto& a : arrivals) c->arrive(a);
        benchmark::DoNotOptimize(c->core.stream.receiveBuffer().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
    state.counters["sentences/s"] =
        benchmark::Counter(static_cast<double>(sentences * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CuttingOnly)->Arg(1)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dx::bench

namespace dx::bench {
namespace {

// Socket records alone (full and single-field, with the counters they run) into a grid of 2000 or
// 30000 rows: the cost of one record must not grow with the rows.
void BM_RecordStream(benchmark::State& state) {
    const int sockets = static_cast<int>(state.range(0));
    ConnectedCore c;
    c.arrive("^ZQ99 start\x04");
    std::string opening = "^ZQ81^1^65280^23";
    for (int s = 2; s < 2 + sockets; ++s) opening += fullRecord(s, 65535);
    c.arrive(opening + "\x04");
    c.core.trafficRows.lastGridRow = static_cast<std::int16_t>(c.core.grid.highestIndex());
    std::mt19937 rng(7);
    std::vector<std::string> records;
    for (int i = 0; i < 4096; ++i) {
        const int s = 2 + static_cast<int>(rng() % static_cast<unsigned>(sockets));
        switch (i % 4) {
            case 0:
                records.push_back(fullRecord(s, 16777215));
                break;
            case 1:
                records.push_back("^ZQ66^" + std::to_string(s) + "^3^" + (i % 8 ? "16777215" : "65535"));
                break;
            case 2:
                records.push_back("^ZQ66^" + std::to_string(s) + "^6^CALL" + std::to_string(i));
                break;
            default:
                records.push_back("^ZQ66^" + std::to_string(s) + "^7^" + (i % 8 ? "65280" : "13619199"));
                break;
        }
    }
    std::size_t i = 0;
    for (auto _ : state) c.core.table.onSocketRecord(wire::parseSocketRecord(records[i++ % records.size()]));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_RecordStream)->Arg(2000)->Arg(30000);

// Traffic lines of 2000 watched sockets through the traffic handler and recognition into texts.
void BM_TrafficLines(benchmark::State& state) {
    ConnectedCore c;
    c.arrive("^ZQ99 start\x04");
    std::string opening = "^ZQ81^1^65280^23";
    for (int s = 2; s < 2002; ++s) opening += fullRecord(s, 16777215);
    c.arrive(opening + "\x04");
    const char* lines[] = {"hello there", "sh/dx 5", "DX de W1AW:     14025.0  K1ABC        cq   0900Z",
                           "To ALL de K1ABC: good morning"};
    std::vector<std::string> sentences;
    for (int i = 0; i < 4096; ++i)
        sentences.push_back("^ZQ70^" + std::to_string(2 + i % 2000) + "^" + lines[i % 4]);
    std::size_t i = 0;
    for (auto _ : state) {
        const wire::Outcome shown =
            c.core.traffic.onTrafficLine(wire::parseTrafficLine(sentences[i++ % sentences.size()]));
        benchmark::DoNotOptimize(shown.text().data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_TrafficLines);

}  // namespace
}  // namespace dx::bench
