#pragma once
#include <cstdint>
#include <iterator>

namespace nodesim {

// A small deterministic generator (splitmix64). The same seed gives the same session on every
// machine, which the standard library's distributions do not promise.
class Rng {
  public:
    Rng() = default;
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A whole number from lo to hi, both included.
    int range(int lo, int hi) {
        if (hi <= lo) return lo;
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }

    bool chance(int percent) { return range(1, 100) <= percent; }

    template <typename C>
    const auto& pick(const C& items) {
        const int n = static_cast<int>(std::size(items));
        return *std::next(std::begin(items), range(0, n - 1));
    }

  private:
    std::uint64_t state_ = 0;
};

// A seed for a sub-stream (one socket's conversation, say) drawn from a session seed and a tag.
inline std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t tag) {
    Rng r(seed ^ (tag * 0xD1B54A32D192ED03ull));
    r.next();
    return r.next();
}

}  // namespace nodesim
