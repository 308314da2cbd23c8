// The watch list against every user's arrival and departure: 10 000 patterns of exact calls,
// prefixes ("DL*") and suffixes ("*/P"), matched by the list alone and by the watched calls'
// observer as the node's users come and go (most of them not watched, some watched).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "alerts/watch_list.h"
#include "alerts/watched_calls.h"
#include "common/config_values.h"
#include "support/fake_platform.h"

namespace dx::bench {
namespace {

// A call as a node's users have them: a prefix of one or two letters, a digit, a suffix of two or
// three letters, sometimes "/P" or "/M" after it and sometimes an SSID.
std::string randomCall(std::mt19937& rng) {
    const auto letter = [&rng] { return static_cast<char>('A' + rng() % 26); };
    std::string call(1, letter());
    if (rng() % 2) call += letter();
    call += static_cast<char>('0' + rng() % 10);
    for (unsigned i = 0, n = 2 + rng() % 2; i < n; ++i) call += letter();
    if (rng() % 8 == 0) call += rng() % 2 ? "/P" : "/M";
    if (rng() % 4 == 0) call += "-" + std::to_string(rng() % 16);
    return call;
}

// `count` patterns: a third exact calls, a third prefixes of four characters ("DL1A*"), a third
// suffixes of four ("*1ABC", "*C/P") and, as operators have them, "DL*" and "*/P" among them.
std::vector<std::string> patterns(std::size_t count, std::mt19937& rng) {
    std::vector<std::string> out{"DL*", "*/P"};
    while (out.size() < count) {
        const std::string call = randomCall(rng);
        switch (out.size() % 3) {
            case 0:
                out.push_back(call);
                break;
            case 1:
                out.push_back(call.substr(0, 4) + "*");
                break;
            default:
                out.push_back("*" + call.substr(call.size() - 4));
                break;
        }
    }
    return out;
}

std::vector<std::string> calls(std::mt19937& rng) {
    std::vector<std::string> out;
    for (int i = 0; i < 4096; ++i) out.push_back(randomCall(rng));
    return out;
}

void BM_WatchListMatch(benchmark::State& state) {
    std::mt19937 rng(22);
    WatchList list;
    list.set(patterns(static_cast<std::size_t>(state.range(0)), rng));
    const std::vector<std::string> users = calls(rng);
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        found += list.matches(users[i++ & 4095]) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["matched_%"] =
        100.0 * static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WatchListMatch)->Arg(100)->Arg(10000);

// An arrival and a departure each, through the observer as the node's events reach it.
void BM_WatchedCallsArrivalAndDeparture(benchmark::State& state) {
    std::mt19937 rng(22);
    WatchList list;
    list.set(patterns(static_cast<std::size_t>(state.range(0)), rng));
    const std::vector<std::string> users = calls(rng);
    kit::FakePlatform platform;
    const AlertSettings settings{{}, true};
    const ConfigValues config;
    WatchedCalls watched(list, settings, config, platform);
    std::size_t i = 0;
    for (auto _ : state) {
        PaneNotes notes;
        UserArrived arrived{platform.now, User{}, false};
        arrived.user.socket = static_cast<std::int16_t>(i % 2000);
        arrived.user.call = users[i & 4095];
        arrived.user.address = "10.0.0.1";
        arrived.user.port = "23000";
        watched.userArrived(arrived, notes);
        watched.userLeft(UserLeft{platform.now, arrived.user}, notes);
        benchmark::DoNotOptimize(notes);
        ++i;
        if (platform.notices.size() > 4096) platform.notices.clear();
    }
    state.counters["events/s"] =
        benchmark::Counter(2.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["ns/event"] =
        benchmark::Counter(2.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WatchedCallsArrivalAndDeparture)->Arg(100)->Arg(10000);

}  // namespace
}  // namespace dx::bench
