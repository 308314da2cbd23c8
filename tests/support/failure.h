#pragma once
#include <string>

namespace dx::kit {

// How a test program takes what the kit finds that the program must never do: a programming error
// the event guard reported, a pane journal that cannot be replayed onto a view. The unit tests fail
// the test, the fuzz targets stop as on a crash, the benchmarks go on. Each program sets it once,
// before its first test, input or benchmark.
using FailureHook = void (*)(const std::string& what);
inline FailureHook failureHook = nullptr;

inline void fail(const std::string& what) {
    if (failureHook) failureHook(what);
}

}  // namespace dx::kit
