// The generator's random source: xoshiro256** seeded through splitmix64. The standard
// library's distributions differ between library versions, so every draw is done here and a
// seed names the same program on every machine.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <utility>
#include <vector>

namespace lumogen {

class Rng {
  public:
    explicit Rng(uint64_t seed) {
        for (uint64_t& word : state_) word = splitmix(seed);
    }

    uint64_t next() {
        const uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }

    // A whole number from lo to hi, both included; lo when hi is not above it.
    long between(long lo, long hi) {
        if (hi <= lo) return lo;
        const uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
        return lo + static_cast<long>(next() % span);
    }

    bool chance(int percent) { return between(0, 99) < percent; }

    size_t index(size_t n) { return static_cast<size_t>(between(0, static_cast<long>(n) - 1)); }

    // One of the items, which must not be empty.
    template <class T>
    const T& pick(const std::vector<T>& items) {
        if (items.empty()) {
            std::fprintf(stderr, "lumogen: internal error: a choice among nothing\n");
            std::abort();
        }
        return items[index(items.size())];
    }

    template <class T>
    void shuffle(std::vector<T>& items) {
        for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[index(i)]);
    }

  private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static uint64_t splitmix(uint64_t& x) {
        uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    uint64_t state_[4];
};

}  // namespace lumogen
