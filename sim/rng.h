// The simulator's random numbers: a small seeded generator whose sequence is the same on
// every platform, so a seed reproduces a session (std distributions differ per library).
#pragma once

#include <cstdint>

namespace tq::sim {

// SplitMix64.
struct SimRng {
  std::uint64_t state = 0;

  std::uint64_t Next() {
    state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Uniform(double low, double high) { return low + (high - low) * Unit(); }
  // Uniform integer in [low, high].
  std::uint32_t Between(std::uint32_t low, std::uint32_t high) {
    if (high <= low) return low;
    return low + static_cast<std::uint32_t>(Next() % (static_cast<std::uint64_t>(high - low) + 1));
  }
  bool Chance(double probability) { return Unit() < probability; }
};

}  // namespace tq::sim
