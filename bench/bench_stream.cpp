// The receive path end to end: arrivals into the buffer, the cutting loop, dispatch by head and
// the output stage, over synthetic node streams of 1, 4 and 16 MiB. The cost per byte should not
// grow with the length of the stream: compare bytes_per_second across the three sizes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "connected_core.h"

namespace dx::bench {
namespace {

struct Stream {
    std::vector<std::string> arrivals;  // one batch of the node each, ending with EOT
    std::size_t bytes = 0;
    std::size_t sentences = 0;
};

// A node's output as it might look on a busy evening: text lines of every colour, traffic of
// watched sockets, socket records whole and by field, link times and high-water marks.
Stream MakeStream(std::size_t totalBytes) {
    std::mt19937 rng(20261208);
    Stream s;
    const char* const calls[] = {"K1ABC", "DL2XYZ", "G4KEL", "VK3AA", "JA1ZZZ", "W9/PA3B-1", "nocall", ""};
    const char* const lines[] = {
        "DX de K1ABC:     14025.0  JA1ZZZ       cq cq                     1834Z",
        "K1ABC de GB7DX 08-Dec-2026 1834Z dxspider >",
        "To ALL de DL2XYZ: good evening all",
        "WWV de VE7CC <18>:   SFI=160, A=5, K=1, No Storms -> No Storms",
        "KeepAlive from Velsock V1.93",
        "login: K1ABC",
        "Hello K1ABC, this is GB7DX in Somewhere",
    };
    std::string batch;
    auto add = [&](const std::string& sentence) {
        batch += sentence;
        ++s.sentences;
    };
    // The node's port list comes first.
    for (int port = 1; port <= 4; ++port)
        add("^ZQ81^" + std::to_string(port) + "^65280^" + std::to_string(7300 + port));
    while (s.bytes < totalBytes) {
        const int socket = 5 + static_cast<int>(rng() % 200);
        const std::string sock = std::to_string(socket);
        const std::string line = lines[rng() % std::size(lines)];
        switch (rng() % 16) {
            case 0:
                add("^ZQ61^" + line);
                break;
            case 1:
                add("^ZQ62^" + line);
                break;
            case 2:
                add("^ZQ63^" + line);
                break;
            case 3:
                add("^ZQ64^" + line);
                break;
            case 4:
            case 5:
            case 6:
            case 7:
            case 8:
                add("^ZQ70^" + sock + "^" + line + "\r\n");
                break;
            case 9:
                add("^ZQ66^" + sock + "^0^10.0." + std::to_string(socket % 7) + "." + sock + "^16777215^" +
                    std::to_string(40000 + socket) + "^16777215^" + calls[rng() % std::size(calls)] +
                    "^16777215^x");
                break;
            case 10:
                add("^ZQ66^" + sock + "^7^" + std::to_string(rng() % 16777216));
                break;
            case 11:
                add("^ZQ66^" + sock + "^6^" + calls[rng() % std::size(calls)]);
                break;
            case 12:
                add("^ZQ65^" + std::to_string(rng() % 100000) + "^" + sock);
                break;
            case 13:
                add("^ZQ91^" + std::to_string(rng() % 300) + "^since 08:00");
                break;
            case 14:
                add("^ZQ90^" + std::to_string(rng() % 900) + "^2026-01-01");
                break;
            default:
                add("^ZQ92^Started 2026-12-08 08:00");
                break;
        }
        if (batch.size() >= 3000 + rng() % 3000) {
            batch += '\x04';
            s.bytes += batch.size();
            s.arrivals.push_back(std::move(batch));
            batch.clear();
        }
    }
    if (!batch.empty()) {
        batch += '\x04';
        s.bytes += batch.size();
        s.arrivals.push_back(std::move(batch));
    }
    return s;
}

void BM_ReceiveStream(benchmark::State& state) {
    const std::size_t mib = static_cast<std::size_t>(state.range(0));
    const Stream stream = MakeStream(mib << 20);
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<ConnectedCore>();
        state.ResumeTiming();
        for (const std::string& a : stream.arrivals) rig->arrive(a);
        benchmark::DoNotOptimize(rig->core.monitor.pane.size());
        state.PauseTiming();
        rig.reset();
        state.ResumeTiming();
    }
    const auto iterations = static_cast<std::int64_t>(state.iterations());
    state.SetBytesProcessed(iterations * static_cast<std::int64_t>(stream.bytes));
    state.SetItemsProcessed(iterations * static_cast<std::int64_t>(stream.sentences));
    state.counters["sentences"] = static_cast<double>(stream.sentences);
    state.counters["arrivals"] = static_cast<double>(stream.arrivals.size());
    state.counters["time_per_byte"] =
        benchmark::Counter(static_cast<double>(stream.bytes),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReceiveStream)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same stream cut into arrivals of at most 1400 bytes (one network packet each), so most
// arrivals only append and sentences wait across them.
void BM_ReceiveStreamInPackets(benchmark::State& state) {
    const std::size_t mib = static_cast<std::size_t>(state.range(0));
    const Stream stream = MakeStream(mib << 20);
    std::vector<std::string> packets;
    for (const std::string& a : stream.arrivals)
        for (std::size_t at = 0; at < a.size(); at += 1400) packets.push_back(a.substr(at, 1400));
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<ConnectedCore>();
        state.ResumeTiming();
        for (const std::string& p : packets) rig->arrive(p);
        benchmark::DoNotOptimize(rig->core.monitor.pane.size());
        state.PauseTiming();
        rig.reset();
        state.ResumeTiming();
    }
    const auto iterations = static_cast<std::int64_t>(state.iterations());
    state.SetBytesProcessed(iterations * static_cast<std::int64_t>(stream.bytes));
    state.SetItemsProcessed(iterations * static_cast<std::int64_t>(stream.sentences));
}
BENCHMARK(BM_ReceiveStreamInPackets)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

// One arrival that holds a whole large batch of text lines (the pane is trimmed only at the start
// of an arrival, so within one it grows with the batch). The cost per line should not grow with
// the size of the arrival: compare time_per_line across the sizes.
void BM_ReceiveOneLargeArrival(benchmark::State& state) {
    const std::size_t kib = static_cast<std::size_t>(state.range(0));
    std::string batch;
    std::size_t lines = 0;
    while (batch.size() < (kib << 10)) {
        batch += "^ZQ61^DX de K1ABC:     14025.0  JA1ZZZ       cq cq   " + std::to_string(lines % 1000);
        ++lines;
    }
    batch += "^ZQ92^(end)^ZQ92^(end)";
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<ConnectedCore>();
        rig->arrive(std::string(1, '\x04'));  // an earlier batch's end: the next arrival is cut
        state.ResumeTiming();
        rig->arrive(batch);
        benchmark::DoNotOptimize(rig->core.monitor.pane.size());
        state.PauseTiming();
        rig.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * batch.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines));
    state.counters["time_per_line"] =
        benchmark::Counter(static_cast<double>(lines),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReceiveOneLargeArrival)
    ->Arg(128)
    ->Arg(256)
    ->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace dx::bench
