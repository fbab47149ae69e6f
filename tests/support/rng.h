#pragma once
// A small random generator for generated test input.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vt {

// splitmix64: deterministic across compilers and runs, unlike the standard distributions, so a
// failing case number always names the same input.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (0 when n is 0)
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    template <typename T> const T& Pick(const std::vector<T>& items) {
        return items[Below(items.size())];
    }

private:
    uint64_t state_;
};

} // namespace vt
